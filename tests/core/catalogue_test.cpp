#include "diskconditions.h"
#include "store/catalogue.h"
#include "store/cataloguestamp.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// The schema as the catalogue format defines it, written out here on its own.
const QString handMadeSchema[] = {
    QStringLiteral(
        "CREATE TABLE DiskState (DiskNum TEXT, Name TEXT, DiskType TEXT, Station TEXT, PS TEXT, Fav TEXT)"),
    QStringLiteral(
        "CREATE TABLE ReelShelfIndex (ID REAL, MovieName TEXT, Year TEXT, Filetype TEXT, Type TEXT,"
        " Audio TEXT, SubTitile TEXT, Definition TEXT, MovieSize TEXT, FileNum TEXT, EngName TEXT,"
        " Direct TEXT, Role TEXT, Company TEXT, Lastfor REAL, PS TEXT, Nation TEXT, DiskNum REAL,"
        " Score REAL, Seen TEXT)"),
    QStringLiteral("CREATE UNIQUE INDEX ID ON ReelShelfIndex(ID)"),
    QStringLiteral("CREATE TABLE MovieFileType (Filetype TEXT, Selected TEXT, Memo TEXT)"),
};

MovieRecord movie(double id, const QString& title, double disc)
{
    MovieRecord m;
    m[MovieField::ID] = id;
    m[MovieField::MovieName] = title;
    m[MovieField::DiskNum] = disc;
    return m;
}

class CatalogueTest : public ::testing::Test
{
protected:
    QString file() const { return dir_.filePath(QStringLiteral("ShelfIndex.db")); }
    // The definitions and every row of the catalogue's own tables and index, as another reader sees them.
    QStringList catalogueTables() const
    {
        RawDb raw(file());
        QStringList out = raw.rows(QStringLiteral(
            "SELECT type, name, sql FROM sqlite_master WHERE name NOT LIKE 'Shelf%' ORDER BY name"));
        for (const char* table : { "DiskState", "ReelShelfIndex", "MovieFileType" })
            out += raw.rows(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(QLatin1String(table)));
        return out;
    }
    QTemporaryDir dir_;
};

} // namespace

TEST_F(CatalogueTest, FreshFileHasTheThreeTables)
{
    QString error;
    ASSERT_TRUE(Catalogue(file()).prepare(&error)) << error.toStdString();
    RawDb raw(file());
    const auto columns = [&](const QString& table) {
        QStringList out;
        for (const QString& row : raw.rows(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
            out << row.section(u'|', 1, 2);
        return out.join(u',');
    };
    EXPECT_EQ(columns(QStringLiteral("DiskState")),
        QStringLiteral("DiskNum|TEXT,Name|TEXT,DiskType|TEXT,Station|TEXT,PS|TEXT,Fav|TEXT"));
    EXPECT_EQ(columns(QStringLiteral("ReelShelfIndex")),
        QStringLiteral("ID|REAL,MovieName|TEXT,Year|TEXT,Filetype|TEXT,Type|TEXT,Audio|TEXT,SubTitile|TEXT,"
                       "Definition|TEXT,MovieSize|TEXT,FileNum|TEXT,EngName|TEXT,Direct|TEXT,Role|TEXT,"
                       "Company|TEXT,Lastfor|REAL,PS|TEXT,Nation|TEXT,DiskNum|REAL,Score|REAL,Seen|TEXT"));
    EXPECT_EQ(
        columns(QStringLiteral("MovieFileType")), QStringLiteral("Filetype|TEXT,Selected|TEXT,Memo|TEXT"));
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT name, tbl_name FROM sqlite_master WHERE type = 'index' "
                                      "AND tbl_name NOT LIKE 'Shelf%'")),
        QStringList { QStringLiteral("ID|ReelShelfIndex") });
    EXPECT_EQ(raw.rows(QStringLiteral("PRAGMA index_list(ReelShelfIndex)")).value(0).section(u'|', 1, 2),
        QStringLiteral("ID|1"));

    const auto types = Catalogue(file()).fileTypes(&error);
    ASSERT_TRUE(types) << error.toStdString();
    QStringList got;
    for (const FileTypeRecord& t : *types) {
        got << t.filetype.toString() + u'=' + t.selected.toString();
        EXPECT_FALSE(t.memo.toString().trimmed().isEmpty()) << t.filetype.toString().toStdString();
    }
    EXPECT_EQ(got.join(u' '),
        QStringLiteral("avi=Yes rmvb=Yes rm=Yes mkv=Yes mp4=Yes mpg=Yes ts=Yes wmv=Yes "
                       "mov=No flv=No vob=No"));
    // The disc and movie tables start empty.
    EXPECT_EQ(Catalogue(file()).movieCount(), 0);
    EXPECT_TRUE(Catalogue(file()).discs()->isEmpty());
}

TEST_F(CatalogueTest, HandMadeCatalogueOpensUnchanged)
{
    {
        RawDb raw(file());
        for (const QString& sql : handMadeSchema)
            raw.exec(sql);
        raw.exec(QStringLiteral("INSERT INTO DiskState VALUES ('12', '动作片', 'DVD ', NULL, NULL, 'Yes')"));
        raw.exec(QStringLiteral(
            "INSERT INTO ReelShelfIndex (ID, MovieName, DiskNum, Score) VALUES (1, '英雄', 12, 7.5)"));
    }
    const QStringList before = catalogueTables();
    QString error;
    ASSERT_TRUE(Catalogue(file()).prepare(&error)) << error.toStdString();
    EXPECT_EQ(catalogueTables(), before);
    // Our own tables come beside them, empty; a second start writes nothing more.
    RawDb raw(file());
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT count(*) FROM ShelfMovieFiles")),
        QStringList { QStringLiteral("0") });
    EXPECT_EQ(
        raw.rows(QStringLiteral("SELECT count(*) FROM ShelfDiscMedia")), QStringList { QStringLiteral("0") });
    const QByteArray prepared = readBytes(file());
    ASSERT_TRUE(Catalogue(file()).prepare(&error)) << error.toStdString();
    EXPECT_EQ(readBytes(file()), prepared);

    const auto discs = Catalogue(file()).discs(&error);
    ASSERT_TRUE(discs) << error.toStdString();
    ASSERT_EQ(discs->size(), 1);
    EXPECT_EQ(discs->at(0).name.toString(), QStringLiteral("动作片"));
    const auto m = Catalogue(file()).findMovie(1, &error);
    ASSERT_TRUE(m) << error.toStdString();
    EXPECT_EQ((*m)[MovieField::Score].toDouble(), 7.5);
    // A file-type table that exists, even empty, is the user's and gets no rows from us.
    EXPECT_TRUE(Catalogue(file()).fileTypes()->isEmpty());
}

TEST_F(CatalogueTest, TableNamesMatchInAnyLetterCase)
{
    // SQLite itself treats table names without regard to case; so does the check of a catalogue.
    {
        RawDb raw(file());
        for (QString sql : handMadeSchema)
            raw.exec(
                sql.replace(QStringLiteral("DiskState"), QStringLiteral("diskstate"))
                    .replace(QStringLiteral("TABLE ReelShelfIndex"), QStringLiteral("TABLE REELSHELFINDEX")));
        raw.exec(QStringLiteral("INSERT INTO diskstate (DiskNum) VALUES ('5')"));
    }
    const QStringList before = catalogueTables();
    QString error;
    ASSERT_TRUE(Catalogue(file()).prepare(&error)) << error.toStdString();
    EXPECT_EQ(catalogueTables(), before);
    EXPECT_EQ(Catalogue(file()).discs()->value(0).diskNum.toString(), QStringLiteral("5"));
}

TEST_F(CatalogueTest, MissingTableAndIndexAreAddedWithoutLosingRows)
{
    {
        RawDb raw(file());
        raw.exec(handMadeSchema[0]);
        raw.exec(handMadeSchema[1]);
        raw.exec(QStringLiteral("INSERT INTO DiskState (DiskNum) VALUES ('1')"));
        raw.exec(QStringLiteral("INSERT INTO ReelShelfIndex (ID, MovieName, DiskNum) VALUES (1, 'a', 1)"));
        raw.exec(QStringLiteral("INSERT INTO ReelShelfIndex (ID, MovieName, DiskNum) VALUES (2, 'b', 1)"));
    }
    QString error;
    ASSERT_TRUE(Catalogue(file()).prepare(&error)) << error.toStdString();
    RawDb raw(file());
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT MovieName FROM ReelShelfIndex ORDER BY rowid")),
        (QStringList { QStringLiteral("a"), QStringLiteral("b") }));
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT DiskNum FROM DiskState")), QStringList { QStringLiteral("1") });
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='index' AND name='ID'")),
        QStringList { QStringLiteral("1") });
    EXPECT_FALSE(Catalogue(file()).fileTypes()->isEmpty());
}

TEST_F(CatalogueTest, TextFileIsRefusedAndLeftAlone)
{
    const QByteArray text = "这不是数据库\nDiskNum=12\n";
    {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QString error;
    EXPECT_FALSE(Catalogue(file()).prepare(&error));
    EXPECT_TRUE(error.contains(file())) << error.toStdString();
    EXPECT_EQ(readBytes(file()), text);
    EXPECT_FALSE(QFile::exists(file() + QStringLiteral("-journal")));
}

TEST_F(CatalogueTest, DatabaseOfSomethingElseIsRefusedAndLeftAlone)
{
    {
        RawDb raw(file());
        raw.exec(QStringLiteral("CREATE TABLE Invoices (No INTEGER, Amount REAL)"));
        raw.exec(QStringLiteral("INSERT INTO Invoices VALUES (1, 9.5)"));
    }
    const QByteArray before = readBytes(file());
    QString error;
    EXPECT_FALSE(Catalogue(file()).prepare(&error));
    EXPECT_TRUE(error.contains(file())) << error.toStdString();
    EXPECT_EQ(readBytes(file()), before);
}

TEST_F(CatalogueTest, TableMissingAFieldIsRefusedAndLeftAlone)
{
    {
        RawDb raw(file());
        raw.exec(handMadeSchema[0]);
        raw.exec(
            QStringLiteral("CREATE TABLE ReelShelfIndex (ID REAL, MovieName TEXT, Year TEXT, Filetype TEXT,"
                           " Type TEXT, Audio TEXT, SubTitile TEXT, Definition TEXT, MovieSize TEXT,"
                           " FileNum TEXT, EngName TEXT, Direct TEXT, Role TEXT, Company TEXT, Lastfor REAL,"
                           " PS TEXT, Nation TEXT, DiskNum REAL, Seen TEXT)"));
    }
    const QByteArray before = readBytes(file());
    QString error;
    EXPECT_FALSE(Catalogue(file()).prepare(&error));
    EXPECT_TRUE(error.contains(file())) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("ReelShelfIndex"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("Score"))) << error.toStdString();
    EXPECT_EQ(readBytes(file()), before);
}

TEST_F(CatalogueTest, MissingFileWhereNoneCanBeMadeIsRefused)
{
    {
        QFile f(dir_.filePath(QStringLiteral("plain")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString path = dir_.filePath(QStringLiteral("plain/ShelfIndex.db"));
    QString error;
    EXPECT_FALSE(Catalogue(path).prepare(&error));
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(CatalogueTest, MissingFileInReadOnlyFolderIsRefused)
{
    QString error;
    const QString ro = dir_.filePath(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkpath(ro));
    const WriteProtected protect(ro);
    if (!protect.active())
        GTEST_SKIP() << "this file system cannot refuse writes to this user";
    EXPECT_FALSE(Catalogue(ro + QStringLiteral("/ShelfIndex.db")).prepare(&error));
    EXPECT_TRUE(error.contains(ro + QStringLiteral("/ShelfIndex.db"))) << error.toStdString();
    EXPECT_FALSE(QFile::exists(ro + QStringLiteral("/ShelfIndex.db")));
}

TEST_F(CatalogueTest, PipeOrDeviceUnderTheCataloguesNameIsRefusedAtOnce)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(file()).constData(), 0644), 0);
    QString error;
    EXPECT_FALSE(Catalogue(file()).prepare(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("不是普通文件"))) << error.toStdString();
    EXPECT_TRUE(error.contains(file()));
    EXPECT_FALSE(QFileInfo(file()).isFile());
}

TEST_F(CatalogueTest, LockedCatalogueGivesAMessage)
{
    QString error;
    ASSERT_TRUE(Catalogue(file()).prepare(&error)) << error.toStdString();
    ASSERT_TRUE(
        Catalogue(file()).addDisc({ QStringLiteral("1"), {}, QStringLiteral("DVD "), {}, {}, {} }, &error));
    RawDb other(file());
    other.exec(QStringLiteral("BEGIN EXCLUSIVE"));

    error.clear();
    EXPECT_FALSE(Catalogue(file()).prepare(&error));
    EXPECT_TRUE(error.contains(file())) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("锁定"))) << error.toStdString();

    error.clear();
    EXPECT_FALSE(Catalogue(file()).addMovie(movie(1, QStringLiteral("a"), 1), &error));
    EXPECT_FALSE(error.isEmpty());

    other.exec(QStringLiteral("ROLLBACK"));
    EXPECT_TRUE(Catalogue(file()).prepare(&error)) << error.toStdString();
    EXPECT_EQ(Catalogue(file()).discs()->size(), 1);
}

TEST(CatalogueIds, NextMovieIdIsTheHighestPlusOne)
{
    TestHome home;
    const Catalogue c(home.folder().catalogueFile());
    EXPECT_EQ(c.nextMovieId(), 1.0);
    home.addMovie(1, QStringLiteral("a"), 1);
    home.addMovie(7, QStringLiteral("c"), 1);
    home.addMovie(2, QStringLiteral("b"), 1);
    EXPECT_EQ(c.nextMovieId(), 8.0);
    home.addMovie(8, QStringLiteral("d"), 1);
    EXPECT_EQ(c.nextMovieId(), 9.0);
    home.exec(QStringLiteral("DELETE FROM ReelShelfIndex WHERE ID = 8"));
    EXPECT_EQ(c.nextMovieId(), 8.0);
    // An ID that is no number counts as 0, a null ID not at all.
    home.exec(QStringLiteral("INSERT INTO ReelShelfIndex (ID, MovieName) VALUES ('abc', 'x'), (NULL, 'y')"));
    EXPECT_EQ(c.nextMovieId(), 8.0);
}

TEST(CatalogueIds, NumbersThatAreNotFiniteNeverBecomeTheHighest)
{
    // Another tool stored an overflowing number, as text and as a real infinity.
    TestHome home;
    home.addMovie(3, QStringLiteral("a"), 1);
    home.exec(
        QStringLiteral("INSERT INTO ReelShelfIndex (ID, MovieName) VALUES ('1e999年', 'x'), (9e999, 'y')"));
    Catalogue c(home.folder().catalogueFile());
    EXPECT_EQ(c.nextMovieId(), 4.0);
    MovieRecord m;
    m[MovieField::ID] = *c.nextMovieId();
    ASSERT_TRUE(c.addMovie(m));
    EXPECT_EQ(c.nextMovieId(), 5.0) << "later adds keep working";
}

TEST(CatalogueOrder, RecordsComeInStoredOrder)
{
    TestHome home;
    for (const char* n : { "3", "1", "20", "2" })
        home.addDisc(QString::fromLatin1(n));
    home.addMovie(5, QStringLiteral("e"), 1);
    home.addMovie(1, QStringLiteral("a"), 1);
    home.addMovie(3, QStringLiteral("c"), 1);
    const Catalogue c(home.folder().catalogueFile());

    QStringList discs;
    const auto stored = c.discs();
    ASSERT_TRUE(stored);
    for (const DiscRecord& d : *stored)
        discs << d.diskNum.toString();
    EXPECT_EQ(discs.join(u' '), QStringLiteral("3 1 20 2"));

    QStringList titles;
    ASSERT_TRUE(c.forEachMovie([&](const MovieRecord& m) {
        titles << m[MovieField::MovieName].toString();
        return true;
    }));
    EXPECT_EQ(titles.join(u' '), QStringLiteral("e a c"));

    int visited = 0;
    ASSERT_TRUE(c.forEachMovie([&](const MovieRecord&) { return ++visited < 2; }));
    EXPECT_EQ(visited, 2);
}

TEST(CatalogueValues, StoredFormsAndNullsComeBackAsTheyAre)
{
    TestHome home;
    home.addDisc(QStringLiteral("12"), {}, QStringLiteral("DVD "), {}, {}, QStringLiteral("yes"));
    MovieRecord extra;
    extra[MovieField::Year] = QStringLiteral("2007 ");
    extra[MovieField::Lastfor] = 95.0;
    extra[MovieField::Seen] = QStringLiteral("no");
    home.addMovie(4, QStringLiteral(" 英雄 "), 12, extra);
    const Catalogue c(home.folder().catalogueFile());

    const DiscRecord d = c.discs()->value(0);
    EXPECT_EQ(d.diskNum.toString(), QStringLiteral("12"));
    EXPECT_TRUE(d.name.isNull());
    EXPECT_EQ(d.diskType.toString(), QStringLiteral("DVD "));
    EXPECT_TRUE(d.station.isNull());
    EXPECT_TRUE(d.ps.isNull());
    EXPECT_EQ(d.fav.toString(), QStringLiteral("yes"));

    QString error;
    const auto m = c.findMovie(4, &error);
    ASSERT_TRUE(m) << error.toStdString();
    EXPECT_EQ((*m)[MovieField::MovieName].toString(), QStringLiteral(" 英雄 "));
    EXPECT_EQ((*m)[MovieField::Year].toString(), QStringLiteral("2007 "));
    EXPECT_EQ((*m)[MovieField::Lastfor].toDouble(), 95.0);
    EXPECT_EQ((*m)[MovieField::DiskNum].toDouble(), 12.0);
    EXPECT_EQ((*m)[MovieField::Seen].toString(), QStringLiteral("no"));
    for (MovieField f :
        { MovieField::Filetype, MovieField::Type, MovieField::Company, MovieField::Score, MovieField::PS })
        EXPECT_TRUE((*m)[f].isNull()) << movieFieldName(f).toStdString();

    EXPECT_FALSE(c.findMovie(99, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(CatalogueWrites, DiscsAndMoviesAreAddedAllOrNothing)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addMovie(1, QStringLiteral("a"), 1);
    Catalogue c(home.folder().catalogueFile());

    QString error;
    const DiscRecord disc { QStringLiteral("2"), QStringLiteral("新碟"), QStringLiteral("DVD "), {}, {}, {} };
    // The second movie repeats an ID, which the unique index refuses.
    EXPECT_FALSE(c.addDiscsAndMovies(
        { disc }, { movie(2, QStringLiteral("b"), 2), movie(1, QStringLiteral("dup"), 2) }, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(c.discs()->size(), 1);
    EXPECT_EQ(c.movieCount(), 1);

    EXPECT_TRUE(c.addDiscsAndMovies(
        { disc }, { movie(2, QStringLiteral("b"), 2), movie(3, QStringLiteral("c"), 2) }, &error))
        << error.toStdString();
    EXPECT_EQ(c.discs()->size(), 2);
    EXPECT_EQ(c.movieCount(), 3);
}

TEST(CatalogueWrites, UpdateAndDeleteSeekTheMovieByItsNumber)
{
    TestHome home;
    MovieRecord extra;
    extra[MovieField::Year] = QStringLiteral("2002 ");
    home.addMovie(1, QStringLiteral("英雄"), 12, extra);
    home.addMovie(7, QStringLiteral("Alpha"), 3);
    Catalogue c(home.folder().catalogueFile());

    ASSERT_TRUE(
        c.updateMovie(7, { { MovieField::MovieName, QStringLiteral("Beta") }, { MovieField::Seen, {} } }));
    auto moved = c.findMovie(7);
    ASSERT_TRUE(moved);
    EXPECT_EQ((*moved)[MovieField::MovieName].toString(), QStringLiteral("Beta"));
    EXPECT_TRUE((*moved)[MovieField::Seen].isNull());
    EXPECT_EQ((*moved)[MovieField::DiskNum].toDouble(), 3.0) << "fields not named stay";
    EXPECT_EQ(c.findMovie(1).value()[MovieField::Year].toString(), QStringLiteral("2002 "));

    QString error;
    EXPECT_FALSE(c.updateMovie(8, { { MovieField::MovieName, QStringLiteral("x") } }, &error));
    EXPECT_EQ(error, QStringLiteral("找不到编号为 8 的影片记录。"));

    EXPECT_EQ(c.nextMovieId(), 8.0);
    ASSERT_TRUE(c.deleteMovie(7));
    EXPECT_FALSE(c.findMovie(7));
    EXPECT_EQ(c.nextMovieId(), 2.0) << "a deleted highest number is given out again";
    EXPECT_FALSE(c.deleteMovie(7, &error));
    EXPECT_EQ(c.movieCount(), 1);
}

// Another program that keeps a catalogue in write-ahead-log mode open reuses its log from the
// start: same size, and the file times may not tell two writes apart. The stamp still does.
TEST(CatalogueStampTest, AWriteThroughAReusedLogIsSeenWhenTheTimesDoNotShowIt)
{
    TestHome home;
    home.addDisc(1, QStringLiteral("甲"));
    const QString file = home.folder().catalogueFile();
    const QString log = file + QStringLiteral("-wal");
    RawDb other(file);
    other.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    const auto write = [&](const QString& name) {
        other.exec(QStringLiteral("UPDATE DiskState SET Name = '%1'").arg(name));
        other.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
    };
    write(QStringLiteral("乙"));
    const CatalogueStamp read = CatalogueStamp::of(file);
    write(QStringLiteral("丙"));
    for (const QString& path : { file, log }) {
        QFile touched(path);
        ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
        ASSERT_TRUE(
            touched.setFileTime(path == file ? read.file : read.log, QFileDevice::FileModificationTime));
    }
    const CatalogueStamp now = CatalogueStamp::of(file);
    ASSERT_EQ(now.size, read.size); // the log was reused, not grown
    EXPECT_FALSE(now == read);
}
