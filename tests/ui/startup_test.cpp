#include "app/startup.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(Startup, CompletesANewFolderFromTheInstalledDefaults)
{
    QTemporaryDir dir;
    const DataFolder folder(dir.path() + QStringLiteral("/home"));
    QString error;
    ASSERT_TRUE(Startup::prepareDataFolder(folder, &error)) << error.toStdString();
    for (const QString& path : { folder.catalogueFile(), folder.settingsFile(), folder.defaultPoster(),
             folder.goldStar(), folder.grayStar(), folder.helpFile() })
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    for (const QString& path : { folder.compicsDir(), folder.outputsDir() })
        EXPECT_TRUE(QDir(path).exists()) << path.toStdString();
}

TEST(Startup, RefusesAFileThatIsNoCatalogueAndLeavesItAlone)
{
    QTemporaryDir dir;
    const DataFolder folder(dir.path());
    const QByteArray text = "这不是数据库\nnot a database at all\n";
    {
        QFile f(folder.catalogueFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QString error;
    EXPECT_FALSE(Startup::prepareDataFolder(folder, &error));
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(folder.catalogueFile()))) << error.toStdString();
    EXPECT_EQ(readBytes(folder.catalogueFile()), text);
}

TEST(Startup, KeepsTheUsersOwnSettings)
{
    QTemporaryDir dir;
    const DataFolder folder(dir.path());
    const QByteArray mine = "[ReelShelfIndex1.02]\nAutoOpen=0\n";
    {
        QFile f(folder.settingsFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(mine);
    }
    QString error;
    ASSERT_TRUE(Startup::prepareDataFolder(folder, &error));
    EXPECT_EQ(readBytes(folder.settingsFile()), mine);
}

// A small file system of its own, full but for `freePages` pages of 4 KB (root only).
class NearlyFullDisk
{
public:
    NearlyFullDisk()
    {
        QDir().mkpath(path());
        mounted_ = QProcess::execute(QStringLiteral("mount"),
                       { QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                           QStringLiteral("size=256k"), QStringLiteral("tmpfs"), path() })
            == 0;
    }
    ~NearlyFullDisk()
    {
        if (mounted_)
            QProcess::execute(QStringLiteral("umount"), { path() });
    }
    bool mounted() const { return mounted_; }
    QString path() const { return dir_.filePath(QStringLiteral("disk")); }
    void leave(int freePages)
    {
        QDir(path()).removeRecursively();
        QDir().mkpath(path() + QStringLiteral("/fill"));
        QStringList pages;
        for (int i = 0;; ++i) {
            QFile page(path() + QStringLiteral("/fill/%1").arg(i));
            if (!page.open(QIODevice::WriteOnly) || page.write(QByteArray(4096, 'x')) != 4096
                || !page.flush()) {
                page.close();
                page.remove();
                break;
            }
            pages.append(page.fileName());
        }
        for (int i = 0; i < freePages && !pages.isEmpty(); ++i)
            QFile::remove(pages.takeLast());
    }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

// However little room the disk has, each file the start completes the folder with is whole or
// absent, and a missing one is reported; no short settings file is left to be taken as the user's.
TEST(Startup, ANearlyFullDiskLeavesNoShortFileAndSaysSo)
{
    NearlyFullDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "no small file system can be mounted here (needs root)";
    const QStringList defaults = { QStringLiteral("RSISet.ini"), QStringLiteral("Posters/00.jpg"),
        QStringLiteral("Temp/goldstar.gif"), QStringLiteral("Temp/graystar.gif"),
        QStringLiteral("help.html") };
    for (int freePages = 0; freePages <= 16; ++freePages) {
        disk.leave(freePages);
        const DataFolder folder(disk.path() + QStringLiteral("/home"));
        QString error;
        const bool started = Startup::prepareDataFolder(folder, &error);
        bool allThere = true;
        for (const QString& name : defaults) {
            const QString file = folder.path() + u'/' + name;
            if (!QFileInfo::exists(file)) {
                allThere = false;
                continue;
            }
            EXPECT_EQ(readBytes(file), readBytes(QStringLiteral(":/defaults/") + name))
                << name.toStdString() << " with " << freePages << " pages free";
        }
        EXPECT_TRUE(allThere || !error.isEmpty()) << freePages << " pages free";
        EXPECT_TRUE(started || !error.isEmpty());
        const QStringList parts = QDir(folder.path()).entryList({ QStringLiteral("*.part-*") }, QDir::Files);
        EXPECT_TRUE(parts.isEmpty()) << parts.join(u' ').toStdString();
    }
}

QProgressDialog* firstImportProgress()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("firstImportProgress") && w->isVisible())
            return qobject_cast<QProgressDialog*>(w);
    return nullptr;
}

// A folder copied from Windows, with another start of the program importing it right now.
struct FolderBeingImported
{
    QTemporaryDir dir;
    DataFolder folder { dir.path() };
    QLockFile otherStart { folder.catalogueFile() + QStringLiteral(".importing.lock") };
    FolderBeingImported()
    {
        writeBytes(dir.filePath(QStringLiteral("ShelfIndex.mdb")),
            readBytes(QStringLiteral(REELSHELF_TEST_DATA "/mdb/catalogue40.mdb")));
        installDefaults(folder, nullptr);
        otherStart.tryLock(0);
    }
    // What the other start leaves when it is done: its catalogue, then no lock.
    void otherStartFinishes()
    {
        const QString built = folder.catalogueFile() + QStringLiteral(".other");
        Catalogue catalogue(built);
        CatalogueContents contents;
        contents.discs.append({ QStringLiteral("1"), QStringLiteral("另一个程序导入的 "), {}, {}, {}, {} });
        QString error;
        EXPECT_TRUE(catalogue.prepare(&error) && catalogue.replaceContents(contents, &error))
            << error.toStdString();
        EXPECT_TRUE(QFile::rename(built, folder.catalogueFile()));
        otherStart.unlock();
    }
};

// Two first starts on a folder holding only ShelfIndex.mdb: the second waits, painting its
// progress window, and then opens what the first imported.
TEST(StartupFirstImport, WaitsWithItsWindowPaintingForAnotherStartThatImports)
{
    FolderBeingImported f;
    ASSERT_TRUE(f.otherStart.isLocked());
    int ticks = 0;
    QString shown;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QProgressDialog* progress = firstImportProgress();
        if (!progress)
            return;
        shown = progress->labelText();
        // The window thread runs while the start waits: the other start takes a second.
        if (++ticks == 20)
            f.otherStartFinishes();
    });
    timer.start(50);
    QString error;
    LegacyImport::Notice imported;
    ASSERT_TRUE(Startup::prepareDataFolderShowingProgress(f.folder, &error, &imported))
        << error.toStdString();
    EXPECT_GE(ticks, 20);
    EXPECT_EQ(shown, Startup::waitingText());
    EXPECT_TRUE(imported.isEmpty()) << imported.text.toStdString();
    RawDb db(f.folder.catalogueFile());
    EXPECT_EQ(db.rows(QStringLiteral("SELECT Name FROM DiskState")),
        QStringList({ QStringLiteral("另一个程序导入的 ") }));
    EXPECT_EQ(firstImportProgress(), nullptr);
}

TEST(StartupFirstImport, TheWaitCanBeCancelledAndTheStartStops)
{
    FolderBeingImported f;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QProgressDialog* progress = firstImportProgress();
        if (!progress || progress->labelText() != Startup::waitingText())
            return;
        if (QPushButton* cancel = progress->findChild<QPushButton*>())
            QTest::mouseClick(cancel, Qt::LeftButton);
    });
    timer.start(50);
    QString error;
    LegacyImport::Notice imported;
    EXPECT_FALSE(Startup::prepareDataFolderShowingProgress(f.folder, &error, &imported));
    EXPECT_TRUE(error.contains(QStringLiteral("已取消读取旧版数据库文件"))) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(f.folder.catalogueFile()));
}

// With no other start about, the import runs behind the same window and says what came over.
TEST(StartupFirstImport, ImportsBehindAProgressWindow)
{
    QTemporaryDir dir;
    const DataFolder folder(dir.path());
    writeBytes(dir.filePath(QStringLiteral("ShelfIndex.mdb")),
        readBytes(QStringLiteral(REELSHELF_TEST_DATA "/mdb/catalogue40.mdb")));
    bool sawProgress = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { sawProgress = sawProgress || firstImportProgress(); });
    timer.start(5);
    QString error;
    LegacyImport::Notice imported;
    ASSERT_TRUE(Startup::prepareDataFolderShowingProgress(folder, &error, &imported)) << error.toStdString();
    EXPECT_EQ(imported.text, QStringLiteral("已从旧版数据库导入 5 张光盘、40 部影片。"));
    EXPECT_TRUE(sawProgress);
}

} // namespace
