#include "app/mainwindow.h"
#include "app/startup.h"
#include "browse/disctreewidget.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "builtsource.h"
#include "legacy/legacyimportcommand.h"
#include "store/backups.h"
#include "store/settings.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <sys/stat.h>

using LegacyImport::Mode;

namespace {

const QString fixtures = QStringLiteral(REELSHELF_TEST_DATA "/mdb");

// The old catalogue the tests pretend the chosen file holds: discs 1 and 2, one movie on each.
BuiltSource oldCatalogue()
{
    BuiltSource source = BuiltSource::empty();
    source.disc(
        { QStringLiteral("1"), QStringLiteral("旧一 "), QVariant(), QVariant(), QVariant(), QVariant() });
    source.disc(
        { QStringLiteral("2"), QStringLiteral("旧二 "), QVariant(), QVariant(), QVariant(), QVariant() });
    source.movie(1.0, QStringLiteral("甲 "), 1.0);
    source.movie(2.0, QStringLiteral("乙 "), 2.0);
    return source;
}

struct ImportWindow : TestApp
{
    MainWindow window { context };
    QString chosen = QStringLiteral("/old/ShelfIndex.mdb");
    QList<Mode> modes;

    ImportWindow()
    {
        QString error;
        if (!window.load(&error))
            throw std::runtime_error(error.toStdString());
        context.pickFile = [this](QWidget*, const QString&, const QString&, const QString& filter) {
            EXPECT_EQ(filter, QStringLiteral("旧版数据库 (*.mdb)"));
            return chosen;
        };
    }
    LegacyImportCommand* command() { return window.legacyImportCommand(); }
    // The chosen file's tables come from code; `beside` plays the folder it lies in.
    void feedBuiltTables(const QString& beside = QString())
    {
        command()->setImporter([this, beside](const DataFolder& folder, const QString&, Mode mode,
                                   const QDateTime& now, QString* error, const LegacyImport::Control&) {
            modes.append(mode);
            BuiltSource source = oldCatalogue();
            return LegacyImport::importInto(folder, source, mode, beside, now, error);
        });
    }
    // Triggers the menu command and waits for the import to end; false when none started.
    bool trigger()
    {
        prompt.asked.clear(); // the empty-catalogue note of the window's load
        QSignalSpy done(command(), &LegacyImportCommand::finished);
        window.action(QStringLiteral("MN_importMdb"))->trigger();
        if (!command()->isRunning())
            return false;
        EXPECT_EQ(QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor,
            Qt::WaitCursor);
        EXPECT_TRUE(done.wait(20000));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        return true;
    }
    int discNodes() const { return window.discTree()->topLevelItem(0)->childCount(); }
};

TEST(LegacyImportCommand, SitsInTheToolsMenu)
{
    ImportWindow w;
    QAction* a = w.window.action(QStringLiteral("MN_importMdb"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->text(), QStringLiteral("导入旧版数据库(*.mdb)..."));
}

TEST(LegacyImportCommand, AnEmptyCatalogueTakesTheFileAfterAConfirmation)
{
    ImportWindow w;
    w.feedBuiltTables();
    w.prompt.answerNext(Prompt::Answer::Yes);
    ASSERT_TRUE(w.trigger());
    ASSERT_EQ(w.prompt.asked.size(), 2);
    EXPECT_EQ(w.prompt.asked[0].text, LegacyImportCommand::confirmText(w.chosen));
    EXPECT_EQ(w.prompt.asked[0].buttons, Prompt::Buttons::YesNo);
    EXPECT_EQ(w.modes, QList<Mode>({ Mode::Replace }));
    EXPECT_EQ(w.prompt.asked[1].icon, Prompt::Icon::Information);
    EXPECT_EQ(w.prompt.asked[1].text, QStringLiteral("已从旧版数据库导入 2 张光盘、2 部影片。"));
    EXPECT_EQ(w.home.movieIds(), QList<double>({ 1, 2 }));
    EXPECT_EQ(w.discNodes(), 2);
}

TEST(LegacyImportCommand, EveryFileThatCouldNotBeCopiedIsListed)
{
    ImportWindow w;
    w.command()->setImporter([](const DataFolder&, const QString&, Mode, const QDateTime&, QString*,
                                 const LegacyImport::Control&) {
        LegacyImport::Report report;
        report.discs = 1;
        for (int i = 1; i <= 25; ++i)
            report.warnings.append(QStringLiteral("未能复制 /old/Posters/%1.jpg").arg(i));
        return std::optional<LegacyImport::Report>(report);
    });
    w.prompt.answerNext(Prompt::Answer::Yes);
    ASSERT_TRUE(w.trigger());
    // The importer here writes nothing, so the window also says the catalogue is empty.
    const auto& report = w.prompt.asked.last();
    EXPECT_EQ(report.icon, Prompt::Icon::Information);
    EXPECT_EQ(report.text, QStringLiteral("已从旧版数据库导入 1 张光盘、0 部影片。\n有 25 个文件未能复制："));
    ASSERT_EQ(report.details.size(), 25);
    EXPECT_EQ(report.details.last(), QStringLiteral("未能复制 /old/Posters/25.jpg"));
}

TEST(LegacyImportCommand, AFullCatalogueLetsTheUserAddOrReplaceOrCancel)
{
    const struct
    {
        Prompt::Answer answer;
        QList<double> ids;
        bool backup;
        const char16_t* report;
    } cases[] = {
        { Prompt::Answer::No, { 1, 2 }, false,
            u"已从旧版数据库导入 1 张光盘、1 部影片。\n目录中已有光盘号 1，这些光盘及其中的 1 "
            u"部影片没有导入。" },
        { Prompt::Answer::Yes, { 1, 2 }, true, u"已从旧版数据库导入 2 张光盘、2 部影片。" },
        { Prompt::Answer::Cancel, { 1 }, false, nullptr },
    };
    for (const auto& c : cases) {
        ImportWindow w;
        w.home.addDisc(QStringLiteral("1"), QStringLiteral("我们的 "));
        w.home.addMovie(1, QStringLiteral("我们的影片 "), 1);
        QString error;
        ASSERT_TRUE(w.window.discTree()->rebuildDiscTree(&error));
        w.feedBuiltTables();
        const QString listed = QStringLiteral("共1张光碟,1部影视.");
        w.window.statusLabel()->setText(listed);
        w.prompt.answerNext(c.answer);
        EXPECT_EQ(w.trigger(), c.report != nullptr);
        // A finished import leaves nothing on show that belonged to the list before it.
        EXPECT_EQ(w.window.statusLabel()->text(), c.report ? QString() : listed);
        ASSERT_GE(w.prompt.asked.size(), 1);
        EXPECT_EQ(w.prompt.asked[0].text, LegacyImportCommand::chooseText(w.chosen, 1, 1));
        EXPECT_EQ(w.prompt.asked[0].buttons, Prompt::Buttons::YesNoCancel);
        EXPECT_EQ(w.home.movieIds(), c.ids);
        EXPECT_EQ(CatalogueBackups(w.home.folder()).list().size(), c.backup ? 1 : 0);
        if (c.report) {
            ASSERT_EQ(w.prompt.asked.size(), 2);
            EXPECT_EQ(w.prompt.asked[1].text, QString::fromUtf16(c.report));
            EXPECT_EQ(w.discNodes(), 2);
            EXPECT_EQ(w.window.movieList()->movieModel()->rowCount(), 0);
        }
    }
}

TEST(LegacyImportCommand, ReplacingAppliesTheOldSettingsToTheListAtOnce)
{
    ImportWindow w;
    w.home.addDisc(QStringLiteral("9"));
    QTemporaryDir old;
    writeBytes(old.filePath(QStringLiteral("RSISet.ini")),
        "[ReelShelfIndex1.02]\r\nSetColor1=255\r\nSetColor2=65280\r\nCustomdrive=G:\\\r\n");
    w.feedBuiltTables(old.path());
    w.prompt.answerNext(Prompt::Answer::Yes);
    ASSERT_TRUE(w.trigger());
    const QPalette p = w.window.movieList()->palette();
    EXPECT_EQ(p.color(QPalette::Base), QColor(255, 0, 0));
    EXPECT_EQ(p.color(QPalette::AlternateBase), QColor(0, 255, 0));
    EXPECT_EQ(w.context.settings.text(Settings::mainSection(), QStringLiteral("Customdrive")),
        QStringLiteral("G:\\"));
}

TEST(LegacyImportCommand, AFileWithoutTheTablesIsReportedAndChangesNothing)
{
    ImportWindow w;
    w.home.addDisc(QStringLiteral("1"));
    w.chosen = fixtures + QStringLiteral("/test2V1997.mdb");
    w.prompt.answerNext(Prompt::Answer::No);
    ASSERT_TRUE(w.trigger());
    ASSERT_EQ(w.prompt.asked.size(), 2);
    EXPECT_EQ(w.prompt.asked[1].icon, Prompt::Icon::Warning);
    EXPECT_EQ(w.prompt.asked[1].text,
        QStringLiteral(
            "旧版数据库 %1 不完整，没有导入任何内容：\n缺少表：DiskState、ReelShelfIndex、MovieFileType。")
            .arg(QDir::toNativeSeparators(w.chosen)));
    EXPECT_EQ(w.home.discRows().size(), 1);
}

// These files hung the window's import for ever, crashed the program or took part of the file.
TEST(LegacyImportCommand, ADamagedFileIsRefusedWithinSecondsAndChangesNothing)
{
    for (const char* name :
        { "damaged-memo-self-chain.mdb", "damaged-flip-crash.mdb", "damaged-cut-last-page.mdb" }) {
        ImportWindow w;
        w.home.addDisc(QStringLiteral("1"));
        w.chosen = fixtures + u'/' + QString::fromLatin1(name);
        w.prompt.answerNext(Prompt::Answer::Yes);
        QElapsedTimer timer;
        timer.start();
        ASSERT_TRUE(w.trigger());
        EXPECT_LT(timer.elapsed(), 10000) << name;
        ASSERT_EQ(w.prompt.asked.size(), 2);
        EXPECT_EQ(w.prompt.asked[1].icon, Prompt::Icon::Warning);
        EXPECT_TRUE(w.prompt.asked[1].text.contains(QDir::toNativeSeparators(w.chosen)))
            << w.prompt.asked[1].text.toStdString();
        EXPECT_TRUE(w.prompt.asked[1].text.endsWith(QStringLiteral("没有导入任何内容。")))
            << w.prompt.asked[1].text.toStdString();
        EXPECT_EQ(w.home.discRows().size(), 1);
        EXPECT_TRUE(CatalogueBackups(w.home.folder()).list().isEmpty());
    }
}

QProgressDialog* importProgress(const MainWindow& window)
{
    return window.findChild<QProgressDialog*>(QStringLiteral("importProgress"));
}

QPushButton* cancelButton(QProgressDialog* progress)
{
    return progress ? progress->findChild<QPushButton*>() : nullptr;
}

// Runs `step` on the window thread every 50 ms while the import runs, until it says it is done.
void whileImporting(QObject* context, const std::function<bool()>& step)
{
    auto* timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, step] {
        if (step())
            timer->deleteLater();
    });
    timer->start(50);
}

// A damaged file that keeps libmdb busy for ever is one the user must be able to give up on.
TEST(LegacyImportCommand, CancelStopsTheReadingOfAFileThatNeverEnds)
{
    ImportWindow w;
    w.home.addDisc(QStringLiteral("1"));
    QTemporaryDir dir;
    const QString stuck = dir.filePath(QStringLiteral("stuck-reader.sh"));
    writeBytes(stuck, "#!/bin/sh\nexec sleep 60\n");
    QFile::setPermissions(stuck, QFile::permissions(stuck) | QFile::ExeOwner);
    w.chosen = fixtures + QStringLiteral("/catalogue40.mdb");
    w.command()->setImporter([stuck](const DataFolder& folder, const QString& file, Mode mode,
                                 const QDateTime& now, QString* error, const LegacyImport::Control& control) {
        LegacyImport::Control reading = control;
        reading.reading.program = stuck;
        reading.reading.stall = std::chrono::seconds(60);
        return LegacyImport::importFile(folder, file, mode, now, error, reading);
    });
    QString label;
    int ticks = 0;
    whileImporting(&w.window, [&] {
        QProgressDialog* progress = importProgress(w.window);
        // The window paints while the file is read; then the user gives up.
        if (!progress || !progress->isVisible() || ++ticks < 4)
            return false;
        QPushButton* cancel = cancelButton(progress);
        EXPECT_TRUE(cancel && cancel->isEnabled() && cancel->text() == QStringLiteral("取消"));
        if (cancel)
            QTest::mouseClick(cancel, Qt::LeftButton);
        label = progress->labelText();
        return true;
    });
    w.prompt.answerNext(Prompt::Answer::No);
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(w.trigger());
    EXPECT_LT(timer.elapsed(), 8000);
    EXPECT_EQ(label, LegacyImportCommand::stoppingText());
    ASSERT_EQ(w.prompt.asked.size(), 2);
    EXPECT_EQ(w.prompt.asked[1].icon, Prompt::Icon::Information);
    EXPECT_EQ(w.prompt.asked[1].text, MdbReadProcess::stoppedMessage(w.chosen));
    EXPECT_EQ(w.home.discRows().size(), 1);
    EXPECT_TRUE(CatalogueBackups(w.home.folder()).list().isEmpty());
}

// Once the catalogue is being written the import is no longer stopped half-way: 取消 and Esc do nothing.
TEST(LegacyImportCommand, CancelIsGreyedOnceTheCatalogueIsWritten)
{
    ImportWindow w;
    w.command()->setImporter([](const DataFolder& folder, const QString&, Mode mode, const QDateTime& now,
                                 QString* error, const LegacyImport::Control& control) {
        BuiltSource source = oldCatalogue();
        return LegacyImport::importInto(folder, source, mode, QString(), now, error, [&control](QString*) {
            control.writing();
            QThread::msleep(600);
            return true;
        });
    });
    bool sawWriting = false;
    whileImporting(&w.window, [&] {
        QProgressDialog* progress = importProgress(w.window);
        if (!progress || progress->labelText() != LegacyImportCommand::writingText())
            return false;
        sawWriting = true;
        QPushButton* cancel = cancelButton(progress);
        EXPECT_TRUE(cancel && !cancel->isEnabled());
        QTest::keyClick(progress, Qt::Key_Escape);
        EXPECT_EQ(progress->labelText(), LegacyImportCommand::writingText());
        return true;
    });
    w.prompt.answerNext(Prompt::Answer::Yes);
    ASSERT_TRUE(w.trigger());
    EXPECT_TRUE(sawWriting);
    ASSERT_EQ(w.prompt.asked.size(), 2);
    EXPECT_EQ(w.prompt.asked[1].text, QStringLiteral("已从旧版数据库导入 2 张光盘、2 部影片。"));
    EXPECT_EQ(w.home.movieIds(), QList<double>({ 1, 2 }));
}

// Nothing is asked about a file that cannot be an old catalogue at all: it is said at once.
TEST(LegacyImportCommand, APipeOrAnEmptyFileIsSaidBeforeAnyQuestion)
{
    ImportWindow w;
    w.home.addDisc(QStringLiteral("1"));
    const QString pipe = w.home.path() + QStringLiteral("/pipe.mdb");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    const QString empty = w.home.path() + QStringLiteral("/empty.mdb");
    writeBytes(empty, QByteArray());
    for (const auto& [file, said] : { std::pair { pipe, QStringLiteral("不是普通文件") },
             std::pair { empty, QStringLiteral("是空文件") } }) {
        w.prompt.asked.clear();
        w.chosen = file;
        EXPECT_FALSE(w.trigger());
        ASSERT_EQ(w.prompt.asked.size(), 1);
        EXPECT_EQ(w.prompt.asked[0].icon, Prompt::Icon::Warning);
        EXPECT_TRUE(w.prompt.asked[0].text.contains(said)) << w.prompt.asked[0].text.toStdString();
    }
    EXPECT_EQ(w.home.discRows().size(), 1);
}

TEST(LegacyImportCommand, NothingHappensWhenNoFileIsChosen)
{
    ImportWindow w;
    w.chosen.clear();
    EXPECT_FALSE(w.trigger());
    EXPECT_TRUE(w.prompt.asked.isEmpty());
}

// First start in a folder copied from Windows: the old file is only read, whatever comes of it.
TEST(LegacyFirstStart, AnOldFileThatCannotBeImportedStopsTheStartAndLeavesNoCatalogue)
{
    const struct
    {
        QByteArray bytes;
        const char16_t* expected;
    } cases[] = {
        { readBytes(fixtures + QStringLiteral("/test2V1997.mdb")),
            u"缺少表：DiskState、ReelShelfIndex、MovieFileType" },
        { QByteArray("not an access file"), u"不是 Access 数据库文件" },
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const DataFolder folder(dir.path());
        const QString old = dir.filePath(QStringLiteral("ShelfIndex.mdb"));
        writeBytes(old, c.bytes);
        QString error;
        LegacyImport::Notice imported;
        EXPECT_FALSE(Startup::prepareDataFolder(folder, &error, &imported));
        EXPECT_TRUE(error.startsWith(QStringLiteral("旧版数据库 ShelfIndex.mdb 未能导入，程序无法启动：")))
            << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf16(c.expected))) << error.toStdString();
        // The way out is named: the old file is kept and can be moved aside.
        EXPECT_TRUE(error.endsWith(
            QStringLiteral("请先把它移出数据文件夹 %1。").arg(QDir::toNativeSeparators(dir.path()))))
            << error.toStdString();
        EXPECT_TRUE(imported.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(folder.catalogueFile()));
        EXPECT_FALSE(QFileInfo::exists(folder.catalogueFile() + QStringLiteral(".importing")));
        EXPECT_EQ(readBytes(old), c.bytes);
    }
}

TEST(LegacyFirstStart, AFolderWithACatalogueIgnoresTheOldFile)
{
    TestHome home;
    home.addDisc(QStringLiteral("5"));
    const QString old = home.path() + QStringLiteral("/ShelfIndex.mdb");
    writeBytes(old, "not an access file");
    QString error;
    LegacyImport::Notice imported;
    ASSERT_TRUE(Startup::prepareDataFolder(home.folder(), &error, &imported)) << error.toStdString();
    EXPECT_TRUE(imported.isEmpty());
    EXPECT_EQ(home.discRows().size(), 1);
}

TEST(LegacyFirstStart, AnExecutableFolderHoldingOnlyTheOldFileIsAPortableInstall)
{
    QTemporaryDir exe;
    const QByteArray saved = qgetenv("REELSHELF_HOME");
    qunsetenv("REELSHELF_HOME");
    EXPECT_NE(DataFolder::resolve(QString(), exe.path()).path(), DataFolder(exe.path()).path());
    writeBytes(exe.filePath(QStringLiteral("ShelfIndex.mdb")), "old");
    EXPECT_EQ(DataFolder::resolve(QString(), exe.path()).path(), DataFolder(exe.path()).path());
    if (!saved.isNull())
        qputenv("REELSHELF_HOME", saved);
}

} // namespace
