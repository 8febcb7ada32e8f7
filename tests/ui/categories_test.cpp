// The 分类 tab beside the disc tree, through the real window.
#include "app/mainwindow.h"
#include "browse/categorypane.h"
#include "browse/disctreewidget.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

class CategoriesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app.home.addDisc(QStringLiteral("1"), QStringLiteral("一"));
        app.home.addDisc(QStringLiteral("2"), QStringLiteral("二"));
        app.home.addMovie(1, QStringLiteral("英雄"), 1,
            movieWith({ { MovieField::Type, QStringLiteral("动作/武侠") },
                { MovieField::Direct, QStringLiteral("张艺谋") } }));
        app.home.addMovie(2, QStringLiteral("十面埋伏"), 2,
            movieWith({ { MovieField::Type, QStringLiteral("武侠、爱情") },
                { MovieField::Direct, QStringLiteral("张艺谋") } }));
        app.home.addMovie(3, QStringLiteral("无名"), 2);
        window = std::make_unique<MainWindow>(app.context);
        window->show();
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
        pane = window->categoryPane();
    }

    QStringList groups() const
    {
        QStringList out;
        for (int i = 0; i < pane->groupList()->topLevelItemCount(); ++i)
            out << pane->groupList()->topLevelItem(i)->text(0);
        return out;
    }

    TestApp app;
    std::unique_ptr<MainWindow> window;
    CategoryPane* pane = nullptr;
};

} // namespace

TEST_F(CategoriesTest, GroupsListTheirMoviesAndFollowChangesToTheCatalogue)
{
    // The tree has the keyboard at first; Ctrl+Tab goes to the groups.
    QApplication::setActiveWindow(window.get());
    window->discTree()->setFocus();
    QSignalSpy listed(pane, &CategoryPane::groupChosen);
    QTest::keyClick(window->discTree(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(window->browseTabs()->currentWidget(), pane);
    pane->groupList()->setFocus();
    EXPECT_EQ(listed.count(), 0) << "the focus arriving lists nothing";
    EXPECT_EQ(groups(),
        (QStringList { QStringLiteral("武侠 (2)"), QStringLiteral("动作 (1)"), QStringLiteral("爱情 (1)"),
            QStringLiteral("（未填写） (1)") }));
    pane->chooseGroup(0);
    MovieListModel* model = window->movieList()->movieModel();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->movieRow(0)[ListCol::MovieName], QStringLiteral("英雄"));
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("类型“武侠”：共 2 部影视"));

    // Another field, chosen by keyboard.
    pane->fieldBox()->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(pane->fieldBox(), Qt::Key_Down);
    EXPECT_EQ(pane->fieldBox()->currentText(), QStringLiteral("导演"));
    EXPECT_EQ(groups(), (QStringList { QStringLiteral("张艺谋 (2)"), QStringLiteral("（未填写） (1)") }));

    // A movie changed by another program: the next click reads the catalogue again.
    QThread::msleep(20);
    RawDb(app.home.folder().catalogueFile())
        .exec(QStringLiteral("UPDATE ReelShelfIndex SET Direct = '陈凯歌' WHERE ID = 2"));
    pane->chooseGroup(0);
    EXPECT_EQ(groups(),
        (QStringList {
            QStringLiteral("张艺谋 (1)"), QStringLiteral("陈凯歌 (1)"), QStringLiteral("（未填写） (1)") }));
    EXPECT_EQ(model->rowCount(), 1);
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("导演“张艺谋”：共 1 部影视"));

    // A click lists its group once (a large group takes a moment to list), arrow keys list too.
    listed.clear();
    QTreeWidget* list = pane->groupList();
    QTest::mouseClick(
        list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
    EXPECT_EQ(listed.count(), 1);
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("导演“陈凯歌”：共 1 部影视"));
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(listed.count(), 2);
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("导演“（未填写）”：共 1 部影视"));
    // Pressed on one group and let go on another: the one highlighted is listed.
    QTest::mousePress(
        list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
    QTest::mouseMove(list->viewport(), list->visualItemRect(list->topLevelItem(0)).center());
    QTest::mouseRelease(
        list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(0)).center());
    QCoreApplication::processEvents();
    EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("导演“张艺谋”：共 1 部影视"));
}

TEST_F(CategoriesTest, AValueReadingUnfilledAndAWriteThatLeavesNoTraceOnTheFile)
{
    app.home.addMovie(
        4, QStringLiteral("夜宴"), 1, movieWith({ { MovieField::Direct, MovieGroups::unfilledText } }));
    pane->setField(MovieGroups::Field::Director);
    ASSERT_TRUE(pane->reload(nullptr));
    ASSERT_EQ(groups(),
        (QStringList { QStringLiteral("张艺谋 (2)"), QStringLiteral("（未填写） (1)"),
            QStringLiteral("（未填写） (1)") }));
    MovieListModel* model = window->movieList()->movieModel();
    pane->chooseGroup(1);
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->movieRow(0)[ListCol::MovieName], QStringLiteral("夜宴"));
    pane->chooseGroup(2);
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->movieRow(0)[ListCol::MovieName], QStringLiteral("无名"));

    // Another program's write of the same length within the file's time resolution: same size,
    // same time, and still seen.
    const QString file = app.home.folder().catalogueFile();
    const QDateTime written = QFileInfo(file).lastModified();
    RawDb(file).exec(QStringLiteral("UPDATE ReelShelfIndex SET Direct = '王家卫' WHERE ID = 4"));
    QFile touched(file);
    ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
    ASSERT_TRUE(touched.setFileTime(written, QFileDevice::FileModificationTime));
    touched.close();
    pane->chooseGroup(0);
    EXPECT_EQ(groups(),
        (QStringList {
            QStringLiteral("张艺谋 (2)"), QStringLiteral("王家卫 (1)"), QStringLiteral("（未填写） (1)") }));
}
