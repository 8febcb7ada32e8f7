#pragma once

#include <QString>
#include <optional>

class DataFolder;

// The poster of movie n is Posters/<n>.jpg. A copy never leaves a half-written poster behind and
// never destroys the only copy of a picture.
namespace PosterFile {

// The reason a chosen file cannot become a poster (missing, unreadable, not a picture), or nothing.
std::optional<QString> problemWith(const QString& source);

// Copies `source` over the poster of movie `idText`. Picking the movie's own poster again changes
// nothing. False with a message when the copy fails; the old poster then stays as it was.
bool install(const DataFolder& folder, const QString& idText, const QString& source, QString* error);

// Removes a poster that a deleted movie left under `idText`, so a new movie given the same
// number never shows a stranger's picture. False with a message when it cannot be removed.
bool removeLeftover(const DataFolder& folder, const QString& idText, QString* error);

} // namespace PosterFile
