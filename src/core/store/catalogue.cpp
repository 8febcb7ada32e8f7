#include "catalogue.h"

#include "textrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>
#include <memory>
#include <sqlite3.h>

QString movieFieldName(MovieField field)
{
    static const char* const names[MovieFieldCount] = { "ID", "MovieName", "Year", "Filetype", "Type",
        "Audio", "SubTitile", "Definition", "MovieSize", "FileNum", "EngName", "Direct", "Role", "Company",
        "Lastfor", "PS", "Nation", "DiskNum", "Score", "Seen" };
    return QString::fromLatin1(names[int(field)]);
}

namespace {

const QStringList discColumns = { "DiskNum", "Name", "DiskType", "Station", "PS", "Fav" };
const QStringList fileTypeColumns = { "Filetype", "Selected", "Memo" };

QStringList movieColumns()
{
    QStringList names;
    for (int i = 0; i < MovieFieldCount; ++i)
        names << movieFieldName(MovieField(i));
    return names;
}

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// One connection for the length of one operation. Queries made on it must be gone before it is.
class Connection
{
public:
    explicit Connection(const QString& path)
        : name_(QStringLiteral("reelshelf-%1").arg(quintptr(this), 0, 16))
    {
        if (!QFileInfo::exists(path)) {
            error_ = QStringLiteral("找不到目录数据库文件 %1。").arg(nativePath(path));
            return;
        }
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db_.setDatabaseName(path);
        db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
        if (!db_.open())
            error_
                = QStringLiteral("无法打开目录数据库 %1：%2").arg(nativePath(path), db_.lastError().text());
    }
    ~Connection()
    {
        if (db_.isValid())
            db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
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

void setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
}

QString queryError(const QString& path, const QSqlQuery& q)
{
    const QString text = q.lastError().text();
    if (text.contains(QStringLiteral("locked"), Qt::CaseInsensitive)
        || text.contains(QStringLiteral("busy"), Qt::CaseInsensitive))
        return QStringLiteral("目录数据库 %1 正被其他程序锁定，请关闭该程序后再试。").arg(nativePath(path));
    return QStringLiteral("读写目录数据库 %1 时出错：%2").arg(nativePath(path), text);
}

QString columnList(const QStringList& names)
{
    QStringList quoted;
    for (const QString& n : names)
        quoted << u'"' + n + u'"';
    return quoted.join(u", ");
}

QString insertSql(const QString& table, const QStringList& names)
{
    QStringList marks;
    marks.fill(QStringLiteral("?"), names.size());
    return QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
        .arg(table, columnList(names), marks.join(u", "));
}

// Binds a value as the column expects it; a null QVariant stays SQL NULL.
void bindAll(QSqlQuery& q, const QVariant* values, int count)
{
    for (int i = 0; i < count; ++i)
        q.addBindValue(values[i].isValid() ? values[i] : QVariant());
}

struct DefaultFileType
{
    const char16_t* type;
    const char16_t* selected;
    const char16_t* memo;
};

const DefaultFileType defaultFileTypes[] = {
    { u"avi", u"Yes", u"AVI 视频文件（DivX/XviD 等）" },
    { u"rmvb", u"Yes", u"RealMedia 可变码率视频" },
    { u"rm", u"Yes", u"RealMedia 视频" },
    { u"mkv", u"Yes", u"Matroska 视频（高清常见）" },
    { u"mp4", u"Yes", u"MPEG-4 视频" },
    { u"mpg", u"Yes", u"MPEG-1/2 视频（VCD 常见）" },
    { u"ts", u"Yes", u"MPEG 传输流（高清录制）" },
    { u"wmv", u"Yes", u"Windows Media 视频" },
    { u"mov", u"No", u"QuickTime 视频" },
    { u"flv", u"No", u"Flash 网络视频" },
    { u"vob", u"No", u"DVD 视频文件" },
};

bool createSchema(QSqlDatabase& db, const QStringList& missingTables, bool withDefaults, QString* error,
    const QString& path)
{
    QSqlQuery q(db);
    if (!db.transaction()) {
        setError(
            error, QStringLiteral("无法写入目录数据库 %1：%2").arg(nativePath(path), db.lastError().text()));
        return false;
    }
    const QStringList statements = Catalogue::schemaSql().split(u';', Qt::SkipEmptyParts);
    for (const QString& raw : statements) {
        const QString sql = raw.trimmed();
        if (sql.isEmpty())
            continue;
        bool wanted = false;
        for (const QString& table : missingTables)
            wanted = wanted || sql.startsWith(QStringLiteral("CREATE TABLE %1 ").arg(table));
        if (sql.startsWith(QStringLiteral("CREATE UNIQUE INDEX")))
            continue; // made below, where a failure is not fatal
        if (wanted && !q.exec(sql)) {
            setError(error, queryError(path, q));
            db.rollback();
            return false;
        }
    }
    if (withDefaults && missingTables.contains(QStringLiteral("MovieFileType"))) {
        q.prepare(insertSql(QStringLiteral("MovieFileType"), fileTypeColumns));
        for (const DefaultFileType& t : defaultFileTypes) {
            q.addBindValue(QString::fromUtf16(t.type));
            q.addBindValue(QString::fromUtf16(t.selected));
            q.addBindValue(QString::fromUtf16(t.memo));
            if (!q.exec()) {
                setError(error, queryError(path, q));
                db.rollback();
                return false;
            }
        }
    }
    if (!db.commit()) {
        setError(
            error, QStringLiteral("无法写入目录数据库 %1：%2").arg(nativePath(path), db.lastError().text()));
        db.rollback();
        return false;
    }
    return true;
}

// The current row of a query that selected the movie columns in table order.
void readMovie(const QSqlQuery& q, MovieRecord& m)
{
    for (int i = 0; i < MovieFieldCount; ++i)
        m.values[size_t(i)] = q.value(i);
}

bool hasSqliteHeader(const QString& path, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        setError(
            error, QStringLiteral("无法读取目录数据库文件 %1：%2").arg(nativePath(path), f.errorString()));
        return false;
    }
    const QByteArray head = f.read(16);
    if (head.isEmpty())
        return true; // an empty file is an empty database
    if (head != QByteArray("SQLite format 3\0", 16)) {
        setError(error,
            QStringLiteral("文件 %1 不是 ReelShelf Index 的目录数据库（不是 SQLite 数据库文件）。"
                           "程序不会改动它，请检查或移走这个文件。")
                .arg(nativePath(path)));
        return false;
    }
    return true;
}

} // namespace

namespace {

// The row the seek on ID finds: the first in stored order.
const QString seekCondition
    = QStringLiteral("rowid = (SELECT rowid FROM ReelShelfIndex WHERE ID = ? ORDER BY rowid LIMIT 1)");

QString missingMovie(double id)
{
    return QStringLiteral("找不到编号为 %1 的影片记录。").arg(TextRules::shortestDecimal(id));
}

} // namespace

Catalogue::Catalogue(const QString& filePath)
    : path_(filePath)
{
}

QString Catalogue::schemaSql()
{
    return QStringLiteral(
        "CREATE TABLE DiskState (DiskNum TEXT, Name TEXT, DiskType TEXT, Station TEXT, PS TEXT, Fav TEXT);\n"
        "CREATE TABLE ReelShelfIndex (ID REAL, MovieName TEXT, Year TEXT, Filetype TEXT, Type TEXT,\n"
        "  Audio TEXT, SubTitile TEXT, Definition TEXT, MovieSize TEXT, FileNum TEXT, EngName TEXT,\n"
        "  Direct TEXT, Role TEXT, Company TEXT, Lastfor REAL, PS TEXT, Nation TEXT, DiskNum REAL,\n"
        "  Score REAL, Seen TEXT);\n"
        "CREATE UNIQUE INDEX ID ON ReelShelfIndex(ID);\n"
        "CREATE TABLE MovieFileType (Filetype TEXT, Selected TEXT, Memo TEXT);\n");
}

bool Catalogue::prepare(QString* error)
{
    const QFileInfo info(path_);
    const bool existed = info.exists();
    if (existed) {
        if (info.isDir()) {
            setError(error, QStringLiteral("%1 是一个文件夹，不是目录数据库文件。").arg(nativePath(path_)));
            return false;
        }
        if (!hasSqliteHeader(path_, error))
            return false;
    } else {
        const QFileInfo dir(info.absolutePath());
        if (!dir.isDir() || !dir.isWritable()) {
            setError(error,
                QStringLiteral(
                    "目录数据库文件 %1 不存在，而且无法在文件夹 %2 中创建它（文件夹不存在或不可写）。")
                    .arg(nativePath(path_), nativePath(info.absolutePath())));
            return false;
        }
        QFile create(path_);
        if (!create.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            setError(error,
                QStringLiteral("无法创建目录数据库文件 %1：%2").arg(nativePath(path_), create.errorString()));
            return false;
        }
    }

    Connection c(path_);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    QSet<QString> tables;
    {
        QSqlQuery q(c.db());
        if (!q.exec(QStringLiteral("SELECT name, type FROM sqlite_master"))) {
            const QString text = q.lastError().text();
            if (text.contains(QStringLiteral("not a database"), Qt::CaseInsensitive)
                || text.contains(QStringLiteral("malformed"), Qt::CaseInsensitive))
                setError(error,
                    QStringLiteral("目录数据库 %1 已损坏或不是数据库文件（%2）。程序不会改动它。")
                        .arg(nativePath(path_), text));
            else
                setError(error, queryError(path_, q));
            return false;
        }
        // SQLite names match without regard to case: "diskstate" is our DiskState.
        while (q.next())
            tables.insert(q.value(0).toString().toLower() + u'\x1f' + q.value(1).toString());
    }
    auto has = [&](const QString& name, const QString& type) {
        return tables.contains(name.toLower() + u'\x1f' + type);
    };
    const QStringList ours
        = { QStringLiteral("DiskState"), QStringLiteral("ReelShelfIndex"), QStringLiteral("MovieFileType") };
    QStringList missing;
    for (const QString& t : ours)
        if (!has(t, QStringLiteral("table")))
            missing << t;
    if (missing.size() == ours.size() && !tables.isEmpty()) {
        setError(error,
            QStringLiteral(
                "文件 %1 "
                "是一个数据库，但其中没有影碟目录的数据表（DiskState、ReelShelfIndex、MovieFileType）。"
                "程序不会改动它。")
                .arg(nativePath(path_)));
        return false;
    }

    // The tables that are there must carry the fields we read and write.
    const std::pair<QString, QStringList> expected[] = {
        { QStringLiteral("DiskState"), discColumns },
        { QStringLiteral("ReelShelfIndex"), movieColumns() },
        { QStringLiteral("MovieFileType"), fileTypeColumns },
    };
    for (const auto& [table, columns] : expected) {
        if (missing.contains(table))
            continue;
        const QSqlRecord rec = c.db().record(table);
        QStringList absent;
        for (const QString& col : columns)
            if (rec.indexOf(col) < 0)
                absent << col;
        if (!absent.isEmpty()) {
            setError(error,
                QStringLiteral("目录数据库 %1 的数据表 %2 缺少字段：%3。程序不会改动它。")
                    .arg(nativePath(path_), table, absent.join(QStringLiteral("、"))));
            return false;
        }
    }

    if (!missing.isEmpty() && !createSchema(c.db(), missing, true, error, path_))
        return false;
    if (!has(QStringLiteral("ID"), QStringLiteral("index"))) {
        // Best effort: a catalogue with duplicate numbers still opens, only without the index.
        QSqlQuery q(c.db());
        q.exec(QStringLiteral("CREATE UNIQUE INDEX ID ON ReelShelfIndex(ID)"));
    }
    return true;
}

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

bool Catalogue::forEachMovie(const std::function<bool(const MovieRecord&)>& visit, QString* error) const
{
    Connection c(path_);
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

QString storedMovieSql(bool byDisc)
{
    QString sql = QStringLiteral("SELECT %1 FROM ReelShelfIndex").arg(columnList(movieColumns()));
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

// The SQLite connection under a Qt one, for reading large tables without a QVariant per value.
sqlite3* sqliteHandle(QSqlDatabase& db)
{
    const QVariant v = db.driver() ? db.driver()->handle() : QVariant();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

struct StatementDeleter
{
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};

QString sqliteError(const QString& path, sqlite3* handle)
{
    const int code = sqlite3_errcode(handle) & 0xFF;
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        return QStringLiteral("目录数据库 %1 正被其他程序锁定，请关闭该程序后再试。").arg(nativePath(path));
    return QStringLiteral("读写目录数据库 %1 时出错：%2")
        .arg(nativePath(path), QString::fromUtf8(sqlite3_errmsg(handle)));
}

bool walkWithSqlite(sqlite3* handle, const QString& path, std::optional<double> disc,
    const std::function<bool(const StoredMovie&)>& visit, QString* error)
{
    const QByteArray sql = storedMovieSql(disc.has_value()).toUtf8();
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
        for (int i = 0; i < MovieFieldCount; ++i) {
            StoredValue& v = movie[size_t(i)];
            switch (sqlite3_column_type(raw, i)) {
            case SQLITE_NULL:
                v = {};
                break;
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                v = { StoredValue::Number, sqlite3_column_double(raw, i), {} };
                break;
            case SQLITE_BLOB: {
                const auto* bytes = static_cast<const char*>(sqlite3_column_blob(raw, i));
                v = { StoredValue::Text, 0, QByteArrayView(bytes, sqlite3_column_bytes(raw, i)) };
                break;
            }
            default: {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, i));
                v = { StoredValue::Text, 0, QByteArrayView(text, sqlite3_column_bytes(raw, i)) };
                break;
            }
            }
        }
        if (!visit(movie))
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
    Connection c(path_);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    if (sqlite3* handle = sqliteHandle(c.db()))
        return walkWithSqlite(handle, path_, disc, visit, error);

    // Without the SQLite handle, the same walk through Qt SQL.
    QSqlQuery q(c.db());
    q.setForwardOnly(true);
    q.prepare(storedMovieSql(disc.has_value()));
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
        if (!visit(movie))
            return true;
    }
    if (q.lastError().isValid()) {
        setError(error, queryError(path_, q));
        return false;
    }
    return true;
}

qint64 Catalogue::movieCount(QString* error) const
{
    Connection c(path_);
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
    Connection c(path_);
    if (!c.ok()) {
        setError(error, c.error());
        return std::nullopt;
    }
    QSqlQuery q(c.db());
    q.prepare(QStringLiteral("SELECT %1 FROM ReelShelfIndex WHERE ID = ? ORDER BY rowid LIMIT 1")
                  .arg(columnList(movieColumns())));
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

std::optional<QList<FileTypeRecord>> Catalogue::fileTypes(QString* error) const
{
    Connection c(path_);
    if (!c.ok()) {
        setError(error, c.error());
        return std::nullopt;
    }
    QSqlQuery q(c.db());
    q.setForwardOnly(true);
    if (!q.exec(
            QStringLiteral("SELECT %1 FROM MovieFileType ORDER BY rowid").arg(columnList(fileTypeColumns)))) {
        setError(error, queryError(path_, q));
        return std::nullopt;
    }
    QList<FileTypeRecord> result;
    while (q.next())
        result.append({ q.value(0), q.value(1), q.value(2) });
    return result;
}

std::optional<double> Catalogue::nextMovieId(QString* error) const
{
    // The numeric reading of every stored ID, not SQL's max(): an ID stored as text reads as
    // its leading number, as everywhere else.
    Connection c(path_);
    if (!c.ok()) {
        setError(error, c.error());
        return std::nullopt;
    }
    QSqlQuery q(c.db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT ID FROM ReelShelfIndex"))) {
        setError(error, queryError(path_, q));
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

bool Catalogue::addDisc(const DiscRecord& disc, QString* error)
{
    return addDiscsAndMovies({ disc }, {}, error);
}

bool Catalogue::addMovie(const MovieRecord& movie, QString* error)
{
    return addDiscsAndMovies({}, { movie }, error);
}

bool Catalogue::addMovies(const QList<MovieRecord>& movies, QString* error)
{
    return addDiscsAndMovies({}, movies, error);
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
        setError(error,
            QStringLiteral("无法写入目录数据库 %1：%2").arg(nativePath(path_), c.db().lastError().text()));
        return false;
    }
    bool ok = true;
    {
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
    if (ok && c.db().commit())
        return true;
    if (ok)
        setError(error,
            QStringLiteral("无法写入目录数据库 %1：%2").arg(nativePath(path_), c.db().lastError().text()));
    c.db().rollback();
    return false;
}

namespace {

// Runs one statement that changes the movie the seek on ID finds; `values` are bound first,
// then the number. Fails when the statement fails or no movie has that number.
bool changeOneMovie(
    const QString& path, const QString& sql, const QVariantList& values, double id, QString* error)
{
    Connection c(path);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    QSqlQuery q(c.db());
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v.isValid() ? v : QVariant());
    q.addBindValue(id);
    if (!q.exec()) {
        setError(error, queryError(path, q));
        return false;
    }
    if (q.numRowsAffected() < 1) {
        setError(error, missingMovie(id));
        return false;
    }
    return true;
}

} // namespace

bool Catalogue::updateMovie(double id, const QList<std::pair<MovieField, QVariant>>& fields, QString* error)
{
    if (fields.isEmpty())
        return findMovie(id, error).has_value();
    QStringList assignments;
    QVariantList values;
    for (const auto& field : fields) {
        assignments << u'"' + movieFieldName(field.first) + QStringLiteral("\" = ?");
        values << field.second;
    }
    return changeOneMovie(path_,
        QStringLiteral("UPDATE ReelShelfIndex SET %1 WHERE %2").arg(assignments.join(u", "), seekCondition),
        values, id, error);
}

bool Catalogue::deleteMovie(double id, QString* error)
{
    return changeOneMovie(
        path_, QStringLiteral("DELETE FROM ReelShelfIndex WHERE %1").arg(seekCondition), {}, id, error);
}
