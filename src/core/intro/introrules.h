#pragma once

#include "store/records.h"

#include <QString>
#include <QStringView>
#include <optional>
#include <span>

// The field markers of downloaded description texts, and what each caller takes from them.
namespace Intro {

// Where the value of a marker found at `at` in `text` starts: past the marker and one separator
// character, two code units when that character lies beyond the BMP.
inline qsizetype valueOffset(QStringView text, qsizetype at, QStringView marker)
{
    const qsizetype separator = at + marker.size();
    const bool pair = separator + 1 < text.size() && text[separator].isHighSurrogate()
        && text[separator + 1].isLowSurrogate();
    return separator + (pair ? 2 : 1);
}

// A line that begins with `text` (compared exactly) gives `field` the rest of the line after the
// marker and one separator character.
struct LineMarker
{
    QStringView text;
    MovieField field;

    // "◎" or "◆": the two sites' families of markers.
    QChar family() const { return text.front(); }
};

// A marker searched in the whole text once every line is read; its first occurrence counts.
struct BlockMarker
{
    enum class Extent {
        UpToNextMark, // from after the marker and one separator up to the next mark of its family
        ToEnd, // from the marker itself to the end of the text
    };
    QStringView text;
    MovieField field;
    Extent extent;

    QChar family() const { return text.front(); }
};

// Both families, in the order they are tested on every line.
std::span<const LineMarker> lineMarkers();
// In the order they are applied; a later block for the same field wins.
std::span<const BlockMarker> blockMarkers();

// How a caller turns a line's value into what its field gets.
enum class Conversion {
    Text, // the value as it stands, blanks and all
    Genres, // the editor's genre boxes whose caption occurs in the value
    Subtitles, // the subtitle boxes whose caption occurs in the value
    Number, // the value's leading number in shortest decimal form
    RoundedNumber, // the leading number rounded to a whole number, halves upward
};

// What a caller does with a description file, by its MagicSelect4V setting.
enum class Mode { Parse, WholeText, Nothing };

struct FieldRule
{
    MovieField field;
    Conversion conversion;
};

// One caller's use of the markers: a line marker whose field has no rule here is no marker for
// this caller. The block markers are the same for every caller.
struct RuleSet
{
    std::span<const FieldRule> fields;
    Mode whenZero; // MagicSelect4V reads as 0 (also when it is missing)
    Mode otherwise; // any value but 1 and 0

    std::optional<Conversion> conversionFor(MovieField field) const;
    Mode modeFor(const QString& magicSelect4V) const;
};

// The movie editor's import: every marker; genres and subtitles check boxes; the score rounded.
const RuleSet& editorRules();
// The import wizard: no translated title, file size or file format; genres, subtitles and the
// score as they stand.
const RuleSet& wizardRules();

} // namespace Intro
