#include "clicommand.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

CliRun stats(const TestHome& home, const QStringList& options)
{
    return runCliCaptured(home, QStringList { QStringLiteral("stats") } + options);
}

// A breakdown as "name=count" pairs, null names as "null".
QString pairs(const QJsonValue& list)
{
    QStringList out;
    for (const QJsonValue& v : list.toArray()) {
        const QJsonObject o = v.toObject();
        out << (o.value(u"name").isNull() ? QStringLiteral("null") : o.value(u"name").toString()) + u'='
                + QString::number(o.value(u"count").toInteger());
    }
    return out.join(u' ');
}

} // namespace

TEST(CliStats, OneJsonObjectWithTheWindowsFigures)
{
    TestHome home;
    using F = MovieField;
    home.addDisc(QStringLiteral("1"), {}, QStringLiteral("DVD "), QStringLiteral("破损 "));
    MovieRecord a;
    a[F::Type] = QStringLiteral("动作 喜剧 ");
    a[F::Year] = QStringLiteral("2007年");
    a[F::Filetype] = QStringLiteral("mkv ");
    a[F::MovieSize] = QStringLiteral("1536MB ");
    a[F::Lastfor] = 120.0;
    a[F::Seen] = QStringLiteral("yes");
    a[F::Nation] = QStringLiteral("香港 \"九龙\"");
    home.addMovie(1, QStringLiteral("A"), 1, a);
    MovieRecord b;
    b[F::Year] = QStringLiteral("0 ");
    b[F::Seen] = QStringLiteral("no");
    b[F::Lastfor] = 30.0;
    home.addMovie(2, QStringLiteral("B"), 1, b);

    const CliRun r = stats(home, { QStringLiteral("--json") });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(u'\n'), 1);
    QJsonParseError e;
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8(), &e).object();
    ASSERT_EQ(e.error, QJsonParseError::NoError) << r.out.toStdString();
    const QStringList keys = { "discs", "discsByKind", "discsByCondition", "movies", "seen", "unseen",
        "seenUnmarked", "totalSizeGB", "totalHours", "byGenre", "byDecade", "byFormat", "byDefinition",
        "byCountry", "lentByBorrower" };
    for (const QString& k : keys)
        EXPECT_TRUE(o.contains(k)) << k.toStdString();
    EXPECT_EQ(o.size(), keys.size());
    EXPECT_EQ(o.value(u"discs").toInteger(), 1);
    EXPECT_EQ(o.value(u"movies").toInteger(), 2);
    EXPECT_EQ(o.value(u"seen").toInteger(), 1);
    EXPECT_EQ(o.value(u"unseen").toInteger(), 1);
    EXPECT_EQ(o.value(u"seenUnmarked").toInteger(), 0);
    EXPECT_DOUBLE_EQ(o.value(u"totalSizeGB").toDouble(), 1.5);
    EXPECT_DOUBLE_EQ(o.value(u"totalHours").toDouble(), 2.5);
    EXPECT_EQ(pairs(o.value(u"discsByKind")), QStringLiteral("DVD=1"));
    EXPECT_EQ(pairs(o.value(u"discsByCondition")), QStringLiteral("破损=1"));
    EXPECT_EQ(pairs(o.value(u"byDecade")), QStringLiteral("2000s=1 null=1"));
    EXPECT_EQ(pairs(o.value(u"byFormat")), QStringLiteral("mkv=1 null=1"));
    EXPECT_EQ(pairs(o.value(u"byCountry")), QStringLiteral("香港 \"九龙\"=1 null=1"));
    const QJsonArray genres = o.value(u"byGenre").toArray();
    ASSERT_EQ(genres.size(), 19);
    EXPECT_EQ(pairs(QJsonArray { genres.at(0), genres.at(1), genres.at(2), genres.at(18) }),
        QStringLiteral("喜剧=1 动作=1 战争=0 null=1"));
}

TEST(CliStats, TablesWithoutJsonAndUsageErrors)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addMovie(1, QStringLiteral("A"), 1);
    const CliRun table = stats(home, {});
    ASSERT_EQ(table.code, 0);
    for (const char* caption :
        { "光碟", "总大小 (GB)", "总时长 (小时)", "类型", "年代", "年份不详", "未分类" })
        EXPECT_TRUE(table.out.contains(QString::fromUtf8(caption))) << caption;
    const CliRun bad = stats(home, { QStringLiteral("--csv") });
    EXPECT_EQ(bad.code, 2);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("stats [--json]")));
    EXPECT_TRUE(bad.out.isEmpty());
}

TEST(CliStats, AnUnreadableCatalogueFailsWithItsMessage)
{
    TestHome home;
    const QByteArray garbage(8192, 'z');
    writeBytes(home.folder().catalogueFile(), garbage);
    const CliRun r = stats(home, { QStringLiteral("--json") });
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(readBytes(home.folder().catalogueFile()), garbage);
}
