#include "browse/disctree.h"
#include "browse/movielisting.h"
#include "store/catalogue.h"
#include "testsupport.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <gtest/gtest.h>

namespace {

// Each disc as "number|name|kind|condition|notes|favourite", a null shown as "-".
QStringList discRows(const TestHome& home)
{
    QStringList out;
    const auto discs = Catalogue(home.folder().catalogueFile()).discs();
    if (!discs)
        return { QStringLiteral("unreadable") };
    for (const DiscRecord& d : *discs) {
        QStringList cells;
        for (const QVariant& v : { d.diskNum, d.name, d.diskType, d.station, d.ps, d.fav })
            cells << (v.isNull() ? QStringLiteral("-") : v.toString());
        out << cells.join(u'|');
    }
    return out;
}

QList<double> movieIds(const TestHome& home)
{
    QList<double> ids;
    Catalogue(home.folder().catalogueFile()).forEachMovie([&](const MovieRecord& m) {
        ids << m[MovieField::ID].toDouble();
        return true;
    });
    return ids;
}

// Holds the catalogue's write lock, as another program in the middle of a change would.
class OtherProgram
{
public:
    explicit OtherProgram(const QString& path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        db.open();
        QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE"));
    }
    ~OtherProgram()
    {
        QSqlQuery(QSqlDatabase::database(name_)).exec(QStringLiteral("ROLLBACK"));
        QSqlDatabase::database(name_).close();
        QSqlDatabase::removeDatabase(name_);
    }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

private:
    QString name_ = QStringLiteral("other-program");
};

class CatalogueDiscs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home_.addDisc(QStringLiteral("12"), QStringLiteral("动作片 "), QStringLiteral("DVD "));
        home_.addDisc(QStringLiteral(" 7 "), {}, QStringLiteral("VCD "), QStringLiteral("外借"),
            QStringLiteral("旧的备注 "), QStringLiteral("Yes"));
    }
    Catalogue catalogue() const { return Catalogue(home_.folder().catalogueFile()); }

    TestHome home_;
};

} // namespace

TEST_F(CatalogueDiscs, FindsTheDiscByItsTrimmedNumber)
{
    DiscRecord d;
    ASSERT_TRUE(catalogue().findDisc(QStringLiteral("7"), &d).ok());
    EXPECT_EQ(d.diskNum.toString(), QStringLiteral(" 7 ")) << "the record comes as stored";
    EXPECT_TRUE(catalogue().findDisc(QStringLiteral(" 7")).ok());

    for (const QString& absent : { QStringLiteral("120"), QStringLiteral("1"), QString() }) {
        const DiscOutcome missing = catalogue().findDisc(absent);
        EXPECT_EQ(missing.status, DiscOutcome::NoSuchDisc) << absent.toStdString();
        EXPECT_EQ(missing.error, Catalogue::missingDiscMessage(absent));
    }
    EXPECT_EQ(Catalogue::missingDiscMessage(QStringLiteral("9")),
        QStringLiteral("光盘号为9的光盘已不在目录中（可能已被其他程序删除），没有做任何改动。"));
}

TEST_F(CatalogueDiscs, UpdateAssignsOnlyTheGivenFields)
{
    DiscDetails details;
    details.diskType = QStringLiteral("DVD");
    details.station = QStringLiteral("破损");
    ASSERT_TRUE(catalogue().updateDisc(QStringLiteral("7"), details).ok());
    EXPECT_EQ(discRows(home_),
        (QStringList {
            QStringLiteral("12|动作片 |DVD |-|-|-"), QStringLiteral(" 7 |-|DVD|破损|旧的备注 |Yes") }));

    details = {};
    details.name = QStringLiteral(" 剧集");
    details.ps = QStringLiteral("借给小王");
    ASSERT_TRUE(catalogue().updateDisc(QStringLiteral("12"), details).ok());
    EXPECT_EQ(discRows(home_).at(0), QStringLiteral("12| 剧集|DVD |-|借给小王|-"));

    const QStringList before = discRows(home_);
    EXPECT_EQ(catalogue().updateDisc(QStringLiteral("120"), details).status, DiscOutcome::NoSuchDisc);
    EXPECT_TRUE(catalogue().updateDisc(QStringLiteral("12"), DiscDetails {}).ok());
    EXPECT_EQ(discRows(home_), before);
}

TEST_F(CatalogueDiscs, FavouriteMarkIsYesAndThenNo)
{
    ASSERT_TRUE(catalogue().setFavourite(QStringLiteral("12"), true).ok());
    ASSERT_TRUE(catalogue().setFavourite(QStringLiteral("12"), true).ok());
    EXPECT_TRUE(discRows(home_).at(0).endsWith(QStringLiteral("|Yes")));
    ASSERT_TRUE(catalogue().setFavourite(QStringLiteral("7"), false).ok());
    EXPECT_TRUE(discRows(home_).at(1).endsWith(QStringLiteral("|No")));
    EXPECT_EQ(catalogue().setFavourite(QStringLiteral("3"), true).status, DiscOutcome::NoSuchDisc);
    EXPECT_EQ(discRows(home_).size(), 2);
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
    const Catalogue c(home.folder().catalogueFile());

    const QList<std::pair<QString, QList<double>>> expected = {
        { QStringLiteral("012"), {} },
        { QStringLiteral("12"), { 1, 3, 6, 10 } },
        { QStringLiteral("A1"), { 7 } },
        { QStringLiteral("120"), { 2 } },
        { QStringLiteral("12.5"), { 4 } },
    };
    for (const auto& [number, ids] : expected) {
        QString error;
        const auto listing = MovieList::listForNode(c, DiscTree::discPrefix + number, 0, 0, &error);
        ASSERT_TRUE(listing) << error.toStdString();
        QList<double> listed;
        for (const MovieRow& row : listing->rows)
            listed << row[ListCol::ID].toDouble();
        EXPECT_EQ(listed, ids) << number.toStdString();

        const QList<double> before = movieIds(home);
        qint64 deleted = -1;
        const DiscOutcome outcome = Catalogue(c).deleteDiscWithMovies(number, &deleted);
        ASSERT_TRUE(outcome.ok()) << outcome.error.toStdString();
        EXPECT_EQ(deleted, ids.size()) << number.toStdString();
        QList<double> gone = before;
        for (double id : movieIds(home))
            gone.removeOne(id);
        EXPECT_EQ(gone, ids) << number.toStdString();
    }
    EXPECT_TRUE(discRows(home).isEmpty());
    EXPECT_EQ(movieIds(home), (QList<double> { 5, 8, 9 })) << "movies of no disc stay";
}

TEST(CatalogueDiscDeletion, DeletesOnlyTheFirstOfTwoDiscsWithOneNumber)
{
    TestHome home;
    home.addDisc(QStringLiteral("3"), QStringLiteral("first"));
    home.addDisc(QStringLiteral("3 "), QStringLiteral("second"));
    home.addMovie(1, QStringLiteral("a"), 3);
    ASSERT_TRUE(Catalogue(home.folder().catalogueFile()).deleteDiscWithMovies(QStringLiteral("3")).ok());
    EXPECT_EQ(discRows(home), QStringList { QStringLiteral("3 |second|DVD |-|-|-") });
    EXPECT_TRUE(movieIds(home).isEmpty());
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
    const DiscOutcome outcome
        = Catalogue(home.folder().catalogueFile()).deleteDiscWithMovies(QStringLiteral("12"));
    EXPECT_EQ(outcome.status, DiscOutcome::Failed);
    EXPECT_TRUE(outcome.error.startsWith(QStringLiteral("删除碟12时出错，光盘和影片记录都没有删除：")))
        << outcome.error.toStdString();
    EXPECT_TRUE(outcome.error.contains(QStringLiteral("kept by a trigger"))) << outcome.error.toStdString();
    EXPECT_EQ(movieIds(home), (QList<double> { 1, 2 }));
    EXPECT_EQ(discRows(home).size(), 1);
}

TEST(CatalogueDiscDeletion, AMissingDiscDeletesNoMovies)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addMovie(1, QStringLiteral("a"), 7);
    const DiscOutcome outcome
        = Catalogue(home.folder().catalogueFile()).deleteDiscWithMovies(QStringLiteral("7"));
    EXPECT_EQ(outcome.status, DiscOutcome::NoSuchDisc);
    EXPECT_EQ(outcome.error, Catalogue::missingDiscMessage(QStringLiteral("7")));
    EXPECT_EQ(movieIds(home), QList<double> { 1 });
}

TEST(CatalogueDiscFailures, LockedOrMissingCatalogueChangesNothing)
{
    TestHome home;
    home.addDisc(QStringLiteral("12"));
    home.addMovie(1, QStringLiteral("a"), 12);
    const QString path = home.folder().catalogueFile();
    {
        OtherProgram other(path);
        const DiscOutcome deleted = Catalogue(path).deleteDiscWithMovies(QStringLiteral("12"));
        EXPECT_EQ(deleted.status, DiscOutcome::Failed);
        EXPECT_TRUE(deleted.error.contains(QStringLiteral("锁定"))) << deleted.error.toStdString();
        const DiscOutcome marked = Catalogue(path).setFavourite(QStringLiteral("12"), true);
        EXPECT_EQ(marked.status, DiscOutcome::Failed);
        EXPECT_TRUE(marked.error.contains(QStringLiteral("锁定"))) << marked.error.toStdString();
    }
    EXPECT_EQ(discRows(home), QStringList { QStringLiteral("12|-|DVD |-|-|-") });
    EXPECT_EQ(movieIds(home), QList<double> { 1 });

    const Catalogue gone(home.path() + QStringLiteral("/nowhere.db"));
    for (const DiscOutcome& outcome :
        { gone.findDisc(QStringLiteral("12")), Catalogue(gone).updateDisc(QStringLiteral("12"), {}),
            Catalogue(gone).deleteDiscWithMovies(QStringLiteral("12")) }) {
        EXPECT_EQ(outcome.status, DiscOutcome::Failed);
        EXPECT_TRUE(outcome.error.contains(QStringLiteral("找不到目录数据库文件")))
            << outcome.error.toStdString();
    }
}
