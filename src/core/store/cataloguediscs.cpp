#include "catalogue.h"
#include "catalogueconnection.h"
#include "discnumbers.h"
#include "loans.h"
#include "mediatables.h"
#include "newdisc.h"
#include "textrules.h"

#include <QSet>
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
    // The number is looked at again inside the write: the window checked it before the user
    // confirmed, and another program may have added a disc under it since.
    QList<MovieRecord> noMovies;
    QList<PosterInstall::Entry> noPosters;
    const NewDisc::Outcome outcome = NewDisc::store(path_, disc, noMovies, nullptr, noPosters);
    if (!outcome.stored())
        setError(error, outcome.error);
    return outcome.stored();
}

bool CatalogueDb::forgetLeftOversOfDiscs(
    QSqlDatabase& db, const QString& path, const QList<DiscRecord>& added, QString* error)
{
    QSet<QString> numbers;
    for (const DiscRecord& d : added)
        if (!d.diskNum.isNull())
            numbers.insert(DiscNumbers::numberOf(d.diskNum));
    if (numbers.isEmpty())
        return true;
    if (!MediaTables::ensure(db, path, error) || !Loans::ensure(db, path, error))
        return false;
    // Only numbers that something was left under, and that no stored disc carries, are touched.
    QSet<QString> leftUnder;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    for (const char* table : { "ShelfDiscMedia", "ShelfDiscChecks", "ShelfLoans" }) {
        if (!q.exec(QStringLiteral("SELECT DISTINCT DiskNum FROM %1").arg(QLatin1String(table)))) {
            setError(error, queryError(path, q));
            return false;
        }
        while (q.next())
            leftUnder.insert(q.value(0).toString());
    }
    numbers.intersect(leftUnder);
    if (numbers.isEmpty())
        return true;
    if (!q.exec(QStringLiteral("SELECT DiskNum FROM DiskState WHERE DiskNum IS NOT NULL"))) {
        setError(error, queryError(path, q));
        return false;
    }
    while (q.next())
        numbers.remove(DiscNumbers::numberOf(q.value(0)));
    for (const QString& number : std::as_const(numbers))
        if (!MediaTables::deleteMedium(db, path, number, error)
            || !MediaTables::deleteDiscChecks(db, path, number, error)
            || !Loans::deleteOfDisc(db, path, number, error))
            return false;
    return true;
}

QString Catalogue::missingDiscMessage(const QString& number)
{
    return QStringLiteral("光盘号为%1的光盘已不在目录中（可能已被其他程序删除），没有做任何改动。")
        .arg(number);
}

namespace {

DiscOutcome failed(const QString& message)
{
    return { DiscOutcome::Failed, message };
}

} // namespace

DiscOutcome CatalogueDb::seekDisc(
    QSqlDatabase& db, const QString& path, const QString& number, qint64& rowid, DiscRecord* disc)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(
            QStringLiteral("SELECT rowid, %1 FROM DiskState ORDER BY rowid").arg(columnList(discColumns))))
        return failed(queryError(path, q));
    while (q.next()) {
        // A disc without a number is in no tree node, so no command can mean it.
        if (q.value(1).isNull() || DiscNumbers::numberOf(q.value(1)) != number)
            continue;
        rowid = q.value(0).toLongLong();
        if (disc)
            *disc = { q.value(1), q.value(2), q.value(3), q.value(4), q.value(5), q.value(6) };
        return {};
    }
    if (q.lastError().isValid())
        return failed(queryError(path, q));
    return { DiscOutcome::NoSuchDisc, Catalogue::missingDiscMessage(number) };
}

namespace {

// Assigns the named columns of the disc in one transaction.
DiscOutcome assignDiscFields(
    const QString& path, const QString& number, const QList<std::pair<QString, QString>>& fields)
{
    Connection c(path);
    if (!c.ok())
        return failed(c.error());
    WriteTransaction transaction(c.db(), path);
    if (!transaction.active())
        return failed(transaction.error());
    qint64 rowid = 0;
    const DiscOutcome found = seekDisc(c.db(), path, number, rowid);
    if (!found.ok() || fields.isEmpty())
        return found;
    QStringList assignments;
    for (const auto& field : fields)
        assignments << u'"' + field.first + QStringLiteral("\" = ?");
    {
        QSqlQuery q(c.db());
        if (!q.prepare(
                QStringLiteral("UPDATE DiskState SET %1 WHERE rowid = ?").arg(assignments.join(u", "))))
            return failed(queryError(path, q));
        for (const auto& field : fields)
            q.addBindValue(field.second);
        q.addBindValue(rowid);
        if (!q.exec())
            return failed(queryError(path, q));
    }
    if (!transaction.commit())
        return failed(transaction.error());
    return {};
}

} // namespace

DiscOutcome Catalogue::findDisc(const QString& number, DiscRecord* disc) const
{
    Connection c(path_);
    if (!c.ok())
        return failed(c.error());
    qint64 rowid = 0;
    return seekDisc(c.db(), path_, TextRules::trimBlanks(number), rowid, disc);
}

DiscOutcome Catalogue::updateDisc(const QString& number, const DiscDetails& details)
{
    QList<std::pair<QString, QString>> fields;
    const std::pair<const char*, const std::optional<QString>*> columns[] = {
        { "Name", &details.name },
        { "DiskType", &details.diskType },
        { "Station", &details.station },
        { "PS", &details.ps },
    };
    for (const auto& [column, value] : columns)
        if (value->has_value())
            fields.append({ QString::fromLatin1(column), **value });
    return assignDiscFields(path_, TextRules::trimBlanks(number), fields);
}

DiscOutcome Catalogue::setFavourite(const QString& number, bool favourite)
{
    return assignDiscFields(path_, TextRules::trimBlanks(number),
        { { QStringLiteral("Fav"), favourite ? QStringLiteral("Yes") : QStringLiteral("No") } });
}

DiscOutcome Catalogue::deleteDiscWithMovies(const QString& number, qint64* moviesDeleted)
{
    const QString wanted = TextRules::trimBlanks(number);
    const auto refused = [&](const QString& why) {
        return failed(QStringLiteral("删除碟%1时出错，光盘和影片记录都没有删除：%2").arg(wanted, why));
    };
    Connection c(path_);
    if (!c.ok())
        return refused(c.error());
    WriteTransaction transaction(c.db(), path_);
    if (!transaction.active())
        return refused(transaction.error());
    qint64 discRow = 0;
    const DiscOutcome found = seekDisc(c.db(), path_, wanted, discRow);
    if (found.status == DiscOutcome::Failed)
        return refused(found.error);
    if (!found.ok())
        return found;

    QList<qint64> movieRows;
    QList<QVariant> movieIds;
    {
        QSqlQuery q(c.db());
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral(
                "SELECT rowid, DiskNum, ID FROM ReelShelfIndex WHERE DiskNum IS NOT NULL ORDER BY rowid")))
            return refused(queryError(path_, q));
        QByteArray buffer;
        while (q.next()) {
            if (DiscNumbers::holdsMovie(wanted, storedValue(q.value(1), buffer))) {
                movieRows.append(q.value(0).toLongLong());
                movieIds.append(q.value(2));
            }
        }
        if (q.lastError().isValid())
            return refused(queryError(path_, q));
    }
    {
        QSqlQuery q(c.db());
        if (!q.prepare(QStringLiteral("DELETE FROM ReelShelfIndex WHERE rowid = ?")))
            return refused(queryError(path_, q));
        for (qint64 row : std::as_const(movieRows)) {
            q.addBindValue(row);
            if (!q.exec())
                return refused(queryError(path_, q));
        }
        if (!q.prepare(QStringLiteral("DELETE FROM DiskState WHERE rowid = ?")))
            return refused(queryError(path_, q));
        q.addBindValue(discRow);
        if (!q.exec())
            return refused(queryError(path_, q));
    }
    QString forgotten;
    if (!MediaTables::forgetMovies(c.db(), path_, movieIds, &forgotten)
        || !MediaTables::deleteMedium(c.db(), path_, wanted, &forgotten)
        || !MediaTables::deleteDiscChecks(c.db(), path_, wanted, &forgotten)
        || !Loans::deleteOfDisc(c.db(), path_, wanted, &forgotten))
        return refused(forgotten);
    if (!transaction.commit())
        return refused(transaction.error());
    if (moviesDeleted)
        *moviesDeleted = movieRows.size();
    return {};
}
