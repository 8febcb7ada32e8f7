// Every window opens inside the screen, centred, with each of its buttons on it. Run at the
// test screen's size and again on a 1024 x 700 laptop screen, a 2560 x 1440 one and at scale 2
// (see tests/CMakeLists.txt).
#include "app/mainwindow.h"
#include "browse/detailpane.h"
#include "browse/disctreewidget.h"
#include "browse/movielistview.h"
#include "movies/moviecommands.h"
#include "movies/movieeditor.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString describe(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// A button inside a scrolled area may lie beyond what is scrolled into view; that is no fault.
bool insideScrolledArea(const QWidget* w, const QWidget* window)
{
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<const QAbstractScrollArea*>(p))
            return true;
    return false;
}

void expectFitsAndIsCentred(QWidget* window, const char* what)
{
    QCoreApplication::processEvents();
    const QRect screen = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    EXPECT_TRUE(screen.contains(frame))
        << what << ": " << describe(frame).toStdString() << " on " << describe(screen).toStdString();
    // Centred, give or take the rounding of odd sizes and a window frame.
    EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 12)
        << what << ": " << describe(frame).toStdString();
    EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), 40)
        << what << ": " << describe(frame).toStdString();
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(window) || insideScrolledArea(b, window))
            continue;
        const QRect at(b->mapTo(window, QPoint(0, 0)), b->size());
        EXPECT_TRUE(window->rect().contains(at))
            << what << ": button " << b->text().toStdString() << " at " << describe(at).toStdString();
    }
}

class WindowFitTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app.home.addDisc(QStringLiteral("1"), QStringLiteral("第一张"));
        for (int id = 1; id <= 40; ++id)
            app.home.addMovie(id, QStringLiteral("影片%1").arg(id), 1);
        window = std::make_unique<MainWindow>(app.context);
        window->show();
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QSet<QWidget*> shownWindows() const
    {
        QSet<QWidget*> shown;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && !qobject_cast<QMenu*>(w) && w != window.get())
                shown.insert(w);
        return shown;
    }

    // Runs `open`, checks the one window it opened and closes it again.
    void checkOpened(const char* what, const std::function<void()>& open)
    {
        const QSet<QWidget*> before = shownWindows();
        open();
        QCoreApplication::processEvents();
        const QSet<QWidget*> opened = shownWindows() - before;
        ASSERT_EQ(opened.size(), 1) << what;
        QWidget* w = *opened.begin();
        expectFitsAndIsCentred(w, what);
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void selectNode(const QString& key)
    {
        QTreeWidgetItem* item = window->discTree()->itemForKey(key);
        ASSERT_NE(item, nullptr);
        window->discTree()->setCurrentItem(item);
        emit window->discTree()->itemClicked(item, 0);
    }

    TestApp app;
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST_F(WindowFitTest, TheMainWindowFitsTheScreenAndIsCentred)
{
    expectFitsAndIsCentred(window.get(), "main window");
}

TEST_F(WindowFitTest, EveryCommandsWindowFitsAndIsCentred)
{
    for (const char* command : { "MN_wizard", "MN_search", "MN_trans", "MN_stats", "MN_report", "MN_restore",
             "MN_Set1", "MN_Set3", "MN_About2", "MN_NewDisk", "MN_verify" })
        checkOpened(command, [&] { window->action(QString::fromLatin1(command))->trigger(); });
    selectNode(QStringLiteral("Node1"));
    checkOpened("ChangeDiskDetail", [&] { window->action(QStringLiteral("ChangeDiskDetail"))->trigger(); });
    checkOpened("RescanDisc", [&] { window->action(QStringLiteral("RescanDisc"))->trigger(); });
    checkOpened("VerifyDisc", [&] { window->action(QStringLiteral("VerifyDisc"))->trigger(); });
    checkOpened("LendDisc", [&] { window->action(QStringLiteral("LendDisc"))->trigger(); });
    checkOpened("poster viewer", [&] { emit window->detailPane()->posterClicked(); });
}

TEST_F(WindowFitTest, OnALaptopScreenTheDetailFieldsShowCommonValuesWhole)
{
    if (window->screen()->availableGeometry().width() < 1024)
        GTEST_SKIP() << "the screen is narrower than a laptop's";
    app.home.exec(
        QStringLiteral("UPDATE ReelShelfIndex SET MovieSize = '1920x1080 ', Definition = 'BDRip ', "
                       "Direct = '彼得·威尔逊 ', Lastfor = 124, Nation = '中国台湾 ', Company = '华纳兄弟 ', "
                       "Audio = '国粤双语 ', Year = '2007 ' WHERE ID = 1"));
    window = std::make_unique<MainWindow>(app.context);
    QString error;
    ASSERT_TRUE(window->loadAndShow(&error)) << error.toStdString();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    selectNode(QStringLiteral("Node1"));
    window->movieList()->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    for (const char* name : { "Text1_7", "Text1_8", "Text1_11", "Text1_4", "Text1_6", "Text1_12", "Text1_13",
             "Text1_10", "Text1_0" }) {
        auto* field = window->findChild<QLineEdit*>(QString::fromLatin1(name));
        ASSERT_NE(field, nullptr) << name;
        ASSERT_FALSE(field->text().isEmpty()) << name;
        const int needed = field->fontMetrics().horizontalAdvance(field->text()) + 4;
        EXPECT_GE(field->width(), needed) << name << " shows " << field->text().toStdString();
        EXPECT_EQ(field->toolTip(), field->text()) << name;
    }
}

TEST_F(WindowFitTest, AVeryLongTitleIsShownWholeAndItsTooltipStaysOnTheScreen)
{
    // 40,000 characters made a tooltip 15,000 pixels high that took a quarter of a second a hover.
    app.home.exec(
        QStringLiteral("UPDATE ReelShelfIndex SET MovieName = '%1' WHERE ID = 1").arg(QString(40000, u'中')));
    selectNode(QStringLiteral("Node1"));
    MovieListView* list = window->movieList();
    const QRect cell = list->visualRect(list->model()->index(0, 0));
    QHelpEvent hover(QEvent::ToolTip, cell.center(), list->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(list->viewport(), &hover);
    const QLabel* tip = shownToolTip();
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->text().startsWith(QString(200, u'中')));
    EXPECT_TRUE(tip->text().endsWith(u'…'));
    EXPECT_TRUE(window->screen()->availableGeometry().contains(tip->frameGeometry()))
        << describe(tip->frameGeometry()).toStdString();
    // Past a line edit's usual 32,767 characters, to be read or copied whole.
    list->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("Text1_9"))->text().size(), 40000);
}

TEST_F(WindowFitTest, TheMovieEditorFitsAndIsCentred)
{
    bool ran = false;
    window->movieCommands()->setEditorRunner([&](MovieEditor& editor) {
        editor.show();
        expectFitsAndIsCentred(&editor, "movie editor");
        editor.close();
        ran = true;
    });
    window->action(QStringLiteral("MN_Movie"))->trigger();
    EXPECT_TRUE(ran);
}

TEST_F(WindowFitTest, OnAScreenAThousandHighTheListShowsThirtyRows)
{
    const QRect screen = window->screen()->availableGeometry();
    if (screen.height() < 1000)
        GTEST_SKIP() << "the screen is lower than a thousand pixels";
    // A fresh window, shown as the program shows it.
    window = std::make_unique<MainWindow>(app.context);
    QString error;
    ASSERT_TRUE(window->loadAndShow(&error)) << error.toStdString();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    selectNode(QStringLiteral("NodeAll"));
    QCoreApplication::processEvents();
    MovieListView* list = window->movieList();
    const int rowHeight = list->visualRect(list->model()->index(0, 0)).height();
    ASSERT_GT(rowHeight, 0);
    EXPECT_GE(list->viewport()->height() / rowHeight, 30) << "row height " << rowHeight;
    // The fields read as text, and the poster shows small beside them.
    auto* title = window->findChild<QLineEdit*>(QStringLiteral("Text1_9"));
    ASSERT_NE(title, nullptr);
    EXPECT_FALSE(title->hasFrame());
    EXPECT_TRUE(title->isReadOnly());
    auto* thumb = window->findChild<QLabel*>(QStringLiteral("PosterThumb"));
    ASSERT_NE(thumb, nullptr);
    EXPECT_TRUE(thumb->isVisible());
    EXPECT_FALSE(thumb->pixmap().isNull());
}
