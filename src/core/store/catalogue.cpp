#include "catalogue.h"
#include "catalogueconnection.h"
#include "mediatables.h"

#include <QSqlError>
#include <QSqlQuery>

using namespace CatalogueDb;

Catalogue::Catalogue(const QString& filePath)
    : path_(filePath)
{
}

Catalogue::Catalogue(const QString& filePath, const std::atomic_bool* giveUp)
    : path_(filePath)
    , giveUp_(giveUp)
{
}

bool Catalogue::addDiscsAndMovies(
    const QList<DiscRecord>& discs, const QList<MovieRecord>& movies, QString* error)
{
    Connection c(path_);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    if (!c.db().transaction()) {
        setError(error, writeError(path_, c.db()));
        return false;
    }
    bool ok = forgetLeftOversOfDiscs(c.db(), path_, discs, error);
    if (ok) {
        QSqlQuery q(c.db());
        if (!discs.isEmpty()) {
            ok = q.prepare(insertSql(QStringLiteral("DiskState"), discColumns));
            for (qsizetype i = 0; ok && i < discs.size(); ++i) {
                const DiscRecord& d = discs.at(i);
                const QVariant values[] = { d.diskNum, d.name, d.diskType, d.station, d.ps, d.fav };
                bindAll(q, values, 6);
                ok = q.exec();
            }
        }
        if (ok && !movies.isEmpty()) {
            ok = q.prepare(insertSql(QStringLiteral("ReelShelfIndex"), movieColumns()));
            for (qsizetype i = 0; ok && i < movies.size(); ++i) {
                bindAll(q, movies.at(i).values.data(), MovieFieldCount);
                ok = q.exec();
            }
        }
        if (!ok)
            setError(error, queryError(path_, q));
    }
    if (ok) {
        QList<QVariant> ids;
        for (const MovieRecord& m : movies)
            ids << m[MovieField::ID];
        ok = MediaTables::forgetMovies(c.db(), path_, ids, error);
    }
    if (ok && c.db().commit())
        return true;
    if (ok)
        setError(error, writeError(path_, c.db()));
    c.db().rollback();
    return false;
}
