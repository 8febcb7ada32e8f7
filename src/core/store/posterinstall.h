#pragma once

#include "datafolder.h"

#include <QList>
#include <QString>
#include <QStringList>

class QSqlDatabase;

// The posters of an added disc are part of what its commit stores. Each picture is first copied
// into a staging folder under Posters/; the pending install is recorded in our own table
// PendingPosters in the same transaction as the movies; after that transaction the pictures are
// moved into place, the staging folder goes and the record is cleared. Every start finishes an
// install that a kill cut short and removes staging folders that no stored transaction names, so
// a disc is either absent or present with all its posters.
namespace PosterInstall {

// One movie's part of an install.
struct Entry
{
    double id = 0;
    // The picture staged for the movie, as named inside the staging folder's Posters/; empty when
    // it has none, and then a poster that a deleted movie left under its number is removed.
    QString stagedName;
};

// A staging folder Posters/.incoming/<name>/. While it lives, no start removes it; it is removed
// with what it holds when it goes unfinished.
class Staging
{
public:
    explicit Staging(const DataFolder& folder);
    ~Staging();
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;

    bool ok() const { return error_.isEmpty(); }
    // Why no picture can be staged, naming the posters folder.
    QString error() const { return error_; }
    QString name() const { return name_; }
    // The posters folder the pictures are installed into.
    QString postersDir() const { return folder_.postersDir(); }
    // The place a picture is copied into: a data folder whose Posters/ is inside the staging folder.
    DataFolder target() const { return DataFolder(path_); }
    // The entry name of a picture copied into target() under `idText`.
    static QString stagedNameFor(const QString& idText) { return idText + QStringLiteral(".jpg"); }

    // Records the entries as this folder's pending install, inside the caller's transaction on `db`.
    bool record(
        QSqlDatabase& db, const QString& cataloguePath, const QList<Entry>& entries, QString* error) const;
    // Once the transaction holding the record is stored: moves each staged picture over
    // Posters/<id>.jpg, removes the leftover poster of each movie without one, removes the
    // staging folder and clears the record. What could not be done goes to `warnings`.
    void finish(const QList<Entry>& entries, QStringList* warnings);

private:
    DataFolder folder_;
    QString path_;
    QString name_;
    QString error_;
    int lock_ = -1;
    bool finished_ = false;
};

// Run at every start, once the catalogue is prepared: finishes the recorded installs and removes
// unrecorded staging folders. Leaves everything alone while another program is storing posters.
// False with a message when something is left for the next start (a locked catalogue, a
// read-only folder).
bool finishInterrupted(const DataFolder& folder, QString* problem = nullptr);

} // namespace PosterInstall
