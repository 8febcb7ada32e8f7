#include "scan/candidates.h"
#include "scan/namecleaning.h"
#include "store/settings.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace NameCleaning;

namespace {

ScanSwitches cleaning(bool cd, bool bbs, bool dot)
{
    ScanSwitches s;
    s.editByHand = false;
    s.ridofCD = cd;
    s.ridofBbs = bbs;
    s.ridofDot = dot;
    return s;
}

CandidateRow row(const QString& text, const QString& size)
{
    CandidateRow r;
    r.fileName = text;
    r.sizeText = size;
    return r;
}

QStringList texts(const QList<CandidateRow>& rows)
{
    QStringList out;
    for (const CandidateRow& r : rows)
        out << r.fileName + u'|' + r.sizeText;
    return out;
}

} // namespace

TEST(NameCleaning, RemovalsInOrder)
{
    const ScanSwitches all = cleaning(true, true, true);
    const struct
    {
        const char16_t* found;
        ScanSwitches switches;
        const char16_t* proposed;
    } cases[] = {
        // The part mark goes first, then every dot but the last.
        { u"Movie.2008.CD1.avi", all, u"Movie2008.avi" },
        { u"Movie.2008.CD1.avi", cleaning(true, false, false), u"Movie.2008..avi" },
        { u"Movie.2008.CD1.avi", cleaning(false, false, true), u"Movie2008CD1.avi" },
        { u"Film Cd1 cd2 CD6.avi", all, u"Film Cd1  CD6.avi" },
        { u"abcd1.avi", all, u"ab.avi" },
        { u"CDCD11.avi", all, u"CD1.avi" }, // one pass per mark, no second look
        { u"one.avi", all, u"one.avi" },
        { u"nodots", all, u"nodots" },
        { u".hidden.avi", all, u"hidden.avi" },
        { u"Film(BBS.BTCHINA.NET)(BBS.btchina.net)(bbs.btchina.net).avi", cleaning(false, true, false),
            u"Film.avi" },
        { u"Film(Bbs.btchina.net).avi", cleaning(false, true, false), u"Film(Bbs.btchina.net).avi" },
        { u"电影天堂Film【ＤＲＭ】.rmvb", cleaning(false, true, false), u"Film.rmvb" },
        { u"Film【DRM】.rmvb", cleaning(false, true, false), u"Film【DRM】.rmvb" },
        // The tag's own dots are gone before the dot rule could break it up.
        { u"Film.(BBS.btchina.net).avi", all, u"Film.avi" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(cleanName(QString::fromUtf16(c.found), c.switches), QString::fromUtf16(c.proposed))
            << QString::fromUtf16(c.found).toStdString();

    ScanSwitches byHand = all;
    byHand.editByHand = true;
    EXPECT_EQ(cleanName(QStringLiteral("Movie.2008.CD1.avi"), byHand), QStringLiteral("Movie.2008.CD1.avi"));
}

TEST(NameCleaning, SwitchesFromTheSettingsFile)
{
    TestHome home;
    const auto set = [&home](const char* key, const char* value) {
        home.writeSetting(Settings::mainSection(), QString::fromLatin1(key), QString::fromLatin1(value));
    };
    const Settings settings(home.folder().settingsFile());
    // EditByHand is tested against 0: any other number leaves the names alone.
    set("EditByHand", "2");
    set("RidofCD", "1");
    set("RidofBbs", "0");
    set("RidofDot", "yes");
    set("AutoSelect", "1");
    ScanSwitches s = ScanSwitches::fromSettings(settings);
    EXPECT_TRUE(s.editByHand);
    EXPECT_TRUE(s.ridofCD);
    EXPECT_FALSE(s.ridofBbs);
    EXPECT_TRUE(s.ridofDot); // not a number: the shipped value (on)
    EXPECT_TRUE(s.autoSelect);
    set("EditByHand", " 0 ");
    EXPECT_FALSE(ScanSwitches::fromSettings(settings).editByHand);
    set("EditByHand", "abc"); // not a number: the shipped 0
    EXPECT_FALSE(ScanSwitches::fromSettings(settings).editByHand);
}

TEST(CandidateRows, SizeTextsExtensionsAndIcons)
{
    const struct
    {
        qint64 bytes;
        const char* text;
    } sizes[] = { { 0, "KB" }, { 511, "KB" }, { 512, "1KB" }, { 1048575, "1024KB" }, { 1048576, "1MB" },
        { 1572863, "1MB" }, { 1572864, "2MB" }, { 734003200, "700MB" }, { 8LL * 1024 * 1048576, "8192MB" } };
    for (const auto& c : sizes)
        EXPECT_EQ(sizeText(c.bytes), QString::fromLatin1(c.text)) << c.bytes;

    const struct
    {
        const char* name;
        const char* extension;
        int icon;
    } names[] = { { "MOVIE.RMVB", "RMVB", 1 }, { "a.rm", "rm", 1 }, { "a.b.Avi", "Avi", 2 },
        { "x.MPG", "MPG", 2 }, { "x.mkv", "mkv", 3 }, { "README", "README", 3 }, { "trailing.", "", 3 } };
    for (const auto& c : names) {
        EXPECT_EQ(extensionOf(QString::fromLatin1(c.name)), QString::fromLatin1(c.extension)) << c.name;
        EXPECT_EQ(iconForExtension(extensionOf(QString::fromLatin1(c.name))), c.icon) << c.name;
    }
}

TEST(CandidateRows, SizesInMegabytesForTheCatalogue)
{
    EXPECT_EQ(movieSizeText(QStringLiteral("1399MB")), QStringLiteral("1399MB"));
    EXPECT_EQ(movieSizeText(QStringLiteral("512KB")), QStringLiteral("0.5MB"));
    EXPECT_EQ(movieSizeText(QStringLiteral("300KB")), QStringLiteral("0.293MB"));
    EXPECT_EQ(movieSizeText(QStringLiteral("KB")), QStringLiteral("0MB"));
    EXPECT_EQ(movieSizeText(QStringLiteral("700.5MB")), QStringLiteral("700.5MB"));
}

TEST(PartMerge, GroupsOfEqualTextsKeepTheFirstWithTheTotal)
{
    QList<CandidateRow> rows = { row(QStringLiteral("Film CD1.avi"), QStringLiteral("700MB")),
        row(QStringLiteral("Film.CD1.avi"), QStringLiteral("10MB")),
        row(QStringLiteral("Film.CD2.rmvb"), QStringLiteral("20MB")),
        row(QStringLiteral("Film CD2.avi"), QStringLiteral("699MB")),
        row(QStringLiteral("film CD3.avi"), QStringLiteral("5MB")),
        row(QStringLiteral("Trio.cd1.avi"), QStringLiteral("700MB")),
        row(QStringLiteral("Trio.cd2.avi"), QStringLiteral("700MB")),
        row(QStringLiteral("Trio.cd3.avi"), QStringLiteral("350MB")),
        row(QStringLiteral("Short CD1.avi"), QStringLiteral("700MB")),
        row(QStringLiteral("Short CD2.avi"), QStringLiteral("512KB")),
        row(QStringLiteral("Alone.avi"), QStringLiteral("300KB")),
        row(QStringLiteral("Cd1.avi"), QStringLiteral("1MB")),
        row(QStringLiteral("Cd1.avi"), QStringLiteral("2MB")) };
    rows[0].folder = QStringLiteral("/disc/a");
    rows[3].folder = QStringLiteral("/disc/b");
    mergeParts(rows);
    EXPECT_EQ(texts(rows),
        QStringList({ QStringLiteral("Film .avi|1399MB"), QStringLiteral("Film..avi|10MB"),
            QStringLiteral("Film..rmvb|20MB"), QStringLiteral("film .avi|5MB"),
            QStringLiteral("Trio..avi|1750MB"), QStringLiteral("Short .avi|700.5MB"),
            QStringLiteral("Alone.avi|300KB"), QStringLiteral("Cd1.avi|3MB") }));
    EXPECT_EQ(rows[0].folder, QStringLiteral("/disc/a"));
    for (const CandidateRow& r : rows)
        EXPECT_TRUE(r.duplicateMark.isEmpty());
}

TEST(PartMerge, OnlyExactlyMarkedRowsAreRemoved)
{
    QList<CandidateRow> rows
        = { row(QStringLiteral("a"), {}), row(QStringLiteral("b"), {}), row(QStringLiteral("c"), {}) };
    rows[0].duplicateMark = QStringLiteral("DelFlag");
    rows[1].duplicateMark = QStringLiteral("delflag");
    rows[2].duplicateMark = QStringLiteral("DelFlag");
    removeMarkedRows(rows);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].fileName, QStringLiteral("b"));
}
