#include "store/backups.h"
#include "store/catalogue.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

QDateTime at(int day, int hour, int minute = 0, int second = 0)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second));
}

TEST(Backups, CopiesTheCatalogueAndListsItNewestFirstWithCounts)
{
    TestHome home;
    home.addDisc(1);
    home.addMovie(1, QStringLiteral("甲"), 1);
    CatalogueBackups backups(home.folder());
    QString error, made;
    ASSERT_TRUE(backups.take(at(7, 9), &error, &made)) << error.toStdString();
    EXPECT_EQ(made, home.path() + QStringLiteral("/Backups/ShelfIndex-20261207-090000.db"));
    home.addMovie(2, QStringLiteral("乙"), 1);
    ASSERT_TRUE(backups.take(at(7, 9), &error));

    const auto entries = backups.list();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entries[0].path.endsWith(QStringLiteral("-090000-2.db")));
    EXPECT_EQ(entries[0].movies, 2);
    EXPECT_EQ(entries[1].movies, 1);
    EXPECT_EQ(entries[1].discs, 1);
    EXPECT_EQ(entries[1].taken, at(7, 9));
}

TEST(Backups, KeepsTheNewestTenAndTakesOneDailyCopy)
{
    TestHome home;
    CatalogueBackups backups(home.folder());
    QString error;
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(backups.take(at(1, 8, i), &error));
    auto entries = backups.list();
    ASSERT_EQ(entries.size(), CatalogueBackups::kept);
    EXPECT_EQ(entries.front().taken, at(1, 8, 11));
    EXPECT_EQ(entries.back().taken, at(1, 8, 2));

    // The copies before deletions are no daily copy: the first start of the day still takes one,
    // the second does not.
    QString made;
    ASSERT_TRUE(backups.takeDaily(at(1, 23), &error, &made));
    EXPECT_EQ(made, backups.folderPath() + QStringLiteral("/ShelfIndex-20261201-230000-daily.db"));
    made.clear();
    ASSERT_TRUE(backups.takeDaily(at(1, 23, 30), &error, &made));
    EXPECT_TRUE(made.isEmpty());
    ASSERT_TRUE(backups.takeDaily(at(2, 0, 1), &error, &made));
    EXPECT_FALSE(made.isEmpty());
}

TEST(Backups, TenDeletionsNeverPushOutYesterdaysDailyCopy)
{
    TestHome home;
    home.addDisc(1);
    home.addMovie(1, QStringLiteral("甲"), 1);
    CatalogueBackups backups(home.folder());
    QString error, yesterday;
    ASSERT_TRUE(backups.takeDaily(at(6, 8), &error, &yesterday)) << error.toStdString();
    home.addMovie(2, QStringLiteral("乙"), 1);
    // A clean-up of duplicates the next day: a copy before each of twelve deletions.
    ASSERT_TRUE(backups.takeDaily(at(7, 8), &error));
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(backups.take(at(7, 10, i), &error)) << error.toStdString();

    const auto entries = backups.list();
    ASSERT_EQ(entries.size(), 2 + CatalogueBackups::kept);
    EXPECT_EQ(entries.back().path, yesterday);
    EXPECT_EQ(entries.back().kind, CatalogueBackups::Kind::Daily);
    EXPECT_EQ(entries.back().movies, 1);
    EXPECT_EQ(entries.front().kind, CatalogueBackups::Kind::Operation);
    EXPECT_EQ(entries.front().taken, at(7, 10, 11));
    ASSERT_TRUE(backups.restore(yesterday, at(7, 11), &error)) << error.toStdString();
    EXPECT_EQ(Catalogue(home.folder().catalogueFile()).movieCount(), 1);

    // Each kind keeps its own newest ten.
    for (int day = 8; day <= 20; ++day)
        ASSERT_TRUE(backups.takeDaily(at(day, 8), &error));
    int daily = 0;
    for (const auto& e : backups.list())
        daily += e.kind == CatalogueBackups::Kind::Daily ? 1 : 0;
    EXPECT_EQ(daily, CatalogueBackups::kept);
    EXPECT_EQ(backups.list().size(), 2 * CatalogueBackups::kept);
}

TEST(Backups, IgnoresFilesThatAreNotBackupsAndNeverMakesHalfCopies)
{
    TestHome home;
    CatalogueBackups backups(home.folder());
    writeBytes(backups.folderPath() + QStringLiteral("/ShelfIndex-mine.db"), "x");
    writeBytes(backups.folderPath() + QStringLiteral("/notes.txt"), "x");
    EXPECT_TRUE(backups.list().isEmpty());

    // A catalogue that is not a database is not copied, and no file named as a backup appears.
    writeBytes(home.folder().catalogueFile(), QByteArray(4096, 'z'));
    QString error;
    EXPECT_FALSE(backups.take(at(3, 10), &error));
    EXPECT_TRUE(
        error.startsWith(QStringLiteral("无法备份：目录数据库 %1 已损坏").arg(home.folder().catalogueFile())))
        << error.toStdString();
    EXPECT_TRUE(backups.list().isEmpty());
    EXPECT_EQ(QDir(backups.folderPath()).entryList(QDir::Files).size(), 2);
}

TEST(Backups, RestorePutsACopyBackAfterKeepingTheCurrentState)
{
    TestHome home;
    home.addDisc(12);
    home.addMovie(1, QStringLiteral("甲"), 12);
    CatalogueBackups backups(home.folder());
    QString error, yesterday;
    ASSERT_TRUE(backups.take(at(6, 20), &error, &yesterday));
    home.exec(QStringLiteral("DELETE FROM ReelShelfIndex"));
    home.exec(QStringLiteral("DELETE FROM DiskState"));

    ASSERT_TRUE(backups.restore(yesterday, at(7, 9), &error)) << error.toStdString();
    EXPECT_EQ(home.discRows().size(), 1);
    const auto entries = backups.list();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].movies, 0); // the state before the restore
    EXPECT_EQ(Catalogue(home.folder().catalogueFile()).movieCount(), 1);
}

// Another program may switch the catalogue to write-ahead logging; a backup of it must still be
// one file that reads anywhere, read-only places included, and restores into the logged catalogue.
TEST(Backups, ACopyOfACatalogueInWriteAheadLogModeIsOneWholeFile)
{
    TestHome home;
    home.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    home.addDisc(12);
    home.addMovie(1, QStringLiteral("甲"), 12);
    CatalogueBackups backups(home.folder());
    QString error, made;
    ASSERT_TRUE(backups.take(at(6, 20), &error, &made)) << error.toStdString();
    const QByteArray header = readBytes(made).left(20);
    EXPECT_EQ(header.mid(18, 2), QByteArray("\x01\x01", 2)); // rollback journal, not a log
    EXPECT_FALSE(QFile::exists(made + QStringLiteral("-wal")));
    home.exec(QStringLiteral("DELETE FROM ReelShelfIndex"));
    ASSERT_TRUE(backups.restore(made, at(7, 9), &error)) << error.toStdString();
    EXPECT_EQ(Catalogue(home.folder().catalogueFile()).movieCount(), 1);
    EXPECT_EQ(backups.list().value(0).movies, 0); // the state before the restore, kept whole too
}

TEST(Backups, RestoreRefusesAnUnreadableCopyAndChangesNothing)
{
    TestHome home;
    home.addDisc(5);
    CatalogueBackups backups(home.folder());
    const QString bad = backups.folderPath() + QStringLiteral("/ShelfIndex-20261201-000000.db");
    writeBytes(bad, QByteArray("SQLite format 3") + QByteArray(100, '\0'));
    const QByteArray before = readBytes(home.folder().catalogueFile());
    QString error;
    EXPECT_FALSE(backups.restore(bad, at(7, 9), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("目录没有改变"))) << error.toStdString();
    EXPECT_EQ(readBytes(home.folder().catalogueFile()), before);
    EXPECT_EQ(backups.list().size(), 1);
}

TEST(Backups, RestoringTheOldestOfTenKeepsTheCurrentStateAndPrunesOnlyAfterwards)
{
    TestHome home;
    home.addDisc(1);
    CatalogueBackups backups(home.folder());
    QString error, oldest;
    ASSERT_TRUE(backups.take(at(1, 8), &error, &oldest));
    home.addDisc(2);
    for (int i = 1; i < CatalogueBackups::kept; ++i)
        ASSERT_TRUE(backups.take(at(1, 9, i), &error));
    ASSERT_EQ(backups.list().size(), CatalogueBackups::kept);

    ASSERT_TRUE(backups.restore(oldest, at(2, 9), &error)) << error.toStdString();
    EXPECT_EQ(home.discRows().size(), 1);
    const auto entries = backups.list();
    ASSERT_EQ(entries.size(), CatalogueBackups::kept);
    EXPECT_EQ(entries.front().taken, at(2, 9));
    EXPECT_EQ(entries.front().discs, 2) << "the replaced state is kept";
}

TEST(Backups, ARestoreThatCannotKeepTheCurrentStateChangesNothingUntilToldToGoOn)
{
    TestHome home;
    home.addDisc(1);
    CatalogueBackups backups(home.folder());
    QString error, copy;
    ASSERT_TRUE(backups.take(at(1, 8), &error, &copy));
    const QString elsewhere = home.path() + QStringLiteral("/copy.db");
    ASSERT_TRUE(QFile::rename(copy, elsewhere));
    QDir(backups.folderPath()).removeRecursively();
    writeBytes(backups.folderPath(), "a file where the folder belongs");
    home.addDisc(2);

    bool notKept = false;
    EXPECT_FALSE(backups.restore(elsewhere, at(2, 9), &error, CatalogueBackups::Current::Keep, &notKept));
    EXPECT_TRUE(notKept);
    EXPECT_TRUE(error.startsWith(QStringLiteral("无法建立备份文件夹"))) << error.toStdString();
    EXPECT_EQ(home.discRows().size(), 2);

    ASSERT_TRUE(backups.restore(elsewhere, at(2, 9), &error, CatalogueBackups::Current::Discard, &notKept))
        << error.toStdString();
    EXPECT_FALSE(notKept);
    EXPECT_EQ(home.discRows().size(), 1);
}

TEST(Backups, LeftoversOfAKilledCopyAreClearedOnceStaleAndNeverListed)
{
    TestHome home;
    CatalogueBackups backups(home.folder());
    const QString dir = backups.folderPath() + u'/';
    const QStringList leftovers = { QStringLiteral("ShelfIndex-20261201-080000.db.4242.part"),
        QStringLiteral("ShelfIndex-20261201-080000.db.4242.part-journal") };
    const QString recent = QStringLiteral("ShelfIndex-20261207-080000.db.4243.part");
    for (const QString& name : leftovers + QStringList { recent }) {
        writeBytes(dir + name, "half");
        if (name != recent) {
            QFile f(dir + name);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
        }
    }
    EXPECT_TRUE(backups.list().isEmpty());
    QString error;
    ASSERT_TRUE(backups.take(at(7, 9), &error));
    EXPECT_EQ(QDir(backups.folderPath()).entryList(QDir::Files),
        (QStringList { recent, QStringLiteral("ShelfIndex-20261207-090000.db") }))
        << "a recent one may be another program's copy in progress";
}

// Files this process writes stop at `bytes`, as on a disk that is full, until the scope ends.
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~ScopedFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
    bool ok() const { return ok_; }

private:
    rlimit old_ {};
    void (*oldHandler_)(int) = nullptr;
    bool ok_ = false;
};

TEST(Backups, ACopyThatCannotBeWrittenNamesTheBackupsFolderAndLeavesNothingBehind)
{
    TestHome home;
    home.addDisc(1);
    // Enough rows that the copy needs more room than is left.
    home.exec(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000) "
                       "INSERT INTO ReelShelfIndex (ID, MovieName, PS, DiskNum) "
                       "SELECT i, 'Movie ' || i, hex(randomblob(100)), 1 FROM n"));
    CatalogueBackups backups(home.folder());
    ASSERT_TRUE(QDir().mkpath(backups.folderPath()));
    const QByteArray before = readBytes(home.folder().catalogueFile());
    QString error;
    {
        const ScopedFileSizeLimit full(5000);
        ASSERT_TRUE(full.ok());
        EXPECT_FALSE(backups.take(at(7, 9), &error));
    }
    EXPECT_EQ(error,
        QStringLiteral("无法在备份文件夹 %1 "
                       "中写入备份：文件超出了磁盘或系统允许的大小。请换一个磁盘，或腾出空间后再试。")
            .arg(backups.folderPath()));
    EXPECT_EQ(QDir(backups.folderPath()).entryList(QDir::Files | QDir::Hidden), QStringList {})
        << "no half copy, no journal";
    EXPECT_EQ(readBytes(home.folder().catalogueFile()), before);
    ASSERT_TRUE(backups.take(at(7, 9), &error)) << error.toStdString();
    EXPECT_EQ(backups.list().size(), 1);
}

TEST(Backups, AnInvalidTimeStillGivesACopyThatIsListedAndPruned)
{
    TestHome home;
    CatalogueBackups backups(home.folder());
    QString error, made;
    ASSERT_TRUE(backups.take(QDateTime(), &error, &made));
    ASSERT_EQ(backups.list().size(), 1);
    EXPECT_EQ(backups.list()[0].path, made);
}

} // namespace
