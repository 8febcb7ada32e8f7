#include "builtsource.h"
#include "diskconditions.h"
#include "legacy/legacyimport.h"
#include "legacyimportsupport.h"
#include "store/backups.h"
#include "store/catalogue.h"
#include "store/posterinstall.h"
#include "store/settings.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using LegacyImport::Mode;

namespace {

TEST(LegacyImport, ReplaceKeepsTextsNullsAndNumbersAsTheFileHadThem)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"), QStringLiteral("旧的 "));
    home.addMovie(1, QStringLiteral("旧影片 "), 1);
    BuiltSource source = BuiltSource::empty();
    // A Jet 3 catalogue's texts arrive decoded from its code page 936.
    QStringDecoder fromGbk("GB18030");
    const QString gbk = fromGbk(QByteArray("\xba\xda\xbf\xcd\xb5\xdb\xb9\xfa "));
    ASSERT_EQ(gbk, QStringLiteral("黑客帝国 "));
    source.disc({ QStringLiteral("7"), QStringLiteral("科幻 "), QStringLiteral("DVD "), QVariant(),
        QVariant(), QStringLiteral("Yes") });
    source.disc({ qint64(8), QVariant(), QVariant(), QVariant(), QVariant(), true });
    source.movie(qint64(3), gbk, 7.0,
        { { MovieField::Lastfor, 136.5 }, { MovieField::Score, qint64(8) }, { MovieField::Seen, false },
            { MovieField::Year, QStringLiteral("1999 ") }, { MovieField::PS, QStringLiteral("  两边 ") } });
    // A text in a number column stays text unless SQLite can read all of it as a number.
    source.movie(QStringLiteral("4a"), QStringLiteral("文字编号 "), QStringLiteral("8 "));
    source.fileType({ QStringLiteral("avi"), QStringLiteral("No"), QVariant() });

    QString error;
    const auto report = run(home, source, Mode::Replace, QString(), &error);
    ASSERT_TRUE(report) << error.toStdString();
    EXPECT_EQ(report->discs, 2);
    EXPECT_EQ(report->movies, 2);
    EXPECT_EQ(report->fileTypes, 1);

    RawDb db(home.folder().catalogueFile());
    EXPECT_EQ(db.rows(QStringLiteral(
                  "SELECT DiskNum, typeof(DiskNum), Name, Station, Fav FROM DiskState ORDER BY rowid")),
        QStringList(
            { QStringLiteral("7|text|科幻 |<null>|Yes"), QStringLiteral("8|text|<null>|<null>|Yes") }));
    EXPECT_EQ(
        db.rows(QStringLiteral("SELECT ID, typeof(ID), MovieName, Year, Lastfor, typeof(Score), Seen, PS, "
                               "DiskNum, typeof(DiskNum), Audio FROM ReelShelfIndex ORDER BY rowid")),
        QStringList({ QStringLiteral("3|real|黑客帝国 |1999 |136.5|real|no|  两边 |7|real|<null>"),
            QStringLiteral("4a|text|文字编号 |<null>|<null>|null|<null>|<null>|8|real|<null>") }));
    EXPECT_EQ(home.fileTypeRows(), QStringList({ QStringLiteral("avi|No") }));
    // The replaced catalogue is kept.
    const auto backups = CatalogueBackups(home.folder()).list();
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(backups.first().discs, 1);
    EXPECT_EQ(backups.first().movies, 1);
}

TEST(LegacyImport, ReplaceStopsWithNothingChangedWhenTheBackupFails)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addMovie(1, QStringLiteral("留下 "), 1);
    writeBytes(home.path() + QStringLiteral("/Backups"), "a file where the folder should be");
    BuiltSource source = BuiltSource::empty();
    source.disc({ QStringLiteral("9"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });

    QString error;
    EXPECT_FALSE(run(home, source, Mode::Replace, QString(), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("替换目录前未能备份当前目录，没有做任何改动。")))
        << error.toStdString();
    EXPECT_EQ(home.discRows().size(), 1);
    EXPECT_EQ(home.movieIds(), QList<double>({ 1 }));
}

TEST(LegacyImport, AFailedWriteLeavesRowsAndPicturesAsTheyWere)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addMovie(1, QStringLiteral("留下 "), 1);
    const QStringList typesBefore = home.fileTypeRows();
    OldFolder old;
    old.file(QStringLiteral("Posters/5.jpg"), "new poster");
    old.file(QStringLiteral("RSISet.ini"), "[ReelShelfIndex1.02]\r\nCustomdrive=G:\\\r\n");
    BuiltSource source = BuiltSource::empty();
    source.disc({ QStringLiteral("2"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });
    // Two movies with one number break the catalogue's unique index half-way.
    source.movie(5.0, QStringLiteral("甲 "), 2.0);
    source.movie(5.0, QStringLiteral("乙 "), 2.0);
    const QByteArray settingsBefore = readBytes(home.folder().settingsFile());

    QString error;
    EXPECT_FALSE(run(home, source, Mode::Replace, old.path(), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(home.discRows().size(), 1);
    EXPECT_EQ(home.movieIds(), QList<double>({ 1 }));
    EXPECT_EQ(home.fileTypeRows(), typesBefore);
    EXPECT_FALSE(QFileInfo::exists(home.folder().posterFor(QStringLiteral("5"))));
    EXPECT_EQ(readBytes(home.folder().settingsFile()), settingsBefore);
}

TEST(LegacyImport, AddRenumbersMoviesRenamesTheirPostersAndSkipsKnownDiscNumbers)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"), QStringLiteral("我们的 "));
    home.addMovie(5, QStringLiteral("我们的影片 "), 1);
    writeBytes(home.folder().posterFor(QStringLiteral("5")), "our poster 5");
    writeBytes(home.folder().posterFor(QStringLiteral("7")), "left over by a deleted movie");
    writeBytes(home.folder().logoFor(QStringLiteral("华纳")), "our logo");
    const QByteArray ourSettings = readBytes(home.folder().settingsFile());

    OldFolder old;
    old.file(QStringLiteral("Posters/1.jpg"), "their poster 1");
    old.file(QStringLiteral("Posters/2.jpg"), "their poster 2");
    old.file(QStringLiteral("Posters/3.jpg"), "their poster 3");
    old.file(QStringLiteral("Compics/华纳.jpg"), "their logo");
    old.file(QStringLiteral("Compics/派拉蒙.jpg"), "their other logo");
    old.file(QStringLiteral("RSISet.ini"), "[ReelShelfIndex1.02]\r\nCustomdrive=G:\\\r\n");
    BuiltSource source = BuiltSource::empty();
    source.disc(
        { QStringLiteral(" 1 "), QStringLiteral("他们的 "), QVariant(), QVariant(), QVariant(), QVariant() });
    source.disc(
        { QStringLiteral("2"), QStringLiteral("新的 "), QVariant(), QVariant(), QVariant(), QVariant() });
    source.movie(1.0, QStringLiteral("在已有光盘上 "), 1.0);
    source.movie(2.0, QStringLiteral("甲 "), 2.0);
    source.movie(3.0, QStringLiteral("乙 "), 2.0);

    QString error;
    const auto report = run(home, source, Mode::Add, old.path(), &error);
    ASSERT_TRUE(report) << error.toStdString();
    EXPECT_EQ(report->discs, 1);
    EXPECT_EQ(report->movies, 2);
    EXPECT_EQ(report->skippedDiscs, QStringList({ QStringLiteral("1") }));
    EXPECT_EQ(report->skippedMovies, 1);
    EXPECT_TRUE(report->warnings.isEmpty()) << report->warnings.join(u'\n').toStdString();

    EXPECT_EQ(home.movieIds(), QList<double>({ 5, 6, 7 }));
    EXPECT_EQ(home.discRows(),
        QStringList({ QStringLiteral("1|我们的 |DVD |-|-|-"), QStringLiteral("2|新的 |-|-|-|-") }));
    EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("5"))), QByteArray("our poster 5"));
    EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("6"))), QByteArray("their poster 2"));
    EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("7"))), QByteArray("their poster 3"));
    EXPECT_FALSE(QFileInfo::exists(home.folder().posterFor(QStringLiteral("8"))));
    EXPECT_EQ(readBytes(home.folder().logoFor(QStringLiteral("华纳"))), QByteArray("our logo"));
    EXPECT_EQ(readBytes(home.folder().logoFor(QStringLiteral("派拉蒙"))), QByteArray("their other logo"));
    EXPECT_EQ(readBytes(home.folder().settingsFile()), ourSettings);
    EXPECT_TRUE(CatalogueBackups(home.folder()).list().isEmpty());
    EXPECT_EQ(LegacyImport::reportText(*report),
        QStringLiteral("已从旧版数据库导入 1 张光盘、2 部影片。\n目录中已有光盘号 1，这些光盘及其中的 1 "
                       "部影片没有导入。"));
}

TEST(LegacyImport, AddMergesFileTypesWithoutDuplicates)
{
    TestHome home;
    const QStringList before = home.fileTypeRows();
    BuiltSource source = BuiltSource::empty();
    source.fileType({ QStringLiteral("AVI "), QStringLiteral("No"), QVariant() });
    source.fileType({ QStringLiteral("divx"), QStringLiteral("Yes"), QStringLiteral("DivX") });
    source.fileType({ QStringLiteral("DIVX"), QStringLiteral("No"), QVariant() });

    QString error;
    const auto report = run(home, source, Mode::Add, QString(), &error);
    ASSERT_TRUE(report) << error.toStdString();
    EXPECT_EQ(report->fileTypes, 1);
    EXPECT_EQ(home.fileTypeRows(), before + QStringList({ QStringLiteral("divx|Yes") }));
}

TEST(LegacyImport, ReplaceBringsPicturesAndTheWindowsSettingsFileByteForByte)
{
    TestHome home;
    writeBytes(home.folder().posterFor(QStringLiteral("1")), "poster of a replaced movie");
    OldFolder old;
    // GBK text and a drive setting written on Windows.
    const QByteArray ini("[ReelShelfIndex1.02]\r\nCustomdrive=G:\\\r\nName=\xd6\xd0\xce\xc4\r\n");
    old.file(QStringLiteral("RSISet.ini"), ini);
    old.file(QStringLiteral("Posters/1.jpg"), "their poster 1");
    old.file(QStringLiteral("Compics/华纳.jpg"), "their logo");
    BuiltSource source = BuiltSource::empty();
    source.movie(1.0, QStringLiteral("甲 "), QVariant());

    QString error;
    ASSERT_TRUE(run(home, source, Mode::Replace, old.path(), &error)) << error.toStdString();
    EXPECT_EQ(readBytes(home.folder().settingsFile()), ini);
    const Settings settings(home.folder().settingsFile());
    EXPECT_EQ(settings.text(Settings::mainSection(), QStringLiteral("Customdrive")), QStringLiteral("G:\\"));
    EXPECT_EQ(settings.text(Settings::mainSection(), QStringLiteral("Name")), QStringLiteral("中文"));
    EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("1"))), QByteArray("their poster 1"));
    EXPECT_EQ(readBytes(home.folder().logoFor(QStringLiteral("华纳"))), QByteArray("their logo"));

    // What was replaced is kept beside the catalogue's backup.
    const QString kept = home.path() + QStringLiteral("/Backups/Replaced-20261208-093000");
    EXPECT_EQ(readBytes(kept + QStringLiteral("/Posters/1.jpg")), QByteArray("poster of a replaced movie"));
    EXPECT_TRUE(QFileInfo(kept + QStringLiteral("/RSISet.ini")).isFile());
    EXPECT_FALSE(QFileInfo::exists(kept + QStringLiteral("/Compics")));
}

TEST(LegacyImport, MissingTablesAndFieldsAreNamedAndNothingIsWritten)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    BuiltSource source = BuiltSource::empty();
    source.tables.remove(QStringLiteral("MovieFileType"));
    source.tables[QStringLiteral("DiskState")].columns.removeAll(QStringLiteral("Fav"));
    source.tables[QStringLiteral("ReelShelfIndex")].columns.removeAll(QStringLiteral("SubTitile"));
    source.tables[QStringLiteral("ReelShelfIndex")].columns.removeAll(QStringLiteral("Seen"));

    QString error;
    EXPECT_FALSE(run(home, source, Mode::Replace, QString(), &error));
    EXPECT_EQ(error,
        QStringLiteral(
            "旧版数据库不完整，没有导入任何内容：\n缺少表：MovieFileType。\n表 DiskState 中缺少字段：Fav。\n"
            "表 ReelShelfIndex 中缺少字段：SubTitile、Seen。"));
    EXPECT_EQ(home.discRows().size(), 1);
    EXPECT_TRUE(CatalogueBackups(home.folder()).list().isEmpty());
}

TEST(LegacyImport, FieldNamesMatchInAnyLetterCase)
{
    TestHome home;
    BuiltSource source = BuiltSource::empty();
    auto& discs = source.tables[QStringLiteral("DiskState")];
    discs.columns = { "disknum", "NAME", "Extra", "DiskType", "Station", "PS", "fav" };
    discs.rows.append({ QStringLiteral("3"), QStringLiteral("名 "), QStringLiteral("ignored"), QVariant(),
        QVariant(), QVariant(), QStringLiteral("No") });
    QString error;
    ASSERT_TRUE(run(home, source, Mode::Add, QString(), &error)) << error.toStdString();
    EXPECT_EQ(home.discRows(), QStringList({ QStringLiteral("3|名 |-|-|-|No") }));
}

TEST(LegacyImport, FirstStartBuildsTheCatalogueWholeOrNotAtAll)
{
    QTemporaryDir dir;
    const DataFolder folder(dir.path());
    ASSERT_TRUE(installDefaults(folder, nullptr));
    BuiltSource source = BuiltSource::empty();
    source.disc({ QStringLiteral("1"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });
    source.movie(1.0, QStringLiteral("甲 "), 1.0);
    source.movie(1.0, QStringLiteral("重号 "), 1.0);
    QString error;
    EXPECT_FALSE(LegacyImport::importOnFirstStart(folder, source, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList({ QStringLiteral("ShelfIndex*") }, QDir::Files), QStringList());

    source.tables[QStringLiteral("ReelShelfIndex")].rows.removeLast();
    const auto report = LegacyImport::importOnFirstStart(folder, source, &error);
    ASSERT_TRUE(report) << error.toStdString();
    EXPECT_EQ(report->discs, 1);
    EXPECT_EQ(report->movies, 1);
    EXPECT_EQ(QDir(dir.path()).entryList({ QStringLiteral("ShelfIndex*") }, QDir::Files),
        QStringList({ QStringLiteral("ShelfIndex.db") }));
    RawDb db(folder.catalogueFile());
    EXPECT_EQ(db.rows(QStringLiteral("SELECT ID, MovieName FROM ReelShelfIndex")),
        QStringList({ QStringLiteral("1|甲 ") }));
}

} // namespace

namespace {

TEST(LegacyImport, APictureThatCannotBeCopiedIsAWarningAndTheRowsStay)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addMovie(5, QStringLiteral("我们的 "), 1);
    // Where the poster of the first added movie would go, something that is no file.
    ASSERT_TRUE(QDir().mkpath(home.folder().posterFor(QStringLiteral("6"))));
    OldFolder old;
    old.file(QStringLiteral("Posters/1.jpg"), "their poster 1");
    old.file(QStringLiteral("Posters/2.jpg"), "their poster 2");
    BuiltSource source = BuiltSource::empty();
    source.disc({ QStringLiteral("2"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });
    source.movie(1.0, QStringLiteral("甲 "), 2.0);
    source.movie(2.0, QStringLiteral("乙 "), 2.0);

    QString error;
    const auto report = run(home, source, Mode::Add, old.path(), &error);
    ASSERT_TRUE(report) << error.toStdString();
    ASSERT_EQ(report->warnings.size(), 1);
    EXPECT_TRUE(report->warnings.first().contains(
        QStringLiteral("未能复制到 %1（那里已有一个同名的文件夹。")
            .arg(QDir::toNativeSeparators(home.folder().posterFor(QStringLiteral("6"))))))
        << report->warnings.first().toStdString();
    EXPECT_EQ(home.movieIds(), QList<double>({ 5, 6, 7 }));
    EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("7"))), QByteArray("their poster 2"));
    EXPECT_FALSE(
        QFileInfo::exists(home.folder().posterFor(QStringLiteral("6")) + QStringLiteral(".importing")));
    EXPECT_TRUE(LegacyImport::reportText(*report).contains(QStringLiteral("有 1 个文件未能复制：")));
}

} // namespace

namespace {

const QString mdbData = QStringLiteral(REELSHELF_TEST_DATA "/mdb");

TEST(LegacyImport, APosterADeletedMovieLeftIsMovedAsideWhenAnAddedMovieHasNone)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addMovie(5, QStringLiteral("我们的 "), 1);
    // Movies 6, 7 and 8 were deleted; their posters stayed.
    writeBytes(home.folder().posterFor(QStringLiteral("6")), "left by deleted 6");
    writeBytes(home.folder().posterFor(QStringLiteral("7")), "left by deleted 7");
    writeBytes(home.folder().posterFor(QStringLiteral("8")), "left by deleted 8");
    const QString kept = home.path() + QStringLiteral("/Backups/Replaced-20261208-093000/Posters");
    // Another file was kept under 8's name already: 8 is kept beside it, neither is lost.
    writeBytes(kept + QStringLiteral("/8.jpg"), "kept earlier");
    OldFolder old;
    old.file(QStringLiteral("Posters/1.jpg"), "their poster 1");
    BuiltSource source = BuiltSource::empty();
    source.disc({ QStringLiteral("2"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });
    source.movie(1.0, QStringLiteral("有海报 "), 2.0);
    source.movie(2.0, QStringLiteral("无海报 "), 2.0);
    source.movie(QVariant(), QStringLiteral("无编号 "), 2.0);

    QString error;
    const auto report = run(home, source, Mode::Add, old.path(), &error);
    ASSERT_TRUE(report) << error.toStdString();
    EXPECT_EQ(home.movieIds(), QList<double>({ 5, 6, 7, 8 }));
    EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("6"))), QByteArray("their poster 1"));
    EXPECT_FALSE(QFileInfo::exists(home.folder().posterFor(QStringLiteral("7"))));
    EXPECT_EQ(readBytes(kept + QStringLiteral("/6.jpg")), QByteArray("left by deleted 6"));
    EXPECT_EQ(readBytes(kept + QStringLiteral("/7.jpg")), QByteArray("left by deleted 7"));
    EXPECT_EQ(readBytes(kept + QStringLiteral("/8.jpg")), QByteArray("kept earlier"));
    EXPECT_EQ(readBytes(kept + QStringLiteral("/8-2.jpg")), QByteArray("left by deleted 8"));
    EXPECT_FALSE(QFileInfo::exists(home.folder().posterFor(QStringLiteral("8"))));
    EXPECT_TRUE(report->warnings.isEmpty()) << report->warnings.join(u'\n').toStdString();
}

TEST(LegacyImport, ReplacingMovesAsideOurPosterOfAnImportedMovieThatBringsNone)
{
    for (const bool picturesBeside : { true, false }) {
        TestHome home;
        home.addDisc(QStringLiteral("1"));
        home.addMovie(3, QStringLiteral("旧三 "), 1);
        home.addMovie(4, QStringLiteral("旧四 "), 1);
        writeBytes(home.folder().posterFor(QStringLiteral("3")), "our poster 3");
        writeBytes(home.folder().posterFor(QStringLiteral("4")), "our poster 4");
        writeBytes(home.folder().posterFor(QStringLiteral("9")), "our poster 9");
        OldFolder old;
        old.file(QStringLiteral("Posters/4.jpg"), "their poster 4");
        BuiltSource source = BuiltSource::empty();
        source.movie(3.0, QStringLiteral("新三 "), 1.0);
        source.movie(4.0, QStringLiteral("新四 "), 1.0);

        QString error;
        ASSERT_TRUE(run(home, source, Mode::Replace, picturesBeside ? old.path() : QString(), &error))
            << error.toStdString();
        const QString kept = home.path() + QStringLiteral("/Backups/Replaced-20261208-093000/Posters");
        EXPECT_FALSE(QFileInfo::exists(home.folder().posterFor(QStringLiteral("3"))));
        EXPECT_EQ(readBytes(kept + QStringLiteral("/3.jpg")), QByteArray("our poster 3"));
        EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("4"))),
            picturesBeside ? QByteArray("their poster 4") : QByteArray());
        EXPECT_EQ(readBytes(kept + QStringLiteral("/4.jpg")), QByteArray("our poster 4"));
        // No imported movie has number 9: its poster shows nowhere and stays.
        EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("9"))), QByteArray("our poster 9"));
    }
}

// Discs, movies and file types.
QList<qint64> tableCounts(const TestHome& home)
{
    RawDb db(home.folder().catalogueFile());
    QList<qint64> counts;
    for (const QString& sql : { QStringLiteral("SELECT count(*) FROM DiskState"),
             QStringLiteral("SELECT count(*) FROM ReelShelfIndex"),
             QStringLiteral("SELECT count(*) FROM MovieFileType") })
        counts.append(db.rows(sql).value(0).toLongLong());
    return counts;
}

// Each damaged file once made the import hang, grow without end, crash or take part of it.
TEST(LegacyImportFile, EveryDamagedFileIsRefusedWithinSecondsAndNothingChanges)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addMovie(1, QStringLiteral("留下 "), 1);
    const auto before = tableCounts(home);
    const QStringList damaged = QDir(mdbData).entryList({ QStringLiteral("damaged-*.mdb") }, QDir::Files);
    ASSERT_EQ(damaged.size(), 7);
    for (const QString& name : damaged) {
        if (name == QStringLiteral("damaged-property-loop.mdb"))
            continue; // its tables are whole (see the next test)
        const QString file = mdbData + u'/' + name;
        QElapsedTimer timer;
        timer.start();
        QString error;
        for (const Mode mode : { Mode::Add, Mode::Replace })
            EXPECT_FALSE(LegacyImport::importFile(home.folder(), file, mode, now, &error))
                << name.toStdString();
        EXPECT_LT(timer.elapsed(), 10000) << name.toStdString();
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(file))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("已损坏"))) << error.toStdString();
        EXPECT_EQ(tableCounts(home), before) << name.toStdString();
        EXPECT_TRUE(CatalogueBackups(home.folder()).list().isEmpty()) << name.toStdString();
    }
    TestHome empty;
    QString error;
    const auto whole = LegacyImport::importFile(
        empty.folder(), mdbData + QStringLiteral("/damaged-property-loop.mdb"), Mode::Add, now, &error);
    ASSERT_TRUE(whole) << error.toStdString();
    EXPECT_EQ(whole->movies, 4);
}

// Byte flips at a fixed seed and cuts at page boundaries and odd lengths: each copy is imported
// whole (5 discs, 40 movies, 3 file types) or refused with the catalogue as it was.
TEST(LegacyImportFile, ByteFlipsAndCutsNeverImportPartOfAFile)
{
    const QByteArray good = readBytes(mdbData + QStringLiteral("/catalogue40.mdb"));
    constexpr qsizetype page = 4096;
    QList<QByteArray> copies;
    QRandomGenerator random(2026);
    for (int k = 0; k < 48; ++k) {
        QByteArray bytes = good;
        for (int flips = 1 << (k % 5); flips > 0; --flips)
            bytes[page + random.bounded(good.size() - page)] ^= char(1 + random.bounded(255));
        copies.append(bytes);
    }
    for (qsizetype p = 2; p < good.size() / page; ++p)
        copies.append(good.left(p * page));
    for (int k = 0; k < 4; ++k)
        copies.append(good.left(page + random.bounded(good.size() - page)));

    QTemporaryDir dir;
    int refused = 0;
    const QList<qint64> untouched = tableCounts(TestHome());
    for (qsizetype i = 0; i < copies.size(); ++i) {
        TestHome home;
        const QString file = dir.filePath(QStringLiteral("copy%1.mdb").arg(i));
        writeBytes(file, copies.at(i));
        QElapsedTimer timer;
        timer.start();
        QString error;
        const auto report = LegacyImport::importFile(home.folder(), file, Mode::Replace, now, &error);
        EXPECT_LT(timer.elapsed(), 10000) << "copy " << i;
        if (!report) {
            ++refused;
            EXPECT_TRUE(error.contains(QDir::toNativeSeparators(file))) << error.toStdString();
            EXPECT_EQ(tableCounts(home), untouched) << "copy " << i;
            continue;
        }
        EXPECT_EQ(report->discs, 5) << "copy " << i;
        EXPECT_EQ(report->movies, 40) << "copy " << i;
        EXPECT_EQ(report->fileTypes, 3) << "copy " << i;
        EXPECT_EQ(tableCounts(home), QList<qint64>({ 5, 40, 3 })) << "copy " << i;
    }
    // The copies are damaged enough that most are refused; the good file itself imports.
    EXPECT_GT(refused, copies.size() / 3);
    TestHome home;
    QString error;
    EXPECT_TRUE(LegacyImport::importFile(
        home.folder(), mdbData + QStringLiteral("/catalogue40.mdb"), Mode::Replace, now, &error))
        << error.toStdString();
}

TEST(LegacyFirstStart, TwoStartsAtOnceTakeTurnsAndBothFindTheCatalogue)
{
    for (int round = 0; round < 8; ++round) {
        QTemporaryDir dir;
        const DataFolder folder(dir.path());
        ASSERT_TRUE(installDefaults(folder, nullptr));
        std::optional<LegacyImport::Report> reports[2];
        QString errors[2];
        int waited = 0;
        std::vector<std::unique_ptr<QThread>> starts;
        for (int i = 0; i < 2; ++i) {
            starts.emplace_back(QThread::create([&, i] {
                BuiltSource source = BuiltSource::empty();
                source.disc(
                    { QStringLiteral("1"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });
                for (int m = 1; m <= 2000; ++m)
                    source.movie(double(m), QStringLiteral("影片 "), 1.0);
                LegacyImport::Control control;
                control.waiting = [&waited] { ++waited; };
                reports[i] = LegacyImport::importOnFirstStart(folder, source, &errors[i], control);
            }));
        }
        for (auto& start : starts)
            start->start();
        for (auto& start : starts)
            start->wait();
        ASSERT_TRUE(reports[0] && reports[1]) << errors[0].toStdString() << " / " << errors[1].toStdString();
        // One imported, the other found the catalogue made.
        EXPECT_NE(reports[0]->importedElsewhere, reports[1]->importedElsewhere);
        EXPECT_LE(waited, 1);
        RawDb db(folder.catalogueFile());
        EXPECT_EQ(db.rows(QStringLiteral("SELECT count(*) FROM ReelShelfIndex")),
            QStringList({ QStringLiteral("2000") }));
        EXPECT_EQ(QDir(dir.path()).entryList({ QStringLiteral("ShelfIndex*") }, QDir::Files),
            QStringList({ QStringLiteral("ShelfIndex.db") }));
    }
}

TEST(LegacyFirstStart, TheLockOfAStartThatWasKilledIsTakenOver)
{
    QTemporaryDir dir;
    const DataFolder folder(dir.path());
    ASSERT_TRUE(installDefaults(folder, nullptr));
    // A lock naming a process that has ended, as a start killed while importing leaves it.
    QProcess killed;
    killed.start(QStringLiteral("sleep"), { QStringLiteral("30") });
    ASSERT_TRUE(killed.waitForStarted(5000));
    const qint64 pid = killed.processId();
    killed.kill();
    ASSERT_TRUE(killed.waitForFinished(5000));
    writeBytes(folder.catalogueFile() + QStringLiteral(".importing.lock"),
        QByteArray::number(pid) + "\nreelshelf\n" + QSysInfo::machineHostName().toUtf8() + '\n'
            + QSysInfo::machineUniqueId() + '\n' + QSysInfo::bootUniqueId() + '\n');
    writeBytes(folder.catalogueFile() + QStringLiteral(".importing"), "half a catalogue");
    writeBytes(folder.catalogueFile() + QStringLiteral(".importing-journal"),
        readBytes(mdbData + QStringLiteral("/catalogue40.mdb")).left(4096));
    BuiltSource source = BuiltSource::empty();
    source.movie(1.0, QStringLiteral("甲 "), 1.0);
    QString error;
    bool waited = false;
    LegacyImport::Control control;
    control.waiting = [&waited] { waited = true; };
    const auto report = LegacyImport::importOnFirstStart(folder, source, &error, control);
    ASSERT_TRUE(report) << error.toStdString();
    EXPECT_FALSE(report->importedElsewhere);
    EXPECT_EQ(report->movies, 1);
    EXPECT_EQ(QDir(dir.path()).entryList({ QStringLiteral("ShelfIndex*") }, QDir::Files),
        QStringList({ QStringLiteral("ShelfIndex.db") }));
}

} // namespace
