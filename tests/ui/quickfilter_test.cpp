#include "app/mainwindow.h"
#include "auxwin/posterviewer.h"
#include "browse/detailpane.h"
#include "browse/disctreewidget.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "filter/quickfilterbox.h"
#include "movies/moviecommands.h"
#include "movies/movieeditor.h"
#include "store/catalogue.h"
#include "store/textrules.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

MovieRecord people(const QString& english, const QString& director, const QString& cast)
{
    MovieRecord r;
    r[MovieField::EngName] = english;
    r[MovieField::Direct] = director;
    r[MovieField::Role] = cast;
    return r;
}

class QuickFilterWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app.home.addDisc(QStringLiteral("1"));
        app.home.addDisc(QStringLiteral("2"));
        app.home.addMovie(1, QStringLiteral("英雄 "), 1,
            people(QStringLiteral("Hero "), QStringLiteral("张艺谋 "), QStringLiteral("李连杰 ")));
        app.home.addMovie(2, QStringLiteral("The Matrix "), 1,
            people(QStringLiteral("The Matrix "), QStringLiteral("Wachowski "),
                QStringLiteral("Keanu Reeves ")));
        app.home.addMovie(3, QStringLiteral("Heat "), 2,
            people({}, QStringLiteral("Michael Mann "), QStringLiteral("Al Pacino,Robert De Niro ")));
        app.home.addMovie(4, QStringLiteral("黑客帝国２ "), 2,
            people(QStringLiteral("Matrix Reloaded "), QStringLiteral("Wachowski "), {}));
        app.home.addMovie(5, QStringLiteral("Cars "), 2, {});
        window = std::make_unique<MainWindow>(app.context);
        window->show();
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
        box = window->findChild<QLineEdit*>(QStringLiteral("TxtQuickFilter"));
        ASSERT_NE(box, nullptr);
        status = window->findChild<QLabel*>(QStringLiteral("LblLstV1"));
        model = window->movieList()->movieModel();
        tester = std::make_unique<QAbstractItemModelTester>(
            model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    }

    void listNode(const QString& key)
    {
        QTreeWidgetItem* item = window->discTree()->itemForKey(key);
        ASSERT_NE(item, nullptr);
        window->discTree()->setCurrentItem(item);
        emit window->discTree()->itemClicked(item, 0);
        // The status line is read once whoever listed the rows has written it.
        QCoreApplication::processEvents();
    }

    // One key event per character, as a keyboard or an input method sends them.
    void typeInBox(const QString& text)
    {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCoreApplication::processEvents();
    }

    QStringList titles() const
    {
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r)
            out << TextRules::trimBlanks(model->data(model->index(r, ListCol::MovieName)).toString());
        return out;
    }

    void selectRow(int row) { window->movieList()->setCurrentIndex(model->index(row, 0)); }

    QComboBox* fieldsChoice() const
    {
        return window->findChild<QComboBox*>(QStringLiteral("CmbQuickFilterFields"));
    }

    // The introductions are read beside the window; their keys arrive through the event loop.
    void waitForIntros()
    {
        QuickFilterBox* filter = window->quickFilter();
        for (int i = 0; i < 500 && filter->isReadingIntros(); ++i)
            QTest::qWait(10);
        ASSERT_FALSE(filter->isReadingIntros());
    }

    void whenEditorOpens(std::function<void(MovieEditor&)> drive)
    {
        window->movieCommands()->setEditorRunner([drive](MovieEditor& editor) { drive(editor); });
    }

    TestApp app;
    std::unique_ptr<MainWindow> window;
    QLineEdit* box = nullptr;
    QLabel* status = nullptr;
    MovieListModel* model = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

} // namespace

TEST_F(QuickFilterWindowTest, TypingNarrowsTheListAndClearingRestoresListAndStatus)
{
    EXPECT_EQ(box->placeholderText(), QStringLiteral("快速过滤：片名、英文名、导演、演员"));
    listNode(QStringLiteral("NodeAll"));
    const QString listed = status->text();
    ASSERT_EQ(listed, QStringLiteral("共2张光碟,5部影视."));
    const QStringList all = titles();

    QTest::keyClicks(box, QStringLiteral("matrix"));
    EXPECT_EQ(titles(), (QStringList { QStringLiteral("The Matrix"), QStringLiteral("黑客帝国２") }));
    EXPECT_EQ(status->text(), QStringLiteral("显示 2 / 共 5 部影视"));
    QTest::keyClicks(box, QStringLiteral(" rel"));
    EXPECT_EQ(titles(), QStringList { QStringLiteral("黑客帝国２") });
    EXPECT_EQ(status->text(), QStringLiteral("显示 1 / 共 5 部影视"));
    // Taking characters back widens the list again.
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(titles().size(), 2);
    EXPECT_EQ(status->text(), QStringLiteral("显示 2 / 共 5 部影视"));

    box->clear();
    EXPECT_EQ(titles(), all);
    EXPECT_EQ(status->text(), listed);
}

TEST_F(QuickFilterWindowTest, FullWidthAndChineseInputWithIdeographicSpaces)
{
    listNode(QStringLiteral("NodeAll"));
    typeInBox(QStringLiteral("ＭＡＴＲＩＸ"));
    EXPECT_EQ(titles().size(), 2);
    box->clear();
    typeInBox(QStringLiteral("帝国2"));
    EXPECT_EQ(titles(), QStringList { QStringLiteral("黑客帝国２") }) << "a full-width digit in the row";
    box->clear();
    typeInBox(QStringLiteral("张艺谋\u3000ｈｅｒｏ"));
    EXPECT_EQ(titles(), QStringList { QStringLiteral("英雄") });
    box->clear();
    typeInBox(QStringLiteral("de niro"));
    EXPECT_EQ(titles(), QStringList { QStringLiteral("Heat") });
    box->clear();
    typeInBox(QStringLiteral("成龙"));
    EXPECT_TRUE(titles().isEmpty());
    EXPECT_EQ(status->text(), QStringLiteral("显示 0 / 共 5 部影视"));
}

TEST_F(QuickFilterWindowTest, CtrlFFocusesAndSelectsEscClears)
{
    listNode(QStringLiteral("NodeAll"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    box->setText(QStringLiteral("heat"));
    window->movieList()->setFocus();
    QTest::keyClick(window->movieList(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(box->hasFocus());
    EXPECT_EQ(box->selectedText(), QStringLiteral("heat"));
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_EQ(titles().size(), 5);
    EXPECT_EQ(status->text(), QStringLiteral("共2张光碟,5部影视."));
    // Down goes on to the rows.
    QTest::keyClicks(box, QStringLiteral("cars"));
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_TRUE(window->movieList()->hasFocus());
}

TEST_F(QuickFilterWindowTest, TheKeyboardActsOnlyOnARowTheUserSeesChosen)
{
    listNode(QStringLiteral("NodeAll"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    MovieListView* list = window->movieList();
    QLineEdit* title = window->detailPane()->findChild<QLineEdit*>(QStringLiteral("Text1_9"));
    QString edited;
    whenEditorOpens(
        [&](MovieEditor& e) { edited = e.findChild<QLineEdit*>(QStringLiteral("Text1_9"))->text(); });

    // A current row nobody marked: Enter, Delete and Ctrl+Y leave it alone.
    list->selectionModel()->setCurrentIndex(model->index(2, 0), QItemSelectionModel::NoUpdate);
    EXPECT_EQ(list->selectedRow(), -1);
    list->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(list, Qt::Key_Return);
    QTest::keyClick(list, Qt::Key_Delete);
    QTest::keyClick(list, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(edited.isEmpty());
    EXPECT_TRUE(app.prompt.asked.isEmpty());

    // Down from the filter: the first row found is marked and shown, and Enter edits that one.
    box->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(box, QStringLiteral("wachowski"));
    list->clearSelection();
    list->setCurrentIndex(QModelIndex());
    QTest::keyClick(box, Qt::Key_Down);
    ASSERT_TRUE(list->hasFocus());
    EXPECT_EQ(list->selectedRow(), 0);
    EXPECT_EQ(title->text(), QStringLiteral("The Matrix"));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(edited, QStringLiteral("The Matrix"));

    // Tab into the list on a row that is current only: it is marked and shown too.
    list->clearSelection();
    list->selectionModel()->setCurrentIndex(model->index(1, 0), QItemSelectionModel::NoUpdate);
    box->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(box, Qt::Key_Tab);
    ASSERT_TRUE(list->hasFocus());
    EXPECT_EQ(list->selectedRow(), 1);
    EXPECT_EQ(title->text(), QStringLiteral("黑客帝国２"));
}

TEST_F(QuickFilterWindowTest, TabReachesTheSmallPosterAndSpaceOpensTheViewer)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    listNode(QStringLiteral("NodeAll"));
    auto* list = window->movieList();
    list->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(list, Qt::Key_Down);
    auto* thumb = window->findChild<QLabel*>(QStringLiteral("PosterThumb"));
    ASSERT_NE(thumb, nullptr);
    for (int i = 0; i < 12 && !thumb->hasFocus(); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(thumb->hasFocus()) << "Tab never reached the poster";
    EXPECT_EQ(window->findChild<PosterViewer*>(), nullptr);
    QTest::keyClick(thumb, Qt::Key_Space);
    auto* viewer = window->findChild<PosterViewer*>();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    viewer->close();
}

TEST_F(QuickFilterWindowTest, CtrlXStartsTheWizardWhileTheBoxHasTheFocus)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    box->setText(QStringLiteral("abc"));
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(box->text(), QStringLiteral("abc")) << "not cut";
    QWidget* wizard = window->findChild<QWidget*>(QStringLiteral("Form4"));
    ASSERT_NE(wizard, nullptr);
    EXPECT_TRUE(wizard->isVisible());
    wizard->close();
}

TEST_F(QuickFilterWindowTest, ANewListingKeepsTheFilterAndItsOwnStatusComesBack)
{
    listNode(QStringLiteral("NodeAll"));
    QTest::keyClicks(box, QStringLiteral("wachowski"));
    ASSERT_EQ(titles().size(), 2);
    listNode(QStringLiteral("Node2"));
    EXPECT_EQ(box->text(), QStringLiteral("wachowski"));
    EXPECT_EQ(titles(), QStringList { QStringLiteral("黑客帝国２") });
    EXPECT_EQ(status->text(), QStringLiteral("显示 1 / 共 3 部影视"));

    // Another window puts its rows into the list and says what it listed, as the search does.
    const Catalogue catalogue(app.home.folder().catalogueFile());
    model->setRows({ movieRow(*catalogue.findMovie(3), true), movieRow(*catalogue.findMovie(5), true) }, 2);
    status->setText(QStringLiteral("共找到2部影视"));
    QCoreApplication::processEvents();
    EXPECT_EQ(status->text(), QStringLiteral("显示 0 / 共 2 部影视"));

    box->clear();
    EXPECT_EQ(status->text(), QStringLiteral("共找到2部影视"));
    EXPECT_EQ(titles().size(), 2);
}

TEST_F(QuickFilterWindowTest, EditAndDeleteWorkOnTheFilteredRow)
{
    listNode(QStringLiteral("NodeAll"));
    QTest::keyClicks(box, QStringLiteral("heat"));
    ASSERT_EQ(titles(), QStringList { QStringLiteral("Heat") });
    selectRow(0);
    emit window->movieList()->leftReleased(0);
    EXPECT_EQ(window->detailPane()->findChild<QLineEdit*>(QStringLiteral("Text1_9"))->text(),
        QStringLiteral("Heat"));

    QString editedTitle;
    whenEditorOpens([&](MovieEditor& e) {
        editedTitle = e.findChild<QLineEdit*>(QStringLiteral("Text1_9"))->text();
        e.findChild<QLineEdit*>(QStringLiteral("Text1_9"))->setText(QStringLiteral("Heat 1995"));
        e.confirm();
    });
    window->action(QStringLiteral("MN_edit"))->trigger();
    EXPECT_EQ(editedTitle, QStringLiteral("Heat"));
    const Catalogue catalogue(app.home.folder().catalogueFile());
    EXPECT_EQ((*catalogue.findMovie(3))[MovieField::MovieName], QStringLiteral("Heat 1995"));
    EXPECT_EQ((*catalogue.findMovie(2))[MovieField::MovieName], QStringLiteral("The Matrix "))
        << "no other row";
    EXPECT_EQ(titles(), QStringList { QStringLiteral("Heat 1995") });

    app.prompt.answerNext(Prompt::Answer::Yes);
    window->action(QStringLiteral("MN_delete"))->trigger();
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked.at(0).text, QStringLiteral("您真的确定删除 【Heat 1995】的记录吗？"));
    EXPECT_FALSE(catalogue.findMovie(3));
    EXPECT_EQ(catalogue.movieCount(), 4);
    EXPECT_TRUE(titles().isEmpty());
    EXPECT_EQ(status->text(), QStringLiteral("显示 0 / 共 4 部影视"));
    box->clear();
    EXPECT_EQ(titles().size(), 4);
    EXPECT_EQ(status->text(), QStringLiteral("共2张光碟,5部影视.")) << "the listing's own text, as before";
}

TEST_F(QuickFilterWindowTest, DeletingTheSecondShownRowDeletesThatMovie)
{
    listNode(QStringLiteral("NodeAll"));
    QTest::keyClicks(box, QStringLiteral("wachowski"));
    ASSERT_EQ(titles(), (QStringList { QStringLiteral("The Matrix"), QStringLiteral("黑客帝国２") }));
    selectRow(1);
    app.prompt.answerNext(Prompt::Answer::Yes);
    window->movieCommands()->deleteSelected();
    const Catalogue catalogue(app.home.folder().catalogueFile());
    EXPECT_FALSE(catalogue.findMovie(4));
    EXPECT_TRUE(catalogue.findMovie(2));
    EXPECT_TRUE(catalogue.findMovie(3)) << "the fourth stored row is not the second shown";
    EXPECT_EQ(titles(), QStringList { QStringLiteral("The Matrix") });
}

TEST_F(QuickFilterWindowTest, MoveTakesTheShownRowToItsDiscAndOutOfTheList)
{
    listNode(QStringLiteral("Node1"));
    QTest::keyClicks(box, QStringLiteral("keanu"));
    ASSERT_EQ(titles(), QStringList { QStringLiteral("The Matrix") });
    selectRow(0);
    QString moving;
    whenEditorOpens([&](MovieEditor& e) {
        moving = e.findChild<QLineEdit*>(QStringLiteral("Text1_9"))->text();
        e.findChild<QLineEdit*>(QStringLiteral("Text1_0"))->setText(QStringLiteral("2"));
        e.confirm();
    });
    window->action(QStringLiteral("MN_Move"))->trigger();
    EXPECT_EQ(moving, QStringLiteral("The Matrix"));
    const Catalogue catalogue(app.home.folder().catalogueFile());
    EXPECT_EQ((*catalogue.findMovie(2))[MovieField::DiskNum].toDouble(), 2.0);
    EXPECT_EQ((*catalogue.findMovie(1))[MovieField::DiskNum].toDouble(), 1.0) << "the hidden row stays";
    EXPECT_TRUE(titles().isEmpty());
    EXPECT_EQ(status->text(), QStringLiteral("显示 0 / 共 1 部影视"));
    box->clear();
    EXPECT_EQ(titles(), QStringList { QStringLiteral("英雄") });
}

TEST_F(QuickFilterWindowTest, SortingWithAFilterOnSortsShownAndHiddenRows)
{
    listNode(QStringLiteral("NodeAll"));
    QTest::keyClicks(box, QStringLiteral("e"));
    const QStringList shown = titles();
    ASSERT_EQ(shown.size(), 4) << shown.join(u',').toStdString(); // all but Cars
    selectRow(shown.indexOf(QStringLiteral("Heat")));
    window->movieList()->header()->sectionClicked(ListCol::MovieName);
    EXPECT_EQ(titles(),
        (QStringList { QStringLiteral("Heat"), QStringLiteral("The Matrix"), QStringLiteral("黑客帝国２"),
            QStringLiteral("英雄") }));
    EXPECT_EQ(model->movieRow(window->movieList()->selectedRow())[ListCol::ID], QStringLiteral("3"))
        << "the selection stays on its movie";
    window->movieList()->header()->sectionClicked(ListCol::MovieName);
    EXPECT_EQ(titles().first(), QStringLiteral("英雄"));
    box->clear();
    EXPECT_EQ(titles(),
        (QStringList { QStringLiteral("英雄"), QStringLiteral("黑客帝国２"), QStringLiteral("The Matrix"),
            QStringLiteral("Heat"), QStringLiteral("Cars") }));
    EXPECT_EQ(model->movieRow(window->movieList()->selectedRow())[ListCol::ID], QStringLiteral("3"));
}

namespace {

MovieRow titled(const QString& title, int id)
{
    MovieRow::Cells cells;
    cells[ListCol::MovieName] = title;
    cells[ListCol::ID] = QString::number(id);
    return MovieRow(cells);
}

QList<int> ids(const MovieListModel& m)
{
    QList<int> out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.movieRow(r)[ListCol::ID].toInt();
    return out;
}

} // namespace

TEST(QuickFilterModelTest, ShownRowsFollowFilterRemovalReplacementAndSorting)
{
    MovieListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setQuickFilter(QuickFilter(QStringLiteral("a")));
    model.setRows(
        { titled(QStringLiteral("ab"), 1), titled(QStringLiteral("b"), 2), titled(QStringLiteral("ca"), 3),
            titled(QStringLiteral("a"), 4), titled(QStringLiteral("d"), 5) },
        1);
    EXPECT_TRUE(model.isFiltered());
    EXPECT_EQ(ids(model), (QList<int> { 1, 3, 4 }));
    EXPECT_EQ(model.totalRowCount(), 5);

    const QPersistentModelIndex third(model.index(2, 0));
    model.setQuickFilter(QuickFilter(QStringLiteral("ab")));
    EXPECT_EQ(ids(model), QList<int> { 1 });
    EXPECT_FALSE(third.isValid()) << "a hidden row has no index";
    model.setQuickFilter(QuickFilter(QStringLiteral("a")));
    const QPersistentModelIndex four(model.index(2, 0));
    model.setQuickFilter({});
    EXPECT_EQ(four.row(), 3) << "the index stays on its row when the filter goes";
    model.setQuickFilter(QuickFilter(QStringLiteral("a")));
    EXPECT_EQ(four.row(), 2);

    // Row numbers given to the model count the shown rows only.
    model.removeMovieRow(1);
    EXPECT_EQ(ids(model), (QList<int> { 1, 4 }));
    EXPECT_EQ(model.totalRowCount(), 4);
    model.replaceRow(1, titled(QStringLiteral("x"), 9));
    EXPECT_EQ(ids(model), (QList<int> { 1, 9 })) << "an edited row stays shown";
    model.setQuickFilter(QuickFilter(QStringLiteral("ａ")));
    EXPECT_EQ(ids(model), (QList<int> { 1, 9 })) << "the same words: nothing changes";
    model.setQuickFilter(QuickFilter(QStringLiteral("a ")));
    model.setQuickFilter(QuickFilter(QStringLiteral("")));
    model.setQuickFilter(QuickFilter(QStringLiteral("x")));
    EXPECT_EQ(ids(model), QList<int> { 9 }) << "the edited row is matched by its new text";

    model.setQuickFilter(QuickFilter(QStringLiteral("b")));
    model.setRows(
        { titled(QStringLiteral("b2"), 1), titled(QStringLiteral("a"), 2), titled(QStringLiteral("b1"), 3) },
        1);
    model.sort(ListCol::MovieName, Qt::AscendingOrder);
    EXPECT_EQ(ids(model), (QList<int> { 3, 1 }));
    model.setQuickFilter({});
    EXPECT_EQ(ids(model), (QList<int> { 2, 3, 1 })) << "hidden rows were sorted too";
}

TEST_F(QuickFilterWindowTest, AllFieldsIsChosenByKeyboardAndFindsWordsInIntroductions)
{
    app.home.exec(QStringLiteral("UPDATE ReelShelfIndex SET PS = '一辆赛车的故事' WHERE ID = 5"));
    app.home.exec(
        QStringLiteral("UPDATE ReelShelfIndex SET PS = '抢劫的故事', Nation = '美国 ' WHERE ID = 3"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    listNode(QStringLiteral("NodeAll"));
    QComboBox* choice = fieldsChoice();
    ASSERT_NE(choice, nullptr);
    EXPECT_EQ(choice->currentText(), QStringLiteral("片名/导演/演员"));
    typeInBox(QStringLiteral("故事"));
    EXPECT_TRUE(titles().isEmpty()) << "introductions are not searched by default";

    box->setFocus();
    QTest::keyClick(box, Qt::Key_R, Qt::AltModifier);
    ASSERT_TRUE(choice->hasFocus());
    QTest::keyClick(choice, Qt::Key_Down);
    EXPECT_EQ(choice->currentText(), QStringLiteral("全部字段"));
    EXPECT_EQ(box->placeholderText(), QStringLiteral("快速过滤：全部字段，包括简介"));
    // Until the introductions are read the names are searched, and the status line says so.
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("显示 0 / 共 5 部影视，正在读取简介...")))
        << status->text().toStdString();
    waitForIntros();
    EXPECT_EQ(titles(), (QStringList { QStringLiteral("Heat"), QStringLiteral("Cars") }));
    EXPECT_EQ(status->text(), QStringLiteral("显示 2 / 共 5 部影视"));
    QTest::keyClick(choice, Qt::Key_Tab);
    ASSERT_TRUE(box->hasFocus()) << "Tab goes from the choice to the box";
    typeInBox(QStringLiteral(" 美国"));
    EXPECT_EQ(titles(), QStringList { QStringLiteral("Heat") }) << "every word, from two fields";
    box->clear();
    typeInBox(QStringLiteral("ＲＥＥＶＥＳ"));
    EXPECT_EQ(titles(), QStringList { QStringLiteral("The Matrix") }) << "the names are among every field";

    // Back to today's fields by keyboard: names only, as before.
    QTest::keyClick(box, Qt::Key_R, Qt::AltModifier);
    QTest::keyClick(choice, Qt::Key_Up);
    EXPECT_EQ(choice->currentText(), QStringLiteral("片名/导演/演员"));
    EXPECT_EQ(box->placeholderText(), QStringLiteral("快速过滤：片名、英文名、导演、演员"));
    EXPECT_FALSE(window->quickFilter()->isReadingIntros());
    box->clear();
    typeInBox(QStringLiteral("故事"));
    EXPECT_TRUE(titles().isEmpty());
    box->clear();
    typeInBox(QStringLiteral("wachowski"));
    EXPECT_EQ(titles(), (QStringList { QStringLiteral("The Matrix"), QStringLiteral("黑客帝国２") }));
    EXPECT_EQ(status->text(), QStringLiteral("显示 2 / 共 5 部影视"));
}

TEST_F(QuickFilterWindowTest, AllFieldsReadsEachNewListingAndSaysWhenItCannot)
{
    app.home.exec(QStringLiteral("UPDATE ReelShelfIndex SET PS = '银行劫案' WHERE ID IN (2, 3)"));
    fieldsChoice()->setCurrentIndex(1);
    listNode(QStringLiteral("Node2"));
    typeInBox(QStringLiteral("劫案"));
    waitForIntros();
    EXPECT_EQ(titles(), QStringList { QStringLiteral("Heat") });
    listNode(QStringLiteral("NodeAll"));
    waitForIntros();
    EXPECT_EQ(titles(), (QStringList { QStringLiteral("The Matrix"), QStringLiteral("Heat") }))
        << "the new listing's introductions are read too";

    // Sorted while the keys are there: they go with their rows.
    window->movieList()->header()->sectionClicked(ListCol::MovieName);
    EXPECT_EQ(titles(), (QStringList { QStringLiteral("Heat"), QStringLiteral("The Matrix") }));

    // A catalogue that cannot be read: the status line says so and the names are still searched.
    fieldsChoice()->setCurrentIndex(0);
    ASSERT_TRUE(QFile::remove(app.home.folder().catalogueFile()));
    fieldsChoice()->setCurrentIndex(1);
    waitForIntros();
    EXPECT_TRUE(titles().isEmpty());
    EXPECT_TRUE(
        status->text().startsWith(QStringLiteral("显示 0 / 共 5 部影视，简介读取失败：找不到目录数据库文件")))
        << status->text().toStdString();
    box->clear();
    EXPECT_EQ(status->text(), QStringLiteral("共2张光碟,5部影视."));
}

TEST_F(QuickFilterWindowTest, AReadingHeldUpByAnotherProgramStopsAtOnce)
{
    listNode(QStringLiteral("NodeAll"));
    RawDb other(app.home.folder().catalogueFile());
    other.exec(QStringLiteral("BEGIN EXCLUSIVE"));
    fieldsChoice()->setCurrentIndex(1);
    ASSERT_TRUE(window->quickFilter()->isReadingIntros());
    QTest::qWait(50);
    // Going back to the names, or closing the window, must not wait out the lock (seconds).
    QElapsedTimer clock;
    clock.start();
    fieldsChoice()->setCurrentIndex(0);
    EXPECT_FALSE(window->quickFilter()->isReadingIntros());
    fieldsChoice()->setCurrentIndex(1);
    QTest::qWait(50);
    tester.reset();
    window.reset();
    EXPECT_LT(clock.elapsed(), 1000);
    other.exec(QStringLiteral("ROLLBACK"));
}

TEST(QuickFilterModelTest, EveryFieldKeysFollowTheirRowsAndGoWithTheChoice)
{
    MovieListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setRows(
        { titled(QStringLiteral("ab"), 1), titled(QStringLiteral("b"), 2), titled(QStringLiteral("c"), 3) },
        1);
    model.setQuickFilter(QuickFilter(QStringLiteral("zz")));
    EXPECT_FALSE(model.everyFieldKeysWanted());
    model.setFilterFields(QuickFilter::Fields::All);
    EXPECT_TRUE(model.everyFieldKeysWanted());
    EXPECT_TRUE(ids(model).isEmpty()) << "the names meanwhile";
    const auto keysNow = [&] {
        // Movies 1 and 3 have "zz" in their introductions.
        std::vector<QString> keys;
        for (const MovieRow& r : model.rows())
            keys.push_back(
                QuickFilter::everyFieldKey(r, r[ListCol::ID] == QStringLiteral("2") ? u"" : u"zz"));
        return keys;
    };
    const quint64 serial = model.rowsSerial();
    const std::vector<QString> stale = keysNow();
    model.sort(ListCol::MovieName, Qt::DescendingOrder);
    EXPECT_FALSE(model.setEveryFieldKeys(serial, stale)) << "keys for rows in another order";
    EXPECT_TRUE(model.everyFieldKeysWanted());
    ASSERT_TRUE(model.setEveryFieldKeys(model.rowsSerial(), keysNow()));
    EXPECT_FALSE(model.everyFieldKeysWanted());
    EXPECT_EQ(ids(model), (QList<int> { 3, 1 }));
    model.sort(ListCol::MovieName, Qt::AscendingOrder);
    EXPECT_EQ(ids(model), (QList<int> { 1, 3 }));
    model.setQuickFilter({});
    model.removeMovieRow(0);
    MovieRow::Cells edited = titled(QStringLiteral("b"), 2).cells();
    edited[ListCol::PS] = QStringLiteral("now zz too");
    model.replaceRow(0, MovieRow(edited));
    model.setQuickFilter(QuickFilter(QStringLiteral("zz")));
    EXPECT_EQ(ids(model), (QList<int> { 2, 3 })) << "a removed row's key went with it, an edited one changed";

    model.setFilterFields(QuickFilter::Fields::Names);
    EXPECT_TRUE(ids(model).isEmpty());
    model.setFilterFields(QuickFilter::Fields::All);
    EXPECT_TRUE(model.everyFieldKeysWanted()) << "dropped with the choice";
    ASSERT_TRUE(model.setEveryFieldKeys(model.rowsSerial(), keysNow()));
    model.setRows({ titled(QStringLiteral("d"), 4) }, 1);
    EXPECT_TRUE(model.everyFieldKeysWanted()) << "dropped with the listing";
    EXPECT_FALSE(model.setEveryFieldKeys(model.rowsSerial(), {})) << "keys for another number of rows";
}
