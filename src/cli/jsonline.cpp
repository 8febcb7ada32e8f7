#include "jsonline.h"

#include "store/textrules.h"

#include <QIODevice>
#include <QTextStream>
#include <array>

QString JsonLine::quoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20 || c == QChar(0x2028) || c == QChar(0x2029))
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
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

void appendUnicodeEscape(QByteArray& out, char16_t c)
{
    static constexpr char hex[] = "0123456789abcdef";
    const char e[] = { '\\', 'u', hex[(c >> 12) & 15], hex[(c >> 8) & 15], hex[(c >> 4) & 15], hex[c & 15] };
    out.append(e, sizeof e);
}

constexpr qsizetype flushSize = 1 << 20;

} // namespace

void JsonLinesWriter::appendQuoted(QByteArray& out, QStringView text)
{
    out.append('"');
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    while (p < end) {
        const char16_t c = *p++;
        if (c < 0x80) {
            const char e = escapeTable[c];
            if (e == 0) {
                out.append(char(c));
            } else if (e == 'u') {
                appendUnicodeEscape(out, c);
            } else {
                const char pair[] = { '\\', e };
                out.append(pair, 2);
            }
        } else if (c < 0x800) {
            const char b[] = { char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F)) };
            out.append(b, 2);
        } else if (c == 0x2028 || c == 0x2029) {
            appendUnicodeEscape(out, c);
        } else if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p)) {
            const char32_t u = QChar::surrogateToUcs4(c, *p++);
            const char b[] = { char(0xF0 | (u >> 18)), char(0x80 | ((u >> 12) & 0x3F)),
                char(0x80 | ((u >> 6) & 0x3F)), char(0x80 | (u & 0x3F)) };
            out.append(b, 4);
        } else {
            // A lone surrogate becomes the replacement character, as the UTF-8 encoder writes it.
            const char16_t w = QChar::isSurrogate(c) ? char16_t(0xFFFD) : c;
            const char b[] = { char(0xE0 | (w >> 12)), char(0x80 | ((w >> 6) & 0x3F)), char(0x80 | (w & 0x3F)) };
            out.append(b, 3);
        }
    }
    out.append('"');
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
    if (!first_)
        buffer_.append(", ", 2);
    first_ = false;
    appendQuoted(buffer_, key);
    buffer_.append(": ", 2);
    appendQuoted(buffer_, text);
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
    buffer_.clear();
}
