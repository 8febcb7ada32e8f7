#include "store/textrules.h"
#include "testsupport.h"

#include <QVariant>
#include <clocale>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

using namespace TextRules;

namespace {

// Switches the C library's number format for one test and restores it after.
class ScopedNumericLocale
{
public:
    explicit ScopedNumericLocale(const char* name)
        : old_(std::setlocale(LC_NUMERIC, nullptr))
        , active_(std::setlocale(LC_NUMERIC, name) != nullptr)
    {
    }
    ~ScopedNumericLocale() { std::setlocale(LC_NUMERIC, old_.c_str()); }
    ScopedNumericLocale(const ScopedNumericLocale&) = delete;
    ScopedNumericLocale& operator=(const ScopedNumericLocale&) = delete;
    bool active() const { return active_; }

private:
    std::string old_;
    bool active_;
};

} // namespace

TEST(TextRules, TrimRemovesBlanksOnly)
{
    EXPECT_EQ(trimBlanks(QStringLiteral("  DVD ")), QStringLiteral("DVD"));
    EXPECT_EQ(trimBlanks(QStringLiteral("\tDVD\n")), QStringLiteral("\tDVD\n"));
    EXPECT_EQ(trimBlanks(QStringLiteral("\u3000片名\u3000 ")), QStringLiteral("\u3000片名\u3000"));
    EXPECT_EQ(trimBlanks(QStringLiteral("   ")), QString());
    EXPECT_EQ(trimBlanks(QStringLiteral(" 中 间 ")), QStringLiteral("中 间"));
}

TEST(TextRules, NumericReadingTakesTheLeadingNumber)
{
    EXPECT_EQ(numericValue(QStringLiteral("2007年")), 2007);
    EXPECT_EQ(numericValue(QStringLiteral("abc")), 0);
    EXPECT_EQ(numericValue(QStringLiteral(" 7.5/10")), 7.5);
    EXPECT_EQ(numericValue(QString()), 0);
    EXPECT_EQ(numericValue(QStringLiteral(".")), 0);
    EXPECT_EQ(numericValue(QStringLiteral("-")), 0);
    EXPECT_EQ(numericValue(QStringLiteral("1.2.3")), 1.2);
    EXPECT_EQ(numericValue(QStringLiteral("1,000")), 1);
    EXPECT_EQ(numericValue(QStringLiteral(".5")), 0.5);
    // A number only begins after blanks and tabs, not after other white space.
    EXPECT_EQ(numericValue(QStringLiteral("\n5")), 0);
    EXPECT_EQ(numericValue(QStringLiteral("\u30005")), 0);
}

TEST(TextRules, NumericReadingHandlesSignsExponentsAndInnerBlanks)
{
    EXPECT_EQ(numericValue(QStringLiteral("-12")), -12);
    EXPECT_EQ(numericValue(QStringLiteral("+3.25x")), 3.25);
    EXPECT_EQ(numericValue(QStringLiteral("- 4")), -4);
    EXPECT_EQ(numericValue(QStringLiteral("--4")), 0);
    EXPECT_EQ(numericValue(QStringLiteral("1e3")), 1000);
    EXPECT_EQ(numericValue(QStringLiteral("2.5E-1")), 0.25);
    EXPECT_EQ(numericValue(QStringLiteral("3e")), 3);
    EXPECT_EQ(numericValue(QStringLiteral("3ex")), 3);
    EXPECT_EQ(numericValue(QStringLiteral("1 2")), 12);
    EXPECT_EQ(numericValue(QStringLiteral("\t 1\t2 .\t5")), 12.5);
    EXPECT_EQ(numericValue(QStringLiteral("1e 2")), 100);
}

TEST(TextRules, NumericReadingIgnoresTheUsersNumberFormat)
{
    // A desktop whose locale writes decimal commas still stores and reads "7.5" as seven and a half.
    for (const char* name :
        { "de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "ru_RU.UTF-8", "ru_RU.utf8" }) {
        const ScopedNumericLocale locale(name);
        if (!locale.active() || std::strcmp(std::localeconv()->decimal_point, ",") != 0)
            continue;
        EXPECT_EQ(numericValue(QStringLiteral(" 7.5/10")), 7.5) << name;
        EXPECT_EQ(numericValue(QStringLiteral("2.5E-1")), 0.25) << name;
        double value = 0;
        EXPECT_TRUE(isWholeNumber(QStringLiteral("1.0"), &value));
        EXPECT_EQ(value, 1) << name;
        return;
    }
    GTEST_SKIP() << "no locale with a decimal comma is installed";
}

TEST(TextRules, WholeNumberMustFillTheText)
{
    double value = -1;
    EXPECT_TRUE(isWholeNumber(QStringLiteral("1"), &value));
    EXPECT_EQ(value, 1);
    EXPECT_TRUE(isWholeNumber(QStringLiteral(" 0\t"), &value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(isWholeNumber(QStringLiteral("1.0"), &value));
    EXPECT_EQ(value, 1);
    EXPECT_TRUE(isWholeNumber(QStringLiteral("-2e1"), &value));
    EXPECT_EQ(value, -20);

    EXPECT_FALSE(isWholeNumber(QString()));
    EXPECT_FALSE(isWholeNumber(QStringLiteral("  ")));
    EXPECT_FALSE(isWholeNumber(QStringLiteral("abc")));
    EXPECT_FALSE(isWholeNumber(QStringLiteral("1a")));
    EXPECT_FALSE(isWholeNumber(QStringLiteral("1\n")));
    EXPECT_FALSE(isWholeNumber(QStringLiteral(".")));
}

TEST(TextRules, ShortestDecimalForm)
{
    EXPECT_EQ(shortestDecimal(12), QStringLiteral("12"));
    EXPECT_EQ(shortestDecimal(12.0), QStringLiteral("12"));
    EXPECT_EQ(shortestDecimal(7.5), QStringLiteral("7.5"));
    EXPECT_EQ(shortestDecimal(0), QStringLiteral("0"));
    EXPECT_EQ(shortestDecimal(-0.0), QStringLiteral("0"));
    EXPECT_EQ(shortestDecimal(-3), QStringLiteral("-3"));
    EXPECT_EQ(shortestDecimal(1e6), QStringLiteral("1000000"));
    EXPECT_EQ(shortestDecimal(123456789), QStringLiteral("123456789"));
    EXPECT_EQ(shortestDecimal(0.1), QStringLiteral("0.1"));
    EXPECT_EQ(shortestDecimal(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(shortestDecimal(1e-7), QStringLiteral("0.0000001"));
    EXPECT_EQ(shortestDecimal(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("0"));
}

TEST(TextRules, ShortestDecimalAtTheExtremesKeepsFifteenDigitsAndNeverShowsMinusZero)
{
    const struct
    {
        double value;
        const char* shown;
    } cases[] = {
        { -1e-20, "-1E-20" },
        { 1e-20, "1E-20" },
        { -1e-7, "-0.0000001" },
        { -4e-16, "-4E-16" },
        { 999999999999999.9, "1E+15" },
        { 999999999999999.0, "999999999999999" },
        { 1e15, "1E+15" },
        { 1e300, "1E+300" },
        { -1.5e300, "-1.5E+300" },
        { 1.0000000000000002, "1" },
        { 0.30000000000000004, "0.3" },
        { 123456789.123, "123456789.123" },
        { 2.0 / 3.0, "0.666666666666667" },
        { std::numeric_limits<double>::infinity(), "0" },
        { -std::numeric_limits<double>::infinity(), "0" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(shortestDecimal(c.value), QString::fromLatin1(c.shown)) << c.value;
    // Whatever the number, the shown form reads back as a number within the shown digits.
    for (const auto& c : cases) {
        if (std::isfinite(c.value)) {
            EXPECT_NEAR(numericValue(shortestDecimal(c.value)), c.value, std::fabs(c.value) * 1e-14);
        }
    }
}

TEST(TextRules, NumbersThatOverflowReadAsZero)
{
    EXPECT_EQ(numericValue(QStringLiteral("1e999")), 0);
    EXPECT_EQ(numericValue(QStringLiteral("-1e999")), 0);
    EXPECT_EQ(numericValue(QStringLiteral("1e308")), 1e308);
    double value = -1;
    EXPECT_TRUE(isWholeNumber(QStringLiteral("1e999"), &value));
    EXPECT_EQ(value, 0);
}

TEST(TextRules, RemoveSeparatorsTakesTheFirstOccurrenceOnly)
{
    const QStringList slash { QStringLiteral("/") };
    EXPECT_EQ(removeSeparators(QStringLiteral("西部/爱情/喜剧"), slash), QStringLiteral("西部爱情/喜剧"));
    EXPECT_EQ(removeSeparators(QStringLiteral("剧情"), slash), QStringLiteral("剧情"));
    EXPECT_TRUE(removeSeparators(QStringLiteral("/"), slash).isEmpty());
    EXPECT_EQ(removeSeparators(QStringLiteral("a--b--c"), { QStringLiteral("--") }), QStringLiteral("ab--c"));
}

TEST(TextRules, DisplayTextOfStoredValues)
{
    EXPECT_TRUE(displayText(QVariant()).isNull());
    EXPECT_TRUE(displayText(QVariant(QMetaType::fromType<QString>())).isNull());
    EXPECT_TRUE(displayText(QVariant(QMetaType::fromType<double>())).isNull());
    EXPECT_EQ(displayText(12.0), QStringLiteral("12"));
    EXPECT_EQ(displayText(7.5), QStringLiteral("7.5"));
    EXPECT_EQ(displayText(qlonglong(42)), QStringLiteral("42"));
    EXPECT_EQ(displayText(QStringLiteral(" DVD ")), QStringLiteral("DVD"));
    EXPECT_EQ(displayText(QStringLiteral("\t剧情 ")), QStringLiteral("\t剧情"));
    EXPECT_TRUE(displayText(QStringLiteral(" ")).isEmpty());
}

TEST(TextRules, IntegerConversionsRoundAndClamp)
{
    EXPECT_EQ(toInt16(2.5), 3);
    EXPECT_EQ(toInt16(-2.5), -3);
    EXPECT_EQ(toInt16(99999), 32767);
    EXPECT_EQ(toInt16(-99999), -32768);
    EXPECT_EQ(toInt32(15923455), 15923455);
    EXPECT_EQ(toInt32(1e12), std::numeric_limits<qint32>::max());
    EXPECT_EQ(toInt32(std::numeric_limits<double>::infinity()), 0);
}

TEST(TextRules, TextFilesAreDecodedByWhatTheirBytesAre)
{
    const QByteArray utf8 = QStringLiteral("路径=/media/中文\n").toUtf8();
    // A stray byte from another editor leaves the rest of a UTF-8 file as it is.
    DecodedText stray = decodeText(QByteArray("; caf\xE9\n") + utf8);
    EXPECT_EQ(stray.encoding, TextEncoding::Utf8);
    EXPECT_EQ(stray.badBytes, 1);
    EXPECT_TRUE(stray.text.endsWith(QStringLiteral("路径=/media/中文\n")));

    // "光驱" in GBK, as Windows saves it.
    const DecodedText gbk = decodeText("drive=\xb9\xe2\xc7\xfd\r\n");
    EXPECT_EQ(gbk.encoding, TextEncoding::Gb18030);
    EXPECT_EQ(gbk.text, QStringLiteral("drive=光驱\r\n"));
    EXPECT_EQ(encodeText(gbk.text, gbk.encoding), QByteArray("drive=\xb9\xe2\xc7\xfd\r\n"));

    const DecodedText bom = decodeText(QByteArray("\xEF\xBB\xBF") + utf8);
    EXPECT_EQ(bom.encoding, TextEncoding::Utf8Bom);
    EXPECT_EQ(bom.text, QStringLiteral("路径=/media/中文\n"));

    const DecodedText wide = decodeText(QByteArray("\xFF\xFE", 2) + QByteArray("A\0\x2d\x4e", 4));
    EXPECT_EQ(wide.encoding, TextEncoding::Utf16Le);
    EXPECT_EQ(wide.text, QStringLiteral("A中"));

    // Bytes that are neither are read as UTF-8 with replacement characters, never dropped.
    const DecodedText garbage = decodeText("\xff\xfe\x80");
    EXPECT_EQ(garbage.encoding, TextEncoding::Utf16Le); // a byte-order mark decides
    const DecodedText noise = decodeText("a\xff\x80\xff");
    EXPECT_EQ(noise.encoding, TextEncoding::Utf8);
    EXPECT_EQ(noise.badBytes, 3);
    EXPECT_TRUE(decodeText("").text.isEmpty());
}

TEST(TextRules, HalfWidthFoldsOnlyTheFullWidthAsciiBlock)
{
    const std::pair<char16_t, char16_t> cases[]
        = { { u'Ａ', u'A' }, { u'ｚ', u'z' }, { u'０', u'0' }, { u'！', u'!' }, { u'～', u'~' },
              { 0xFF00, 0xFF00 }, { 0xFF5F, 0xFF5F }, { 0x3000, 0x3000 }, { u'A', u'A' }, { u'中', u'中' } };
    for (const auto& [from, to] : cases)
        EXPECT_EQ(TextRules::halfWidth(QChar(from)), QChar(to)) << int(from);
}

namespace {

const QString descriptionSample = QStringLiteral("◎译　　名　无间道\r\n◎片　　名　Infernal Affairs\r\n"
                                                 "◎年　　代　2002\r\n◎简　　介　\r\n　　卧底的故事。\r\n");

QByteArray gbk(const QString& text)
{
    return encodeText(text, TextEncoding::Gb18030);
}

} // namespace

TEST(TextRules, UnmarkedUtf16IsToldByItsNulBytesAndCharacters)
{
    const std::pair<TextEncoding, const char*> cases[]
        = { { TextEncoding::Utf16Le, "LE" }, { TextEncoding::Utf16Be, "BE" } };
    for (const auto& [encoding, name] : cases) {
        const DecodedText chinese = decodeText(encodeText(descriptionSample, encoding));
        EXPECT_EQ(chinese.encoding, encoding) << name;
        EXPECT_EQ(chinese.text, descriptionSample) << name;
        EXPECT_EQ(chinese.markBytes, 0) << name;
        EXPECT_EQ(chinese.controls, 0) << name;
        EXPECT_FALSE(chinese.looksBinary()) << name;
        // Plain ASCII too: the wrong byte order reads as Chinese characters, but fewer of them.
        const QString ascii = QStringLiteral("Infernal Affairs (2002)\r\nDirected by Andrew Lau\r\n");
        const DecodedText english = decodeText(encodeText(ascii, encoding));
        EXPECT_EQ(english.encoding, encoding) << name;
        EXPECT_EQ(english.text, ascii) << name;
    }
    // The NUL bytes alone make no UTF-16: a UTF-8 text padded with NULs stays UTF-8.
    const DecodedText padded = decodeText(descriptionSample.toUtf8() + QByteArray(8, '\0'));
    EXPECT_EQ(padded.encoding, TextEncoding::Utf8);
    EXPECT_EQ(padded.controls, 8);
    EXPECT_TRUE(padded.text.startsWith(descriptionSample));
}

TEST(TextRules, TextNotInUtf8IsGb18030LineByLineExceptPlainUtf8Lines)
{
    // A GBK download with a note added in UTF-8, and the other way round: every line readable.
    const QString notes = QStringLiteral("备注：朋友借走了\r\n");
    const DecodedText gbkFirst = decodeText(gbk(descriptionSample) + notes.toUtf8());
    EXPECT_EQ(gbkFirst.text, descriptionSample + notes);
    EXPECT_EQ(gbkFirst.encoding, TextEncoding::Gb18030);
    EXPECT_EQ(gbkFirst.badBytes, 0);
    const DecodedText utf8First = decodeText(descriptionSample.toUtf8() + gbk(notes));
    EXPECT_EQ(utf8First.text, descriptionSample + notes);
    EXPECT_EQ(utf8First.encoding, TextEncoding::Utf8);

    // "目录" and "每" in GBK happen to be valid UTF-8 ("Ŀ¼", "ÿ"); in a GBK file they stay GBK.
    const QString listing = QStringLiteral("目录\r\n◎片　　长　每集 45 分钟\r\n每\r\n");
    const DecodedText gbkListing = decodeText(gbk(listing));
    EXPECT_EQ(gbkListing.text, listing);
    EXPECT_EQ(gbkListing.encoding, TextEncoding::Gb18030);

    // A byte in no encoding is one replacement character; the rest of its line is kept.
    const DecodedText broken = decodeText(gbk(QStringLiteral("◎导　　演　刘伟强")) + "\xFF\r\n");
    EXPECT_EQ(broken.text, QStringLiteral("◎导　　演　刘伟强\uFFFD\r\n"));
    EXPECT_EQ(broken.badBytes, 1);
    // A sequence cut at the very end is not dropped unseen.
    const DecodedText cut = decodeText(gbk(QStringLiteral("◎导　　演　刘伟强")).chopped(1));
    EXPECT_TRUE(cut.text.endsWith(QChar(0xFFFD))) << cut.text.toStdString();
}

TEST(TextRules, BinaryFilesAreToldFromTextsAndNothingStoredHoldsControls)
{
    QByteArray random;
    quint32 seed = 20070101;
    for (int i = 0; i < 100000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        random.append(char(seed >> 24));
    }
    EXPECT_TRUE(decodeText(random).looksBinary());
    EXPECT_TRUE(decodeText(QByteArray(4096, '\0')).looksBinary());
    EXPECT_TRUE(decodeText(QByteArray("\x01\x02\x03\x04\x05\x06 ab\x07")).looksBinary());
    EXPECT_FALSE(decodeText(gbk(descriptionSample)).looksBinary());
    EXPECT_FALSE(decodeText("").looksBinary());
    // A text with a few stray controls (an end-of-file mark, a form feed) is still a text.
    EXPECT_FALSE(decodeText(descriptionSample.toUtf8() + "\f\x1A").looksBinary());

    QString controls = QStringLiteral("a\tb\r\nc");
    for (const char16_t c : { u'\0', u'd', char16_t(0x1A), char16_t(0x7F), char16_t(0x85), u'e' })
        controls.append(QChar(c));
    EXPECT_EQ(storableText(controls), QStringLiteral("a\tb\r\ncde"));
    EXPECT_EQ(
        storableText(QStringLiteral("甲\uFFFD\uFFFD\uFFFD乙\uFFFD丙")), QStringLiteral("甲\uFFFD乙\uFFFD丙"));
}
