#include "report/collectionreport.h"
#include "store/catalogue.h"
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
