#pragma once

#include <QString>
#include <array>
#include <cstddef>

// The captions of the genre and subtitle check boxes, shared by the detail pane, the movie editor
// and the description-text parser, with the one way a text of genres or languages checks them.
namespace Captions {

inline constexpr size_t GenreCount = 18;
inline constexpr size_t SubtitleCount = 8;
using Genres = std::array<QString, GenreCount>;
using Subtitles = std::array<QString, SubtitleCount>;
using GenreMarks = std::array<bool, GenreCount>;
using SubtitleMarks = std::array<bool, SubtitleCount>;

// The detail pane's genre boxes: box 7 reads "魔幻".
const Genres& paneGenres();
// The movie editor's genre boxes: box 7 reads "幻想"; the others as the pane's.
const Genres& editorGenres();
const Subtitles& subtitles();

// The boxes whose two-character caption starts at any position of the text once its first "/" is
// removed; blanks and the other separators do not matter ("科幻 / 动作" checks both).
template <size_t N>
std::array<bool, N> matchCaptions(const QString& text, const std::array<QString, N>& captions);

} // namespace Captions
