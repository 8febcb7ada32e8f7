#include "diskconditions.h"
#include "store/inifile.h"
#include "store/settings.h"
#include "store/textrules.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <array>
#include <gtest/gtest.h>
#include <sys/stat.h>

using IniFile::readIniString;
using IniFile::writeIniString;

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    QString ini() const { return dir_.filePath(QStringLiteral("RSISet.ini")); }
    QTemporaryDir dir_;
};

const QString mainSection = QStringLiteral("ReelShelfIndex1.02");

} // namespace

TEST_F(IniFileTest, NamesMatchWithoutRegardToLetterCase)
{
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("Setcolor1"), QStringLiteral("15923455"), ini()));
    EXPECT_EQ(readIniString(QStringLiteral("reelshelfindex1.02"), QStringLiteral("SetColor1"), ini()),
        QStringLiteral("15923455"));

    ASSERT_TRUE(writeIniString(QStringLiteral("REELSHELFINDEX1.02"), QStringLiteral("SetColor2"),
        QStringLiteral("12836859"), ini()));
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("Setcolor2"), ini()), QStringLiteral("12836859"));

    // Writing under another spelling replaces the entry rather than adding a second one.
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("SETCOLOR1"), QStringLiteral("255"), ini()));
    const QString text = QString::fromUtf8(readBytes(ini()));
    EXPECT_EQ(text.count(QStringLiteral("color1"), Qt::CaseInsensitive), 1) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("[ReelShelfIndex1.02]"), Qt::CaseInsensitive), 1)
        << text.toStdString();
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("Setcolor1"), ini()), QStringLiteral("255"));
}

TEST_F(IniFileTest, AnythingMissingReadsEmpty)
{
    EXPECT_TRUE(readIniString(mainSection, QStringLiteral("AutoOpen"), ini()).isEmpty());
    writeBytes(ini(), "[ColumnHeaders]\nColum0=1\n");
    EXPECT_TRUE(readIniString(mainSection, QStringLiteral("Colum0"), ini()).isEmpty());
    EXPECT_TRUE(readIniString(QStringLiteral("ColumnHeaders"), QStringLiteral("Colum1"), ini()).isEmpty());
    // A key of the same name in another section is not the key asked for.
    writeBytes(ini(), "[Other]\nAutoOpen=1\n[ReelShelfIndex1.02]\nEditByHand=0\n");
    EXPECT_TRUE(readIniString(mainSection, QStringLiteral("AutoOpen"), ini()).isEmpty());
}

TEST_F(IniFileTest, ValuesAreReadAsWritten)
{
    writeBytes(ini(),
        "; shipped settings\r\n[ReelShelfIndex1.02]\r\nCustomdrive = G:\\ \r\nName=  两个 词  \r\n"
        "Empty=\r\n");
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("Customdrive"), ini()), QStringLiteral("G:\\"));
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("Name"), ini()), QStringLiteral("两个 词"));
    EXPECT_TRUE(readIniString(mainSection, QStringLiteral("Empty"), ini()).isEmpty());

    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("Customdrive"), QStringLiteral("H:\\"), ini()));
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("Customdrive"), ini()), QStringLiteral("H:\\"));
}

TEST_F(IniFileTest, ByteOrderMarkIsReadAndKept)
{
    writeBytes(ini(), "\xEF\xBB\xBF[ReelShelfIndex1.02]\nAutoOpen=1\n");
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("AutoOpen"), ini()), QStringLiteral("1"));
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("AutoOpen"), QStringLiteral("0"), ini()));
    EXPECT_EQ(readBytes(ini()), QByteArray("\xEF\xBB\xBF[ReelShelfIndex1.02]\nAutoOpen=0\n"));
}

TEST_F(IniFileTest, Utf16WithoutAByteOrderMarkIsReadAndKeptAsItCame)
{
    const QString text = QStringLiteral("[ReelShelfIndex1.02]\r\nCustomdrive=/media/光驱\r\nAutoOpen=1\r\n");
    const QByteArray wide = TextRules::encodeText(text, TextRules::TextEncoding::Utf16Le);
    writeBytes(ini(), wide);
    EXPECT_EQ(
        readIniString(mainSection, QStringLiteral("Customdrive"), ini()), QStringLiteral("/media/光驱"));
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("AutoOpen"), QStringLiteral("0"), ini()));
    EXPECT_EQ(readBytes(ini()),
        TextRules::encodeText(
            QString(text).replace(QStringLiteral("AutoOpen=1"), QStringLiteral("AutoOpen=0")),
            TextRules::TextEncoding::Utf16Le));
}

TEST_F(IniFileTest, Utf16LinesInNoEncodingSurviveAWriteByteForByte)
{
    // Half a character in a comment and a byte left over at the end, in both byte orders: a write
    // of another key keeps them as they were.
    for (const auto encoding : { TextRules::TextEncoding::Utf16Le, TextRules::TextEncoding::Utf16Be }) {
        const auto wide = [&](QStringView text) { return TextRules::encodeText(text, encoding); };
        const bool little = encoding == TextRules::TextEncoding::Utf16Le;
        const QByteArray halfCharacter = little ? QByteArray("\x00\xD8", 2) : QByteArray("\xD8\x00", 2);
        const QByteArray before = (little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF")) + wide(u"; ")
            + halfCharacter + wide(u"\r\n[ReelShelfIndex1.02]\r\nAutoOpen=1\r\n") + "1";
        writeBytes(ini(), before);
        EXPECT_EQ(readIniString(mainSection, QStringLiteral("AutoOpen"), ini()), QStringLiteral("1"));
        ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("AutoOpen"), QStringLiteral("0"), ini()));
        QByteArray expected = before;
        expected.replace(wide(u"AutoOpen=1"), wide(u"AutoOpen=0"));
        EXPECT_EQ(readBytes(ini()), expected);

        // A section added after them is read back, and the left-over byte stays the last one.
        ASSERT_TRUE(
            writeIniString(QStringLiteral("其它"), QStringLiteral("Key"), QStringLiteral("值"), ini()));
        EXPECT_EQ(readIniString(QStringLiteral("其它"), QStringLiteral("Key"), ini()), QStringLiteral("值"));
        EXPECT_EQ(readIniString(mainSection, QStringLiteral("AutoOpen"), ini()), QStringLiteral("0"));
        expected.chop(1);
        EXPECT_EQ(readBytes(ini()), expected + wide(u"\r\n[其它]\r\nKey=值\r\n") + "1");
    }
}

TEST_F(IniFileTest, AWriteThatWouldHideTheEncodingMarksIt)
{
    // A short UTF-16 file without a mark is told by its characters; once a Cyrillic folder is
    // written into it, it gets the mark, and every key still reads as it was written.
    const QString text = QStringLiteral("[ReelShelfIndex1.02]\r\nAutoOpen=1\r\n");
    writeBytes(ini(), TextRules::encodeText(text, TextRules::TextEncoding::Utf16Le));
    const QString folder = QStringLiteral("/media/Фильмы/Документальные/Сериалы");
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("Customdrive"), folder, ini()));
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("Customdrive"), ini()), folder);
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("AutoOpen"), ini()), QStringLiteral("1"));
    EXPECT_TRUE(readBytes(ini()).startsWith("\xFF\xFE"));
}

TEST_F(IniFileTest, LongValuesAreCut)
{
    const QString longValue(12000, u'x');
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("Long"), longValue, ini()));
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("Long"), ini()).size(), IniFile::MaxValueLength);
    EXPECT_EQ(IniFile::MaxValueLength, 9999);
}

TEST_F(IniFileTest, WriterReplacesInPlaceAndKeepsEveryOtherLine)
{
    const QByteArray before = "; comment at the top\n"
                              "[ReelShelfIndex1.02]\n"
                              "Customdrive=D:\\\n"
                              "# another comment\n"
                              "AutoOpen=1\n"
                              "\n"
                              "[ColumnHeaders]\n"
                              "Colum0=1\n";
    writeBytes(ini(), before);
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("AutoOpen"), QStringLiteral("0"), ini()));
    QByteArray expected = before;
    expected.replace("AutoOpen=1", "AutoOpen=0");
    EXPECT_EQ(readBytes(ini()), expected);

    // A new key joins the end of its own section, before the blank line that separates sections.
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("RidofCD"), QStringLiteral("1"), ini()));
    expected.replace("AutoOpen=0\n", "AutoOpen=0\nRidofCD=1\n");
    EXPECT_EQ(readBytes(ini()), expected);

    ASSERT_TRUE(writeIniString(
        QStringLiteral("ColumnHeaders"), QStringLiteral("Colum0"), QStringLiteral("0"), ini()));
    ASSERT_TRUE(writeIniString(
        QStringLiteral("ColumnHeaders"), QStringLiteral("Colum0"), QStringLiteral("0"), ini()));
    expected.replace("Colum0=1", "Colum0=0");
    EXPECT_EQ(readBytes(ini()), expected);
}

TEST_F(IniFileTest, WriterCreatesFileSectionAndKey)
{
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("AutoOpen"), QStringLiteral("1"), ini()));
    EXPECT_EQ(readBytes(ini()), QByteArray("[ReelShelfIndex1.02]\nAutoOpen=1\n"));
    ASSERT_TRUE(writeIniString(
        QStringLiteral("ColumnHeaders"), QStringLiteral("Colum3"), QStringLiteral("0"), ini()));
    EXPECT_EQ(
        readIniString(QStringLiteral("ColumnHeaders"), QStringLiteral("Colum3"), ini()), QStringLiteral("0"));
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("AutoOpen"), ini()), QStringLiteral("1"));
}

TEST_F(IniFileTest, WriterKeepsWindowsLineEnds)
{
    writeBytes(ini(), "[ReelShelfIndex1.02]\r\nAutoOpen=1\r\nRidofDot=1\r\n");
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("autoopen"), QStringLiteral("0"), ini()));
    EXPECT_EQ(readBytes(ini()), QByteArray("[ReelShelfIndex1.02]\r\nAutoOpen=0\r\nRidofDot=1\r\n"));
}

TEST_F(IniFileTest, ValueWithLineBreakIsRefused)
{
    writeBytes(ini(), "[ReelShelfIndex1.02]\nCustomdrive=D:\\\n");
    EXPECT_FALSE(
        writeIniString(mainSection, QStringLiteral("Customdrive"), QStringLiteral("E:\\\nX=1"), ini()));
    EXPECT_FALSE(writeIniString(mainSection, QStringLiteral("Customdrive"), QStringLiteral("E:\\\r"), ini()));
    EXPECT_EQ(readBytes(ini()), QByteArray("[ReelShelfIndex1.02]\nCustomdrive=D:\\\n"));
}

TEST_F(IniFileTest, OlderChineseEncodingIsRead)
{
    // "光驱" and "电影" in GB18030; these bytes are not valid UTF-8.
    writeBytes(ini(), "[ReelShelfIndex1.02]\nCustomdrive=\xb9\xe2\xc7\xfd\n[\xb5\xe7\xd3\xb0]\nKey=1\n");
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("Customdrive"), ini()), QStringLiteral("光驱"));
    EXPECT_EQ(readIniString(QStringLiteral("电影"), QStringLiteral("Key"), ini()), QStringLiteral("1"));

    // A write keeps the file in the encoding it came in, every other line byte for byte.
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("AutoOpen"), QStringLiteral("0"), ini()));
    EXPECT_EQ(readBytes(ini()),
        QByteArray(
            "[ReelShelfIndex1.02]\nCustomdrive=\xb9\xe2\xc7\xfd\nAutoOpen=0\n[\xb5\xe7\xd3\xb0]\nKey=1\n"));
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("Customdrive"), QStringLiteral("电影"), ini()));
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("Customdrive"), ini()), QStringLiteral("电影"));
    EXPECT_TRUE(readBytes(ini()).contains("Customdrive=\xb5\xe7\xd3\xb0\n"));
}

TEST_F(IniFileTest, AWrittenChineseValueDoesNotTurnADamagedGbkFileAround)
{
    // "光" and half a character: GBK with a damaged end. "值" in GBK is also two bytes of valid
    // UTF-8; written into the file, it must still read as "值" and the drive as before.
    writeBytes(ini(), "[ReelShelfIndex1.02]\nCustomdrive=\xb9\xe2\xc7\n");
    const QString drive = readIniString(mainSection, QStringLiteral("Customdrive"), ini());
    EXPECT_TRUE(drive.startsWith(QStringLiteral("光")));
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("Name"), QStringLiteral("值"), ini()));
    EXPECT_EQ(
        readBytes(ini()), QByteArray("[ReelShelfIndex1.02]\nCustomdrive=\xb9\xe2\xc7\nName=\xd6\xb5\n"));
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("Name"), ini()), QStringLiteral("值"));
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("Customdrive"), ini()), drive);
}

TEST_F(IniFileTest, ADamagedFileThatAWriteWouldMakeUnreadableIsNotWritten)
{
    // GBK with a NUL in it: the written value would make the whole file look like UTF-16, in
    // which no key reads as written. Nothing is written, and the user is told why.
    const QByteArray damaged("\xb9\xe2\x00x\n", 5);
    writeBytes(ini(), damaged);
    QString problem;
    EXPECT_FALSE(IniFile::writeIniString(
        QStringLiteral("S"), QStringLiteral("k"), QString(200, u'a') + QString(200, u'b'), ini(), &problem));
    EXPECT_EQ(problem,
        QStringLiteral(
            "设置文件 %1 已损坏（含有空字节等不属于文本的内容），写入后将无法正确读取，因此没有写入。"
            "请检查或移走这个文件后再试。")
            .arg(QDir::toNativeSeparators(ini())));
    EXPECT_EQ(readBytes(ini()), damaged);
}

TEST_F(IniFileTest, AStrayByteNeitherGarblesNorDestroysTheFile)
{
    // Another editor saved a Latin-1 comment into an otherwise UTF-8 file.
    const QByteArray before = QByteArray("; caf\xE9\n")
        + QStringLiteral("[ReelShelfIndex1.02]\nCustomdrive=/media/中文\n"
                         "AutoOpen=1\n")
              .toUtf8();
    writeBytes(ini(), before);
    EXPECT_EQ(
        readIniString(mainSection, QStringLiteral("Customdrive"), ini()), QStringLiteral("/media/中文"));
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("AutoOpen"), ini()), QStringLiteral("1"));
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("AutoOpen"), QStringLiteral("0"), ini()));
    QByteArray expected = before;
    expected.replace("AutoOpen=1", "AutoOpen=0");
    EXPECT_EQ(readBytes(ini()), expected);
}

TEST_F(IniFileTest, LinesInNoKnownEncodingSurviveAWriteByteForByte)
{
    const QByteArray garbage = "[ReelShelfIndex1.02]\nCustomdrive=\xff\xff\x80\xff\nAutoOpen=0\n";
    writeBytes(ini(), garbage);
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("AutoOpen"), ini()), QStringLiteral("0"));
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("AutoOpen"), QStringLiteral("1"), ini()));
    EXPECT_EQ(
        readBytes(ini()), QByteArray("[ReelShelfIndex1.02]\nCustomdrive=\xff\xff\x80\xff\nAutoOpen=1\n"));
}

TEST_F(IniFileTest, AValueWrittenAsItReadsKeepsItsBytes)
{
    // A drive in no encoding, a quoted one and blanks around '=': written back as read, the
    // lines stay as they are, while the key that changes is rewritten.
    const QByteArray before
        = "[ReelShelfIndex1.02]\nCustomdrive=/media/\xb0\xff\nQuoted = \"D:\\\" \nAutoOpen=0\n";
    writeBytes(ini(), before);
    const QString drive = readIniString(mainSection, QStringLiteral("Customdrive"), ini());
    const QString quoted = readIniString(mainSection, QStringLiteral("Quoted"), ini());
    EXPECT_EQ(quoted, QStringLiteral("D:\\"));
    ASSERT_TRUE(
        IniFile::writeIniStrings({ { mainSection, QStringLiteral("Customdrive"), drive },
                                     { mainSection, QStringLiteral("Quoted"), quoted },
                                     { mainSection, QStringLiteral("AutoOpen"), QStringLiteral("1") } },
            ini()));
    QByteArray expected = before;
    expected.replace("AutoOpen=0", "AutoOpen=1");
    EXPECT_EQ(readBytes(ini()), expected);
}

TEST(IniFileLoad, AReadThatBreaksOffIsNotTakenForTheFile)
{
    // Reading this file fails at once with an I/O error; a save must not write its "content" back.
    const QString path = QStringLiteral("/proc/self/mem");
    IniFile::Document document;
    QString problem;
    EXPECT_EQ(
        IniFile::load(path, &document, &problem, IniFile::Moment::Save), IniFile::LoadResult::Unreadable);
    EXPECT_TRUE(problem.startsWith(QStringLiteral("无法读取设置文件 /proc/self/mem：读取时出错（")))
        << problem.toStdString();
    EXPECT_TRUE(problem.endsWith(QStringLiteral("，因此无法改写它。请检查这个文件后再试。")))
        << problem.toStdString();
}

// A pipe would wait for a writer for ever and /dev/zero would fill the memory: neither is read,
// and a save refuses to replace them.
TEST_F(IniFileTest, PipesAndDevicesAreNeverReadAsSettings)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(ini()).constData(), 0644), 0);
    const QString zero = dir_.filePath(QStringLiteral("zero/RSISet.ini"));
    ASSERT_TRUE(QDir().mkpath(dir_.filePath(QStringLiteral("zero"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    for (const QString& path : { ini(), zero }) {
        IniFile::Document document;
        QString problem;
        EXPECT_EQ(IniFile::load(path, &document, &problem, IniFile::Moment::Start),
            IniFile::LoadResult::Unreadable);
        EXPECT_TRUE(problem.contains(QStringLiteral("不是普通文件"))) << problem.toStdString();
        EXPECT_EQ(readIniString(mainSection, QStringLiteral("AutoOpen"), path), QString());
        EXPECT_FALSE(
            writeIniString(mainSection, QStringLiteral("AutoOpen"), QStringLiteral("1"), path, &problem));
    }
    EXPECT_FALSE(QFileInfo(ini()).isFile());
}

TEST_F(IniFileTest, AFullDiskFailsTheWriteAndKeepsTheFile)
{
    FullDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small disk needs root";
    const QString path = disk.path(QStringLiteral("RSISet.ini"));
    const QByteArray before = Settings::shipped().toBytes();
    writeBytes(path, before);
    disk.fill();
    QString problem;
    EXPECT_FALSE(
        writeIniString(mainSection, QStringLiteral("AutoOpen"), QStringLiteral("0"), path, &problem));
    EXPECT_EQ(problem,
        QStringLiteral("无法写入设置文件 %1：磁盘已满。请腾出磁盘空间后再试。")
            .arg(QDir::toNativeSeparators(path)));
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
        (QStringList { QStringLiteral(".filler"), QStringLiteral("RSISet.ini") }));
    // Nothing to change is nothing to write, so it succeeds on the full disk.
    const QString stored = readIniString(mainSection, QStringLiteral("AutoOpen"), path);
    EXPECT_TRUE(writeIniString(mainSection, QStringLiteral("AutoOpen"), stored, path, &problem));
}

TEST_F(IniFileTest, OnlyTheFirstSectionOfANameCountsAndOnlySemicolonsComment)
{
    writeBytes(ini(),
        "[ReelShelfIndex1.02]\nAutoOpen=0\n#Tag=hash\n;Note=comment\n"
        "[reelshelfindex1.02]\nAutoOpen=1\nRidofCD=1\n");
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("AutoOpen"), ini()), QStringLiteral("0"));
    EXPECT_TRUE(readIniString(mainSection, QStringLiteral("RidofCD"), ini()).isEmpty());
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("#Tag"), ini()), QStringLiteral("hash"));
    EXPECT_TRUE(readIniString(mainSection, QStringLiteral(";Note"), ini()).isEmpty());
    // The writer agrees with the reader: the key goes into the first section.
    ASSERT_TRUE(writeIniString(mainSection, QStringLiteral("RidofCD"), QStringLiteral("0"), ini()));
    EXPECT_EQ(readIniString(mainSection, QStringLiteral("RidofCD"), ini()), QStringLiteral("0"));
    EXPECT_TRUE(readBytes(ini()).endsWith("AutoOpen=1\nRidofCD=1\n"));
}

TEST_F(IniFileTest, AnOversizedFileIsNeitherReadNorWritten)
{
    QByteArray huge = "[ReelShelfIndex1.02]\nAutoOpen=0\n";
    huge += QByteArray(int(IniFile::MaxFileSize), ';');
    writeBytes(ini(), huge);
    EXPECT_TRUE(readIniString(mainSection, QStringLiteral("AutoOpen"), ini()).isEmpty());
    QString problem;
    EXPECT_FALSE(
        writeIniString(mainSection, QStringLiteral("AutoOpen"), QStringLiteral("1"), ini(), &problem));
    EXPECT_TRUE(problem.contains(QStringLiteral("太大"))) << problem.toStdString();
    EXPECT_EQ(readBytes(ini()).size(), huge.size());
    const Settings s(ini());
    EXPECT_TRUE(s.autoOpen()) << "the shipped value holds while the file is refused";
    EXPECT_TRUE(s.problem().contains(QDir::toNativeSeparators(ini()))) << s.problem().toStdString();
}

TEST_F(IniFileTest, WriteIntoImpossibleFolderFails)
{
    writeBytes(dir_.filePath(QStringLiteral("plain")), "not a folder");
    const QString path = dir_.filePath(QStringLiteral("plain/RSISet.ini"));
    EXPECT_FALSE(writeIniString(mainSection, QStringLiteral("AutoOpen"), QStringLiteral("1"), path));
    EXPECT_EQ(readBytes(dir_.filePath(QStringLiteral("plain"))), QByteArray("not a folder"));
}

TEST_F(IniFileTest, WriteIntoReadOnlyFolderLeavesTheOldFile)
{
    const QString sub = dir_.filePath(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkpath(sub));
    const QString path = sub + QStringLiteral("/RSISet.ini");
    writeBytes(path, "[ReelShelfIndex1.02]\nAutoOpen=1\n");
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::ExeOwner);
    bool written = true;
    QString problem;
    ASSERT_TRUE(runAsPlainUser([&] {
        written
            = writeIniString(mainSection, QStringLiteral("AutoOpen"), QStringLiteral("0"), path, &problem);
    }));
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(written);
    EXPECT_EQ(problem,
        QStringLiteral("无法写入设置文件 %1：没有在文件夹 %2 "
                       "中写入的权限。请检查这个文件夹的权限，或换一个文件夹后再试。")
            .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(sub)));
    EXPECT_EQ(readBytes(path), QByteArray("[ReelShelfIndex1.02]\nAutoOpen=1\n"));
}

// ---- Typed settings ----

TEST_F(IniFileTest, SwitchesAreOnOnlyForTheNumberOne)
{
    writeBytes(ini(), "[ReelShelfIndex1.02]\nA=1\nB=0\nC= 1 \nD=1.0\nE=2\nF=yes\nG=\nH=1x\n");
    const Settings s(ini());
    const QString sec = Settings::mainSection();
    EXPECT_TRUE(s.isOn(sec, QStringLiteral("A"), false));
    EXPECT_FALSE(s.isOn(sec, QStringLiteral("B"), true));
    EXPECT_TRUE(s.isOn(sec, QStringLiteral("C"), false));
    EXPECT_TRUE(s.isOn(sec, QStringLiteral("D"), false));
    EXPECT_FALSE(s.isOn(sec, QStringLiteral("E"), true));
    // Not a number, empty or missing: the fallback, whichever it is.
    for (const char* key : { "F", "G", "H", "Missing" }) {
        EXPECT_TRUE(s.isOn(sec, QString::fromLatin1(key), true)) << key;
        EXPECT_FALSE(s.isOn(sec, QString::fromLatin1(key), false)) << key;
    }
}

TEST_F(IniFileTest, ColumnWidths)
{
    writeBytes(ini(),
        "[ColumnHeaders]\n"
        "Colum0=1\nColumLen0=3000\n"
        "Colum3=0\nColumLen3=1800\n"
        "Colum4=1\nColumLen4=\n"
        "Colum5=1\nColumLen5=wide\n"
        "Colum6=1\nColumLen6=1200twips\n"
        "Colum7=1\nColumLen7=99999\n"
        "Colum16=1\nColumLen16=900\n");
    const Settings s(ini());
    EXPECT_EQ(s.columnWidthTwips(0), 3000);
    EXPECT_EQ(s.columnWidthTwips(3), 0);
    EXPECT_EQ(s.columnWidthTwips(4), 0);
    EXPECT_EQ(s.columnWidthTwips(5), 0);
    EXPECT_EQ(s.columnWidthTwips(6), 1200);
    EXPECT_EQ(s.columnWidthTwips(7), 32767);
    EXPECT_EQ(s.columnWidthTwips(16), 900);
    // Colum1 and its width are missing: shown as shipped, at the shipped width.
    EXPECT_EQ(s.columnWidthTwips(1), 750);
    // Colum8 is missing and hidden as shipped.
    EXPECT_EQ(s.columnWidthTwips(8), 0);
}

TEST_F(IniFileTest, AMissingFileOrKeyReadsAsShipped)
{
    // A read-only data folder may leave no settings file at all; the list must still show.
    const Settings none(ini());
    EXPECT_EQ(none.colour(QStringLiteral("Setcolor1")), 15923455u);
    EXPECT_EQ(none.colour(QStringLiteral("Setcolor2")), 12836859u);
    EXPECT_TRUE(none.autoOpen());
    EXPECT_EQ(none.columnWidthTwips(0), 3000);
    EXPECT_EQ(none.columnWidthTwips(8), 0);
    EXPECT_TRUE(none.problem().isEmpty());

    // Present but empty or not a number is the user's value: 0 for a colour or width, the shipped
    // value for a switch.
    writeBytes(
        ini(), "[ReelShelfIndex1.02]\nSetcolor1=\nAutoOpen=on\n[ColumnHeaders]\nColumLen0=\nColum2=x\n");
    const Settings some(ini());
    EXPECT_EQ(some.colour(QStringLiteral("Setcolor1")), 0u);
    EXPECT_EQ(some.colour(QStringLiteral("Setcolor2")), 12836859u);
    EXPECT_TRUE(some.autoOpen());
    EXPECT_EQ(some.columnWidthTwips(0), 0);
    EXPECT_EQ(some.columnWidthTwips(2), 750);
}

TEST_F(IniFileTest, TheFileIsReadOnceUntilItChanges)
{
    writeBytes(ini(), "[ReelShelfIndex1.02]\nAutoOpen=0\n");
    const Settings s(ini());
    for (int i = 0; i < 36; ++i)
        EXPECT_FALSE(s.autoOpen());
    EXPECT_EQ(s.loads(), 1);
    ASSERT_TRUE(
        writeIniString(Settings::mainSection(), QStringLiteral("AutoOpen"), QStringLiteral("1"), ini()));
    EXPECT_TRUE(s.autoOpen());
    EXPECT_TRUE(s.autoOpen());
    EXPECT_EQ(s.loads(), 2);
}

TEST_F(IniFileTest, ColoursReadAsWindowsColourReferences)
{
    writeBytes(ini(), "[ReelShelfIndex1.02]\nSetcolor1=15923455\nSetcolor2=12836859\nSetColor3=red\n");
    const Settings s(ini());
    const auto rgb = [](quint32 c) {
        return std::array<int, 3> { int(c & 0xff), int((c >> 8) & 0xff), int((c >> 16) & 0xff) };
    };
    EXPECT_EQ(rgb(s.colour(QStringLiteral("SetColor1"))), (std::array<int, 3> { 255, 248, 242 }));
    EXPECT_EQ(rgb(s.colour(QStringLiteral("SETCOLOR2"))), (std::array<int, 3> { 251, 223, 195 }));
    EXPECT_EQ(s.colour(QStringLiteral("Setcolor3")), 0u);
    EXPECT_EQ(s.colour(QStringLiteral("Setcolor4")), 0u);
}

TEST_F(IniFileTest, SettingsSeeChangesAtTheNextRead)
{
    const Settings s(ini());
    ASSERT_TRUE(
        writeIniString(Settings::mainSection(), QStringLiteral("AutoOpen"), QStringLiteral("0"), ini()));
    EXPECT_FALSE(s.autoOpen());
    ASSERT_TRUE(
        writeIniString(Settings::mainSection(), QStringLiteral("AutoOpen"), QStringLiteral("1"), ini()));
    EXPECT_TRUE(s.autoOpen());
}

TEST(ShippedSettings, CarryEveryKeyWithTheRestoredDefaults)
{
    const TestHome home;
    const QString path = home.folder().settingsFile();
    const Settings s(path);
    for (const char* key : { "Customdrive", "EditByHand", "AutoSelect", "RidofBbs", "RidofCD", "RidofDot",
             "AutoOpen", "Setcolor1", "Setcolor2", "MagicSelect4V" })
        EXPECT_FALSE(s.text(Settings::mainSection(), QString::fromLatin1(key)).isEmpty()) << key;
    EXPECT_EQ(s.colour(QStringLiteral("Setcolor1")), 15923455u);
    EXPECT_EQ(s.colour(QStringLiteral("Setcolor2")), 12836859u);
    for (int i = 0; i <= 16; ++i) {
        const QString n = QString::number(i);
        const bool shown = (i <= 7) || i == 12 || i == 13;
        EXPECT_EQ(s.text(Settings::columnSection(), QStringLiteral("Colum") + n),
            shown ? QStringLiteral("1") : QStringLiteral("0"))
            << i;
        EXPECT_GT(
            TextRules::numericValue(s.text(Settings::columnSection(), QStringLiteral("ColumLen") + n)), 0)
            << i;
        EXPECT_EQ(s.columnWidthTwips(i) > 0, shown) << i;
    }
}
