#include "app/mainwindow.h"
#include "browse/disctreewidget.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "filter/quickfilterbox.h"
#include "report/collectionreport.h"
#include "report/reportdialog.h"
#include "report/reportlistmodel.h"
#include "store/catalogue.h"
#include "store/mediatables.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>

#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

class ReportWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app.home.addDisc(QStringLiteral("1"), QStringLiteral("好碟 "));
        app.home.addDisc(QStringLiteral("2"), QStringLiteral("借出 "), QStringLiteral("DVD "),
            QStringLiteral("外借 "), QStringLiteral("借给老王 "));
        for (int id = 1; id <= 30; ++id) // enough rows on disc 1 that the jump must scroll
            app.home.addMovie(id, QStringLiteral("片%1").arg(id), 1);
        app.home.addMovie(31, QStringLiteral("Heat "), 1);
        app.home.addMovie(32, QStringLiteral(" heat"), 2);
        app.home.addMovie(33, QStringLiteral("卧虎藏龙"), 2);
        app.home.addMovie(34, QStringLiteral("Cars"), 9); // disc 9 has no record
        app.home.addMovie(35, QStringLiteral("CARS"), 9);
        window = std::make_unique<MainWindow>(app.context);
        window->show();
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
        app.prompt.asked.clear();
    }

    ReportDialog* shownReport() const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (ReportDialog* d : window->findChildren<ReportDialog*>(QStringLiteral("FormReport")))
            if (d->isVisible())
                return d;
        return nullptr;
    }

    ReportDialog* openReport()
    {
        window->action(QStringLiteral("MN_report"))->trigger();
        return shownReport();
    }

    template <typename T> T* child(QWidget* in, const char* name) const
    {
        T* found = in->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QStringList column(ReportDialog* d, ReportDialog::List list, int c) const
    {
        QStringList out;
        const ReportListModel* m = d->model(list);
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, c).data().toString();
        return out;
    }

    void doubleClick(QTableView* view, int row)
    {
        // As a mouse sends it: press, release, the double click, release.
        const QPoint at = view->visualRect(view->model()->index(row, 3)).center();
        QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    // The movie the main window shows: its row selected and on screen, the pane filled.
    void expectShown(const QString& nodeKey, const QString& id, const QString& title)
    {
        EXPECT_EQ(window->discTree()->selectedKey(), nodeKey);
        MovieListView* list = window->movieList();
        const int row = list->selectedRow();
        ASSERT_GE(row, 0);
        EXPECT_EQ(list->movieModel()->movieRow(row)[ListCol::ID], id);
        EXPECT_TRUE(list->selectionModel()->isRowSelected(row));
        EXPECT_TRUE(list->viewport()->rect().intersects(list->visualRect(list->movieModel()->index(row, 0))));
        EXPECT_EQ(child<QLineEdit>(window.get(), "Text1_9")->text(), title);
    }

    TestApp app;
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST_F(ReportWindowTest, ToolsMenuOpensBothLists)
{
    QAction* command = window->action(QStringLiteral("MN_report"));
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->text(), QStringLiteral("重复与风险报告..."));
    EXPECT_TRUE(window->findChild<QMenu*>(QStringLiteral("MN_tools"))->actions().contains(command));
    ReportDialog* d = openReport();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), QStringLiteral("重复与风险报告"));
    EXPECT_TRUE(d->isModal());
    auto* tabs = child<QTabWidget>(d, "TabReport");
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("重复影片(&D)"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("风险影片(&R)"));
    QAbstractItemModelTester duplicates(d->model(ReportDialog::Duplicates));
    QAbstractItemModelTester risks(d->model(ReportDialog::Risks));
    EXPECT_EQ(column(d, ReportDialog::Duplicates, 3), (QStringList { "31", "32", "34", "35" }));
    EXPECT_EQ(column(d, ReportDialog::Duplicates, 4), (QStringList { "Heat", "heat", "Cars", "CARS" }));
    EXPECT_EQ(column(d, ReportDialog::Duplicates, 1),
        (QStringList { "多张碟上都有", "多张碟上都有", "同一张碟上重复", "同一张碟上重复" }));
    EXPECT_EQ(column(d, ReportDialog::Duplicates, 2),
        (QStringList { "碟#1", "碟#2", "碟#9（无此光碟记录）", "碟#9（无此光碟记录）" }));
    EXPECT_EQ(d->model(ReportDialog::Risks)->rowCount(), 1);
    EXPECT_EQ(
        d->model(ReportDialog::Risks)->headerData(3, Qt::Horizontal).toString(), QStringLiteral("附注"));
    EXPECT_EQ(column(d, ReportDialog::Risks, 3), QStringList { "借给老王" });
    EXPECT_EQ(column(d, ReportDialog::Risks, 5), QStringList { "卧虎藏龙" });
    EXPECT_EQ(child<QLabel>(d, "LblRisks")->text(),
        QStringLiteral("1 部影片只存放在破损或外借的光碟上（1 张光碟），别处没有备份。"));
    EXPECT_TRUE(app.prompt.asked.isEmpty());
    d->close();
}

TEST_F(ReportWindowTest, DoubleClickShowsTheMovieOnItsDiscAndClosesTheReport)
{
    ReportDialog* d = openReport();
    ASSERT_NE(d, nullptr);
    // Make the main list short, so that movie 31 is out of sight until the jump scrolls to it.
    window->resize(700, 400);
    doubleClick(d->view(ReportDialog::Duplicates), 0);
    EXPECT_EQ(shownReport(), nullptr);
    expectShown(QStringLiteral("Node1"), QStringLiteral("31"), QStringLiteral("Heat"));
    EXPECT_EQ(window->movieList()->movieModel()->rowCount(), 31);
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral(" 碟# 1 / 共31部影视."));
    EXPECT_EQ(child<QLineEdit>(window.get(), "Text1_0")->text(), QStringLiteral("1"));
    EXPECT_TRUE(app.prompt.asked.isEmpty());
}

TEST_F(ReportWindowTest, AJumpClearsAQuickFilterThatWouldHideTheMovie)
{
    QuickFilterBox* filter = window->quickFilter();
    filter->setText(QStringLiteral("片1"));
    ReportDialog* d = openReport();
    ASSERT_NE(d, nullptr);
    doubleClick(d->view(ReportDialog::Duplicates), 0);
    EXPECT_EQ(shownReport(), nullptr);
    EXPECT_TRUE(app.prompt.asked.isEmpty());
    EXPECT_TRUE(filter->text().isEmpty());
    expectShown(QStringLiteral("Node1"), QStringLiteral("31"), QStringLiteral("Heat"));
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral(" 碟# 1 / 共31部影视."));
}

TEST_F(ReportWindowTest, EnterOnAMovieAtRiskShowsIt)
{
    ReportDialog* d = openReport();
    ASSERT_NE(d, nullptr);
    d->showList(ReportDialog::Risks);
    QTableView* view = d->view(ReportDialog::Risks);
    EXPECT_EQ(view->currentIndex().row(), 0);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(shownReport(), nullptr);
    expectShown(QStringLiteral("Node2"), QStringLiteral("33"), QStringLiteral("卧虎藏龙"));
}

TEST_F(ReportWindowTest, ADiscThatFailedItsCheckIsListedWithItsNoteAndItsMoviesShown)
{
    MediaTables::DiscCheckRecord check;
    check.checked = QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
    check.files = 31;
    check.ok = 28;
    check.unreadable = 3;
    QString error;
    ASSERT_TRUE(
        MediaTables::storeCheck(app.home.folder().catalogueFile(), QStringLiteral("1"), check, {}, &error))
        << error.toStdString();
    ReportDialog* d = openReport();
    ASSERT_NE(d, nullptr);
    QAbstractItemModelTester risks(d->model(ReportDialog::Risks));
    // Disc 1's 31 movies, then Heat's copy and 卧虎藏龙 on the lent disc.
    ASSERT_EQ(d->model(ReportDialog::Risks)->rowCount(), 33);
    const QString note = QStringLiteral("上次校验：%1，3 个文件无法读取")
                             .arg(check.checked.toLocalTime().toString(QStringLiteral("yyyy-MM-dd")));
    for (int c : { 0, 1, 2, 3 })
        EXPECT_EQ(d->model(ReportDialog::Risks)->index(30, c).data().toString(),
            (QStringList { "碟#1", "好碟", "校验未通过", note }).at(c));
    EXPECT_EQ(column(d, ReportDialog::Risks, 2).mid(31), (QStringList { "外借", "外借" }));
    EXPECT_EQ(child<QLabel>(d, "LblRisks")->text(),
        QStringLiteral("33 部影片只存放在破损或外借的光碟上，或者在校验未通过的光碟上而没有校验通过的备份"
                       "（2 张光碟）。"));
    d->showList(ReportDialog::Risks);
    window->resize(700, 400);
    QTableView* view = d->view(ReportDialog::Risks);
    view->setCurrentIndex(view->model()->index(30, 0));
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(shownReport(), nullptr);
    expectShown(QStringLiteral("Node1"), QStringLiteral("31"), QStringLiteral("Heat"));
}

TEST_F(ReportWindowTest, TabLeavesTheListAndCtrlTabSwitchesLists)
{
    ReportDialog* d = openReport();
    ASSERT_NE(d, nullptr);
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));
    QTableView* duplicates = d->view(ReportDialog::Duplicates);
    ASSERT_TRUE(duplicates->hasFocus());
    QTest::keyClick(duplicates, Qt::Key_Tab);
    EXPECT_FALSE(duplicates->hasFocus()) << "Tab walked into the next cell";
    EXPECT_EQ(duplicates->currentIndex().row(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(duplicates->hasFocus());
    QTest::keyClick(duplicates, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(d->currentList(), ReportDialog::Risks);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(d->currentList(), ReportDialog::Duplicates);
}

TEST(ReportColumns, TheGroupColumnFitsTheLastGroupBeyondAThousand)
{
    TestApp app;
    app.home.addDisc(QStringLiteral("1"));
    {
        // 1,200 titles twice each, written at once.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bulk"));
        db.setDatabaseName(app.home.folder().catalogueFile());
        ASSERT_TRUE(db.open());
        db.transaction();
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO ReelShelfIndex (ID, MovieName, DiskNum) VALUES (?, ?, 1)"));
        for (int id = 1; id <= 2400; ++id) {
            q.addBindValue(double(id));
            q.addBindValue(QStringLiteral("片%1").arg((id + 1) / 2, 5, 10, QLatin1Char('0')));
            ASSERT_TRUE(q.exec());
        }
        ASSERT_TRUE(db.commit());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bulk"));
    MainWindow window(app.context);
    window.show();
    QString error;
    ASSERT_TRUE(window.load(&error)) << error.toStdString();
    window.action(QStringLiteral("MN_report"))->trigger();
    auto* d = window.findChild<ReportDialog*>(QStringLiteral("FormReport"));
    ASSERT_NE(d, nullptr);
    QTableView* view = d->view(ReportDialog::Duplicates);
    const QAbstractItemModel* model = view->model();
    ASSERT_EQ(model->rowCount(), 2400);
    const QModelIndex last = model->index(2399, 0);
    ASSERT_EQ(last.data().toString(), QStringLiteral("1200"));
    EXPECT_GE(view->columnWidth(0), view->fontMetrics().horizontalAdvance(QStringLiteral("1200")));
    EXPECT_GE(view->columnWidth(0), view->sizeHintForIndex(last).width());
    d->close();
}

TEST_F(ReportWindowTest, AMovieWhoseDiscHasNoRecordIsFoundUnderAllDiscs)
{
    ReportDialog* d = openReport();
    ASSERT_NE(d, nullptr);
    QTableView* view = d->view(ReportDialog::Duplicates);
    view->setFocus();
    view->setCurrentIndex(view->model()->index(3, 0));
    QTest::keyClick(view, Qt::Key_Enter);
    EXPECT_EQ(shownReport(), nullptr);
    expectShown(QStringLiteral("NodeAll"), QStringLiteral("35"), QStringLiteral("CARS"));
    EXPECT_EQ(window->movieList()->movieModel()->rowCount(), 35);
}

TEST_F(ReportWindowTest, AMovieDeletedMeanwhileIsReportedAndTheReportStays)
{
    ReportDialog* d = openReport();
    ASSERT_NE(d, nullptr);
    app.home.exec(QStringLiteral("DELETE FROM ReelShelfIndex WHERE ID = 32"));
    doubleClick(d->view(ReportDialog::Duplicates), 1);
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked[0].icon, Prompt::Icon::Warning);
    EXPECT_EQ(app.prompt.asked[0].text,
        QStringLiteral("在主窗口中找不到编号为 32 的影片“heat”，它可能已被删除或移动。"));
    EXPECT_EQ(shownReport(), d);
    QTest::keyClick(d, Qt::Key_Escape);
    EXPECT_EQ(shownReport(), nullptr);
}

TEST_F(ReportWindowTest, ExportWritesTheShownListAsUtf8)
{
    QString suggested;
    QString answer;
    app.context.pickSaveFile = [&](QWidget*, const QString&, const QString& offered, const QString&) {
        suggested = offered;
        return answer;
    };
    const auto report = CollectionReport::build(Catalogue(app.home.folder().catalogueFile()));
    ASSERT_TRUE(report.has_value());
    ReportDialog* d = openReport();
    ASSERT_NE(d, nullptr);
    auto* button = child<QPushButton>(d, "CmdExport");
    EXPECT_EQ(button->text(), QStringLiteral("导出(&E)..."));

    // Cancelled: nothing written, nothing said.
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(suggested, QDir(app.home.folder().outputsDir()).filePath(QStringLiteral("重复影片.txt")));
    EXPECT_TRUE(app.prompt.asked.isEmpty());
    EXPECT_FALSE(QFile::exists(suggested));

    const struct
    {
        ReportDialog::List list;
        QString text;
    } cases[] = { { ReportDialog::Duplicates, CollectionReport::duplicatesText(*report) },
        { ReportDialog::Risks, CollectionReport::risksText(*report) } };
    for (const auto& c : cases) {
        app.prompt.asked.clear();
        d->showList(c.list);
        answer = app.home.path() + QStringLiteral("/导出 %1.txt").arg(int(c.list));
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(readBytes(answer), c.text.toUtf8());
        ASSERT_EQ(app.prompt.asked.size(), 1);
        EXPECT_EQ(app.prompt.asked[0].icon, Prompt::Icon::Information);
        EXPECT_EQ(app.prompt.asked[0].text, QStringLiteral("报告已导出到 %1。").arg(answer));
    }
    EXPECT_TRUE(readBytes(answer).contains(QStringLiteral("借给老王").toUtf8()));

    app.prompt.asked.clear();
    answer = app.home.path() + QStringLiteral("/no such folder/a.txt");
    d->exportCurrentList();
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked[0].icon, Prompt::Icon::Warning);
    EXPECT_TRUE(app.prompt.asked[0].text.startsWith(QStringLiteral("无法写入文件 ")));
    EXPECT_TRUE(app.prompt.asked[0].text.endsWith(QStringLiteral("\n报告没有导出。")));
    EXPECT_FALSE(QFile::exists(answer));
    EXPECT_EQ(shownReport(), d);
    d->close();
}

TEST_F(ReportWindowTest, AnUnreadableCatalogueIsReportedAndNoWindowOpens)
{
    writeBytes(app.home.folder().catalogueFile(), QByteArray("not a catalogue"));
    EXPECT_EQ(window->openReport(), nullptr);
    EXPECT_EQ(shownReport(), nullptr);
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked[0].icon, Prompt::Icon::Warning);
    EXPECT_EQ(readBytes(app.home.folder().catalogueFile()), QByteArray("not a catalogue"));
}
