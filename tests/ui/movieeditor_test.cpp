#include "app/mainwindow.h"
#include "browse/detailpane.h"
#include "browse/disctreewidget.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "movies/moviecommands.h"
#include "movies/movieeditor.h"
#include "store/catalogue.h"
#include "store/cataloguefailure.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStringEncoder>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

class MovieEditorTest : public ::testing::Test
{
protected:
    TestApp app;
    std::unique_ptr<MainWindow> window;
    int editorsShown = 0;
    bool lastAccepted = false;

    void SetUp() override
    {
        app.home.addDisc(QStringLiteral("1"));
        app.home.addDisc(QStringLiteral("12"), QStringLiteral("动作片"));
        app.home.addDisc(QStringLiteral("120"));
        MovieRecord hero;
        hero[MovieField::Type] = QStringLiteral("西部/爱情/喜剧");
        hero[MovieField::SubTitile] = QStringLiteral("中文");
        hero[MovieField::Score] = 7.5;
        hero[MovieField::Seen] = QStringLiteral("no");
        hero[MovieField::Lastfor] = 95.0;
        hero[MovieField::Year] = QStringLiteral("2002 ");
        hero[MovieField::PS] = QStringLiteral("简介 ");
        app.home.addMovie(1, QStringLiteral("英雄 "), 12, hero);
        app.home.addMovie(2, QStringLiteral("Alpha"), 1);
        app.home.addMovie(7, QStringLiteral("Gamma"), 120);
        window = std::make_unique<MainWindow>(app.context);
        window->show();
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
    }

    // Every editor the commands open is handed to `drive` instead of running modally.
    void whenEditorOpens(std::function<void(MovieEditor&)> drive)
    {
        window->movieCommands()->setEditorRunner([this, drive](MovieEditor& editor) {
            ++editorsShown;
            drive(editor);
            lastAccepted = editor.result() == QDialog::Accepted;
        });
    }
    template <typename T> static T* child(QWidget& w, const QString& name)
    {
        T* found = w.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    static void type(QWidget& w, const QString& name, const QString& text)
    {
        if (auto* edit = w.findChild<QLineEdit*>(name))
            edit->setText(text);
        else if (auto* combo = w.findChild<QComboBox*>(name))
            combo->setEditText(text);
        else
            ADD_FAILURE() << "no box " << name.toStdString();
    }
    void listNode(const QString& key)
    {
        QTreeWidgetItem* item = window->discTree()->itemForKey(key);
        ASSERT_NE(item, nullptr);
        window->discTree()->setCurrentItem(item);
        emit window->discTree()->itemClicked(item, 0);
    }
    void selectRow(int row)
    {
        window->movieList()->setCurrentIndex(window->movieList()->model()->index(row, 0));
    }
    std::optional<MovieRecord> stored(double id)
    {
        return Catalogue(app.home.folder().catalogueFile()).findMovie(id);
    }
    QStringList promptTexts() const
    {
        QStringList texts;
        for (const auto& a : app.prompt.asked)
            texts << a.text;
        return texts;
    }
};

TEST_F(MovieEditorTest, AddStoresEveryFieldInItsStoredForm)
{
    app.home.writePicture(QStringLiteral("chosen/cover.jpg"), 40, 60);
    whenEditorOpens([&](MovieEditor& e) {
        EXPECT_EQ(e.windowTitle(), QStringLiteral("添加影片信息"));
        EXPECT_EQ(child<QPushButton>(e, QStringLiteral("Command1"))->text(), QStringLiteral("确 定(&O)"));
        type(e, QStringLiteral("Text1_0"), QStringLiteral("12"));
        type(e, QStringLiteral("Text1_9"), QStringLiteral("  无间道 "));
        type(e, QStringLiteral("Combo1_0"), QStringLiteral("2007年"));
        type(e, QStringLiteral("Combo1_1"), QStringLiteral("Rmvb"));
        type(e, QStringLiteral("Text1_6"), QStringLiteral("101分钟"));
        for (int i : { 0, 11, 17 })
            child<QCheckBox>(e, QStringLiteral("Check1_%1").arg(i))->setChecked(true);
        e.setScore(8);
        app.context.pickFile = [&](QWidget*, const QString& title, const QString&, const QString& filter) {
            EXPECT_EQ(title, QStringLiteral("选择文件 - ReelShelf Index"));
            EXPECT_EQ(filter, QStringLiteral("海报图片文件(*.jpg)"));
            return app.home.path() + QStringLiteral("/chosen/cover.jpg");
        };
        QTest::mouseClick(child<QPushButton>(e, QStringLiteral("Command3")), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(e, QStringLiteral("Command1")), Qt::LeftButton);
    });
    window->action(QStringLiteral("MN_Movie"))->trigger();
    ASSERT_TRUE(lastAccepted) << promptTexts().join(u'\n').toStdString();
    const auto m = stored(8);
    ASSERT_TRUE(m) << "the next number after 7";
    EXPECT_EQ((*m)[MovieField::MovieName], QStringLiteral("无间道"));
    EXPECT_EQ((*m)[MovieField::Year], QStringLiteral("2007 "));
    EXPECT_EQ((*m)[MovieField::Filetype], QStringLiteral("Rmvb "));
    EXPECT_EQ((*m)[MovieField::Type], QStringLiteral("西部/爱情/喜剧"));
    EXPECT_EQ((*m)[MovieField::SubTitile], QString());
    EXPECT_FALSE((*m)[MovieField::SubTitile].isNull()) << "no subtitle is the empty text, not null";
    EXPECT_EQ((*m)[MovieField::Company], QStringLiteral(" ")) << "the company placeholder";
    EXPECT_EQ((*m)[MovieField::Lastfor].toDouble(), 101.0);
    EXPECT_EQ((*m)[MovieField::Score].toDouble(), 8.0);
    EXPECT_EQ((*m)[MovieField::DiskNum].toDouble(), 12.0);
    EXPECT_EQ((*m)[MovieField::Audio], QStringLiteral(" "));
    EXPECT_TRUE((*m)[MovieField::Seen].isNull()) << "seen boxes untouched";
    EXPECT_EQ(readBytes(app.home.folder().posterFor(QStringLiteral("8"))),
        readBytes(app.home.path() + QStringLiteral("/chosen/cover.jpg")));
    EXPECT_EQ(window->movieList()->model()->rowCount(), 0) << "an add leaves the list as it was";
}

TEST_F(MovieEditorTest, RefusedAddsKeepTheDialogAndWhatWasTyped)
{
    const struct
    {
        const char* disc;
        const char* name;
        const char* score;
        QString message;
    } cases[] = {
        { "12", "   ", "", QStringLiteral("必须填入相应光盘号和影片名!") },
        { "  ", "片名", "", QStringLiteral("必须填入相应光盘号和影片名!") },
        { "5", "片名", "", QStringLiteral("此光盘不存在!请先建立光盘容器.") },
        { "12", "片名", "15", QStringLiteral("评分必须是 0 到 10 之间的数字,请改正后再保存.") },
        { "12", "片名", "-1", QStringLiteral("评分必须是 0 到 10 之间的数字,请改正后再保存.") },
    };
    for (const auto& c : cases) {
        app.prompt.asked.clear();
        MovieEditor e(app.context, window.get());
        type(e, QStringLiteral("Text1_0"), QString::fromUtf8(c.disc));
        type(e, QStringLiteral("Text1_9"), QString::fromUtf8(c.name));
        type(e, QStringLiteral("Text1_1"), QString::fromUtf8(c.score));
        e.confirm();
        EXPECT_EQ(promptTexts(), QStringList { c.message }) << c.disc << "|" << c.name;
        EXPECT_EQ(e.result(), 0) << "the dialog stays open";
        EXPECT_EQ(child<QLineEdit>(e, QStringLiteral("Text1_9"))->text(), QString::fromUtf8(c.name));
    }
    EXPECT_FALSE(stored(8));

    // A picture that is no picture is refused before anything is stored.
    writeBytes(app.home.path() + QStringLiteral("/fake.jpg"), "text, not a picture");
    app.prompt.asked.clear();
    MovieEditor e(app.context, window.get());
    type(e, QStringLiteral("Text1_0"), QStringLiteral("12"));
    type(e, QStringLiteral("Text1_9"), QStringLiteral("片名"));
    child<QLineEdit>(e, QStringLiteral("Text2"))->setText(app.home.path() + QStringLiteral("/fake.jpg"));
    e.confirm();
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_TRUE(app.prompt.asked.at(0).text.contains(QStringLiteral("不是图片")));
    EXPECT_FALSE(stored(8));
}

TEST_F(MovieEditorTest, AddToTheSelectedDiscTakesTheNumberFromTheNode)
{
    QStringList numbers;
    whenEditorOpens(
        [&](MovieEditor& e) { numbers << child<QLineEdit>(e, QStringLiteral("Text1_0"))->text(); });
    for (const char* key : { "Node12", "NodeAll" }) {
        window->discTree()->setCurrentItem(window->discTree()->itemForKey(QString::fromLatin1(key)));
        window->movieCommands()->addMovieToSelectedDisc();
    }
    EXPECT_EQ(numbers, (QStringList { QStringLiteral("12"), QStringLiteral("All") }));
}

TEST_F(MovieEditorTest, EditLoadsTheRowAndRewritesIt)
{
    listNode(QStringLiteral("Node12"));
    selectRow(0);
    whenEditorOpens([&](MovieEditor& e) {
        EXPECT_EQ(e.windowTitle(), QStringLiteral("修改影片信息"));
        EXPECT_TRUE(child<QLineEdit>(e, QStringLiteral("Text1_0"))->isReadOnly());
        EXPECT_EQ(child<QLineEdit>(e, QStringLiteral("Text1_9"))->text(), QStringLiteral("英雄"));
        for (int i = 0; i < 18; ++i)
            EXPECT_EQ(child<QCheckBox>(e, QStringLiteral("Check1_%1").arg(i))->isChecked(),
                i == 0 || i == 11 || i == 17)
                << i;
        EXPECT_TRUE(child<QCheckBox>(e, QStringLiteral("CheckSeen_1"))->isChecked());
        EXPECT_EQ(child<QLineEdit>(e, QStringLiteral("Text1_1"))->text(), QStringLiteral("7.5"));
        // The spin bar starts at the stored score, so one step up gives 9, not 1.
        auto* spin = child<QScrollBar>(e, QStringLiteral("VScroll1"));
        EXPECT_EQ(spin->value(), -8);
        spin->triggerAction(QAbstractSlider::SliderSingleStepSub);
        EXPECT_EQ(child<QLineEdit>(e, QStringLiteral("Text1_1"))->text(), QStringLiteral("9"));
        type(e, QStringLiteral("Text1_9"), QStringLiteral("英雄(导演剪辑版)"));
        child<QCheckBox>(e, QStringLiteral("CheckSeen_0"))->click();
        e.confirm();
    });
    window->action(QStringLiteral("MN_edit"))->trigger();
    ASSERT_TRUE(lastAccepted) << promptTexts().join(u'\n').toStdString();
    const auto m = stored(1);
    EXPECT_EQ((*m)[MovieField::MovieName], QStringLiteral("英雄(导演剪辑版)"));
    EXPECT_EQ((*m)[MovieField::Score].toDouble(), 9.0);
    EXPECT_EQ((*m)[MovieField::Seen], QStringLiteral("yes"));
    EXPECT_EQ((*m)[MovieField::Lastfor].toDouble(), 95.0) << "the list's \" Mins\" reads back as minutes";
    EXPECT_EQ((*m)[MovieField::Year], QStringLiteral("2002 "));
    EXPECT_EQ((*m)[MovieField::PS], QStringLiteral("简介 "));
    const MovieRow row = window->movieList()->movieModel()->movieRow(0);
    EXPECT_EQ(row[ListCol::MovieName], QStringLiteral("英雄(导演剪辑版)"));
    EXPECT_EQ(row[ListCol::Seen], QStringLiteral("yes"));
    EXPECT_EQ(row[ListCol::Score], QStringLiteral("9"));
}

TEST_F(MovieEditorTest, AnEditThatCannotBeSavedKeepsTheDialogAndTheRecord)
{
    listNode(QStringLiteral("Node12"));
    selectRow(0);
    // Blanked name: warned, kept open, nothing written.
    whenEditorOpens([&](MovieEditor& e) {
        type(e, QStringLiteral("Text1_9"), QStringLiteral("  "));
        e.confirm();
        EXPECT_EQ(e.result(), 0);
        // Deleted by another program meanwhile: said so, nothing else is touched.
        type(e, QStringLiteral("Text1_9"), QStringLiteral("新名字"));
        app.home.exec(QStringLiteral("DELETE FROM ReelShelfIndex WHERE ID = 1"));
        e.confirm();
        EXPECT_EQ(e.result(), 0);
    });
    window->action(QStringLiteral("MN_edit"))->trigger();
    EXPECT_FALSE(lastAccepted);
    ASSERT_EQ(app.prompt.asked.size(), 2);
    EXPECT_EQ(app.prompt.asked.at(0).text, QStringLiteral("必须填入相应光盘号和影片名!"));
    EXPECT_EQ(app.prompt.asked.at(1).text, QStringLiteral("找不到编号为 1 的影片记录。"));
    EXPECT_EQ(window->movieList()->movieModel()->movieRow(0)[ListCol::MovieName], QStringLiteral("英雄 "));
    EXPECT_EQ(Catalogue(app.home.folder().catalogueFile()).movieCount(), 2);
}

TEST_F(MovieEditorTest, MoveChecksTheDiscAndRemovesTheRowOnlyWhenItMoved)
{
    listNode(QStringLiteral("Node12"));
    selectRow(0);
    QString typed;
    whenEditorOpens([&](MovieEditor& e) {
        EXPECT_EQ(e.windowTitle(), QStringLiteral("移动影片至"));
        EXPECT_FALSE(child<QTabWidget>(e, QStringLiteral("TabStrip1"))->tabBar()->isEnabled());
        EXPECT_FALSE(child<QMenu>(e, QStringLiteral("Addfrom"))->isEnabled());
        EXPECT_TRUE(child<QLineEdit>(e, QStringLiteral("Text1_9"))->isReadOnly())
            << "only the disc is written";
        EXPECT_FALSE(child<QLineEdit>(e, QStringLiteral("Text1_0"))->isReadOnly());
        type(e, QStringLiteral("Text1_0"), typed);
        e.confirm();
    });
    typed = QStringLiteral("99");
    window->action(QStringLiteral("MN_Move"))->trigger();
    EXPECT_EQ(promptTexts(), QStringList { QStringLiteral("此光盘不存在!请先建立光盘容器.") });
    EXPECT_FALSE(lastAccepted);
    typed = QStringLiteral("12");
    window->action(QStringLiteral("MN_Move"))->trigger();
    EXPECT_EQ(window->movieList()->model()->rowCount(), 1) << "an unchanged disc keeps the row";
    typed = QStringLiteral("120");
    window->action(QStringLiteral("MN_Move"))->trigger();
    EXPECT_TRUE(lastAccepted);
    EXPECT_EQ(window->movieList()->model()->rowCount(), 0);
    EXPECT_EQ((*stored(1))[MovieField::DiskNum].toDouble(), 120.0);
    EXPECT_EQ((*stored(1))[MovieField::MovieName], QStringLiteral("英雄 ")) << "nothing else changed";
}

// Another program deleted movie 1 and a new movie took its number: the stale row of 英雄 must
// neither overwrite, move nor delete it.
TEST_F(MovieEditorTest, AStaleRowNeverActsOnTheMovieThatTookItsNumber)
{
    listNode(QStringLiteral("Node12"));
    selectRow(0);
    const QString longName(40000, u'E');
    app.home.exec(QStringLiteral("DELETE FROM ReelShelfIndex WHERE ID = 1"));
    app.home.addMovie(1, QStringLiteral("新片"), 1, movieWith({ { MovieField::EngName, longName } }));
    const auto untouched = [&] {
        const auto m = stored(1);
        ASSERT_TRUE(m);
        EXPECT_EQ((*m)[MovieField::MovieName], QStringLiteral("新片"));
        EXPECT_EQ((*m)[MovieField::DiskNum].toDouble(), 1.0);
        EXPECT_EQ((*m)[MovieField::EngName].toString(), longName);
    };
    const auto refusedOnce = [&] {
        ASSERT_EQ(app.prompt.asked.size(), 1) << promptTexts().join(u'\n').toStdString();
        EXPECT_TRUE(app.prompt.asked.at(0).text.contains(QStringLiteral("已被其他程序改动")))
            << app.prompt.asked.at(0).text.toStdString();
        EXPECT_TRUE(app.prompt.asked.at(0).text.contains(QStringLiteral("新片")));
        app.prompt.asked.clear();
    };

    whenEditorOpens([&](MovieEditor& e) { e.confirm(); }); // Enter, Alt+X: an unchanged save
    window->action(QStringLiteral("MN_edit"))->trigger();
    EXPECT_FALSE(lastAccepted);
    refusedOnce();
    untouched();

    whenEditorOpens([&](MovieEditor& e) {
        type(e, QStringLiteral("Text1_0"), QStringLiteral("120"));
        e.confirm();
    });
    window->action(QStringLiteral("MN_Move"))->trigger();
    EXPECT_FALSE(lastAccepted);
    refusedOnce();
    untouched();

    app.prompt.answerNext(Prompt::Answer::Yes);
    window->action(QStringLiteral("MN_delete"))->trigger();
    ASSERT_EQ(app.prompt.asked.size(), 2);
    app.prompt.asked.removeFirst(); // the question
    refusedOnce();
    untouched();
    EXPECT_EQ(window->movieList()->model()->rowCount(), 1) << "the stale row stays for the user to see";
    EXPECT_TRUE(QDir(app.home.path() + QStringLiteral("/Backups"))
                    .entryList({ QStringLiteral("*.db") }, QDir::Files)
                    .isEmpty())
        << "no backup is spent on a deletion that cannot happen";
}

// Nothing the user did not change may change: a text longer than a line edit holds, the line
// ends of the intro, a disc number stored as text, nulls and genres the boxes do not know.
TEST_F(MovieEditorTest, AnEditKeepsTheBytesOfEveryFieldTheUserLeftAlone)
{
    const QString longName(40000, u'E');
    MovieRecord old = movieWith({ { MovieField::EngName, longName },
        { MovieField::PS, QStringLiteral("第一行\r\n第二行\r\n第三行 ") },
        { MovieField::Type, QStringLiteral("惊悚/剧情") }, { MovieField::Year, QStringLiteral("1999") } });
    app.home.addMovie(9, QStringLiteral("旧片 "), 0, old);
    app.home.exec(QStringLiteral("UPDATE ReelShelfIndex SET DiskNum = 'A1' WHERE ID = 9"));
    RawDb raw(app.home.folder().catalogueFile());
    const QString others = QStringLiteral(
        "SELECT quote(Year), quote(Filetype), quote(Type), quote(Audio), quote(SubTitile), "
        "quote(Definition), quote(MovieSize), quote(FileNum), quote(EngName), quote(Direct), quote(Role), "
        "quote(Company), quote(Lastfor), quote(PS), quote(Nation), quote(DiskNum), quote(Score), "
        "quote(Seen), typeof(DiskNum) FROM ReelShelfIndex WHERE ID = 9");
    const QStringList before = raw.rows(others);

    listNode(QStringLiteral("NodeAll"));
    selectRow(3);
    whenEditorOpens([&](MovieEditor& e) {
        EXPECT_EQ(child<QLineEdit>(e, QStringLiteral("Text1_0"))->text(), QStringLiteral("A1"));
        EXPECT_EQ(child<QLineEdit>(e, QStringLiteral("Text1_3"))->text().size(), 40000);
        type(e, QStringLiteral("Text1_9"), QStringLiteral("新名字"));
        e.confirm();
    });
    window->action(QStringLiteral("MN_edit"))->trigger();
    ASSERT_TRUE(lastAccepted) << promptTexts().join(u'\n').toStdString();
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT MovieName FROM ReelShelfIndex WHERE ID = 9")),
        QStringList { QStringLiteral("新名字") });
    EXPECT_EQ(raw.rows(others), before);
    EXPECT_EQ(window->movieList()->movieModel()->movieRow(3)[ListCol::DiskNum], QStringLiteral("A1"));
}

// 信息源 → 从文件读取...: the file's facts fill only what is empty, and nothing is stored by it.
TEST_F(MovieEditorTest, AMovieFilesFactsFillTheEmptyBoxesOnly)
{
    const QString media = QStringLiteral(REELSHELF_TEST_DATA "/media");
    QString picked = media + QStringLiteral("/feature.mkv");
    app.context.pickFile = [&](QWidget*, const QString&, const QString&, const QString&) { return picked; };
    whenEditorOpens([&](MovieEditor& e) {
        type(e, QStringLiteral("Text1_6"), QStringLiteral("88"));
        e.findChild<QAction*>(QStringLiteral("moviefile"))->trigger();
        EXPECT_EQ(child<QLineEdit>(e, QStringLiteral("Text1_6"))->text(), QStringLiteral("88"));
        EXPECT_EQ(child<QComboBox>(e, QStringLiteral("Combo1_6"))->currentText(), QStringLiteral("1080P"));
        EXPECT_EQ(
            child<QComboBox>(e, QStringLiteral("Combo1_3"))->currentText(), QStringLiteral("国语/英文原声"));
        EXPECT_TRUE(child<QCheckBox>(e, QStringLiteral("Check2_0"))->isChecked());
        EXPECT_TRUE(child<QCheckBox>(e, QStringLiteral("Check2_1"))->isChecked());
        EXPECT_FALSE(child<QCheckBox>(e, QStringLiteral("Check2_2"))->isChecked());
        EXPECT_TRUE(app.prompt.asked.isEmpty());
        // A file that is no movie is said, and the boxes stay as they are.
        picked = media + QStringLiteral("/random.mkv");
        e.findChild<QAction*>(QStringLiteral("moviefile"))->trigger();
        ASSERT_EQ(app.prompt.asked.size(), 1);
        EXPECT_TRUE(app.prompt.asked.at(0).text.contains(QStringLiteral("random.mkv")));
        EXPECT_EQ(child<QComboBox>(e, QStringLiteral("Combo1_6"))->currentText(), QStringLiteral("1080P"));
    });
    window->action(QStringLiteral("MN_Movie"))->trigger();
    EXPECT_FALSE(lastAccepted);
    EXPECT_EQ(Catalogue(app.home.folder().catalogueFile()).movieCount(), 3);
}

// The list holds no introductions; an editor that could not read one must not open with an
// empty one, which a save would store over the real text.
TEST_F(MovieEditorTest, AnEditorWhoseIntroductionCannotBeReadDoesNotOpen)
{
    listNode(QStringLiteral("NodeAll"));
    selectRow(0);
    RawDb other(app.home.folder().catalogueFile());
    other.exec(QStringLiteral("BEGIN EXCLUSIVE"));
    bool opened = false;
    whenEditorOpens([&](MovieEditor&) { opened = true; });
    window->action(QStringLiteral("MN_edit"))->trigger();
    other.exec(QStringLiteral("COMMIT"));
    EXPECT_FALSE(opened);
    EXPECT_EQ(
        promptTexts(), QStringList { CatalogueFailure::lockedMessage(app.home.folder().catalogueFile()) });
    EXPECT_EQ((*stored(1))[MovieField::PS], QStringLiteral("简介 "));
}

TEST_F(MovieEditorTest, ChangedTextsAreStoredWholeAndTheIntroKeepsItsLineEnds)
{
    app.home.exec(QStringLiteral("UPDATE ReelShelfIndex SET PS = '第一行' || char(13, 10) || '第二行 ' "
                                 "WHERE ID = 1"));
    listNode(QStringLiteral("Node12"));
    selectRow(0);
    const QString longer(40001, u'F');
    whenEditorOpens([&](MovieEditor& e) {
        type(e, QStringLiteral("Text1_3"), longer);
        type(e, QStringLiteral("Text1_5"), longer);
        auto* intro = child<QPlainTextEdit>(e, QStringLiteral("TextPS"));
        intro->setPlainText(intro->toPlainText() + QStringLiteral("\n第三行"));
        e.confirm();
    });
    window->action(QStringLiteral("MN_edit"))->trigger();
    ASSERT_TRUE(lastAccepted) << promptTexts().join(u'\n').toStdString();
    const auto m = stored(1);
    EXPECT_EQ((*m)[MovieField::EngName].toString(), longer + u' ');
    EXPECT_EQ((*m)[MovieField::Role].toString(), longer + u' ');
    EXPECT_EQ((*m)[MovieField::PS].toString(), QStringLiteral("第一行\r\n第二行\r\n第三行 "));
}

TEST_F(MovieEditorTest, AMoveWithoutANumberIsRefusedAndTheDialogStays)
{
    app.home.addDisc(QStringLiteral("0")); // a text without a number would read as this disc
    listNode(QStringLiteral("Node12"));
    selectRow(0);
    for (const QString& typed : { QString(), QStringLiteral("   "), QStringLiteral("abc") }) {
        app.prompt.asked.clear();
        whenEditorOpens([&](MovieEditor& e) {
            type(e, QStringLiteral("Text1_0"), typed);
            e.confirm();
            EXPECT_EQ(e.result(), 0) << "the dialog stays open";
            EXPECT_EQ(child<QLineEdit>(e, QStringLiteral("Text1_0"))->text(), typed);
        });
        window->action(QStringLiteral("MN_Move"))->trigger();
        EXPECT_EQ(promptTexts(), QStringList { QStringLiteral("必须填入相应光盘号和影片名!") })
            << typed.toStdString();
        EXPECT_EQ((*stored(1))[MovieField::DiskNum].toDouble(), 12.0) << typed.toStdString();
        EXPECT_EQ(window->movieList()->model()->rowCount(), 1);
    }
}

TEST_F(MovieEditorTest, DeleteAsksAndClearsTheSummaryEitherWay)
{
    listNode(QStringLiteral("Node12"));
    selectRow(0);
    window->movieList()->leftReleased(0);
    auto* summary = window->detailPane()->findChild<QPlainTextEdit*>(QStringLiteral("TextPS"));
    ASSERT_FALSE(summary->toPlainText().isEmpty());

    app.prompt.answerNext(Prompt::Answer::No);
    window->action(QStringLiteral("MN_delete"))->trigger();
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked.at(0).text, QStringLiteral("您真的确定删除 【英雄 】的记录吗？"));
    EXPECT_EQ(app.prompt.asked.at(0).buttons, Prompt::Buttons::YesNo);
    EXPECT_TRUE(summary->toPlainText().isEmpty());
    EXPECT_TRUE(stored(1));
    EXPECT_EQ(window->movieList()->model()->rowCount(), 1);

    app.prompt.answerNext(Prompt::Answer::Yes);
    window->action(QStringLiteral("MN_delete"))->trigger();
    EXPECT_FALSE(stored(1));
    EXPECT_EQ(window->movieList()->model()->rowCount(), 0);
}

TEST_F(MovieEditorTest, TheDeleteQuestionNamesAVeryLongTitleShortly)
{
    app.home.addMovie(9, QString(5000, u'长'), 120);
    listNode(QStringLiteral("Node120"));
    selectRow(1);
    app.prompt.answerNext(Prompt::Answer::No);
    window->action(QStringLiteral("MN_delete"))->trigger();
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked.at(0).text,
        QStringLiteral("您真的确定删除 【") + QString(100, u'长') + QStringLiteral("…】的记录吗？"));
}

TEST_F(MovieEditorTest, AMovieDeletedMeanwhileIsReportedAndItsRowStays)
{
    listNode(QStringLiteral("NodeAll"));
    selectRow(1);
    app.home.exec(QStringLiteral("DELETE FROM ReelShelfIndex WHERE ID = 2"));
    app.prompt.answerNext(Prompt::Answer::Yes);
    window->movieCommands()->deleteSelected();
    ASSERT_EQ(app.prompt.asked.size(), 2);
    EXPECT_EQ(app.prompt.asked.at(1).text, QStringLiteral("找不到编号为 2 的影片记录。"));
    EXPECT_EQ(window->movieList()->model()->rowCount(), 3);
    EXPECT_EQ(Catalogue(app.home.folder().catalogueFile()).movieCount(), 2) << "no other movie was deleted";
}

TEST_F(MovieEditorTest, AReusedNumberNeverShowsTheDeletedMoviesPoster)
{
    // Movie 8 had a poster and was deleted; the next new movie is 8 again.
    app.home.addMovie(8, QStringLiteral("旧片"), 1);
    app.home.writePicture(QStringLiteral("Posters/8.jpg"), 30, 40);
    app.home.exec(QStringLiteral("DELETE FROM ReelShelfIndex WHERE ID = 8"));
    MovieEditor e(app.context, window.get());
    type(e, QStringLiteral("Text1_0"), QStringLiteral("1"));
    type(e, QStringLiteral("Text1_9"), QStringLiteral("新片"));
    e.confirm();
    ASSERT_TRUE(e.outcome());
    ASSERT_EQ(e.outcome()->id, 8.0) << "the highest number is given out again";
    EXPECT_FALSE(QFile::exists(app.home.folder().posterFor(QStringLiteral("8"))));
}

TEST_F(MovieEditorTest, ChoosingTheMoviesOwnPosterAgainKeepsIt)
{
    app.home.writePicture(QStringLiteral("Posters/1.jpg"), 30, 40);
    const QByteArray before = readBytes(app.home.folder().posterFor(QStringLiteral("1")));
    listNode(QStringLiteral("Node12"));
    selectRow(0);
    whenEditorOpens([&](MovieEditor& e) {
        child<QLineEdit>(e, QStringLiteral("Text2"))
            ->setText(app.home.folder().posterFor(QStringLiteral("1")));
        e.confirm();
    });
    window->action(QStringLiteral("MN_edit"))->trigger();
    EXPECT_TRUE(lastAccepted);
    EXPECT_EQ(readBytes(app.home.folder().posterFor(QStringLiteral("1"))), before);
}

TEST_F(MovieEditorTest, CompaniesComeFromTheLogosAndNeverReachOutsideTheirFolder)
{
    app.home.writePicture(QStringLiteral("Compics/华纳.jpg"), 50, 20);
    app.home.writePicture(QStringLiteral("Compics/新画面.jpg"), 50, 20);
    app.home.writePicture(QStringLiteral("outside.jpg"), 50, 20);
    MovieEditor e(app.context, window.get());
    auto* company = child<QComboBox>(e, QStringLiteral("ComboCompany"));
    EXPECT_EQ(company->currentText(), QStringLiteral("选择影片出品公司..."));
    QStringList names;
    for (int i = 0; i < company->count(); ++i)
        names << company->itemText(i);
    EXPECT_EQ(names, (QStringList { QStringLiteral("华纳"), QStringLiteral("新画面") }));
    auto* logo = child<PictureLabel>(e, QStringLiteral("Image1"));
    e.pickCompany(QStringLiteral("华纳"));
    EXPECT_EQ(logo->loadedPath(), app.home.folder().logoFor(QStringLiteral("华纳")));
    // A typed name is no entry and no path: nothing outside Compics is ever loaded.
    company->setEditText(QStringLiteral("../outside"));
    e.pickCompany(QStringLiteral("../outside"));
    EXPECT_TRUE(logo->loadedPath().isEmpty());

    company->setCurrentIndex(1);
    type(e, QStringLiteral("Text1_0"), QStringLiteral("1"));
    type(e, QStringLiteral("Text1_9"), QStringLiteral("片名"));
    e.confirm();
    ASSERT_TRUE(e.outcome());
    EXPECT_EQ((*stored(e.outcome()->id))[MovieField::Company], QStringLiteral("新画面 "));
}

TEST_F(MovieEditorTest, KeyboardListsEditsAndDeletes)
{
    listNode(QStringLiteral("NodeAll"));
    MovieListView* list = window->movieList();
    list->setFocus();
    selectRow(0);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(window->detailPane()->findChild<QLineEdit*>(QStringLiteral("Text1_9"))->text(),
        QStringLiteral("Alpha"));
    whenEditorOpens([](MovieEditor& e) { EXPECT_EQ(e.windowTitle(), QStringLiteral("修改影片信息")); });
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(editorsShown, 1);
    app.prompt.answerNext(Prompt::Answer::No);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(promptTexts(), QStringList { QStringLiteral("您真的确定删除 【Alpha】的记录吗？") });
}

TEST_F(MovieEditorTest, ADescriptionTextFillsTheFieldsOrGoesWholeToTheIntro)
{
    const QString text = QStringLiteral("◎译　　名　英雄\r\n◎片　　名　Hero\r\n◎年　　代　2002\r\n"
                                        "◎类　　别　剧情/动作\r\n◎IMDB评分  7.5/10\r\n◎主　　演　李连杰\r\n"
                                        "　　　　　梁朝伟\r\n◎简　　介　\r\n秦王……\r\n");
    const QString path = app.home.path() + QStringLiteral("/hero.txt");
    QStringEncoder gbk("GB18030");
    writeBytes(path, gbk.encode(text));
    app.home.writeSetting(
        QStringLiteral("ReelShelfIndex1.02"), QStringLiteral("MagicSelect4V"), QStringLiteral("1"));
    {
        MovieEditor e(app.context, window.get());
        app.context.pickFile = [&](QWidget*, const QString& title, const QString&, const QString& filter) {
            EXPECT_EQ(title, QStringLiteral("打开BT下载附带简介文件 - ReelShelf Index"));
            EXPECT_EQ(filter, QStringLiteral("BT附带简介文件(*.txt)"));
            return path;
        };
        e.findChild<QAction*>(QStringLiteral("txtfile"))->trigger();
        EXPECT_EQ(child<QLineEdit>(e, QStringLiteral("Text1_9"))->text(), QStringLiteral("英雄"));
        EXPECT_EQ(child<QLineEdit>(e, QStringLiteral("Text1_3"))->text(), QStringLiteral("Hero"));
        EXPECT_EQ(child<QComboBox>(e, QStringLiteral("Combo1_0"))->currentText(), QStringLiteral("2002"));
        EXPECT_EQ(child<QLineEdit>(e, QStringLiteral("Text1_1"))->text(), QStringLiteral("8"));
        EXPECT_TRUE(child<QCheckBox>(e, QStringLiteral("Check1_10"))->isChecked());
        EXPECT_TRUE(child<QCheckBox>(e, QStringLiteral("Check1_1"))->isChecked());
        EXPECT_TRUE(
            child<QLineEdit>(e, QStringLiteral("Text1_5"))->text().startsWith(QStringLiteral("李连杰")));
        EXPECT_TRUE(child<QPlainTextEdit>(e, QStringLiteral("TextPS"))
                        ->toPlainText()
                        .startsWith(QStringLiteral("◎简　　介")));
    }
    app.home.writeSetting(
        QStringLiteral("ReelShelfIndex1.02"), QStringLiteral("MagicSelect4V"), QStringLiteral("0"));
    MovieEditor whole(app.context, window.get());
    whole.importIntroText(path);
    EXPECT_TRUE(child<QLineEdit>(whole, QStringLiteral("Text1_9"))->text().isEmpty());
    EXPECT_EQ(child<QPlainTextEdit>(whole, QStringLiteral("TextPS"))->toPlainText(),
        QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    // A file that cannot be read says so and changes nothing.
    app.prompt.asked.clear();
    whole.importIntroText(app.home.path() + QStringLiteral("/none.txt"));
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_TRUE(app.prompt.asked.at(0).text.contains(QStringLiteral("none.txt")));
}

} // namespace
