// Kills a real writer of ours at random moments and checks that the catalogue is always whole and
// holds either the counts from before the operation or those from after it.

#include "store/backups.h"
#include "store/catalogue.h"
#include "store/posterinstall.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <random>
#include <thread>

namespace {

constexpr int runsPerOperation = 44; // eight operations: 352 kills in all
const QString before = QStringLiteral("30|3000");
const QString older = QStringLiteral("20|2000"); // the state the template's backup holds

QString countsOf(const QString& catalogueFile)
{
    RawDb db(catalogueFile);
    // Opening rolls back what a killed writer left in the journal, as the program's next start would.
    const QStringList check = db.rows(QStringLiteral("PRAGMA integrity_check"));
    if (check != QStringList { QStringLiteral("ok") })
        return QStringLiteral("damaged: ") + check.join(u' ');
    const QStringList counts = db.rows(
        QStringLiteral("SELECT (SELECT count(*) FROM DiskState), (SELECT count(*) FROM ReelShelfIndex)"));
    return counts.value(0, QStringLiteral("unreadable"));
}

struct Operation
{
    const char* name;
    QStringList arguments; // after HOME
    QStringList allowedCounts; // of the catalogue after the kill
    bool checksBackups = false; // every file named as a backup must be whole
    bool startsEmpty = false; // on a data folder without a catalogue, which the next start completes
    bool checksPosters = false; // the wizard's posters: all there with the disc, none without it
    // An import of an old catalogue with its pictures, on a catalogue without that file's discs;
    // the next start must find it all there, pictures too, or not there at all.
    bool importsPictures = false;
};

// The old catalogue's five discs 1 to 5 are not in the catalogue an import starts from.
const QString beforeImport = QStringLiteral("25|2500");
constexpr int oldMovies = 40;

constexpr int wizardMovies = 300;

// The picture beside the i-th movie file of the wizard's drive: a real JPEG that tells which it is.
QByteArray pictureOf(int i)
{
    static const QByteArray jpeg = [] {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG");
        return data;
    }();
    return jpeg + QByteArray::number(i);
}

// The old catalogue's poster of movie i (every fifth has none), and ours under the same number; a
// quarter of a megabyte each, so that copying them takes a while after the rows are stored.
bool hasOldPoster(int i)
{
    return i % 5 != 0;
}

QByteArray oldPoster(int i)
{
    return pictureOf(i) + QByteArray(256 * 1024, char('a' + i % 26)) + "their " + QByteArray::number(i);
}

QByteArray ourPoster(int i)
{
    return pictureOf(i) + "ours " + QByteArray::number(i);
}

const QByteArray oldSettings("[ReelShelfIndex1.02]\r\nCustomdrive=G:\\\r\n");
const QByteArray ourSettings("[ReelShelfIndex1.02]\r\nCustomdrive=/media/cdrom\r\n");

class KillTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        home_ = std::make_unique<TestHome>();
        tree_ = std::make_unique<QTemporaryDir>();
        Catalogue catalogue(home_->folder().catalogueFile());
        const auto addDiscs = [&](int from, int to) {
            QList<DiscRecord> discs;
            QList<MovieRecord> movies;
            for (int d = from; d <= to; ++d) {
                DiscRecord disc;
                disc.diskNum = QString::number(d);
                disc.diskType = QStringLiteral("DVD ");
                discs << disc;
                for (int m = 0; m < 100; ++m) {
                    MovieRecord movie;
                    movie[MovieField::ID] = double((d - 1) * 100 + m + 1);
                    movie[MovieField::MovieName] = QStringLiteral("影片 %1-%2 ").arg(d).arg(m);
                    movie[MovieField::DiskNum] = double(d);
                    movies << movie;
                }
            }
            QString error;
            ASSERT_TRUE(catalogue.addDiscsAndMovies(discs, movies, &error)) << error.toStdString();
        };
        addDiscs(1, 20);
        QString error;
        ASSERT_TRUE(CatalogueBackups(home_->folder())
                        .take(QDateTime(QDate(2026, 12, 1), QTime(12, 0)), &error, &backupName_))
            << error.toStdString();
        backupName_ = QFileInfo(backupName_).fileName();
        addDiscs(21, 30);
        ASSERT_EQ(countsOf(home_->folder().catalogueFile()), before);
        // The catalogue an import adds to: the old file's disc numbers are free in it.
        importTemplate_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(QFile::copy(
            home_->folder().catalogueFile(), importTemplate_->filePath(QStringLiteral("ShelfIndex.db"))));
        {
            RawDb db(importTemplate_->filePath(QStringLiteral("ShelfIndex.db")));
            db.exec(QStringLiteral("DELETE FROM DiskState WHERE DiskNum IN ('1', '2', '3', '4', '5')"));
            db.exec(QStringLiteral("DELETE FROM ReelShelfIndex WHERE DiskNum <= 5"));
        }
        ASSERT_EQ(countsOf(importTemplate_->filePath(QStringLiteral("ShelfIndex.db"))), beforeImport);
        // The Windows program's folder: its catalogue of 5 discs and 40 movies, posters, logos, settings.
        old_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(QFile::copy(QStringLiteral(REELSHELF_TEST_DATA "/mdb/catalogue40.mdb"),
            old_->filePath(QStringLiteral("ShelfIndex.mdb"))));
        for (int i = 1; i <= oldMovies; ++i)
            if (hasOldPoster(i))
                writeBytes(old_->filePath(QStringLiteral("Posters/%1.jpg").arg(i)), oldPoster(i));
        writeBytes(old_->filePath(QStringLiteral("Compics/华纳.jpg")), "their logo");
        writeBytes(old_->filePath(QStringLiteral("Compics/派拉蒙.jpg")), "their other logo");
        writeBytes(old_->filePath(QStringLiteral("RSISet.ini")), oldSettings);
        // The wizard's drive: one movie file per folder with its poster, as a disc of films usually is.
        for (int i = 0; i < wizardMovies; ++i) {
            const QString base
                = tree_->path() + QStringLiteral("/m%1/movie%1").arg(i, 3, 10, QLatin1Char('0'));
            writeBytes(base + QStringLiteral(".avi"), "x");
            writeBytes(base + QStringLiteral(".jpg"), pictureOf(i));
        }
    }

    static void TearDownTestSuite()
    {
        home_.reset();
        tree_.reset();
        importTemplate_.reset();
        old_.reset();
    }

    static void prepareFolder(const Operation& op, const QString& to)
    {
        if (op.importsPictures)
            copyImportTemplate(to);
        else if (!op.startsEmpty)
            copyTemplate(to);
    }

    // A data folder before an import: our posters under the old file's movie numbers, a deleted
    // movie's poster under the first number an added movie gets, a logo and our settings.
    static void copyImportTemplate(const QString& to)
    {
        QDir().mkpath(to);
        QFile::copy(importTemplate_->filePath(QStringLiteral("ShelfIndex.db")),
            to + QStringLiteral("/ShelfIndex.db"));
        for (int i = 1; i <= oldMovies; ++i)
            writeBytes(to + QStringLiteral("/Posters/%1.jpg").arg(i), ourPoster(i));
        writeBytes(to + QStringLiteral("/Posters/3001.jpg"), "poster of a deleted movie");
        writeBytes(to + QStringLiteral("/Compics/华纳.jpg"), "our logo");
        writeBytes(to + QStringLiteral("/RSISet.ini"), ourSettings);
    }

    // The files a kill left recorded for the next start to put in place.
    static int pendingInstalls(const QString& dataFolder)
    {
        RawDb db(dataFolder + QStringLiteral("/ShelfIndex.db"));
        if (db.rows(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'PendingPosters'"))
            != QStringList { QStringLiteral("1") })
            return 0;
        return db.rows(QStringLiteral("SELECT count(*) FROM PendingPosters")).value(0).toInt();
    }

    // The folder a replacing or adding import keeps our replaced files in, or empty.
    static QString replacedFolder(const QString& dataFolder)
    {
        const QStringList kept = QDir(dataFolder + QStringLiteral("/Backups"))
                                     .entryList({ QStringLiteral("Replaced-*") }, QDir::Dirs);
        return kept.size() == 1 ? dataFolder + QStringLiteral("/Backups/") + kept.first() : QString();
    }

    // After the next start (a real one, through reelshelf-cli): the imported rows are there with
    // every picture and our replaced files kept, or the rows are not there and no picture, logo
    // or settings file has changed; nothing staged, pending or half-written is left.
    static void checkImport(
        const QString& dataFolder, const QString& counts, bool replacing, const std::string& where)
    {
        const CliRun start
            = runCliCaptured({ QStringLiteral("--home"), dataFolder, QStringLiteral("discs") });
        EXPECT_EQ(start.code, 0) << where << ": " << start.err.toStdString();
        EXPECT_EQ(countsOf(dataFolder + QStringLiteral("/ShelfIndex.db")), counts) << where;
        const DataFolder folder(dataFolder);
        const bool stored = counts != beforeImport;
        const QString kept = replacedFolder(dataFolder);
        const auto poster = [&](int id) { return readBytes(folder.posterFor(QString::number(id))); };
        const auto exists = [&](int id) { return QFile::exists(folder.posterFor(QString::number(id))); };
        int wrong = 0;
        if (!stored) {
            for (int i = 1; i <= oldMovies; ++i)
                wrong += poster(i) == ourPoster(i) ? 0 : 1;
            for (int i = 3002; i <= 3000 + oldMovies; ++i)
                wrong += exists(i) ? 1 : 0;
            wrong += poster(3001) == "poster of a deleted movie" ? 0 : 1;
            EXPECT_EQ(readBytes(folder.logoFor(QStringLiteral("华纳"))), QByteArray("our logo")) << where;
            EXPECT_FALSE(QFile::exists(folder.logoFor(QStringLiteral("派拉蒙")))) << where;
            EXPECT_EQ(readBytes(folder.settingsFile()), ourSettings) << where;
            EXPECT_TRUE(kept.isEmpty()) << where << ": " << kept.toStdString();
        } else if (!replacing) {
            // Added as movies 3001 to 3040 in the file's order; our numbers 1 to 40 are not theirs.
            for (int i = 1; i <= oldMovies; ++i) {
                wrong += poster(i) == ourPoster(i) ? 0 : 1;
                wrong += (hasOldPoster(i) ? poster(3000 + i) == oldPoster(i) : !exists(3000 + i)) ? 0 : 1;
            }
            EXPECT_EQ(readBytes(kept + QStringLiteral("/Posters/3001.jpg")),
                QByteArray("poster of a deleted movie"))
                << where;
            EXPECT_EQ(readBytes(folder.logoFor(QStringLiteral("华纳"))), QByteArray("our logo")) << where;
            EXPECT_EQ(readBytes(folder.logoFor(QStringLiteral("派拉蒙"))), QByteArray("their other logo"))
                << where;
            EXPECT_EQ(readBytes(folder.settingsFile()), ourSettings) << where;
        } else {
            for (int i = 1; i <= oldMovies; ++i) {
                wrong += (hasOldPoster(i) ? poster(i) == oldPoster(i) : !exists(i)) ? 0 : 1;
                wrong += readBytes(kept + QStringLiteral("/Posters/%1.jpg").arg(i)) == ourPoster(i) ? 0 : 1;
            }
            wrong += poster(3001) == "poster of a deleted movie" ? 0 : 1;
            EXPECT_EQ(readBytes(folder.logoFor(QStringLiteral("华纳"))), QByteArray("their logo")) << where;
            EXPECT_EQ(readBytes(kept + QStringLiteral("/Compics/华纳.jpg")), QByteArray("our logo")) << where;
            EXPECT_EQ(readBytes(folder.logoFor(QStringLiteral("派拉蒙"))), QByteArray("their other logo"))
                << where;
            EXPECT_EQ(readBytes(folder.settingsFile()), oldSettings) << where;
            EXPECT_EQ(readBytes(kept + QStringLiteral("/RSISet.ini")), ourSettings) << where;
        }
        EXPECT_EQ(wrong, 0) << where << ": pictures that are not as the catalogue says ("
                            << counts.toStdString() << ")";
        const QDir incoming(folder.postersDir() + QStringLiteral("/.incoming"));
        EXPECT_TRUE(incoming.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty())
            << where;
        QStringList parts;
        QDirIterator it(dataFolder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        // A catalogue backup killed half-way is the backups' own to remove, once it is surely stale.
        const QString backupCopies = dataFolder + QStringLiteral("/Backups/ShelfIndex-");
        while (it.hasNext())
            if (const QString file = it.next();
                file.endsWith(QStringLiteral(".part")) && !file.startsWith(backupCopies))
                parts.append(file);
        EXPECT_TRUE(parts.isEmpty()) << where << ": " << parts.join(u' ').toStdString();
        RawDb db(folder.catalogueFile());
        if (db.rows(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'PendingPosters'"))
            == QStringList { QStringLiteral("1") }) {
            EXPECT_EQ(db.rows(QStringLiteral("SELECT count(*) FROM PendingPosters")),
                QStringList { QStringLiteral("0") })
                << where;
        }
    }

    // A fresh data folder holding the template's catalogue and backups.
    static void copyTemplate(const QString& to)
    {
        const QString backups = QStringLiteral("/Backups/");
        QDir().mkpath(to + backups);
        QFile::copy(home_->folder().catalogueFile(), to + QStringLiteral("/ShelfIndex.db"));
        QFile::copy(home_->path() + backups + backupName_, to + backups + backupName_);
        // A deleted movie's poster under the first number the wizard gives out.
        writeBytes(to + QStringLiteral("/Posters/3001.jpg"), "poster of a deleted movie");
    }

    // After the next start's tidying: the wizard's disc is there with every poster, or it is not
    // there and Posters/ is as it was; nothing staged or pending is left.
    static void checkPosters(const QString& dataFolder, const QString& counts, const std::string& where)
    {
        const DataFolder folder(dataFolder);
        QString problem;
        EXPECT_TRUE(PosterInstall::finishInterrupted(folder, &problem))
            << where << ": " << problem.toStdString();
        const bool stored = counts != before;
        int wrong = 0;
        for (int i = 0; i < wizardMovies; ++i) {
            const QString poster = folder.posterFor(QString::number(3001 + i));
            const QByteArray expected = stored ? pictureOf(i)
                : i == 0                       ? QByteArray("poster of a deleted movie")
                                               : QByteArray();
            wrong += readBytes(poster) == expected && (stored || i == 0 || !QFile::exists(poster)) ? 0 : 1;
        }
        EXPECT_EQ(wrong, 0) << where << ": posters that are not as the catalogue says ("
                            << counts.toStdString() << ")";
        const QDir incoming(folder.postersDir() + QStringLiteral("/.incoming"));
        EXPECT_TRUE(incoming.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty())
            << where;
        RawDb db(folder.catalogueFile());
        const QStringList pending
            = db.rows(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'PendingPosters'"));
        if (pending == QStringList { QStringLiteral("1") }) {
            EXPECT_EQ(db.rows(QStringLiteral("SELECT count(*) FROM PendingPosters")),
                QStringList { QStringLiteral("0") })
                << where;
        }
    }

    // Starts the writer, waits for it to reach the operation, and kills it after `delay` (or lets
    // it finish when `delay` is negative), counted from the moment `countFrom` holds when given.
    // Returns the microseconds the finished operation took.
    static qint64 runWriter(const QString& dataFolder, const Operation& op, std::chrono::microseconds delay,
        bool* killed, const std::function<bool()>& countFrom = {})
    {
        QProcess writer;
        writer.setProgram(QStringLiteral(REELSHELF_KILLWRITER));
        writer.setArguments(QStringList { dataFolder } + op.arguments);
        if (delay.count() >= 0) {
            // Under AddressSanitizer: a kill that lands while LeakSanitizer checks the exiting writer
            // fails the check itself, and a writer killed on purpose has no leaks worth a report.
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            QStringList options
                = environment.value(QStringLiteral("ASAN_OPTIONS")).split(u':', Qt::SkipEmptyParts);
            options << QStringLiteral("detect_leaks=0");
            environment.insert(QStringLiteral("ASAN_OPTIONS"), options.join(u':'));
            writer.setProcessEnvironment(environment);
        }
        writer.start();
        EXPECT_TRUE(writer.waitForStarted(10000));
        QByteArray out;
        while (!out.contains('\n') && writer.waitForReadyRead(10000))
            out += writer.readAllStandardOutput();
        EXPECT_TRUE(out.startsWith("ready")) << out.toStdString();
        if (delay.count() >= 0) {
            while (countFrom && !countFrom() && !writer.waitForFinished(0))
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            std::this_thread::sleep_for(delay);
            writer.kill();
        }
        writer.waitForFinished(30000);
        *killed = writer.exitStatus() == QProcess::CrashExit;
        out += writer.readAllStandardOutput();
        const qsizetype done = out.indexOf("done ");
        if (*killed || done < 0) {
            EXPECT_TRUE(*killed) << "writer failed: " << writer.readAllStandardError().toStdString();
            return -1;
        }
        return out.mid(done + 5).trimmed().toLongLong();
    }

    static void checkBackups(const QString& dataFolder, const QStringList& allowed, const std::string& where)
    {
        const QDir dir(dataFolder + QStringLiteral("/Backups"));
        for (const QString& name : dir.entryList({ QStringLiteral("ShelfIndex-*.db") }, QDir::Files)) {
            const QString counts = countsOf(dir.filePath(name));
            EXPECT_TRUE(allowed.contains(counts))
                << where << ": backup " << name.toStdString() << " holds " << counts.toStdString();
        }
    }

    static void killAtRandom(const Operation& op)
    {
        std::random_device device;
        const unsigned seed = device();
        std::mt19937 random(seed);
        // First runs to the end: they give the time the operation takes (the quicker of two, as
        // the first may read a cold disc) and its after state.
        QTemporaryDir calibration;
        qint64 took = -1;
        bool killed = false;
        for (int round = 0; round < 2; ++round) {
            QDir(calibration.path()).removeRecursively();
            QDir().mkpath(calibration.path());
            prepareFolder(op, calibration.path());
            const qint64 t = runWriter(calibration.path(), op, std::chrono::microseconds(-1), &killed);
            ASSERT_GT(t, 0);
            took = took < 0 ? t : std::min(took, t);
        }
        const QString after = countsOf(calibration.path() + QStringLiteral("/ShelfIndex.db"));
        ASSERT_TRUE(op.allowedCounts.contains(after)) << after.toStdString();

        // Delays over the whole operation and past it: a run is often slower than the quickest.
        // A run that finishes before the kill narrows the range, as the machine's load changes.
        const auto delaysFor = [](qint64 t) { return std::uniform_int_distribution<qint64>(0, t + t / 2); };
        auto delays = delaysFor(took);
        int kills = 0;
        QMap<QString, int> outcomes;
        for (int run = 0; run < runsPerOperation; ++run) {
            QTemporaryDir folder;
            prepareFolder(op, folder.path());
            // Every other import is killed in the few milliseconds after its rows are stored, counted
            // from the first file of ours kept aside: the pictures are being put in place then.
            const bool afterRows = op.importsPictures && run % 2 == 1;
            const auto delay = std::chrono::microseconds(afterRows ? random() % 4000 : delays(random));
            const auto installing = [&] { return !replacedFolder(folder.path()).isEmpty(); };
            const qint64 finishedIn = runWriter(
                folder.path(), op, delay, &killed, afterRows ? std::function<bool()>(installing) : nullptr);
            kills += killed ? 1 : 0;
            if (finishedIn > 0 && finishedIn < took && !afterRows)
                delays = delaysFor(took = finishedIn);
            const std::string where = std::string(op.name) + " run " + std::to_string(run) + " killed after "
                + std::to_string(delay.count()) + (afterRows ? " µs of putting pictures in place" : " µs")
                + " (seed " + std::to_string(seed) + ")";
            const QString catalogueFile = folder.path() + QStringLiteral("/ShelfIndex.db");
            if (op.startsEmpty) {
                // Whatever the kill left, the next start must make a working catalogue of it.
                QString error;
                EXPECT_TRUE(Catalogue(catalogueFile).prepare(&error)) << where << ": " << error.toStdString();
                EXPECT_EQ(RawDb(catalogueFile).rows(QStringLiteral("SELECT count(*) FROM MovieFileType")),
                    RawDb(calibration.path() + QStringLiteral("/ShelfIndex.db"))
                        .rows(QStringLiteral("SELECT count(*) FROM MovieFileType")))
                    << where;
            }
            const QString counts = countsOf(catalogueFile);
            EXPECT_TRUE(op.allowedCounts.contains(counts))
                << where << ": catalogue holds " << counts.toStdString();
            ++outcomes[counts];
            if (op.importsPictures && pendingInstalls(folder.path()) > 0)
                ++outcomes[QStringLiteral("pictures cut short")];
            if (op.checksPosters)
                checkPosters(folder.path(), counts, where);
            if (op.importsPictures)
                checkImport(folder.path(), counts, op.arguments.last() == QLatin1String("replace"), where);
            if (op.checksBackups)
                checkBackups(folder.path(), { before, older }, where);
        }
        std::cout << op.name << ": quickest run " << took << " µs; " << kills << " of " << runsPerOperation
                  << " runs killed mid-way;";
        for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it)
            std::cout << ' ' << it.key().toStdString() << " x" << it.value();
        std::cout << std::endl;
        // The machine is shared and timings wander; a quarter is plenty to have hit the write.
        EXPECT_GE(kills, runsPerOperation / 4) << "the delays missed the operation";
    }

    static std::unique_ptr<TestHome> home_;
    static std::unique_ptr<QTemporaryDir> tree_;
    static std::unique_ptr<QTemporaryDir> importTemplate_;
    static std::unique_ptr<QTemporaryDir> old_;
    static QString backupName_;
};

std::unique_ptr<TestHome> KillTest::home_;
std::unique_ptr<QTemporaryDir> KillTest::tree_;
std::unique_ptr<QTemporaryDir> KillTest::importTemplate_;
std::unique_ptr<QTemporaryDir> KillTest::old_;
QString KillTest::backupName_;

TEST_F(KillTest, WizardCommitIsAllOrNothingWithItsPosters)
{
    killAtRandom({ "commit", { QStringLiteral("commit"), tree_->path(), QStringLiteral("31") },
        { before, QStringLiteral("31|3300") }, false, false, true });
}

TEST_F(KillTest, DiscDeletionTakesItsMoviesOrNothing)
{
    killAtRandom({ "delete-disc", { QStringLiteral("delete-disc"), QStringLiteral("30") },
        { before, QStringLiteral("29|2900") } });
}

TEST_F(KillTest, MovieSaveIsAllOrNothing)
{
    killAtRandom({ "save-movie", { QStringLiteral("save-movie"), QStringLiteral("5") },
        { before, QStringLiteral("30|3001") } });
}

TEST_F(KillTest, BackupNeverLeavesAHalfWrittenCopyUnderABackupName)
{
    killAtRandom({ "backup", { QStringLiteral("backup") }, { before }, true });
}

TEST_F(KillTest, RestoreLeavesTheCatalogueBeforeOrAfter)
{
    killAtRandom(
        { "restore", { QStringLiteral("restore"), home_->path() + QStringLiteral("/Backups/") + backupName_ },
            { before, older }, true });
}

TEST_F(KillTest, ANewCatalogueKilledWhileMadeIsCompletedAtTheNextStart)
{
    killAtRandom({ "prepare", { QStringLiteral("prepare") }, { QStringLiteral("0|0") }, false, true });
}

TEST_F(KillTest, AnAddingImportIsThereWithAllItsPicturesOrNotAtAll)
{
    killAtRandom({ "import-mdb add",
        { QStringLiteral("import-mdb"), old_->filePath(QStringLiteral("ShelfIndex.mdb")),
            QStringLiteral("add") },
        { beforeImport, QStringLiteral("30|2540") }, false, false, false, true });
}

TEST_F(KillTest, AReplacingImportIsThereWithAllItsPicturesAndSettingsOrNotAtAll)
{
    killAtRandom({ "import-mdb replace",
        { QStringLiteral("import-mdb"), old_->filePath(QStringLiteral("ShelfIndex.mdb")),
            QStringLiteral("replace") },
        { beforeImport, QStringLiteral("5|40") }, false, false, false, true });
}

} // namespace
