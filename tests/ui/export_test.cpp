#include "app/mainwindow.h"
#include "diskconditions.h"
#include "export/exportdialog.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString defaultTip
    = QStringLiteral("    您没有选择文件夹,生成的文件将仍然保存在默认的程序下的Outputs文件夹下.");

class ExportDialogTest : public ::testing::Test
{
protected:
    TestApp app;
    QPointer<ExportDialog> dialog;
    QStringList pickerTitles;
    QStringList pickerAnswers;

    void SetUp() override
    {
        app.home.addDisc(QStringLiteral("1"), QStringLiteral("一"));
        app.home.addMovie(1, QStringLiteral("Heat"), 1);
        app.context.clock = [] { return QDateTime(QDate(2007, 12, 6), QTime(19, 15, 3)); };
        app.context.pickFolder = [this](QWidget*, const QString& title) {
            pickerTitles << title;
            return pickerAnswers.isEmpty() ? QString() : pickerAnswers.takeFirst();
        };
        dialog = new ExportDialog(app.context);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    }
    void TearDown() override { delete dialog.data(); }

    template <typename T> T* child(const char* name) const
    {
        T* w = dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString tip() const { return child<QLabel>("Labeltip")->text(); }
};

} // namespace

TEST_F(ExportDialogTest, OpensOnTheFormatPageWithTheDefaults)
{
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("转换您的电影收藏数据"));
    EXPECT_EQ(dialog->currentPage(), 0);
    EXPECT_TRUE(child<QRadioButton>("Option1_0")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("Check1")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("Check2")->isChecked());
    EXPECT_FALSE(child<QPushButton>("Commandfolder")->isEnabled());
    EXPECT_EQ(tip(), defaultTip);
    QTest::mouseClick(child<QPushButton>("Command3"), Qt::LeftButton);
    EXPECT_EQ(dialog->currentPage(), 1);
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_EQ(dialog->currentPage(), 0);
}

TEST_F(ExportDialogTest, FolderChoiceAndTipFollowCheck2)
{
    QTemporaryDir share;
    dialog->showOptionsPage();
    auto* check2 = child<QCheckBox>("Check2");
    check2->click();
    EXPECT_TRUE(child<QPushButton>("Commandfolder")->isEnabled());
    EXPECT_EQ(tip(), defaultTip);
    pickerAnswers << share.path();
    child<QPushButton>("Commandfolder")->click();
    EXPECT_EQ(pickerTitles,
        QStringList {
            QStringLiteral("  请选择一个文件夹,这样ReelShelf Index将把文件保存在您选中的文件夹中.") });
    const QString chosenTip = QStringLiteral("    文件将保存在") + share.path() + QStringLiteral("下。");
    EXPECT_EQ(tip(), chosenTip);
    check2->click();
    EXPECT_FALSE(child<QPushButton>("Commandfolder")->isEnabled());
    EXPECT_EQ(tip(), defaultTip);
    check2->click(); // the remembered folder is where the file goes again
    EXPECT_EQ(tip(), chosenTip);
    child<QPushButton>("Commandfolder")->click(); // cancelled: back to the default folder
    EXPECT_TRUE(dialog->chosenFolder().isEmpty());
    EXPECT_EQ(tip(), defaultTip);
}

TEST_F(ExportDialogTest, ConvertWritesTheChosenFormatAndCloses)
{
    QTemporaryDir share;
    child<QRadioButton>("Option1_1")->click();
    dialog->showOptionsPage();
    child<QCheckBox>("Check1")->click(); // stamped name
    child<QCheckBox>("Check2")->click();
    pickerAnswers << share.path() + u'/';
    dialog->chooseFolder();
    QTest::mouseClick(child<QPushButton>("Command4"), Qt::LeftButton);
    EXPECT_TRUE(QFileInfo::exists(share.path() + QStringLiteral("/ReelShelfIndex_071206191503.xls")));
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked[0].icon, Prompt::Icon::Information);
    EXPECT_EQ(app.prompt.asked[0].text, QStringLiteral("数据转换成功!"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
}

TEST_F(ExportDialogTest, FailureWarnsAndStaysOpen)
{
    QTemporaryDir share;
    const QString gone = share.path() + QStringLiteral("/gone");
    dialog->showOptionsPage();
    child<QCheckBox>("Check2")->click();
    pickerAnswers << gone;
    dialog->chooseFolder();
    EXPECT_FALSE(dialog->convert());
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked[0].icon, Prompt::Icon::Warning);
    EXPECT_EQ(app.prompt.asked[0].text,
        QStringLiteral("文件夹 %1 不存在,无法保存文件 %1/ReelShelfIndex.txt 。数据没有转换。").arg(gone));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(QFileInfo::exists(gone));
}

TEST_F(ExportDialogTest, AFullDiskWarnsStaysOpenAndLeavesNoFile)
{
    FullDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small disk needs root";
    disk.fill();
    child<QRadioButton>("Option1_1")->click();
    dialog->showOptionsPage();
    child<QCheckBox>("Check2")->click();
    pickerAnswers << disk.path();
    dialog->chooseFolder();
    QTest::mouseClick(child<QPushButton>("Command4"), Qt::LeftButton);
    const QString path = disk.path(QStringLiteral("ReelShelfIndex.xls"));
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked[0].icon, Prompt::Icon::Warning);
    EXPECT_EQ(app.prompt.asked[0].text,
        QStringLiteral("无法写入文件 %1：磁盘已满。请腾出磁盘空间后再试。数据没有转换。").arg(path));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(ExportDialogTest, KeyboardReachesEveryStep)
{
    // Arrows pick the format, Space goes on, Enter on the options page converts into Outputs.
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    child<QRadioButton>("Option1_0")->setFocus();
    QTest::keyClick(child<QRadioButton>("Option1_0"), Qt::Key_Down);
    EXPECT_TRUE(child<QRadioButton>("Option1_1")->isChecked());
    child<QPushButton>("Command3")->setFocus();
    QTest::keyClick(child<QPushButton>("Command3"), Qt::Key_Space);
    EXPECT_EQ(dialog->currentPage(), 1);
    QTest::keyClick(dialog, Qt::Key_Return);
    EXPECT_TRUE(QFileInfo::exists(app.home.folder().outputsDir() + QStringLiteral("/ReelShelfIndex.xls")));
}

TEST_F(ExportDialogTest, EscapeCancelsWithoutWriting)
{
    QTest::keyClick(dialog, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
    EXPECT_TRUE(QDir(app.home.folder().outputsDir()).isEmpty());
}

TEST(ExportCommand, MenuAndToolbarOpenTheWindow)
{
    TestApp app;
    MainWindow window(app.context);
    window.show();
    QString error;
    ASSERT_TRUE(window.load(&error)) << error.toStdString();
    QAction* command = window.action(QStringLiteral("MN_trans"));
    EXPECT_TRUE(command->isEnabled());
    EXPECT_EQ(command->shortcut(), QKeySequence(QStringLiteral("Ctrl+I")));
    EXPECT_TRUE(window.action(QStringLiteral("changeGEshi"))->isEnabled());
    command->trigger();
    auto* dialog = window.findChild<ExportDialog*>(QStringLiteral("Form8"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isModal() || dialog->windowModality() == Qt::ApplicationModal);
    dialog->close();
}
