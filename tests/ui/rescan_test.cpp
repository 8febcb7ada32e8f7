// "重新读取光盘..." on a disc node, through the real window and a real movie file.
#include "app/mainwindow.h"
#include "browse/disctreewidget.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "discs/rescandialog.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString media = QStringLiteral(REELSHELF_TEST_DATA "/media");

class RescanTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app.home.addDisc(QStringLiteral("3"), QStringLiteral("旧碟"));
        app.home.addMovie(
            1, QStringLiteral("英雄 "), 3, movieWith({ { MovieField::Audio, QStringLiteral("粤语 ") } }));
        app.home.addMovie(2, QStringLiteral("没有文件"), 3);
        QDir().mkpath(tree.path(QStringLiteral("电影")));
        ASSERT_TRUE(
            QFile::copy(media + QStringLiteral("/feature.mkv"), tree.path(QStringLiteral("电影/英雄.mkv"))));
        window = std::make_unique<MainWindow>(app.context);
        window->show();
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
        QTreeWidgetItem* item = window->discTree()->itemForKey(QStringLiteral("Node3"));
        ASSERT_NE(item, nullptr);
        window->discTree()->setCurrentItem(item);
        emit window->discTree()->itemClicked(item, 0);
    }

    RescanDialog* open()
    {
        window->action(QStringLiteral("RescanDisc"))->trigger();
        return window->findChild<RescanDialog*>();
    }

    TestApp app;
    TestTree tree;
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST_F(RescanTest, TheDiscsMoviesGetTheirFilesAndOnlyEmptyFieldsAreFilled)
{
    RescanDialog* dialog = open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    dialog->findChild<QComboBox*>(QStringLiteral("ComboRoot"))->setEditText(tree.path());
    QSignalSpy progress(dialog, &RescanDialog::progressShown);
    dialog->start();
    ASSERT_TRUE(dialog->report());
    EXPECT_TRUE(dialog->report()->stored) << dialog->report()->error.toStdString();
    EXPECT_GE(progress.count(), 1);
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked.at(0).text,
        QStringLiteral(
            "已重新读取光盘 3。\n找到 1 部影片的文件；0 个文件没有对应的影片；1 部影片没有找到文件。"));
    EXPECT_EQ(app.prompt.asked.at(0).details,
        (QStringList { QStringLiteral("【英雄】电影/英雄.mkv（填写了：时长、清晰度、字幕）"),
            QStringLiteral("没有找到文件：【没有文件】") }));

    // The typed dubbing stays; the listing shows the filled fields at once.
    RawDb raw(app.home.folder().catalogueFile());
    EXPECT_EQ(raw.rows(QStringLiteral(
                  "SELECT quote(Audio), quote(Lastfor), quote(Definition) FROM ReelShelfIndex WHERE ID = 1")),
        QStringList { QStringLiteral("'粤语 '|90.0|'1080P '") });
    MovieListModel* model = window->movieList()->movieModel();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->movieRow(0)[ListCol::Definition], QStringLiteral("1080P"));
    window->movieList()->leftReleased(0);
    auto* files = window->findChild<QTreeWidget*>(QStringLiteral("ListFiles"));
    ASSERT_EQ(files->topLevelItemCount(), 1);
    EXPECT_EQ(files->topLevelItem(0)->text(1), QStringLiteral("电影/英雄.mkv"));
}

TEST_F(RescanTest, AFolderThatCannotBeReadIsSaidAndNothingChanges)
{
    RescanDialog* dialog = open();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QComboBox*>(QStringLiteral("ComboRoot"))
        ->setEditText(tree.path(QStringLiteral("不存在")));
    dialog->start();
    ASSERT_TRUE(dialog->report());
    EXPECT_FALSE(dialog->report()->stored);
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_FALSE(app.prompt.asked.at(0).text.isEmpty());
    EXPECT_TRUE(dialog->isVisible()) << "the dialog stays for another folder";
    RawDb raw(app.home.folder().catalogueFile());
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT count(*) FROM ShelfMovieFiles")),
        QStringList { QStringLiteral("0") });
    dialog->close();
}
