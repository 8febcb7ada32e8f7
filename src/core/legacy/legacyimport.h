#pragma once

#include "legacysource.h"
#include "store/catalogue.h"
#include "store/datafolder.h"

#include <QDateTime>
#include <QStringList>
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
// `posters` gets pairs of (old id, new id) as the list shows them.
CatalogueContents planAdd(const CatalogueContents& source, const StoredSummary& stored, Report& report,
    QList<std::pair<QString, QString>>& posters);

// Imports `source` into the catalogue of `folder`. Replace takes a backup first and stops, with
// nothing changed, when that fails. Pictures and settings from `sourceFolder` (the folder of the
// file; empty for none) are copied after the rows are committed; a failed copy is a warning.
std::optional<Report> importInto(const DataFolder& folder, LegacySource& source, Mode mode,
    const QString& sourceFolder, const QDateTime& now, QString* error);

// Opens the .mdb file and imports it.
std::optional<Report> importFile(
    const DataFolder& folder, const QString& mdbPath, Mode mode, const QDateTime& now, QString* error);

// First start: a data folder holding ShelfIndex.mdb and no ShelfIndex.db gets a catalogue made
// from the old one. The catalogue appears whole or not at all; the .mdb is only read.
bool wantsFirstImport(const DataFolder& folder);
std::optional<Report> importOnFirstStart(const DataFolder& folder, QString* error);
std::optional<Report> importOnFirstStart(const DataFolder& folder, LegacySource& source, QString* error);

// What the user is told: the counts, skipped disc numbers and warnings.
QString reportText(const Report& report);

} // namespace LegacyImport
