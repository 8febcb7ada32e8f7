#include "posterinstall.h"

#include "catalogueconnection.h"
#include "safewrite.h"
#include "textrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlQuery>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace CatalogueDb;

namespace PosterInstall {

namespace {

const QString table = QStringLiteral("PendingPosters");

QString incomingDir(const DataFolder& folder)
{
    return folder.postersDir() + QStringLiteral("/.incoming");
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Makes the folder when it is not there; the errno of the failure, or 0.
int makeFolder(const QString& path)
{
    const QByteArray raw = QFile::encodeName(path);
    if (::mkdir(raw.constData(), 0777) == 0)
        return 0;
    const int err = errno;
    struct stat st = {};
    if (err == EEXIST && ::stat(raw.constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return 0;
    return err;
}

// A lock on the folder of all staging folders: shared while one commit stages and installs,
// exclusive while a start tidies up. Released by closing, and by the system when a process dies.
int lockIncoming(const QString& incoming, int how)
{
    const int fd = ::open(QFile::encodeName(incoming).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    int result;
    do {
        result = ::flock(fd, how);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

QString posterPath(const DataFolder& folder, double id)
{
    return folder.posterFor(TextRules::shortestDecimal(id));
}

// Puts one movie's poster in place: the staged picture over Posters/<id>.jpg, or the leftover
// of a deleted movie removed. The errno of the failure, or 0; a staged picture that is already
// gone was moved before.
int placeOne(const DataFolder& folder, const QString& staging, const Entry& entry)
{
    const QByteArray target = QFile::encodeName(posterPath(folder, entry.id));
    if (entry.stagedName.isEmpty()) {
        if (::unlink(target.constData()) == 0 || errno == ENOENT)
            return 0;
        return errno;
    }
    const QByteArray staged = QFile::encodeName(staging + QStringLiteral("/Posters/") + entry.stagedName);
    if (::rename(staged.constData(), target.constData()) == 0 || errno == ENOENT)
        return 0;
    return errno;
}

bool clearRecord(const QString& cataloguePath, const QString& staging, QString* error)
{
    Connection c(cataloguePath);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    QSqlQuery q(c.db());
    if (!q.prepare(QStringLiteral("DELETE FROM %1 WHERE Staging = ?").arg(table))) {
        setError(error, queryError(cataloguePath, q));
        return false;
    }
    q.addBindValue(staging);
    if (!q.exec()) {
        setError(error, queryError(cataloguePath, q));
        return false;
    }
    return true;
}

} // namespace

Staging::Staging(const DataFolder& folder)
    : folder_(folder)
{
    const QString incoming = incomingDir(folder);
    int err = makeFolder(folder.postersDir());
    if (err == 0)
        err = makeFolder(incoming);
    if (err == 0) {
        lock_ = lockIncoming(incoming, LOCK_SH);
        if (lock_ < 0)
            err = errno;
    }
    if (err == 0) {
        QByteArray pattern = QFile::encodeName(incoming + QStringLiteral("/XXXXXX"));
        if (::mkdtemp(pattern.data())) {
            path_ = QFile::decodeName(pattern);
            name_ = QFileInfo(path_).fileName();
            err = makeFolder(path_ + QStringLiteral("/Posters"));
        } else {
            err = errno;
        }
    }
    if (err != 0)
        error_
            = QStringLiteral("无法在海报文件夹 %1 中写入（%2），没有添加任何光盘或影片。请处理后重新添加。")
                  .arg(native(folder.postersDir()), SafeWrite::causeInBrief(err));
}

Staging::~Staging()
{
    if (!finished_ && !path_.isEmpty())
        QDir(path_).removeRecursively();
    if (lock_ >= 0)
        ::close(lock_);
}

bool Staging::record(
    QSqlDatabase& db, const QString& cataloguePath, const QList<Entry>& entries, QString* error) const
{
    QSqlQuery q(db);
    if (!q.exec(
            QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (Staging TEXT, Staged TEXT, ID REAL)").arg(table))
        || !q.prepare(QStringLiteral("INSERT INTO %1 (Staging, Staged, ID) VALUES (?, ?, ?)").arg(table))) {
        setError(error, queryError(cataloguePath, q));
        return false;
    }
    for (const Entry& e : entries) {
        q.addBindValue(name_);
        q.addBindValue(e.stagedName.isEmpty() ? QVariant() : QVariant(e.stagedName));
        q.addBindValue(e.id);
        if (!q.exec()) {
            setError(error, queryError(cataloguePath, q));
            return false;
        }
    }
    return true;
}

void Staging::finish(const QList<Entry>& entries, QStringList* warnings)
{
    for (const Entry& e : entries) {
        const int err = placeOne(folder_, path_, e);
        if (err == 0)
            continue;
        const QString target = native(posterPath(folder_, e.id));
        warnings->append(e.stagedName.isEmpty()
                ? QStringLiteral("无法删除旧的海报文件 %1（%2），新影片可能显示别的影片的海报。")
                      .arg(target, SafeWrite::causeInBrief(err))
                : QStringLiteral("无法把海报放到 %1（%2）。").arg(target, SafeWrite::causeInBrief(err)));
    }
    // Without the folder the install is finished, whatever the record still says.
    QDir(path_).removeRecursively();
    finished_ = true;
    clearRecord(folder_.catalogueFile(), name_, nullptr);
}

bool finishInterrupted(const DataFolder& folder, QString* problem)
{
    const QString incoming = incomingDir(folder);
    if (!QFileInfo(incoming).isDir())
        return true; // nothing was ever staged here
    const int lock = lockIncoming(incoming, LOCK_EX | LOCK_NB);
    if (lock < 0)
        return true; // another program is storing posters now; a later start tidies up
    struct Unlock
    {
        int fd;
        ~Unlock() { ::close(fd); }
    } unlock { lock };

    const QString path = folder.catalogueFile();
    QHash<QString, QList<Entry>> recorded;
    QStringList order;
    {
        Connection c(path);
        if (!c.ok()) {
            setError(problem, c.error());
            return false;
        }
        QSqlQuery q(c.db());
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = '%1'")
                        .arg(table))) {
            setError(problem, queryError(path, q));
            return false;
        }
        if (q.next()) {
            if (!q.exec(QStringLiteral("SELECT Staging, Staged, ID FROM %1 ORDER BY rowid").arg(table))) {
                setError(problem, queryError(path, q));
                return false;
            }
            while (q.next()) {
                const QString staging = q.value(0).toString();
                if (!recorded.contains(staging))
                    order.append(staging);
                recorded[staging].append({ q.value(2).toDouble(), q.value(1).toString() });
            }
        }
    }

    bool complete = true;
    for (const QString& staging : std::as_const(order)) {
        const QString dir = incoming + u'/' + staging;
        if (!staging.isEmpty() && DataFolder::isPlainFileName(staging) && QFileInfo(dir).isDir()) {
            int err = 0;
            for (const Entry& e : std::as_const(recorded[staging]))
                if (const int one = placeOne(folder, dir, e); one != 0 && err == 0)
                    err = one;
            if (err != 0 || !QDir(dir).removeRecursively()) {
                setError(problem,
                    QStringLiteral("无法完成上次中断的海报复制（%1），将在下次启动时再试。")
                        .arg(SafeWrite::causeInBrief(err ? err : EIO)));
                complete = false;
                continue;
            }
        }
        QString error;
        if (!clearRecord(path, staging, &error)) {
            setError(problem, error);
            complete = false;
        }
    }
    // What no stored transaction names was left by a commit that did not get that far.
    const QStringList present = QDir(incoming).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& name : present) {
        if (recorded.contains(name))
            continue;
        if (!QDir(incoming + u'/' + name).removeRecursively()) {
            setError(problem,
                QStringLiteral("无法删除未完成的海报暂存文件夹 %1。").arg(native(incoming + u'/' + name)));
            complete = false;
        }
    }
    return complete;
}

} // namespace PosterInstall
