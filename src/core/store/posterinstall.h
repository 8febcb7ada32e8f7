#pragma once

#include "datafolder.h"

#include <QList>
#include <QString>
#include <QStringList>

class QSqlDatabase;

// The pictures an operation brings are part of what its commit stores. Each picture is first
// copied into a staging folder under Posters/; the pending install is recorded in our own table
// PendingPosters in the same transaction as the rows; after that transaction the pictures are
// moved into place, the staging folder goes and the record is cleared. Every start finishes an
// install that a kill cut short and removes staging folders that no stored transaction names, so
// the rows are either absent or present with all their pictures.
namespace PosterInstall {

// What becomes of a file already at an entry's place.
enum class Existing {
    // The staged picture replaces it; without one it is removed (a deleted movie's poster).
    Replace,
    // It is first moved into the entry's keep folder under its own name, and stays where it is,
    // with nothing put in its place, when it cannot be kept there.
    KeepAside,
    // It stays; the staged picture is put in place only where there is none.
    Keep,
};

// One file of an install.
struct Entry
{
    Entry() = default;
    // The poster of movie `movie`, staged as `staged`.
    Entry(double movie, const QString& staged)
        : id(movie)
        , stagedName(staged)
    {
    }

    double id = 0;
    // The picture staged for it, as named inside the staging folder's Posters/; empty when it has
    // none, and then only the file at its place is dealt with.
    QString stagedName;
    // Its place inside the data folder: Posters/<name>, Compics/<name> or the settings file;
    // empty for the poster of movie `id`.
    QString target;
    Existing existing = Existing::Replace;
    // With KeepAside: the folder inside the data folder under Backups/ that takes the file found
    // at its place.
    QString keepIn;
};

// An entry that could not be put in place.
struct Failure
{
    qsizetype entry = 0; // its index in the install
    bool keeping = false; // the file at its place could not be kept aside, and stays
    int error = 0; // the system's error number; EEXIST when the keep folder holds that name already
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
    // The system's error number behind error().
    int systemError() const { return systemError_; }
    QString name() const { return name_; }
    // The posters folder the pictures are installed into.
    QString postersDir() const { return folder_.postersDir(); }
    // The place a picture is copied into: a data folder whose Posters/ is inside the staging folder.
    DataFolder target() const { return DataFolder(path_); }
    // The entry name of a picture copied into target() under `idText`.
    static QString stagedNameFor(const QString& idText) { return idText + QStringLiteral(".jpg"); }
    // The file a picture staged under `stagedName` is written to.
    QString stagedPath(const QString& stagedName) const { return target().postersDir() + u'/' + stagedName; }

    // Whether every file that an entry keeps aside finds room in its keep folder; else nothing may
    // be stored, or the file would stay and be shown with what takes its place. Record checks it.
    bool canKeepAside(const QList<Entry>& entries, QString* error) const;
    // Records the entries as this folder's pending install, inside the caller's transaction on `db`.
    bool record(
        QSqlDatabase& db, const QString& cataloguePath, const QList<Entry>& entries, QString* error) const;
    // Once the transaction holding the record is stored: puts every entry in place in their order,
    // removes the staging folder and clears the record. Returns what could not be done.
    QList<Failure> install(const QList<Entry>& entries);
    // The same for the posters of added movies: moves each staged picture over Posters/<id>.jpg and
    // removes the leftover poster of each movie without one; what failed goes to `warnings`.
    void finish(const QList<Entry>& entries, QStringList* warnings);

private:
    DataFolder folder_;
    QString path_;
    QString name_;
    QString error_;
    int systemError_ = 0;
    int lock_ = -1;
    bool finished_ = false;
};

// The place of an entry's file, or empty when its recorded place lies outside what an install
// may change.
QString placeOf(const DataFolder& folder, const Entry& entry);

// Run at every start, once the catalogue is prepared: finishes the recorded installs and removes
// unrecorded staging folders. Leaves everything alone while another program is storing posters.
// False with a message when something is left for the next start (a locked catalogue, a
// read-only folder).
bool finishInterrupted(const DataFolder& folder, QString* problem = nullptr);

} // namespace PosterInstall
