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
    template <typename T> T* child(QWidget* in, const QString& name) const
    {
        T* found = in->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
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
    void selectNode(const QString& key)
    {
        QTreeWidgetItem* item = window->discTree()->itemForKey(key);
        ASSERT_NE(item, nullptr) << key.toStdString();
        window->discTree()->setCurrentItem(item);
    }
    void listNode(const QString& key)
    {
        selectNode(key);
        emit window->discTree()->itemClicked(window->discTree()->currentItem(), 0);
    }
    // The command behind a tree menu item, run as the menu runs it.
    void runTreeCommand(const QString& key, const char* command)
    {
        selectNode(key);
        emit window->discTree()->contextMenuWanted(key, window->mapToGlobal(QPoint(10, 10)));
        window->treeMenu()->hide();
        QAction* a = window->action(QString::fromLatin1(command));
        ASSERT_TRUE(a->isEnabled()) << command;
        a->trigger();
    }
    // Each disc as "number|name|kind|condition|notes|favourite", a null shown as "-".
    QStringList discRows() const
    {
        QStringList out;
        const auto discs = Catalogue(app.home.folder().catalogueFile()).discs();
        if (!discs)
            return { QStringLiteral("unreadable") };
        for (const DiscRecord& d : *discs) {
            QStringList cells;
            for (const QVariant& v : { d.diskNum, d.name, d.diskType, d.station, d.ps, d.fav })
                cells << (v.isNull() ? QStringLiteral("-") : v.toString());
            out << cells.join(u'|');
        }
        return out;
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
    QStringList movieTitles() const
    {
        QStringList titles;
        const Catalogue c(app.home.folder().catalogueFile());
        c.forEachMovie([&](const MovieRecord& m) {
            titles << m[MovieField::MovieName].toString();
            return true;
        });
        return titles;
    }
    int listedRows() const { return window->movieList()->model()->rowCount(); }
    static void processDeferredDeletes()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(DiscsTest, CreatingStoresTheTrimmedNumberAndTheKindWithItsBlank)
{
    app.home.addDisc(QStringLiteral("3"));
    app.home.addDisc(QStringLiteral("10 "));
    open();
    QPointer<CreateDiscDialog> dialog = openCreateDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("创建新的光盘记录"));
    auto* number = child<QLineEdit>(dialog, QStringLiteral("Text1_0"));
    auto* kind = child<QComboBox>(dialog, QStringLiteral("Combo1"));
    EXPECT_EQ(number->text(), QStringLiteral("11"));
    EXPECT_TRUE(child<QLineEdit>(dialog, QStringLiteral("Text1_1"))->text().isEmpty());
    EXPECT_EQ(kind->currentText(), QStringLiteral("DVD"));
    EXPECT_EQ(kind->count(), 7);
    EXPECT_EQ(kind->itemText(6), QStringLiteral("HDDVD"));

    number->setText(QStringLiteral("  12 "));
    QTest::mouseClick(child<QPushButton>(dialog, QStringLiteral("CommandNewD_0")), Qt::LeftButton);
    EXPECT_TRUE(askedTexts().isEmpty()) << askedTexts().join(u'\n').toStdString();
    EXPECT_FALSE(dialog->isVisible());
    processDeferredDeletes();
    EXPECT_TRUE(dialog.isNull()) << "a closed dialog is gone";
    EXPECT_EQ(discRows().last(), QStringLiteral("12|-|DVD |-|-|-"));
    EXPECT_EQ(nodeKeys(0), (QStringList { "Node3", "Node10", "Node12" }));
    EXPECT_EQ(app.context.session.highestDiscNumber, 12);

    // The same number with other blanks is taken; the dialog keeps what was typed.
    dialog = openCreateDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(child<QLineEdit>(dialog, QStringLiteral("Text1_0"))->text(), QStringLiteral("13"));
    child<QLineEdit>(dialog, QStringLiteral("Text1_0"))->setText(QStringLiteral(" 12"));
    child<QLineEdit>(dialog, QStringLiteral("Text1_1"))->setText(QStringLiteral("动作片"));
    EXPECT_FALSE(dialog->create());
    EXPECT_EQ(
        askedTexts(), QStringList { QStringLiteral("已经存在光盘号为12的光盘,请确认您输入的光盘号正确!") });
    EXPECT_EQ(app.prompt.asked.at(0).icon, Prompt::Icon::Warning);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(child<QLineEdit>(dialog, QStringLiteral("Text1_1"))->text(), QStringLiteral("动作片"));
    EXPECT_EQ(discRows().size(), 3);

    // A name is stored as typed, a kind of one's own followed by a blank.
    child<QLineEdit>(dialog, QStringLiteral("Text1_0"))->setText(QStringLiteral("13"));
    child<QLineEdit>(dialog, QStringLiteral("Text1_1"))->setText(QStringLiteral(" 动作片 "));
    child<QComboBox>(dialog, QStringLiteral("Combo1"))->setEditText(QStringLiteral("光碟盒"));
    EXPECT_TRUE(dialog->create());
    EXPECT_EQ(discRows().last(), QStringLiteral("13| 动作片 |光碟盒 |-|-|-"));
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
        { QStringLiteral("12.0"),
            QStringLiteral("光盘号“12.0”的写法不规范：光盘号必须是一个不带前导零的普通数字，请改为“12”。") },
        { QStringLiteral("A1"),
            QStringLiteral("光盘号“A1”无法使用：光盘号必须是一个不带前导零的普通数字，例如 12。") },
        { QStringLiteral("1e999"),
            QStringLiteral("光盘号“1e999”无法使用：光盘号必须是一个不带前导零的普通数字，例如 12。") },
    };
    for (const auto& [typed, message] : refused) {
        app.prompt.asked.clear();
        dialog->numberBox()->setText(typed);
        QTest::mouseClick(child<QPushButton>(dialog, QStringLiteral("CommandNewD_0")), Qt::LeftButton);
        EXPECT_EQ(askedTexts(), QStringList { message }) << typed.toStdString();
        EXPECT_TRUE(dialog->isVisible()) << typed.toStdString();
        EXPECT_EQ(dialog->numberBox()->text(), typed);
        EXPECT_EQ(dialog->nameBox()->text(), QStringLiteral("剧集"));
    }
    EXPECT_TRUE(discRows().isEmpty());
    EXPECT_TRUE(nodeKeys(0).isEmpty());

    QTest::mouseClick(child<QPushButton>(dialog, QStringLiteral("CommandNewD_1")), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(discRows().isEmpty());
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

    // Tab goes down the dialog as it is laid out; the number is selected, so typing replaces it.
    const QStringList order = { "Text1_0", "Text1_1", "Combo1", "CommandNewD_0", "CommandNewD_1", "Text1_0" };
    QStringList visited;
    for (int i = 0; i < order.size(); ++i) {
        QWidget* focus = QApplication::focusWidget();
        while (focus && focus->objectName().isEmpty())
            focus = focus->parentWidget(); // the line edit inside the kind box
        visited << (focus ? focus->objectName() : QStringLiteral("<none>"));
        if (i == 0)
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("25"));
        if (i + 1 < order.size())
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, order);
    EXPECT_EQ(dialog->numberBox()->text(), QStringLiteral("25"));

    // Enter in the kind box creates the disc with the kind typed there.
    dialog->kindBox()->setFocus();
    dialog->kindBox()->lineEdit()->selectAll();
    QTest::keyClicks(dialog->kindBox()->lineEdit(), QStringLiteral("LaserDisc"));
    QTest::keyClick(dialog->kindBox()->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(askedTexts().isEmpty()) << askedTexts().join(u'\n').toStdString();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(discRows(), QStringList { QStringLiteral("25|-|LaserDisc |-|-|-") });

    // The toolbar button opens it too; Esc closes it without storing anything.
    window->runToolbarKey(QStringLiteral("NewDiskByMannul"));
    dialog = shownDialog<CreateDiscDialog>(QStringLiteral("Form2"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->numberBox()->text(), QStringLiteral("26"));
    QTest::keyClick(dialog->numberBox(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(discRows().size(), 1);
}

TEST_F(DiscsTest, DetailsShowTrimmedValuesAndSaveOnlyTheFilledBoxes)
{
    app.home.addDisc(QStringLiteral("5"), QStringLiteral(" 纪录片 "), QStringLiteral("DVD "), {},
        QStringLiteral("旧的备注 "), QStringLiteral("Yes"));
    app.home.addDisc(QStringLiteral("6"), {}, {});
    open();
    QPointer<DiscDetailsDialog> dialog = openDetails(QStringLiteral("Node5"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("光盘详细信息"));
    auto* number = child<QLineEdit>(dialog, QStringLiteral("Text1"));
    auto* state = child<QComboBox>(dialog, QStringLiteral("Combo2"));
    auto* kind = child<QComboBox>(dialog, QStringLiteral("Combo1"));
    auto* notes = child<QLineEdit>(dialog, QStringLiteral("Text3"));
    EXPECT_EQ(number->text(), QStringLiteral("5"));
    EXPECT_TRUE(number->isReadOnly());
    EXPECT_EQ(child<QLineEdit>(dialog, QStringLiteral("Text2"))->text(), QStringLiteral("纪录片"));
    EXPECT_EQ(kind->currentText(), QStringLiteral("DVD"));
    EXPECT_EQ(state->currentText(), QString()) << "no condition recorded";
    EXPECT_EQ(state->count(), 3);
    EXPECT_EQ(notes->text(), QStringLiteral("旧的备注"));

    // Emptied notes keep the stored ones; an unset condition stays unset; the kind loses its blank.
    notes->clear();
    QTest::mouseClick(child<QPushButton>(dialog, QStringLiteral("Command1")), Qt::LeftButton);
    EXPECT_TRUE(askedTexts().isEmpty()) << askedTexts().join(u'\n').toStdString();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(discRows().at(0), QStringLiteral("5|纪录片|DVD|-|旧的备注 |Yes"));

    // A new condition shows its icon in the rebuilt tree at once, under both roots.
    dialog = openDetails(QStringLiteral("Node5"));
    ASSERT_NE(dialog, nullptr);
    child<QComboBox>(dialog, QStringLiteral("Combo2"))->setCurrentIndex(1);
    EXPECT_TRUE(dialog->save());
    EXPECT_EQ(discRows().at(0), QStringLiteral("5|纪录片|DVD|外借|旧的备注|Yes"));
    const QIcon lent = window->discTree()->itemForKey(QStringLiteral("Node5"))->icon(0);
    const QIcon good = window->discTree()->itemForKey(QStringLiteral("Node6"))->icon(0);
    EXPECT_NE(lent.cacheKey(), good.cacheKey());
    EXPECT_EQ(window->discTree()->data().discs.at(0).icon, 3);
    EXPECT_EQ(window->discTree()->itemForKey(QStringLiteral("NodF5"))->icon(0).cacheKey(), lent.cacheKey());

    // A disc without name, kind or condition shows empty boxes, and Close writes nothing.
    dialog = openDetails(QStringLiteral("Node6"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(child<QComboBox>(dialog, QStringLiteral("Combo1"))->currentText().isEmpty());
    child<QLineEdit>(dialog, QStringLiteral("Text2"))->setText(QStringLiteral("不要"));
    QTest::mouseClick(child<QPushButton>(dialog, QStringLiteral("Command2")), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(discRows().at(1), QStringLiteral("6|-|-|-|-|-"));
}

TEST_F(DiscsTest, DetailsDialogByKeyboard)
{
    app.home.addDisc(QStringLiteral("5"), QStringLiteral("纪录片 "));
    open();
    auto* dialog = openDetails(QStringLiteral("Node5"));
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    const QStringList order
        = { "Text2", "Combo2", "Combo1", "Text3", "Command1", "Command2", "Text1", "Text2" };
    QStringList visited;
    for (int i = 0; i < order.size(); ++i) {
        QWidget* focus = QApplication::focusWidget();
        while (focus && focus->objectName().isEmpty())
            focus = focus->parentWidget();
        visited << (focus ? focus->objectName() : QStringLiteral("<none>"));
        if (i + 1 < order.size())
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, order);

    // Enter in the notes saves.
    auto* notes = child<QLineEdit>(dialog, QStringLiteral("Text3"));
    QTest::keyClicks(notes, QStringLiteral("lent to Li"));
    QTest::keyClick(notes, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(discRows(), QStringList { QStringLiteral("5|纪录片|DVD|-|lent to Li|-") });

    // Esc closes without saving.
    dialog = openDetails(QStringLiteral("Node5"));
    ASSERT_NE(dialog, nullptr);
    child<QLineEdit>(dialog, QStringLiteral("Text3"))->setText(QStringLiteral("not this"));
    QTest::keyClick(child<QLineEdit>(dialog, QStringLiteral("Text3")), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(discRows(), QStringList { QStringLiteral("5|纪录片|DVD|-|lent to Li|-") });
}

TEST_F(DiscsTest, DeletingDiscTwelveLeavesTheMoviesOfDiscOneHundredTwenty)
{
    app.home.addDisc(QStringLiteral("12"), QStringLiteral("动作片"));
    app.home.addDisc(QStringLiteral("120"));
    app.home.addMovie(1, QStringLiteral("英雄"), 12);
    app.home.addMovie(2, QStringLiteral("一二零"), 120);
    app.home.addMovie(3, QStringLiteral("十面埋伏"), 12);
    open();
    listNode(QStringLiteral("Node12"));
    ASSERT_EQ(listedRows(), 2);

    // No keeps everything.
    runTreeCommand(QStringLiteral("Node12"), "deldisk");
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked.at(0).text, QStringLiteral("您真的确定删除碟12吗?"));
    EXPECT_EQ(app.prompt.asked.at(0).buttons, Prompt::Buttons::YesNo);
    EXPECT_EQ(app.prompt.asked.at(0).icon, Prompt::Icon::Warning);
    EXPECT_EQ(discRows().size(), 2);
    EXPECT_EQ(movieTitles().size(), 3);
    EXPECT_EQ(listedRows(), 2);

    app.prompt.answerNext(Prompt::Answer::Yes);
    runTreeCommand(QStringLiteral("Node12"), "deldisk");
    EXPECT_EQ(askedTexts().size(), 2);
    EXPECT_EQ(discRows(), QStringList { QStringLiteral("120|-|DVD |-|-|-") });
    EXPECT_EQ(movieTitles(), QStringList { QStringLiteral("一二零") });
    EXPECT_EQ(listedRows(), 0) << "the list is cleared";
    EXPECT_EQ(nodeKeys(0), QStringList { QStringLiteral("Node120") });

    // Deleting the last disc leaves an empty catalogue, which the rebuild reports.
    app.prompt.asked.clear();
    app.prompt.answerNext(Prompt::Answer::Yes);
    runTreeCommand(QStringLiteral("Node120"), "deldisk");
    EXPECT_EQ(askedTexts(),
        (QStringList { QStringLiteral("您真的确定删除碟120吗?"),
            QStringLiteral("光盘数据库还未添加数据,选择'新建'开始添加.") }));
    EXPECT_TRUE(movieTitles().isEmpty());
    EXPECT_EQ(window->discTree()->topLevelItemCount(), 2);
}

TEST_F(DiscsTest, FavouriteMarkAndUnmark)
{
    app.home.addDisc(QStringLiteral("12"), QStringLiteral("动作片"));
    app.home.addDisc(QStringLiteral("3"), {}, QStringLiteral("DVD "), {}, {}, QStringLiteral("yes"));
    open();
    EXPECT_TRUE(nodeKeys(1).isEmpty()) << "only an exact Yes is a favourite";
    runTreeCommand(QStringLiteral("Node12"), "addtofav");
    runTreeCommand(QStringLiteral("Node12"), "addtofav");
    EXPECT_EQ(discRows().at(0), QStringLiteral("12|动作片|DVD |-|-|Yes"));
    EXPECT_EQ(nodeKeys(1), QStringList { QStringLiteral("NodF12") }) << "listed once";
    EXPECT_EQ(app.context.session.favouriteCount, 1);

    runTreeCommand(QStringLiteral("NodF12"), "DelFav");
    EXPECT_EQ(discRows().at(0), QStringLiteral("12|动作片|DVD |-|-|No"));
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
    const QString gone
        = QStringLiteral("光盘号为12的光盘已不在目录中（可能已被其他程序删除），没有做任何改动。");
    const char* commands[] = { "deldisk", "addtofav", "ChangeDiskDetail" };
    for (const char* command : commands) {
        ASSERT_NE(window->discTree()->itemForKey(QStringLiteral("Node7")), nullptr);
        app.home.exec(QStringLiteral("DELETE FROM DiskState WHERE DiskNum = '12'"));
        app.prompt.asked.clear();
        runTreeCommand(QStringLiteral("Node12"), command);
        EXPECT_EQ(askedTexts(), QStringList { gone }) << command;
        EXPECT_EQ(shownDialog<DiscDetailsDialog>(QStringLiteral("Form6")), nullptr) << command;
        EXPECT_EQ(nodeKeys(0), QStringList { QStringLiteral("Node7") }) << "the tree no longer shows it";
        EXPECT_EQ(movieTitles(), QStringList { QStringLiteral("英雄") }) << command;
        EXPECT_EQ(discRows(), QStringList { QStringLiteral("7|-|DVD |-|-|-") }) << command;
        app.home.addDisc(QStringLiteral("12"));
        ASSERT_TRUE(window->discTree()->rebuildDiscTree());
    }

    // Gone between opening the details and saving them: said so, the dialog closes.
    auto* dialog = openDetails(QStringLiteral("Node12"));
    ASSERT_NE(dialog, nullptr);
    app.home.exec(QStringLiteral("DELETE FROM DiskState WHERE DiskNum = '12'"));
    app.prompt.asked.clear();
    child<QLineEdit>(dialog, QStringLiteral("Text2"))->setText(QStringLiteral("新名"));
    EXPECT_TRUE(dialog->save());
    EXPECT_EQ(askedTexts(), QStringList { gone });
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(discRows(), QStringList { QStringLiteral("7|-|DVD |-|-|-") });
}

TEST_F(DiscsTest, ACatalogueThatCannotBeOpenedChangesNothing)
{
    app.home.addDisc(QStringLiteral("12"));
    open();
    auto* dialog = openDetails(QStringLiteral("Node12"));
    ASSERT_NE(dialog, nullptr);
    const QString file = app.home.folder().catalogueFile();
    const QString aside = file + QStringLiteral(".aside");
    ASSERT_TRUE(QFile::rename(file, aside));

    child<QLineEdit>(dialog, QStringLiteral("Text2"))->setText(QStringLiteral("新名"));
    EXPECT_FALSE(dialog->save());
    EXPECT_TRUE(dialog->isVisible()) << "the typed name is still there to save";
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_TRUE(app.prompt.asked.at(0).text.startsWith(QStringLiteral("找不到目录数据库文件")));
    dialog->close();

    for (const char* command : { "deldisk", "addtofav" }) {
        app.prompt.asked.clear();
        runTreeCommand(QStringLiteral("Node12"), command);
        ASSERT_EQ(app.prompt.asked.size(), 1) << command;
        EXPECT_TRUE(app.prompt.asked.at(0).text.contains(QStringLiteral("找不到目录数据库文件"))) << command;
        EXPECT_EQ(nodeKeys(0), QStringList { QStringLiteral("Node12") }) << "the tree stays as it was";
    }
    app.prompt.asked.clear();
    CreateDiscDialog* create = openCreateDialog();
    ASSERT_NE(create, nullptr);
    EXPECT_FALSE(create->create());
    EXPECT_TRUE(create->isVisible());
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_TRUE(app.prompt.asked.at(0).text.startsWith(QStringLiteral("找不到目录数据库文件")));

    ASSERT_TRUE(QFile::rename(aside, file));
    EXPECT_EQ(discRows(), QStringList { QStringLiteral("12|-|DVD |-|-|-") });
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
    QSignalSpy clicked(tree, &DiscTreeWidget::nodeClicked);

    // A mouse click lists once.
    tree->topLevelItem(0)->setExpanded(true);
    const QRect r = tree->visualItemRect(tree->itemForKey(QStringLiteral("Node1")));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toString(), QStringLiteral("Node1"));
    EXPECT_EQ(listedRows(), 1);

    // Down lists the next disc as a click would.
    QTest::keyClick(tree, Qt::Key_Down);
    ASSERT_EQ(clicked.size(), 2);
    EXPECT_EQ(clicked.at(1).at(0).toString(), QStringLiteral("Node2"));
    EXPECT_EQ(listedRows(), 2);
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral(" 碟# 2 / 共2部影视."));
    // At the last node Down changes nothing and lists nothing again; Enter lists again.
    QTest::keyClick(tree, Qt::Key_Down);
    QTest::keyClick(tree, Qt::Key_Down);
    const qsizetype atEnd = clicked.size();
    EXPECT_EQ(clicked.last().at(0).toString(), QStringLiteral("NodeFav"));
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(clicked.size(), atEnd);
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_EQ(clicked.size(), atEnd + 1);

    // The menu key opens the tree menu for the current node.
    QTest::keyClick(tree, Qt::Key_Up);
    EXPECT_EQ(tree->selectedKey(), QStringLiteral("Node2"));
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(0, 0), tree->mapToGlobal(QPoint(0, 0)));
    QApplication::sendEvent(tree->viewport(), &menuKey);
    EXPECT_TRUE(window->treeMenu()->isVisible());
    EXPECT_TRUE(window->action(QStringLiteral("deldisk"))->isEnabled());
    EXPECT_FALSE(window->action(QStringLiteral("DelFav"))->isEnabled());
    window->treeMenu()->hide();
}

} // namespace
