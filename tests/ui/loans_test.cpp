// Lending a disc from the tree's menu by keyboard, and what the tree, the details, the report and
// the return then show, on a real catalogue.
#include "app/mainwindow.h"
#include "app/prompt.h"
#include "browse/categorypane.h"
#include "browse/disctreewidget.h"
#include "browse/movielistview.h"
#include "discs/discdetailsdialog.h"
#include "discs/lenddialog.h"
#include "report/reportdialog.h"
#include "report/reportlistmodel.h"
#include "store/loans.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QToolTip>
#include <gtest/gtest.h>
#include <memory>

namespace {

class LoansWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app.home.addDisc(QStringLiteral("6"));
        app.home.addDisc(
            QStringLiteral("7"), QStringLiteral("剧集 "), QStringLiteral("DVD "), QStringLiteral("良好"));
        app.home.addMovie(1, QStringLiteral("甲片"), 7);
        setToday(QDate(2026, 3, 1));
        window = std::make_unique<MainWindow>(app.context);
        window->show();
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
        app.prompt.asked.clear();
    }
    void setToday(const QDate& day)
    {
        app.context.clock = [day] { return QDateTime(day, QTime(10, 0)); };
    }
    // Opens the tree menu on the node and says which of the two loan commands it offers.
    std::pair<bool, bool> menuOn(const QString& key)
    {
        QTreeWidgetItem* item = window->discTree()->itemForKey(key);
        EXPECT_NE(item, nullptr) << key.toStdString();
        window->discTree()->setCurrentItem(item);
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
        QApplication::sendEvent(window->discTree()->viewport(), &menuKey);
        EXPECT_TRUE(window->treeMenu()->isVisible());
        window->treeMenu()->hide();
        return { window->action(QStringLiteral("LendDisc"))->isEnabled(),
            window->action(QStringLiteral("ReturnDisc"))->isEnabled() };
    }
    template <typename T> T* shown(const QString& name) const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (T* w : window->findChildren<T*>(name))
            if (w->isVisible())
                return w;
        return nullptr;
    }
    QString focusName() const
    {
        QWidget* focus = QApplication::focusWidget();
        while (focus && focus->objectName().isEmpty())
            focus = focus->parentWidget();
        return focus ? focus->objectName() : QString();
    }
    // A date box takes Tab from year to month to day, as every date box does, and then leaves.
    void tabOutOfDate() const
    {
        const QString date = focusName();
        for (int i = 0; i < 3 && focusName() == date; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QTreeWidgetItem* node7() const { return window->discTree()->itemForKey(QStringLiteral("Node7")); }

    TestApp app;
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST_F(LoansWindowTest, LendByKeyboardThenTheTreeDetailsAndReportShowItUntilItIsReturned)
{
    EXPECT_EQ(menuOn(QStringLiteral("Node7")), std::make_pair(true, false));
    window->action(QStringLiteral("LendDisc"))->trigger();
    auto* dialog = shown<LendDialog>(QStringLiteral("FormLend"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("LblLendDisc"))->text(),
        QStringLiteral("把碟#7[剧集]借给："));
    EXPECT_EQ(dialog->findChild<QDateEdit*>(QStringLiteral("DateLent"))->date(), QDate(2026, 3, 1))
        << "today";
    ASSERT_TRUE(QTest::qWaitFor([&] { return focusName() == QStringLiteral("ComboBorrower"); }));

    // Typed as an input method types it; then Tab to the due date's tick, Space, the date, the note.
    auto* borrower = dialog->findChild<QComboBox*>(QStringLiteral("ComboBorrower"));
    QInputMethodEvent typed;
    typed.setCommitString(QStringLiteral("老王"));
    QApplication::sendEvent(borrower->lineEdit(), &typed);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(focusName(), QStringLiteral("DateLent"));
    tabOutOfDate();
    EXPECT_EQ(focusName(), QStringLiteral("CheckDue"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(focusName(), QStringLiteral("DateDue"));
    // The date is typed over the one proposed (a month ahead): each full part moves to the next.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("20260310"));
    EXPECT_EQ(dialog->findChild<QDateEdit*>(QStringLiteral("DateDue"))->date(), QDate(2026, 3, 10));
    tabOutOfDate();
    EXPECT_EQ(focusName(), QStringLiteral("TextLoanNote"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("box set"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(shown<LendDialog>(QStringLiteral("FormLend")), nullptr) << "Enter lends";
    EXPECT_TRUE(app.prompt.asked.isEmpty());
    EXPECT_EQ(app.home.discRows().last(), QStringLiteral("7|剧集 |DVD |外借|-|-"));
    EXPECT_EQ(node7()->text(0), QStringLiteral("碟#7[剧集]")) << "the node's text stays";
    EXPECT_FALSE(node7()->font(0).italic()) << "not overdue yet";
    EXPECT_EQ(node7()->toolTip(0), QStringLiteral("借给 老王（2026-03-01 借出），应于 2026-03-10 归还"));

    // Lent once, it cannot be lent again: the menu says why instead of opening the dialog.
    EXPECT_EQ(menuOn(QStringLiteral("Node7")), std::make_pair(true, true));
    window->action(QStringLiteral("LendDisc"))->trigger();
    EXPECT_EQ(shown<LendDialog>(QStringLiteral("FormLend")), nullptr);
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_TRUE(app.prompt.asked.first().text.contains(QStringLiteral("不能再次借出")));

    // Ten days after it was due, with a failed check as well: both marks, both lines.
    setToday(QDate(2026, 3, 20));
    app.home.exec(QStringLiteral(
        "INSERT INTO ShelfDiscChecks (DiskNum, Checked, Files, Ok, Missing, Changed, "
        "Unreadable, Bytes, Seconds) VALUES ('7', '2026-03-02T10:00:00Z', 2, 1, 1, 0, 0, 0, 1)"));
    ASSERT_TRUE(window->discTree()->rebuildDiscTree());
    EXPECT_TRUE(node7()->font(0).italic());
    EXPECT_TRUE(node7()->font(0).bold());
    EXPECT_TRUE(
        node7()->toolTip(0).endsWith(QStringLiteral("\n借给 老王，应于 2026-03-10 归还，已逾期 10 天")))
        << node7()->toolTip(0).toStdString();
    EXPECT_FALSE(window->discTree()->itemForKey(QStringLiteral("Node6"))->font(0).italic());

    EXPECT_EQ(menuOn(QStringLiteral("Node7")), std::make_pair(true, true));
    window->action(QStringLiteral("ChangeDiskDetail"))->trigger();
    auto* details = shown<DiscDetailsDialog>(QStringLiteral("Form6"));
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(details->findChild<QLabel*>(QStringLiteral("LabelLoan"))->text(),
        QStringLiteral("现在：借给 老王，应于 2026-03-10 归还，已逾期 10 天"));
    auto* history = details->findChild<QListWidget*>(QStringLiteral("ListLoans"));
    ASSERT_EQ(history->count(), 1);
    EXPECT_EQ(history->item(0)->text(), QStringLiteral("2026-03-01 至今 借给 老王（box set）"));
    EXPECT_TRUE(details->findChild<QLabel*>(QStringLiteral("LabelLastCheck"))->isVisible());
    details->close();

    ReportDialog* report = window->openReport();
    ASSERT_NE(report, nullptr);
    QAbstractItemModelTester tester(report->model(ReportDialog::Lent));
    report->showList(ReportDialog::Lent);
    QTableView* view = report->view(ReportDialog::Lent);
    ASSERT_EQ(view->model()->rowCount(), 1);
    EXPECT_EQ(view->model()->index(0, 0).data().toString(), QStringLiteral("老王"));
    EXPECT_EQ(view->model()->index(0, 4).data().toString(), QStringLiteral("19"));
    EXPECT_EQ(view->model()->index(0, 6).data().toString(), QStringLiteral("已逾期 10 天"));
    EXPECT_EQ(report->findChild<QLabel*>(QStringLiteral("LblLoans"))->text(),
        QStringLiteral("1 张光碟借给了 1 个人，其中 1 张已逾期，列在最前。"));
    window->discTree()->setCurrentItem(window->discTree()->itemForKey(QStringLiteral("Node6")));
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_FALSE(report->isVisible()) << "the jump closes the report";
    EXPECT_EQ(window->discTree()->selectedKey(), QStringLiteral("Node7"));
    EXPECT_EQ(window->movieList()->model()->rowCount(), 1) << "the disc is listed";

    window->action(QStringLiteral("ReturnDisc"))->trigger();
    EXPECT_EQ(app.home.discRows().last(), QStringLiteral("7|剧集 |DVD |良好|-|-"));
    EXPECT_FALSE(node7()->font(0).italic());
    EXPECT_FALSE(node7()->toolTip(0).contains(QStringLiteral("老王")));
    EXPECT_EQ(menuOn(QStringLiteral("Node7")), std::make_pair(true, false));

    // The next loan offers the earlier borrower.
    window->action(QStringLiteral("LendDisc"))->trigger();
    dialog = shown<LendDialog>(QStringLiteral("FormLend"));
    ASSERT_NE(dialog, nullptr);
    borrower = dialog->findChild<QComboBox*>(QStringLiteral("ComboBorrower"));
    EXPECT_EQ(borrower->itemText(0), QStringLiteral("老王"));
    EXPECT_TRUE(borrower->currentText().isEmpty());
    // Nobody named: said, and the dialog stays.
    dialog->lend();
    EXPECT_EQ(app.prompt.asked.last().text, QStringLiteral("请填写借阅人。"));
    EXPECT_TRUE(dialog->isVisible());
    // A new borrower whose name begins an earlier one's is lent to as typed.
    typed.setCommitString(QStringLiteral("老"));
    QApplication::sendEvent(borrower->lineEdit(), &typed);
    EXPECT_EQ(borrower->currentText(), QStringLiteral("老"));
    QTest::keyClick(borrower->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(shown<LendDialog>(QStringLiteral("FormLend")), nullptr);
    EXPECT_EQ(Loans::all(app.context.folder.catalogueFile(), nullptr)->last().borrower, QStringLiteral("老"));
}

TEST_F(LoansWindowTest, ADetailsWindowOpenWhileTheDiscComesBackSavesOnlyWhatTheUserChanged)
{
    const QString file = app.context.folder.catalogueFile();
    ASSERT_TRUE(Loans::lend(file, QStringLiteral("7"),
        { QStringLiteral("老王"), QDate(2026, 3, 1), QDate(),
            {} }).ok());
    ASSERT_TRUE(window->discTree()->rebuildDiscTree());
    const auto openDetails = [this] {
        menuOn(QStringLiteral("Node7"));
        window->action(QStringLiteral("ChangeDiskDetail"))->trigger();
        return shown<DiscDetailsDialog>(QStringLiteral("Form6"));
    };
    DiscDetailsDialog* details = openDetails();
    ASSERT_NE(details, nullptr);
    // Taken back by another program meanwhile; the user renames it and leaves 外借 as shown.
    ASSERT_TRUE(Loans::giveBack(file, QStringLiteral("7"), QDate(2026, 3, 1)).ok());
    details->findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(QStringLiteral("剧集二"));
    ASSERT_TRUE(details->save());
    EXPECT_EQ(app.home.discRows().last(), QStringLiteral("7|剧集二|DVD|良好|-|-"));
    // A condition the user changes is written as ever.
    details = openDetails();
    ASSERT_NE(details, nullptr);
    details->findChild<QComboBox*>(QStringLiteral("Combo2"))->setEditText(QStringLiteral("破损"));
    ASSERT_TRUE(details->save());
    EXPECT_EQ(app.home.discRows().last(), QStringLiteral("7|剧集二|DVD|破损|-|-"));
}

TEST_F(LoansWindowTest, NamesThatLookLikeMarkupAreShownAsTyped)
{
    // As rich text, <img src="/dev/zero"> would read that device for ever.
    const QString markup = QStringLiteral("<i>阿强");
    app.home.exec(QStringLiteral("UPDATE DiskState SET Name = '%1' WHERE DiskNum = '6'").arg(markup));
    ASSERT_TRUE(Loans::lend(app.context.folder.catalogueFile(), QStringLiteral("7"),
        { markup, QDate(2026, 2, 1), QDate(),
            {} }).ok());
    MovieRecord fields;
    fields[MovieField::Direct] = markup;
    fields[MovieField::PS] = markup + QStringLiteral("\n剧情");
    app.home.addMovie(2, markup, 7, fields);
    ASSERT_TRUE(window->discTree()->rebuildDiscTree());
    // Anything that shows the text as Qt's markup has lost the <i> it was typed with; anything
    // escaped twice shows &lt;i&gt;. The tooltip is read as Qt shows it.
    const auto readsAsTyped = [&markup](const QString& tip) {
        QToolTip::showText(QPoint(20, 20), tip);
        const QLabel* shown = shownToolTip();
        const bool asTyped = shown
            && (shown->textFormat() == Qt::PlainText
                    ? shown->text()
                    : QTextDocumentFragment::fromHtml(shown->text()).toPlainText())
                   .contains(markup);
        QToolTip::hideText();
        return asTyped;
    };
    EXPECT_TRUE(readsAsTyped(window->discTree()->itemForKey(QStringLiteral("Node7"))->toolTip(0)));

    // The movie listed, and its director's group: every label and tooltip as typed.
    window->discTree()->setCurrentItem(window->discTree()->itemForKey(QStringLiteral("Node7")));
    window->discTree()->nodeClicked(QStringLiteral("Node7"));
    EXPECT_TRUE(readsAsTyped(window->movieList()->model()->index(1, 0).data(Qt::ToolTipRole).toString()));
    window->browseTabs()->setCurrentWidget(window->categoryPane());
    window->categoryPane()->setField(MovieGroups::Field::Director);
    window->categoryPane()->chooseGroup(0);
    EXPECT_TRUE(readsAsTyped(window->categoryPane()->groupList()->topLevelItem(0)->toolTip(0)));
    EXPECT_TRUE(window->statusLabel()->text().contains(markup));
    int labelsWithMarkup = 0;
    for (const QLabel* label : window->findChildren<QLabel*>())
        if (label->isVisible() && label->text().contains(markup)) {
            ++labelsWithMarkup;
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
        }
    EXPECT_GE(labelsWithMarkup, 1); // the status line at least
    window->browseTabs()->setCurrentWidget(window->discTree());

    menuOn(QStringLiteral("Node6"));
    window->action(QStringLiteral("LendDisc"))->trigger();
    auto* dialog = shown<LendDialog>(QStringLiteral("FormLend"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("LblLendDisc"))->textFormat(), Qt::PlainText);
    dialog->close();

    menuOn(QStringLiteral("Node7"));
    window->action(QStringLiteral("ChangeDiskDetail"))->trigger();
    auto* details = shown<DiscDetailsDialog>(QStringLiteral("Form6"));
    ASSERT_NE(details, nullptr);
    auto* now = details->findChild<QLabel*>(QStringLiteral("LabelLoan"));
    EXPECT_TRUE(now->text().contains(markup));
    EXPECT_EQ(now->textFormat(), Qt::PlainText);
    details->close();

    ReportDialog* report = window->openReport();
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(
        readsAsTyped(report->model(ReportDialog::Lent)->index(0, 0).data(Qt::ToolTipRole).toString()));
    report->close();

    // Lending it again is refused by a real message box that names the borrower.
    QList<Qt::TextFormat> formats;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        for (const QLabel* label : box->findChildren<QLabel*>())
            if (label->text().contains(markup))
                formats << label->textFormat();
        box->close();
    });
    MessageBoxPrompt().warn(nullptr,
        Loans::alreadyLentMessage(
            Loans::openByDisc(app.context.folder.catalogueFile(), nullptr)->value(QStringLiteral("7"))));
    EXPECT_EQ(formats, QList<Qt::TextFormat> { Qt::PlainText });
}

TEST_F(LoansWindowTest, ALendingIsDatedNoLaterThanTodayAndTakesAnEarlierLongNameWhole)
{
    const QString file = app.context.folder.catalogueFile();
    const QString longName(40000, u'长');
    ASSERT_TRUE(Loans::lend(file, QStringLiteral("7"), { longName, QDate(2026, 2, 1), {}, {} }).ok());
    ASSERT_TRUE(Loans::giveBack(file, QStringLiteral("7"), QDate(2026, 2, 2)).ok());
    menuOn(QStringLiteral("Node6"));
    window->action(QStringLiteral("LendDisc"))->trigger();
    auto* dialog = shown<LendDialog>(QStringLiteral("FormLend"));
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QComboBox*>(QStringLiteral("ComboBorrower"))->setCurrentIndex(0);
    auto* lent = dialog->findChild<QDateEdit*>(QStringLiteral("DateLent"));
    lent->setDate(QDate(2062, 3, 1)); // 2026 mistyped
    EXPECT_EQ(lent->date(), QDate(2026, 3, 1));
    ASSERT_TRUE(dialog->lend());
    EXPECT_EQ(Loans::all(file, nullptr)->last().borrower.size(), longName.size());
}
