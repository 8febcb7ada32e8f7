#include "catalogueconnection.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

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

Connection::Connection(const QString& path)
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
        error_ = QStringLiteral("无法打开目录数据库 %1：%2").arg(nativePath(path), db_.lastError().text());
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

namespace {

bool isLocked(const QString& errorText)
{
    return errorText.contains(QStringLiteral("locked"), Qt::CaseInsensitive)
        || errorText.contains(QStringLiteral("busy"), Qt::CaseInsensitive);
}

QString lockedMessage(const QString& path)
{
    return QStringLiteral("目录数据库 %1 正被其他程序锁定，请关闭该程序后再试。").arg(nativePath(path));
}

} // namespace

QString queryError(const QString& path, const QSqlError& error)
{
    const QString text = error.text();
    if (isLocked(text))
        return lockedMessage(path);
    return QStringLiteral("读写目录数据库 %1 时出错：%2").arg(nativePath(path), text);
}

QString writeError(const QString& path, const QSqlDatabase& db)
{
    const QString text = db.lastError().text();
    // A commit that waited in vain for another program's readers is a lock like any other.
    if (isLocked(text))
        return lockedMessage(path);
    return QStringLiteral("无法写入目录数据库 %1：%2").arg(nativePath(path), text);
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

} // namespace CatalogueDb
