#include "textrules.h"

#include <QLocale>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace TextRules {

QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    if (begin == 0 && end == text.size())
        return text;
    return text.mid(begin, end - begin);
}

namespace {

bool isSkippable(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Collects the characters of the leading number into plain ASCII, skipping blanks and tabs.
// Returns the number of mantissa digits seen, so "abc" and "." read as nothing.
int collectNumber(const QString& text, std::string& out, qsizetype* consumed)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skip = [&] {
        while (i < n && isSkippable(text.at(i)))
            ++i;
    };
    int digits = 0;
    skip();
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
        out.push_back(char(text.at(i).unicode()));
        ++i;
    }
    skip();
    while (i < n && (isDigit(text.at(i)) || isSkippable(text.at(i)))) {
        if (isDigit(text.at(i))) {
            out.push_back(char(text.at(i).unicode()));
            ++digits;
        }
        ++i;
    }
    if (i < n && text.at(i) == u'.') {
        out.push_back('.');
        ++i;
        while (i < n && (isDigit(text.at(i)) || isSkippable(text.at(i)))) {
            if (isDigit(text.at(i))) {
                out.push_back(char(text.at(i).unicode()));
                ++digits;
            }
            ++i;
        }
    }
    if (digits > 0 && i < n && (text.at(i) == u'e' || text.at(i) == u'E')) {
        // The exponent only counts when digits follow it; "3e" reads as 3.
        qsizetype j = i + 1;
        std::string exponent = "e";
        while (j < n && isSkippable(text.at(j)))
            ++j;
        if (j < n && (text.at(j) == u'+' || text.at(j) == u'-')) {
            exponent.push_back(char(text.at(j).unicode()));
            ++j;
        }
        bool any = false;
        while (j < n && (isDigit(text.at(j)) || isSkippable(text.at(j)))) {
            if (isDigit(text.at(j))) {
                exponent.push_back(char(text.at(j).unicode()));
                any = true;
            }
            ++j;
        }
        if (any) {
            out += exponent;
            i = j;
        }
    }
    if (consumed)
        *consumed = i;
    return digits;
}

double parseCollected(const std::string& s)
{
    // Always the C number format: plain strtod follows the user's LC_NUMERIC, and under a
    // locale with decimal commas "7.5" would read as 7.
    static const locale_t cNumbers = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const double v = strtod_l(s.c_str(), nullptr, cNumbers);
    // "1e999" overflows; a number that is not finite reads as nothing at all.
    if (!std::isfinite(v))
        return 0.0;
    return v;
}

} // namespace

double numericValue(const QString& text)
{
    std::string collected;
    if (collectNumber(text, collected, nullptr) == 0)
        return 0.0;
    return parseCollected(collected);
}

bool isWholeNumber(const QString& text, double* value)
{
    std::string collected;
    qsizetype consumed = 0;
    if (collectNumber(text, collected, &consumed) == 0)
        return false;
    while (consumed < text.size() && isSkippable(text.at(consumed)))
        ++consumed;
    if (consumed != text.size())
        return false;
    if (value)
        *value = parseCollected(collected);
    return true;
}

namespace {

// Drops the zeros a fixed number of decimals leaves behind: "7.500" -> "7.5", "12.000" -> "12".
void chopTrailingZeros(QString& text)
{
    if (!text.contains(u'.'))
        return;
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
}

} // namespace

QString shortestDecimal(double value)
{
    if (!std::isfinite(value) || value == 0.0)
        return QStringLiteral("0"); // also -0
    // The common cases, and cheap: a listing shows four numbers per movie.
    const double magnitude = std::fabs(value);
    if (std::trunc(value) == value && magnitude < 1e15)
        return QString::number(static_cast<qint64>(value));
    if (magnitude >= 1e-4 && magnitude < 1e15) {
        // In this range the general form of fifteen digits is plain digits without trailing zeros.
        char buffer[32];
        const auto written
            = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
        const QLatin1StringView text(buffer, written.ptr - buffer);
        if (written.ec == std::errc() && !text.contains(u'e'))
            return QString(text); // else it rounded up to 10^15: the exponent form below
    }
    // Fifteen significant digits, as the catalogues' own platform shows numbers. Rounding to them
    // first turns 0.1 + 0.2 into 0.3 and decides the form by the number as it will be shown.
    const QString scientific = QString::number(value, 'e', 14);
    const qsizetype e = scientific.indexOf(u'e');
    const int exponent = scientific.mid(e + 1).toInt();
    const double rounded = scientific.toDouble();
    if (exponent >= 15 || exponent < -7) {
        // Too large or too small for plain digits to stay readable: 1E+300, -1E-20.
        QString mantissa = scientific.left(e);
        chopTrailingZeros(mantissa);
        return mantissa + u'E' + (exponent < 0 ? u'-' : u'+')
            + QString::number(std::abs(exponent)).rightJustified(2, u'0');
    }
    if (std::trunc(rounded) == rounded)
        return QString::number(static_cast<qint64>(rounded));
    QString text = QString::number(rounded, 'f', 14 - exponent);
    chopTrailingZeros(text);
    return text;
}

QString decodeUtf8(QByteArrayView utf8)
{
    // QString::fromUtf8 reserves one QChar per byte, three times what Chinese text needs; a
    // large listing keeps its texts, so decode first and keep only what is used.
    QVarLengthArray<QChar, 512> buffer(utf8.size());
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QChar* end = decoder.appendToBuffer(buffer.data(), utf8);
    return QString(buffer.data(), end - buffer.data());
}

QByteArrayView trimmedUtf8View(QByteArrayView utf8)
{
    // A blank byte is never part of a longer UTF-8 sequence, so trimming bytes is trimming text.
    qsizetype begin = 0;
    qsizetype end = utf8.size();
    while (begin < end && utf8.at(begin) == ' ')
        ++begin;
    while (end > begin && utf8.at(end - 1) == ' ')
        --end;
    return utf8.sliced(begin, end - begin);
}

QString trimmedUtf8(QByteArrayView utf8)
{
    return decodeUtf8(trimmedUtf8View(utf8));
}

QString storedText(const QString& text)
{
    return text + u' ';
}

QString displayText(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return QString();
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return shortestDecimal(value.toDouble());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QString::number(value.toLongLong());
    default:
        return trimBlanks(value.toString());
    }
}

QString removeSeparators(const QString& text, const QStringList& separators)
{
    if (separators.isEmpty() || separators.first().isEmpty())
        return text;
    const qsizetype at = text.indexOf(separators.first());
    if (at < 0)
        return text;
    QString result = text;
    result.remove(at, separators.first().size());
    return result;
}

namespace {
template <typename T> T clampRound(double value)
{
    if (!std::isfinite(value))
        return 0;
    const double r = std::round(value);
    if (r < double(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    if (r > double(std::numeric_limits<T>::max()))
        return std::numeric_limits<T>::max();
    return static_cast<T>(r);
}
} // namespace

qint16 toInt16(double value)
{
    return clampRound<qint16>(value);
}
qint32 toInt32(double value)
{
    return clampRound<qint32>(value);
}

} // namespace TextRules
