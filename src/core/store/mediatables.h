#pragma once

#include "media/mediafacts.h"
#include "records.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

class QSqlDatabase;

// One file of a movie as the scan that stored it found it.
struct MovieFileRecord
{
    int part = 1; // 1 for a single file; the order of the joined parts
    QByteArray path; // relative to the scanned root, the bytes the file system holds
    qint64 size = 0;
    QDateTime modified; // UTC; invalid when not known
    std::optional<MediaFacts> facts; // nullopt: not read, or could not be read
    QByteArray hash; // XXH3-128 (hex) its disc's first check took; empty before it
};

// What identifies the medium a disc was scanned from.
struct DiscMediumRecord
{
    QString label; // volume label, where the system knows it
    QString uuid; // file-system UUID or serial
    QString fsType; // "iso9660", "udf", "ext4", ...
    qint64 fileCount = 0; // every file under the scanned root
    qint64 totalSize = 0;
    QString fingerprint; // of the sorted list of (relative path, size) of those files
    QDateTime scanned; // UTC
};

// Our own tables beside the three of the catalogue, which stay exactly as they are: the files of
// each movie (by its ID) with their media facts, and the medium of each disc (by its number).
// The functions work inside the caller's transaction.
namespace MediaTables {

// Makes the tables where they are missing; rows that are there stay.
bool ensure(QSqlDatabase& db, const QString& path, QString* error);

// Replaces the files remembered for the movie.
bool putFiles(QSqlDatabase& db, const QString& path, double movieId, const QList<MovieFileRecord>& files,
    QString* error);
// Replaces the medium remembered for the disc (its number as DiscNumbers::numberOf gives it).
bool putMedium(QSqlDatabase& db, const QString& path, const QString& discNumber,
    const DiscMediumRecord& medium, QString* error);

// What a deleted movie or disc leaves behind goes with it; so do files another program left under
// a movie number that is given out again.
bool deleteMovieFiles(QSqlDatabase& db, const QString& path, double movieId, QString* error);
bool forgetMovies(QSqlDatabase& db, const QString& path, const QList<QVariant>& movieIds, QString* error);
bool deleteMedium(QSqlDatabase& db, const QString& path, const QString& discNumber, QString* error);
bool deleteDiscChecks(QSqlDatabase& db, const QString& path, const QString& discNumber, QString* error);
// Everything: the catalogue's three tables were replaced as a whole.
bool clear(QSqlDatabase& db, const QString& path, QString* error);

// The files remembered for the movie, by part; empty when there are none (or no tables yet).
std::optional<QList<MovieFileRecord>> files(const QString& catalogueFile, double movieId, QString* error);
// The medium remembered for the disc into *found (nullopt when none); false when it cannot be read.
bool medium(const QString& catalogueFile, const QString& discNumber, std::optional<DiscMediumRecord>* found,
    QString* error);

// A movie read again from its medium: its files, and the values its facts give.
struct RescannedMovie
{
    double id = 0;
    QList<MovieFileRecord> files;
    QList<std::pair<MovieField, QVariant>> fills;
};

// In one transaction: each movie's files replaced, each fill written only where the field is null
// at that moment (so nothing a user or another program wrote is overwritten), and the disc's
// medium replaced. `filled` gets, per movie, the fields written.
bool storeRescan(const QString& catalogueFile, const QString& discNumber, const DiscMediumRecord& medium,
    const QList<RescannedMovie>& movies, QList<QList<MovieField>>* filled, QString* error);

// What the catalogue remembers of one disc's medium, for telling which disc a medium is.
struct RememberedDisc
{
    QString number; // as DiscNumbers::numberOf gives it
    QString name;
    QString uuid; // empty when none is remembered
    QList<std::pair<QByteArray, qint64>> files; // its movies' files: path below the root, size
};
// Every disc in stored order with what is remembered of it.
std::optional<QList<RememberedDisc>> rememberedDiscs(const QString& catalogueFile, QString* error);

// One check of a disc's files, and what it found of each file.
struct DiscCheckRecord
{
    QDateTime checked; // UTC
    int files = 0;
    int ok = 0;
    int missing = 0;
    int changed = 0;
    int unreadable = 0;
    qint64 bytes = 0;
    double seconds = 0;
    bool passed() const { return ok == files; }
};
struct FileCheckRecord
{
    double movieId = 0;
    int part = 1;
    QByteArray path;
    QString status; // "ok", "missing", "changed", "unreadable"
    qint64 offset = -1; // where an unreadable file failed
    QByteArray firstHash; // a hash to keep: only for a file that has none yet
};
// In one transaction: the disc's check added to its history, each file's last result replaced,
// and the hashes of files checked for the first time kept.
bool storeCheck(const QString& catalogueFile, const QString& discNumber, const DiscCheckRecord& check,
    const QList<FileCheckRecord>& files, QString* error);
// The disc's last check into *found (nullopt when it was never checked).
bool lastCheck(const QString& catalogueFile, const QString& discNumber, std::optional<DiscCheckRecord>* found,
    QString* error);
// The last check of every disc ever checked, by disc number, in one read; empty for a catalogue
// without our tables.
std::optional<QHash<QString, DiscCheckRecord>> lastChecks(const QString& catalogueFile, QString* error);

// The fingerprint of a medium's files: SHA-1 over the sorted (relative path, size) pairs.
QString fingerprint(QList<std::pair<QByteArray, qint64>> files);

} // namespace MediaTables
