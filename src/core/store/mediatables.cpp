#include "mediatables.h"

#include "catalogue.h"
#include "catalogueconnection.h"
#include "discnumbers.h"
#include "textrules.h"

#include <QCryptographicHash>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <functional>

using namespace CatalogueDb;

namespace MediaTables {

namespace {

const char* const schema[] = {
    "CREATE TABLE IF NOT EXISTS ShelfMovieFiles (MovieID REAL, Part INTEGER, Path BLOB, Size INTEGER, "
    "Modified TEXT, Facts TEXT, Hash TEXT)",
    "CREATE INDEX IF NOT EXISTS ShelfMovieFilesByMovie ON ShelfMovieFiles(MovieID)",
    "CREATE TABLE IF NOT EXISTS ShelfDiscMedia (DiskNum TEXT, Label TEXT, Uuid TEXT, FsType TEXT, "
    "FileCount INTEGER, TotalSize INTEGER, Fingerprint TEXT, Scanned TEXT)",
    "CREATE TABLE IF NOT EXISTS ShelfDiscChecks (DiskNum TEXT, Checked TEXT, Files INTEGER, Ok INTEGER, "
    "Missing INTEGER, Changed INTEGER, Unreadable INTEGER, Bytes INTEGER, Seconds REAL)",
    "CREATE TABLE IF NOT EXISTS ShelfFileChecks (MovieID REAL, Part INTEGER, Path BLOB, Checked TEXT, "
    "Status TEXT, Offset INTEGER)",
};

bool run(QSqlQuery& q, const QString& path, QString* error)
{
    if (q.exec())
        return true;
    setError(error, queryError(path, q));
    return false;
}

QVariant timeText(const QDateTime& t)
{
    return t.isValid() ? QVariant(t.toUTC().toString(Qt::ISODate)) : QVariant();
}

QDateTime timeOf(const QVariant& v)
{
    QDateTime t = QDateTime::fromString(v.toString(), Qt::ISODate);
    return t.isValid() ? t.toUTC() : QDateTime();
}

QVariant factsText(const std::optional<MediaFacts>& facts)
{
    if (!facts)
        return {};
    QJsonObject o;
    MediaFactsJson::write(o, facts);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

std::optional<MediaFacts> factsOf(const QVariant& v)
{
    if (v.isNull())
        return std::nullopt;
    return MediaFactsJson::read(QJsonDocument::fromJson(v.toString().toUtf8()).object());
}

// One write of our own tables: the connection, a write transaction, `body`, the commit. False with
// the message at the first step that fails, and then nothing of it is kept.
bool writeAll(const QString& catalogueFile, QString* error, const std::function<bool(QSqlDatabase&)>& body)
{
    Connection c(catalogueFile);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    WriteTransaction t(c.db(), catalogueFile);
    if (!t.active()) {
        setError(error, t.error());
        return false;
    }
    if (!body(c.db()))
        return false;
    if (!t.commit()) {
        setError(error, t.error());
        return false;
    }
    return true;
}

} // namespace

bool ensure(QSqlDatabase& db, const QString& path, QString* error)
{
    QSqlQuery q(db);
    for (const char* sql : schema) {
        if (!q.exec(QString::fromLatin1(sql))) {
            setError(error, queryError(path, q));
            return false;
        }
    }
    // A table made before a column was added to it gets the column, its rows kept.
    if (!q.exec(
            QStringLiteral("SELECT count(*) FROM pragma_table_info('ShelfMovieFiles') WHERE name = 'Hash'"))
        || !q.next()) {
        setError(error, queryError(path, q));
        return false;
    }
    if (q.value(0).toInt() == 0
        && !q.exec(QStringLiteral("ALTER TABLE ShelfMovieFiles ADD COLUMN Hash TEXT"))) {
        setError(error, queryError(path, q));
        return false;
    }
    return true;
}

bool deleteMovieFiles(QSqlDatabase& db, const QString& path, double movieId, QString* error)
{
    QSqlQuery q(db);
    if (!ensure(db, path, error)
        || !q.prepare(QStringLiteral("DELETE FROM ShelfMovieFiles WHERE MovieID = ?"))) {
        if (error && error->isEmpty())
            setError(error, queryError(path, q));
        return false;
    }
    q.addBindValue(movieId);
    return run(q, path, error);
}

bool forgetMovies(QSqlDatabase& db, const QString& path, const QList<QVariant>& movieIds, QString* error)
{
    if (!ensure(db, path, error))
        return false;
    QSqlQuery q(db);
    // Most catalogues remember no files of movies that are not there: one look spares the rest.
    if (!q.exec(QStringLiteral("SELECT EXISTS (SELECT 1 FROM ShelfMovieFiles)")) || !q.next()) {
        setError(error, queryError(path, q));
        return false;
    }
    if (!q.value(0).toBool() || movieIds.isEmpty())
        return true;
    QSqlQuery checks(db);
    if (!q.prepare(QStringLiteral("DELETE FROM ShelfMovieFiles WHERE MovieID = ?"))
        || !checks.prepare(QStringLiteral("DELETE FROM ShelfFileChecks WHERE MovieID = ?"))) {
        setError(error, queryError(path, q.lastError().isValid() ? q : checks));
        return false;
    }
    for (const QVariant& id : movieIds) {
        bool numeric = false;
        const double number = id.toDouble(&numeric);
        if (id.isNull() || !numeric)
            continue;
        q.addBindValue(number);
        checks.addBindValue(number);
        if (!run(q, path, error) || !run(checks, path, error))
            return false;
    }
    return true;
}

bool putFiles(QSqlDatabase& db, const QString& path, double movieId, const QList<MovieFileRecord>& files,
    QString* error)
{
    // A file read again with its path and size unchanged keeps the hash its first check took.
    QHash<std::pair<QByteArray, qint64>, QVariant> hashes;
    {
        QSqlQuery old(db);
        if (ensure(db, path, error)
            && old.prepare(
                QStringLiteral("SELECT Path, Size, Hash FROM ShelfMovieFiles WHERE MovieID = ?"))) {
            old.addBindValue(movieId);
            if (old.exec())
                while (old.next())
                    if (!old.value(2).isNull())
                        hashes.insert(
                            { old.value(0).toByteArray(), old.value(1).toLongLong() }, old.value(2));
        }
    }
    if (!deleteMovieFiles(db, path, movieId, error))
        return false;
    QSqlQuery q(db);
    if (!q.prepare(
            QStringLiteral("INSERT INTO ShelfMovieFiles (MovieID, Part, Path, Size, Modified, Facts, Hash) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?)"))) {
        setError(error, queryError(path, q));
        return false;
    }
    for (const MovieFileRecord& f : files) {
        q.addBindValue(movieId);
        q.addBindValue(f.part);
        q.addBindValue(f.path);
        q.addBindValue(f.size);
        q.addBindValue(timeText(f.modified));
        q.addBindValue(factsText(f.facts));
        q.addBindValue(hashes.value({ f.path, f.size }));
        if (!run(q, path, error))
            return false;
    }
    return true;
}

namespace {

// Deletes the rows of one of our tables that belong to a disc.
bool deleteOfDisc(
    QSqlDatabase& db, const QString& path, const char* table, const QString& discNumber, QString* error)
{
    if (!ensure(db, path, error))
        return false;
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("DELETE FROM %1 WHERE DiskNum = ?").arg(QLatin1String(table)))) {
        setError(error, queryError(path, q));
        return false;
    }
    q.addBindValue(discNumber);
    return run(q, path, error);
}

} // namespace

bool deleteMedium(QSqlDatabase& db, const QString& path, const QString& discNumber, QString* error)
{
    return deleteOfDisc(db, path, "ShelfDiscMedia", discNumber, error);
}

bool deleteDiscChecks(QSqlDatabase& db, const QString& path, const QString& discNumber, QString* error)
{
    return deleteOfDisc(db, path, "ShelfDiscChecks", discNumber, error);
}

bool putMedium(QSqlDatabase& db, const QString& path, const QString& discNumber, const DiscMediumRecord& m,
    QString* error)
{
    if (!deleteMedium(db, path, discNumber, error))
        return false;
    QSqlQuery q(db);
    if (!q.prepare(
            QStringLiteral("INSERT INTO ShelfDiscMedia (DiskNum, Label, Uuid, FsType, FileCount, TotalSize, "
                           "Fingerprint, Scanned) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"))) {
        setError(error, queryError(path, q));
        return false;
    }
    const auto textOrNull = [](const QString& t) { return t.isEmpty() ? QVariant() : QVariant(t); };
    q.addBindValue(discNumber);
    q.addBindValue(textOrNull(m.label));
    q.addBindValue(textOrNull(m.uuid));
    q.addBindValue(textOrNull(m.fsType));
    q.addBindValue(m.fileCount);
    q.addBindValue(m.totalSize);
    q.addBindValue(textOrNull(m.fingerprint));
    q.addBindValue(timeText(m.scanned));
    return run(q, path, error);
}

bool clear(QSqlDatabase& db, const QString& path, QString* error)
{
    QSqlQuery q(db);
    if (!ensure(db, path, error))
        return false;
    for (const char* table : { "ShelfMovieFiles", "ShelfDiscMedia", "ShelfDiscChecks", "ShelfFileChecks" }) {
        if (!q.exec(QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)))) {
            setError(error, queryError(path, q));
            return false;
        }
    }
    return true;
}

std::optional<QList<MovieFileRecord>> files(const QString& catalogueFile, double movieId, QString* error)
{
    QList<MovieFileRecord> out;
    const bool read = readOwnRows(
        catalogueFile,
        QStringLiteral(
            "SELECT Part, Path, Size, Modified, Facts, Hash FROM ShelfMovieFiles WHERE MovieID = ? "
            "ORDER BY Part, rowid"),
        { movieId },
        [&](const QSqlQuery& q) {
            out.append({ q.value(0).toInt(), q.value(1).toByteArray(), q.value(2).toLongLong(),
                timeOf(q.value(3)), factsOf(q.value(4)), q.value(5).toByteArray() });
        },
        error);
    return read ? std::optional(out) : std::nullopt;
}

bool medium(const QString& catalogueFile, const QString& discNumber, std::optional<DiscMediumRecord>* found,
    QString* error)
{
    found->reset();
    return readOwnRows(
        catalogueFile,
        QStringLiteral("SELECT Label, Uuid, FsType, FileCount, TotalSize, Fingerprint, Scanned "
                       "FROM ShelfDiscMedia WHERE DiskNum = ? ORDER BY rowid LIMIT 1"),
        { discNumber },
        [&](const QSqlQuery& q) {
            *found = DiscMediumRecord { q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                q.value(3).toLongLong(), q.value(4).toLongLong(), q.value(5).toString(), timeOf(q.value(6)) };
        },
        error);
}

bool storeRescan(const QString& catalogueFile, const QString& discNumber, const DiscMediumRecord& medium,
    const QList<RescannedMovie>& movies, QList<QList<MovieField>>* filled, QString* error)
{
    QList<QList<MovieField>> written;
    const bool stored = writeAll(catalogueFile, error, [&](QSqlDatabase& db) {
        for (const RescannedMovie& m : movies) {
            if (!putFiles(db, catalogueFile, m.id, m.files, error))
                return false;
            QList<MovieField> fields;
            for (const auto& [field, value] : m.fills) {
                QSqlQuery q(db);
                const QString name = movieFieldName(field);
                if (!q.prepare(QStringLiteral(
                        "UPDATE ReelShelfIndex SET \"%1\" = ? WHERE rowid = (SELECT rowid FROM "
                        "ReelShelfIndex WHERE ID = ? ORDER BY rowid LIMIT 1) AND \"%1\" IS NULL")
                                   .arg(name))) {
                    setError(error, queryError(catalogueFile, q));
                    return false;
                }
                q.addBindValue(value);
                q.addBindValue(m.id);
                if (!run(q, catalogueFile, error))
                    return false;
                if (q.numRowsAffected() > 0)
                    fields << field;
            }
            written << fields;
        }
        if (!putMedium(db, catalogueFile, discNumber, medium, error))
            return false;
        return true;
    });
    if (!stored)
        return false;
    if (filled)
        *filled = written;
    return true;
}

std::optional<QList<RememberedDisc>> rememberedDiscs(const QString& catalogueFile, QString* error)
{
    const auto discs = Catalogue(catalogueFile).discs(error);
    if (!discs)
        return std::nullopt;
    QList<RememberedDisc> out;
    QHash<QString, qsizetype> byNumber;
    for (const DiscRecord& d : *discs) {
        if (d.diskNum.isNull())
            continue;
        const QString number = DiscNumbers::numberOf(d.diskNum);
        if (byNumber.contains(number))
            continue; // the first disc of a number is the one every lookup finds
        byNumber.insert(number, out.size());
        out.append({ number, TextRules::trimBlanks(d.name.toString()), {}, {} });
    }
    Connection c(catalogueFile);
    if (!c.ok()) {
        setError(error, c.error());
        return std::nullopt;
    }
    QSqlQuery q(c.db());
    q.setForwardOnly(true);
    if (q.exec(QStringLiteral("SELECT DiskNum, Uuid FROM ShelfDiscMedia ORDER BY rowid"))) {
        while (q.next())
            if (const auto at = byNumber.constFind(q.value(0).toString()); at != byNumber.constEnd())
                out[*at].uuid = q.value(1).toString();
    } else if (!tableMissing(q)) {
        setError(error, queryError(catalogueFile, q));
        return std::nullopt;
    }
    // A movie's disc as the tree shows its number: a stored number in its shortest form.
    if (q.exec(QStringLiteral("SELECT m.DiskNum, f.Path, f.Size FROM ShelfMovieFiles f "
                              "JOIN ReelShelfIndex m ON m.ID = f.MovieID ORDER BY f.rowid"))) {
        while (q.next()) {
            const QVariant disc = q.value(0);
            const bool numeric = disc.typeId() == QMetaType::Double || disc.typeId() == QMetaType::LongLong
                || disc.typeId() == QMetaType::Int;
            const QString number = numeric ? TextRules::shortestDecimal(disc.toDouble())
                                           : TextRules::trimBlanks(disc.toString());
            if (const auto at = byNumber.constFind(number); at != byNumber.constEnd())
                out[*at].files.append({ q.value(1).toByteArray(), q.value(2).toLongLong() });
        }
    } else if (!tableMissing(q)) {
        setError(error, queryError(catalogueFile, q));
        return std::nullopt;
    }
    return out;
}

bool storeCheck(const QString& catalogueFile, const QString& discNumber, const DiscCheckRecord& check,
    const QList<FileCheckRecord>& files, QString* error)
{
    return writeAll(catalogueFile, error, [&](QSqlDatabase& db) {
        if (!ensure(db, catalogueFile, error))
            return false;
        // A disc deleted while it was checked keeps no check, for a disc given its number later to inherit.
        qint64 discRow = 0;
        if (const DiscOutcome found = seekDisc(db, catalogueFile, discNumber, discRow); !found.ok()) {
            setError(error, found.error);
            return false;
        }
        QSqlQuery disc(db);
        QSqlQuery drop(db);
        QSqlQuery add(db);
        QSqlQuery hash(db);
        if (!disc.prepare(
                QStringLiteral("INSERT INTO ShelfDiscChecks (DiskNum, Checked, Files, Ok, Missing, Changed, "
                               "Unreadable, Bytes, Seconds) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"))
            || !drop.prepare(
                QStringLiteral("DELETE FROM ShelfFileChecks WHERE MovieID = ? AND Part = ? AND Path = ?"))
            || !add.prepare(
                QStringLiteral("INSERT INTO ShelfFileChecks (MovieID, Part, Path, Checked, Status, Offset) "
                               "VALUES (?, ?, ?, ?, ?, ?)"))
            || !hash.prepare(
                QStringLiteral("UPDATE ShelfMovieFiles SET Hash = ? WHERE MovieID = ? AND Part = ? AND "
                               "Path = ? AND Hash IS NULL"))) {
            setError(error, queryError(catalogueFile, db.lastError()));
            return false;
        }
        for (const QVariant& v : { QVariant(discNumber), timeText(check.checked), QVariant(check.files),
                 QVariant(check.ok), QVariant(check.missing), QVariant(check.changed),
                 QVariant(check.unreadable), QVariant(check.bytes), QVariant(check.seconds) })
            disc.addBindValue(v);
        if (!run(disc, catalogueFile, error))
            return false;
        for (const FileCheckRecord& f : files) {
            drop.addBindValue(f.movieId);
            drop.addBindValue(f.part);
            drop.addBindValue(f.path);
            add.addBindValue(f.movieId);
            add.addBindValue(f.part);
            add.addBindValue(f.path);
            add.addBindValue(timeText(check.checked));
            add.addBindValue(f.status);
            add.addBindValue(f.offset >= 0 ? QVariant(f.offset) : QVariant());
            if (!run(drop, catalogueFile, error) || !run(add, catalogueFile, error))
                return false;
            if (f.firstHash.isEmpty())
                continue;
            hash.addBindValue(QString::fromLatin1(f.firstHash));
            hash.addBindValue(f.movieId);
            hash.addBindValue(f.part);
            hash.addBindValue(f.path);
            if (!run(hash, catalogueFile, error))
                return false;
        }
        return true;
    });
}

namespace {

const QString checkColumns
    = QStringLiteral("Checked, Files, Ok, Missing, Changed, Unreadable, Bytes, Seconds");

// A check from the columns above, read from `first` on.
DiscCheckRecord checkOf(const QSqlQuery& q, int first)
{
    const auto number = [&](int i) { return q.value(first + i).toInt(); };
    return { timeOf(q.value(first)), number(1), number(2), number(3), number(4), number(5),
        q.value(first + 6).toLongLong(), q.value(first + 7).toDouble() };
}

} // namespace

bool lastCheck(const QString& catalogueFile, const QString& discNumber, std::optional<DiscCheckRecord>* found,
    QString* error)
{
    found->reset();
    return readOwnRows(
        catalogueFile,
        QStringLiteral("SELECT %1 FROM ShelfDiscChecks WHERE DiskNum = ? ORDER BY rowid DESC LIMIT 1")
            .arg(checkColumns),
        { discNumber }, [&](const QSqlQuery& q) { *found = checkOf(q, 0); }, error);
}

std::optional<QHash<QString, DiscCheckRecord>> lastChecks(const QString& catalogueFile, QString* error)
{
    QHash<QString, DiscCheckRecord> out;
    const bool read = readOwnRows(
        catalogueFile,
        QStringLiteral("SELECT DiskNum, %1 FROM ShelfDiscChecks WHERE rowid IN "
                       "(SELECT max(rowid) FROM ShelfDiscChecks GROUP BY DiskNum)")
            .arg(checkColumns),
        {}, [&](const QSqlQuery& q) { out.insert(q.value(0).toString(), checkOf(q, 1)); }, error);
    return read ? std::optional(out) : std::nullopt;
}

QString fingerprint(QList<std::pair<QByteArray, qint64>> files)
{
    std::sort(files.begin(), files.end());
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const auto& [path, size] : files) {
        hash.addData(path);
        hash.addData(QByteArrayView("\0", 1));
        hash.addData(QByteArray::number(size));
        hash.addData(QByteArrayView("\n", 1));
    }
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace MediaTables
