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
    static constexpr int kept = 10;

    struct Entry
    {
        QString path;
        QDateTime taken; // from the file name, local time
        qint64 discs = -1; // -1 when the copy cannot be read
        qint64 movies = -1;
    };

    explicit CatalogueBackups(const DataFolder& folder);

    QString folderPath() const;

    // Copies the catalogue to Backups/ShelfIndex-<yyyyMMdd-HHmmss>.db and keeps the newest ones.
    // A missing catalogue is not an error: there is nothing to lose, and no copy is made.
    bool take(const QDateTime& now, QString* error, QString* madePath = nullptr) const;
    // The start-up copy: only when no copy was taken on the same day.
    bool takeDaily(const QDateTime& now, QString* error, QString* madePath = nullptr) const;

    // Newest first; only files named as take() names them.
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
    bool copyCatalogue(const QDateTime& now, QString* error, QString* madePath) const;
    // Newest first, without opening the copies: counting a large one reads all of it.
    QList<Entry> byTime() const;
    void prune() const;
    void removeLeftovers() const;
    DataFolder folder_;
};
