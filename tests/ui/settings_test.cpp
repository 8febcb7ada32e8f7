#include "app/mainwindow.h"
#include "diskconditions.h"
#include "settings/settingsdialog.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class SettingsTest : public ::testing::Test
{
protected:
    TestApp app;
    QPointer<SettingsDialog> dialog;

    void SetUp() override
    {
        // Rows that test the exact "Yes" rule, a null memo and a stored trailing blank.
        app.home.exec(QStringLiteral("DELETE FROM MovieFileType"));
        app.home.exec(
            QStringLiteral("INSERT INTO MovieFileType VALUES ('avi ', 'Yes', 'AVI 视频 '), "
                           "('mkv', 'yes', NULL), ('rm', 'Yes ', 'RealMedia'), ('ts', NULL, NULL)"));
        iniBefore = readBytes(ini());
        rowsBefore = app.home.fileTypeRows();
    }
    void TearDown() override { delete dialog.data(); }

    QString ini() const { return app.home.folder().settingsFile(); }
    SettingsDialog* open(int page = 1)
    {
        dialog = SettingsDialog::open(app.context, page, nullptr);
        return dialog;
    }
    template <typename T = QWidget> T* child(const QString& name) const
    {
        T* found = dialog ? dialog->findChild<T*>(name) : nullptr;
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    QCheckBox* box(const QString& name) const { return child<QCheckBox>(name); }
    // Clicks a radio or check box on its indicator, at the left end of a wide box.
    void tick(QAbstractButton* button) const
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    QTreeWidget* types() const { return child<QTreeWidget>(QStringLiteral("ListView2")); }
    void click(const QString& button) const { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    bool closed() const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return !dialog || !dialog->isVisible();
    }
    // The shipped file with the given lines replaced, every other byte as it was.
    QByteArray iniWith(const QList<std::pair<const char*, const char*>>& replaced) const
    {
        QByteArray bytes = iniBefore;
        for (const auto& [from, to] : replaced) {
            EXPECT_TRUE(bytes.contains(QByteArray(from) + '\n')) << from;
            bytes.replace(QByteArray(from) + '\n', QByteArray(to) + '\n');
        }
        return bytes;
    }

    QByteArray iniBefore;
    QStringList rowsBefore;
};

} // namespace

TEST_F(SettingsTest, EachCommandOpensItsPage)
{
    MainWindow window(app.context);
    QString error;
    ASSERT_TRUE(window.load(&error)) << error.toStdString();
    // Tab 3 shows container 3 and tab 4 container 2: the containers are not in tab order.
    const struct
    {
        const char* command;
        int container;
        const char* inFront;
    } cases[] = { { "MN_Set1", 0, "Combo1" }, { "MN_Set2", 1, "Check1_0" }, { "MN_Set3", 3, "ChkCoum_0" },
        { "MN_Set4", 2, "Labelcolor_0" }, { "PROset", 0, "ListView2" } };
    for (const auto& c : cases) {
        QAction* command = window.action(QString::fromLatin1(c.command));
        ASSERT_TRUE(command->isEnabled()) << c.command;
        command->trigger();
        auto* shown = window.findChild<SettingsDialog*>(QStringLiteral("Form9"));
        ASSERT_NE(shown, nullptr) << c.command;
        EXPECT_TRUE(shown->isVisible());
        EXPECT_TRUE(shown->isModal());
        EXPECT_EQ(shown->windowTitle(), QStringLiteral("程序设置"));
        EXPECT_EQ(shown->shownContainer(), c.container) << c.command;
        EXPECT_TRUE(shown->findChild<QWidget*>(QString::fromLatin1(c.inFront))->isVisible()) << c.command;
        shown->cancel();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(readBytes(ini()), iniBefore);
}

TEST_F(SettingsTest, TabsShowTheirContainersAndOtherKeysChangeNothing)
{
    open(1);
    auto* tabs = child<QTabBar>(QStringLiteral("TabStrip1"));
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(2), QStringLiteral("程序设置"));
    const int containers[] = { 0, 1, 3, 2 };
    for (int i = 0; i < 4; ++i) {
        tabs->setCurrentIndex(i);
        EXPECT_EQ(dialog->shownContainer(), containers[i]) << i;
    }
    dialog->showTabKey(QStringLiteral("setpass"));
    EXPECT_EQ(dialog->shownContainer(), 1);
    dialog->showTabKey(QStringLiteral("SETPASS"));
    dialog->showTabKey(QStringLiteral("nothing"));
    EXPECT_EQ(dialog->shownContainer(), 1);
}

TEST_F(SettingsTest, OpensWithTheStoredValues)
{
    app.home.writeSetting(Settings::mainSection(), QStringLiteral("Customdrive"), QStringLiteral("G:\\"));
    app.home.writeSetting(Settings::mainSection(), QStringLiteral("Setcolor2"), QStringLiteral("1e20"));
    app.home.writeSetting(Settings::columnSection(), QStringLiteral("Colum8"), QStringLiteral("1"));
    app.home.writeSetting(Settings::mainSection(), QStringLiteral("RidofCD"), QStringLiteral("0"));
    open();
    EXPECT_EQ(child<QComboBox>(QStringLiteral("Combo1"))->currentText(), QStringLiteral("G:\\"));
    QStringList rows;
    for (int i = 0; i < types()->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = types()->topLevelItem(i);
        rows << item->text(0) + (item->checkState(0) == Qt::Checked ? u'+' : u'-');
    }
    EXPECT_EQ(rows, (QStringList { "avi+", "mkv-", "rm+", "ts-" }));
    EXPECT_EQ(types()->headerItem()->text(0), QStringLiteral("存在的文件格式"));
    EXPECT_EQ(child<QLabel>(QStringLiteral("Label1"))->text(),
        QStringLiteral("此处显示各种影视文件后缀名所代表的文件的种类和含义。"));
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("Option1_1"))->isChecked()); // shipped EditByHand=0
    EXPECT_TRUE(box(QStringLiteral("Check1_0"))->isChecked());
    EXPECT_FALSE(box(QStringLiteral("Check1_1"))->isChecked());
    EXPECT_TRUE(box(QStringLiteral("ChkCoum_8"))->isChecked());
    EXPECT_FALSE(box(QStringLiteral("ChkCoum_9"))->isChecked());
    EXPECT_EQ(box(QStringLiteral("ChkCoum_16"))->text(), QStringLiteral("是否看过"));
    EXPECT_EQ(child<QLabel>(QStringLiteral("Labelcolor1_0"))->text(), QStringLiteral("15923455"));
    // A colour number no colour can have shows the shipped colour.
    EXPECT_EQ(child<QLabel>(QStringLiteral("Labelcolor1_1"))->text(), QStringLiteral("12836859"));
    EXPECT_EQ(child<QPushButton>(QStringLiteral("Labelcolor_1"))->palette().color(QPalette::Button),
        QColor(251, 223, 195));
    EXPECT_TRUE(app.prompt.asked.isEmpty());
}

TEST_F(SettingsTest, ClickingOrArrowingToARowShowsItsMemo)
{
    open();
    auto* label = child<QLabel>(QStringLiteral("Label1"));
    QTreeWidget* list = types();
    const QRect avi = list->visualItemRect(list->topLevelItem(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, avi.center() + QPoint(20, 0));
    EXPECT_EQ(label->text(), QStringLiteral("AVI 视频"));
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(label->text(), QString()); // a null memo
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(label->text(), QStringLiteral("RealMedia"));
}

TEST_F(SettingsTest, OkWritesEveryKeyAndTheFileTypesByRow)
{
    open(1);
    QLineEdit* drive = child<QComboBox>(QStringLiteral("Combo1"))->lineEdit();
    drive->selectAll();
    QTest::keyClicks(drive, QStringLiteral("K:\\"));
    // Tick "mkv" and clear "rm" with the keyboard.
    QTreeWidget* list = types();
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(1));
    QTest::keyClick(list, Qt::Key_Space);
    list->setCurrentItem(list->topLevelItem(2));
    QTest::keyClick(list, Qt::Key_Space);
    box(QStringLiteral("Check2"))->setChecked(false);
    box(QStringLiteral("ChkCoum_9"))->setChecked(true);
    box(QStringLiteral("CheckMagic"))->setChecked(false);
    // Another program adds a row meanwhile; only the rows shown are changed.
    app.home.exec(QStringLiteral("INSERT INTO MovieFileType VALUES ('wmv', 'Yes', NULL)"));

    click(QStringLiteral("Command2"));
    EXPECT_TRUE(closed());
    EXPECT_TRUE(app.prompt.asked.isEmpty());
    EXPECT_EQ(readBytes(ini()),
        iniWith({ { "Customdrive=/media/cdrom/", "Customdrive=K:\\" }, { "AutoSelect=1", "AutoSelect=0" },
            { "Colum9=0", "Colum9=1" }, { "MagicSelect4V=1", "MagicSelect4V=0" } }));
    EXPECT_EQ(app.home.fileTypeRows(), (QStringList { "avi |Yes", "mkv|Yes", "rm|No", "ts|No", "wmv|Yes" }));
}

TEST_F(SettingsTest, ManualNamingGreysTheCleaningBoxesButKeepsTheirTicks)
{
    app.home.writeSetting(Settings::mainSection(), QStringLiteral("EditByHand"), QStringLiteral("1"));
    iniBefore = readBytes(ini());
    open(2);
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("Option1_0"))->isChecked());
    for (const char* name : { "Check1_0", "Check1_1", "Check1_2" }) {
        EXPECT_FALSE(box(QString::fromLatin1(name))->isEnabled()) << name;
        EXPECT_TRUE(box(QString::fromLatin1(name))->isChecked()) << name;
    }
    tick(child<QRadioButton>(QStringLiteral("Option1_1")));
    EXPECT_TRUE(box(QStringLiteral("Check1_1"))->isEnabled());
    tick(box(QStringLiteral("Check1_1")));
    tick(child<QRadioButton>(QStringLiteral("Option1_0")));
    EXPECT_FALSE(box(QStringLiteral("Check1_1"))->isEnabled());
    ASSERT_TRUE(dialog->ok());
    // The greyed box's cleared tick is stored all the same.
    EXPECT_EQ(readBytes(ini()), iniWith({ { "RidofCD=1", "RidofCD=0" } }));
}

TEST_F(SettingsTest, ColoursFromTheColourDialogAndTheRestoreButton)
{
    QList<QColor> answers = { QColor(10, 20, 30), QColor() };
    int asked = 0;
    app.context.pickColour = [&](QWidget* parent) {
        EXPECT_EQ(parent, dialog.data());
        ++asked;
        return answers.takeFirst();
    };
    open(4);
    click(QStringLiteral("Labelcolor_0"));
    EXPECT_EQ(child<QLabel>(QStringLiteral("Labelcolor1_0"))->text(), QStringLiteral("1971210"));
    EXPECT_EQ(child<QPushButton>(QStringLiteral("Labelcolor_0"))->palette().color(QPalette::Button),
        QColor(10, 20, 30));
    click(QStringLiteral("Labelcolor_1")); // cancelled
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(child<QLabel>(QStringLiteral("Labelcolor1_1"))->text(), QStringLiteral("12836859"));
    ASSERT_TRUE(dialog->ok());
    EXPECT_EQ(readBytes(ini()), iniWith({ { "Setcolor1=15923455", "Setcolor1=1971210" } }));

    app.home.writeSetting(Settings::mainSection(), QStringLiteral("Setcolor2"), QStringLiteral("-1"));
    open(4);
    click(QStringLiteral("Command4"));
    ASSERT_TRUE(dialog->ok());
    EXPECT_EQ(readBytes(ini()), iniBefore);
}

TEST_F(SettingsTest, CancelAndEscapeWriteNothing)
{
    for (const bool escape : { false, true }) {
        open(3);
        click(QStringLiteral("Command5"));
        box(QStringLiteral("Check3"))->setChecked(false);
        types()->topLevelItem(3)->setCheckState(0, Qt::Checked);
        if (escape)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            click(QStringLiteral("Command1"));
        EXPECT_TRUE(closed()) << escape;
        EXPECT_EQ(readBytes(ini()), iniBefore) << escape;
        EXPECT_EQ(app.home.fileTypeRows(), rowsBefore) << escape;
    }
}

TEST_F(SettingsTest, RestoreDefaultsTicksTheShippedColumnSet)
{
    for (int i = 0; i < 17; ++i)
        app.home.writeSetting(
            Settings::columnSection(), QStringLiteral("Colum%1").arg(i), QStringLiteral("1"));
    open(3);
    click(QStringLiteral("Command5"));
    QList<int> ticked;
    for (int i = 0; i < 17; ++i)
        if (box(QStringLiteral("ChkCoum_%1").arg(i))->isChecked())
            ticked << i;
    EXPECT_EQ(ticked, (QList<int> { 0, 1, 2, 3, 4, 5, 6, 7, 12, 13 }));
}

TEST_F(SettingsTest, AFailedSettingsWriteWarnsAndKeepsTheDialogAndItsChoices)
{
    open(3);
    box(QStringLiteral("ChkCoum_16"))->setChecked(true);
    types()->topLevelItem(3)->setCheckState(0, Qt::Checked);
    // A folder where the settings file was: no write can replace it, even for root.
    ASSERT_TRUE(QFile::remove(ini()));
    ASSERT_TRUE(QDir().mkdir(ini()));
    click(QStringLiteral("Command2"));
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked[0].icon, Prompt::Icon::Warning);
    EXPECT_EQ(app.prompt.asked[0].text,
        QStringLiteral(
            "设置没有保存：无法写入设置文件 %1：那里已有一个同名的文件夹。请移走这个文件夹后再试。")
            .arg(QDir::toNativeSeparators(ini())));
    EXPECT_FALSE(closed());
    EXPECT_TRUE(box(QStringLiteral("ChkCoum_16"))->isChecked());
    EXPECT_EQ(types()->topLevelItem(3)->checkState(0), Qt::Checked);
    EXPECT_EQ(app.home.fileTypeRows(), rowsBefore);

    // Once the file can be written again, the same OK saves the kept choices.
    ASSERT_TRUE(QDir().rmdir(ini()));
    writeBytes(ini(), iniBefore);
    ASSERT_TRUE(dialog->ok());
    EXPECT_EQ(readBytes(ini()), iniWith({ { "Colum16=0", "Colum16=1" } }));
    EXPECT_EQ(app.home.fileTypeRows(), (QStringList { "avi |Yes", "mkv|No", "rm|Yes", "ts|Yes" }));
}

TEST_F(SettingsTest, OkKeepsADriveInNoEncodingByteForByte)
{
    iniBefore.replace("Customdrive=/media/cdrom/\n", "Customdrive=/media/\xb0\xff\xfe/\n");
    writeBytes(ini(), iniBefore);
    open(3);
    box(QStringLiteral("ChkCoum_16"))->setChecked(true);
    ASSERT_TRUE(dialog->ok());
    EXPECT_TRUE(app.prompt.asked.isEmpty());
    EXPECT_EQ(readBytes(ini()), iniWith({ { "Colum16=0", "Colum16=1" } }));
}

TEST_F(SettingsTest, AnOversizedSettingsFileIsSaidWhenTheDialogOpens)
{
    QByteArray huge = iniBefore;
    huge += QByteArray(int(IniFile::MaxFileSize), ';');
    writeBytes(ini(), huge);
    const QString path = QDir::toNativeSeparators(ini());
    open(1);
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked[0].icon, Prompt::Icon::Warning);
    EXPECT_EQ(app.prompt.asked[0].text,
        QStringLiteral("设置文件 %1 太大（%2 KB，设置文件不会超过 1024 KB），无法读取。这里显示的是默认设置，"
                       "在移走或修好这个文件之前，按“确定”也无法保存设置。")
            .arg(path)
            .arg(huge.size() / 1024));
    click(QStringLiteral("Command2"));
    ASSERT_EQ(app.prompt.asked.size(), 2);
    EXPECT_EQ(app.prompt.asked[1].text,
        QStringLiteral("设置没有保存：设置文件 %1 太大（%2 KB，设置文件不会超过 1024 KB），无法改写。"
                       "请移走或修好这个文件后再试。")
            .arg(path)
            .arg(huge.size() / 1024));
    EXPECT_FALSE(closed());
    EXPECT_EQ(readBytes(ini()), huge);
}

TEST_F(SettingsTest, AFullDiskWarnsAndKeepsTheDialogAndTheFile)
{
    FullDisk disk(4);
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small disk needs root";
    // A data folder on the small disk: the settings file and the catalogue.
    const DataFolder onDisk(disk.path());
    writeBytes(onDisk.settingsFile(), iniBefore);
    ASSERT_TRUE(QFile::copy(app.home.folder().catalogueFile(), onDisk.catalogueFile()));
    AppContext context(onDisk, app.prompt, app.desktop);
    dialog = SettingsDialog::open(context, 3, nullptr);
    disk.fill();
    box(QStringLiteral("ChkCoum_16"))->setChecked(true);
    click(QStringLiteral("Command2"));
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked[0].icon, Prompt::Icon::Warning);
    EXPECT_EQ(app.prompt.asked[0].text,
        QStringLiteral("设置没有保存：无法写入设置文件 %1：磁盘已满。请腾出磁盘空间后再试。")
            .arg(QDir::toNativeSeparators(onDisk.settingsFile())));
    EXPECT_FALSE(closed());
    EXPECT_EQ(readBytes(onDisk.settingsFile()), iniBefore);

    disk.empty();
    ASSERT_TRUE(dialog->ok());
    EXPECT_EQ(readBytes(onDisk.settingsFile()), iniWith({ { "Colum16=0", "Colum16=1" } }));
    delete dialog.data();
}

TEST_F(SettingsTest, ADamagedLineWithNulBytesSurvivesASaveByteForByte)
{
    // Another program left a GBK line with a NUL in it; the save changes one key and nothing else.
    const QByteArray damaged("\xb9\xe2\x00x\n", 5);
    writeBytes(ini(), iniBefore + damaged);
    open(3);
    box(QStringLiteral("ChkCoum_16"))->setChecked(true);
    click(QStringLiteral("Command2"));
    EXPECT_TRUE(app.prompt.asked.isEmpty());
    EXPECT_TRUE(closed());
    EXPECT_EQ(readBytes(ini()), iniWith({ { "Colum16=0", "Colum16=1" } }) + damaged);
}

TEST_F(SettingsTest, AReadOnlySettingsFileIsNamedAndTheDialogStays)
{
    ASSERT_TRUE(QFile::setPermissions(ini(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    if (QFileInfo(ini()).isWritable())
        GTEST_SKIP() << "permissions do not stop this user (root)";
    open(4);
    box(QStringLiteral("Check3"))->setChecked(false);
    click(QStringLiteral("Command2"));
    ASSERT_EQ(app.prompt.asked.size(), 1);
    EXPECT_EQ(app.prompt.asked[0].text,
        QStringLiteral("设置没有保存：无法写入设置文件 %1：这个文件是只读的。请去掉它的只读属性后再试。")
            .arg(QDir::toNativeSeparators(ini())));
    EXPECT_FALSE(closed());
    EXPECT_EQ(readBytes(ini()), iniBefore);
}

TEST_F(SettingsTest, AFailedFileTypeWriteIsReportedAndTheDialogStays)
{
    open(1);
    types()->topLevelItem(3)->setCheckState(0, Qt::Checked);
    const QString db = app.home.folder().catalogueFile();
    ASSERT_TRUE(QFile::rename(db, db + QStringLiteral(".away")));
    ASSERT_TRUE(QDir().mkdir(db));
    click(QStringLiteral("Command2"));
    ASSERT_EQ(app.prompt.asked.size(), 1);
    const QString text = app.prompt.asked[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("设置已保存，但影视文件格式的选择没有保存：")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QDir::toNativeSeparators(db))) << text.toStdString();
    EXPECT_FALSE(closed());
    EXPECT_EQ(types()->topLevelItem(3)->checkState(0), Qt::Checked);
    ASSERT_TRUE(QDir().rmdir(db));
    ASSERT_TRUE(QFile::rename(db + QStringLiteral(".away"), db));
    EXPECT_EQ(app.home.fileTypeRows(), rowsBefore);
}

TEST_F(SettingsTest, HelpOpensTheSettingsSection)
{
    open(2);
    click(QStringLiteral("Command3"));
    ASSERT_EQ(app.desktop.opened.size(), 1);
    EXPECT_EQ(app.desktop.opened[0].toLocalFile(), app.home.folder().helpFile());
    EXPECT_EQ(app.desktop.opened[0].fragment(), QStringLiteral("settings"));
    EXPECT_FALSE(closed());
    EXPECT_TRUE(readBytes(app.home.folder().helpFile()).contains("id=\"settings\""));
}
