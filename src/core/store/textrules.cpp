#include "textrules.h"

#include <QLocale>
#include <cmath>
#include <limits>

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
    const double v = std::strtod(s.c_str(), nullptr);
    if (std::isnan(v))
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

QString shortestDecimal(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    if (value == 0.0)
        return QStringLiteral("0"); // also turns -0 into 0
    if (std::trunc(value) == value && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    // Fifteen significant digits, as a double holds them, without an exponent for the
    // magnitudes a catalogue holds.
    QString text = QString::number(value, 'g', 15);
    if (text.contains(u'e')) {
        text = QString::number(value, 'f', 15);
        if (text.contains(u'.')) {
            while (text.endsWith(u'0'))
                text.chop(1);
            if (text.endsWith(u'.'))
                text.chop(1);
        }
    }
    return text;
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
