#include "backups.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <memory>
#include <sqlite3.h>

namespace {

const QString stampFormat = QStringLiteral("yyyyMMdd-HHmmss");
const QString partSuffix = QStringLiteral(".part");

struct CloseDb
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using DbHandle = std::unique_ptr<sqlite3, CloseDb>;

QString nativeName(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

DbHandle openDb(const QString& path, int flags, QString* why)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    DbHandle db(raw);
    if (rc != SQLITE_OK) {
        *why = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QString::fromUtf8(sqlite3_errstr(rc));
        return {};
    }
    sqlite3_busy_timeout(db.get(), 5000);
    return db;
}

// Page-by-page copy of a whole database; the destination changes in one transaction.
bool copyDatabase(sqlite3* from, sqlite3* to, QString* why)
{
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup) {
        *why = QString::fromUtf8(sqlite3_errmsg(to));
        return false;
    }
    int rc = SQLITE_OK;
    // A writer holding the catalogue for more than about ten seconds makes the copy fail, not hang.
    for (int waits = 0; waits < 200; ++waits) {
        rc = sqlite3_backup_step(backup, -1);
        if (rc != SQLITE_OK && rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
            break;
        if (rc != SQLITE_OK)
            sqlite3_sleep(50);
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        *why = QString::fromUtf8(sqlite3_errstr(rc));
        return false;
    }
    return true;
}

bool checkIntegrity(sqlite3* db, QString* why)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &st, nullptr) != SQLITE_OK) {
        *why = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    const bool ok = sqlite3_step(st) == SQLITE_ROW
        && QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) == "ok";
    if (!ok)
        *why = QStringLiteral("文件已损坏");
    sqlite3_finalize(st);
    return ok;
}

qint64 countRows(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    qint64 n = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return n;
}

void setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
}

const QRegularExpression& backupName()
{
    static const QRegularExpression re(QStringLiteral("^ShelfIndex-(\\d{8}-\\d{6})(?:-(\\d+))?\\.db$"));
    return re;
}

} // namespace

CatalogueBackups::CatalogueBackups(const DataFolder& folder)
    : folder_(folder)
{
}

QString CatalogueBackups::folderPath() const
{
    return folder_.path() + QStringLiteral("/Backups");
}

QDateTime CatalogueBackups::stampOf(const QString& fileName)
{
    const auto m = backupName().match(fileName);
    if (!m.hasMatch())
        return {};
    return QDateTime::fromString(m.captured(1), stampFormat);
}

bool CatalogueBackups::take(const QDateTime& now, QString* error, QString* madePath) const
{
    if (!copyCatalogue(now, error, madePath))
        return false;
    prune();
    return true;
}

bool CatalogueBackups::copyCatalogue(const QDateTime& now, QString* error, QString* madePath) const
{
    const QString source = folder_.catalogueFile();
    if (!QFileInfo::exists(source))
        return true;
    if (!QDir().mkpath(folderPath())) {
        setError(error, QStringLiteral("无法建立备份文件夹 %1。").arg(nativeName(folderPath())));
        return false;
    }
    removeLeftovers();
    // An invalid time would give a name that list() and prune() never see.
    const QDateTime stamp = now.isValid() ? now : QDateTime::currentDateTime();
    // Two copies in the same second get a running suffix instead of replacing each other.
    const QString base = folderPath() + QStringLiteral("/ShelfIndex-") + stamp.toString(stampFormat);
    QString target = base + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = base + QStringLiteral("-%1.db").arg(n);

    QString why;
    DbHandle from = openDb(source, SQLITE_OPEN_READONLY, &why);
    // Named after the process too, so that two programs copying in the same second keep apart.
    const QString partial
        = target + QStringLiteral(".%1").arg(QCoreApplication::applicationPid()) + partSuffix;
    QFile::remove(partial);
    DbHandle to = from ? openDb(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &why) : DbHandle();
    const bool copied = to && copyDatabase(from.get(), to.get(), &why);
    to.reset();
    // A half-written copy never carries a backup's name; rename() never replaces a file.
    if (!copied || !QFile::rename(partial, target)) {
        QFile::remove(partial);
        if (why.isEmpty())
            why = QStringLiteral("无法写入 %1").arg(nativeName(target));
        setError(error, QStringLiteral("备份目录数据库 %1 失败：%2").arg(nativeName(source), why));
        return false;
    }
    if (madePath)
        *madePath = target;
    return true;
}

void CatalogueBackups::removeLeftovers() const
{
    // What a copy killed half-way left behind; a recent one may still be another program's work.
    const QDir dir(folderPath());
    const QDateTime stale = QDateTime::currentDateTime().addSecs(-600);
    const auto names
        = dir.entryInfoList({ QStringLiteral("ShelfIndex-*") + partSuffix,
                                QStringLiteral("ShelfIndex-*") + partSuffix + QStringLiteral("-journal") },
            QDir::Files);
    for (const QFileInfo& info : names)
        if (info.lastModified() < stale)
            QFile::remove(info.filePath());
}

bool CatalogueBackups::takeDaily(const QDateTime& now, QString* error, QString* madePath) const
{
    const auto entries = byTime();
    for (const Entry& e : entries) {
        if (e.taken.date() == now.date())
            return true;
    }
    return take(now, error, madePath);
}

QList<CatalogueBackups::Entry> CatalogueBackups::list() const
{
    QList<Entry> entries = byTime();
    for (Entry& e : entries) {
        QString why;
        if (DbHandle db = openDb(e.path, SQLITE_OPEN_READONLY, &why)) {
            e.discs = countRows(db.get(), "SELECT count(*) FROM DiskState");
            e.movies = countRows(db.get(), "SELECT count(*) FROM ReelShelfIndex");
        }
    }
    return entries;
}

QList<CatalogueBackups::Entry> CatalogueBackups::byTime() const
{
    QList<Entry> entries;
    const QDir dir(folderPath());
    const auto names
        = dir.entryList({ QStringLiteral("ShelfIndex-*.db") }, QDir::Files, QDir::Name | QDir::Reversed);
    for (const QString& name : names) {
        const QDateTime taken = stampOf(name);
        if (!taken.isValid())
            continue;
        Entry e;
        e.path = dir.filePath(name);
        e.taken = taken;
        entries.append(e);
    }
    // The name order is the time order except for same-second suffixes (-2 after the bare name).
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.taken != b.taken)
            return a.taken > b.taken;
        return a.path.size() != b.path.size() ? a.path.size() > b.path.size() : a.path > b.path;
    });
    return entries;
}

void CatalogueBackups::prune() const
{
    const auto entries = byTime();
    for (qsizetype i = kept; i < entries.size(); ++i)
        QFile::remove(entries.at(i).path);
}

bool CatalogueBackups::restore(
    const QString& backupPath, const QDateTime& now, QString* error, Current current, bool* notKept) const
{
    if (notKept)
        *notKept = false;
    QString why;
    DbHandle from = openDb(backupPath, SQLITE_OPEN_READONLY, &why);
    if (!from || !checkIntegrity(from.get(), &why)
        || countRows(from.get(), "SELECT count(*) FROM ReelShelfIndex") < 0
        || countRows(from.get(), "SELECT count(*) FROM DiskState") < 0) {
        if (why.isEmpty())
            why = QStringLiteral("不是目录数据库");
        setError(
            error, QStringLiteral("备份 %1 无法读取，目录没有改变：%2").arg(nativeName(backupPath), why));
        return false;
    }
    // The state being replaced is itself kept, so a restore can be undone. The old copies are
    // pruned only afterwards: the one being restored may be the oldest.
    if (current == Current::Keep && !copyCatalogue(now, error, nullptr)) {
        if (notKept)
            *notKept = true;
        return false;
    }
    DbHandle to = openDb(folder_.catalogueFile(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &why);
    const bool copied = to && copyDatabase(from.get(), to.get(), &why);
    from.reset();
    to.reset();
    prune();
    if (!copied) {
        setError(error,
            QStringLiteral("恢复备份到 %1 失败，目录没有改变：%2")
                .arg(nativeName(folder_.catalogueFile()), why));
        return false;
    }
    return true;
}
