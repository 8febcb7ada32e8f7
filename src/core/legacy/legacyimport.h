#pragma once

#include "legacypictures.h"
#include "legacysource.h"
#include "mdbreadprocess.h"
#include "store/catalogue.h"
#include "store/datafolder.h"

#include <QDateTime>
#include <QStringList>
#include <functional>
#include <optional>

// Bringing an old catalogue (ShelfIndex.mdb made on Windows) into ours.
namespace LegacyImport {

enum class Mode {
    Replace, // after a backup, the catalogue's rows become the file's, with its settings
    Add, // the file's discs and movies join ours, movie numbers after our largest
};

struct Report
{
    qint64 discs = 0;
    qint64 movies = 0;
    qint64 fileTypes = 0;
    QStringList skippedDiscs; // numbers our catalogue already had (adding only)
    qint64 skippedMovies = 0; // movies on those discs
    QStringList warnings; // pictures or settings that could not be copied
    bool importedElsewhere = false; // first start: another start of the program imported the file
};

// How an import of an .mdb file runs: the limits of its reading and the way to stop it, and who
// hears that the reading is over and the catalogue is about to change (it cannot be stopped then).
struct Control
{
    MdbReadProcess::Options reading;
    std::function<void()> writing;
    // First start only: told once that another start of the program is importing the file, and
    // that this one waits for it.
    std::function<void()> waiting;
};

inline QString legacyFileName()
{
    return DataFolder::legacyCatalogueFileName();
}

// Reads the three tables and maps their fields by name onto our records. Missing tables or
// fields are all named in one message; nothing is guessed.
std::optional<CatalogueContents> readContents(LegacySource& source, QString* error);

// What adding `source` to a catalogue holding `stored` writes: discs whose numbers we already
// have are left out with their movies, movie numbers follow ours, known file types are kept.
// `added` gets each movie stored, with its old and new number as the list shows them.
CatalogueContents planAdd(
    const CatalogueContents& source, const StoredSummary& stored, Report& report, QList<AddedMovie>& added);

// Imports `source` into the catalogue of `folder`. Replace takes a backup first and stops, with
// nothing changed, when that fails. Pictures and settings from `sourceFolder` (the folder of the
// file; empty for none) are stored with the rows (see LegacyPictures): a picture that cannot be
// read or put in place is a warning; a disk that cannot take the copies stops the import with
// nothing changed. A poster a deleted movie left under the number an imported movie gets is moved
// aside into Backups/Replaced-<stamp>/Posters, so the movie does not show it. `beforeWriting`,
// when given, runs once the tables are read; false from it stops with nothing changed.
std::optional<Report> importInto(const DataFolder& folder, LegacySource& source, Mode mode,
    const QString& sourceFolder, const QDateTime& now, QString* error,
    const std::function<bool(QString* error)>& beforeWriting = {});

// Reads the .mdb file in the helper process (see MdbReadProcess) and imports it.
std::optional<Report> importFile(const DataFolder& folder, const QString& mdbPath, Mode mode,
    const QDateTime& now, QString* error, const Control& control = {});

// First start: a data folder holding ShelfIndex.mdb and no ShelfIndex.db gets a catalogue made
// from the old one. The catalogue appears whole or not at all; the .mdb is only read. Two starts
// at once take turns: one imports, the other waits and then finds the catalogue made (the report
// then says importedElsewhere).
bool wantsFirstImport(const DataFolder& folder);
std::optional<Report> importOnFirstStart(
    const DataFolder& folder, QString* error, const Control& control = {});
std::optional<Report> importOnFirstStart(
    const DataFolder& folder, LegacySource& source, QString* error, const Control& control = {});

// What the user is told: the counts and skipped disc numbers, then each file that could not be
// copied on a line of its own, however many there are.
struct Notice
{
    QString text;
    QStringList details;
    bool isEmpty() const { return text.isEmpty(); }
};
Notice reportNotice(const Report& report);
// The same as one text, for the terminal.
QString reportText(const Report& report);

} // namespace LegacyImport
