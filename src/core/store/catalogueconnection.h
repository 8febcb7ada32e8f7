#pragma once

#include <atomic>

// Shared by the catalogue's source files only; nothing outside the store includes it.

#include "records.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <optional>

struct sqlite3;

class QSqlError;
class QSqlQuery;
class QVariant;

namespace CatalogueDb {

inline const QStringList discColumns = { "DiskNum", "Name", "DiskType", "Station", "PS", "Fav" };
inline const QStringList fileTypeColumns = { "Filetype", "Selected", "Memo" };
QStringList movieColumns();

QString nativePath(const QString& path);

// Makes a connection wait a few seconds for a catalogue another program holds, as every operation
// of ours does, keeping the window's events flowing meanwhile. Once `giveUp` turns true the wait
// ends at once and the operation fails as locked: work beside the window must stop promptly.
void waitWhenHeld(sqlite3* handle, const std::atomic_bool* giveUp = nullptr);

// The SQLite connection under a Qt one, for what Qt's driver does not offer; null if there is none.
sqlite3* sqliteHandle(const QSqlDatabase& db);

// One connection for the length of one operation. Queries made on it must be gone before it is.
class Connection
{
public:
    explicit Connection(const QString& path, const std::atomic_bool* giveUp = nullptr);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool ok() const { return error_.isEmpty(); }
    QString error() const { return error_; }
    QSqlDatabase& db() { return db_; }

private:
    QString name_;
    QSqlDatabase db_;
    QString error_;
};

// Opens with BEGIN IMMEDIATE, taking the write lock at once, so that what a walk inside decides
// to change is still there when it changes it. Rolls back unless committed.
class WriteTransaction
{
public:
    WriteTransaction(QSqlDatabase& db, const QString& path);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    bool active() const { return active_; }
    bool commit();
    QString error() const { return error_; }

private:
    QSqlDatabase& db_;
    QString path_;
    bool active_ = false;
    QString error_;
};

void setError(QString* error, const QString& message);
QString queryError(const QString& path, const QSqlQuery& q);
QString queryError(const QString& path, const QSqlError& error);
// The message for a transaction that could not be started or committed.
QString writeError(const QString& path, const QSqlDatabase& db);

QString columnList(const QStringList& names);
QString insertSql(const QString& table, const QStringList& names);

// Binds a value as the column expects it; a null QVariant stays SQL NULL.
void bindAll(QSqlQuery& q, const QVariant* values, int count);

// The current row of a query that selected the movie columns in table order.
void readMovie(const QSqlQuery& q, MovieRecord& m);

// The number the next added movie gets, read on an open connection (inside a transaction).
std::optional<double> nextMovieId(QSqlDatabase& db, const QString& path, QString* error);

// Whether the catalogue's pages hold together, read on an open connection: a large write into a
// damaged file would only make the damage worse. False with the damaged-file message.
bool checkIntact(QSqlDatabase& db, const QString& path, QString* error);

// Puts the file types a new catalogue starts with into MovieFileType.
bool insertDefaultFileTypes(QSqlQuery& q);

// Whether a query failed for a table of ours not made yet (an older catalogue, or one that cannot
// be written): such a table reads as empty.
bool tableMissing(const QSqlQuery& q);
// Runs a read of our own tables with its bound values and hands each row to `row`; a table not made
// yet reads as empty.
bool readOwnRows(const QString& catalogueFile, const QString& sql, const QVariantList& bound,
    const std::function<void(const QSqlQuery&)>& row, QString* error);

} // namespace CatalogueDb
