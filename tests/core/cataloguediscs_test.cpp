#include "browse/disctree.h"
#include "browse/movielisting.h"
#include "store/catalogue.h"
#include "store/discnumbers.h"
#include "testsupport.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <gtest/gtest.h>

namespace {

Catalogue catalogueOf(const TestHome& home)
{
    return Catalogue(home.folder().catalogueFile());
}

} // namespace

TEST(CatalogueDiscs, FoundByTheTrimmedNumberAndChangedOnlyInTheGivenFields)
{
    TestHome home;
    home.addDisc(QStringLiteral("12"), QStringLiteral("动作片 "));
    home.addDisc(QStringLiteral(" 7 "), {}, QStringLiteral("VCD "), QStringLiteral("外借"),
        QStringLiteral("旧的备注 "), QStringLiteral("Yes"));
    DiscRecord d;
    ASSERT_TRUE(catalogueOf(home).findDisc(QStringLiteral(" 7"), &d).ok());
    EXPECT_EQ(d.diskNum.toString(), QStringLiteral(" 7 ")) << "the record comes as stored";

    DiscDetails details;
    details.diskType = QStringLiteral("DVD");
    details.station = QStringLiteral("破损");
    ASSERT_TRUE(catalogueOf(home).updateDisc(QStringLiteral("7"), details).ok());
    details = {};
    details.name = QStringLiteral(" 剧集");
    ASSERT_TRUE(catalogueOf(home).updateDisc(QStringLiteral("12"), details).ok());
    EXPECT_EQ(home.discRows(),
        (QStringList {
            QStringLiteral("12| 剧集|DVD |-|-|-"), QStringLiteral(" 7 |-|DVD|破损|旧的备注 |Yes") }));

    const DiscOutcome missing = catalogueOf(home).updateDisc(QStringLiteral("120"), details);
    EXPECT_EQ(missing.status, DiscOutcome::NoSuchDisc);
    EXPECT_EQ(missing.error,
        QStringLiteral("光盘号为120的光盘已不在目录中（可能已被其他程序删除），没有做任何改动。"));
    EXPECT_EQ(catalogueOf(home).setFavourite(QStringLiteral("1"), true).status, DiscOutcome::NoSuchDisc);
    EXPECT_EQ(home.discRows().size(), 2);
}

// The new-disc window checks the number before it adds; another program may add that number in
// between. The add itself looks again, in its own transaction.
TEST(CatalogueDiscs, AddingANumberAStoredDiscCarriesIsRefusedAndStoresNothing)
{
    TestHome home;
    home.addDisc(QStringLiteral(" 9 "), QStringLiteral("别人的"));
    DiscRecord disc;
    disc.diskNum = QStringLiteral("9");
    disc.diskType = QStringLiteral("DVD ");
    QString error;
    EXPECT_FALSE(catalogueOf(home).addDisc(disc, &error));
    EXPECT_EQ(error, DiscNumbers::takenMessage(QStringLiteral("9")));
    EXPECT_EQ(home.discRows(), QStringList { QStringLiteral(" 9 |别人的|DVD |-|-|-") });
    disc.diskNum = QStringLiteral("90");
    EXPECT_TRUE(catalogueOf(home).addDisc(disc, &error)) << error.toStdString();
    EXPECT_EQ(home.discRows().size(), 2);
}

TEST(CatalogueDiscDeletion, DeletesExactlyTheMoviesItsNodeLists)
{
    TestHome home;
    for (const char* number : { "12", "120", "012", "A1", "12.5" })
        home.addDisc(QString::fromLatin1(number));
    home.addMovie(1, QStringLiteral("十二甲"), 12);
    home.addMovie(2, QStringLiteral("一二零"), 120);
    home.addMovie(3, QStringLiteral("十二乙"), 12);
    home.addMovie(4, QStringLiteral("半"), 12.5);
    home.addMovie(5, QStringLiteral("无碟"), 9);
    home.exec(QStringLiteral("INSERT INTO ReelShelfIndex (ID, MovieName, DiskNum) VALUES "
                             "(6, 'text', ' 12 '), (7, 'letters', 'A1'), (8, 'garbled', '12abc'), "
                             "(9, 'none', NULL), (10, 'hair', 12.000000000000002)"));
    const QList<std::pair<QString, QList<double>>> expected = {
        { QStringLiteral("012"), {} },
        { QStringLiteral("12"), { 1, 3, 6, 10 } },
        { QStringLiteral("A1"), { 7 } },
        { QStringLiteral("120"), { 2 } },
        { QStringLiteral("12.5"), { 4 } },
    };
    for (const auto& [number, ids] : expected) {
        QString error;
        const auto listing
            = MovieList::listForNode(catalogueOf(home), DiscTree::discPrefix + number, 0, 0, &error);
        ASSERT_TRUE(listing) << error.toStdString();
        QList<double> listed;
        for (const MovieRow& row : listing->rows)
            listed << row[ListCol::ID].toDouble();
        EXPECT_EQ(listed, ids) << number.toStdString();

        QList<double> gone = home.movieIds();
        qint64 deleted = -1;
        const DiscOutcome outcome = catalogueOf(home).deleteDiscWithMovies(number, &deleted);
        ASSERT_TRUE(outcome.ok()) << outcome.error.toStdString();
        EXPECT_EQ(deleted, ids.size()) << number.toStdString();
        for (double id : home.movieIds())
            gone.removeOne(id);
        EXPECT_EQ(gone, ids) << number.toStdString();
    }
    EXPECT_TRUE(home.discRows().isEmpty());
    EXPECT_EQ(home.movieIds(), (QList<double> { 5, 8, 9 })) << "movies of no disc stay";
}

TEST(CatalogueDiscDeletion, OfTwoDiscsWithOneNumberOnlyTheFirstGoes)
{
    TestHome home;
    home.addDisc(QStringLiteral("3"), QStringLiteral("first"));
    home.addDisc(QStringLiteral("3 "), QStringLiteral("second"));
    ASSERT_TRUE(catalogueOf(home).deleteDiscWithMovies(QStringLiteral("3")).ok());
    EXPECT_EQ(home.discRows(), QStringList { QStringLiteral("3 |second|DVD |-|-|-") });
}

TEST(CatalogueDiscDeletion, AFailureLeavesTheDiscAndAllItsMovies)
{
    TestHome home;
    home.addDisc(QStringLiteral("12"));
    home.addMovie(1, QStringLiteral("a"), 12);
    home.addMovie(2, QStringLiteral("b"), 12);
    // The disc record refuses to go after its movies have been deleted.
    home.exec(QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON DiskState BEGIN "
                             "SELECT RAISE(ABORT, 'kept by a trigger'); END"));
    const DiscOutcome outcome = catalogueOf(home).deleteDiscWithMovies(QStringLiteral("12"));
    EXPECT_EQ(outcome.status, DiscOutcome::Failed);
    EXPECT_TRUE(outcome.error.startsWith(QStringLiteral("删除碟12时出错，光盘和影片记录都没有删除：")))
        << outcome.error.toStdString();
    EXPECT_TRUE(outcome.error.contains(QStringLiteral("kept by a trigger"))) << outcome.error.toStdString();
    EXPECT_EQ(home.movieIds(), (QList<double> { 1, 2 }));
    EXPECT_EQ(home.discRows().size(), 1);
}

TEST(CatalogueDiscDeletion, ALockedCatalogueIsReportedAndKeepsEverything)
{
    TestHome home;
    home.addDisc(QStringLiteral("12"));
    home.addMovie(1, QStringLiteral("a"), 12);
    const QString other = QStringLiteral("other-program");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), other);
        db.setDatabaseName(home.folder().catalogueFile());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        const DiscOutcome outcome = catalogueOf(home).deleteDiscWithMovies(QStringLiteral("12"));
        EXPECT_EQ(outcome.status, DiscOutcome::Failed);
        EXPECT_TRUE(outcome.error.contains(QStringLiteral("锁定"))) << outcome.error.toStdString();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(other);
    EXPECT_EQ(home.discRows().size(), 1);
    EXPECT_EQ(home.movieIds(), QList<double> { 1 });
}
