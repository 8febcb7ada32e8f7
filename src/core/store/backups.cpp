#include "backups.h"

#include "catalogueconnection.h"
#include "cataloguefailure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString stampFormat = QStringLiteral("yyyyMMdd-HHmmss");
const QString partSuffix = QStringLiteral(".part");
const QString dailyMark = QStringLiteral("-daily");

struct CloseDb
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using DbHandle = std::unique_ptr<sqlite3, CloseDb>;

QString nativeName(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Our own code for a file grown past what the file system or the system allows.
constexpr int tooLargeCode = SQLITE_FULL | (1 << 16);

// SQLite's code for what a system error number means to a user; `fallback` when nothing.
int systemCode(int errorNumber, int fallback)
{
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
        return SQLITE_FULL;
    case EFBIG:
        return tooLargeCode;
    case EACCES:
    case EPERM:
    case EROFS:
        return SQLITE_READONLY;
    default:
        return fallback;
    }
}

// What went wrong with a file, and what to do, from SQLite's result code. Only a cause we do not
// know carries the engine's own words, in brackets.
QString causeText(int code, const QString& engineText)
{
    if (code == tooLargeCode)
        return QStringLiteral("文件超出了磁盘或系统允许的大小。请换一个磁盘，或腾出空间后再试。");
    switch (code & 0xFF) {
    case SQLITE_FULL:
        return QStringLiteral("磁盘已满。请腾出磁盘空间后再试。");
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
    case SQLITE_AUTH:
        return QStringLiteral("文件或文件夹是只读的，或没有读写权限。请检查权限后再试。");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("文件正被其他程序使用。请关闭那个程序后再试。");
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return QStringLiteral("文件已损坏或不是目录数据库。");
    case SQLITE_IOERR:
        return QStringLiteral("读写磁盘时出错。请检查磁盘后再试。");
    default:
        return QStringLiteral("原因不明（%1）。").arg(engineText);
    }
}

// The same from a system error number.
QString causeText(int errorNumber)
{
    switch (errorNumber) {
    case EEXIST:
    case ENOTDIR:
        return QStringLiteral("那里有一个同名的文件，不是文件夹。请移走或改名后再试。");
    case EIO:
        return causeText(SQLITE_IOERR, QString());
    default:
        return causeText(
            systemCode(errorNumber, SQLITE_ERROR), QString::fromLocal8Bit(std::strerror(errorNumber)));
    }
}

// Reading the catalogue failed, so no copy could be made.
QString catalogueFailure(const QString& catalogue, int code, const QString& engineText)
{
    return QStringLiteral("无法备份：%1").arg(CatalogueFailure::message(catalogue, code, engineText));
}

// Writing into the Backups folder failed.
QString folderFailure(const QString& folder, const QString& cause)
{
    return QStringLiteral("无法在备份文件夹 %1 中写入备份：%2").arg(nativeName(folder), cause);
}

// Which side a failed copy's result code points at: reading the catalogue, or writing the copy.
bool isReadingFailure(int code)
{
    const int primary = code & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED || primary == SQLITE_NOTADB
        || primary == SQLITE_CORRUPT || code == SQLITE_IOERR_READ || code == SQLITE_IOERR_SHORT_READ;
}

DbHandle openDb(const QString& path, int flags, int* code, QString* why)
{
    sqlite3* raw = nullptr;
    *code = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    DbHandle db(raw);
    if (*code != SQLITE_OK) {
        *why = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QString::fromUtf8(sqlite3_errstr(*code));
        return {};
    }
    sqlite3_extended_result_codes(db.get(), 1);
    CatalogueDb::waitWhenHeld(db.get());
    return db;
}

// Reads the catalogue's schema: a file that is locked, damaged or unreadable says so here,
// before anything is written.
int checkReadable(sqlite3* db, QString* why)
{
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &st, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(st) == SQLITE_ROW ? SQLITE_OK : sqlite3_extended_errcode(db);
    else
        rc = sqlite3_extended_errcode(db);
    if (rc != SQLITE_OK)
        *why = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(st);
    return rc;
}

// Page-by-page copy of a whole database; the destination changes in one transaction. Returns
// SQLITE_DONE or the failure's result code.
int copyDatabase(sqlite3* from, sqlite3* to, QString* why)
{
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup) {
        *why = QString::fromUtf8(sqlite3_errmsg(to));
        return sqlite3_extended_errcode(to);
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
    if (rc == SQLITE_DONE)
        return rc;
    *why = QString::fromUtf8(sqlite3_errstr(rc));
    // An I/O error says more by the system's error behind it: a full disk, a file too large.
    if ((rc & 0xFF) == SQLITE_IOERR) {
        for (sqlite3* db : { to, from }) {
            if (const int system = sqlite3_system_errno(db); system != 0)
                return systemCode(system, rc);
        }
    }
    return rc;
}

// A copy of a catalogue that another program put in write-ahead-log mode says so in its header,
// and such a file cannot even be read where no log can be made beside it (a disc, a read-only
// folder). A backup is one whole file in the ordinary journal mode. SQLITE_DONE, or the failure.
int useRollbackJournal(sqlite3* db, QString* why)
{
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA journal_mode = DELETE", -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        const bool changed = sqlite3_step(st) == SQLITE_ROW
            && QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) == "delete";
        rc = changed ? SQLITE_DONE : sqlite3_extended_errcode(db);
    } else {
        rc = sqlite3_extended_errcode(db);
    }
    sqlite3_finalize(st);
    if (rc == SQLITE_OK)
        rc = SQLITE_ERROR; // the mode stayed as it was without a cause
    if (rc != SQLITE_DONE)
        *why = QString::fromUtf8(sqlite3_errmsg(db));
    return rc;
}

// A half-written copy and what SQLite kept beside it while writing.
void removePartial(const QString& partial)
{
    for (const QString& tail :
        { QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm") })
        QFile::remove(partial + tail);
}

// Makes the Backups folder; 0, or the system's error number.
int makeFolder(const QString& path)
{
    if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0)
        return 0;
    const int error = errno;
    if (error == EEXIST && QFileInfo(path).isDir())
        return 0;
    if (error == ENOENT && QDir().mkpath(path))
        return 0;
    return error;
}

// A renamed file survives a power cut only once its folder is written too.
void syncFolder(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool checkIntegrity(sqlite3* db, QString* why)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &st, nullptr) != SQLITE_OK) {
        *why = causeText(sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)));
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
    static const QRegularExpression re(
        QStringLiteral("^ShelfIndex-(\\d{8}-\\d{6})(-daily)?(?:-(\\d+))?\\.db$"));
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

QString CatalogueBackups::replacedFolder(const QDateTime& now) const
{
    return folder_.path() + u'/' + replacedFolderName(now);
}

QString CatalogueBackups::replacedFolderName(const QDateTime& now)
{
    return QStringLiteral("Backups/Replaced-") + now.toString(stampFormat);
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
    if (!copyCatalogue(now, Kind::Operation, error, madePath))
        return false;
    prune();
    return true;
}

bool CatalogueBackups::copyCatalogue(const QDateTime& now, Kind kind, QString* error, QString* madePath) const
{
    const QString source = folder_.catalogueFile();
    if (!QFileInfo::exists(source))
        return true;
    const QString folder = folderPath();
    if (const int problem = makeFolder(folder)) {
        setError(
            error, QStringLiteral("无法建立备份文件夹 %1：%2").arg(nativeName(folder), causeText(problem)));
        return false;
    }
    removeLeftovers();
    // An invalid time would give a name that list() and prune() never see.
    const QDateTime stamp = now.isValid() ? now : QDateTime::currentDateTime();
    // Two copies in the same second get a running suffix instead of replacing each other.
    const QString base = folder + QStringLiteral("/ShelfIndex-") + stamp.toString(stampFormat)
        + (kind == Kind::Daily ? dailyMark : QString());
    QString target = base + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = base + QStringLiteral("-%1.db").arg(n);

    int code = SQLITE_OK;
    QString why;
    DbHandle from = openDb(source, SQLITE_OPEN_READONLY, &code, &why);
    if (from)
        code = checkReadable(from.get(), &why);
    if (!from || code != SQLITE_OK) {
        setError(error, catalogueFailure(source, code, why));
        return false;
    }
    // Named after the process too, so that two programs copying in the same second keep apart.
    const QString partial
        = target + QStringLiteral(".%1").arg(QCoreApplication::applicationPid()) + partSuffix;
    removePartial(partial);
    DbHandle to = openDb(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &code, &why);
    if (to)
        code = copyDatabase(from.get(), to.get(), &why);
    if (code == SQLITE_DONE)
        code = useRollbackJournal(to.get(), &why);
    to.reset();
    if (code != SQLITE_DONE) {
        removePartial(partial);
        setError(error,
            isReadingFailure(code) ? catalogueFailure(source, code, why)
                                   : folderFailure(folder, causeText(code, why)));
        return false;
    }
    // A half-written copy never carries a backup's name; rename() never replaces a file.
    QFile copy(partial);
    if (!copy.rename(target)) {
        const QString cause = causeText(SQLITE_ERROR, copy.errorString());
        removePartial(partial);
        setError(error, folderFailure(folder, cause));
        return false;
    }
    syncFolder(folder);
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
    // Only a daily copy counts: the copies before deletions go, ten at a time.
    const auto entries = byTime();
    for (const Entry& e : entries) {
        if (e.kind == Kind::Daily && e.taken.date() == now.date())
            return true;
    }
    if (!copyCatalogue(now, Kind::Daily, error, madePath))
        return false;
    prune();
    return true;
}

QList<CatalogueBackups::Entry> CatalogueBackups::list() const
{
    QList<Entry> entries = byTime();
    for (Entry& e : entries) {
        int code = SQLITE_OK;
        QString why;
        if (DbHandle db = openDb(e.path, SQLITE_OPEN_READONLY, &code, &why)) {
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
        e.kind = backupName().match(name).hasCaptured(2) ? Kind::Daily : Kind::Operation;
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
    int daily = 0;
    int operation = 0;
    const auto entries = byTime();
    for (const Entry& e : entries) {
        int& seen = e.kind == Kind::Daily ? daily : operation;
        if (++seen > kept)
            QFile::remove(e.path);
    }
}

bool CatalogueBackups::restore(
    const QString& backupPath, const QDateTime& now, QString* error, Current current, bool* notKept) const
{
    if (notKept)
        *notKept = false;
    QString why;
    int code = SQLITE_OK;
    DbHandle from = openDb(backupPath, SQLITE_OPEN_READONLY, &code, &why);
    if (!from)
        why = causeText(code, why);
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
    if (current == Current::Keep && !copyCatalogue(now, Kind::Operation, error, nullptr)) {
        if (notKept)
            *notKept = true;
        return false;
    }
    DbHandle to = openDb(folder_.catalogueFile(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &code, &why);
    if (to)
        code = copyDatabase(from.get(), to.get(), &why);
    from.reset();
    to.reset();
    prune();
    if (code != SQLITE_DONE) {
        setError(error,
            QStringLiteral("恢复备份失败：%1")
                .arg(CatalogueFailure::message(folder_.catalogueFile(), code, why)));
        return false;
    }
    return true;
}
