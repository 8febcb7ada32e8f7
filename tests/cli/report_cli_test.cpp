#include "clicommand.h"
#include "store/mediatables.h"
#include "testsupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

CliRun report(const TestHome& home, const QStringList& options)
{
    return runCliCaptured(home, QStringList { QStringLiteral("report") } + options);
}

void fill(TestHome& home)
{
    home.addDisc(QStringLiteral("1"));
    home.addDisc(QStringLiteral("2"), QStringLiteral("借出 "), QStringLiteral("DVD "),
        QStringLiteral("外借 "), QStringLiteral("借给老王 "));
    MovieRecord hero;
    hero[MovieField::EngName] = QStringLiteral("Hero ");
    home.addMovie(1, QStringLiteral("英雄 "), 1, hero);
    home.addMovie(2, QStringLiteral("英雄"), 2);
    home.addMovie(3, QStringLiteral("卧虎藏龙"), 2);
    home.addMovie(4, QStringLiteral("Heat"), 9);
    home.addMovie(5, QStringLiteral("heat"), 9);
}

} // namespace

TEST(CliReport, JsonLinesOnePerMovie)
{
    TestHome home;
    fill(home);
    const CliRun r = report(home, { QStringLiteral("--json") });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines,
        (QStringList {
            "{\"kind\": \"duplicate\", \"group\": 1, \"sameDisc\": false, \"id\": \"1\", \"title\": "
            "\"英雄\", "
            "\"englishTitle\": \"Hero\", \"disc\": \"1\", \"discExists\": true}",
            "{\"kind\": \"duplicate\", \"group\": 1, \"sameDisc\": false, \"id\": \"2\", \"title\": "
            "\"英雄\", "
            "\"englishTitle\": \"\", \"disc\": \"2\", \"discExists\": true}",
            "{\"kind\": \"duplicate\", \"group\": 2, \"sameDisc\": true, \"id\": \"4\", \"title\": \"Heat\", "
            "\"englishTitle\": \"\", \"disc\": \"9\", \"discExists\": false}",
            "{\"kind\": \"duplicate\", \"group\": 2, \"sameDisc\": true, \"id\": \"5\", \"title\": \"heat\", "
            "\"englishTitle\": \"\", \"disc\": \"9\", \"discExists\": false}",
            "{\"kind\": \"risk\", \"disc\": \"2\", \"discName\": \"借出\", \"condition\": \"外借\", "
            "\"note\": "
            "\"借给老王\", \"id\": \"3\", \"title\": \"卧虎藏龙\", \"englishTitle\": \"\"}",
        }));
    for (const QString& line : lines) {
        QJsonParseError e;
        QJsonDocument::fromJson(line.toUtf8(), &e);
        EXPECT_EQ(e.error, QJsonParseError::NoError) << line.toStdString();
    }
}

TEST(CliReport, ReadableTextAndUsage)
{
    TestHome home;
    fill(home);
    const CliRun text = report(home, {});
    ASSERT_EQ(text.code, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.startsWith(QStringLiteral("重复影片\n共 2 组，4 部影片。\n")))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(
        QStringLiteral("第 2 组：同一张碟上重复\n    碟#9（无此光碟记录）    编号 4    Heat\n")))
        << text.out.toStdString();
    EXPECT_TRUE(
        text.out.contains(QStringLiteral("碟#2[借出]    外借    附注：借给老王\n    编号 3    卧虎藏龙\n")));

    for (const QStringList& bad : { QStringList { "--json", "--json" }, QStringList { "--disc", "1" } }) {
        const CliRun r = report(home, bad);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(QStringLiteral("report [--json]"))) << r.err.toStdString();
    }
}

TEST(CliReport, ADiscWhoseLastCheckFailedJoinsTheRiskList)
{
    TestHome home;
    fill(home);
    MediaTables::DiscCheckRecord check;
    check.checked = QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
    check.files = 3;
    check.unreadable = 3;
    QString error;
    ASSERT_TRUE(
        MediaTables::storeCheck(home.folder().catalogueFile(), QStringLiteral("1"), check, {}, &error))
        << error.toStdString();
    const QString note = QStringLiteral("上次校验：%1，3 个文件无法读取")
                             .arg(check.checked.toLocalTime().toString(QStringLiteral("yyyy-MM-dd")));

    // 英雄 has no copy on a disc that passed a check: both copies are listed, each under its disc.
    const CliRun json = report(home, { QStringLiteral("--json") });
    ASSERT_EQ(json.code, 0) << json.err.toStdString();
    EXPECT_EQ(json.lines().mid(4),
        (QStringList {
            "{\"kind\": \"risk\", \"disc\": \"1\", \"discName\": \"\", \"condition\": \"校验未通过\", "
            "\"note\": \""
                + note
                + "\", \"id\": \"1\", \"title\": \"英雄\", \"englishTitle\": \"Hero\", \"checkFailed\": "
                  "true, "
                  "\"checked\": \"2026-12-08T12:00:00Z\", \"files\": 3, \"ok\": 0, \"missing\": 0, "
                  "\"changed\": 0, \"unreadable\": 3}",
            "{\"kind\": \"risk\", \"disc\": \"2\", \"discName\": \"借出\", \"condition\": \"外借\", "
            "\"note\": \"借给老王\", \"id\": \"2\", \"title\": \"英雄\", \"englishTitle\": \"\"}",
            "{\"kind\": \"risk\", \"disc\": \"2\", \"discName\": \"借出\", \"condition\": \"外借\", "
            "\"note\": \"借给老王\", \"id\": \"3\", \"title\": \"卧虎藏龙\", \"englishTitle\": \"\"}",
        }));

    const CliRun text = report(home, {});
    ASSERT_EQ(text.code, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.endsWith(
        "风险影片\n3 部影片只存放在破损或外借的光碟上，或者在校验未通过的光碟上而没有校验通过的备份，分布在 "
        "2 "
        "张光碟。\n\n碟#1    校验未通过    附注："
        + note
        + "\n    编号 1    英雄 / Hero\n\n碟#2[借出]    外借    附注：借给老王\n    编号 2    英雄\n"
          "    编号 3    卧虎藏龙\n\n"))
        << text.out.toStdString();
}

TEST(CliReport, UnreadableCatalogueFails)
{
    TestHome home;
    writeBytes(home.folder().catalogueFile(), QByteArray(4096, 'x'));
    const CliRun r = report(home, { QStringLiteral("--json") });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_EQ(readBytes(home.folder().catalogueFile()), QByteArray(4096, 'x'));
}
