#include "newdisc.h"

#include "catalogue.h"
#include "catalogueconnection.h"
#include "discnumbers.h"

#include <QSqlQuery>

using namespace CatalogueDb;

namespace NewDisc {

namespace {

// Whether a stored disc already carries the number, by the rule every disc lookup uses.
std::optional<bool> numberTaken(QSqlDatabase& db, const QString& path, const QString& number, QString* error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT DiskNum FROM DiskState"))) {
        setError(error, queryError(path, q));
        return std::nullopt;
    }
    while (q.next()) {
        const QVariant stored = q.value(0);
        if (!stored.isNull() && DiscNumbers::numberOf(stored) == number)
            return true;
    }
    return false;
}

bool insertAll(QSqlDatabase& db, const QString& path, const DiscRecord& disc,
    const QList<MovieRecord>& movies, QString* error)
{
    QSqlQuery q(db);
    const QVariant discValues[] = { disc.diskNum, disc.name, disc.diskType, disc.station, disc.ps, disc.fav };
    bool ok = q.prepare(insertSql(QStringLiteral("DiskState"), discColumns));
    if (ok) {
        bindAll(q, discValues, 6);
        ok = q.exec();
    }
    if (ok && !movies.isEmpty())
        ok = q.prepare(insertSql(QStringLiteral("ReelShelfIndex"), movieColumns()));
    for (qsizetype i = 0; ok && i < movies.size(); ++i) {
        bindAll(q, movies.at(i).values.data(), MovieFieldCount);
        ok = q.exec();
    }
    if (!ok)
        setError(error, queryError(path, q));
    return ok;
}

// Files and medium; a movie without files still loses what another program left under its number.
bool storeMedia(QSqlDatabase& db, const QString& path, const QString& number,
    const QList<MovieRecord>& movies, const Media& media, QString* error)
{
    QList<QVariant> ids;
    for (const MovieRecord& m : movies)
        ids << m[MovieField::ID];
    if (!MediaTables::forgetMovies(db, path, ids, error))
        return false;
    for (qsizetype i = 0; i < movies.size() && i < media.files.size(); ++i)
        if (!media.files.at(i).isEmpty()
            && !MediaTables::putFiles(
                db, path, movies.at(i)[MovieField::ID].toDouble(), media.files.at(i), error))
            return false;
    return !media.medium || MediaTables::putMedium(db, path, number, *media.medium, error);
}

} // namespace

Outcome store(const QString& catalogueFile, const DiscRecord& disc, QList<MovieRecord>& movies,
    const PosterInstall::Staging* staging, QList<PosterInstall::Entry>& posters, const Media& media)
{
    Outcome outcome;
    Connection c(catalogueFile);
    if (!c.ok()) {
        outcome.error = c.error();
        return outcome;
    }
    WriteTransaction t(c.db(), catalogueFile);
    if (!t.active()) {
        outcome.error = t.error();
        return outcome;
    }
    if (!checkIntact(c.db(), catalogueFile, &outcome.error))
        return outcome;
    const QString number = DiscNumbers::numberOf(disc.diskNum);
    const std::optional<bool> taken = numberTaken(c.db(), catalogueFile, number, &outcome.error);
    if (!taken)
        return outcome;
    if (*taken) {
        outcome.status = Outcome::NumberTaken;
        outcome.error = DiscNumbers::takenMessage(number);
        return outcome;
    }
    const std::optional<double> first = CatalogueDb::nextMovieId(c.db(), catalogueFile, &outcome.error);
    if (!first)
        return outcome;
    for (qsizetype i = 0; i < movies.size(); ++i) {
        const double id = *first + double(i);
        movies[i][MovieField::ID] = id;
        if (i < posters.size())
            posters[i].id = id;
    }
    if (!forgetLeftOversOfDiscs(c.db(), catalogueFile, { disc }, &outcome.error)
        || !insertAll(c.db(), catalogueFile, disc, movies, &outcome.error)
        || !storeMedia(c.db(), catalogueFile, number, movies, media, &outcome.error))
        return outcome;
    if (staging && !staging->record(c.db(), catalogueFile, posters, &outcome.error))
        return outcome;
    if (!t.commit()) {
        outcome.error = t.error();
        return outcome;
    }
    outcome.status = Outcome::Stored;
    return outcome;
}

} // namespace NewDisc
