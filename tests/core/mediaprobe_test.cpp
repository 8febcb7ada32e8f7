// Movie files' facts through the real helper, on small real files made by
// tests/data/media/make-media.sh.
#include "media/mediaprobe.h"
#include "media/mediasubtitles.h"
#include "media/mediumidentity.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString media = QStringLiteral(REELSHELF_TEST_DATA "/media");

QList<ProbeOutcome> probe(const QStringList& paths, const MediaProbe::Options& options = {})
{
    QList<ProbeFile> files;
    for (const QString& p : paths)
        files.append({ p.toUtf8(), p });
    return MediaProbe::probe(files, options);
}

// A stand-in for the helper: a shell script that answers as `script` says.
QString fakeHelper(const QTemporaryDir& dir, const QByteArray& script)
{
    const QString path = dir.filePath(QStringLiteral("fake-probe"));
    writeBytes(path, "#!/bin/bash\n" + script);
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return path;
}

} // namespace

TEST(MediaProbe, ReadsContainerPictureSoundAndSubtitlesOfEachKind)
{
    const auto out = probe({ media + QStringLiteral("/feature.mkv"), media + QStringLiteral("/parts.CD1.mp4"),
        media + QStringLiteral("/plain.avi") });
    ASSERT_EQ(out.size(), 3);
    for (const ProbeOutcome& o : out) {
        ASSERT_TRUE(o.facts);
        EXPECT_TRUE(o.warning.isEmpty()) << o.warning.toStdString();
    }
    const MediaFacts& mkv = *out[0].facts;
    EXPECT_EQ(mkv.container, QStringLiteral("Matroska"));
    EXPECT_NEAR(mkv.durationSeconds, 5400, 1);
    EXPECT_EQ(mkv.width, 1920);
    EXPECT_EQ(mkv.height, 1080);
    EXPECT_EQ(mkv.videoCodec, QStringLiteral("AVC"));
    EXPECT_DOUBLE_EQ(mkv.frameRate, 1);
    ASSERT_EQ(mkv.audio.size(), 2);
    EXPECT_EQ(mkv.audio[0], (AudioTrack { QStringLiteral("AAC"), 2, QStringLiteral("zh") }));
    EXPECT_EQ(mkv.audio[1], (AudioTrack { QStringLiteral("AAC"), 1, QStringLiteral("en") }));
    // The track inside, then the files beside it in name order, with their language marks.
    ASSERT_EQ(mkv.subtitles.size(), 4);
    EXPECT_EQ(mkv.subtitles[0], (SubtitleTrack { QStringLiteral("UTF-8"), QStringLiteral("zh"), false, {} }));
    EXPECT_EQ(mkv.subtitles[1],
        (SubtitleTrack { QStringLiteral("SubRip"), QStringLiteral("zh"), true,
            media + QStringLiteral("/feature.chs.srt") }));
    EXPECT_EQ(mkv.subtitles[2],
        (SubtitleTrack {
            QStringLiteral("ASS"), QStringLiteral("en"), true, media + QStringLiteral("/feature.eng.ass") }));
    EXPECT_EQ(mkv.subtitles[3],
        (SubtitleTrack { QStringLiteral("SubRip"), {}, true, media + QStringLiteral("/feature.srt") }));
    EXPECT_FALSE(mkv.truncated);

    const MediaFacts& mp4 = *out[1].facts;
    EXPECT_EQ(mp4.container, QStringLiteral("MPEG-4"));
    EXPECT_NEAR(mp4.durationSeconds, 3000, 1);
    EXPECT_EQ(mp4.height, 720);
    ASSERT_EQ(mp4.audio.size(), 1);
    EXPECT_EQ(mp4.audio[0].language, QStringLiteral("ja"));
    EXPECT_TRUE(mp4.subtitles.isEmpty());

    const MediaFacts& avi = *out[2].facts;
    EXPECT_EQ(avi.container, QStringLiteral("AVI"));
    EXPECT_EQ(avi.width, 720);
    ASSERT_EQ(avi.audio.size(), 1);
    EXPECT_TRUE(avi.audio[0].language.isEmpty());
}

TEST(MediaProbe, DamagedMissingAndOddFilesCostAWarningEachAndNothingElse)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.mkv"));
    const PipeFeeder pipe({ fifo });
    ASSERT_TRUE(pipe.made());
    const QString missing = dir.filePath(QStringLiteral("gone.mkv"));
    const auto out = probe({ media + QStringLiteral("/random.mkv"), media + QStringLiteral("/truncated.mkv"),
        missing, fifo, dir.path(), media + QStringLiteral("/plain.avi") });
    ASSERT_EQ(out.size(), 6);
    EXPECT_FALSE(out[0].facts);
    EXPECT_EQ(out[0].warning,
        QStringLiteral(
            "无法读取影片文件 %1 的媒体信息（无法识别的文件，可能已损坏），它的时长、清晰度和语言留空。")
            .arg(media + QStringLiteral("/random.mkv")));
    // A file cut short still shows what its beginning says, and is said to be cut.
    ASSERT_TRUE(out[1].facts);
    EXPECT_TRUE(out[1].facts->truncated);
    EXPECT_EQ(out[1].warning,
        QStringLiteral("影片文件 %1 不完整（可能没有复制完），媒体信息只来自它的开头。")
            .arg(media + QStringLiteral("/truncated.mkv")));
    EXPECT_FALSE(out[2].facts);
    EXPECT_TRUE(out[2].warning.contains(QStringLiteral("（文件不存在）"))) << out[2].warning.toStdString();
    for (int i : { 3, 4 }) {
        EXPECT_FALSE(out[i].facts);
        EXPECT_TRUE(out[i].warning.contains(QStringLiteral("（不是普通文件）")))
            << out[i].warning.toStdString();
    }
    ASSERT_TRUE(out[5].facts) << "the files after the bad ones are read all the same";
    EXPECT_TRUE(out[5].warning.isEmpty());
}

TEST(MediaProbe, ANameNotInUtf8IsReadByItsBytes)
{
    TestTree tree;
    const QByteArray gbk = QStringEncoder("GB18030").encode(QStringLiteral("英雄"));
    tree.rawFile(gbk + "/" + gbk + ".avi", readBytes(media + QStringLiteral("/plain.avi")));
    tree.rawFile(gbk + "/" + gbk + ".chs.srt", "1\n");
    const QString shown = tree.path(QStringLiteral("英雄/英雄.avi"));
    const auto out = MediaProbe::probe({ { tree.rawPath(gbk + "/" + gbk + ".avi"), shown } }, {});
    ASSERT_EQ(out.size(), 1);
    ASSERT_TRUE(out[0].facts) << out[0].warning.toStdString();
    EXPECT_EQ(out[0].facts->container, QStringLiteral("AVI"));
    ASSERT_EQ(out[0].facts->subtitles.size(), 1);
    EXPECT_EQ(out[0].facts->subtitles[0].language, QStringLiteral("zh"));
}

// A helper that dies on a file or hangs on it costs that file only; another helper reads on.
TEST(MediaProbe, AHelperThatCrashesOrHangsCostsOnlyTheFileItWasReading)
{
    QTemporaryDir dir;
    const QStringList files { QStringLiteral("a.mkv"), QStringLiteral("b.mkv"), QStringLiteral("c.mkv") };
    MediaProbe::Options options;
    options.workers = 1;
    // Answers for the first file it is given, then dies on the second.
    options.program = fakeHelper(dir,
        "IFS= read -r -d '' first\n"
        "echo '{\"facts\":{\"container\":\"AVI\",\"audio\":[],\"subtitles\":[]}}'\n"
        "IFS= read -r -d '' second && kill -SEGV $$\n");
    auto out = probe(files, options);
    ASSERT_EQ(out.size(), 3);
    ASSERT_TRUE(out[0].facts);
    EXPECT_FALSE(out[1].facts);
    EXPECT_EQ(out[1].warning,
        QStringLiteral(
            "无法读取影片文件 b.mkv 的媒体信息（读取时出错，文件可能已损坏），它的时长、清晰度和语言留空。"));
    ASSERT_TRUE(out[2].facts) << "a new helper reads the file after the one that crashed";

    // Never answers: each file is given up after the wait, and the reading ends.
    options.program = fakeHelper(dir, "sleep 60\n");
    options.stall = std::chrono::milliseconds(300);
    QElapsedTimer took;
    took.start();
    out = probe(files.mid(0, 2), options);
    EXPECT_LT(took.elapsed(), 5000);
    for (const ProbeOutcome& o : out) {
        EXPECT_FALSE(o.facts);
        EXPECT_TRUE(o.warning.contains(QStringLiteral("秒没有读完，已跳过）"))) << o.warning.toStdString();
    }

    // A helper that cannot be started is said for every file.
    options.program = dir.filePath(QStringLiteral("no-such-helper"));
    out = probe(files.mid(0, 1), options);
    EXPECT_FALSE(out[0].facts);
    EXPECT_TRUE(out[0].warning.contains(QStringLiteral("无法启动读取程序"))) << out[0].warning.toStdString();
}

// A damaged file that sends MediaInfo itself round a loop for ever (the mediainfo program too)
// costs the wait and a warning; the helper is stopped and the next file is read.
TEST(MediaProbe, AFileThatHangsMediaInfoIsGivenUpAfterTheWait)
{
    MediaProbe::Options options;
    options.workers = 1;
    options.stall = std::chrono::milliseconds(1500);
    QElapsedTimer took;
    took.start();
    const auto out = probe(
        { media + QStringLiteral("/hangs-mediainfo.mkv"), media + QStringLiteral("/plain.avi") }, options);
    EXPECT_LT(took.elapsed(), 10000);
    ASSERT_EQ(out.size(), 2);
    EXPECT_FALSE(out[0].facts);
    EXPECT_TRUE(out[0].warning.contains(QStringLiteral("1 秒没有读完，已跳过")))
        << out[0].warning.toStdString();
    ASSERT_TRUE(out[1].facts);
    EXPECT_EQ(out[1].facts->container, QStringLiteral("AVI"));
}

TEST(MediaProbe, StoppingLeavesTheRestUnreadAndUnwarned)
{
    std::atomic<bool> stop = true;
    MediaProbe::Options options;
    options.stop = &stop;
    const auto out = probe({ media + QStringLiteral("/plain.avi") }, options);
    ASSERT_EQ(out.size(), 1);
    EXPECT_FALSE(out[0].facts);
    EXPECT_TRUE(out[0].warning.isEmpty());
}

TEST(MediaSubtitles, OnlyTheMoviesOwnSubtitleFilesWithTheirLanguageMarks)
{
    const QStringList names { QStringLiteral("The.Movie.2003.mkv"), QStringLiteral("The.Movie.2003.CHS.srt"),
        QStringLiteral("The.Movie.2003.cht.ass"), QStringLiteral("The.Movie.2003.sc.SSA"),
        QStringLiteral("The.Movie.2003.kor.sup"), QStringLiteral("The.Movie.2003.jpn.idx"),
        QStringLiteral("The.Movie.2003.fre.sub"), QStringLiteral("The.Movie.2003.forced.srt"),
        QStringLiteral("The.Movie.2003.txt"), QStringLiteral("The.Movie.srt"),
        QStringLiteral("The.Movie.2003.en.srt.bak"), QStringLiteral("The.Movie.20033.srt") };
    const auto found
        = MediaSubtitles::beside(QStringLiteral("The.Movie.2003.mkv"), names, QStringLiteral("/d"));
    QStringList seen;
    for (const SubtitleTrack& s : found) {
        EXPECT_TRUE(s.external);
        seen << s.path + u' ' + s.format + u' ' + s.language;
    }
    EXPECT_EQ(seen,
        (QStringList { QStringLiteral("/d/The.Movie.2003.CHS.srt SubRip zh"),
            QStringLiteral("/d/The.Movie.2003.cht.ass ASS zh"),
            QStringLiteral("/d/The.Movie.2003.fre.sub VobSub fre"),
            QStringLiteral("/d/The.Movie.2003.jpn.idx VobSub ja"),
            QStringLiteral("/d/The.Movie.2003.kor.sup PGS ko"),
            QStringLiteral("/d/The.Movie.2003.sc.SSA SSA zh") }));
}

TEST(MediumIdentity, ADiscImageGivesItsLabelUuidAndFileSystem)
{
    const DiscMediumRecord m
        = MediumIdentity::describe(QFile::encodeName(media + QStringLiteral("/label.iso")));
    EXPECT_EQ(m.label, QStringLiteral("REELSHELF_TEST"));
    EXPECT_EQ(m.fsType, QStringLiteral("iso9660"));
    EXPECT_FALSE(m.uuid.isEmpty());
    EXPECT_TRUE(m.scanned.isValid());
}

TEST(MediumIdentity, AFolderCountsEveryFileBelowItAndItsFingerprintFollowsNamesAndSizes)
{
    TestTree tree;
    tree.file(QStringLiteral("a/one.avi"), 700);
    tree.file(QStringLiteral("a/.hidden/two.srt"), 3);
    tree.file(QStringLiteral("three.txt"), 5);
    tree.link(QStringLiteral("loop"), tree.path()); // a link to a folder is not followed
    const DiscMediumRecord first = MediumIdentity::describe(QFile::encodeName(tree.path()));
    EXPECT_EQ(first.fileCount, 3);
    EXPECT_EQ(first.totalSize, 708);
    EXPECT_EQ(first.fingerprint.size(), 40);
    EXPECT_EQ(MediumIdentity::describe(QFile::encodeName(tree.path())).fingerprint, first.fingerprint);
    tree.file(QStringLiteral("three.txt"), 6);
    EXPECT_NE(MediumIdentity::describe(QFile::encodeName(tree.path())).fingerprint, first.fingerprint);
}
