#include "media/discverify.h"
#include "media/mediatext.h"
#include "report/collectionreport.h"
#include "store/catalogue.h"
#include "store/mediatables.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using namespace CollectionReport;

MovieRecord withEnglish(const QVariant& english)
{
    MovieRecord r;
    r[MovieField::EngName] = english;
    return r;
}

Report reportOf(const TestHome& home)
{
    QString error;
    const auto report = build(Catalogue(home.folder().catalogueFile()), &error);
    EXPECT_TRUE(report.has_value()) << error.toStdString();
    return report.value_or(Report());
}

// Each group as "kind: id@disc, ...", a missing disc marked with "!".
QStringList groupsOf(const Report& report)
{
    QStringList out;
    for (const DuplicateGroup& g : report.duplicates) {
        QStringList members;
        for (const Movie& m : g.movies)
            members << m.id + QStringLiteral("@") + (m.disc.isEmpty() ? QStringLiteral("-") : m.disc)
                    + (m.discExists ? QString() : QStringLiteral("!"));
        out << QStringLiteral("%1 %2: ").arg(g.number).arg(kindText(g)) + members.join(QStringLiteral(", "));
    }
    return out;
}

// Each disc at risk as "disc condition [note]: ids".
QStringList risksOf(const Report& report)
{
    QStringList out;
    for (const RiskDisc& d : report.risks) {
        QStringList ids;
        for (const Movie& m : d.movies)
            ids << m.id;
        out << d.disc + QStringLiteral(" ") + d.condition + QStringLiteral(" [") + d.note
                + QStringLiteral("]: ") + ids.join(QStringLiteral(","));
    }
    return out;
}

// Discs whose movies' files lie in folders d<disc> of a real tree, remembered as a rescan keeps
// them, and checked by the real disc check.
class CheckedDiscs
{
public:
    explicit CheckedDiscs(TestHome& home)
        : home_(home)
    {
    }
    // A movie with one file of `size` bytes on its disc's folder.
    void addMovie(double id, const QString& title, int disc, qint64 size = 4096)
    {
        home_.addMovie(id, title, disc);
        const QString relative = QStringLiteral("m%1.mkv").arg(id);
        tree_.file(QStringLiteral("d%1/").arg(disc) + relative, size);
        MediaTables::RescannedMovie m;
        m.id = id;
        m.files = { { 1, relative.toUtf8(), size, {}, std::nullopt, {} } };
        QString error;
        ASSERT_TRUE(MediaTables::storeRescan(
            home_.folder().catalogueFile(), QString::number(disc), {}, { m }, nullptr, &error))
            << error.toStdString();
    }
    QString file(double id, int disc) const
    {
        return tree_.path(QStringLiteral("d%1/m%2.mkv").arg(disc).arg(id));
    }
    MediaTables::DiscCheckRecord verify(int disc)
    {
        const auto r = DiscVerify::run(home_.folder().catalogueFile(), QString::number(disc),
            tree_.path(QStringLiteral("d%1").arg(disc)));
        EXPECT_EQ(r.status, DiscVerify::Result::Done) << r.error.toStdString();
        return r.check;
    }

private:
    TestHome& home_;
    TestTree tree_;
};

} // namespace

TEST(CollectionReportDuplicates, TitlesMatchTrimmedOfBlanksOnlyIgnoringCase)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addDisc(QStringLiteral("2"));
    home.addMovie(1, QStringLiteral("Heat "), 1);
    home.addMovie(2, QStringLiteral("  HEAT"), 2);
    home.addMovie(3, QStringLiteral("heat\t"), 2); // a tab is not a blank
    home.addMovie(4, QStringLiteral("heat\u3000"), 2); // nor is the ideographic space
    home.addMovie(5, QStringLiteral("英雄 "), 1);
    home.addMovie(6, QStringLiteral("英雄"), 1);
    home.addMovie(7, QStringLiteral("Amélie"), 1);
    home.addMovie(8, QStringLiteral("AMÉLIE"), 2); // letter case beyond ASCII too
    const Report r = reportOf(home);
    EXPECT_EQ(r.movieCount, 8);
    EXPECT_EQ(groupsOf(r),
        (QStringList {
            "1 多张碟上都有: 1@1, 2@2", "2 同一张碟上重复: 5@1, 6@1", "3 多张碟上都有: 7@1, 8@2" }));
    EXPECT_EQ(r.duplicates[0].movies[1].title, QStringLiteral("HEAT"));
    EXPECT_EQ(r.duplicateMovieCount(), 6);
}

TEST(CollectionReportDuplicates, EnglishTitlesCountOnlyWhenBothAreSet)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addMovie(1, QStringLiteral("英雄"), 1, withEnglish(QStringLiteral("Hero ")));
    home.addMovie(2, QStringLiteral("英雄本色"), 1, withEnglish(QStringLiteral(" hero")));
    home.addMovie(3, QStringLiteral("甲"), 1, withEnglish(QStringLiteral(" ")));
    home.addMovie(4, QStringLiteral("乙"), 1, withEnglish(QStringLiteral(" ")));
    home.addMovie(5, QStringLiteral("丙"), 1, withEnglish(QVariant()));
    home.addMovie(6, QStringLiteral("丁"), 1, withEnglish(QVariant()));
    EXPECT_EQ(groupsOf(reportOf(home)), QStringList { "1 同一张碟上重复: 1@1, 2@1" });
}

TEST(CollectionReportDuplicates, EitherTitleJoinsCopiesIntoOneGroup)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addDisc(QStringLiteral("2"));
    // 1 and 3 share the English title, 3 and 4 the Chinese one: all three are copies of one film.
    home.addMovie(1, QStringLiteral("无间道"), 1, withEnglish(QStringLiteral("Infernal Affairs")));
    home.addMovie(2, QStringLiteral("花样年华"), 2);
    home.addMovie(3, QStringLiteral("無間道"), 2, withEnglish(QStringLiteral("INFERNAL AFFAIRS")));
    home.addMovie(4, QStringLiteral("無間道 "), 1);
    home.addMovie(5, QStringLiteral("花样年华"), 1);
    home.addMovie(6, QString(), 1); // untitled movies are not copies of each other
    home.addMovie(7, QStringLiteral(" "), 2);
    EXPECT_EQ(groupsOf(reportOf(home)),
        (QStringList { "1 多张碟上都有: 1@1, 3@2, 4@1", "2 多张碟上都有: 2@2, 5@1" }));
}

TEST(CollectionReportDuplicates, SameDiscFollowsTheDiscListing)
{
    TestHome home;
    home.addDisc(QStringLiteral("3"));
    home.addMovie(1, QStringLiteral("A"), 3);
    home.addMovie(2, QStringLiteral("a"), 0);
    // Bytes that read as the text "3 ", which the listing of disc 3 shows.
    home.exec(QStringLiteral("UPDATE ReelShelfIndex SET DiskNum = X'3320' WHERE ID = 2"));
    home.addMovie(3, QStringLiteral("B"), 99); // a disc that has no record
    home.addMovie(4, QStringLiteral("b"), 99);
    home.addMovie(5, QStringLiteral("C"), 0);
    home.addMovie(6, QStringLiteral("c"), 0);
    home.exec(QStringLiteral("UPDATE ReelShelfIndex SET DiskNum = NULL WHERE ID IN (5, 6)"));
    home.addMovie(7, QStringLiteral("D"), 3);
    home.addMovie(8, QStringLiteral("d"), 3.5);
    const Report r = reportOf(home);
    EXPECT_EQ(groupsOf(r),
        (QStringList { "1 同一张碟上重复: 1@3, 2@3", "2 同一张碟上重复: 3@99!, 4@99!",
            "3 多张碟上都有: 5@-!, 6@-!", "4 多张碟上都有: 7@3, 8@3.5!" }));
    EXPECT_EQ(discText(r.duplicates[1].movies[0]), QStringLiteral("碟#99（无此光碟记录）"));
    EXPECT_EQ(discText(r.duplicates[2].movies[0]), QStringLiteral("（未指定光碟）"));
}

TEST(CollectionReportRisk, OnlyMoviesWithEveryCopyOnADamagedOrLentDisc)
{
    TestHome home;
    home.addDisc(
        QStringLiteral("1"), QStringLiteral("好碟 "), QStringLiteral("DVD "), QStringLiteral("良好 "));
    home.addDisc(QStringLiteral("2"), QStringLiteral("坏碟 "), QStringLiteral("DVD "),
        QStringLiteral(" 破损 "), QStringLiteral("划伤 "));
    home.addDisc(QStringLiteral("3"), QStringLiteral("借出 "), QStringLiteral("DVD "),
        QStringLiteral("外借 "), QStringLiteral("借给老王 "));
    home.addDisc(QStringLiteral("4"), {}, QStringLiteral("DVD "), QStringLiteral("破损了 "));
    home.addDisc(QStringLiteral("5")); // no condition at all
    home.addMovie(1, QStringLiteral("Safe backup"), 1);
    home.addMovie(2, QStringLiteral("safe backup"), 2); // also on a good disc: not at risk
    home.addMovie(3, QStringLiteral("Only damaged"), 2);
    home.addMovie(4, QStringLiteral("Only lent"), 3);
    home.addMovie(5, QStringLiteral("Lent and damaged"), 3);
    home.addMovie(6, QStringLiteral("lent and damaged"), 2); // every copy bad: both listed
    home.addMovie(7, QStringLiteral("Other condition"), 4);
    home.addMovie(8, QStringLiteral("No condition"), 5);
    home.addMovie(9, QStringLiteral("Missing disc"), 77);
    home.addMovie(10, QStringLiteral("Lent, copy on a missing disc"), 3);
    home.addMovie(11, QStringLiteral("lent, copy on a missing disc"), 77); // unknown, so kept safe
    const Report r = reportOf(home);
    EXPECT_EQ(risksOf(r), (QStringList { "2 破损 [划伤]: 3,6", "3 外借 [借给老王]: 4,5" }));
    EXPECT_EQ(r.risks[1].name, QStringLiteral("借出"));
    EXPECT_EQ(r.riskMovieCount(), 4);
}

TEST(CollectionReportRisk, TheFirstDiscWithANumberDecides)
{
    TestHome home;
    // Disc commands find the first disc with a number; a second record with it changes nothing.
    home.addDisc(QStringLiteral("1"), {}, QStringLiteral("DVD "), QStringLiteral("外借 "));
    home.addDisc(QStringLiteral(" 1 "), {}, QStringLiteral("DVD "), QStringLiteral("良好 "));
    home.addMovie(1, QStringLiteral("A"), 1);
    EXPECT_EQ(risksOf(reportOf(home)), QStringList { "1 外借 []: 1" });
}

TEST(CollectionReport, EmptyCatalogueAndUnreadableFile)
{
    TestHome home;
    const Report empty = reportOf(home);
    EXPECT_TRUE(empty.duplicates.isEmpty());
    EXPECT_TRUE(empty.risks.isEmpty());
    EXPECT_EQ(duplicatesText(empty), QStringLiteral("重复影片\n没有发现重复的影片。\n\n"));
    EXPECT_EQ(risksText(empty), QStringLiteral("风险影片\n没有只存放在破损或外借光碟上的影片。\n\n"));

    writeBytes(home.folder().catalogueFile(), QByteArray("this is not a catalogue", 23));
    QString error;
    EXPECT_FALSE(build(Catalogue(home.folder().catalogueFile()), &error).has_value());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readBytes(home.folder().catalogueFile()), QByteArray("this is not a catalogue"));
}

TEST(CollectionReport, TextsAndTheirFile)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addDisc(QStringLiteral("2"), QStringLiteral("借出 "), QStringLiteral("DVD "),
        QStringLiteral("外借 "), QStringLiteral("借给老王 "));
    home.addMovie(1, QStringLiteral("英雄 "), 1, withEnglish(QStringLiteral("Hero ")));
    home.addMovie(2, QStringLiteral("英雄"), 2);
    home.addMovie(3, QStringLiteral("卧虎藏龙"), 2);
    const Report r = reportOf(home);
    EXPECT_EQ(duplicatesText(r),
        QStringLiteral("重复影片\n共 1 组，2 部影片。\n\n第 1 组：多张碟上都有\n"
                       "    碟#1    编号 1    英雄 / Hero\n    碟#2    编号 2    英雄\n\n"));
    EXPECT_EQ(risksText(r),
        QStringLiteral("风险影片\n1 部影片只存放在破损或外借的光碟上，分布在 1 张光碟。\n\n"
                       "碟#2[借出]    外借    附注：借给老王\n    编号 3    卧虎藏龙\n\n"));

    const QString path = home.path() + QStringLiteral("/Outputs/风险.txt");
    ASSERT_TRUE(writeText(path, risksText(r)));
    EXPECT_EQ(readBytes(path), risksText(r).toUtf8());

    QString error;
    const QString nowhere = home.path() + QStringLiteral("/no such folder/a.txt");
    EXPECT_FALSE(writeText(nowhere, risksText(r), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("无法写入文件 "))) << error.toStdString();
    EXPECT_FALSE(QFile::exists(nowhere));
}

TEST(CollectionReportChecks, AFailedLastCheckPutsMoviesWithoutAPassedCopyAtRisk)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"), QStringLiteral("甲 "), QStringLiteral("DVD "), QStringLiteral("良好 "));
    home.addDisc(
        QStringLiteral("2"), QStringLiteral("乙 "), QStringLiteral("DVD "), {}, QStringLiteral("第二季 "));
    home.addDisc(
        QStringLiteral("3"), {}, QStringLiteral("DVD "), QStringLiteral("破损 "), QStringLiteral("划伤 "));
    home.addDisc(QStringLiteral("4")); // never checked
    home.addDisc(QStringLiteral("5"));
    home.addDisc(QStringLiteral("6"), {}, QStringLiteral("DVD "), QStringLiteral("外借 "),
        QStringLiteral("借给老王 "));
    CheckedDiscs discs(home);
    discs.addMovie(1, QStringLiteral("Alone"), 1);
    discs.addMovie(2, QStringLiteral("Passed copy"), 1);
    discs.addMovie(3, QStringLiteral("passed copy"), 5);
    discs.addMovie(4, QStringLiteral("Unchecked copy"), 1);
    discs.addMovie(5, QStringLiteral("unchecked copy"), 4); // proves nothing, and is not listed
    discs.addMovie(6, QStringLiteral("Only unchecked"), 4);
    discs.addMovie(7, QStringLiteral("Damaged and failed"), 3);
    discs.addMovie(8, QStringLiteral("Damaged copy"), 3); // safe by condition, not by check
    discs.addMovie(9, QStringLiteral("damaged copy"), 1);
    discs.addMovie(10, QStringLiteral("Copy on a missing disc"), 1);
    home.addMovie(11, QStringLiteral("copy on a missing disc"), 77);
    discs.addMovie(12, QStringLiteral("Failed, then passed"), 2);
    discs.addMovie(13, QStringLiteral("Lent, passed"), 6);

    const QStringList before = risksOf(reportOf(home));
    EXPECT_EQ(before, (QStringList { "3 破损 [划伤]: 7", "6 外借 [借给老王]: 13" }));
    // Disc 1 passes first and fails later; disc 2 the other way round: the last check decides.
    EXPECT_TRUE(discs.verify(1).passed());
    const QByteArray kept = readBytes(discs.file(12, 2));
    // Its only file cut short (a disc with not one file found is no check at all).
    writeBytes(discs.file(12, 2), kept.left(10));
    EXPECT_FALSE(discs.verify(2).passed());
    writeBytes(discs.file(12, 2), kept);
    for (int disc : { 2, 5, 6 })
        EXPECT_TRUE(discs.verify(disc).passed()) << disc;
    // Checks that all passed change nothing.
    EXPECT_EQ(risksOf(reportOf(home)), before);

    ASSERT_TRUE(QFile::remove(discs.file(1, 1)));
    writeBytes(discs.file(9, 1), QByteArray(5000, 'x'));
    const auto check1 = discs.verify(1);
    ASSERT_TRUE(QFile::remove(discs.file(7, 3)));
    const QString note1 = MediaText::lastCheck(check1);
    const QString note3 = MediaText::lastCheck(discs.verify(3));
    const QString day = check1.checked.toLocalTime().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(note1, QStringLiteral("上次校验：%1，1 个文件缺失，1 个文件已改变").arg(day));
    EXPECT_EQ(note3, QStringLiteral("上次校验：%1，1 个文件缺失").arg(day));

    const Report r = reportOf(home);
    EXPECT_EQ(risksOf(r),
        (QStringList { "1 校验未通过 [" + note1 + "]: 1,4,9,10", "3 破损 [划伤；" + note3 + "]: 7,8",
            "6 外借 [借给老王]: 13" }));
    EXPECT_EQ(r.risks[0].name, QStringLiteral("甲"));
    ASSERT_TRUE(r.risks[0].failedCheck.has_value());
    EXPECT_EQ(r.risks[0].failedCheck->missing, 1);
    EXPECT_EQ(r.risks[0].failedCheck->changed, 1);
    EXPECT_FALSE(r.risks[2].failedCheck.has_value());
    EXPECT_EQ(r.riskMovieCount(), 7);
    EXPECT_EQ(risksText(r),
        "风险影片\n7 部影片只存放在破损或外借的光碟上，或者在校验未通过的光碟上而没有校验通过的备份，"
        "分布在 3 张光碟。\n\n碟#1[甲]    校验未通过    附注："
            + note1
            + "\n    编号 1    Alone\n    编号 4    Unchecked copy\n    编号 9    damaged copy\n"
              "    编号 10    Copy on a missing disc\n\n碟#3    破损    附注：划伤；"
            + note3
            + "\n    编号 7    Damaged and failed\n    编号 8    Damaged copy\n\n"
              "碟#6    外借    附注：借给老王\n    编号 13    Lent, passed\n\n");
}

TEST(CollectionReportChecks, CatalogueWithoutCheckTablesReadsAsBefore)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addDisc(QStringLiteral("2"), QStringLiteral("借出 "), QStringLiteral("DVD "),
        QStringLiteral("外借 "), QStringLiteral("借给老王 "));
    home.addMovie(1, QStringLiteral("英雄 "), 1);
    home.addMovie(2, QStringLiteral("英雄"), 2);
    home.addMovie(3, QStringLiteral("卧虎藏龙"), 2);
    const Report fresh = reportOf(home);
    const QString text = duplicatesText(fresh) + risksText(fresh);
    // A catalogue made before our tables.
    for (const char* table :
        { "ShelfMovieFiles", "ShelfDiscMedia", "ShelfDiscChecks", "ShelfFileChecks", "ShelfLoans" })
        home.exec(QStringLiteral("DROP TABLE %1").arg(QLatin1String(table)));
    const Report old = reportOf(home);
    EXPECT_EQ(duplicatesText(old) + risksText(old), text);
    // Reading makes no tables.
    RawDb raw(home.folder().catalogueFile());
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name LIKE 'Shelf%'")),
        QStringList { QStringLiteral("0") });
}

TEST(CollectionReportChecks, NoteNamesWhatFailedOnTheLocalDay)
{
    MediaTables::DiscCheckRecord c;
    c.checked = QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
    c.files = 9;
    c.ok = 6;
    c.unreadable = 3;
    const QString day = c.checked.toLocalTime().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(MediaText::lastCheck(c), QStringLiteral("上次校验：%1，3 个文件无法读取").arg(day));
    c.ok = 1;
    c.missing = 2;
    c.changed = 3;
    EXPECT_EQ(MediaText::lastCheck(c),
        QStringLiteral("上次校验：%1，3 个文件无法读取，2 个文件缺失，3 个文件已改变").arg(day));
    // Counts that do not add up still say the check failed.
    c.missing = c.changed = c.unreadable = 0;
    EXPECT_EQ(MediaText::lastCheck(c), QStringLiteral("上次校验：%1，8 个文件未通过").arg(day));
}
