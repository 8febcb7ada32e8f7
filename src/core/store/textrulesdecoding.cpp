// How text files are decoded: byte-order marks, UTF-16 without one, UTF-8, GB18030, and files
// that hold parts in two of them.

#include "textrules.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace TextRules {

namespace {

constexpr char16_t replacement = 0xFFFD;

struct Utf8Census
{
    qsizetype sequences = 0; // valid multi-byte sequences
    qsizetype badBytes = 0;
};

// Counts what a strict UTF-8 reading of the bytes would find.
Utf8Census utf8Census(QByteArrayView bytes)
{
    Utf8Census census;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        }
        bool ok = length > 0 && i + length <= n;
        for (int k = 1; ok && k < length; ++k) {
            const unsigned char c = p[i + k];
            ok = k == 1 ? (c >= low && c <= high) : (c >= 0x80 && c <= 0xBF);
        }
        if (ok) {
            ++census.sequences;
            i += length;
        } else {
            ++census.badBytes;
            ++i;
        }
    }
    return census;
}

bool isTextControl(char32_t c)
{
    return c == u'\t' || c == u'\n' || c == u'\r';
}

// A control character no text holds: NUL, the C0 controls other than tab and line breaks, DEL
// and the C1 controls.
bool isStrayControl(char32_t c)
{
    return (c < 0x20 && !isTextControl(c)) || (c >= 0x7F && c <= 0x9F);
}

bool isHan(char32_t c)
{
    return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xFF00 && c <= 0xFFEF);
}

// Characters a Chinese description text is made of. Latin-1 is left out when `strict`: bytes
// of GBK that happen to be valid UTF-8 mostly read as Latin letters ("目录" as "Ŀ¼").
bool isLikelyInText(char32_t c, bool strict)
{
    if ((c >= 0x20 && c < 0x7F) || isTextControl(c) || isHan(c))
        return true;
    if (c >= 0xA0 && c <= 0xFF)
        return !strict || c == 0xB7 || c == 0xA9 || c == 0xAE || c == 0xB0 || c == 0xD7;
    return (c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3100 && c <= 0x33FF) || (c >= 0xAC00 && c <= 0xD7A3)
        || (c >= 0xFE30 && c <= 0xFE4F) || c > 0xFFFF;
}

// Calls `visit` with each code point of the text; an unpaired surrogate comes as U+FFFD.
template <typename Visit> void forEachCodePoint(QStringView text, Visit visit)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            visit(QChar::surrogateToUcs4(c, text[i + 1]));
            ++i;
        } else {
            visit(c.isSurrogate() ? char32_t(replacement) : char32_t(c.unicode()));
        }
    }
}

// The share, from 0 to 1, of the characters that a description text is made of.
double likelyShare(QStringView text)
{
    qsizetype likely = 0;
    qsizetype all = 0;
    forEachCodePoint(text, [&](char32_t c) {
        ++all;
        likely += isLikelyInText(c, false) ? 1 : 0;
    });
    return all == 0 ? 0.0 : double(likely) / double(all);
}

// A line that can only be UTF-8: Chinese characters and nothing a GBK line would turn into.
bool isPlainlyUtf8(QStringView decoded)
{
    bool han = false;
    bool likely = true;
    forEachCodePoint(decoded, [&](char32_t c) {
        han = han || isHan(c);
        likely = likely && isLikelyInText(c, true);
    });
    return han && likely;
}

qsizetype countOf(QStringView text, char16_t c)
{
    return text.count(QChar(c));
}

void countControls(DecodedText& out)
{
    out.controls = 0;
    forEachCodePoint(out.text, [&](char32_t c) { out.controls += isStrayControl(c) ? 1 : 0; });
}

QString decodeUtf8Strictly(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    return utf8.decode(bytes);
}

// UTF-16 without a byte-order mark. Its line breaks and ASCII hold NUL bytes; which half of the
// pairs they fall in, and what the characters then are, tells little from big endian. A text
// without NULs, or whose characters are not those of a text, is not taken for UTF-16.
bool decodeUnmarkedUtf16(QByteArrayView bytes, DecodedText& out)
{
    if (bytes.size() < 2 || !bytes.contains('\0'))
        return false;
    constexpr double textShare = 0.9;
    QStringDecoder little(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
    QStringDecoder big(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
    QString asLittle = little.decode(bytes);
    QString asBig = big.decode(bytes);
    const double littleShare = likelyShare(asLittle);
    const double bigShare = likelyShare(asBig);
    if (std::max(littleShare, bigShare) < textShare)
        return false;
    const bool isLittle = littleShare >= bigShare;
    out.encoding = isLittle ? TextEncoding::Utf16Le : TextEncoding::Utf16Be;
    out.text = isLittle ? std::move(asLittle) : std::move(asBig);
    out.badBytes = countOf(out.text, replacement);
    return true;
}

// One line of a file that is not UTF-8 as a whole, decoded both ways.
struct LineReading
{
    enum Kind { Ascii, Utf8, Gb18030, Either } kind = Ascii;
    QString text; // as decided, or for Either the GB18030 reading
    QString utf8; // the UTF-8 reading, kept for Either
    qsizetype utf8Bad = 0;
    qsizetype gbBad = 0;
};

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// GB18030 drops an incomplete sequence at the very end; a line break after it keeps it visible.
QString decodeGb18030(QStringDecoder& gb, QByteArrayView line)
{
    if (line.endsWith('\n'))
        return gb.decode(line);
    QString text = gb.decode(line.toByteArray() + '\n');
    text.chop(1);
    return text;
}

LineReading readLine(QStringDecoder& gb, QByteArrayView line)
{
    LineReading r;
    if (isAscii(line)) {
        r.text = QString::fromLatin1(line);
        return r;
    }
    const Utf8Census census = utf8Census(line);
    QString utf8 = decodeUtf8Strictly(line);
    if (census.badBytes == 0 && isPlainlyUtf8(utf8)) {
        r.kind = LineReading::Utf8;
        r.text = std::move(utf8);
        return r;
    }
    QString gbText = decodeGb18030(gb, line);
    r.gbBad = countOf(gbText, replacement);
    r.utf8Bad = census.badBytes;
    if (census.badBytes > 0 && r.gbBad == 0) {
        r.kind = LineReading::Gb18030;
        r.text = std::move(gbText);
        return r;
    }
    r.kind = LineReading::Either;
    r.text = std::move(gbText);
    r.utf8 = std::move(utf8);
    return r;
}

// GB18030 line by line, but for the lines that are plainly UTF-8; a line that could be either
// is read the way that loses fewer bytes, else the way most of the other lines are read (UTF-8
// when nothing else tells).
void decodeLineByLine(QByteArrayView bytes, DecodedText& out)
{
    QStringDecoder gb("GB18030", QStringDecoder::Flag::Stateless);
    if (!gb.isValid()) {
        out.text = decodeUtf8Strictly(bytes);
        out.badBytes = utf8Census(bytes).badBytes;
        return;
    }
    QList<LineReading> lines;
    qsizetype utf8Lines = 0;
    qsizetype gbLines = 0;
    for (qsizetype from = 0; from < bytes.size();) {
        const qsizetype nl = bytes.indexOf('\n', from);
        const qsizetype end = nl < 0 ? bytes.size() : nl + 1;
        lines.append(readLine(gb, bytes.sliced(from, end - from)));
        utf8Lines += lines.last().kind == LineReading::Utf8 ? 1 : 0;
        gbLines += lines.last().kind == LineReading::Gb18030 ? 1 : 0;
        from = end;
    }
    const auto decide = [&](LineReading& line, bool asUtf8) {
        line.kind = asUtf8 ? LineReading::Utf8 : LineReading::Gb18030;
        if (asUtf8)
            line.text = std::move(line.utf8);
        (asUtf8 ? utf8Lines : gbLines) += 1;
    };
    // The lines one reading loses fewer bytes of count for the rest of the file too, so that
    // adding a line that could be either does not turn the file's other lines around.
    for (LineReading& line : lines)
        if (line.kind == LineReading::Either && line.utf8Bad != line.gbBad)
            decide(line, line.utf8Bad < line.gbBad);
    const bool mostlyUtf8 = utf8Lines >= gbLines;
    for (LineReading& line : lines) {
        if (line.kind == LineReading::Either)
            decide(line, mostlyUtf8);
        out.text += line.text;
    }
    out.encoding = utf8Lines >= gbLines ? TextEncoding::Utf8 : TextEncoding::Gb18030;
    out.badBytes = countOf(out.text, replacement);
}

} // namespace

bool DecodedText::looksBinary() const
{
    // Texts hold none of these; a few come from a damaged download, one in eight is no text.
    constexpr qsizetype share = 8;
    return (controls + badBytes) * share > text.size();
}

DecodedText decodeText(QByteArrayView bytes)
{
    DecodedText out;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        out.encoding = TextEncoding::Utf8Bom;
        out.markBytes = 3;
        out.badBytes = utf8Census(bytes.sliced(3)).badBytes;
        out.text = decodeUtf8Strictly(bytes.sliced(3));
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.startsWith("\xFF\xFE");
        QStringDecoder utf16(
            little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
        out.encoding = little ? TextEncoding::Utf16Le : TextEncoding::Utf16Be;
        out.markBytes = 2;
        out.text = utf16.decode(bytes.sliced(2));
        out.badBytes = utf16.hasError() ? std::max<qsizetype>(1, countOf(out.text, replacement)) : 0;
    } else if (!decodeUnmarkedUtf16(bytes, out)) {
        const Utf8Census census = utf8Census(bytes);
        if (census.badBytes == 0)
            out.text = decodeUtf8Strictly(bytes);
        else
            decodeLineByLine(bytes, out);
    }
    countControls(out);
    return out;
}

QString storableText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (isStrayControl(c.unicode()))
            continue;
        if (c == QChar(replacement) && out.endsWith(QChar(replacement)))
            continue;
        out.append(c);
    }
    return out;
}

QByteArray encodeText(QStringView text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16Le:
        return QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::Stateless).encode(text);
    case TextEncoding::Utf16Be:
        return QStringEncoder(QStringEncoder::Utf16BE, QStringEncoder::Flag::Stateless).encode(text);
    case TextEncoding::Gb18030: {
        QStringEncoder gb("GB18030", QStringEncoder::Flag::Stateless);
        if (gb.isValid())
            return gb.encode(text);
        return text.toUtf8();
    }
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        break;
    }
    return text.toUtf8();
}

bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // decode() only converts once its result is taken as a string.
    [[maybe_unused]] const QString text = utf8.decode(bytes);
    return !utf8.hasError();
}

QString decodeFileName(QByteArrayView raw)
{
    if (isUtf8(raw))
        return QString::fromUtf8(raw);
    QStringDecoder gb("GB18030", QStringDecoder::Flag::Stateless);
    return gb.isValid() ? QString(gb.decode(raw)) : QString::fromUtf8(raw);
}

} // namespace TextRules
