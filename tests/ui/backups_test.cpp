#include "app/mainwindow.h"
#include "app/startup.h"
#include "backups/backupcommands.h"
#include "backups/backuptexts.h"
#include "backups/restoredialog.h"
#include "browse/detailpane.h"
#include "browse/disctreewidget.h"
#include "browse/movielistview.h"
#include "movies/moviecommands.h"
#include "store/backups.h"
#include "store/catalogue.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QDateTime at(int day, int hour, int minute = 0)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute));
}

class BackupsUiTest : public ::testing::Test
{
protected:
    TestApp app;
    std::unique_ptr<MainWindow> window;
    QDateTime now = at(8, 9, 30);

    BackupsUiTest()
    {
        app.context.clock = [this] { return now; };
        app.home.addDisc(QStringLiteral("12"), QStringLiteral("动作片"));
        app.home.addDisc(QStringLiteral("3"));
        app.home.addMovie(1, QStringLiteral("英雄"), 12);
        app.home.addMovie(2, QStringLiteral("十面埋伏"), 12);
    }
    void open()
    {
        window = std::make_unique<MainWindow>(app.context);
        window->show();
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
        app.prompt.asked.clear();
    }
    CatalogueBackups backups() const { return CatalogueBackups(app.home.folder()); }
    // Backups/ as a plain file: no copy can be made there.
    void blockBackups() { writeBytes(backups().folderPath(), "not a folder"); }
    QString blockedReason() const
    {
        QString why;
        EXPECT_FALSE(backups().take(now, &why));
        return why;
    }
    QStringList askedTexts() const
    {
        QStringList texts;
        for (const auto& a : app.prompt.asked)
            texts << a.text;
        return texts;
    }
    void deleteDisc(const QString& key)
    {
        window->discTree()->setCurrentItem(window->discTree()->itemForKey(key));
        window->action(QStringLiteral("deldisk"))->trigger();
    }
    void listDisc(const QString& key)
    {
        QTreeWidgetItem* item = window->discTree()->itemForKey(key);
        ASSERT_NE(item, nullptr);
        window->discTree()->setCurrentItem(item);
        emit window->discTree()->itemClicked(item, 0);
    }
    RestoreDialog* openRestore()
    {
        window->action(QStringLiteral("MN_restore"))->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (auto* dialog : window->findChildren<RestoreDialog*>())
            if (dialog->isVisible())
                return dialog;
        ADD_FAILURE() << "no restore dialog";
        return nullptr;
    }
    QStringList rowsOf(const RestoreDialog* dialog) const
    {
        QStringList rows;
        const QTreeWidget* list = dialog->backupList();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            rows << item->text(0) + u'|' + item->text(1) + u'|' + item->text(2) + u'|' + item->text(3);
        }
        return rows;
    }
};

TEST_F(BackupsUiTest, DeletingADiscKeepsACopyOfTheCatalogueFirst)
{
    open();
    app.prompt.answerNext(Prompt::Answer::Yes);
    deleteDisc(QStringLiteral("Node12"));
    EXPECT_EQ(askedTexts(), QStringList { QStringLiteral("您真的确定删除碟12吗?") });
    EXPECT_EQ(app.home.movieIds().size(), 0);
    const auto kept = backups().list();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept[0].taken, now) << "the stamp comes from the program's clock";
    EXPECT_EQ(kept[0].discs, 2);
    EXPECT_EQ(kept[0].movies, 2);
}

TEST_F(BackupsUiTest, WhenTheCopyFailsTheUserChoosesAndNoKeepsTheDisc)
{
    open();
    blockBackups();
    const QString question = BackupTexts::goOnWithoutBackup(blockedReason());
    ASSERT_TRUE(question.contains(QStringLiteral("无法建立备份文件夹"))) << question.toStdString();

    app.prompt.answerNext(Prompt::Answer::Yes); // delete? yes; go on without a copy? no (the default)
    deleteDisc(QStringLiteral("Node12"));
    ASSERT_EQ(app.prompt.asked.size(), 2);
    EXPECT_EQ(app.prompt.asked[1].text, question);
    EXPECT_EQ(app.prompt.asked[1].buttons, Prompt::Buttons::YesNo);
    EXPECT_EQ(app.prompt.asked[1].icon, Prompt::Icon::Warning);
    EXPECT_EQ(app.home.movieIds().size(), 2);
    EXPECT_EQ(app.home.discRows().size(), 2);

    app.prompt.asked.clear();
    app.prompt.answerNext(Prompt::Answer::Yes);
    app.prompt.answerNext(Prompt::Answer::Yes);
    deleteDisc(QStringLiteral("Node12"));
    EXPECT_EQ(askedTexts(), (QStringList { QStringLiteral("您真的确定删除碟12吗?"), question }));
    EXPECT_EQ(app.home.movieIds().size(), 0);
    EXPECT_EQ(window->discTree()->itemForKey(QStringLiteral("Node12")), nullptr);
}

TEST_F(BackupsUiTest, DeletingAMovieKeepsACopyAndAFailedCopyLetsTheUserStop)
{
    open();
    listDisc(QStringLiteral("Node12"));
    window->movieList()->setCurrentIndex(window->movieList()->model()->index(0, 0));
    app.prompt.answerNext(Prompt::Answer::Yes);
    window->movieCommands()->deleteSelected();
    EXPECT_EQ(app.home.movieIds(), QList<double> { 2 });
    ASSERT_EQ(backups().list().size(), 1);
    EXPECT_EQ(backups().list()[0].movies, 2) << "the copy holds the deleted movie";

    QDir(backups().folderPath()).removeRecursively();
    blockBackups();
    app.prompt.asked.clear();
    window->movieList()->setCurrentIndex(window->movieList()->model()->index(0, 0));
    app.prompt.answerNext(Prompt::Answer::Yes);
    app.prompt.answerNext(Prompt::Answer::No);
    window->movieCommands()->deleteSelected();
    EXPECT_EQ(askedTexts().value(1), BackupTexts::goOnWithoutBackup(blockedReason()));
    EXPECT_EQ(app.home.movieIds(), QList<double> { 2 });
    EXPECT_EQ(window->movieList()->model()->rowCount(), 1);
}

TEST_F(BackupsUiTest, RestoreMenuCommandWithNoBackupsSaysSoAndCannotRestore)
{
    open();
    QAction* action = window->action(QStringLiteral("MN_restore"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), QStringLiteral("恢复备份..."));
    auto* tools = window->menuBar()->findChild<QMenu*>(QStringLiteral("MN_tools"));
    ASSERT_NE(tools, nullptr);
    EXPECT_TRUE(tools->actions().contains(action));

    RestoreDialog* dialog = openRestore();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isModal());
    EXPECT_EQ(dialog->hint()->text(), BackupTexts::noBackups);
    EXPECT_EQ(dialog->backupList()->topLevelItemCount(), 0);
    EXPECT_FALSE(dialog->restoreButton()->isEnabled());
    EXPECT_FALSE(dialog->restoreChosen());
    EXPECT_TRUE(app.prompt.asked.isEmpty());

    QPointer<RestoreDialog> guard(dialog);
    QTest::keyClick(dialog, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull()) << "Esc closes the dialog";
}

TEST_F(BackupsUiTest, RestoreListsNewestFirstAndPutsTheChosenCatalogueBack)
{
    QString error;
    ASSERT_TRUE(backups().take(at(6, 20, 15), &error)); // two discs, two movies
    app.home.addDisc(QStringLiteral("40"));
    app.home.addMovie(3, QStringLiteral("卧虎藏龙"), 40);
    ASSERT_TRUE(backups().take(at(7, 8, 5), &error)); // three discs, three movies
    writeBytes(backups().folderPath() + QStringLiteral("/ShelfIndex-20261207-230000.db"), "garbage");
    open();
    listDisc(QStringLiteral("NodeAll"));
    ASSERT_EQ(window->movieList()->model()->rowCount(), 3);
    EXPECT_EQ(app.context.session.highestDiscNumber, 40);
    // A movie in the pane and a status text, both of the catalogue about to go.
    window->movieList()->setFocus();
    QTest::keyClick(window->movieList(), Qt::Key_Down);
    const auto paneTexts = [&] {
        QString all;
        for (const auto* box : window->detailPane()->findChildren<QLineEdit*>())
            all += box->text();
        return all;
    };
    ASSERT_FALSE(paneTexts().isEmpty());
    ASSERT_FALSE(window->statusLabel()->text().isEmpty());

    RestoreDialog* dialog = openRestore();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->hint()->text(), BackupTexts::intro);
    EXPECT_EQ(rowsOf(dialog),
        (QStringList { QStringLiteral("2026-12-07 23:00:00|操作前备份|无法读取|无法读取"),
            QStringLiteral("2026-12-07 08:05:00|操作前备份|3|3"),
            QStringLiteral("2026-12-06 20:15:00|操作前备份|2|2") }));

    // The unreadable copy says so and changes nothing.
    EXPECT_FALSE(dialog->restoreChosen());
    EXPECT_EQ(
        askedTexts(), QStringList { QStringLiteral("2026-12-07 23:00:00 的备份无法读取，不能用来恢复。") });

    // Arrows choose; No at the confirmation keeps everything.
    app.prompt.asked.clear();
    QTest::keyClick(dialog->backupList(), Qt::Key_Down);
    QTest::keyClick(dialog->backupList(), Qt::Key_Down);
    EXPECT_FALSE(dialog->restoreChosen());
    const QString confirm = QStringLiteral("确定要把目录恢复为 2026-12-06 20:15:00 的备份（2 张光盘，2 "
                                           "部影片）吗？\n当前的目录会先备份，可以再恢复回来。");
    ASSERT_EQ(askedTexts(), QStringList { confirm });
    EXPECT_EQ(app.prompt.asked[0].buttons, Prompt::Buttons::YesNo);
    EXPECT_EQ(app.prompt.asked[0].icon, Prompt::Icon::Warning);
    EXPECT_EQ(app.home.movieIds().size(), 3);
    EXPECT_TRUE(dialog->isVisible());

    // Enter restores the chosen copy.
    app.prompt.asked.clear();
    app.prompt.answerNext(Prompt::Answer::Yes);
    QPointer<RestoreDialog> guard(dialog);
    QTest::keyClick(dialog->backupList(), Qt::Key_Return);
    EXPECT_EQ(askedTexts(),
        (QStringList { confirm, QStringLiteral("已恢复 2026-12-06 20:15:00 的备份：2 张光盘，2 部影片。") }));
    EXPECT_EQ(app.home.movieIds(), (QList<double> { 1, 2 }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull()) << "the dialog closes after a restore";

    // The window shows the restored catalogue.
    EXPECT_EQ(window->movieList()->model()->rowCount(), 0);
    EXPECT_TRUE(window->statusLabel()->text().isEmpty());
    EXPECT_TRUE(paneTexts().isEmpty());
    EXPECT_EQ(window->discTree()->itemForKey(QStringLiteral("Node40")), nullptr);
    EXPECT_NE(window->discTree()->itemForKey(QStringLiteral("Node12")), nullptr);
    EXPECT_EQ(app.context.session.highestDiscNumber, 12);
    EXPECT_EQ(app.context.session.discCount, 2);

    // The replaced state was kept first, and can be restored in turn with a double click.
    const auto entries = backups().list();
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0].taken, now);
    EXPECT_EQ(entries[0].movies, 3);
    dialog = openRestore();
    ASSERT_NE(dialog, nullptr);
    app.prompt.answerNext(Prompt::Answer::Yes);
    const QRect rect = dialog->backupList()->visualItemRect(dialog->backupList()->topLevelItem(0));
    // A double click is a click followed by the double-click event, as the window system sends it.
    QTest::mouseClick(dialog->backupList()->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(dialog->backupList()->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(app.home.movieIds().size(), 3);
    EXPECT_NE(window->discTree()->itemForKey(QStringLiteral("Node40")), nullptr);
}

TEST_F(BackupsUiTest, RestoreOverAnUnreadableCatalogueAsksAndNoChangesNothing)
{
    QString error;
    ASSERT_TRUE(backups().take(at(6, 20), &error));
    open();
    // The catalogue is damaged after the window read it; the copy of it cannot be made.
    writeBytes(app.home.folder().catalogueFile(), QByteArray(4096, 'z'));
    RestoreDialog* dialog = openRestore();
    ASSERT_NE(dialog, nullptr);
    app.prompt.answerNext(Prompt::Answer::Yes);
    app.prompt.answerNext(Prompt::Answer::No);
    EXPECT_FALSE(dialog->restoreChosen());
    ASSERT_EQ(app.prompt.asked.size(), 2);
    EXPECT_TRUE(
        app.prompt.asked[1].text.startsWith(QStringLiteral("无法先备份目录：\n无法备份：目录数据库 %1 已损坏")
                                                .arg(app.home.folder().catalogueFile())))
        << app.prompt.asked[1].text.toStdString();
    EXPECT_EQ(readBytes(app.home.folder().catalogueFile()), QByteArray(4096, 'z'));
    EXPECT_EQ(backups().list().size(), 1);
}

TEST_F(BackupsUiTest, TenDeletionsKeepYesterdaysCopyAndTheRestoreWindowSaysWhichKindEachIs)
{
    QString warning;
    ASSERT_TRUE(Startup::takeDailyBackup(app.home.folder(), at(7, 8), &warning)) << warning.toStdString();
    for (int id = 10; id < 22; ++id)
        app.home.addMovie(id, QStringLiteral("重复 %1").arg(id), 3);
    ASSERT_TRUE(Startup::takeDailyBackup(app.home.folder(), at(8, 8), &warning)) << warning.toStdString();
    open();
    // A clean-up of twelve duplicates, each deletion after its own copy.
    listDisc(QStringLiteral("Node3"));
    for (int i = 0; i < 12; ++i) {
        now = at(8, 10, i);
        window->movieList()->setCurrentIndex(window->movieList()->model()->index(0, 0));
        app.prompt.answerNext(Prompt::Answer::Yes);
        window->movieCommands()->deleteSelected();
    }
    ASSERT_EQ(app.home.movieIds(), (QList<double> { 1, 2 }));

    RestoreDialog* dialog = openRestore();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->hint()->text().contains(QStringLiteral("分开保留，各保留最近十份")))
        << dialog->hint()->text().toStdString();
    EXPECT_EQ(dialog->backupList()->headerItem()->text(1), QStringLiteral("种类"));
    EXPECT_LE(dialog->width(), 1024);
    EXPECT_LE(dialog->height(), 700);
    const QStringList rows = rowsOf(dialog);
    ASSERT_EQ(rows.size(), 12);
    EXPECT_EQ(rows.first(), QStringLiteral("2026-12-08 10:11:00|操作前备份|2|3"));
    EXPECT_EQ(rows.at(10), QStringLiteral("2026-12-08 08:00:00|每日备份|2|14"));
    EXPECT_EQ(rows.last(), QStringLiteral("2026-12-07 08:00:00|每日备份|2|2"));

    // Yesterday's copy is still there to go back to.
    dialog->backupList()->setCurrentItem(dialog->backupList()->topLevelItem(11));
    app.prompt.asked.clear();
    app.prompt.answerNext(Prompt::Answer::Yes);
    EXPECT_TRUE(dialog->restoreChosen());
    EXPECT_EQ(
        askedTexts().value(1), QStringLiteral("已恢复 2026-12-07 08:00:00 的备份：2 张光盘，2 部影片。"));
    EXPECT_EQ(app.home.movieIds(), (QList<double> { 1, 2 }));
}

TEST_F(BackupsUiTest, StartupTakesOneCopyADayAndOnlyWarnsWhenItCannot)
{
    QString warning;
    EXPECT_TRUE(Startup::takeDailyBackup(app.home.folder(), at(8, 7), &warning));
    EXPECT_TRUE(Startup::takeDailyBackup(app.home.folder(), at(8, 22), &warning));
    EXPECT_EQ(backups().list().size(), 1);
    EXPECT_TRUE(Startup::takeDailyBackup(app.home.folder(), at(9, 7), &warning));
    EXPECT_EQ(backups().list().size(), 2);
    EXPECT_TRUE(warning.isEmpty());

    QDir(backups().folderPath()).removeRecursively();
    blockBackups();
    EXPECT_FALSE(Startup::takeDailyBackup(app.home.folder(), at(10, 7), &warning));
    EXPECT_EQ(warning, BackupTexts::dailyBackupFailed(blockedReason()));
    EXPECT_TRUE(warning.endsWith(QStringLiteral("程序照常启动。")));
}

} // namespace
