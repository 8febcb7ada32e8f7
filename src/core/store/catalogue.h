#pragma once

#include "records.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

class QSqlDatabase;

// A stored value read without conversion; its text is valid only during the visit.
struct StoredValue
{
    enum Kind : quint8 { Null, Number, Text };
    Kind kind = Null;
    double number = 0;
    QByteArrayView utf8;
};
using StoredMovie = std::array<StoredValue, MovieFieldCount>;

// A value as the fast walk hands it out; `buffer` keeps a text alive.
StoredValue storedValue(const QVariant& value, QByteArray& buffer);

// Which fields of a disc record to assign; a field left out keeps its stored value.
struct DiscDetails
{
    std::optional<QString> name;
    std::optional<QString> diskType;
    std::optional<QString> station;
    std::optional<QString> ps;
};

// How an operation on one disc, found by its number, came out.
struct DiscOutcome
{
    enum Status { Done, NoSuchDisc, Failed };
    Status status = Done;
    QString error; // what to tell the user when it is not Done

    bool ok() const { return status == Done; }
};

// The rows of the three tables, each in stored order, as an import writes them.
struct CatalogueContents
{
    QList<DiscRecord> discs;
    QList<MovieRecord> movies;
    QList<FileTypeRecord> fileTypes;
};

// What an adding import sees of the catalogue before it decides what to add.
struct StoredSummary
{
    QList<DiscRecord> discs;
    QList<FileTypeRecord> fileTypes;
    double nextMovieId = 1;
};

// The catalogue file ShelfIndex.db. Nothing is held open between operations: each call opens the
// file, does its work and closes it again, so another program may use the file in between.
class Catalogue
{
public:
    explicit Catalogue(const QString& filePath);
    // Reads of the movie table stop waiting for a catalogue another program holds as soon as
    // `giveUp` turns true, and fail as locked: for work beside the window that may be stopped.
    Catalogue(const QString& filePath, const std::atomic_bool* giveUp);

    QString filePath() const { return path_; }

    // Makes sure the file is a usable catalogue before the first use: creates a fresh one where
    // none exists, adds a missing table or index without touching any row, and refuses (with a
    // message naming the file and the problem) a file that is not a catalogue, cannot be read or
    // is locked. A refused file is never written to.
    bool prepare(QString* error);

    // Discs in stored order. Returns nullopt on failure, with the message in *error.
    std::optional<QList<DiscRecord>> discs(QString* error = nullptr) const;

    // Walks the movie table in stored order; the visitor sees each record once. A visitor
    // that returns false stops the walk. Returns false on a database failure.
    bool forEachMovie(const std::function<bool(const MovieRecord&)>& visit, QString* error = nullptr) const;
    // The walk behind the movie list: values as stored, without copies. With `disc`, only the
    // movies whose DiskNum may show as that number are visited (within the rounding of the shown
    // form, or stored as text); the caller checks the exact text.
    bool forEachStoredMovie(std::optional<double> disc, const std::function<bool(const StoredMovie&)>& visit,
        QString* error = nullptr) const;
    // The walk behind the movie list: as forEachStoredMovie, with each movie's rowid, and the
    // introduction (PS) left out as null, as reading the longest field of every movie is most of a
    // listing's cost; movieFieldsAt reads it for the one movie shown.
    bool forEachListedMovie(std::optional<double> disc,
        const std::function<bool(const StoredMovie&, qint64 rowid)>& visit, QString* error = nullptr) const;
    // The stored values of `fields` of the movie at `rowid`, in that order; an empty list when no
    // movie has that rowid now.
    std::optional<QVariantList> movieFieldsAt(
        qint64 rowid, const QList<MovieField>& fields, QString* error = nullptr) const;
    // The number (ID) and introduction (PS) of the movies at `rowids` (ascending), in that order,
    // from one read of the table: a seek for each when they are few, one walk otherwise. A rowid no
    // movie has now is skipped. What a listing left out, read without the other fields.
    using IntroVisitor = std::function<bool(qint64 rowid, const StoredValue& id, const StoredValue& ps)>;
    bool forEachIntroAt(
        const std::vector<qint64>& rowids, const IntroVisitor& visit, QString* error = nullptr) const;
    // The walk behind a search: `test` sees `field` of every movie in stored order, and the movies
    // it accepts are visited whole, in stored order, from the same read of the file.
    bool forEachStoredMovieWhere(MovieField field, const std::function<bool(const StoredValue&)>& test,
        const std::function<bool(const StoredMovie&)>& visit, QString* error = nullptr) const;
    // A walk in stored order that reads only `fields`: the other values of each movie are null.
    // Much quicker than a whole walk where a long field (PS) is not wanted.
    bool forEachStoredMovieFields(const QList<MovieField>& fields,
        const std::function<bool(const StoredMovie&)>& visit, QString* error = nullptr) const;
    // The number of movie records, or -1 on failure.
    qint64 movieCount(QString* error = nullptr) const;
    std::optional<MovieRecord> findMovie(double id, QString* error = nullptr) const;

    // Disc operations find the first disc in stored order whose number (DiscNumbers::numberOf)
    // is `number` trimmed of blanks. Nothing changes when there is no such disc (NoSuchDisc) or
    // the catalogue cannot be read or written (Failed); either way `error` says so.
    DiscOutcome findDisc(const QString& number, DiscRecord* disc = nullptr) const;
    DiscOutcome updateDisc(const QString& number, const DiscDetails& details);
    // Fav becomes "Yes" or "No".
    DiscOutcome setFavourite(const QString& number, bool favourite);
    // Deletes the disc and exactly the movies its listing shows (DiscNumbers::holdsMovie), all
    // or nothing. Poster files stay where they are.
    DiscOutcome deleteDiscWithMovies(const QString& number, qint64* moviesDeleted = nullptr);
    static QString missingDiscMessage(const QString& number);

    std::optional<QList<FileTypeRecord>> fileTypes(QString* error = nullptr) const;
    // Sets Selected to "Yes" or "No" on each row found by its rowid, all in one transaction; a
    // row that another program deleted meanwhile is left out.
    bool setFileTypesSelected(const QList<std::pair<qint64, bool>>& selected, QString* error = nullptr);

    // The number the next added movie gets: the largest numeric reading of ID plus one.
    std::optional<double> nextMovieId(QString* error = nullptr) const;

    // Writers: each runs in one transaction and reports failure; nothing is half-written.
    // A disc whose number a stored disc carries is refused with DiscNumbers::takenMessage.
    bool addDisc(const DiscRecord& disc, QString* error = nullptr);
    bool addMovie(const MovieRecord& movie, QString* error = nullptr);
    bool addMovies(const QList<MovieRecord>& movies, QString* error = nullptr);
    bool addDiscsAndMovies(
        const QList<DiscRecord>& discs, const QList<MovieRecord>& movies, QString* error = nullptr);

    // Seeks the movie by its number (the first in stored order, should numbers repeat) and
    // assigns the given fields; false when there is no such movie or the write fails.
    bool updateMovie(
        double id, const QList<std::pair<MovieField, QVariant>>& fields, QString* error = nullptr);
    // Seeks the movie by its number and deletes it.
    bool deleteMovie(double id, QString* error = nullptr);

    // The guarded forms of the two above, for a caller that acts on a movie it read earlier:
    // `decide` sees the movie as it is stored now, inside the write transaction, so that no other
    // program can change it between the look and the write.
    struct MovieChange
    {
        std::optional<QString> refusal; // the movie is no longer the one meant: nothing changes
        QList<std::pair<MovieField, QVariant>> fields; // assigned; none leaves the record as it is
    };
    bool changeMovie(
        double id, const std::function<MovieChange(const MovieRecord&)>& decide, QString* error = nullptr);
    // Deletes the movie unless `refuse` gives a reason not to.
    bool deleteMovieIf(double id, const std::function<std::optional<QString>(const MovieRecord&)>& refuse,
        QString* error = nullptr);

    // What a caller stores of its own in the same transaction as the rows (a pending install of
    // their pictures); false with a message undoes everything.
    using AlsoStore = std::function<bool(QSqlDatabase& db, QString* error)>;

    // Replaces every row of the three tables by `contents`, all or nothing. `first` runs once the
    // write lock is held and before anything is changed (a copy of what is replaced: no other
    // program can store anything between it and the replacing).
    bool replaceContents(const CatalogueContents& contents, QString* error = nullptr,
        const AlsoStore& alsoStore = {}, const std::function<bool(QString* error)>& first = {});
    // Adds what `plan` makes of the stored discs, file types and next movie number, read in the
    // same write transaction, so nothing can change in between. All or nothing.
    bool addContents(const std::function<CatalogueContents(const StoredSummary&)>& plan,
        QString* error = nullptr, const AlsoStore& alsoStore = {});

    static QString schemaSql();

private:
    bool walkStoredMovies(std::optional<double> disc, bool withIntro,
        const std::function<bool(const StoredMovie&, qint64 rowid)>& visit, QString* error) const;

    QString path_;
    const std::atomic_bool* giveUp_ = nullptr;
};

class QSqlDatabase;

namespace CatalogueDb {
// Finds the disc by its number on an open connection, inside the caller's transaction: its rowid
// and, when asked, the record.
DiscOutcome seekDisc(
    QSqlDatabase& db, const QString& path, const QString& number, qint64& rowid, DiscRecord* disc = nullptr);
// A disc deleted by another program leaves its medium, checks and loans behind, and a new disc
// given its number would inherit them (lent to someone, say, the day it is added). Called before
// the discs are inserted, inside the caller's transaction: what is stored under a number that no
// disc carries yet goes.
bool forgetLeftOversOfDiscs(
    QSqlDatabase& db, const QString& path, const QList<DiscRecord>& added, QString* error);
} // namespace CatalogueDb
