#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariant>

// The text rules every part of the program shares. Nothing else re-implements them.
namespace TextRules {

// Removes leading and trailing U+0020 blanks, and nothing else (no tabs, line breaks or U+3000).
QString trimBlanks(const QString& text);

// Reads the number a text begins with: blanks and tabs are ignored, then an optional sign, digits,
// an optional decimal part and an optional exponent; reading stops at the first character that
// cannot continue the number. "2007年" -> 2007, "abc" -> 0, " 7.5/10" -> 7.5.
double numericValue(const QString& text);

// True when the whole text (blanks and tabs aside) is a number, as a switch value must be.
bool isWholeNumber(const QString& text, double* value = nullptr);

// A number as text with at most fifteen significant digits, without leading zeros, trailing ".0"
// or separators: 12, 7.5, -3, 0.3 for 0.1 + 0.2. Whole numbers below 10^15 are plain digits; from
// 10^15 up and below 10^-7 the exponent form is shorter (1E+15, -1E-20). Never "-0".
QString shortestDecimal(double value);

// The form free-text fields are stored in: the text followed by one blank, never empty.
QString storedText(const QString& text);

// UTF-8 text decoded into a string that holds no more room than its characters need.
QString decodeUtf8(QByteArrayView utf8);

// UTF-8 text decoded and trimmed of blanks, as trimBlanks(QString::fromUtf8(utf8)) would give.
QString trimmedUtf8(QByteArrayView utf8);
QByteArrayView trimmedUtf8View(QByteArrayView utf8);

// The encodings a text file from this platform or from Windows comes in.
enum class TextEncoding { Utf8, Utf8Bom, Utf16Le, Utf16Be, Gb18030 };

struct DecodedText
{
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
    qsizetype badBytes = 0; // bytes that could not be decoded and became U+FFFD
};

// Decodes a text file: a byte-order mark decides where there is one; otherwise UTF-8, unless the
// bytes really are GBK/GB18030 (they decode cleanly that way and hold more bytes that are not
// UTF-8 than UTF-8 sequences). A UTF-8 file with a few stray bytes stays UTF-8.
DecodedText decodeText(QByteArrayView bytes);

// Encodes text as `encoding` does, without a byte-order mark.
QByteArray encodeText(QStringView text, TextEncoding encoding);

// A stored value as a reader shows it: null stays null (an invalid QString), numbers in shortest
// decimal form, texts trimmed of blanks.
QString displayText(const QVariant& value);

// The half-width form of a full-width character U+FF01..U+FF5E (Ａ -> A, ９ -> 9, ！ -> !);
// every other character as it is.
inline QChar halfWidth(QChar c)
{
    const char16_t u = c.unicode();
    return u >= 0xFF01 && u <= 0xFF5E ? QChar(char16_t(u - 0xFEE0)) : c;
}

// Removes the first occurrence of the (first) separator; later occurrences stay.
QString removeSeparators(const QString& text, const QStringList& separators);

// Matches a whole text against a wildcard pattern: "*" any run of characters, "?" any one
// character, "#" one digit, "[set]" one character of the set (ranges such as "a-z" allowed),
// "[!set]" one character not in it, "[]" nothing. Letter case counts. An invalid pattern (an
// unclosed "[") matches nothing.
bool wildcardMatch(const QString& text, const QString& pattern);

// Rounds half away from zero and clamps into a signed 16-bit or 32-bit range.
qint16 toInt16(double value);
qint32 toInt32(double value);

} // namespace TextRules
