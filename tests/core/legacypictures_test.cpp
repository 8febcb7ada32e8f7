// Old catalogues' pictures, logos and settings: staged with the rows, put in place after them,
// finished at the next start.
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

const QString kept = QStringLiteral("Backups/Replaced-20261208-093000");

// One file of an install as its record names it: staged copy, place, keep folder and what
// becomes of a file already there; an empty text is null.
struct Pending
{
    QString staged;
    QString target;
    QString keepIn;
    QString existing;
};

// What a kill after the rows' transaction leaves: the record of the pending install beside the
// rows, and its staging folder with the copies not yet put in place.
void leaveInstall(TestHome& home, const QString& staging, const QList<Pending>& files,
    const QList<std::pair<QString, QByteArray>>& staged)
{
    home.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS PendingPosters (Staging TEXT, Staged TEXT, ID REAL, "
                             "Target TEXT, KeepIn TEXT, Existing TEXT)"));
    const auto text = [](const QString& value) {
        return value.isEmpty() ? QStringLiteral("NULL") : u'\'' + value + u'\'';
    };
    for (const Pending& f : files)
        home.exec(QStringLiteral("INSERT INTO PendingPosters (Staging, Staged, Target, KeepIn, Existing) "
                                 "VALUES ('%1', %2, %3, %4, %5)")
                      .arg(staging, text(f.staged), text(f.target), text(f.keepIn), text(f.existing)));
    for (const auto& [name, bytes] : staged)
        writeBytes(home.folder().postersDir() + QStringLiteral("/.incoming/%1/Posters/%2").arg(staging, name),
            bytes);
}

// Nothing staged or pending is left once a start has finished an install.
void expectNothingPending(const TestHome& home)
{
    const QDir incoming(home.folder().postersDir() + QStringLiteral("/.incoming"));
    EXPECT_TRUE(incoming.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty())
        << incoming.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
               .join(u' ')
               .toStdString();
    RawDb db(home.folder().catalogueFile());
    const QStringList tables
        = db.rows(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'PendingPosters'"));
    if (tables == QStringList({ QStringLiteral("1") })) {
        EXPECT_EQ(db.rows(QStringLiteral("SELECT count(*) FROM PendingPosters")),
            QStringList({ QStringLiteral("0") }));
    }
}

TEST(LegacyImportRecovery, AnAddingImportKilledAfterItsRowsGetsAllItsPicturesAtTheNextStart)
{
    TestHome home;
    const DataFolder folder = home.folder();
    const auto poster = [&](int id) { return folder.posterFor(QString::number(id)); };
    const QString keptPosters = home.path() + u'/' + kept + QStringLiteral("/Posters");
    // The rows the import's transaction stored: movies 6 to 9 of a new disc.
    home.addDisc(QStringLiteral("2"));
    for (int id = 6; id <= 9; ++id)
        home.addMovie(id, QStringLiteral("导入的 "), 2);
    // 6: nothing done yet, a deleted movie's poster still under its number.
    writeBytes(poster(6), "left by deleted 6");
    // 7: done before the kill: its leftover kept, its poster in place, the staged copy gone.
    writeBytes(keptPosters + QStringLiteral("/7.jpg"), "left by deleted 7");
    writeBytes(poster(7), "their poster 2");
    // 8 brings no poster; the leftover's copy into a backups folder on another disk was whole
    // when the kill came, the original not yet removed.
    writeBytes(poster(8), "left by deleted 8");
    writeBytes(keptPosters + QStringLiteral("/8.jpg"), "left by deleted 8");
    // 9: the name its leftover would be kept under is taken by another file: it is kept beside.
    writeBytes(poster(9), "left by deleted 9");
    writeBytes(keptPosters + QStringLiteral("/9.jpg"), "kept earlier");
    writeBytes(folder.logoFor(QStringLiteral("华纳")), "our logo");
    const QString aside = kept + QStringLiteral("/Posters");
    leaveInstall(home, QStringLiteral("cut"),
        { { QStringLiteral("0"), QStringLiteral("Posters/6.jpg"), aside, QStringLiteral("keepaside") },
            { QStringLiteral("1"), QStringLiteral("Posters/7.jpg"), aside, QStringLiteral("keepaside") },
            { QString(), QStringLiteral("Posters/8.jpg"), aside, QStringLiteral("keepaside") },
            { QStringLiteral("2"), QStringLiteral("Posters/9.jpg"), aside, QStringLiteral("keepaside") },
            { QStringLiteral("3"), QStringLiteral("Compics/派拉蒙.jpg"), QString(), QStringLiteral("keep") },
            { QStringLiteral("4"), QStringLiteral("Compics/华纳.jpg"), QString(), QStringLiteral("keep") } },
        { { QStringLiteral("0"), "their poster 1" }, { QStringLiteral("2"), "their poster 4" },
            { QStringLiteral("3"), "their other logo" }, { QStringLiteral("4"), "their logo" } });

    QString problem;
    EXPECT_TRUE(PosterInstall::finishInterrupted(folder, &problem)) << problem.toStdString();
    EXPECT_EQ(readBytes(poster(6)), QByteArray("their poster 1"));
    EXPECT_EQ(readBytes(keptPosters + QStringLiteral("/6.jpg")), QByteArray("left by deleted 6"));
    EXPECT_EQ(readBytes(poster(7)), QByteArray("their poster 2"));
    EXPECT_EQ(readBytes(keptPosters + QStringLiteral("/7.jpg")), QByteArray("left by deleted 7"));
    EXPECT_FALSE(QFileInfo::exists(poster(8)));
    EXPECT_EQ(readBytes(keptPosters + QStringLiteral("/8.jpg")), QByteArray("left by deleted 8"));
    EXPECT_EQ(readBytes(poster(9)), QByteArray("their poster 4"));
    EXPECT_EQ(readBytes(keptPosters + QStringLiteral("/9.jpg")), QByteArray("kept earlier"));
    EXPECT_EQ(readBytes(keptPosters + QStringLiteral("/9-2.jpg")), QByteArray("left by deleted 9"));
    EXPECT_EQ(readBytes(folder.logoFor(QStringLiteral("派拉蒙"))), QByteArray("their other logo"));
    EXPECT_EQ(readBytes(folder.logoFor(QStringLiteral("华纳"))), QByteArray("our logo"));
    expectNothingPending(home);

    // Done once: a later start changes nothing, not even a poster chosen since.
    writeBytes(poster(8), "a poster chosen later in the editor");
    EXPECT_TRUE(PosterInstall::finishInterrupted(folder));
    EXPECT_EQ(readBytes(poster(8)), QByteArray("a poster chosen later in the editor"));
    EXPECT_EQ(readBytes(poster(6)), QByteArray("their poster 1"));
}

TEST(LegacyImportRecovery, AReplacingImportKilledAfterItsRowsGetsItsPicturesAndSettingsWithOursKept)
{
    TestHome home;
    const DataFolder folder = home.folder();
    const QString keptFolder = home.path() + u'/' + kept;
    home.addDisc(QStringLiteral("1"));
    home.addMovie(3, QStringLiteral("新三 "), 1);
    home.addMovie(4, QStringLiteral("新四 "), 1);
    writeBytes(folder.posterFor(QStringLiteral("3")), "our poster 3");
    writeBytes(folder.posterFor(QStringLiteral("4")), "our poster 4");
    writeBytes(folder.posterFor(QStringLiteral("9")), "our poster 9");
    writeBytes(folder.logoFor(QStringLiteral("华纳")), "our logo");
    // Our settings were moved aside just before the kill; theirs were not in place yet.
    const QByteArray ourSettings = readBytes(folder.settingsFile());
    writeBytes(keptFolder + QStringLiteral("/RSISet.ini"), ourSettings);
    QFile::remove(folder.settingsFile());
    ASSERT_TRUE(QDir().mkpath(folder.posterFor(QStringLiteral("5"))));
    const QString keptPosters = kept + QStringLiteral("/Posters");
    leaveInstall(home, QStringLiteral("cut"),
        { { QStringLiteral("0"), QStringLiteral("Posters/4.jpg"), keptPosters, QStringLiteral("keepaside") },
            { QStringLiteral("1"), QStringLiteral("Compics/华纳.jpg"), kept + QStringLiteral("/Compics"),
                QStringLiteral("keepaside") },
            { QStringLiteral("2"), QStringLiteral("RSISet.ini"), kept, QStringLiteral("keepaside") },
            // A place where a folder stands takes no picture, now or at any later start.
            { QStringLiteral("3"), QStringLiteral("Posters/5.jpg"), keptPosters,
                QStringLiteral("keepaside") },
            // Movie 3 brings no poster: ours goes aside.
            { QString(), QStringLiteral("Posters/3.jpg"), keptPosters, QStringLiteral("keepaside") },
            // A damaged record never reaches outside the pictures, the settings and the backups.
            { QStringLiteral("4"), QStringLiteral("../outside.jpg"), QString(), QString() },
            { QStringLiteral("4"), QStringLiteral("ShelfIndex.db"), QString(), QString() },
            { QStringLiteral("4"), QStringLiteral("Posters/9.jpg"), QStringLiteral("../elsewhere"),
                QStringLiteral("keepaside") },
            { QStringLiteral("../../../ShelfIndex.db"), QStringLiteral("Posters/4.jpg"), QString(),
                QString() } },
        { { QStringLiteral("0"), "their poster 4" }, { QStringLiteral("1"), "their logo" },
            { QStringLiteral("2"), "[ReelShelfIndex1.02]\r\nCustomdrive=G:\\\r\n" },
            { QStringLiteral("3"), "their poster 5" }, { QStringLiteral("4"), "not a picture of theirs" } });

    QString problem;
    EXPECT_TRUE(PosterInstall::finishInterrupted(folder, &problem)) << problem.toStdString();
    EXPECT_EQ(readBytes(folder.posterFor(QStringLiteral("4"))), QByteArray("their poster 4"));
    EXPECT_EQ(readBytes(keptFolder + QStringLiteral("/Posters/4.jpg")), QByteArray("our poster 4"));
    EXPECT_FALSE(QFileInfo::exists(folder.posterFor(QStringLiteral("3"))));
    EXPECT_EQ(readBytes(keptFolder + QStringLiteral("/Posters/3.jpg")), QByteArray("our poster 3"));
    EXPECT_EQ(readBytes(folder.logoFor(QStringLiteral("华纳"))), QByteArray("their logo"));
    EXPECT_EQ(readBytes(keptFolder + QStringLiteral("/Compics/华纳.jpg")), QByteArray("our logo"));
    EXPECT_EQ(readBytes(folder.settingsFile()), QByteArray("[ReelShelfIndex1.02]\r\nCustomdrive=G:\\\r\n"));
    EXPECT_EQ(readBytes(keptFolder + QStringLiteral("/RSISet.ini")), ourSettings);
    EXPECT_TRUE(QFileInfo(folder.posterFor(QStringLiteral("5"))).isDir());
    EXPECT_EQ(readBytes(folder.posterFor(QStringLiteral("9"))), QByteArray("our poster 9"));
    EXPECT_FALSE(QFileInfo::exists(home.path() + QStringLiteral("/outside.jpg")));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(home.path()).absolutePath() + QStringLiteral("/outside.jpg")));
    EXPECT_EQ(home.movieIds(), QList<double>({ 3, 4 }));
    expectNothingPending(home);
}

TEST(LegacyImportPictures, ADiskThatCannotTakeThePicturesStopsTheImportWithNothingChanged)
{
    FullDisk disk(2);
    if (!disk.mounted())
        GTEST_SKIP() << "only root can mount a small disk here";
    const DataFolder folder(disk.path());
    QString error;
    ASSERT_TRUE(installDefaults(folder, &error)) << error.toStdString();
    ASSERT_TRUE(Catalogue(folder.catalogueFile()).prepare(&error)) << error.toStdString();
    writeBytes(folder.posterFor(QStringLiteral("1")), "left by a deleted movie");
    OldFolder old;
    BuiltSource source = BuiltSource::empty();
    source.disc({ QStringLiteral("2"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });
    // Together more than the disk holds: an import stored without them could never bring them,
    // since a second import leaves out every disc the first one stored.
    for (int i = 1; i <= 8; ++i) {
        old.file(QStringLiteral("Posters/%1.jpg").arg(i), QByteArray(400 * 1024, char('a' + i)));
        source.movie(double(i), QStringLiteral("影片 "), 2.0);
    }
    for (const Mode mode : { Mode::Add, Mode::Replace }) {
        EXPECT_FALSE(LegacyImport::importInto(folder, source, mode, old.path(), now, &error));
        EXPECT_TRUE(error.contains(QStringLiteral("磁盘已满"))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("没有导入任何内容"))) << error.toStdString();
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(old.path()))) << error.toStdString();
        // An added movie's number is not known yet: the posters folder is named, not a guessed file.
        EXPECT_TRUE(
            error.contains(QStringLiteral("复制到 %1").arg(QDir::toNativeSeparators(folder.postersDir()))))
            << error.toStdString();
        EXPECT_FALSE(error.contains(QDir::toNativeSeparators(folder.posterFor(QStringLiteral("0")))))
            << error.toStdString();
        EXPECT_EQ(Catalogue(folder.catalogueFile()).movieCount(), 0);
        EXPECT_EQ(readBytes(folder.posterFor(QStringLiteral("1"))), QByteArray("left by a deleted movie"));
        const QDir posters(folder.postersDir());
        EXPECT_EQ(posters.entryList(QDir::Files | QDir::Hidden),
            QStringList({ QStringLiteral("00.jpg"), QStringLiteral("1.jpg") }));
        EXPECT_TRUE(QDir(folder.postersDir() + QStringLiteral("/.incoming"))
                        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                        .isEmpty());
    }
}

TEST(LegacyImportPictures, AnImportLeavesNothingStagedOrPendingAndAStartAfterItChangesNothing)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addMovie(5, QStringLiteral("我们的 "), 1);
    writeBytes(home.folder().posterFor(QStringLiteral("6")), "left by deleted 6");
    OldFolder old;
    old.file(QStringLiteral("Posters/1.jpg"), "their poster 1");
    old.file(QStringLiteral("Compics/派拉蒙.jpg"), "their logo");
    BuiltSource source = BuiltSource::empty();
    source.disc({ QStringLiteral("2"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });
    source.movie(1.0, QStringLiteral("甲 "), 2.0);
    source.movie(2.0, QStringLiteral("乙 "), 2.0);
    QString error;
    for (const Mode mode : { Mode::Add, Mode::Replace }) {
        const auto report = run(home, source, mode, old.path(), &error);
        ASSERT_TRUE(report) << error.toStdString();
        EXPECT_TRUE(report->warnings.isEmpty()) << report->warnings.join(u'\n').toStdString();
        expectNothingPending(home);
        const QStringList posters = QDir(home.folder().postersDir()).entryList(QDir::Files);
        EXPECT_TRUE(PosterInstall::finishInterrupted(home.folder()));
        EXPECT_EQ(QDir(home.folder().postersDir()).entryList(QDir::Files), posters);
    }
    EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("1"))), QByteArray("their poster 1"));
    EXPECT_EQ(readBytes(home.path() + u'/' + kept + QStringLiteral("/Posters/6.jpg")),
        QByteArray("left by deleted 6"));
}

TEST(LegacyImportPictures, ALogosFolderThatCannotTakeTheirLogosStopsTheImportWithNothingChanged)
{
    TestHome home;
    OldFolder old;
    old.file(QStringLiteral("Posters/1.jpg"), "their poster 1");
    old.file(QStringLiteral("Compics/派拉蒙.jpg"), "their logo");
    BuiltSource source = BuiltSource::empty();
    source.disc({ QStringLiteral("2"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });
    source.movie(1.0, QStringLiteral("甲 "), 2.0);
    const WriteProtected locked(home.folder().compicsDir());
    if (!locked.active())
        GTEST_SKIP() << "no way to make a folder refuse writes here";
    std::optional<LegacyImport::Report> report;
    QString error;
    ASSERT_TRUE(runAsPlainUser([&] { report = run(home, source, Mode::Add, old.path(), &error); }));
    EXPECT_FALSE(report);
    EXPECT_EQ(error,
        QStringLiteral("无法在文件夹 %1 中写入（没有写入权限），没有导入任何内容。请处理后重新导入。")
            .arg(QDir::toNativeSeparators(home.folder().compicsDir())));
    EXPECT_TRUE(home.movieIds().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(home.folder().posterFor(QStringLiteral("1"))));
    expectNothingPending(home);
}

TEST(LegacyImportPictures, LogosAndKeptPicturesReachFoldersLinkedToAnotherDisk)
{
    FullDisk other(4);
    if (!other.mounted())
        GTEST_SKIP() << "only root can mount a second disk here";
    TestHome home;
    const DataFolder folder = home.folder();
    writeBytes(other.path(QStringLiteral("Compics/华纳.jpg")), "our logo");
    ASSERT_TRUE(QDir(folder.compicsDir()).removeRecursively());
    ASSERT_TRUE(QFile::link(other.path(QStringLiteral("Compics")), folder.compicsDir()));
    ASSERT_TRUE(QDir().mkpath(other.path(QStringLiteral("Backups"))));
    ASSERT_TRUE(QFile::link(other.path(QStringLiteral("Backups")), home.path() + QStringLiteral("/Backups")));
    writeBytes(folder.posterFor(QStringLiteral("1")), "left by deleted 1");
    OldFolder old;
    old.file(QStringLiteral("Posters/7.jpg"), "their poster 7");
    old.file(QStringLiteral("Compics/华纳.jpg"), "their logo");
    old.file(QStringLiteral("Compics/派拉蒙.jpg"), "their other logo");
    BuiltSource source = BuiltSource::empty();
    source.disc({ QStringLiteral("2"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });
    source.movie(7.0, QStringLiteral("甲 "), 2.0);

    QString error;
    const auto added = run(home, source, Mode::Add, old.path(), &error);
    ASSERT_TRUE(added) << error.toStdString();
    EXPECT_TRUE(added->warnings.isEmpty()) << added->warnings.join(u'\n').toStdString();
    EXPECT_EQ(readBytes(folder.posterFor(QStringLiteral("1"))), QByteArray("their poster 7"));
    EXPECT_EQ(
        readBytes(other.path(kept + QStringLiteral("/Posters/1.jpg"))), QByteArray("left by deleted 1"));
    EXPECT_EQ(readBytes(other.path(QStringLiteral("Compics/华纳.jpg"))), QByteArray("our logo"));
    EXPECT_EQ(readBytes(other.path(QStringLiteral("Compics/派拉蒙.jpg"))), QByteArray("their other logo"));

    const auto replaced = run(home, source, Mode::Replace, old.path(), &error);
    ASSERT_TRUE(replaced) << error.toStdString();
    EXPECT_TRUE(replaced->warnings.isEmpty()) << replaced->warnings.join(u'\n').toStdString();
    EXPECT_EQ(readBytes(other.path(QStringLiteral("Compics/华纳.jpg"))), QByteArray("their logo"));
    EXPECT_EQ(readBytes(other.path(kept + QStringLiteral("/Compics/华纳.jpg"))), QByteArray("our logo"));
    EXPECT_EQ(readBytes(folder.posterFor(QStringLiteral("7"))), QByteArray("their poster 7"));
    expectNothingPending(home);
}

TEST(LegacyImportPictures, AFifoOrALinkToOneBesideTheOldFileIsNoPictureAndNeverHoldsTheImport)
{
    TestHome home;
    OldFolder old;
    old.file(QStringLiteral("Posters/1.jpg"), "their poster 1");
    ASSERT_TRUE(QDir().mkpath(old.path() + QStringLiteral("/Compics")));
    const QByteArray fifo = QFile::encodeName(old.path() + QStringLiteral("/Posters/2.jpg"));
    const QByteArray linked = QFile::encodeName(old.path() + QStringLiteral("/pipe"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0644), 0);
    ASSERT_EQ(::mkfifo(linked.constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(QFile::decodeName(linked), old.path() + QStringLiteral("/Compics/华纳.jpg")));
    // Had the import opened one to read, it would wait for a writer: one comes after two seconds,
    // again and again until the import is over, and writes nothing.
    std::atomic<bool> over { false };
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        while (!over) {
            for (const QByteArray& pipe : { fifo, linked })
                if (const int fd = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); fd >= 0)
                    ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    BuiltSource source = BuiltSource::empty();
    source.movie(1.0, QStringLiteral("甲 "), 1.0);
    source.movie(2.0, QStringLiteral("乙 "), 1.0);
    QElapsedTimer timer;
    timer.start();
    QString error;
    const auto report = run(home, source, Mode::Replace, old.path(), &error);
    const qint64 took = timer.elapsed();
    over = true;
    writer.join();
    ASSERT_TRUE(report) << error.toStdString();
    EXPECT_LT(took, 1500);
    EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("1"))), QByteArray("their poster 1"));
    EXPECT_FALSE(QFileInfo::exists(home.folder().posterFor(QStringLiteral("2"))));
    EXPECT_FALSE(QFileInfo::exists(home.folder().logoFor(QStringLiteral("华纳"))));
    // Nothing is passed over in silence.
    EXPECT_EQ(report->warnings,
        QStringList({ QStringLiteral("%1 不是普通的图片文件，没有复制。")
                          .arg(QDir::toNativeSeparators(old.path() + QStringLiteral("/Posters/2.jpg"))),
            QStringLiteral("%1 不是普通的图片文件，没有复制。")
                .arg(QDir::toNativeSeparators(old.path() + QStringLiteral("/Compics/华纳.jpg"))) }));
}

TEST(LegacyImport, TheCopyBeforeAReplaceHoldsWhatAnotherProgramStoredUntilTheReplacing)
{
    // The copy is taken under the write lock: a second program cannot store a row between the
    // copy and the replacing, where it would be lost with no copy holding it.
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    Catalogue catalogue(home.folder().catalogueFile());
    bool otherStored = true;
    const bool replaced = catalogue.replaceContents(CatalogueContents {}, nullptr, {}, [&](QString*) {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(home.folder().catalogueFile());
        other.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        if (other.open())
            otherStored
                = QSqlQuery(other).exec(QStringLiteral("INSERT INTO DiskState (DiskNum) VALUES ('2')"));
        other.close();
        return true;
    });
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    EXPECT_TRUE(replaced);
    EXPECT_FALSE(otherStored);
}

TEST(LegacyImportPictures, AReplaceRefusedForItsPicturesSpendsNoBackup)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    writeBytes(home.folder().posterFor(QStringLiteral("1")), "our poster 1");
    // The folder our replaced pictures would go to is taken by a file.
    writeBytes(home.path() + u'/' + kept, "in the way");
    OldFolder old;
    old.file(QStringLiteral("Posters/1.jpg"), "their poster 1");
    BuiltSource source = BuiltSource::empty();
    source.movie(1.0, QStringLiteral("甲 "), 1.0);
    QString error;
    EXPECT_FALSE(run(home, source, Mode::Replace, old.path(), &error));
    EXPECT_TRUE(error.endsWith(QStringLiteral("没有做任何改动。请处理后重试。"))) << error.toStdString();
    EXPECT_TRUE(CatalogueBackups(home.folder()).list().isEmpty());
    EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("1"))), QByteArray("our poster 1"));
}

TEST(LegacyImportPictures, APosterThatIsNoPlainFileIsNamedWhenAdding)
{
    TestHome home;
    OldFolder old;
    old.file(QStringLiteral("Posters/1.jpg"), "their poster 1");
    ASSERT_TRUE(
        QFile::link(QStringLiteral("/nowhere/at/all"), old.path() + QStringLiteral("/Posters/2.jpg")));
    BuiltSource source = BuiltSource::empty();
    source.disc({ QStringLiteral("2"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });
    source.movie(1.0, QStringLiteral("甲 "), 2.0);
    source.movie(2.0, QStringLiteral("乙 "), 2.0);
    QString error;
    const auto report = run(home, source, Mode::Add, old.path(), &error);
    ASSERT_TRUE(report) << error.toStdString();
    EXPECT_EQ(report->warnings,
        QStringList({ QStringLiteral("%1 不是普通的图片文件，没有复制。")
                          .arg(QDir::toNativeSeparators(old.path() + QStringLiteral("/Posters/2.jpg"))) }));
    EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("1"))), QByteArray("their poster 1"));
}

TEST(LegacyImportPictures, ABackupsFolderThatCannotKeepALeftoverPosterStopsTheImportWithNothingChanged)
{
    for (const Mode mode : { Mode::Add, Mode::Replace }) {
        TestHome home;
        writeBytes(home.folder().posterFor(QStringLiteral("1")), "left by deleted 1");
        // A file where the backups folder should be: nothing can be kept there.
        writeBytes(home.path() + QStringLiteral("/Backups"), "in the way");
        OldFolder old;
        old.file(QStringLiteral("Posters/1.jpg"), "their poster 1");
        BuiltSource source = BuiltSource::empty();
        source.disc({ QStringLiteral("2"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });
        source.movie(1.0, QStringLiteral("甲 "), 2.0);
        QString error;
        const auto report = run(home, source, mode, old.path(), &error);
        ASSERT_FALSE(report);
        EXPECT_TRUE(error.contains(QStringLiteral("没有做任何改动"))
            || error.contains(QStringLiteral("没有导入任何内容")))
            << error.toStdString();
        EXPECT_TRUE(home.movieIds().isEmpty());
        EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("1"))), QByteArray("left by deleted 1"));
        expectNothingPending(home);
    }
}

TEST(LegacyImportPictures, AnUnreadablePosterIsNamedWithTheNumberItsMovieGets)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addMovie(5, QStringLiteral("我们的 "), 1);
    OldFolder old;
    old.file(QStringLiteral("Posters/1.jpg"), "their poster 1");
    old.file(QStringLiteral("Posters/2.jpg"), "their poster 2");
    const QString unreadable = old.path() + QStringLiteral("/Posters/1.jpg");
    ASSERT_TRUE(QFile::setPermissions(unreadable, QFileDevice::Permissions()));
    BuiltSource source = BuiltSource::empty();
    source.disc({ QStringLiteral("2"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });
    source.movie(1.0, QStringLiteral("甲 "), 2.0);
    source.movie(2.0, QStringLiteral("乙 "), 2.0);
    std::optional<LegacyImport::Report> report;
    QString error;
    ASSERT_TRUE(runAsPlainUser([&] { report = run(home, source, Mode::Add, old.path(), &error); }));
    ASSERT_TRUE(report) << error.toStdString();
    EXPECT_EQ(report->warnings,
        QStringList({ QStringLiteral("%1 未能复制到 %2（无法读取原文件）。")
                          .arg(QDir::toNativeSeparators(unreadable),
                              QDir::toNativeSeparators(home.folder().posterFor(QStringLiteral("6")))) }));
    EXPECT_FALSE(QFileInfo::exists(home.folder().posterFor(QStringLiteral("6"))));
    EXPECT_EQ(readBytes(home.folder().posterFor(QStringLiteral("7"))), QByteArray("their poster 2"));
    expectNothingPending(home);
}

} // namespace
