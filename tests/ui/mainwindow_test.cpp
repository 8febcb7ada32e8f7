#include "app/mainwindow.h"
#include "app/windowplacement.h"
#include "auxwin/aboutdialog.h"
#include "auxwin/posterviewer.h"
#include "browse/detailpane.h"
#include "browse/disctreewidget.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "settings/settingsdialog.h"
#include "store/cataloguefailure.h"
#include "testsupport.h"

#include "store/inifile.h"
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

MovieRecord movieFields(std::initializer_list<std::pair<MovieField, QVariant>> fields)
{
    MovieRecord m;
    for (const auto& [f, v] : fields)
        m[f] = v;
    return m;
}

// A small catalogue: three discs, one a favourite, and a few movies.
void fillCatalogue(TestHome& home)
{
    home.addDisc(QStringLiteral("1"), {}, QStringLiteral("DVD "));
    home.addDisc(QStringLiteral("2"), QStringLiteral("剧集 "), QStringLiteral("VCD "), QStringLiteral("外借"),
        {}, QStringLiteral("Yes"));
    home.addDisc(
        QStringLiteral("12"), QStringLiteral("动作片"), QStringLiteral("DVD "), QStringLiteral("破损"));
    home.addMovie(1, QStringLiteral("英雄 "), 12,
        movieFields({ { MovieField::Type, QStringLiteral("西部/爱情/喜剧") },
            { MovieField::SubTitile, QStringLiteral("中文/英文") },
            { MovieField::Seen, QStringLiteral("no") }, { MovieField::Score, 7.5 },
            { MovieField::Lastfor, 95.0 }, { MovieField::Company, QStringLiteral("新画面 ") },
            { MovieField::PS, QStringLiteral("一段简介 ") } }));
    home.addMovie(
        2, QStringLiteral("Alpha"), 1, movieFields({ { MovieField::Year, QStringLiteral("10 ") } }));
    home.addMovie(3, QStringLiteral("Beta"), 12, movieFields({ { MovieField::Year, QStringLiteral("9 ") } }));
    home.addMovie(4, QStringLiteral("Gamma"), 120);
}

class MainWindowTest : public ::testing::Test
{
protected:
    TestApp app;
    std::unique_ptr<MainWindow> window;

    void open()
    {
        window = std::make_unique<MainWindow>(app.context);
        window->show();
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
    }
    template <typename T> T* child(const QString& name) { return window->findChild<T*>(name); }
    // The title column: its own width, or what the other columns leave of the list's width.
    int titleWidth(int own) const
    {
        const QHeaderView* header = window->movieList()->header();
        int others = 0;
        for (int c = 1; c < header->count(); ++c)
            others += header->isSectionHidden(c) ? 0 : header->sectionSize(c);
        return std::max(own, window->movieList()->viewport()->width() - others);
    }
    void clickNode(const QString& key)
    {
        QTreeWidgetItem* item = window->discTree()->itemForKey(key);
        ASSERT_NE(item, nullptr) << key.toStdString();
        window->discTree()->setCurrentItem(item);
        emit window->discTree()->itemClicked(item, 0);
    }
    QString cell(int row, int column) const
    {
        return window->movieList()->model()->index(row, column).data().toString();
    }
    void releaseOnRow(int row, Qt::MouseButton button)
    {
        MovieListView* list = window->movieList();
        const QRect r = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), button, Qt::NoModifier, r.center());
    }
};

TEST_F(MainWindowTest, EmptyCatalogueWarnsOnceAndShowsTheTwoRoots)
{
    open();
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked.at(0).text, QStringLiteral("光盘数据库还未添加数据,选择'新建'开始添加."));
    EXPECT_EQ(app.prompt.asked.at(0).icon, Prompt::Icon::Warning);
    ASSERT_EQ(window->discTree()->topLevelItemCount(), 2);
    EXPECT_EQ(window->discTree()->topLevelItem(0)->text(0), QStringLiteral("所有影碟"));
    EXPECT_EQ(window->discTree()->topLevelItem(1)->text(0), QStringLiteral("最爱收藏"));
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("就绪"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("ReelShelf Index"));
    EXPECT_EQ(app.context.session.highestDiscNumber, 0);

    // A click on a root of an empty catalogue says so and lists nothing.
    clickNode(QStringLiteral("NodeAll"));
    ASSERT_EQ(app.prompt.asked.size(), 2);
    EXPECT_EQ(app.prompt.asked.at(1).text, QStringLiteral("光盘数据库还未添加数据!"));
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("就绪"));
}

TEST_F(MainWindowTest, AnEmptyCatalogueShowsTheWaysToBeginWhereTheListWouldBe)
{
    // The import's file picker is answered at once, as a user who cancels it.
    app.context.pickFile = [](QWidget*, const QString&, const QString&, const QString&) { return QString(); };
    open();
    QWidget* panel = child<QWidget>(QStringLiteral("StartPanel"));
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(window->movieList()->isVisible());
    // Each button runs its menu command: the disc dialog and the wizard open, the import asks for a file.
    const struct
    {
        const char* button;
        const char* command;
    } ways[] = { { "StartNewDisc", "MN_NewDisk" }, { "StartWizard", "MN_wizard" },
        { "StartImport", "MN_importMdb" } };
    for (const auto& way : ways) {
        QSignalSpy ran(window->action(QString::fromLatin1(way.command)), &QAction::triggered);
        auto* button = child<QPushButton>(QString::fromLatin1(way.button));
        ASSERT_NE(button, nullptr) << way.button;
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(ran.count(), 1) << way.button;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != window.get() && w->isVisible() && qobject_cast<QDialog*>(w))
                w->close();
    }
    // Once there is a disc, the list comes back.
    app.home.addDisc(QStringLiteral("1"));
    ASSERT_TRUE(window->discTree()->rebuildDiscTree());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(window->movieList()->isVisible());
}

// Notes whether the main window could be seen when a message came up.
class VisibilityPrompt final : public Prompt
{
public:
    Answer ask(QWidget*, Icon, const QString& text, Buttons) override
    {
        texts.append(text);
        seen.append(window && window->isVisible());
        return Answer::Ok;
    }
    QWidget* window = nullptr;
    QStringList texts;
    QList<bool> seen;
};

TEST(MainWindowStart, TheWindowIsFilledBeforeItIsShown)
{
    TestHome home;
    VisibilityPrompt prompt;
    RecordingDesktop desktop;
    AppContext context(home.folder(), prompt, desktop);
    MainWindow window(context);
    prompt.window = &window;
    QString error;
    ASSERT_TRUE(window.loadAndShow(&error)) << error.toStdString();
    ASSERT_EQ(prompt.texts.size(), 1);
    EXPECT_EQ(prompt.texts.at(0), QStringLiteral("光盘数据库还未添加数据,选择'新建'开始添加."));
    EXPECT_FALSE(prompt.seen.at(0)) << "the empty-catalogue message came over a half-built window";
    EXPECT_TRUE(window.isVisible());
    EXPECT_NE(window.findChild<QLabel*>(QStringLiteral("Image3_0"))->isVisibleTo(&window),
        window.findChild<QLabel*>(QStringLiteral("Image3_1"))->isVisibleTo(&window));
}

TEST_F(MainWindowTest, ToolbarAndMenuBarOfferNoMenuThatCouldHideThem)
{
    open();
    EXPECT_EQ(window->createPopupMenu(), nullptr);
    auto* toolbar = child<QToolBar>(QStringLiteral("Toolbar1"));
    ASSERT_NE(toolbar, nullptr);
    for (QWidget* target : { static_cast<QWidget*>(toolbar), static_cast<QWidget*>(window->menuBar()) }) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), target->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(target, &event);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
    EXPECT_FALSE(toolbar->toggleViewAction()->isEnabled());
    EXPECT_TRUE(toolbar->isVisibleTo(window.get()));
}

TEST_F(MainWindowTest, WithoutASettingsFileTheListKeepsItsShippedColumnsAndColours)
{
    // A read-only data folder may leave no settings file; the list must not lose every column.
    QFile::remove(app.home.folder().settingsFile());
    fillCatalogue(app.home);
    open();
    QHeaderView* header = window->movieList()->header();
    EXPECT_EQ(header->sectionSize(0), titleWidth(200));
    EXPECT_EQ(header->sectionSize(1), 50);
    EXPECT_EQ(header->sectionSize(8), 0);
    const QPalette p = window->movieList()->palette();
    EXPECT_EQ(p.color(QPalette::Base), QColor(255, 248, 242));
    EXPECT_EQ(p.color(QPalette::AlternateBase), QColor(251, 223, 195));
    EXPECT_TRUE(window->discTree()->topLevelItem(0)->isExpanded()) << "AutoOpen reads as shipped";
    EXPECT_TRUE(app.prompt.asked.isEmpty());
}

TEST_F(MainWindowTest, AnOversizedSettingsFileIsReportedOnceAndTheDefaultsHold)
{
    writeBytes(app.home.folder().settingsFile(), QByteArray(int(IniFile::MaxFileSize) + 10, ';'));
    fillCatalogue(app.home);
    open();
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_TRUE(app.prompt.asked.at(0).text.startsWith(QStringLiteral("设置文件 ")));
    EXPECT_EQ(window->movieList()->header()->sectionSize(0), titleWidth(200));
}

TEST_F(MainWindowTest, NodeClicksFillTheListAndTheStatusLine)
{
    fillCatalogue(app.home);
    open();
    EXPECT_TRUE(app.prompt.asked.isEmpty());
    EXPECT_EQ(app.context.session.highestDiscNumber, 12);
    EXPECT_EQ(app.context.session.favouriteCount, 1);

    clickNode(QStringLiteral("NodeAll"));
    EXPECT_EQ(window->movieList()->model()->rowCount(), 4);
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("共3张光碟,4部影视."));
    EXPECT_EQ(cell(0, 0), QStringLiteral("英雄"));
    EXPECT_EQ(cell(0, 13), QStringLiteral("95 Mins"));
    EXPECT_EQ(cell(0, 18), QStringLiteral("7.5"));

    clickNode(QStringLiteral("Node12"));
    EXPECT_EQ(window->movieList()->model()->rowCount(), 2);
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral(" 碟# 12 / 共2部影视."));
    EXPECT_EQ(cell(0, 0), QStringLiteral("英雄 ")) << "a disc listing shows the title as stored";

    clickNode(QStringLiteral("NodeFav"));
    EXPECT_EQ(window->movieList()->model()->rowCount(), 0);
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("共有1部收藏."));

    clickNode(QStringLiteral("NodF2"));
    EXPECT_EQ(window->movieList()->model()->rowCount(), 0);
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("共有1部收藏."))
        << "a favourite disc leaves the status";
    clickNode(QStringLiteral("Node12"));
    clickNode(QStringLiteral("NodF2"));
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral(" 碟# 12 / 共2部影视."));
}

TEST_F(MainWindowTest, TreeShowsConditionIconsAndFavourites)
{
    fillCatalogue(app.home);
    app.home.writeSetting(
        QStringLiteral("ReelShelfIndex1.02"), QStringLiteral("AutoOpen"), QStringLiteral("1"));
    open();
    QTreeWidgetItem* all = window->discTree()->topLevelItem(0);
    ASSERT_EQ(all->childCount(), 3);
    EXPECT_EQ(all->child(0)->text(0), QStringLiteral("碟#1"));
    EXPECT_EQ(all->child(1)->text(0), QStringLiteral("碟#2[剧集]"));
    EXPECT_EQ(all->child(2)->text(0), QStringLiteral("碟#12[动作片]"));
    EXPECT_EQ(DiscTreeWidget::keyOf(all->child(2)), QStringLiteral("Node12"));
    QTreeWidgetItem* fav = window->discTree()->topLevelItem(1);
    ASSERT_EQ(fav->childCount(), 1);
    EXPECT_EQ(DiscTreeWidget::keyOf(fav->child(0)), QStringLiteral("NodF2"));
    EXPECT_TRUE(all->isExpanded());
    EXPECT_TRUE(fav->isExpanded());
}

TEST_F(MainWindowTest, AutoOpenOffLeavesBothRootsCollapsed)
{
    fillCatalogue(app.home);
    app.home.writeSetting(
        QStringLiteral("ReelShelfIndex1.02"), QStringLiteral("AutoOpen"), QStringLiteral("0"));
    open();
    EXPECT_FALSE(window->discTree()->topLevelItem(0)->isExpanded());
    EXPECT_FALSE(window->discTree()->topLevelItem(1)->isExpanded());
}

TEST_F(MainWindowTest, LeftReleaseFillsTheDetailPane)
{
    fillCatalogue(app.home);
    app.home.writePicture(QStringLiteral("Posters/1.jpg"), 40, 60);
    app.home.writePicture(QStringLiteral("Compics/新画面.jpg"), 30, 20);
    open();
    clickNode(QStringLiteral("NodeAll"));
    releaseOnRow(0, Qt::LeftButton);

    EXPECT_EQ(child<QLineEdit>(QStringLiteral("Text1_9"))->text(), QStringLiteral("英雄"));
    EXPECT_EQ(child<QLineEdit>(QStringLiteral("Text1_0"))->text(), QStringLiteral("12"));
    EXPECT_EQ(child<QLineEdit>(QStringLiteral("Text1_6"))->text(), QStringLiteral("95 Mins"));
    EXPECT_EQ(child<QLineEdit>(QStringLiteral("Text1_13"))->text(), QStringLiteral("新画面"));
    for (int i : { 17, 11, 0 })
        EXPECT_TRUE(child<QCheckBox>(QStringLiteral("Check1_%1").arg(i))->isChecked()) << i;
    EXPECT_FALSE(child<QCheckBox>(QStringLiteral("Check1_7"))->isChecked());
    EXPECT_TRUE(child<QCheckBox>(QStringLiteral("Check2_0"))->isChecked());
    EXPECT_TRUE(child<QCheckBox>(QStringLiteral("Check2_1"))->isChecked());
    auto* seen = child<QCheckBox>(QStringLiteral("CheckSeen"));
    EXPECT_TRUE(seen->isChecked());
    EXPECT_EQ(seen->text(), QStringLiteral("还未观看"));
    EXPECT_TRUE(child<QPlainTextEdit>(QStringLiteral("TextPS"))
                    ->toPlainText()
                    .startsWith(QStringLiteral("【片    名】英雄\n【译    名】\n")));
    EXPECT_FALSE(child<QLabel>(QStringLiteral("Image4"))->pixmap().isNull());
    EXPECT_EQ(window->detailPane()->posterPath(), app.home.folder().posterFor(QStringLiteral("1")));
    EXPECT_EQ(app.context.session.lastPosterPath, app.home.folder().posterFor(QStringLiteral("1")));

    // A fractional score lights its whole part.
    const QPixmap gold(app.home.folder().goldStar());
    const QPixmap gray(app.home.folder().grayStar());
    EXPECT_EQ(child<QLabel>(QStringLiteral("Image5_6"))->pixmap().toImage(), gold.toImage());
    EXPECT_EQ(child<QLabel>(QStringLiteral("Image5_7"))->pixmap().toImage(), gray.toImage());

    // The next movie has no seen mark: the box is unchecked and keeps its caption; no logo, no poster.
    releaseOnRow(1, Qt::LeftButton);
    EXPECT_EQ(child<QLineEdit>(QStringLiteral("Text1_9"))->text(), QStringLiteral("Alpha"));
    EXPECT_FALSE(seen->isChecked());
    EXPECT_EQ(seen->text(), QStringLiteral("还未观看"));
    EXPECT_FALSE(child<QCheckBox>(QStringLiteral("Check1_17"))->isChecked());
    EXPECT_TRUE(child<QLabel>(QStringLiteral("Image4"))->pixmap().isNull());
    EXPECT_EQ(window->detailPane()->posterPath(), app.home.folder().defaultPoster());

    // A new listing empties the boxes but keeps the stars.
    clickNode(QStringLiteral("Node1"));
    EXPECT_TRUE(child<QLineEdit>(QStringLiteral("Text1_9"))->text().isEmpty());
    EXPECT_TRUE(child<QPlainTextEdit>(QStringLiteral("TextPS"))->toPlainText().isEmpty());
}

TEST_F(MainWindowTest, TheFilesTabShowsTheMoviesFilesAndItsDiscsMedium)
{
    fillCatalogue(app.home);
    app.home.exec(QStringLiteral(
        "INSERT INTO ShelfMovieFiles (MovieID, Part, Path, Size, Modified, Facts) VALUES "
        "(1, 2, CAST('英雄/Hero.CD2.mkv' AS BLOB), 734003200, '2026-12-01T10:00:00Z', NULL), "
        "(1, 1, CAST('英雄/Hero.CD1.mkv' AS BLOB), 734003200, '2026-12-01T10:00:00Z', "
        "'{\"container\":\"Matroska\",\"duration\":3000,\"width\":1920,\"height\":1080,\"videoCodec\":"
        "\"AVC\","
        "\"frameRate\":23.976,\"audio\":[{\"codec\":\"AAC\",\"channels\":2,\"language\":\"zh\"}],"
        "\"subtitles\":[{\"format\":\"SubRip\",\"language\":\"en\",\"external\":true,\"path\":\"英雄/"
        "Hero.CD1.eng.srt\"}]}')"));
    app.home.exec(
        QStringLiteral("INSERT INTO ShelfDiscMedia (DiskNum, Label, Uuid, FsType, FileCount, TotalSize, "
                       "Fingerprint, Scanned) VALUES ('12', 'HERO_DISC', '2026-12-01-10-00-00-00', "
                       "'udf', 3, 1468006400, 'x', '2026-12-01T10:00:00Z')"));
    open();
    clickNode(QStringLiteral("NodeAll"));
    releaseOnRow(0, Qt::LeftButton);
    auto* list = child<QTreeWidget>(QStringLiteral("ListFiles"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    const QTreeWidgetItem* first = list->topLevelItem(0);
    EXPECT_EQ(first->text(0), QStringLiteral("1"));
    EXPECT_EQ(first->text(1), QStringLiteral("英雄/Hero.CD1.mkv"));
    EXPECT_EQ(first->text(2), QStringLiteral("700 MB"));
    EXPECT_EQ(first->text(3), QStringLiteral("50 分钟"));
    EXPECT_EQ(first->text(4), QStringLiteral("1920x1080 AVC 23.976 fps"));
    EXPECT_EQ(first->text(6), QStringLiteral("AAC 2声道 zh"));
    EXPECT_EQ(first->text(7), QStringLiteral("SubRip en（外挂）"));
    EXPECT_EQ(list->topLevelItem(1)->text(3), QStringLiteral("（未能读取）"));
    EXPECT_EQ(child<QLabel>(QStringLiteral("LabelMedium"))->text(),
        QStringLiteral("介质：标签 HERO_DISC，UUID 2026-12-01-10-00-00-00，udf，3 个文件，共 1.37 "
                       "GB（2026-12-01 读取）"));

    // A movie with no remembered files says how to get them.
    releaseOnRow(1, Qt::LeftButton);
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_TRUE(
        child<QLabel>(QStringLiteral("LabelMedium"))->text().contains(QStringLiteral("重新读取光盘")));
}

// The list holds no introductions: a movie shown while another program holds the catalogue is
// shown without its introduction, and the status line says why.
TEST_F(MainWindowTest, AMovieShownWhileTheCatalogueIsHeldSaysWhyItsIntroductionIsMissing)
{
    fillCatalogue(app.home);
    open();
    clickNode(QStringLiteral("NodeAll"));
    RawDb other(app.home.folder().catalogueFile());
    other.exec(QStringLiteral("BEGIN EXCLUSIVE"));
    releaseOnRow(0, Qt::LeftButton);
    other.exec(QStringLiteral("COMMIT"));
    EXPECT_EQ(child<QLineEdit>(QStringLiteral("Text1_9"))->text(), QStringLiteral("英雄"));
    EXPECT_FALSE(
        child<QPlainTextEdit>(QStringLiteral("TextPS"))->toPlainText().contains(QStringLiteral("一段简介")));
    EXPECT_EQ(child<QLabel>(QStringLiteral("LblLstV1"))->text(),
        CatalogueFailure::lockedMessage(app.home.folder().catalogueFile()));
    // Once it is free again, the next look shows it whole.
    releaseOnRow(0, Qt::LeftButton);
    EXPECT_TRUE(
        child<QPlainTextEdit>(QStringLiteral("TextPS"))->toPlainText().contains(QStringLiteral("一段简介")));
}

TEST_F(MainWindowTest, RightReleaseOpensTheMovieMenuOnlyOverRows)
{
    fillCatalogue(app.home);
    open();
    clickNode(QStringLiteral("NodeFav"));
    QTest::mouseClick(window->movieList()->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(20, 10));
    EXPECT_FALSE(window->movieMenu()->isVisible());

    clickNode(QStringLiteral("NodeAll"));
    releaseOnRow(0, Qt::LeftButton);
    releaseOnRow(1, Qt::RightButton);
    EXPECT_TRUE(window->movieMenu()->isVisible());
    EXPECT_EQ(window->movieMenu()->objectName(), QStringLiteral("MN_POPno"));
    window->movieMenu()->hide();
    // The pane still shows the movie of the left click.
    EXPECT_EQ(child<QLineEdit>(QStringLiteral("Text1_9"))->text(), QStringLiteral("英雄"));
}

TEST_F(MainWindowTest, HeaderClicksSortByTextAndFlipTheOrder)
{
    fillCatalogue(app.home);
    open();
    clickNode(QStringLiteral("NodeAll"));
    QHeaderView* header = window->movieList()->header();
    const int yearSection = 1;
    const QPoint at(header->sectionViewportPosition(yearSection) + 5, 5);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    // Text comparison: "10" before "9"; empty cells first.
    EXPECT_EQ(cell(0, 1), QString());
    EXPECT_EQ(cell(2, 1), QStringLiteral("10"));
    EXPECT_EQ(cell(3, 1), QStringLiteral("9"));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(cell(0, 1), QStringLiteral("9"));
    // A new listing comes out sorted the same way.
    clickNode(QStringLiteral("NodeAll"));
    EXPECT_EQ(cell(0, 1), QStringLiteral("9"));
}

TEST_F(MainWindowTest, ColumnsAndRowColoursComeFromTheSettings)
{
    app.home.writeSetting(QStringLiteral("ColumnHeaders"), QStringLiteral("Colum3"), QStringLiteral("0"));
    app.home.writeSetting(
        QStringLiteral("ColumnHeaders"), QStringLiteral("ColumLen0"), QStringLiteral("3000"));
    app.home.writeSetting(
        QStringLiteral("ReelShelfIndex1.02"), QStringLiteral("Setcolor1"), QStringLiteral("15923455"));
    app.home.writeSetting(
        QStringLiteral("ReelShelfIndex1.02"), QStringLiteral("Setcolor2"), QStringLiteral("12836859"));
    open();
    QHeaderView* header = window->movieList()->header();
    EXPECT_EQ(header->sectionSize(0), titleWidth(200));
    EXPECT_EQ(header->sectionSize(3), 0) << "a hidden column has no width";
    EXPECT_EQ(header->sectionSize(15), 0) << "the ID column is in effect hidden";
    EXPECT_EQ(window->movieList()->model()->headerData(15, Qt::Horizontal).toString(), QString());
    EXPECT_EQ(window->movieList()->model()->headerData(2, Qt::Horizontal, Qt::UserRole).toString(),
        QStringLiteral("FileType"));
    const QPalette p = window->movieList()->palette();
    EXPECT_EQ(p.color(QPalette::Base), QColor(255, 248, 242));
    EXPECT_EQ(p.color(QPalette::AlternateBase), QColor(251, 223, 195));
    EXPECT_TRUE(window->movieList()->alternatingRowColors());
}

TEST_F(MainWindowTest, TheTitleColumnTakesTheWidthLeftAndADraggedWidthLasts)
{
    fillCatalogue(app.home);
    open();
    window->resize(1600, 900);
    QCoreApplication::processEvents();
    MovieListView* list = window->movieList();
    QHeaderView* header = list->header();
    auto rightEdge
        = [&] { return header->sectionViewportPosition(header->logicalIndexAt(0)) + header->length(); };
    EXPECT_GT(header->sectionSize(0), 200);
    EXPECT_EQ(rightEdge(), list->viewport()->width()) << "no width left unused";
    EXPECT_EQ(header->sectionSize(1), 50) << "the others keep their stored widths";

    // Another column dragged wider: the title gives the width up, and the drag lasts.
    const int title = header->sectionSize(0);
    header->resizeSection(1, 120);
    EXPECT_EQ(header->sectionSize(0), title - 70);
    window->resize(1400, 900);
    QCoreApplication::processEvents();
    EXPECT_EQ(header->sectionSize(1), 120);
    EXPECT_EQ(rightEdge(), list->viewport()->width());

    // The title dragged: it keeps the user's width whatever the window does.
    header->resizeSection(0, 260);
    window->resize(1600, 900);
    QCoreApplication::processEvents();
    EXPECT_EQ(header->sectionSize(0), 260);
    clickNode(QStringLiteral("NodeAll"));
    EXPECT_EQ(header->sectionSize(0), 260) << "for the run, through new listings";
    EXPECT_EQ(header->sectionSize(1), 120);
}

TEST_F(MainWindowTest, ARightClickOnTheHeadersOpensTheColumnsPage)
{
    open();
    QHeaderView* header = window->movieList()->header();
    emit header->customContextMenuRequested(QPoint(5, 5));
    auto* settings = window->findChild<SettingsDialog*>(QStringLiteral("Form9"));
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->isVisible());
    EXPECT_EQ(settings->shownContainer(), 3);
    EXPECT_TRUE(settings->findChild<QWidget*>(QStringLiteral("ChkCoum_0"))->isVisible());
    settings->cancel();
}

TEST_F(MainWindowTest, TreeMenuEnablesItemsByNodeKind)
{
    fillCatalogue(app.home);
    open();
    const QPoint somewhere = window->mapToGlobal(QPoint(10, 10));
    const QStringList items = { "AddMovie", "addtofav", "DelFav", "ChangeDiskDetail", "deldisk" };
    window->discTree()->setCurrentItem(window->discTree()->itemForKey(QStringLiteral("NodeFav")));
    emit window->discTree()->contextMenuWanted(QStringLiteral("NodeFav"), somewhere);
    EXPECT_TRUE(window->treeMenu()->isVisible());
    for (const QString& name : items)
        EXPECT_FALSE(window->action(name)->isEnabled()) << name.toStdString();
    window->treeMenu()->hide();
}

TEST_F(MainWindowTest, MenusAndToolbarOpenTheirWindows)
{
    open();
    EXPECT_EQ(
        window->action(QStringLiteral("MN_NewDisk"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
    EXPECT_EQ(window->action(QStringLiteral("MN_trans"))->text(), QStringLiteral("导出数据为..."));
    EXPECT_EQ(window->action(QStringLiteral("serchfilm"))->toolTip(), QStringLiteral("搜索影片"));

    window->action(QStringLiteral("MN_About2"))->trigger();
    auto* about = window->findChild<AboutDialog*>(QStringLiteral("Form7"));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), QStringLiteral("关于ReelShelf Index"));
    EXPECT_TRUE(
        about->findChild<QPlainTextEdit*>(QStringLiteral("Text1"))
            ->toPlainText()
            .startsWith(QStringLiteral("ReelShelf Index V 1.03 正式版  \n    \n版 本 "
                                       "号：Ver1.03\n版本修正：Build 522\n编译日期：2008年3月5日\n")));
    about->close();
    QApplication::processEvents();

    window->runToolbarKey(QStringLiteral("helpme"));
    ASSERT_EQ(app.desktop.opened.size(), 1);
    EXPECT_EQ(app.desktop.opened.at(0), QUrl::fromLocalFile(app.home.folder().helpFile()));
    window->action(QStringLiteral("GotoWeb"))->trigger();
    ASSERT_EQ(app.desktop.opened.size(), 2);
    EXPECT_EQ(app.desktop.opened.at(1), QUrl::fromLocalFile(app.home.folder().helpFile()));

    window->runToolbarKey(QStringLiteral("no-such-key"));
    EXPECT_EQ(app.desktop.opened.size(), 2);

    window->runToolbarKey(QStringLiteral("pro_quit"));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, ResizingKeepsTheDesignProportions)
{
    fillCatalogue(app.home);
    open();
    window->resize(1400, 860);
    QApplication::processEvents();
    const int treeWide = window->discTree()->width();
    const int listWide = window->movieList()->width();
    const int listHigh = window->movieList()->height();
    EXPECT_NEAR(treeWide, 1400 * 2235 / 14025, 12);
    window->resize(700, 860);
    QApplication::processEvents();
    EXPECT_NEAR(window->discTree()->width(), treeWide / 2, 4);
    EXPECT_NEAR(window->movieList()->width(), listWide / 2, 4);
    EXPECT_EQ(window->movieList()->height(), listHigh) << "heights stay when only the width changes";
}

TEST_F(MainWindowTest, StatusIconFollowsTheParityOfTheClock)
{
    app.context.clock = [] { return QDateTime(QDate(2026, 12, 5), QTime(14, 23, 7)); };
    open();
    EXPECT_FALSE(child<QLabel>(QStringLiteral("Image3_0"))->isVisible());
    EXPECT_TRUE(child<QLabel>(QStringLiteral("Image3_1"))->isVisible());
    app.context.clock = [] { return QDateTime(QDate(2026, 12, 5), QTime(14, 23, 8)); };
    window->chooseStatusIcon();
    EXPECT_TRUE(child<QLabel>(QStringLiteral("Image3_0"))->isVisible());
    EXPECT_FALSE(child<QLabel>(QStringLiteral("Image3_1"))->isVisible());
}

TEST_F(MainWindowTest, PosterClickOpensTheViewerOnTheLastPoster)
{
    fillCatalogue(app.home);
    open();
    clickNode(QStringLiteral("NodeAll"));
    releaseOnRow(1, Qt::LeftButton);
    window->detailPane()->setCurrentIndex(2);
    auto* poster = child<QLabel>(QStringLiteral("Image2"));
    QTest::mouseClick(poster, Qt::LeftButton, Qt::NoModifier, poster->rect().center());
    auto* viewer = window->findChild<PosterViewer*>(QStringLiteral("Form10"));
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("海报查看器"));
    EXPECT_TRUE(viewer->isModal() || viewer->windowModality() == Qt::ApplicationModal);
    viewer->close();
}

namespace {

// The viewer as designed, drawn smaller, proportions kept, on a screen too low for it.
QSize onThisScreen(QSize designed, const QWidget& viewer)
{
    const QSize room = WindowPlacement::room(&viewer);
    const double scale = std::min(
        { 1.0, double(room.width()) / designed.width(), double(room.height()) / designed.height() });
    return (QSizeF(designed) * scale).toSize();
}

} // namespace

TEST(PosterViewer, FitsSmallPicturesAndStretchesLargeOnes)
{
    TestHome home;
    home.writePicture(QStringLiteral("Posters/small.jpg"), 400, 600);
    home.writePicture(QStringLiteral("Posters/wide.jpg"), 600, 300);
    home.writePicture(QStringLiteral("Posters/exact.jpg"), 525, 777);
    const QString fallback = home.folder().defaultPoster();
    PosterViewer small(home.folder().posterFor(QStringLiteral("small")), fallback);
    EXPECT_FALSE(small.isStretched());
    EXPECT_EQ(small.size(), QSize(400, 613));
    PosterViewer wide(home.folder().posterFor(QStringLiteral("wide")), fallback);
    EXPECT_TRUE(wide.isStretched());
    EXPECT_EQ(wide.size(), onThisScreen(PosterViewer::innerArea(), wide));
    PosterViewer exact(home.folder().posterFor(QStringLiteral("exact")), fallback);
    EXPECT_FALSE(exact.isStretched());
}

TEST(PosterViewer, AMissingOrBrokenPictureShowsTheDefaultPosterAtItsSize)
{
    TestHome home;
    home.writePicture(QStringLiteral("Posters/00.jpg"), 300, 450);
    writeBytes(home.folder().posterFor(QStringLiteral("broken")), "not a picture");
    const QString fallback = home.folder().defaultPoster();
    for (const char* name : { "none", "broken" }) {
        PosterViewer viewer(home.folder().posterFor(QString::fromLatin1(name)), fallback);
        EXPECT_FALSE(viewer.isStretched()) << name;
        EXPECT_EQ(viewer.size(), QSize(300, 463)) << name;
        const QLabel* image = viewer.findChild<QLabel*>(QStringLiteral("Image1"));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->pixmap().size(), QSize(300, 450)) << name;
    }
    // Without even a default poster the viewer keeps its designed area.
    QFile::remove(fallback);
    PosterViewer bare(home.folder().posterFor(QStringLiteral("none")), fallback);
    EXPECT_EQ(bare.size(), onThisScreen(PosterViewer::innerArea() + QSize(0, 13), bare));
    EXPECT_LE(bare.height(), WindowPlacement::room(&bare).height()) << "it fits the screen";
}

TEST(MovieListModel, PassesTheModelTesterThroughFillsAndSorts)
{
    MovieListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QList<MovieRow> rows;
    for (const QString& title : { QStringLiteral("英雄"), QStringLiteral("b"), QStringLiteral("a"),
             QStringLiteral("C"), QStringLiteral("阿甘正传") }) {
        MovieRow::Cells cells;
        cells[0] = title;
        rows.append(MovieRow(cells));
    }
    model.setRows(rows, 2);
    model.sort(0, Qt::AscendingOrder);
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("a"));
    EXPECT_EQ(model.index(2, 0).data().toString(), QStringLiteral("C"));
    EXPECT_EQ(model.index(3, 0).data().toString(), QStringLiteral("阿甘正传")) << "Latin before Chinese";
    EXPECT_EQ(model.index(4, 0).data().toString(), QStringLiteral("英雄"));
    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
}

} // namespace
