#include "app/mainwindow.h"
#include "browse/disctreewidget.h"
#include "store/catalogue.h"
#include "testsupport.h"
#include "wizard/wizarddialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

void writeSized(const QString& path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.resize(size);
}

class WizardTest : public ::testing::Test
{
protected:
    TestApp app;
    std::unique_ptr<MainWindow> window;
    QTemporaryDir disc;

    void SetUp() override
    {
        app.home.addDisc(QStringLiteral("3"));
        app.home.addMovie(3, QStringLiteral("旧片"), 3);
        app.home.addMovie(10, QStringLiteral("旧片二"), 3);
        app.home.writeSetting(QStringLiteral("ReelShelfIndex1.02"), QStringLiteral("Customdrive"),
            QStringLiteral("/media/cdrom/"));
        app.home.writeSetting(
            QStringLiteral("ReelShelfIndex1.02"), QStringLiteral("MagicSelect4V"), QStringLiteral("1"));
        app.home.writeSetting(
            QStringLiteral("ReelShelfIndex1.02"), QStringLiteral("EditByHand"), QStringLiteral("1"));
        // A disc: Heat.avi with its poster and a GBK description; a subfolder with Ran.rmvb.
        writeSized(disc.filePath(QStringLiteral("Heat.avi")), 734003200);
        writeBytes(disc.filePath(QStringLiteral("Heat.txt")),
            QStringEncoder("GB18030").encode(
                QStringLiteral("◎片　　名　Heat\r\n◎年　　代　1995\r\n◎IMDB评分  8.3/10\r\n")));
        QImage cover(20, 30, QImage::Format_RGB32);
        cover.fill(Qt::red);
        cover.save(disc.filePath(QStringLiteral("Heat.jpg")), "JPG");
        writeSized(disc.filePath(QStringLiteral("sub/Ran.rmvb")), 2 * 1048576);
        window = std::make_unique<MainWindow>(app.context);
        QString error;
        ASSERT_TRUE(window->load(&error)) << error.toStdString();
    }

    WizardDialog* open() { return window->openWizard(); }
    template <typename T> static T* child(QWidget* w, const QString& name) { return w->findChild<T*>(name); }
    static void searchAndWait(WizardDialog* w)
    {
        QSignalSpy done(w, &WizardDialog::searchFinished);
        w->search();
        ASSERT_TRUE(done.count() > 0 || done.wait(20000));
    }
    static QStringList column(QTreeWidget* list, int c)
    {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(c);
        return out;
    }
    // Steps 1 and 2: the disc's boxes, then a search of the test disc.
    WizardDialog* searched(const QString& number)
    {
        WizardDialog* w = open();
        child<QLineEdit>(w, QStringLiteral("Text1_0"))->setText(number);
        child<QLineEdit>(w, QStringLiteral("Text1_1"))->setText(QStringLiteral("犯罪片"));
        child<QComboBox>(w, QStringLiteral("Combo2"))->setEditText(disc.path() + u'/');
        w->next();
        searchAndWait(w);
        return w;
    }
};

TEST_F(WizardTest, OpensOnStepOneWithTheProposedNumberAndTheUsualDrive)
{
    WizardDialog* w = open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("魔法向导添加影片信息"));
    EXPECT_EQ(w->step(), 1);
    EXPECT_EQ(child<QLineEdit>(w, QStringLiteral("Text1_0"))->text(), QStringLiteral("4"));
    EXPECT_EQ(child<QComboBox>(w, QStringLiteral("Combo1"))->currentText(), QStringLiteral("DVD"));
    EXPECT_EQ(child<QComboBox>(w, QStringLiteral("Combo2"))->currentText(), QStringLiteral("/media/cdrom/"));
    EXPECT_FALSE(child<QPushButton>(w, QStringLiteral("Command1"))->isEnabled());
    w->next();
    EXPECT_EQ(w->step(), 2);
    EXPECT_TRUE(child<QPushButton>(w, QStringLiteral("Command1"))->isEnabled());
    w->next();
    EXPECT_EQ(w->step(), 3);
    EXPECT_EQ(
        child<QLabel>(w, QStringLiteral("Label6"))->text(), QStringLiteral("预备列表中共有0个待添加影片."));
    EXPECT_EQ(child<QPushButton>(w, QStringLiteral("Command2"))->text(), QStringLiteral("添加所有(&A)"));
    // Nothing prepared: refused, and no disc is made.
    w->next();
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked.at(0).text, QStringLiteral("预备列表中未发现文件!请点击上一步右键添加."));
    EXPECT_EQ(Catalogue(app.home.folder().catalogueFile()).discs()->size(), 1);
    w->back();
    EXPECT_EQ(w->step(), 2);
    EXPECT_EQ(child<QPushButton>(w, QStringLiteral("Command2"))->text(), QStringLiteral("下一步(&N)"));
    w->close();
}

TEST_F(WizardTest, SearchListsTheFilesAndThePreparedListTakesEachOnce)
{
    WizardDialog* w = searched(QStringLiteral("4"));
    QTreeWidget* candidates = w->candidateList();
    EXPECT_EQ(
        column(candidates, 0), (QStringList { QStringLiteral("Heat.avi"), QStringLiteral("Ran.rmvb") }));
    EXPECT_EQ(column(candidates, 2), (QStringList { QStringLiteral("700MB"), QStringLiteral("2MB") }));
    EXPECT_EQ(child<QLabel>(w, QStringLiteral("Label3"))->text(), QStringLiteral("*共找到2部影视文件。"));

    candidates->setCurrentItem(candidates->topLevelItem(0));
    w->addSelectedCandidate();
    EXPECT_EQ(candidates->topLevelItem(0)->text(1), QStringLiteral("√"));
    w->addSelectedCandidate();
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked.at(0).text, QStringLiteral("此影片已经添加至预备列表!"));
    // A new search keeps what is prepared, and preparing all never takes a file twice.
    searchAndWait(w);
    w->addAllCandidates();
    EXPECT_EQ(column(w->preparedList(), 0),
        (QStringList { QStringLiteral("Heat.avi"), QStringLiteral("Ran.rmvb") }));

    // Removing with nothing selected does nothing; removing a row frees its candidate again.
    w->preparedList()->setCurrentItem(nullptr);
    w->removeSelectedPrepared();
    EXPECT_EQ(w->preparedList()->topLevelItemCount(), 2);
    w->preparedList()->setCurrentItem(w->preparedList()->topLevelItem(1));
    w->removeSelectedPrepared();
    EXPECT_EQ(column(w->preparedList(), 0), QStringList { QStringLiteral("Heat.avi") });
    EXPECT_EQ(candidates->topLevelItem(1)->text(1), QString());
    w->clearPrepared();
    EXPECT_EQ(column(candidates, 1), (QStringList { QString(), QString() }));
    w->close();
}

TEST_F(WizardTest, TheMenuKeyAndTheCommandsActOnTheRowTheUserSeesChosen)
{
    WizardDialog* w = searched(QStringLiteral("4"));
    w->show();
    QTreeWidget* candidates = w->candidateList();
    QTreeWidget* prepared = w->preparedList();
    auto pressMenuKey = [](QTreeWidget* list) {
        // The keyboard's menu event comes with a place near the list's top, whatever row is current.
        const QPoint corner(4, 4);
        QContextMenuEvent event(QContextMenuEvent::Keyboard, corner, list->viewport()->mapToGlobal(corner));
        QApplication::sendEvent(list->viewport(), &event);
    };
    auto openMenu = [w](const char* name) {
        auto* menu = w->findChild<QMenu*>(QString::fromLatin1(name));
        return menu && menu->isVisible() ? menu : nullptr;
    };

    // A current row nobody marked is no choice: nothing is added.
    candidates->clearSelection();
    candidates->setCurrentItem(candidates->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
    w->addSelectedCandidate();
    EXPECT_EQ(prepared->topLevelItemCount(), 0);

    // The menu key on the second row: that row is marked, and the menu adds it.
    candidates->setCurrentItem(candidates->topLevelItem(1), 0, QItemSelectionModel::NoUpdate);
    pressMenuKey(candidates);
    QMenu* menu = openMenu("popupform41");
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(candidates->topLevelItem(1)->isSelected());
    menu->findChild<QAction*>(QStringLiteral("MN_add"))->trigger();
    menu->close();
    EXPECT_EQ(column(prepared, 0), QStringList { QStringLiteral("Ran.rmvb") });

    // Step 3: the count follows a removal as it follows clearing all.
    w->addAllCandidates();
    w->next();
    ASSERT_EQ(w->step(), 3);
    QLabel* count = child<QLabel>(w, QStringLiteral("Label6"));
    EXPECT_EQ(count->text(), QStringLiteral("预备列表中共有2个待添加影片."));
    prepared->clearSelection();
    prepared->setCurrentItem(prepared->topLevelItem(1), 0, QItemSelectionModel::NoUpdate);
    pressMenuKey(prepared);
    menu = openMenu("popupform42");
    ASSERT_NE(menu, nullptr);
    menu->findChild<QAction*>(QStringLiteral("MN_del"))->trigger();
    menu->close();
    EXPECT_EQ(column(prepared, 0), QStringList { QStringLiteral("Ran.rmvb") });
    EXPECT_EQ(count->text(), QStringLiteral("预备列表中共有1个待添加影片."));
    w->close();
}

TEST_F(WizardTest, CommitStoresTheDiscItsMoviesPostersAndDescriptions)
{
    WizardDialog* w = searched(QStringLiteral("4"));
    w->addAllCandidates();
    w->next();
    QSignalSpy closed(w, &QDialog::accepted);
    w->next();
    ASSERT_EQ(closed.count(), 1) << (app.prompt.asked.isEmpty() ? std::string()
                                                                : app.prompt.asked.last().text.toStdString());

    const Catalogue catalogue(app.home.folder().catalogueFile());
    const auto discs = catalogue.discs();
    ASSERT_EQ(discs->size(), 2);
    EXPECT_EQ(discs->at(1).diskNum, QStringLiteral("4"));
    EXPECT_EQ(discs->at(1).diskType, QStringLiteral("DVD "));
    EXPECT_EQ(discs->at(1).name, QStringLiteral("犯罪片"));
    const auto heat = catalogue.findMovie(11);
    ASSERT_TRUE(heat) << "numbered after the largest stored number, 10";
    EXPECT_EQ((*heat)[MovieField::MovieName], QStringLiteral("Heat"));
    EXPECT_EQ((*heat)[MovieField::MovieSize], QStringLiteral("700MB"));
    EXPECT_EQ((*heat)[MovieField::Filetype], QStringLiteral("avi"));
    EXPECT_EQ((*heat)[MovieField::EngName], QStringLiteral("Heat"));
    EXPECT_EQ((*heat)[MovieField::Year], QStringLiteral("1995"));
    EXPECT_EQ((*heat)[MovieField::Score].toDouble(), 8.3);
    EXPECT_EQ((*heat)[MovieField::DiskNum].toDouble(), 4.0);
    EXPECT_TRUE(QFile::exists(app.home.folder().posterFor(QStringLiteral("11"))));
    const auto ran = catalogue.findMovie(12);
    ASSERT_TRUE(ran);
    EXPECT_EQ((*ran)[MovieField::MovieName], QStringLiteral("Ran"));
    EXPECT_FALSE(QFile::exists(app.home.folder().posterFor(QStringLiteral("12"))));
    // The tree shows the new disc at once.
    EXPECT_NE(window->discTree()->itemForKey(QStringLiteral("Node4")), nullptr);
    EXPECT_EQ(app.context.session.highestDiscNumber, 4);
}

TEST_F(WizardTest, RefusedNumbersStoreNothing)
{
    const struct
    {
        const char* number;
        const char* drive;
        QString message;
    } cases[] = {
        { "  ", "x", QStringLiteral("未输入碟号或选择驱动器!") },
        { "3", "x", QStringLiteral("已经存在光盘号为3的光盘,请确认您输入的光盘号正确!") },
        { "012", "x", QString() },
    };
    for (const auto& c : cases) {
        app.prompt.asked.clear();
        WizardDialog* w = searched(QString::fromLatin1(c.number));
        w->addAllCandidates();
        w->next();
        w->next();
        ASSERT_EQ(app.prompt.asked.size(), 1) << c.number;
        if (!c.message.isEmpty())
            EXPECT_EQ(app.prompt.asked.at(0).text, c.message);
        else
            EXPECT_TRUE(app.prompt.asked.at(0).text.contains(QStringLiteral("“012”"))) << c.number;
        EXPECT_EQ(w->step(), 3);
        EXPECT_EQ(Catalogue(app.home.folder().catalogueFile()).movieCount(), 2);
        w->close();
    }
}

TEST_F(WizardTest, AFolderThatIsNotThereIsSaidSo)
{
    WizardDialog* w = open();
    child<QComboBox>(w, QStringLiteral("Combo2"))->setEditText(disc.filePath(QStringLiteral("nowhere")));
    w->next();
    searchAndWait(w);
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_TRUE(app.prompt.asked.at(0).text.contains(QStringLiteral("不存在")));
    EXPECT_NE(child<QLabel>(w, QStringLiteral("Label3"))->text(), QStringLiteral("*共找到0部影视文件。"));
    w->close();
}

TEST_F(WizardTest, ClosingDuringASearchStopsItAndLeavesNothingRunning)
{
    for (int i = 0; i < 300; ++i)
        writeSized(disc.filePath(QStringLiteral("many/%1/f.avi").arg(i)), 10);
    WizardDialog* w = open();
    child<QComboBox>(w, QStringLiteral("Combo2"))->setEditText(disc.path());
    w->next();
    w->search();
    EXPECT_FALSE(child<QPushButton>(w, QStringLiteral("Command3"))->isEnabled() && w->isSearching());
    w->reject();
    EXPECT_FALSE(w->isSearching());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WizardTest, LargeListsKeepTheWindowPaintingAndShowHowFarTheCommitIs)
{
    // A drive of 20,000 movie files: preparing all, searching again with all of them prepared,
    // and storing them may each take a while, never minutes, and the window keeps painting.
    constexpr int files = 20000;
    TestTree big;
    for (int i = 0; i < files; ++i)
        big.file(QStringLiteral("f%1.avi").arg(i, 5, 10, QLatin1Char('0')), 0);
    WizardDialog* w = open();
    child<QComboBox>(w, QStringLiteral("Combo2"))->setEditText(big.path());
    w->next();
    searchAndWait(w);
    ASSERT_EQ(w->candidateList()->topLevelItemCount(), files);
    w->addAllCandidates();
    ASSERT_EQ(w->preparedList()->topLevelItemCount(), files);
    QElapsedTimer clock;
    clock.start();
    searchAndWait(w); // 刷新: every mark is set again
    EXPECT_LT(clock.elapsed(), 30000) << "the marks are set again row by row against every prepared row";
    EXPECT_EQ(w->candidateList()->topLevelItem(files - 1)->text(1), QStringLiteral("√"));

    w->next();
    QSignalSpy progress(w, &WizardDialog::commitProgressShown);
    int ticks = 0;
    QTimer painter;
    QObject::connect(&painter, &QTimer::timeout, [&] { ++ticks; });
    painter.start(20);
    QSignalSpy closed(w, &QDialog::accepted);
    w->next();
    painter.stop();
    ASSERT_EQ(closed.count(), 1);
    EXPECT_GT(ticks, 0) << "the window waited without painting";
    ASSERT_GE(progress.count(), 1);
    EXPECT_EQ(progress.first().at(1).toInt(), files);
    EXPECT_EQ(Catalogue(app.home.folder().catalogueFile()).movieCount(), 2 + files);
}

TEST_F(WizardTest, ProblemsOfAStoredDiscAreListedOncePerFileBelowTheSuccess)
{
    TestTree drive;
    for (const char* f : { "shared/One.avi", "shared/Two.avi", "shared/Three.avi" })
        drive.file(QString::fromLatin1(f), 1);
    writeBytes(drive.path(QStringLiteral("shared/cover.jpg")), "not a picture");
    writeBytes(drive.path(QStringLiteral("shared/huge.txt")), QByteArray(5 * 1024 * 1024, 'x'));
    WizardDialog* w = open();
    child<QComboBox>(w, QStringLiteral("Combo2"))->setEditText(drive.path());
    // The movie files are stand-ins whose facts cannot be read: that is another test.
    child<QCheckBox>(w, QStringLiteral("CheckFacts"))->setChecked(false);
    w->next();
    searchAndWait(w);
    w->addAllCandidates();
    w->next();
    QSignalSpy closed(w, &QDialog::accepted);
    w->next();
    ASSERT_EQ(closed.count(), 1);
    ASSERT_EQ(app.prompt.asked.size(), 1);
    const RecordingPrompt::Asked& said = app.prompt.asked.first();
    EXPECT_EQ(said.icon, Prompt::Icon::Information);
    EXPECT_EQ(said.text,
        QStringLiteral("已添加光盘 4 和其中的 3 部影片。\n以下 2 个文件没有用上（每行一个，可以复制）："));
    EXPECT_EQ(said.details,
        QStringList({ QStringLiteral("简介文件 %1 太大（超过 4 MB），没有导入。")
                          .arg(drive.path(QStringLiteral("shared/huge.txt"))),
            QStringLiteral("文件 %1 不是图片,不能作为海报。")
                .arg(drive.path(QStringLiteral("shared/cover.jpg"))) }));
}

TEST_F(WizardTest, TheListOfDetailsScrollsInsideTheScreenAndCopies)
{
    QStringList lines;
    for (int i = 0; i < 5000; ++i)
        lines << QStringLiteral("文件 /media/cdrom/%1/cover.jpg 不是图片,不能作为海报。").arg(i);
    QSize shown;
    bool buttonInside = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = box->size();
        auto* ok = box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        buttonInside = box->rect().contains(QRect(ok->mapTo(box, QPoint(0, 0)), ok->size()));
        for (QPushButton* b : box->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("复制全部"))
                b->click();
        box->accept();
    });
    MessageBoxPrompt().showList(nullptr, Prompt::Icon::Information, QStringLiteral("已添加。"), lines);
    EXPECT_LE(shown.width(), 1024);
    EXPECT_LE(shown.height(), 700);
    EXPECT_TRUE(buttonInside);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), lines.join(u'\n') + u'\n');
}

TEST_F(WizardTest, FoldersThatCouldNotBeReadAreSaidAfterTheCount)
{
    TestTree drive;
    drive.file(QStringLiteral("a/One.avi"), 1);
    drive.folderPastPathLimit(QStringLiteral("deep"));
    WizardDialog* w = open();
    child<QComboBox>(w, QStringLiteral("Combo2"))->setEditText(drive.path());
    w->next();
    searchAndWait(w);
    EXPECT_EQ(child<QLabel>(w, QStringLiteral("Label3"))->text(),
        QStringLiteral("*共找到1部影视文件。有 1 个文件夹无法读取。"));
    w->close();
}

TEST_F(WizardTest, StoppingTheCommitStoresNothingAndKeepsTheStep)
{
    WizardDialog* w = searched(QStringLiteral("4"));
    w->addAllCandidates();
    w->next();
    auto* stop = child<QPushButton>(w, QStringLiteral("StopCommit"));
    QObject::connect(w, &WizardDialog::commitProgressShown, w, [&] {
        if (stop->isVisible() && stop->isEnabled())
            stop->click();
    });
    w->next();
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked.first().text, QStringLiteral("已取消,没有添加任何光盘或影片。"));
    EXPECT_EQ(w->step(), 3);
    EXPECT_FALSE(w->isCommitting());
    EXPECT_FALSE(stop->isVisible());
    EXPECT_EQ(Catalogue(app.home.folder().catalogueFile()).discs()->size(), 1);
    EXPECT_FALSE(QFile::exists(app.home.folder().posterFor(QStringLiteral("11"))));
    w->close();
}

} // namespace
