#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <utility>
#include <vector>

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
    TextEncoding encoding = TextEncoding::Utf8; // for a file with parts in two, the larger one's
    qsizetype badBytes = 0; // bytes that could not be decoded and became U+FFFD
    qsizetype controls = 0; // NULs and other control characters; tabs and line breaks are text
    qsizetype markBytes = 0; // the byte-order mark the text begins with, 0 without one

    // Mostly control characters or bytes in no encoding: a binary file, not a text.
    bool looksBinary() const;
};

// Decodes a text file: a byte-order mark decides where there is one; UTF-16 without a mark is
// told by its NUL bytes and its characters; then UTF-8 when all the bytes are valid UTF-8.
// Anything else is GB18030, line by line, except the lines that are plainly UTF-8 (a GBK
// download with notes added in UTF-8); a line that is neither follows the rest of the file.
DecodedText decodeText(QByteArrayView bytes);

// A decoded text as it may be stored: without NULs and other control characters (tabs and line
// breaks stay), and each run of U+FFFD made one.
QString storableText(QStringView text);

// Whether the bytes are valid UTF-8, as a name or an argument must be to reach a file by its text.
bool isUtf8(QByteArrayView bytes);

// The text of a file name as a file system holds it: UTF-8 when the bytes are valid UTF-8, else
// GB18030 (of which GBK is part), as media written under Windows often name their files.
QString decodeFileName(QByteArrayView raw);

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

// A wildcard pattern, read once to match many texts: "*" any run of characters, "?" any one
// character, "#" one digit, "[set]" one character of the set (ranges such as "a-z" allowed),
// "[!set]" one character not in it, "[]" nothing. Letter case counts. An invalid pattern (an
// unclosed "[", a range backwards) matches nothing. Matching allocates nothing and takes time in
// proportion to the text's length times the longest stretch of the pattern without "*" at most,
// however many stars the pattern holds.
class WildcardPattern
{
public:
    explicit WildcardPattern(QStringView pattern);

    bool isValid() const { return valid_; }
    // The fewest characters a matching text has: a shorter text is refused before it is read.
    qsizetype minimumLength() const { return qsizetype(tokens_.size()); }
    bool matches(QStringView text) const;

private:
    // One character of the text, matched by a literal, "?", "#" or a set.
    struct Token
    {
        enum Kind : quint8 { Literal, AnyOne, Digit, Set } kind = Literal;
        bool negated = false;
        char16_t ch = 0;
        quint32 firstRange = 0; // Set: its ranges in ranges_
        quint32 rangeCount = 0;
    };
    // The tokens between two stars, and for plain characters the table of a linear search.
    struct Segment
    {
        qsizetype begin = 0;
        qsizetype end = 0;
        bool literal = true;
        qsizetype size() const { return end - begin; }
    };

    bool parse(QStringView pattern);
    quint32 mergeRanges(quint32 first);
    bool accepts(const Token& t, QChar c) const;
    bool matchesAt(const Segment& s, QStringView text, qsizetype at) const;
    qsizetype find(const Segment& s, QStringView text, qsizetype from, qsizetype limit) const;

    bool valid_ = false;
    bool starred_ = false; // at least one "*": the first and last segments are anchored
    std::vector<Token> tokens_;
    std::vector<std::pair<char16_t, char16_t>> ranges_;
    std::vector<Segment> segments_;
    std::vector<qsizetype> fallback_; // per token of a literal segment: its search's fall-back
};

// Matches a whole text against a wildcard pattern (see WildcardPattern).
bool wildcardMatch(const QString& text, const QString& pattern);

// Rounds half away from zero and clamps into a signed 16-bit or 32-bit range.
qint16 toInt16(double value);
qint32 toInt32(double value);

} // namespace TextRules
