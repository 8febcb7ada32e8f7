#include "jsonline.h"

#include "store/textrules.h"

#include <QIODevice>
#include <QTextStream>
#include <array>

QString JsonLine::quoted(const QString& text)
{
    // One set of escapes for both writers.
    QByteArray utf8;
    JsonLinesWriter::appendQuoted(utf8, text);
    return QString::fromUtf8(utf8);
}

JsonLine& JsonLine::add(const QString& key, const QString& text)
{
    members_.emplace_back(key, quoted(text));
    return *this;
}

JsonLine& JsonLine::addNullable(const QString& key, const QVariant& value)
{
    members_.emplace_back(
        key, value.isNull() ? QStringLiteral("null") : quoted(TextRules::displayText(value)));
    return *this;
}

JsonLine& JsonLine::add(const QString& key, int number)
{
    members_.emplace_back(key, QString::number(number));
    return *this;
}

JsonLine& JsonLine::addBool(const QString& key, bool value)
{
    members_.emplace_back(key, value ? QStringLiteral("true") : QStringLiteral("false"));
    return *this;
}

QString JsonLine::toString() const
{
    QString out = QStringLiteral("{");
    bool first = true;
    for (const auto& [key, value] : members_) {
        if (!first)
            out += QStringLiteral(", ");
        first = false;
        out += quoted(key) + QStringLiteral(": ") + value;
    }
    return out + u'}';
}

namespace {

// What each ASCII character becomes inside a JSON string: 0 itself, 'u' a \u escape, else the
// letter after the backslash.
constexpr std::array<char, 128> escapeTable = [] {
    std::array<char, 128> t {};
    for (int c = 0; c < 0x20; ++c)
        t[size_t(c)] = 'u';
    t[size_t('"')] = '"';
    t[size_t('\\')] = '\\';
    t[size_t('\n')] = 'n';
    t[size_t('\r')] = 'r';
    t[size_t('\t')] = 't';
    return t;
}();

char* writeUnicodeEscape(char* d, char16_t c)
{
    static constexpr char hex[] = "0123456789abcdef";
    *d++ = '\\';
    *d++ = 'u';
    *d++ = hex[(c >> 12) & 15];
    *d++ = hex[(c >> 8) & 15];
    *d++ = hex[(c >> 4) & 15];
    *d++ = hex[c & 15];
    return d;
}

// Writes `text` quoted into `d`, which has room for 6 bytes per code unit and the quotes.
char* writeQuoted(char* d, QStringView text)
{
    *d++ = '"';
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    while (p < end) {
        const char16_t c = *p++;
        if (c < 0x80) {
            const char e = escapeTable[c];
            if (e == 0) {
                *d++ = char(c);
            } else if (e == 'u') {
                d = writeUnicodeEscape(d, c);
            } else {
                *d++ = '\\';
                *d++ = e;
            }
        } else if (c < 0x800) {
            *d++ = char(0xC0 | (c >> 6));
            *d++ = char(0x80 | (c & 0x3F));
        } else if (c == 0x2028 || c == 0x2029) {
            d = writeUnicodeEscape(d, c);
        } else if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p)) {
            const char32_t u = QChar::surrogateToUcs4(c, *p++);
            *d++ = char(0xF0 | (u >> 18));
            *d++ = char(0x80 | ((u >> 12) & 0x3F));
            *d++ = char(0x80 | ((u >> 6) & 0x3F));
            *d++ = char(0x80 | (u & 0x3F));
        } else {
            // A lone surrogate becomes the replacement character, as the UTF-8 encoder writes it.
            const char16_t w = QChar::isSurrogate(c) ? char16_t(0xFFFD) : c;
            *d++ = char(0xE0 | (w >> 12));
            *d++ = char(0x80 | ((w >> 6) & 0x3F));
            *d++ = char(0x80 | (w & 0x3F));
        }
    }
    *d++ = '"';
    return d;
}

qsizetype quotedRoom(QStringView text)
{
    return 6 * text.size() + 2;
}

constexpr qsizetype flushSize = 1 << 20;

} // namespace

void JsonLinesWriter::appendQuoted(QByteArray& out, QStringView text)
{
    const qsizetype used = out.size();
    out.resize(used + quotedRoom(text));
    char* const start = out.data();
    out.resize(writeQuoted(start + used, text) - start);
}

JsonLinesWriter::JsonLinesWriter(QTextStream& out)
    : out_(out)
{
    buffer_.reserve(flushSize + 64 * 1024);
}

JsonLinesWriter::~JsonLinesWriter()
{
    flush();
}

void JsonLinesWriter::beginObject()
{
    buffer_.append('{');
    first_ = true;
}

void JsonLinesWriter::member(QStringView key, QStringView text)
{
    // One reservation for the whole member: appends one byte at a time cost more than the escaping.
    const qsizetype used = buffer_.size();
    buffer_.resize(used + 4 + quotedRoom(key) + quotedRoom(text));
    char* const start = buffer_.data();
    char* d = start + used;
    if (!first_) {
        *d++ = ',';
        *d++ = ' ';
    }
    first_ = false;
    d = writeQuoted(d, key);
    *d++ = ':';
    *d++ = ' ';
    d = writeQuoted(d, text);
    buffer_.resize(d - start);
}

void JsonLinesWriter::endObject()
{
    buffer_.append("}\n", 2);
    if (buffer_.size() >= flushSize)
        flush();
}

void JsonLinesWriter::flush()
{
    if (buffer_.isEmpty())
        return;
    // A stream on a device takes the bytes as they are; one on a string needs them decoded.
    if (QIODevice* device = out_.device()) {
        out_.flush();
        device->write(buffer_);
    } else {
        out_ << QString::fromUtf8(buffer_);
    }
    buffer_.resize(0); // keeps the room for the next rows
}
