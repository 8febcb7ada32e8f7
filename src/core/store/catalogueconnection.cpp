#include "catalogueconnection.h"
#include "cataloguefailure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <sqlite3.h>

namespace CatalogueDb {

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

namespace {

// How long an operation waits for another program to let go of the catalogue before it says so.
constexpr int lockWaitMs = 3000;
constexpr int lockPollMs = 25;

// Waits for a held catalogue in short naps, counted, so the wait needs no state of its own. On
// the window's thread the windows keep painting meanwhile; the user's input waits, so nothing
// else starts on the catalogue in between.
int waitWhileLocked(void* giveUp, int naps)
{
    if (naps >= lockWaitMs / lockPollMs)
        return 0;
    if (giveUp && static_cast<const std::atomic_bool*>(giveUp)->load())
        return 0;
    QThread::msleep(lockPollMs);
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread())
        QCoreApplication::processEvents(
            QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    return 1;
}

} // namespace

void waitWhenHeld(sqlite3* handle, const std::atomic_bool* giveUp)
{
    // The handler only reads the flag; SQLite's interface takes it as a plain pointer.
    sqlite3_busy_handler(handle, waitWhileLocked, const_cast<std::atomic_bool*>(giveUp));
}

sqlite3* sqliteHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

Connection::Connection(const QString& path, const std::atomic_bool* giveUp)
    : name_(QStringLiteral("reelshelf-%1").arg(quintptr(this), 0, 16))
{
    if (!QFileInfo::exists(path)) {
        error_ = QStringLiteral("找不到目录数据库文件 %1。").arg(nativePath(path));
        return;
    }
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db_.setDatabaseName(path);
    if (!db_.open()) {
        error_ = queryError(path, db_.lastError());
        return;
    }
    if (sqlite3* handle = sqliteHandle(db_))
        waitWhenHeld(handle, giveUp);
    else
        db_.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(lockWaitMs));
}

Connection::~Connection()
{
    if (db_.isValid())
        db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
}

WriteTransaction::WriteTransaction(QSqlDatabase& db, const QString& path)
    : db_(db)
    , path_(path)
{
    QSqlQuery q(db_);
    active_ = q.exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (!active_)
        error_ = queryError(path_, q);
}

WriteTransaction::~WriteTransaction()
{
    if (active_) {
        QSqlQuery q(db_);
        q.exec(QStringLiteral("ROLLBACK"));
    }
}

bool WriteTransaction::commit()
{
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("COMMIT"))) {
        error_ = queryError(path_, q);
        return false;
    }
    active_ = false;
    return true;
}

void setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
}

QString queryError(const QString& path, const QSqlQuery& q)
{
    return queryError(path, q.lastError());
}

QString queryError(const QString& path, const QSqlError& error)
{
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric);
    return CatalogueFailure::message(path, numeric ? code : -1, error.text());
}

QString writeError(const QString& path, const QSqlDatabase& db)
{
    return queryError(path, db.lastError());
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

void bindAll(QSqlQuery& q, const QVariant* values, int count)
{
    for (int i = 0; i < count; ++i)
        q.addBindValue(values[i].isValid() ? values[i] : QVariant());
}

void readMovie(const QSqlQuery& q, MovieRecord& m)
{
    for (int i = 0; i < MovieFieldCount; ++i)
        m.values[size_t(i)] = q.value(i);
}

bool checkIntact(QSqlDatabase& db, const QString& path, QString* error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("PRAGMA quick_check(1)"))) {
        setError(error, queryError(path, q));
        return false;
    }
    if (q.next() && q.value(0).toString() == QLatin1String("ok"))
        return true;
    setError(error, CatalogueFailure::damagedMessage(path));
    return false;
}

bool tableMissing(const QSqlQuery& q)
{
    return q.lastError().text().contains(QStringLiteral("no such table"), Qt::CaseInsensitive);
}

bool readOwnRows(const QString& catalogueFile, const QString& sql, const QVariantList& bound,
    const std::function<void(const QSqlQuery&)>& row, QString* error)
{
    Connection c(catalogueFile);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    QSqlQuery q(c.db());
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        if (tableMissing(q))
            return true;
        setError(error, queryError(catalogueFile, q));
        return false;
    }
    for (const QVariant& v : bound)
        q.addBindValue(v);
    if (!q.exec()) {
        setError(error, queryError(catalogueFile, q));
        return false;
    }
    while (q.next())
        row(q);
    return true;
}

} // namespace CatalogueDb
