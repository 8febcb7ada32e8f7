#include "app/mainwindow.h"
#include "browse/detailpane.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "diskconditions.h"
#include "stats/statschartview.h"
#include "stats/statswindow.h"
#include "testsupport.h"

#include <QAbstractSeries>
#include <QBarSet>
#include <QChart>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPieSeries>
#include <QPieSlice>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

using F = MovieField;

class StatsWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app.home.addDisc(QStringLiteral("1"));
        app.home.addMovie(1, QStringLiteral("Heat"), 1,
            movieWith({ { F::Type, QStringLiteral("动作/剧情 ") }, { F::Year, QStringLiteral("1995 ") },
                { F::Filetype, QStringLiteral("avi ") }, { F::Seen, QStringLiteral("yes") },
                { F::PS, QStringLiteral("notes ") } }));
        app.home.addMovie(2, QStringLiteral("Alien"), 1,
            movieWith({ { F::Type, QStringLiteral("科幻 动作") }, { F::Year, QStringLiteral("1979年") },
                { F::Filetype, QStringLiteral("rmvb ") }, { F::Seen, QStringLiteral("no") } }));
        app.home.addMovie(3, QStringLiteral("Up"), 1,
            movieWith({ { F::Type, QStringLiteral("动画") }, { F::Year, QStringLiteral("2009") },
                { F::Filetype, QStringLiteral("rmvb") }, { F::Seen, QStringLiteral("no") } }));
        window = std::make_unique<MainWindow>(app.context);
        window->show();
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
        app.prompt.asked.clear();
    }

    StatsWindow* openStats()
    {
        QAction* action = window->action(QStringLiteral("MN_stats"));
        EXPECT_NE(action, nullptr);
        if (!action)
            return nullptr;
        action->trigger();
        return shownStats();
    }

    StatsWindow* shownStats() const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (StatsWindow* w : window->findChildren<StatsWindow*>(QStringLiteral("FormStats")))
            if (w->isVisible())
                return w;
        return nullptr;
    }

    // Shows a movie in the pane first, so that the reset after a listing can be seen.
    void showFirstMovie()
    {
        const MovieRecord shown
            = movieWith({ { F::MovieName, QStringLiteral("Shown") }, { F::PS, QStringLiteral("notes") } });
        window->movieList()->movieModel()->setRows({ movieRow(shown, true) }, 1);
        emit window->movieList()->leftReleased(0);
    }

    QStringList listedTitles() const
    {
        QStringList out;
        const MovieListModel* model = window->movieList()->movieModel();
        for (int r = 0; r < model->rowCount(); ++r)
            out << model->movieRow(r)[ListCol::MovieName];
        return out;
    }

    int itemOf(StatsWindow* w, StatsChart chart, const QString& label) const
    {
        for (int i = 0; i < w->itemCount(chart); ++i)
            if (w->chartBucket(chart, i).name == label)
                return i;
        return -1;
    }

    QString status() const { return window->statusLabel()->text(); }

    TestApp app;
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST_F(StatsWindowTest, OpensFromTheToolsMenuWithTheFiguresAndFourCharts)
{
    QAction* action = window->action(QStringLiteral("MN_stats"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), QStringLiteral("收藏统计..."));
    EXPECT_TRUE(window->findChild<QMenu*>(QStringLiteral("MN_tools"))->actions().contains(action));
    StatsWindow* w = openStats();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isModal());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("收藏统计"));
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("LblStatsSummary"))->text(),
        QStringLiteral("共 1 张光碟、3 部影视；已看 1 部，未看 2 部；总大小 0.00 GB，总时长 0.0 小时。"));
    QBarSet* genres = w->barSet(StatsChart::Genre);
    ASSERT_NE(genres, nullptr);
    const int action_ = itemOf(w, StatsChart::Genre, QStringLiteral("动作"));
    ASSERT_GE(action_, 0);
    EXPECT_EQ(genres->at(w->barOf(StatsChart::Genre, action_)), 2);
    EXPECT_EQ(w->barSet(StatsChart::Decade)->count(), 3);
    EXPECT_EQ(w->barSet(StatsChart::Format)->at(w->barOf(StatsChart::Format, 0)), 2); // rmvb first
    EXPECT_EQ(w->barSet(StatsChart::Seen), nullptr);
    ASSERT_EQ(w->seenSeries()->count(), 2);
    EXPECT_EQ(w->seenSeries()->slices().at(0)->label(), QStringLiteral("已看 1"));
    EXPECT_EQ(app.prompt.asked.size(), 0);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(shownStats(), nullptr);
}

TEST_F(StatsWindowTest, AClickOnAGenreBarListsItsMoviesAndSaysWhatWasChosen)
{
    showFirstMovie();
    auto* summary = window->findChild<QPlainTextEdit*>(QStringLiteral("TextPS"));
    ASSERT_NE(summary, nullptr);
    EXPECT_TRUE(summary->toPlainText().contains(QStringLiteral("notes")));
    StatsWindow* w = openStats();
    ASSERT_NE(w, nullptr);
    const int item = itemOf(w, StatsChart::Genre, QStringLiteral("动作"));
    emit w->barSet(StatsChart::Genre)->clicked(w->barOf(StatsChart::Genre, item));
    EXPECT_EQ(shownStats(), nullptr);
    EXPECT_EQ(listedTitles(), QStringList({ "Heat", "Alien" }));
    EXPECT_EQ(status(), QStringLiteral("类型“动作”：共 2 部影视"));
    EXPECT_TRUE(summary->toPlainText().isEmpty());
    EXPECT_EQ(app.context.session.lastPosterPath, app.home.folder().defaultPoster());
    // The listed rows carry their ID, as any row of the list does.
    EXPECT_EQ(window->movieList()->movieModel()->movieRow(1)[ListCol::ID], QStringLiteral("2"));
}

TEST_F(StatsWindowTest, AMouseClickOnTheBarItselfListsItsMovies)
{
    StatsWindow* w = openStats();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    StatsChartView* view = w->chartView(StatsChart::Genre);
    QChart* chart = view->chart();
    const int item = itemOf(w, StatsChart::Genre, QStringLiteral("动画"));
    const int bar = w->barOf(StatsChart::Genre, item);
    // The middle of the lying bar: half its value along, on its category.
    const QPointF inChart = chart->mapToPosition(QPointF(0.5, bar), chart->series().first());
    const QPoint at = view->mapFromScene(chart->mapToScene(inChart));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(shownStats(), nullptr);
    EXPECT_EQ(listedTitles(), QStringList({ "Up" }));
    EXPECT_EQ(status(), QStringLiteral("类型“动画”：共 1 部影视"));
}

TEST_F(StatsWindowTest, DecadeBarsSliceAndCountsListTheirMovies)
{
    StatsWindow* w = openStats();
    ASSERT_NE(w, nullptr);
    emit w->barSet(StatsChart::Decade)->clicked(0);
    EXPECT_EQ(listedTitles(), QStringList({ "Alien" }));
    EXPECT_EQ(status(), QStringLiteral("年代“1970年代”：共 1 部影视"));

    w = openStats();
    ASSERT_NE(w, nullptr);
    emit w->seenSeries()->clicked(w->seenSeries()->slices().at(1));
    EXPECT_EQ(listedTitles(), QStringList({ "Alien", "Up" }));
    EXPECT_EQ(status(), QStringLiteral("观看“未看”：共 2 部影视"));

    w = openStats();
    ASSERT_NE(w, nullptr);
    QTreeWidget* counts = w->counts();
    const auto found = counts->findItems(QStringLiteral("rmvb"), Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1);
    counts->setFocus();
    counts->setCurrentItem(found.first());
    QTest::keyClick(counts, Qt::Key_Return);
    EXPECT_EQ(shownStats(), nullptr);
    EXPECT_EQ(listedTitles(), QStringList({ "Alien", "Up" }));
    EXPECT_EQ(status(), QStringLiteral("格式“rmvb”：共 2 部影视"));
}

TEST_F(StatsWindowTest, KeyboardMovesAlongTheBarsTabsBetweenChartsAndEnterLists)
{
    StatsWindow* w = openStats();
    ASSERT_NE(w, nullptr);
    QApplication::setActiveWindow(w);
    StatsChartView* genres = w->chartView(StatsChart::Genre);
    genres->setFocus();
    ASSERT_TRUE(genres->hasFocus());
    QTest::keyClick(genres, Qt::Key_Tab);
    EXPECT_TRUE(w->saveButton(StatsChart::Genre)->hasFocus());
    QTest::keyClick(w->saveButton(StatsChart::Genre), Qt::Key_Tab);
    EXPECT_TRUE(w->chartView(StatsChart::Decade)->hasFocus());

    // Genre item 1 is the editor's second genre, "动作".
    QTest::keyClick(genres, Qt::Key_Down);
    QTest::keyClick(genres, Qt::Key_Down);
    EXPECT_EQ(genres->currentItem(), 1);
    EXPECT_EQ(w->barSet(StatsChart::Genre)->selectedBars(), QList<int>({ w->barOf(StatsChart::Genre, 1) }));
    QTest::keyClick(genres, Qt::Key_Return);
    EXPECT_EQ(shownStats(), nullptr);
    EXPECT_EQ(status(), QStringLiteral("类型“动作”：共 2 部影视"));
}

TEST_F(StatsWindowTest, SavesAChartAsAPngAndReportsAFolderItCannotWrite)
{
    StatsWindow* w = openStats();
    ASSERT_NE(w, nullptr);
    QStringList suggested;
    QString answer = app.home.path() + QStringLiteral("/genres");
    app.context.pickSaveFile = [&](QWidget*, const QString&, const QString& path, const QString&) {
        suggested << path;
        return answer;
    };
    w->saveButton(StatsChart::Genre)->click();
    ASSERT_EQ(suggested.size(), 1);
    EXPECT_EQ(suggested.first(),
        QDir(app.home.folder().outputsDir()).filePath(QStringLiteral("收藏统计-类型.png")));
    const QString written = answer + QStringLiteral(".png");
    QImage picture(written);
    EXPECT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), w->chartView(StatsChart::Genre)->grab().size());
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked.at(0).icon, Prompt::Icon::Information);
    EXPECT_EQ(app.prompt.asked.at(0).text, QStringLiteral("统计图已保存为“%1”。").arg(written));

    // The same name again: the ending was added, so the question is ours; "no" keeps the file.
    const QByteArray before = readBytes(written);
    app.prompt.answerNext(Prompt::Answer::No);
    EXPECT_FALSE(w->saveChart(StatsChart::Decade));
    EXPECT_EQ(app.prompt.asked.at(1).icon, Prompt::Icon::Question);
    EXPECT_EQ(readBytes(written), before);

    answer = app.home.path() + QStringLiteral("/no/such/folder/seen.png");
    EXPECT_FALSE(w->saveChart(StatsChart::Seen));
    EXPECT_EQ(app.prompt.asked.last().icon, Prompt::Icon::Warning);
    EXPECT_EQ(app.prompt.asked.last().text,
        QStringLiteral("统计图未能保存为“%1”：文件夹 %2 不存在。请换一个文件夹后再试。")
            .arg(answer, app.home.path() + QStringLiteral("/no/such/folder")));
    EXPECT_FALSE(QFile::exists(answer));

    // Cancelled: nothing is asked or written.
    answer.clear();
    const qsizetype asked = app.prompt.asked.size();
    EXPECT_FALSE(w->saveChart(StatsChart::Format));
    EXPECT_EQ(app.prompt.asked.size(), asked);
    w->close();
}

TEST_F(StatsWindowTest, AFullDiskIsSaidAndLeavesNoEmptyPicture)
{
    FullDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small disk needs root";
    disk.fill();
    StatsWindow* w = openStats();
    ASSERT_NE(w, nullptr);
    const QString path = disk.path(QStringLiteral("genres.png"));
    app.context.pickSaveFile = [&](QWidget*, const QString&, const QString&, const QString&) { return path; };
    EXPECT_FALSE(w->saveChart(StatsChart::Genre));
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked[0].icon, Prompt::Icon::Warning);
    EXPECT_EQ(app.prompt.asked[0].text,
        QStringLiteral("统计图未能保存为“%1”：磁盘已满。请腾出磁盘空间后再试。").arg(path));
    EXPECT_FALSE(QFileInfo::exists(path));
    w->close();
}

TEST(StatsWindowEmpty, AnEmptyCatalogueShowsZerosAndItsChartsStayQuiet)
{
    TestApp app;
    MainWindow window(app.context);
    window.show();
    QString error;
    ASSERT_TRUE(window.load(&error)) << error.toStdString();
    app.prompt.asked.clear();
    window.action(QStringLiteral("MN_stats"))->trigger();
    auto* w = window.findChild<StatsWindow*>(QStringLiteral("FormStats"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("LblStatsSummary"))->text(),
        QStringLiteral("共 0 张光碟、0 部影视；已看 0 部，未看 0 部；总大小 0.00 GB，总时长 0.0 小时。"));
    EXPECT_EQ(w->barSet(StatsChart::Genre)->count(), 18);
    EXPECT_EQ(w->barSet(StatsChart::Decade)->count(), 0);
    EXPECT_EQ(w->seenSeries()->count(), 0);
    StatsChartView* seen = w->chartView(StatsChart::Seen);
    for (Qt::Key key : { Qt::Key_Down, Qt::Key_End, Qt::Key_Home, Qt::Key_Return })
        QTest::keyClick(seen, key);
    EXPECT_EQ(seen->currentItem(), -1);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(app.prompt.asked.isEmpty());
    w->close();
}

TEST_F(StatsWindowTest, AnUnreadableCatalogueGivesAMessageAndNoWindow)
{
    const QByteArray garbage(8192, 'q');
    writeBytes(app.home.folder().catalogueFile(), garbage);
    EXPECT_EQ(openStats(), nullptr);
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked.at(0).icon, Prompt::Icon::Warning);
    EXPECT_FALSE(app.prompt.asked.at(0).text.isEmpty());
    EXPECT_EQ(readBytes(app.home.folder().catalogueFile()), garbage);
}

TEST_F(StatsWindowTest, NamesThatLookLikeMarkupAreDrawnAsTyped)
{
    // As markup under a bar, this would read /dev/zero for ever and the window would never paint.
    const QString markup = QStringLiteral("<img src=\"/dev/zero\">");
    app.home.addMovie(4, markup, 1, movieWith({ { F::Type, markup }, { F::Filetype, markup } }));
    StatsWindow* w = openStats();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->grab().isNull());
    EXPECT_GE(itemOf(w, StatsChart::Format, markup), 0);
}
