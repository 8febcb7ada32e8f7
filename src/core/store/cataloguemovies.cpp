#include "catalogue.h"
#include "catalogueconnection.h"
#include "cataloguefailure.h"
#include "mediatables.h"
#include "textrules.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <cmath>
#include <memory>
#include <sqlite3.h>
#include <vector>

using namespace CatalogueDb;

QString movieFieldName(MovieField field)
{
    static const char* const names[MovieFieldCount] = { "ID", "MovieName", "Year", "Filetype", "Type",
        "Audio", "SubTitile", "Definition", "MovieSize", "FileNum", "EngName", "Direct", "Role", "Company",
        "Lastfor", "PS", "Nation", "DiskNum", "Score", "Seen" };
    return QString::fromLatin1(names[int(field)]);
}

namespace {

// The row the seek on ID finds: the first in stored order.
const QString seekCondition
    = QStringLiteral("rowid = (SELECT rowid FROM ReelShelfIndex WHERE ID = ? ORDER BY rowid LIMIT 1)");

QString missingMovie(double id)
{
    return QStringLiteral("找不到编号为 %1 的影片记录。").arg(TextRules::shortestDecimal(id));
}

} // namespace

bool Catalogue::forEachMovie(const std::function<bool(const MovieRecord&)>& visit, QString* error) const
{
    Connection c(path_, giveUp_);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    QSqlQuery q(c.db());
    q.setForwardOnly(true);
    if (!q.exec(
            QStringLiteral("SELECT %1 FROM ReelShelfIndex ORDER BY rowid").arg(columnList(movieColumns())))) {
        setError(error, queryError(path_, q));
        return false;
    }
    MovieRecord m;
    while (q.next()) {
        readMovie(q, m);
        if (!visit(m))
            return true;
    }
    if (q.lastError().isValid()) {
        setError(error, queryError(path_, q));
        return false;
    }
    return true;
}

namespace {

// Every column in field order, then the rowid; without the introduction, PS reads as null.
QString storedMovieSql(bool byDisc, bool withIntro)
{
    QStringList columns;
    for (const QString& name : movieColumns())
        columns << columnList({ name });
    if (!withIntro)
        columns[int(MovieField::PS)] = QStringLiteral("NULL");
    QString sql = QStringLiteral("SELECT %1, rowid FROM ReelShelfIndex").arg(columns.join(u", "));
    if (byDisc)
        sql += QStringLiteral(" WHERE DiskNum BETWEEN ?1 AND ?2 OR typeof(DiskNum) IN ('text', 'blob')");
    return sql + QStringLiteral(" ORDER BY rowid");
}

// The stored numbers that may show as the same text as `number`: shown with fifteen significant
// digits, two numbers that differ by less than a few parts in 10^15 can print alike.
std::pair<double, double> discNumberRange(double number)
{
    const double slack = std::fabs(number) * 1e-13;
    return { number - slack, number + slack };
}

struct StatementDeleter
{
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};

QString sqliteError(const QString& path, sqlite3* handle)
{
    return CatalogueFailure::message(
        path, sqlite3_errcode(handle), QString::fromUtf8(sqlite3_errmsg(handle)));
}

// One column of the current row, without a copy; valid until the statement steps again.
StoredValue columnValue(sqlite3_stmt* st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return { StoredValue::Number, sqlite3_column_double(st, i), {} };
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(st, i));
        return { StoredValue::Text, 0, QByteArrayView(bytes, sqlite3_column_bytes(st, i)) };
    }
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        return { StoredValue::Text, 0, QByteArrayView(text, sqlite3_column_bytes(st, i)) };
    }
    }
}

using RowVisitor = std::function<bool(const StoredMovie&, qint64 rowid)>;

bool walkWithSqlite(sqlite3* handle, const QString& path, std::optional<double> disc, bool withIntro,
    const RowVisitor& visit, QString* error)
{
    const QByteArray sql = storedMovieSql(disc.has_value(), withIntro).toUtf8();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK) {
        setError(error, sqliteError(path, handle));
        return false;
    }
    const std::unique_ptr<sqlite3_stmt, StatementDeleter> statement(raw);
    if (disc) {
        const auto [low, high] = discNumberRange(*disc);
        sqlite3_bind_double(raw, 1, low);
        sqlite3_bind_double(raw, 2, high);
    }
    StoredMovie movie;
    for (;;) {
        const int step = sqlite3_step(raw);
        if (step == SQLITE_DONE)
            return true;
        if (step != SQLITE_ROW) {
            setError(error, sqliteError(path, handle));
            return false;
        }
        for (int i = 0; i < MovieFieldCount; ++i)
            movie[size_t(i)] = columnValue(raw, i);
        if (!visit(movie, sqlite3_column_int64(raw, MovieFieldCount)))
            return true;
    }
}

} // namespace

StoredValue storedValue(const QVariant& value, QByteArray& buffer)
{
    if (value.isNull() || !value.isValid())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return { StoredValue::Number, value.toDouble(), {} };
    default:
        buffer = value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
        return { StoredValue::Text, 0, QByteArrayView(buffer) };
    }
}

bool Catalogue::forEachStoredMovie(
    std::optional<double> disc, const std::function<bool(const StoredMovie&)>& visit, QString* error) const
{
    return walkStoredMovies(
        disc, true, [&](const StoredMovie& m, qint64) { return visit(m); }, error);
}

bool Catalogue::forEachListedMovie(std::optional<double> disc,
    const std::function<bool(const StoredMovie&, qint64 rowid)>& visit, QString* error) const
{
    return walkStoredMovies(disc, false, visit, error);
}

bool Catalogue::walkStoredMovies(std::optional<double> disc, bool withIntro,
    const std::function<bool(const StoredMovie&, qint64 rowid)>& visit, QString* error) const
{
    Connection c(path_, giveUp_);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    if (sqlite3* handle = sqliteHandle(c.db()))
        return walkWithSqlite(handle, path_, disc, withIntro, visit, error);

    // Without the SQLite handle, the same walk through Qt SQL.
    QSqlQuery q(c.db());
    q.setForwardOnly(true);
    if (!q.prepare(storedMovieSql(disc.has_value(), withIntro))) {
        setError(error, queryError(path_, q));
        return false;
    }
    if (disc) {
        const auto [low, high] = discNumberRange(*disc);
        q.addBindValue(low);
        q.addBindValue(high);
    }
    if (!q.exec()) {
        setError(error, queryError(path_, q));
        return false;
    }
    StoredMovie movie;
    std::array<QByteArray, MovieFieldCount> buffers;
    while (q.next()) {
        for (int i = 0; i < MovieFieldCount; ++i)
            movie[size_t(i)] = storedValue(q.value(i), buffers[size_t(i)]);
        if (!visit(movie, q.value(MovieFieldCount).toLongLong()))
            return true;
    }
    if (q.lastError().isValid()) {
        setError(error, queryError(path_, q));
        return false;
    }
    return true;
}

namespace {

using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

Statement prepared(sqlite3* handle, const QString& sql)
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(handle, utf8.constData(), int(utf8.size()), &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return nullptr;
    }
    return Statement(raw);
}

// Holds one read transaction, so that both passes of a search see the same table.
class ReadSnapshot
{
public:
    explicit ReadSnapshot(sqlite3* handle)
        : handle_(handle)
        , open_(sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK)
    {
    }
    ~ReadSnapshot()
    {
        if (open_)
            sqlite3_exec(handle_, "COMMIT", nullptr, nullptr, nullptr);
    }
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;
    bool ok() const { return open_; }

private:
    sqlite3* handle_;
    bool open_;
};

// Past this share of hits, one more walk of the whole table beats a seek per hit.
constexpr qsizetype seekLimitDivisor = 8;

} // namespace

bool Catalogue::forEachStoredMovieWhere(MovieField field, const std::function<bool(const StoredValue&)>& test,
    const std::function<bool(const StoredMovie&)>& visit, QString* error) const
{
    Connection c(path_, giveUp_);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    sqlite3* handle = sqliteHandle(c.db());
    if (!handle) {
        return forEachStoredMovie(
            std::nullopt, [&](const StoredMovie& m) { return !test(m[size_t(field)]) || visit(m); }, error);
    }
    const ReadSnapshot snapshot(handle);
    const Statement names = prepared(handle,
        QStringLiteral("SELECT rowid, %1 FROM ReelShelfIndex ORDER BY rowid").arg(movieFieldName(field)));
    if (!snapshot.ok() || !names) {
        setError(error, sqliteError(path_, handle));
        return false;
    }
    // First pass: the one field of every movie; only the hits are read whole afterwards.
    std::vector<sqlite3_int64> hits;
    qsizetype total = 0;
    int step;
    while ((step = sqlite3_step(names.get())) == SQLITE_ROW) {
        ++total;
        if (test(columnValue(names.get(), 1)))
            hits.push_back(sqlite3_column_int64(names.get(), 0));
    }
    if (step != SQLITE_DONE) {
        setError(error, sqliteError(path_, handle));
        return false;
    }
    if (hits.empty())
        return true;
    const bool seek = qsizetype(hits.size()) * seekLimitDivisor < total;
    const QString columns = columnList(movieColumns());
    const Statement rows = prepared(handle,
        seek ? QStringLiteral("SELECT %1, rowid FROM ReelShelfIndex WHERE rowid = ?1").arg(columns)
             : QStringLiteral("SELECT %1, rowid FROM ReelShelfIndex ORDER BY rowid").arg(columns));
    if (!rows) {
        setError(error, sqliteError(path_, handle));
        return false;
    }
    StoredMovie movie;
    size_t next = 0;
    while (next < hits.size()) {
        if (seek) {
            sqlite3_reset(rows.get());
            sqlite3_bind_int64(rows.get(), 1, hits[next]);
        }
        step = sqlite3_step(rows.get());
        if (step == SQLITE_DONE && seek) {
            ++next; // a row that is gone is skipped
            continue;
        }
        if (step != SQLITE_ROW) {
            if (step == SQLITE_DONE)
                return true;
            setError(error, sqliteError(path_, handle));
            return false;
        }
        if (sqlite3_column_int64(rows.get(), MovieFieldCount) != hits[next])
            continue;
        ++next;
        for (int i = 0; i < MovieFieldCount; ++i)
            movie[size_t(i)] = columnValue(rows.get(), i);
        if (!visit(movie))
            return true;
    }
    return true;
}

bool Catalogue::forEachIntroAt(
    const std::vector<qint64>& rowids, const IntroVisitor& visit, QString* error) const
{
    if (rowids.empty())
        return true;
    Connection c(path_, giveUp_);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    sqlite3* handle = sqliteHandle(c.db());
    if (!handle) {
        for (qint64 rowid : rowids) {
            const auto values = movieFieldsAt(rowid, { MovieField::ID, MovieField::PS }, error);
            if (!values)
                return false;
            QByteArray idBuffer;
            QByteArray psBuffer;
            if (!values->isEmpty()
                && !visit(rowid, storedValue(values->at(0), idBuffer), storedValue(values->at(1), psBuffer)))
                return true;
        }
        return true;
    }
    const ReadSnapshot snapshot(handle);
    const Statement count = prepared(handle, QStringLiteral("SELECT count(*) FROM ReelShelfIndex"));
    if (!snapshot.ok() || !count || sqlite3_step(count.get()) != SQLITE_ROW) {
        setError(error, sqliteError(path_, handle));
        return false;
    }
    const bool seek = qint64(rowids.size()) * seekLimitDivisor < sqlite3_column_int64(count.get(), 0);
    const Statement rows = prepared(handle,
        seek ? QStringLiteral("SELECT rowid, ID, PS FROM ReelShelfIndex WHERE rowid = ?1")
             : QStringLiteral("SELECT rowid, ID, PS FROM ReelShelfIndex ORDER BY rowid"));
    if (!rows) {
        setError(error, sqliteError(path_, handle));
        return false;
    }
    size_t next = 0;
    while (next < rowids.size()) {
        if (seek) {
            sqlite3_reset(rows.get());
            sqlite3_bind_int64(rows.get(), 1, rowids[next]);
        }
        const int step = sqlite3_step(rows.get());
        if (step == SQLITE_DONE && seek) {
            ++next;
            continue;
        }
        if (step == SQLITE_DONE)
            return true;
        if (step != SQLITE_ROW) {
            setError(error, sqliteError(path_, handle));
            return false;
        }
        const qint64 rowid = sqlite3_column_int64(rows.get(), 0);
        while (next < rowids.size() && rowids[next] < rowid)
            ++next; // a rowid the walk went past is gone
        if (next == rowids.size() || rowids[next] != rowid)
            continue;
        ++next;
        if (!visit(rowid, columnValue(rows.get(), 1), columnValue(rows.get(), 2)))
            return true;
    }
    return true;
}

bool Catalogue::forEachStoredMovieFields(const QList<MovieField>& fields,
    const std::function<bool(const StoredMovie&)>& visit, QString* error) const
{
    Connection c(path_, giveUp_);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    QStringList names;
    for (MovieField f : fields)
        names << movieFieldName(f);
    const QString sql = QStringLiteral("SELECT %1 FROM ReelShelfIndex ORDER BY rowid").arg(names.join(u", "));
    StoredMovie movie;
    sqlite3* handle = sqliteHandle(c.db());
    if (!handle) {
        QSqlQuery q(c.db());
        q.setForwardOnly(true);
        if (!q.exec(sql)) {
            setError(error, queryError(path_, q));
            return false;
        }
        std::vector<QByteArray> buffers(size_t(fields.size()));
        while (q.next()) {
            for (qsizetype i = 0; i < fields.size(); ++i)
                movie[size_t(fields[i])] = storedValue(q.value(int(i)), buffers[size_t(i)]);
            if (!visit(movie))
                return true;
        }
        if (q.lastError().isValid()) {
            setError(error, queryError(path_, q));
            return false;
        }
        return true;
    }
    const Statement statement = prepared(handle, sql);
    if (!statement) {
        setError(error, sqliteError(path_, handle));
        return false;
    }
    int step;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        for (qsizetype i = 0; i < fields.size(); ++i)
            movie[size_t(fields[i])] = columnValue(statement.get(), int(i));
        if (!visit(movie))
            return true;
    }
    if (step != SQLITE_DONE) {
        setError(error, sqliteError(path_, handle));
        return false;
    }
    return true;
}

qint64 Catalogue::movieCount(QString* error) const
{
    Connection c(path_, giveUp_);
    if (!c.ok()) {
        setError(error, c.error());
        return -1;
    }
    QSqlQuery q(c.db());
    if (!q.exec(QStringLiteral("SELECT count(*) FROM ReelShelfIndex")) || !q.next()) {
        setError(error, queryError(path_, q));
        return -1;
    }
    return q.value(0).toLongLong();
}

std::optional<MovieRecord> Catalogue::findMovie(double id, QString* error) const
{
    Connection c(path_, giveUp_);
    if (!c.ok()) {
        setError(error, c.error());
        return std::nullopt;
    }
    QSqlQuery q(c.db());
    if (!q.prepare(QStringLiteral("SELECT %1 FROM ReelShelfIndex WHERE ID = ? ORDER BY rowid LIMIT 1")
                       .arg(columnList(movieColumns())))) {
        setError(error, queryError(path_, q));
        return std::nullopt;
    }
    q.addBindValue(id);
    if (!q.exec()) {
        setError(error, queryError(path_, q));
        return std::nullopt;
    }
    if (!q.next()) {
        setError(error, missingMovie(id));
        return std::nullopt;
    }
    MovieRecord m;
    readMovie(q, m);
    return m;
}

std::optional<QVariantList> Catalogue::movieFieldsAt(
    qint64 rowid, const QList<MovieField>& fields, QString* error) const
{
    Connection c(path_, giveUp_);
    if (!c.ok()) {
        setError(error, c.error());
        return std::nullopt;
    }
    QStringList names;
    for (MovieField f : fields)
        names << movieFieldName(f);
    QSqlQuery q(c.db());
    if (!q.prepare(QStringLiteral("SELECT %1 FROM ReelShelfIndex WHERE rowid = ?").arg(columnList(names)))) {
        setError(error, queryError(path_, q));
        return std::nullopt;
    }
    q.addBindValue(rowid);
    if (!q.exec()) {
        setError(error, queryError(path_, q));
        return std::nullopt;
    }
    QVariantList values;
    if (q.next()) {
        for (qsizetype i = 0; i < fields.size(); ++i)
            values << q.value(int(i));
    } else if (q.lastError().isValid()) {
        setError(error, queryError(path_, q));
        return std::nullopt;
    }
    return values;
}

std::optional<double> Catalogue::nextMovieId(QString* error) const
{
    Connection c(path_, giveUp_);
    if (!c.ok()) {
        setError(error, c.error());
        return std::nullopt;
    }
    return CatalogueDb::nextMovieId(c.db(), path_, error);
}

std::optional<double> CatalogueDb::nextMovieId(QSqlDatabase& db, const QString& path, QString* error)
{
    // The numeric reading of every stored ID, not SQL's max(): an ID stored as text reads as
    // its leading number, as everywhere else.
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT ID FROM ReelShelfIndex"))) {
        setError(error, queryError(path, q));
        return std::nullopt;
    }
    double highest = 0;
    while (q.next()) {
        const QVariant v = q.value(0);
        if (v.isNull())
            continue;
        const double n
            = v.typeId() == QMetaType::QString ? TextRules::numericValue(v.toString()) : v.toDouble();
        // An infinite number written by another tool would make every later number the same.
        if (std::isfinite(n))
            highest = std::max(highest, n);
    }
    return highest + 1;
}

bool Catalogue::addMovie(const MovieRecord& movie, QString* error)
{
    return addDiscsAndMovies({}, { movie }, error);
}

bool Catalogue::addMovies(const QList<MovieRecord>& movies, QString* error)
{
    return addDiscsAndMovies({}, movies, error);
}

namespace {

using MovieWork
    = std::function<bool(QSqlDatabase& db, qint64 rowid, const MovieRecord& stored, QString* error)>;

// Finds the movie the seek on ID finds and hands it to `work`, all inside one write transaction:
// what `work` sees is still so when it writes. Commits only when `work` succeeds.
bool withStoredMovie(const QString& path, double id, const MovieWork& work, QString* error)
{
    Connection c(path);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    WriteTransaction transaction(c.db(), path);
    if (!transaction.active()) {
        setError(error, transaction.error());
        return false;
    }
    qint64 rowid = 0;
    MovieRecord stored;
    {
        QSqlQuery q(c.db());
        q.setForwardOnly(true);
        if (!q.prepare(QStringLiteral("SELECT %1, rowid FROM ReelShelfIndex WHERE %2")
                           .arg(columnList(movieColumns()), seekCondition))) {
            setError(error, queryError(path, q));
            return false;
        }
        q.addBindValue(id);
        if (!q.exec()) {
            setError(error, queryError(path, q));
            return false;
        }
        if (!q.next()) {
            setError(error, q.lastError().isValid() ? queryError(path, q) : missingMovie(id));
            return false;
        }
        readMovie(q, stored);
        rowid = q.value(MovieFieldCount).toLongLong();
    }
    if (!work(c.db(), rowid, stored, error))
        return false;
    if (!transaction.commit()) {
        setError(error, transaction.error());
        return false;
    }
    return true;
}

bool runOnRow(QSqlDatabase& db, const QString& path, const QString& sql, const QVariantList& values,
    qint64 rowid, QString* error)
{
    QSqlQuery q(db);
    if (!q.prepare(sql)) {
        setError(error, queryError(path, q));
        return false;
    }
    for (const QVariant& v : values)
        q.addBindValue(v.isValid() ? v : QVariant());
    q.addBindValue(rowid);
    if (!q.exec()) {
        setError(error, queryError(path, q));
        return false;
    }
    return true;
}

} // namespace

bool Catalogue::updateMovie(double id, const QList<std::pair<MovieField, QVariant>>& fields, QString* error)
{
    const auto assignAll = [&](const MovieRecord&) { return MovieChange { std::nullopt, fields }; };
    return changeMovie(id, assignAll, error);
}

bool Catalogue::deleteMovie(double id, QString* error)
{
    const auto always = [](const MovieRecord&) -> std::optional<QString> { return std::nullopt; };
    return deleteMovieIf(id, always, error);
}

bool Catalogue::changeMovie(
    double id, const std::function<MovieChange(const MovieRecord&)>& decide, QString* error)
{
    const auto work = [&](QSqlDatabase& db, qint64 rowid, const MovieRecord& stored, QString* message) {
        const MovieChange change = decide(stored);
        if (change.refusal) {
            setError(message, *change.refusal);
            return false;
        }
        if (change.fields.isEmpty())
            return true;
        QStringList assignments;
        QVariantList values;
        for (const auto& field : change.fields) {
            assignments << u'"' + movieFieldName(field.first) + QStringLiteral("\" = ?");
            values << field.second;
        }
        return runOnRow(db, path_,
            QStringLiteral("UPDATE ReelShelfIndex SET %1 WHERE rowid = ?").arg(assignments.join(u", ")),
            values, rowid, message);
    };
    return withStoredMovie(path_, id, work, error);
}

bool Catalogue::deleteMovieIf(
    double id, const std::function<std::optional<QString>(const MovieRecord&)>& refuse, QString* error)
{
    const auto work = [&](QSqlDatabase& db, qint64 rowid, const MovieRecord& stored, QString* message) {
        if (const std::optional<QString> refusal = refuse(stored)) {
            setError(message, *refusal);
            return false;
        }
        return runOnRow(db, path_, QStringLiteral("DELETE FROM ReelShelfIndex WHERE rowid = ?"), {}, rowid,
                   message)
            && MediaTables::forgetMovies(db, path_, { stored[MovieField::ID] }, message);
    };
    return withStoredMovie(path_, id, work, error);
}
