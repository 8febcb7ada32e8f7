#include "app/mainwindow.h"
#include "browse/detailpane.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "search/searchdialog.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

class SearchWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        using F = MovieField;
        app.home.addDisc(QStringLiteral("1"));
        app.home.addMovie(1, QStringLiteral("The Matrix"), 1,
            movieWith({ { F::Year, QStringLiteral("1999") }, { F::Filetype, QStringLiteral("rmvb") },
                { F::Type, QStringLiteral("动作") }, { F::Seen, QStringLiteral("yes") },
                { F::PS, QStringLiteral("notes") } }));
        app.home.addMovie(2, QStringLiteral("Heat"), 1,
            movieWith({ { F::Year, QStringLiteral("1995") }, { F::Filetype, QStringLiteral("avi") },
                { F::Type, QStringLiteral("喜剧") }, { F::Seen, QStringLiteral("no") } }));
        app.home.addMovie(3, QStringLiteral("Cars"), 1, movieWith({ { F::Year, QStringLiteral("2006") } }));
    }

    void openMain()
    {
        window = std::make_unique<MainWindow>(app.context);
        window->show();
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
        app.prompt.asked.clear();
    }

    SearchDialog* openSearch()
    {
        window->action(QStringLiteral("MN_search"))->trigger();
        return shownSearch();
    }

    SearchDialog* shownSearch() const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (SearchDialog* d : window->findChildren<SearchDialog*>(QStringLiteral("Form5")))
            if (d->isVisible())
                return d;
        return nullptr;
    }

    template <typename T> T* child(QWidget* in, const char* name) const
    {
        T* found = in->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QStringList listedTitles() const
    {
        QStringList out;
        const MovieListModel* model = window->movieList()->movieModel();
        for (int r = 0; r < model->rowCount(); ++r)
            out << model->movieRow(r)[ListCol::MovieName];
        return out;
    }

    QString status() const { return window->statusLabel()->text(); }

    TestApp app;
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST_F(SearchWindowTest, OpensOnTheTitlePageWithTheBoxesFilled)
{
    openMain();
    EXPECT_TRUE(window->action(QStringLiteral("MN_search"))->isEnabled());
    EXPECT_TRUE(window->action(QStringLiteral("serchfilm"))->isEnabled());
    window->runToolbarKey(QStringLiteral("serchfilm"));
    SearchDialog* d = shownSearch();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), QStringLiteral("搜索影片"));
    EXPECT_TRUE(d->isModal());
    EXPECT_EQ(d->kind(), SearchKind::Title);
    auto* tabs = child<QTabBar>(d, "TabStrip1");
    ASSERT_EQ(tabs->count(), 5);
    const QStringList captions = { "名称", "年代", "类型", "格式", "看否" };
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tabs->tabText(i), captions[i]);
    EXPECT_EQ(child<QComboBox>(d, "Combo3")->currentText(), QStringLiteral("2007"));
    EXPECT_EQ(child<QComboBox>(d, "Combo3")->count(), 8);
    EXPECT_EQ(child<QComboBox>(d, "Combo1")->currentText(), QStringLiteral("选择或填入..."));
    EXPECT_EQ(child<QComboBox>(d, "Combo1")->itemText(6), QStringLiteral("科教"));
    EXPECT_EQ(child<QComboBox>(d, "Combo2")->itemText(0), QStringLiteral("rmvb"));
    EXPECT_FALSE(child<QRadioButton>(d, "OptionSeen_0")->isChecked());
    EXPECT_FALSE(child<QRadioButton>(d, "OptionSeen_1")->isChecked());
    EXPECT_EQ(child<QPushButton>(d, "Command1_0")->text(), QStringLiteral("搜索(&S)"));
    EXPECT_EQ(child<QPushButton>(d, "Command1_1")->text(), QStringLiteral("关闭"));
    d->selectTab(QStringLiteral("NoSuchKey"));
    EXPECT_EQ(d->kind(), SearchKind::Title);
    d->close();
}

TEST_F(SearchWindowTest, TitleSearchByKeyboardFillsTheListAndEmptiesThePane)
{
    openMain();
    SearchDialog* first = openSearch();
    ASSERT_NE(first, nullptr);
    QTest::keyClicks(child<QLineEdit>(first, "Textsearch"), QStringLiteral(" "));
    QTest::keyClick(child<QLineEdit>(first, "Textsearch"), Qt::Key_Return);
    EXPECT_EQ(shownSearch(), nullptr);
    ASSERT_EQ(listedTitles().size(), 3);
    // A movie shown in the pane first, so that the reset can be seen.
    emit window->movieList()->leftReleased(0);
    EXPECT_TRUE(
        child<QPlainTextEdit>(window.get(), "TextPS")->toPlainText().contains(QStringLiteral("notes")));

    SearchDialog* d = openSearch();
    ASSERT_NE(d, nullptr);
    QTest::keyClicks(child<QLineEdit>(d, "Textsearch"), QStringLiteral("MAT?IX"));
    QTest::mouseClick(child<QPushButton>(d, "Command1_0"), Qt::LeftButton);
    EXPECT_EQ(shownSearch(), nullptr);
    EXPECT_EQ(listedTitles(), QStringList { "The Matrix" });
    EXPECT_EQ(status(), QStringLiteral("搜索完毕,共发现 1 项."));
    QAbstractItemModelTester tester(window->movieList()->movieModel());
    DetailPane* pane = window->detailPane();
    EXPECT_EQ(child<QPlainTextEdit>(window.get(), "TextPS")->toPlainText(), QString());
    for (QLineEdit* e : pane->findChildren<QLineEdit*>())
        EXPECT_TRUE(e->text().isEmpty()) << e->objectName().toStdString();
    for (QCheckBox* c : pane->findChildren<QCheckBox*>())
        EXPECT_FALSE(c->isChecked()) << c->objectName().toStdString();
    EXPECT_EQ(pane->posterPath(), app.home.folder().defaultPoster());
    EXPECT_EQ(app.context.session.lastPosterPath, app.home.folder().defaultPoster());
    EXPECT_TRUE(app.prompt.asked.isEmpty());
}

TEST_F(SearchWindowTest, EachPageSearchesItsOwnField)
{
    openMain();
    const struct
    {
        const char* tab;
        std::function<void(SearchDialog*)> fill;
        QStringList titles;
    } cases[] = {
        { "INyear",
            [this](SearchDialog* d) { child<QComboBox>(d, "Combo3")->setEditText(QStringLiteral("199")); },
            { "The Matrix", "Heat" } },
        { "INmovietype", [this](SearchDialog* d) { child<QComboBox>(d, "Combo1")->setCurrentIndex(0); },
            { "Heat" } },
        { "Infiletype",
            [this](SearchDialog* d) { child<QComboBox>(d, "Combo2")->setEditText(QStringLiteral(" AVI ")); },
            { "Heat" } },
        { "Seen", [this](SearchDialog* d) { child<QRadioButton>(d, "OptionSeen_0")->setChecked(true); },
            { "The Matrix" } },
        { "Seen", [this](SearchDialog* d) { child<QRadioButton>(d, "OptionSeen_1")->setChecked(true); },
            { "Heat" } },
        { "Seen", [](SearchDialog*) {}, {} },
    };
    for (const auto& c : cases) {
        SearchDialog* d = openSearch();
        ASSERT_NE(d, nullptr);
        d->selectTab(QString::fromLatin1(c.tab));
        EXPECT_EQ(child<QTabBar>(d, "TabStrip1")->tabData(child<QTabBar>(d, "TabStrip1")->currentIndex()),
            QString::fromLatin1(c.tab));
        c.fill(d);
        d->search();
        EXPECT_EQ(listedTitles(), c.titles) << c.tab;
        EXPECT_EQ(status(), QStringLiteral("搜索完毕,共发现 %1 项.").arg(c.titles.size()));
    }
}

TEST_F(SearchWindowTest, EmptyTextEmptiesTheListSilentlyAndCloseChangesNothing)
{
    openMain();
    SearchDialog* d = openSearch();
    child<QTabBar>(d, "TabStrip1")->setCurrentIndex(2);
    EXPECT_EQ(d->kind(), SearchKind::Genre);
    child<QComboBox>(d, "Combo1")->setEditText(QString());
    d->search();
    EXPECT_TRUE(listedTitles().isEmpty());
    EXPECT_EQ(status(), QString());
    EXPECT_TRUE(app.prompt.asked.isEmpty());

    window->movieList()->movieModel()->setRows({ MovieRow() }, 1);
    window->statusLabel()->setText(QStringLiteral("before"));
    d = openSearch();
    QTest::keyClick(d, Qt::Key_Escape);
    EXPECT_EQ(shownSearch(), nullptr);
    d = openSearch();
    QTest::mouseClick(child<QPushButton>(d, "Command1_1"), Qt::LeftButton);
    EXPECT_EQ(shownSearch(), nullptr);
    EXPECT_EQ(window->movieList()->movieModel()->rowCount(), 1);
    EXPECT_EQ(status(), QStringLiteral("before"));
}

TEST(SearchWindowEmpty, EmptyTableWarnsAndReportsNoHits)
{
    TestApp app;
    MainWindow window(app.context);
    window.show();
    QString error;
    ASSERT_TRUE(window.load(&error)) << error.toStdString();
    app.prompt.asked.clear();
    SearchDialog* d = window.openSearch();
    d->selectTab(QStringLiteral("Seen"));
    d->search();
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked[0].icon, Prompt::Icon::Warning);
    EXPECT_EQ(app.prompt.asked[0].text, QStringLiteral("数据库还未添加数据。"));
    EXPECT_EQ(window.statusLabel()->text(), QStringLiteral("搜索完毕,共发现 0 项."));
}

TEST_F(SearchWindowTest, APatternAsLongAsTheBoxTakesListsItsHitWithoutFreezingTheWindow)
{
    app.home.exec(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 10 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                       "INSERT INTO ReelShelfIndex (ID, MovieName, DiskNum) "
                       "SELECT i, 'Film ' || i || ' ' || hex(zeroblob(140)), 1 FROM n"));
    app.home.addMovie(4, QString(33000, u'x') + QStringLiteral("尾"), 1);
    openMain();
    SearchDialog* d = openSearch();
    ASSERT_NE(d, nullptr);
    auto* box = child<QLineEdit>(d, "Textsearch");
    // As pasted: the box takes 32,767 characters, stars and letters in turn.
    box->setText(QStringLiteral("X*").repeated(16383) + QStringLiteral("尾"));
    ASSERT_EQ(box->text().size(), 32767);
    QElapsedTimer timer;
    timer.start();
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_LT(timer.elapsed(), 20000) << "a hang guard; the former search took minutes";
    EXPECT_EQ(shownSearch(), nullptr);
    ASSERT_EQ(listedTitles().size(), 1);
    EXPECT_TRUE(listedTitles().first().endsWith(QStringLiteral("x尾")));
    EXPECT_EQ(status(), QStringLiteral("搜索完毕,共发现 1 项."));
}
