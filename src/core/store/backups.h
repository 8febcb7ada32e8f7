#pragma once

#include "datafolder.h"

#include <QDateTime>
#include <QList>
#include <QString>

// Copies of the catalogue kept in Backups/ of the data folder, made with SQLite's online backup
// so that a copy taken while another program writes is still a consistent catalogue.
class CatalogueBackups
{
public:
    // The copy of each day's first start, and the copies taken before a deletion, a restore or
    // an import. Each kind keeps its own newest copies, so that a day of deletions never pushes
    // out the copy of the day before.
    enum class Kind { Operation, Daily };
    static constexpr int kept = 10; // of each kind

    struct Entry
    {
        QString path;
        QDateTime taken; // from the file name, local time
        Kind kind = Kind::Operation;
        qint64 discs = -1; // -1 when the copy cannot be read
        qint64 movies = -1;
    };

    explicit CatalogueBackups(const DataFolder& folder);

    QString folderPath() const;
    // Where pictures and settings that something replaced or set aside at `now` are kept:
    // Backups/Replaced-<yyyyMMdd-HHmmss>.
    QString replacedFolder(const QDateTime& now) const;
    // The same folder named inside the data folder, as an install records it.
    static QString replacedFolderName(const QDateTime& now);

    // Copies the catalogue to Backups/ShelfIndex-<yyyyMMdd-HHmmss>.db and keeps the newest ones.
    // A missing catalogue is not an error: there is nothing to lose, and no copy is made. A copy
    // that fails leaves no file behind and says whether the catalogue or the Backups folder was
    // the cause, and what to do.
    bool take(const QDateTime& now, QString* error, QString* madePath = nullptr) const;
    // The start-up copy (ShelfIndex-<yyyyMMdd-HHmmss>-daily.db): only when no daily copy was taken
    // on the same day.
    bool takeDaily(const QDateTime& now, QString* error, QString* madePath = nullptr) const;

    // Newest first, both kinds; only files named as take() and takeDaily() name them.
    QList<Entry> list() const;

    // Whether restore() first keeps the state it replaces as a backup of its own.
    enum class Current { Keep, Discard };

    // Puts a copy back as the catalogue in one step, after taking a copy of the current state.
    // When that copy cannot be made nothing changes and *notKept is set, so that the caller may
    // ask the user and try again with Current::Discard.
    bool restore(const QString& backupPath, const QDateTime& now, QString* error,
        Current current = Current::Keep, bool* notKept = nullptr) const;

    static QDateTime stampOf(const QString& fileName);

private:
    bool copyCatalogue(const QDateTime& now, Kind kind, QString* error, QString* madePath) const;
    // Newest first, without opening the copies: counting a large one reads all of it.
    QList<Entry> byTime() const;
    void prune() const;
    void removeLeftovers() const;
    DataFolder folder_;
};
