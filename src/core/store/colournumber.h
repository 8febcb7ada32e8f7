#pragma once

#include <QString>
#include <optional>

// The colours of the settings file are Windows colour references written as decimal integers:
// red in the lowest byte, then green, then blue (R + 256·G + 65536·B). This is not QColor::rgb(),
// which puts red in the high byte.
namespace ColourNumber {

inline constexpr quint32 largest = 16777215;

quint32 fromRgb(int red, int green, int blue);
int red(quint32 number);
int green(quint32 number);
int blue(quint32 number);

// The colour a stored text stands for, read by its leading number; nullopt when that number is
// no colour (below 0, above 16777215, or too large to read), so it never reaches an integer
// conversion.
std::optional<quint32> read(const QString& text);

// The decimal text the settings file stores.
QString text(quint32 number);

} // namespace ColourNumber
