#pragma once

#include "movieform.h"

#include <QString>
#include <optional>

class Catalogue;
class DataFolder;

// The editor's three writes: a new movie, an edited one, a moved one. Each changes nothing when
// it fails and says why; a poster that could not be copied after the record was stored is
// reported as a warning.
namespace MovieSaving {

struct Outcome
{
    bool saved = false;
    double id = 0; // the movie's number
    QString error; // why nothing was written
    QString warning; // written, but something around it failed (the poster)
};

// Whether a disc exists under which a movie stored with the typed number is listed.
std::optional<bool> discExists(const Catalogue& catalogue, const QString& typedNumber, QString* error);

Outcome saveNewMovie(Catalogue& catalogue, const DataFolder& folder, const MovieForm& form);
Outcome saveEditedMovie(Catalogue& catalogue, const DataFolder& folder, double id, const MovieForm& form);
// Moves the movie to the disc of `typedNumber`. `saved` is false with no error when the movie is
// already on that disc.
Outcome moveMovie(Catalogue& catalogue, double id, const QString& typedNumber);

} // namespace MovieSaving
