// A disc's check, the media the status line recognises, and playing a movie from its disc: through
// the real window, on real files, and on real mounts (a small FUSE file system) for media that
// come and go.
#include "app/mainwindow.h"
#include "app/mediumbar.h"
#include "browse/disctree.h"
#include "browse/disctreewidget.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "discs/discdetailsdialog.h"
#include "discs/rescandialog.h"
#include "discs/verifydialog.h"
#include "movies/movieplayer.h"
#include "testsupport.h"
#include "wizard/wizarddialog.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString media = QStringLiteral(REELSHELF_TEST_DATA "/media");

class VerifyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        copy(QStringLiteral("feature.mkv"), QStringLiteral("disc/英雄/英雄.mkv"));
        copy(QStringLiteral("parts.CD1.mp4"), QStringLiteral("disc/Parts/parts.CD1.mp4"));
        copy(QStringLiteral("parts.CD2.mp4"), QStringLiteral("disc/Parts/parts.CD2.mp4"));
        copy(QStringLiteral("plain.avi"), QStringLiteral("other/plain.avi"));
        const CliRun added = runCliCaptured(app.home,
            { QStringLiteral("add-disc"), QStringLiteral("--number"), QStringLiteral("3"),
                QStringLiteral("--name"), QStringLiteral("旧碟"), QStringLiteral("--no-facts"), root() });
        ASSERT_EQ(added.code, 0) << added.err.toStdString();
        window = std::make_unique<MainWindow>(app.context);
        // Only this test's own mounts count as media.
        // Only this test's own mounts count as media (a FUSE mount is not among the system's volumes).
        window->mediumBar()->setWatchedRoots([this] {
            QStringList roots;
            QFile table(QStringLiteral("/proc/self/mounts"));
            if (table.open(QIODevice::ReadOnly))
                for (const QByteArray& line : table.readAll().split('\n'))
                    if (const QString at = QString::fromUtf8(line.split(' ').value(1));
                        at.startsWith(mounts.path()))
                        roots << at;
            return roots;
        });
        window->show();
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
        select(QStringLiteral("Node3"));
    }

    void copy(const QString& from, const QString& to)
    {
        QDir().mkpath(QFileInfo(tree.path(to)).absolutePath());
        ASSERT_TRUE(QFile::copy(media + u'/' + from, tree.path(to))) << to.toStdString();
    }

    QString root() const { return tree.path(QStringLiteral("disc")); }

    void select(const QString& key)
    {
        QTreeWidgetItem* item = window->discTree()->itemForKey(key);
        ASSERT_NE(item, nullptr);
        window->discTree()->setCurrentItem(item);
        emit window->discTree()->itemClicked(item, 0);
    }

    void selectMovie(int row)
    {
        MovieListView* list = window->movieList();
        list->setCurrentIndex(list->movieModel()->index(row, 0));
    }

    VerifyDialog* openCheck(const char* command, const QString& where)
    {
        window->action(QString::fromLatin1(command))->trigger();
        auto* dialog = window->findChild<VerifyDialog*>();
        if (dialog)
            dialog->findChild<QComboBox*>(QStringLiteral("ComboRoot"))->setEditText(where);
        return dialog;
    }

    static bool runCheck(VerifyDialog* dialog)
    {
        QSignalSpy finished(dialog, &VerifyDialog::finished);
        dialog->start();
        return finished.wait(20000);
    }

    QStringList promptTexts() const
    {
        QStringList texts;
        for (const RecordingPrompt::Asked& a : app.prompt.asked)
            texts << a.text;
        return texts;
    }

    TestApp app;
    TestTree tree;
    TestTree mounts;
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST_F(VerifyTest, ADiscCheckedFromItsMenuShowsEachFileAndADamagedDiscIsOfferedItsCondition)
{
    VerifyDialog* dialog = openCheck("VerifyDisc", root());
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isModal()) << "the main window stays usable during a check";
    EXPECT_EQ(dialog->chosenDisc(), QStringLiteral("3"));
    ASSERT_TRUE(runCheck(dialog));
    ASSERT_TRUE(dialog->result());
    EXPECT_EQ(dialog->result()->status, DiscVerify::Result::Done) << dialog->result()->error.toStdString();
    auto* files = dialog->findChild<QTreeWidget*>(QStringLiteral("ListFiles"));
    ASSERT_EQ(files->topLevelItemCount(), 3);
    EXPECT_EQ(files->topLevelItem(0)->text(2), QStringLiteral("完好"));
    EXPECT_TRUE(app.prompt.asked.isEmpty());
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_TRUE(dialog->findChild<QLabel*>(QStringLiteral("LabelSummary"))->text().contains(today));

    // A part gone: listed first, the disc offered "破损", and the tree marks it.
    ASSERT_TRUE(QFile::remove(tree.path(QStringLiteral("disc/Parts/parts.CD2.mp4"))));
    app.prompt.answerNext(Prompt::Answer::Yes);
    ASSERT_TRUE(runCheck(dialog));
    EXPECT_EQ(files->topLevelItemCount(), 3);
    EXPECT_EQ(files->topLevelItem(0)->text(0), QStringLiteral("Parts/parts.CD2.mp4"));
    EXPECT_EQ(files->topLevelItem(0)->text(2), QStringLiteral("缺失"));
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked.at(0).text,
        QStringLiteral(
            "碟#3 [旧碟] 有文件缺失或无法读取（%1，1 个文件缺失）。\n\n把它的磁盘状态改为“破损”吗？")
            .arg(today));
    EXPECT_EQ(app.home.discRows().value(0).section(u'|', 3, 3), QStringLiteral("破损"));
    QTreeWidgetItem* node = window->discTree()->itemForKey(QStringLiteral("Node3"));
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(node->toolTip(0).contains(QStringLiteral("1 个文件缺失"))) << node->toolTip(0).toStdString();
    dialog->close();

    // The details dialog says how the last check went.
    select(QStringLiteral("Node3"));
    window->action(QStringLiteral("ChangeDiskDetail"))->trigger();
    auto* details = window->findChild<DiscDetailsDialog*>();
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(details->findChild<QLabel*>(QStringLiteral("LabelLastCheck"))->text(),
        QStringLiteral("上次校验：%1，1 个文件缺失").arg(today));
    details->close();
}

TEST_F(VerifyTest, TheToolsMenuChecksTheDiscTheMediumTurnsOutToBe)
{
    VerifyDialog* dialog = openCheck("MN_verify", tree.path(QStringLiteral("other")));
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->chosenDisc().isEmpty());
    ASSERT_TRUE(runCheck(dialog));
    EXPECT_EQ(promptTexts(), QStringList { QStringLiteral("这张光盘还没有登记。") });
    EXPECT_TRUE(dialog->isVisible()) << "another folder can be tried";

    // An empty drive's mount point that is not there is not said to hold a disc not catalogued.
    const QString absent = tree.path(QStringLiteral("cdrom"));
    dialog->findChild<QComboBox*>(QStringLiteral("ComboRoot"))->setEditText(absent);
    ASSERT_TRUE(runCheck(dialog));
    EXPECT_EQ(
        promptTexts().value(1), QStringLiteral("找不到 %1（光盘没有放入，或文件夹不存在）。").arg(absent));

    dialog->findChild<QComboBox*>(QStringLiteral("ComboRoot"))->setEditText(root());
    ASSERT_TRUE(runCheck(dialog));
    ASSERT_TRUE(dialog->result());
    EXPECT_EQ(dialog->result()->status, DiscVerify::Result::Done);
    EXPECT_EQ(dialog->result()->check.ok, 3);
    // A second call brings the open check forward instead of opening another.
    window->action(QStringLiteral("MN_verify"))->trigger();
    EXPECT_EQ(window->findChildren<VerifyDialog*>().size(), 1);
    dialog->close();
}

// Recognising a large medium walks all of it: 停止 ends the walk too, at once, with nothing stored.
TEST_F(VerifyTest, StoppingWhileTheMediumIsRecognisedEndsAtOnce)
{
    VerifyDialog* dialog = openCheck("MN_verify", QStringLiteral("/"));
    ASSERT_NE(dialog, nullptr);
    QPushButton* stop = nullptr;
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("停止(&T)"))
            stop = b;
    ASSERT_NE(stop, nullptr);
    QSignalSpy finished(dialog, &VerifyDialog::finished);
    dialog->start();
    stop->click();
    EXPECT_TRUE(finished.wait(3000));
    EXPECT_TRUE(promptTexts().isEmpty()) << promptTexts().join(u'\n').toStdString();
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("LabelSummary"))->text(),
        QStringLiteral("已停止识别光盘，校验没有进行，没有保存任何结果。"));
    RawDb raw(app.home.folder().catalogueFile());
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT count(*) FROM ShelfDiscChecks")),
        QStringList { QStringLiteral("0") });
    dialog->close();
}

TEST_F(VerifyTest, ADiscWithoutRememberedFilesIsOfferedARescanFirst)
{
    app.home.addDisc(QStringLiteral("8"), QStringLiteral("空碟"));
    QString error;
    ASSERT_TRUE(window->discTree()->rebuildDiscTree(&error));
    select(QStringLiteral("Node8"));
    VerifyDialog* dialog = openCheck("VerifyDisc", root());
    ASSERT_NE(dialog, nullptr);
    app.prompt.answerNext(Prompt::Answer::Yes);
    ASSERT_TRUE(runCheck(dialog));
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_TRUE(app.prompt.asked.at(0).text.startsWith(QStringLiteral("碟#8 [空碟] 还没有记住任何文件")));
    auto* rescan = window->findChild<RescanDialog*>();
    ASSERT_NE(rescan, nullptr);
    EXPECT_TRUE(rescan->isVisible());
    rescan->close();
    dialog->close();
}

TEST_F(VerifyTest, AMountedMediumIsNamedAndAMovieWaitsForItsDiscToPlay)
{
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
        GTEST_SKIP() << "no /dev/fuse here";
    MediumBar* bar = window->mediumBar();
    window->mediumBar()->begin();
    EXPECT_FALSE(bar->isVisible());

    // Played without its disc: the program asks for it and waits.
    selectMovie(0);
    window->action(QStringLiteral("MN_play"))->trigger();
    QDialog* waiting = window->moviePlayer()->waiting();
    ASSERT_NE(waiting, nullptr);
    EXPECT_EQ(waiting->findChild<QLabel*>(QStringLiteral("LabelInsert"))->text(),
        QStringLiteral("请插入光盘 碟#3 [旧碟]。"));
    EXPECT_TRUE(app.desktop.opened.isEmpty());

    // The disc comes: named in the status line, and the movie plays.
    const QString at = mounts.path(QStringLiteral("drive"));
    {
        QSignalSpy recognised(bar, &MediumBar::recognised);
        const FailingMount mount(root(), at, {});
        ASSERT_TRUE(mount.ok());
        ASSERT_TRUE(recognised.wait(10000));
        EXPECT_EQ(recognised.at(0).at(1).toString(), QStringLiteral("3"));
        EXPECT_EQ(bar->text(), QStringLiteral("已插入：碟#3 [旧碟]"));
        EXPECT_EQ(bar->rootOf(QStringLiteral("3")), at);
        ASSERT_TRUE(QTest::qWaitFor([&] { return app.desktop.opened.size() == 1; }, 5000));
        const QString opened = app.desktop.opened.at(0).toLocalFile();
        EXPECT_TRUE(
            opened == at + QStringLiteral("/英雄/英雄.mkv") || opened.endsWith(QStringLiteral(".m3u")))
            << opened.toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->moviePlayer()->waiting(); }, 5000));

        // With the disc in, a movie plays at once; its jump button chooses its node.
        select(DiscTree::allKey);
        bar->actionButton()->click();
        EXPECT_EQ(window->discTree()->selectedKey(), QStringLiteral("Node3"));
        selectMovie(1);
        window->action(QStringLiteral("MN_play"))->trigger();
        EXPECT_EQ(app.desktop.opened.size(), 2);
        EXPECT_EQ(window->moviePlayer()->waiting(), nullptr);
    }
    // Taken out: forgotten.
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->rootOf(QStringLiteral("3")).isEmpty(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !bar->isVisible(); }, 5000));

    // A medium not in the catalogue is offered to the wizard, its root filled in.
    QSignalSpy idle(bar, &MediumBar::idle);
    const FailingMount other(tree.path(QStringLiteral("other")), mounts.path(QStringLiteral("usb")), {});
    ASSERT_TRUE(other.ok());
    ASSERT_TRUE(idle.wait(10000));
    EXPECT_EQ(bar->text(), QStringLiteral("已插入未登记的光盘：%1").arg(mounts.path(QStringLiteral("usb"))));
    bar->actionButton()->click();
    auto* wizard = window->findChild<WizardDialog*>();
    ASSERT_NE(wizard, nullptr);
    wizard->close();
}

TEST_F(VerifyTest, AMediumSwappedForAnotherAtTheSameFolderIsNotTakenForTheOneBefore)
{
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
        GTEST_SKIP() << "no /dev/fuse here";
    // Another disc whose movie lies at the same path as disc 3's.
    copy(QStringLiteral("plain.avi"), QStringLiteral("swap/英雄/英雄.mkv"));
    MediumBar* bar = window->mediumBar();
    bar->begin();
    const QString at = mounts.path(QStringLiteral("drive"));
    auto mount = std::make_unique<FailingMount>(root(), at, QStringList());
    ASSERT_TRUE(mount->ok());
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->rootOf(QStringLiteral("3")) == at; }, 10000));

    // Taken out and the other disc put in before the window looks at the mounts again.
    mount.reset();
    mount = std::make_unique<FailingMount>(tree.path(QStringLiteral("swap")), at, QStringList());
    ASSERT_TRUE(mount->ok());
    const QString unknown = QStringLiteral("已插入未登记的光盘：%1").arg(at);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->text() == unknown; }, 10000)) << bar->text().toStdString();
    EXPECT_TRUE(bar->rootOf(QStringLiteral("3")).isEmpty());

    // Playing disc 3's movie waits for disc 3 instead of opening the other disc's file.
    selectMovie(0);
    window->action(QStringLiteral("MN_play"))->trigger();
    EXPECT_TRUE(app.desktop.opened.isEmpty());
    ASSERT_NE(window->moviePlayer()->waiting(), nullptr);
    window->moviePlayer()->waiting()->close();
}

TEST_F(VerifyTest, TheWizardSaysWhenItsMediumIsAlreadyACataloguedDisc)
{
    WizardDialog* wizard = window->openWizardOn(root());
    QSignalSpy done(wizard, &WizardDialog::searchFinished);
    wizard->search();
    ASSERT_TRUE(done.wait(20000));
    EXPECT_EQ(promptTexts(),
        QStringList {
            QStringLiteral("这张光盘已登记为 碟#3 [旧碟]。再登记一次会在目录中多出一张同样的光盘。") });
    wizard->close();
}
