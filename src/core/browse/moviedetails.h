#pragma once

#include "intro/captions.h"
#include "movielisting.h"

#include <QString>
#include <array>

class DataFolder;

// What the detail pane shows for one list row. Worked out without any widget so that the
// window and the tests share it.
struct MovieDetails
{
    enum class Seen { Unknown, Yes, No };

    std::array<QString, 14> boxes; // by text box index (Text1 0 to 13)
    QString summary; // fifteen lines joined by CR LF
    Seen seen = Seen::Unknown;
    Captions::GenreMarks genres {}; // by the pane's genre captions
    Captions::SubtitleMarks subtitles {};
    QString logoPath; // empty: no logo
    QString posterPath; // the movie's poster, or the default poster when it has none
    int litStars = 0; // 0 to 10
};

namespace Details {

inline constexpr int TextBoxCount = 14;
// The list column each text box shows.
inline constexpr std::array<int, TextBoxCount> boxColumn
    = { ListCol::DiskNum, ListCol::FileType, ListCol::FileNum, ListCol::EngName, ListCol::Direct,
          ListCol::Role, ListCol::Lastfor, ListCol::Audio, ListCol::MovieSize, ListCol::MovieName,
          ListCol::Year, ListCol::Definition, ListCol::Nation, ListCol::Company };

inline const QString seenCaption = QStringLiteral("已经看过");
inline const QString unseenCaption = QStringLiteral("还未观看");

QString summaryText(const MovieRow& row);
int litStars(const QString& scoreText);

MovieDetails forRow(const MovieRow& row, const DataFolder& folder);

} // namespace Details
