#pragma once

#include "movieform.h"

#include <QString>
#include <optional>

class Catalogue;
class DataFolder;

// The editor's three writes and the delete: a new movie, an edited one, a moved one, a deleted
// one. Each changes nothing when it fails and says why; a poster that could not be copied after
// the record was stored is reported as a warning. An edit, a move and a delete act on the movie a
// list row shows, and only while the stored record is still that movie.
namespace MovieSaving {

struct Outcome
{
    bool saved = false;
    double id = 0; // the movie's number
    QString error; // why nothing was written
    QString warning; // written, but something around it failed (the poster)
};

// Why the stored movie is no longer the one the row shows (its title or its disc changed, as when
// another program deleted it and a new movie took its number), or nothing.
std::optional<QString> staleRowProblem(const MovieRow& row, const MovieRecord& stored);

// Whether a disc exists under which a movie stored with the typed number is listed.
std::optional<bool> discExists(const Catalogue& catalogue, const QString& typedNumber, QString* error);

Outcome saveNewMovie(Catalogue& catalogue, const DataFolder& folder, const MovieForm& form);
// Writes the fields that differ between `shown` (the controls as the row filled them) and `edited`.
Outcome saveEditedMovie(Catalogue& catalogue, const DataFolder& folder, const MovieRow& row,
    const MovieForm& shown, const MovieForm& edited);
// Moves the movie to the disc of `typedNumber`. `saved` is false with no error when the movie is
// already on that disc.
Outcome moveMovie(Catalogue& catalogue, const MovieRow& row, const QString& typedNumber);
Outcome deleteMovie(Catalogue& catalogue, const MovieRow& row);

// Why the row no longer shows the stored movie (deleted or changed by another program), read
// before anything is done for a change — a backup, a question; the change checks again.
std::optional<QString> rowProblem(const Catalogue& catalogue, const MovieRow& row);

} // namespace MovieSaving
