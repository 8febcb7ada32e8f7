#include "catalogue.h"
#include "catalogueconnection.h"

#include <QSqlError>
#include <QSqlQuery>

using namespace CatalogueDb;

std::optional<QList<DiscRecord>> Catalogue::discs(QString* error) const
{
    Connection c(path_);
    if (!c.ok()) {
        setError(error, c.error());
        return std::nullopt;
    }
    QList<DiscRecord> result;
    QSqlQuery q(c.db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM DiskState ORDER BY rowid").arg(columnList(discColumns)))) {
        setError(error, queryError(path_, q));
        return std::nullopt;
    }
    while (q.next()) {
        DiscRecord d;
        d.diskNum = q.value(0);
        d.name = q.value(1);
        d.diskType = q.value(2);
        d.station = q.value(3);
        d.ps = q.value(4);
        d.fav = q.value(5);
        result.append(d);
    }
    if (q.lastError().isValid()) {
        setError(error, queryError(path_, q));
        return std::nullopt;
    }
    return result;
}

bool Catalogue::addDisc(const DiscRecord& disc, QString* error)
{
    return addDiscsAndMovies({ disc }, {}, error);
}
