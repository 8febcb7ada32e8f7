#include "colournumber.h"

#include "textrules.h"

#include <algorithm>
#include <cmath>

namespace ColourNumber {

namespace {

quint32 channel(int value)
{
    return quint32(std::clamp(value, 0, 255));
}

} // namespace

quint32 fromRgb(int red, int green, int blue)
{
    return channel(red) + 256 * channel(green) + 65536 * channel(blue);
}

int red(quint32 number)
{
    return int(number & 0xFF);
}

int green(quint32 number)
{
    return int((number >> 8) & 0xFF);
}

int blue(quint32 number)
{
    return int((number >> 16) & 0xFF);
}

std::optional<quint32> read(const QString& text)
{
    const double number = TextRules::numericValue(text);
    if (!std::isfinite(number))
        return std::nullopt;
    // Rounded as the integer conversion rounds, then checked, so "16777215.4" still counts.
    const double rounded = std::round(number);
    if (rounded < 0 || rounded > double(largest))
        return std::nullopt;
    return quint32(TextRules::toInt32(number));
}

QString text(quint32 number)
{
    return QString::number(number);
}

} // namespace ColourNumber
