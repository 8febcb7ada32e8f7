#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString media = QStringLiteral(REELSHELF_TEST_DATA "/media");

} // namespace

TEST(ProbeCli, OneObjectPerFileInOrderAndNullFactsWithAWarningForAFileItCannotRead)
{
    QTemporaryDir home;
    const CliRun run = runCliCaptured({ QStringLiteral("--home"), home.filePath(QStringLiteral("h")),
        QStringLiteral("probe"), QStringLiteral("--json"), media + QStringLiteral("/parts.CD2.mp4"),
        media + QStringLiteral("/random.mkv") });
    EXPECT_EQ(run.code, 0);
    ASSERT_EQ(run.lines().size(), 2) << run.out.toStdString();
    const QJsonObject good = QJsonDocument::fromJson(run.lines()[0].toUtf8()).object();
    EXPECT_EQ(run.lines()[0].left(run.lines()[0].indexOf(QStringLiteral(",\"container\""))),
        QStringLiteral("{\"path\":\"%1/parts.CD2.mp4\",\"size\":%2")
            .arg(media)
            .arg(QFileInfo(media + QStringLiteral("/parts.CD2.mp4")).size()));
    EXPECT_EQ(good.value(QStringLiteral("container")).toString(), QStringLiteral("MPEG-4"));
    EXPECT_DOUBLE_EQ(good.value(QStringLiteral("duration")).toDouble(), 2700);
    EXPECT_EQ(good.value(QStringLiteral("width")).toInt(), 1280);
    EXPECT_EQ(good.value(QStringLiteral("videoCodec")).toString(), QStringLiteral("AVC"));
    const QJsonObject track = good.value(QStringLiteral("audio")).toArray().at(0).toObject();
    EXPECT_EQ(track.value(QStringLiteral("codec")).toString(), QStringLiteral("AAC"));
    EXPECT_EQ(track.value(QStringLiteral("channels")).toInt(), 2);
    EXPECT_EQ(track.value(QStringLiteral("language")).toString(), QStringLiteral("ja"));

    const QJsonObject bad = QJsonDocument::fromJson(run.lines()[1].toUtf8()).object();
    for (const char* key :
        { "container", "duration", "width", "height", "videoCodec", "frameRate", "audio", "subtitles" })
        EXPECT_TRUE(bad.value(QLatin1String(key)).isNull()) << key;
    EXPECT_EQ(run.err.trimmed(),
        QStringLiteral("无法读取影片文件 %1/random.mkv "
                       "的媒体信息（无法识别的文件，可能已损坏），它的时长、清晰度和语言留空。")
            .arg(media));
    EXPECT_FALSE(QFileInfo::exists(home.filePath(QStringLiteral("h")))) << "probe needs no data folder";
}

TEST(ProbeCli, WithoutFilesItShowsHowToUseIt)
{
    const CliRun run = runCliCaptured({ QStringLiteral("probe"), QStringLiteral("--json") });
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("probe FILE... [--json]")));
}
