#include "introparser.h"

#include "store/textrules.h"

#include <cmath>

namespace Intro {

namespace {

// A value past the end of its text is empty, never null: a null text would be stored as a null field.
QString textFrom(QStringView text, qsizetype from, qsizetype length = -1)
{
    if (from >= text.size())
        return QStringLiteral("");
    return text.sliced(from, length < 0 ? text.size() - from : length).toString();
}

double roundHalfUp(double value)
{
    const double whole = std::floor(value);
    return value - whole >= 0.5 ? whole + 1 : whole;
}

// Boxes already checked stay checked.
template <size_t N> void checkAlso(std::array<bool, N>& boxes, const std::array<bool, N>& found)
{
    for (size_t i = 0; i < N; ++i)
        boxes[i] = boxes[i] || found[i];
}

void takeValue(IntroResult& result, MovieField field, Conversion conversion, const QString& value)
{
    switch (conversion) {
    case Conversion::Text:
        result.fields[field] = value;
        return;
    case Conversion::Genres:
        checkAlso(result.genres, Captions::matchCaptions(value, Captions::editorGenres()));
        return;
    case Conversion::Subtitles:
        checkAlso(result.subtitles, Captions::matchCaptions(value, Captions::subtitles()));
        return;
    case Conversion::Number:
    case Conversion::RoundedNumber: {
        double number = TextRules::numericValue(value);
        if (conversion == Conversion::RoundedNumber)
            number = roundHalfUp(number);
        result.fields[field] = TextRules::shortestDecimal(number);
        if (field == MovieField::Score) {
            result.scoreText = value;
            result.score = number;
        }
        return;
    }
    }
}

void readLine(IntroResult& result, const QString& line, const RuleSet& rules)
{
    for (const LineMarker& marker : lineMarkers()) {
        if (!line.startsWith(marker.text))
            continue;
        const std::optional<Conversion> conversion = rules.conversionFor(marker.field);
        if (!conversion)
            continue;
        takeValue(result, marker.field, *conversion, textFrom(line, valueOffset(line, 0, marker.text)));
        result.recognised = true;
    }
}

} // namespace

QString wholeText(const QStringList& lines)
{
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    QString text;
    text.reserve(size);
    for (const QString& line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    return text;
}

std::optional<QString> extractBlock(const QString& text, const BlockMarker& marker)
{
    const qsizetype at = text.indexOf(marker.text);
    if (at < 0)
        return std::nullopt;
    if (marker.extent == BlockMarker::Extent::ToEnd)
        return textFrom(text, at);
    const qsizetype from = valueOffset(text, at, marker.text);
    const qsizetype end = from < text.size() ? text.indexOf(marker.family(), from) : -1;
    // A block with no mark after it runs to the end of the text rather than coming out empty.
    return textFrom(text, from, end < 0 ? -1 : end - from);
}

IntroResult parseIntroText(const QStringList& lines, const RuleSet& rules)
{
    IntroResult result;
    for (const QString& line : lines)
        readLine(result, line, rules);

    const QString text = wholeText(lines);
    for (const BlockMarker& marker : blockMarkers()) {
        std::optional<QString> block = extractBlock(text, marker);
        if (!block)
            continue;
        result.fields[marker.field] = std::move(*block);
        if (marker.field == MovieField::PS)
            result.introFound = true;
        else
            result.recognised = true;
    }
    if (!result.recognised && !result.introFound)
        result.fields[MovieField::PS] = text;
    return result;
}

} // namespace Intro
