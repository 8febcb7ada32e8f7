#include "app/mainwindow.h"
#include "browse/disctreewidget.h"
#include "browse/movielistview.h"
#include "discs/creatediscdialog.h"
#include "discs/discdetailsdialog.h"
#include "store/catalogue.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString goneMessage
    = QStringLiteral("光盘号为12的光盘已不在目录中（可能已被其他程序删除），没有做任何改动。");

class DiscsTest : public ::testing::Test
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
        app.prompt.asked.clear();
    }
    template <typename T = QWidget> T* child(QWidget* in, const char* name) const
    {
        T* found = in ? in->findChild<T*>(QString::fromLatin1(name)) : nullptr;
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLineEdit* box(QWidget* in, const char* name) const { return child<QLineEdit>(in, name); }
    void click(QWidget* in, const char* button) const
    {
        QTest::mouseClick(child<QPushButton>(in, button), Qt::LeftButton);
    }
    // The open dialog of that kind; closed ones are deleted first.
    template <typename T> T* shownDialog(const QString& name) const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (T* dialog : window->findChildren<T*>(name))
            if (dialog->isVisible())
                return dialog;
        return nullptr;
    }
    CreateDiscDialog* openCreateDialog()
    {
        window->action(QStringLiteral("MN_NewDisk"))->trigger();
        return shownDialog<CreateDiscDialog>(QStringLiteral("Form2"));
    }
    DiscDetailsDialog* openDetails(const QString& key)
    {
        runTreeCommand(key, "ChangeDiskDetail");
        return shownDialog<DiscDetailsDialog>(QStringLiteral("Form6"));
    }
    // The command behind a tree menu item, run as the menu runs it.
    void runTreeCommand(const QString& key, const char* command)
    {
        QTreeWidgetItem* item = window->discTree()->itemForKey(key);
        ASSERT_NE(item, nullptr) << key.toStdString();
        window->discTree()->setCurrentItem(item);
        emit window->discTree()->contextMenuWanted(key, window->mapToGlobal(QPoint(10, 10)));
        window->treeMenu()->hide();
        QAction* a = window->action(QString::fromLatin1(command));
        ASSERT_TRUE(a->isEnabled()) << command;
        a->trigger();
    }
    QStringList nodeKeys(int root) const
    {
        QStringList keys;
        QTreeWidgetItem* top = window->discTree()->topLevelItem(root);
        for (int i = 0; top && i < top->childCount(); ++i)
            keys << DiscTreeWidget::keyOf(top->child(i));
        return keys;
    }
    QStringList askedTexts() const
    {
        QStringList texts;
        for (const RecordingPrompt::Asked& a : app.prompt.asked)
            texts << a.text;
        return texts;
    }
    int listedRows() const { return window->movieList()->model()->rowCount(); }
    // The focus widget's name after each of `count` Tabs, starting where the focus is.
    QStringList tabThrough(int count) const
    {
        QStringList visited;
        for (int i = 0; i <= count; ++i) {
            QWidget* focus = QApplication::focusWidget();
            while (focus && focus->objectName().isEmpty())
                focus = focus->parentWidget(); // the line edit inside a combo box
            visited << (focus ? focus->objectName() : QStringLiteral("<none>"));
            if (i < count)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        return visited;
    }
};

TEST_F(DiscsTest, CreatingStoresTheTrimmedNumberAndRefusesItTwice)
{
    app.home.addDisc(QStringLiteral("3"));
    app.home.addDisc(QStringLiteral("10 "));
    open();
    QPointer<CreateDiscDialog> dialog = openCreateDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(dialog->numberBox()->text(), QStringLiteral("11"));
    EXPECT_EQ(dialog->kindBox()->currentText(), QStringLiteral("DVD"));
    EXPECT_EQ(dialog->kindBox()->count(), 7);

    dialog->numberBox()->setText(QStringLiteral("  12 "));
    click(dialog, "CommandNewD_0");
    EXPECT_TRUE(askedTexts().isEmpty()) << askedTexts().join(u'\n').toStdString();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(app.home.discRows().last(), QStringLiteral("12|-|DVD |-|-|-"));
    EXPECT_EQ(nodeKeys(0), (QStringList { "Node3", "Node10", "Node12" }));

    // The same number with other blanks is taken; the dialog keeps what was typed.
    dialog = openCreateDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->numberBox()->text(), QStringLiteral("13"));
    dialog->numberBox()->setText(QStringLiteral(" 12"));
    dialog->nameBox()->setText(QStringLiteral(" 动作片 "));
    EXPECT_FALSE(dialog->create());
    EXPECT_EQ(
        askedTexts(), QStringList { QStringLiteral("已经存在光盘号为12的光盘,请确认您输入的光盘号正确!") });
    EXPECT_EQ(app.prompt.asked.at(0).icon, Prompt::Icon::Warning);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(app.home.discRows().size(), 3);

    // The name as typed, a kind of one's own followed by a blank.
    dialog->numberBox()->setText(QStringLiteral("13"));
    dialog->kindBox()->setEditText(QStringLiteral("光碟盒"));
    EXPECT_TRUE(dialog->create());
    EXPECT_EQ(app.home.discRows().last(), QStringLiteral("13| 动作片 |光碟盒 |-|-|-"));
    EXPECT_EQ(
        window->discTree()->itemForKey(QStringLiteral("Node13"))->text(0), QStringLiteral("碟#13[动作片]"));
}

TEST_F(DiscsTest, RefusedNumbersKeepTheDialogAndItsInput)
{
    open();
    CreateDiscDialog* dialog = openCreateDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->numberBox()->text(), QStringLiteral("1")) << "an empty catalogue proposes 1";
    dialog->nameBox()->setText(QStringLiteral("剧集"));
    const std::pair<QString, QString> refused[] = {
        { QString(), QStringLiteral("没有输入碟号!") },
        { QStringLiteral("   "), QStringLiteral("没有输入碟号!") },
        { QStringLiteral("012"),
            QStringLiteral("光盘号“012”的写法不规范：光盘号必须是一个不带前导零的普通数字，请改为“12”。") },
        { QStringLiteral("A1"),
            QStringLiteral("光盘号“A1”无法使用：光盘号必须是一个不带前导零的普通数字，例如 12。") },
    };
    for (const auto& [typed, message] : refused) {
        app.prompt.asked.clear();
        dialog->numberBox()->setText(typed);
        click(dialog, "CommandNewD_0");
        EXPECT_EQ(askedTexts(), QStringList { message }) << typed.toStdString();
        EXPECT_TRUE(dialog->isVisible()) << typed.toStdString();
        EXPECT_EQ(dialog->numberBox()->text(), typed);
        EXPECT_EQ(dialog->nameBox()->text(), QStringLiteral("剧集"));
    }
    click(dialog, "CommandNewD_1");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(app.home.discRows().isEmpty());
    EXPECT_TRUE(nodeKeys(0).isEmpty());
}

TEST_F(DiscsTest, CreateDialogByKeyboard)
{
    open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);
    CreateDiscDialog* dialog = shownDialog<CreateDiscDialog>(QStringLiteral("Form2"));
    ASSERT_NE(dialog, nullptr) << "Ctrl+D opens the dialog";
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == dialog->numberBox(); }));
    QTest::keyClicks(dialog->numberBox(), QStringLiteral("25")); // replaces the selected proposal
    EXPECT_EQ(tabThrough(5),
        (QStringList { "Text1_0", "Text1_1", "Combo1", "CommandNewD_0", "CommandNewD_1", "Text1_0" }));

    // Enter in the kind box creates the disc.
    dialog->kindBox()->lineEdit()->selectAll();
    QTest::keyClicks(dialog->kindBox()->lineEdit(), QStringLiteral("LaserDisc"));
    QTest::keyClick(dialog->kindBox()->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(askedTexts().isEmpty()) << askedTexts().join(u'\n').toStdString();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(app.home.discRows(), QStringList { QStringLiteral("25|-|LaserDisc |-|-|-") });

    // The toolbar button opens it too; Esc closes it and stores nothing.
    window->runToolbarKey(QStringLiteral("NewDiskByMannul"));
    dialog = shownDialog<CreateDiscDialog>(QStringLiteral("Form2"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->numberBox()->text(), QStringLiteral("26"));
    QTest::keyClick(dialog->numberBox(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(app.home.discRows().size(), 1);
}

TEST_F(DiscsTest, DetailsShowTrimmedValuesAndSaveOnlyTheFilledBoxes)
{
    app.home.addDisc(QStringLiteral("5"), QStringLiteral(" 纪录片 "), QStringLiteral("DVD "), {},
        QStringLiteral("旧的备注 "), QStringLiteral("Yes"));
    app.home.addDisc(QStringLiteral("6"), {}, {});
    open();
    DiscDetailsDialog* dialog = openDetails(QStringLiteral("Node5"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(box(dialog, "Text1")->text(), QStringLiteral("5"));
    EXPECT_TRUE(box(dialog, "Text1")->isReadOnly());
    EXPECT_EQ(box(dialog, "Text2")->text(), QStringLiteral("纪录片"));
    EXPECT_EQ(child<QComboBox>(dialog, "Combo1")->currentText(), QStringLiteral("DVD"));
    EXPECT_EQ(child<QComboBox>(dialog, "Combo2")->currentText(), QString()) << "no condition recorded";
    EXPECT_EQ(box(dialog, "Text3")->text(), QStringLiteral("旧的备注"));

    // Emptied notes keep the stored ones; no condition stays none; the kind loses its blank.
    box(dialog, "Text3")->clear();
    click(dialog, "Command1");
    EXPECT_TRUE(askedTexts().isEmpty()) << askedTexts().join(u'\n').toStdString();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(app.home.discRows().at(0), QStringLiteral("5|纪录片|DVD|-|旧的备注 |Yes"));

    // A new condition shows its icon at once, under both roots.
    dialog = openDetails(QStringLiteral("Node5"));
    ASSERT_NE(dialog, nullptr);
    child<QComboBox>(dialog, "Combo2")->setCurrentIndex(1);
    EXPECT_TRUE(dialog->save());
    EXPECT_EQ(app.home.discRows().at(0), QStringLiteral("5|纪录片|DVD|外借|旧的备注|Yes"));
    EXPECT_EQ(window->discTree()->data().discs.at(0).icon, DiscTree::IconLent);
    const qint64 lent = window->discTree()->itemForKey(QStringLiteral("Node5"))->icon(0).cacheKey();
    EXPECT_NE(lent, window->discTree()->itemForKey(QStringLiteral("Node6"))->icon(0).cacheKey());
    EXPECT_EQ(window->discTree()->itemForKey(QStringLiteral("NodF5"))->icon(0).cacheKey(), lent);

    // Empty fields show empty boxes; Close writes nothing.
    dialog = openDetails(QStringLiteral("Node6"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(child<QComboBox>(dialog, "Combo1")->currentText().isEmpty());
    box(dialog, "Text2")->setText(QStringLiteral("不要"));
    click(dialog, "Command2");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(app.home.discRows().at(1), QStringLiteral("6|-|-|-|-|-"));
}

TEST_F(DiscsTest, AnUnchangedSaveKeepsTextsLongerThanALineEdit)
{
    const QString longName(40000, u'N');
    const QString longNotes = QString(39999, u'P') + QStringLiteral("\n完");
    app.home.addDisc(QStringLiteral("5"), longName, QStringLiteral("DVD"), QStringLiteral("良好"), longNotes);
    open();
    DiscDetailsDialog* dialog = openDetails(QStringLiteral("Node5"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(box(dialog, "Text2")->text().size(), longName.size());
    click(dialog, "Command1");
    EXPECT_FALSE(dialog->isVisible());
    const auto discs = Catalogue(app.home.folder().catalogueFile()).discs();
    ASSERT_TRUE(discs && discs->size() == 1);
    EXPECT_EQ(discs->at(0).name.toString(), longName);
    EXPECT_EQ(discs->at(0).ps.toString(), longNotes);
}

TEST_F(DiscsTest, DetailsDialogByKeyboard)
{
    app.home.addDisc(QStringLiteral("5"), QStringLiteral("纪录片 "));
    open();
    DiscDetailsDialog* dialog = openDetails(QStringLiteral("Node5"));
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == child(dialog, "Text2"); }));
    EXPECT_EQ(tabThrough(7),
        (QStringList { "Text2", "Combo2", "Combo1", "Text3", "Command1", "Command2", "Text1", "Text2" }));

    QTest::keyClicks(box(dialog, "Text3"), QStringLiteral("lent to Li"));
    QTest::keyClick(box(dialog, "Text3"), Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible()) << "Enter saves";
    EXPECT_EQ(app.home.discRows(), QStringList { QStringLiteral("5|纪录片|DVD|-|lent to Li|-") });

    dialog = openDetails(QStringLiteral("Node5"));
    ASSERT_NE(dialog, nullptr);
    box(dialog, "Text3")->setText(QStringLiteral("not this"));
    QTest::keyClick(box(dialog, "Text3"), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible()) << "Esc closes";
    EXPECT_EQ(app.home.discRows(), QStringList { QStringLiteral("5|纪录片|DVD|-|lent to Li|-") });
}

TEST_F(DiscsTest, DeletingDiscTwelveLeavesTheMoviesOfDiscOneHundredTwenty)
{
    app.home.addDisc(QStringLiteral("12"), QStringLiteral("动作片"));
    app.home.addDisc(QStringLiteral("120"));
    app.home.addMovie(1, QStringLiteral("英雄"), 12);
    app.home.addMovie(2, QStringLiteral("一二零"), 120);
    app.home.addMovie(3, QStringLiteral("十面埋伏"), 12);
    open();
    window->discTree()->setCurrentItem(window->discTree()->itemForKey(QStringLiteral("Node12")));
    emit window->discTree()->itemClicked(window->discTree()->currentItem(), 0);
    ASSERT_EQ(listedRows(), 2);

    runTreeCommand(QStringLiteral("Node12"), "deldisk");
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked.at(0).text, QStringLiteral("您真的确定删除碟12吗?"));
    EXPECT_EQ(app.prompt.asked.at(0).buttons, Prompt::Buttons::YesNo);
    EXPECT_EQ(app.prompt.asked.at(0).icon, Prompt::Icon::Warning);
    EXPECT_EQ(app.home.movieIds().size(), 3) << "No keeps everything";
    EXPECT_EQ(listedRows(), 2);

    app.prompt.answerNext(Prompt::Answer::Yes);
    runTreeCommand(QStringLiteral("Node12"), "deldisk");
    EXPECT_EQ(app.home.discRows(), QStringList { QStringLiteral("120|-|DVD |-|-|-") });
    EXPECT_EQ(app.home.movieIds(), QList<double> { 2 });
    EXPECT_EQ(listedRows(), 0) << "the list is cleared";
    EXPECT_EQ(window->statusLabel()->text(), QString()) << "no count of the rows that are gone";
    EXPECT_EQ(nodeKeys(0), QStringList { QStringLiteral("Node120") });

    // The last disc gone, the rebuild reports the empty catalogue.
    app.prompt.asked.clear();
    app.prompt.answerNext(Prompt::Answer::Yes);
    runTreeCommand(QStringLiteral("Node120"), "deldisk");
    EXPECT_EQ(askedTexts(),
        (QStringList { QStringLiteral("您真的确定删除碟120吗?"),
            QStringLiteral("光盘数据库还未添加数据,选择'新建'开始添加.") }));
    EXPECT_TRUE(app.home.movieIds().isEmpty());
}

TEST_F(DiscsTest, FavouriteMarkAndUnmark)
{
    app.home.addDisc(QStringLiteral("12"), QStringLiteral("动作片"));
    app.home.addDisc(QStringLiteral("3"));
    open();
    runTreeCommand(QStringLiteral("Node12"), "addtofav");
    runTreeCommand(QStringLiteral("Node12"), "addtofav");
    EXPECT_EQ(app.home.discRows().at(0), QStringLiteral("12|动作片|DVD |-|-|Yes"));
    EXPECT_EQ(nodeKeys(1), QStringList { QStringLiteral("NodF12") }) << "listed once";
    EXPECT_EQ(app.context.session.favouriteCount, 1);

    runTreeCommand(QStringLiteral("NodF12"), "DelFav");
    EXPECT_EQ(app.home.discRows().at(0), QStringLiteral("12|动作片|DVD |-|-|No"));
    EXPECT_TRUE(nodeKeys(1).isEmpty());
    EXPECT_EQ(nodeKeys(0), (QStringList { "Node12", "Node3" }));
    EXPECT_TRUE(askedTexts().isEmpty());
}

TEST_F(DiscsTest, ADiscDeletedMeanwhileIsReportedAndNothingChanges)
{
    app.home.addDisc(QStringLiteral("12"));
    app.home.addDisc(QStringLiteral("7"));
    app.home.addMovie(1, QStringLiteral("英雄"), 12);
    open();
    for (const char* command : { "deldisk", "addtofav", "ChangeDiskDetail" }) {
        app.home.exec(QStringLiteral("DELETE FROM DiskState WHERE DiskNum = '12'"));
        app.prompt.asked.clear();
        runTreeCommand(QStringLiteral("Node12"), command);
        EXPECT_EQ(askedTexts(), QStringList { goneMessage }) << command;
        EXPECT_EQ(shownDialog<DiscDetailsDialog>(QStringLiteral("Form6")), nullptr) << command;
        EXPECT_EQ(nodeKeys(0), QStringList { QStringLiteral("Node7") }) << "the tree no longer shows it";
        EXPECT_EQ(app.home.movieIds(), QList<double> { 1 }) << command;
        EXPECT_EQ(app.home.discRows(), QStringList { QStringLiteral("7|-|DVD |-|-|-") }) << command;
        app.home.addDisc(QStringLiteral("12"));
        ASSERT_TRUE(window->discTree()->rebuildDiscTree());
    }

    // Gone between opening the details and saving them: said so, and the dialog closes.
    DiscDetailsDialog* dialog = openDetails(QStringLiteral("Node12"));
    ASSERT_NE(dialog, nullptr);
    app.home.exec(QStringLiteral("DELETE FROM DiskState WHERE DiskNum = '12'"));
    app.prompt.asked.clear();
    box(dialog, "Text2")->setText(QStringLiteral("新名"));
    EXPECT_TRUE(dialog->save());
    EXPECT_EQ(askedTexts(), QStringList { goneMessage });
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(app.home.discRows(), QStringList { QStringLiteral("7|-|DVD |-|-|-") });
}

TEST_F(DiscsTest, ACatalogueThatCannotBeOpenedChangesNothing)
{
    app.home.addDisc(QStringLiteral("12"));
    open();
    DiscDetailsDialog* details = openDetails(QStringLiteral("Node12"));
    ASSERT_NE(details, nullptr);
    const QString file = app.home.folder().catalogueFile();
    ASSERT_TRUE(QFile::rename(file, file + QStringLiteral(".aside")));

    box(details, "Text2")->setText(QStringLiteral("新名"));
    EXPECT_FALSE(details->save());
    EXPECT_TRUE(details->isVisible()) << "the typed name is still there to save";
    details->close();
    for (const char* command : { "deldisk", "addtofav" })
        runTreeCommand(QStringLiteral("Node12"), command);
    CreateDiscDialog* create = openCreateDialog();
    ASSERT_NE(create, nullptr);
    EXPECT_FALSE(create->create());
    EXPECT_TRUE(create->isVisible());

    ASSERT_EQ(app.prompt.asked.size(), 4);
    for (const QString& text : askedTexts())
        EXPECT_TRUE(text.contains(QStringLiteral("找不到目录数据库文件"))) << text.toStdString();
    EXPECT_EQ(nodeKeys(0), QStringList { QStringLiteral("Node12") }) << "the tree stays as it was";
    ASSERT_TRUE(QFile::rename(file + QStringLiteral(".aside"), file));
    EXPECT_EQ(app.home.discRows(), QStringList { QStringLiteral("12|-|DVD |-|-|-") });
}

TEST_F(DiscsTest, TreeByKeyboard)
{
    app.home.addDisc(QStringLiteral("1"));
    app.home.addDisc(QStringLiteral("2"));
    app.home.addMovie(1, QStringLiteral("一号"), 1);
    app.home.addMovie(2, QStringLiteral("二号甲"), 2);
    app.home.addMovie(3, QStringLiteral("二号乙"), 2);
    open();
    DiscTreeWidget* tree = window->discTree();
    QSignalSpy listed(tree, &DiscTreeWidget::nodeClicked);

    tree->topLevelItem(0)->setExpanded(true);
    const QRect r = tree->visualItemRect(tree->itemForKey(QStringLiteral("Node1")));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    ASSERT_EQ(listed.size(), 1) << "a click lists once";
    EXPECT_EQ(listedRows(), 1);

    QTest::keyClick(tree, Qt::Key_Down);
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed.at(1).at(0).toString(), QStringLiteral("Node2"));
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral(" 碟# 2 / 共2部影视."));
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(listed.last().at(0).toString(), QStringLiteral("NodeFav"));
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(listed.size(), 3) << "no move, no listing";
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_EQ(listed.size(), 4) << "Enter lists again";

    // The menu key opens the tree menu for the current node.
    QTest::keyClick(tree, Qt::Key_Up);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(0, 0), tree->mapToGlobal(QPoint(0, 0)));
    QApplication::sendEvent(tree->viewport(), &menuKey);
    EXPECT_TRUE(window->treeMenu()->isVisible());
    EXPECT_TRUE(window->action(QStringLiteral("deldisk"))->isEnabled());
    EXPECT_FALSE(window->action(QStringLiteral("DelFav"))->isEnabled());
    window->treeMenu()->hide();
}

} // namespace
