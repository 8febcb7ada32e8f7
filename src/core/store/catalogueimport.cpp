#include "catalogue.h"
#include "catalogueconnection.h"
#include "loans.h"
#include "mediatables.h"

#include <QSqlError>
#include <QSqlQuery>

using namespace CatalogueDb;

namespace {

bool insertRows(QSqlQuery& q, const CatalogueContents& contents)
{
    if (!contents.discs.isEmpty()) {
        if (!q.prepare(insertSql(QStringLiteral("DiskState"), discColumns)))
            return false;
        for (const DiscRecord& d : contents.discs) {
            const QVariant values[] = { d.diskNum, d.name, d.diskType, d.station, d.ps, d.fav };
            bindAll(q, values, 6);
            if (!q.exec())
                return false;
        }
    }
    if (!contents.movies.isEmpty()) {
        if (!q.prepare(insertSql(QStringLiteral("ReelShelfIndex"), movieColumns())))
            return false;
        for (const MovieRecord& m : contents.movies) {
            bindAll(q, m.values.data(), MovieFieldCount);
            if (!q.exec())
                return false;
        }
    }
    if (!contents.fileTypes.isEmpty()) {
        if (!q.prepare(insertSql(QStringLiteral("MovieFileType"), fileTypeColumns)))
            return false;
        for (const FileTypeRecord& t : contents.fileTypes) {
            const QVariant values[] = { t.filetype, t.selected, t.memo };
            bindAll(q, values, 3);
            if (!q.exec())
                return false;
        }
    }
    return true;
}

bool insertContents(QSqlDatabase& db, const QString& path, const CatalogueContents& contents, QString* error)
{
    if (!forgetLeftOversOfDiscs(db, path, contents.discs, error))
        return false;
    QSqlQuery q(db);
    if (!insertRows(q, contents)) {
        setError(error, queryError(path, q));
        return false;
    }
    QList<QVariant> ids;
    for (const MovieRecord& m : contents.movies)
        ids << m[MovieField::ID];
    return MediaTables::forgetMovies(db, path, ids, error);
}

// Runs `work` in one write transaction; rolls back unless it succeeds and commits.
bool inTransaction(
    const QString& path, QString* error, const std::function<bool(QSqlDatabase&, QString*)>& work)
{
    Connection c(path);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    WriteTransaction t(c.db(), path);
    if (!t.active()) {
        setError(error, t.error());
        return false;
    }
    if (!work(c.db(), error))
        return false;
    if (!t.commit()) {
        setError(error, t.error());
        return false;
    }
    return true;
}

} // namespace

bool Catalogue::replaceContents(const CatalogueContents& contents, QString* error, const AlsoStore& alsoStore,
    const std::function<bool(QString* error)>& first)
{
    return inTransaction(path_, error, [&](QSqlDatabase& db, QString* message) {
        if (first && !first(message))
            return false;
        QSqlQuery q(db);
        for (const char* table : { "DiskState", "ReelShelfIndex", "MovieFileType" }) {
            if (!q.exec(QStringLiteral("DELETE FROM %1").arg(QString::fromLatin1(table)))) {
                setError(message, queryError(path_, q));
                return false;
            }
        }
        // The files, media and loans remembered belong to the movies and discs that are gone.
        return MediaTables::clear(db, path_, message) && Loans::clear(db, path_, message)
            && insertContents(db, path_, contents, message) && (!alsoStore || alsoStore(db, message));
    });
}

bool Catalogue::addContents(const std::function<CatalogueContents(const StoredSummary&)>& plan,
    QString* error, const AlsoStore& alsoStore)
{
    return inTransaction(path_, error, [&](QSqlDatabase& db, QString* message) {
        if (!checkIntact(db, path_, message))
            return false;
        StoredSummary stored;
        {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (!q.exec(
                    QStringLiteral("SELECT %1 FROM DiskState ORDER BY rowid").arg(columnList(discColumns)))) {
                setError(message, queryError(path_, q));
                return false;
            }
            while (q.next())
                stored.discs.append(
                    { q.value(0), q.value(1), q.value(2), q.value(3), q.value(4), q.value(5) });
            if (!q.exec(QStringLiteral("SELECT %1, rowid FROM MovieFileType ORDER BY rowid")
                            .arg(columnList(fileTypeColumns)))) {
                setError(message, queryError(path_, q));
                return false;
            }
            while (q.next())
                stored.fileTypes.append({ q.value(0), q.value(1), q.value(2), q.value(3).toLongLong() });
        }
        const std::optional<double> next = CatalogueDb::nextMovieId(db, path_, message);
        if (!next)
            return false;
        stored.nextMovieId = *next;
        return insertContents(db, path_, plan(stored), message) && (!alsoStore || alsoStore(db, message));
    });
}
