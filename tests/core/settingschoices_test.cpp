#include "diskconditions.h"
#include "settings/settingschoices.h"
#include "store/catalogue.h"
#include "store/colournumber.h"
#include "store/inifile.h"
#include "store/settings.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <gtest/gtest.h>

namespace {

const QString mainSection = QStringLiteral("ReelShelfIndex1.02");

class IniWritesTest : public ::testing::Test
{
protected:
    QString ini() const { return dir_.filePath(QStringLiteral("RSISet.ini")); }
    QTemporaryDir dir_;
};

} // namespace

TEST_F(IniWritesTest, AllKeysGoInOneSaveKeepingEveryOtherByte)
{
    // CR LF endings, a comment, an unknown key and a GBK value must come through untouched.
    const QByteArray before
        = "; mine\r\n[ReelShelfIndex1.02]\r\nCustomdrive=/old/\r\nOther=\xc4\xe3\xba\xc3\r\n"
          "\r\n[ColumnHeaders]\r\nColum0=0\r\nColumLen0=3000\r\n";
    writeBytes(ini(), before);
    const QList<IniFile::Write> writes = {
        { mainSection, QStringLiteral("Customdrive"), QStringLiteral("K:\\") },
        { QStringLiteral("ColumnHeaders"), QStringLiteral("colum0"), QStringLiteral("1") },
        { mainSection, QStringLiteral("AutoOpen"), QStringLiteral("0") },
    };
    QString problem;
    ASSERT_TRUE(IniFile::writeIniStrings(writes, ini(), &problem)) << problem.toStdString();
    EXPECT_EQ(readBytes(ini()),
        QByteArray("; mine\r\n[ReelShelfIndex1.02]\r\nCustomdrive=K:\\\r\nOther=\xc4\xe3\xba\xc3\r\n"
                   "AutoOpen=0\r\n\r\n[ColumnHeaders]\r\nColum0=1\r\nColumLen0=3000\r\n"));
    // The same writes again change nothing: one entry per key, never duplicates.
    const QByteArray once = readBytes(ini());
    ASSERT_TRUE(IniFile::writeIniStrings(writes, ini()));
    EXPECT_EQ(readBytes(ini()), once);
}

TEST_F(IniWritesTest, OneBadValueWritesNothingAtAll)
{
    writeBytes(ini(), "[ReelShelfIndex1.02]\nAutoOpen=1\n");
    QString problem;
    EXPECT_FALSE(
        IniFile::writeIniStrings({ { mainSection, QStringLiteral("AutoOpen"), QStringLiteral("0") },
                                     { mainSection, QStringLiteral("Customdrive"), QStringLiteral("a\nb") } },
            ini(), &problem));
    EXPECT_EQ(problem, QStringLiteral("设置项 Customdrive 的值含有换行等无法保存的字符，没有写入。"));
    EXPECT_EQ(readBytes(ini()), QByteArray("[ReelShelfIndex1.02]\nAutoOpen=1\n"));
}

TEST_F(IniWritesTest, AFolderInPlaceOfTheFileIsReportedByName)
{
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("RSISet.ini")));
    QString problem;
    EXPECT_FALSE(IniFile::writeIniStrings(
        { { mainSection, QStringLiteral("AutoOpen"), QStringLiteral("0") } }, ini(), &problem));
    EXPECT_TRUE(problem.contains(QDir::toNativeSeparators(ini()))) << problem.toStdString();
    EXPECT_TRUE(QFileInfo(ini()).isDir());
}

TEST_F(IniWritesTest, AMissingFolderFailsAndCreatesNothing)
{
    const QString path = dir_.filePath(QStringLiteral("gone/RSISet.ini"));
    QString problem;
    EXPECT_FALSE(IniFile::writeIniStrings(
        { { mainSection, QStringLiteral("AutoOpen"), QStringLiteral("0") } }, path, &problem));
    EXPECT_TRUE(problem.startsWith(QStringLiteral("无法写入设置文件"))) << problem.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath(QStringLiteral("gone"))));
}

TEST_F(IniWritesTest, AReadOnlySettingsFileIsNamedAsTheCause)
{
    writeBytes(ini(), "[ReelShelfIndex1.02]\nAutoOpen=1\n");
    ASSERT_TRUE(QFile::setPermissions(ini(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QString problem;
    bool written = true;
    ASSERT_TRUE(runAsPlainUser([&] {
        written = IniFile::writeIniStrings(
            { { mainSection, QStringLiteral("AutoOpen"), QStringLiteral("0") } }, ini(), &problem);
    }));
    EXPECT_FALSE(written);
    EXPECT_EQ(problem,
        QStringLiteral("无法写入设置文件 %1：这个文件是只读的。请去掉它的只读属性后再试。")
            .arg(QDir::toNativeSeparators(ini())));
    EXPECT_EQ(readBytes(ini()), QByteArray("[ReelShelfIndex1.02]\nAutoOpen=1\n"));
}

TEST_F(IniWritesTest, ChoicesLeftAsShownKeepTheTextTheFileHolds)
{
    // Texts that read as the choices shown but are not how the dialog writes them.
    const QByteArray head = "[ReelShelfIndex1.02]\nCustomdrive=/media/\xb0\xff\nAutoOpen=01\nEditByHand=01\n"
                            "Setcolor1=-1\nMagicSelect4V=0\n";
    writeBytes(ini(), head);
    const Settings settings(ini());
    const SettingsChoices shown = SettingsChoices::fromSettings(settings);
    SettingsChoices changed = shown;
    changed.magicSelect = true;
    ASSERT_TRUE(IniFile::writeIniStrings(changed.iniWrites(&shown), ini()));
    const QByteArray after = readBytes(ini());
    QByteArray expectedHead = head;
    expectedHead.replace("MagicSelect4V=0", "MagicSelect4V=1");
    EXPECT_TRUE(after.startsWith(expectedHead)) << after.toStdString();
    // Keys the file lacks are still added, as the dialog showed them.
    EXPECT_TRUE(after.contains("\nRidofCD=")) << after.toStdString();
    EXPECT_TRUE(after.contains("[ColumnHeaders]\nColum0=1\n")) << after.toStdString();
    // Without the choices shown, every key is written as the dialog writes it.
    ASSERT_TRUE(IniFile::writeIniStrings(changed.iniWrites(), ini()));
    EXPECT_TRUE(readBytes(ini()).contains("AutoOpen=1\nEditByHand=0\n"));
}

TEST(ColourNumber, RedIsTheLowestByte)
{
    EXPECT_EQ(ColourNumber::fromRgb(255, 248, 242), 15923455u);
    EXPECT_EQ(ColourNumber::fromRgb(251, 223, 195), 12836859u);
    EXPECT_EQ(ColourNumber::fromRgb(1, 0, 0), 1u);
    EXPECT_EQ(ColourNumber::fromRgb(0, 0, 1), 65536u);
    EXPECT_EQ(ColourNumber::fromRgb(255, 255, 255), ColourNumber::largest);
    const quint32 n = 12836859;
    EXPECT_EQ((std::array<int, 3> { ColourNumber::red(n), ColourNumber::green(n), ColourNumber::blue(n) }),
        (std::array<int, 3> { 251, 223, 195 }));
}

TEST(ColourNumber, TextsOutsideTheColoursReadAsNone)
{
    const struct
    {
        const char* text;
        std::optional<quint32> number;
    } cases[] = {
        { "0", 0u },
        { "16777215", 16777215u },
        { "15923455 ", 15923455u },
        { "123abc", 123u },
        { "abc", 0u }, // no leading number reads as 0, as every colour always has
        { "", 0u },
        { "-1", std::nullopt },
        { "16777216", std::nullopt },
        { "1e20", std::nullopt },
        { "4294967296", std::nullopt },
        { "-4294967295", std::nullopt },
        { "1.5e7", 15000000u },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ColourNumber::read(QString::fromLatin1(c.text)), c.number) << c.text;
}

TEST_F(IniWritesTest, AHandEditedColourOutOfRangeReadsAsShipped)
{
    const quint32 shipped1 = 15923455;
    const quint32 shipped2 = 12836859;
    const struct
    {
        const char* stored;
        quint32 expected;
    } cases[]
        = { { "-1", shipped1 }, { "1e20", shipped1 }, { "16777216", shipped1 }, { "255", 255 }, { "0", 0 } };
    for (const auto& c : cases) {
        writeBytes(ini(), QByteArray("[ReelShelfIndex1.02]\nSetcolor1=") + c.stored + "\n");
        const Settings s(ini());
        EXPECT_EQ(s.colour(QStringLiteral("SetColor1")), c.expected) << c.stored;
        EXPECT_EQ(s.colour(QStringLiteral("Setcolor2")), shipped2) << "a missing key";
    }
}

TEST(SettingsChoices, ReadFromTheFileAndWrittenInTheProgramsOrder)
{
    TestHome home;
    writeBytes(home.folder().settingsFile(),
        "[ReelShelfIndex1.02]\nCustomdrive=G:\\\nEditByHand=1\nAutoSelect=0\nRidofBbs=1\nRidofCD=2\n"
        "RidofDot=1.0\nAutoOpen=x\nSetcolor1=-1\nSetcolor2=255\nMagicSelect4V=0\n"
        "[ColumnHeaders]\nColum0=0\nColum1=1\n");
    const SettingsChoices c = SettingsChoices::fromSettings(Settings(home.folder().settingsFile()));
    EXPECT_EQ(c.customDrive, QStringLiteral("G:\\"));
    EXPECT_TRUE(c.editByHand);
    EXPECT_FALSE(c.autoSelect);
    EXPECT_TRUE(c.ridofBbs);
    EXPECT_FALSE(c.ridofCD);
    EXPECT_TRUE(c.ridofDot);
    EXPECT_TRUE(c.autoOpen); // not a number: the shipped value
    EXPECT_FALSE(c.magicSelect);
    EXPECT_EQ(c.colours, (std::array<QString, 2> { QStringLiteral("15923455"), QStringLiteral("255") }));
    EXPECT_FALSE(c.columns[0]);
    EXPECT_TRUE(c.columns[1]);
    EXPECT_TRUE(c.columns[2]); // missing: the shipped value

    QStringList keys;
    for (const IniFile::Write& w : c.iniWrites())
        keys << w.key + u'=' + w.value;
    EXPECT_EQ(keys.join(u' '),
        QStringLiteral("Customdrive=G:\\ EditByHand=1 AutoSelect=0 RidofDot=1 RidofCD=0 RidofBbs=1 "
                       "AutoOpen=1 Setcolor1=15923455 Setcolor2=255 Colum0=0 Colum1=1 Colum2=1 Colum3=1 "
                       "Colum4=1 Colum5=1 Colum6=1 Colum7=1 Colum8=0 Colum9=0 Colum10=0 Colum11=0 "
                       "Colum12=1 Colum13=1 Colum14=0 Colum15=0 Colum16=0 MagicSelect4V=0"));
}

TEST(SettingsChoices, EditByHandIsManualOnlyForExactlyOne)
{
    const struct
    {
        const char* stored;
        bool manual;
    } cases[]
        = { { "1", true }, { " 1 ", true }, { "0", false }, { "1.0", false }, { "2", false }, { "", false } };
    TestHome home;
    for (const auto& c : cases) {
        writeBytes(
            home.folder().settingsFile(), QByteArray("[ReelShelfIndex1.02]\nEditByHand=") + c.stored + "\n");
        EXPECT_EQ(SettingsChoices::fromSettings(Settings(home.folder().settingsFile())).editByHand, c.manual)
            << c.stored;
    }
}

TEST(SettingsChoices, OnlyAnExactYesTicksAFileType)
{
    const QVariant null;
    const QList<FileTypeRecord> records = {
        { QStringLiteral(" avi "), QStringLiteral("Yes"), QStringLiteral(" AVI 视频 "), 1 },
        { QStringLiteral("rm"), QStringLiteral("Yes "), null, 2 },
        { QStringLiteral("mkv"), QStringLiteral("yes"), null, 3 },
        { QStringLiteral("ts"), QStringLiteral("YES"), null, 4 },
        { QStringLiteral("mov"), null, null, 7 },
    };
    const auto types = SettingsChoices::fileTypesOf(records);
    ASSERT_EQ(types.size(), 5);
    QStringList got;
    for (const auto& t : types)
        got << QStringLiteral("%1:%2:%3:%4")
                   .arg(t.rowId)
                   .arg(t.name, QLatin1String(t.selected ? "Y" : "N"), t.memo);
    EXPECT_EQ(got, (QStringList { "1:avi:Y:AVI 视频", "2:rm:Y:", "3:mkv:N:", "4:ts:N:", "7:mov:N:" }));
}

TEST(CatalogueFileTypes, SelectedIsSetOnTheRowItWasReadFrom)
{
    TestHome home;
    home.exec(QStringLiteral("DELETE FROM MovieFileType"));
    home.exec(QStringLiteral("INSERT INTO MovieFileType VALUES ('avi', 'No', NULL), ('mkv', 'No', NULL), "
                             "('rm', 'Yes', NULL)"));
    Catalogue catalogue(home.folder().catalogueFile());
    const auto read = catalogue.fileTypes();
    ASSERT_TRUE(read && read->size() == 3);
    // Another program deletes the first row meanwhile and adds one at the end.
    home.exec(QStringLiteral("DELETE FROM MovieFileType WHERE Filetype = 'avi'"));
    home.exec(QStringLiteral("INSERT INTO MovieFileType VALUES ('wmv', 'Yes', NULL)"));
    QString error;
    ASSERT_TRUE(catalogue.setFileTypesSelected(
        { { read->at(0).rowId, true }, { read->at(1).rowId, true }, { read->at(2).rowId, false } }, &error))
        << error.toStdString();
    EXPECT_EQ(home.fileTypeRows(), (QStringList { "mkv|Yes", "rm|No", "wmv|Yes" }));
}

TEST(CatalogueFileTypes, ALockedCatalogueChangesNoRow)
{
    TestHome home;
    Catalogue catalogue(home.folder().catalogueFile());
    const auto read = catalogue.fileTypes();
    ASSERT_TRUE(read && !read->isEmpty());
    const QStringList before = home.fileTypeRows();

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
    db.setDatabaseName(home.folder().catalogueFile());
    ASSERT_TRUE(db.open());
    {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QList<std::pair<qint64, bool>> all;
        for (const FileTypeRecord& r : *read)
            all.append({ r.rowId, false });
        QString error;
        EXPECT_FALSE(catalogue.setFileTypesSelected(all, &error));
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(home.folder().catalogueFile())))
            << error.toStdString();
        q.exec(QStringLiteral("ROLLBACK"));
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));
    EXPECT_EQ(home.fileTypeRows(), before);
}
