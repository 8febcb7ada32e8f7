#include "posterinstall.h"

#include "catalogueconnection.h"
#include "safewrite.h"
#include "textrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cerrno>
#include <climits>
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

// Backups/<folder> or one folder below it: the only places an install keeps files aside in.
QString keepFolderOf(const DataFolder& folder, const Entry& entry)
{
    const QStringList parts = entry.keepIn.split(u'/');
    if (parts.size() < 2 || parts.size() > 3 || parts.first() != QLatin1String("Backups"))
        return QString();
    for (const QString& part : parts)
        if (!DataFolder::isPlainFileName(part))
            return QString();
    return folder.path() + u'/' + entry.keepIn;
}

// Makes the folder `relative` below `root` with the folders it lies in; the errno of the failure, or 0.
int makeFolders(const QString& root, const QString& relative)
{
    QString path = root;
    for (const QString& part : relative.split(u'/', Qt::SkipEmptyParts)) {
        path += u'/' + part;
        if (const int err = makeFolder(path))
            return err;
    }
    return 0;
}

bool isRegularFile(const QByteArray& path)
{
    struct stat st = {};
    return ::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// Only plain files are read: a FIFO or a device where a picture was would never end.
bool sameContent(const QString& a, const QString& b)
{
    if (!isRegularFile(QFile::encodeName(a)) || !isRegularFile(QFile::encodeName(b)))
        return false;
    QFile one(a);
    QFile two(b);
    if (!one.open(QIODevice::ReadOnly) || !two.open(QIODevice::ReadOnly) || one.size() != two.size())
        return false;
    // A piece at a time: a large picture never sits whole in memory.
    for (;;) {
        const QByteArray first = one.read(1 << 20);
        const QByteArray second = two.read(1 << 20);
        if (one.error() != QFileDevice::NoError || two.error() != QFileDevice::NoError || first != second)
            return false;
        if (first.isEmpty())
            return true;
    }
}

// Moves `file` to `kept`, never over a file there. A copy already kept whole (a move cut short)
// counts as kept. The errno of the failure (EEXIST when another file holds the name), or 0.
int keepAs(const QString& file, const QString& kept)
{
    const QByteArray from = QFile::encodeName(file);
    const QByteArray to = QFile::encodeName(kept);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    int err = errno;
    if (err == EINVAL || err == ENOSYS) {
        // A file system without the no-replace rename: a hard link fails on a taken name too.
        if (::link(from.constData(), to.constData()) == 0) {
            ::unlink(from.constData());
            return 0;
        }
        err = errno;
    }
    struct stat st = {};
    if (err == EXDEV && ::lstat(from.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // A link is kept as a link: what it points to is not ours to copy.
        QByteArray pointsTo(PATH_MAX, '\0');
        const ssize_t length = ::readlink(from.constData(), pointsTo.data(), pointsTo.size());
        if (length < 0)
            return errno;
        pointsTo.truncate(length);
        if (::symlink(pointsTo.constData(), to.constData()) != 0) {
            if (errno != EEXIST)
                return errno;
            QByteArray kept(PATH_MAX, '\0');
            const ssize_t keptLength = ::readlink(to.constData(), kept.data(), kept.size());
            if (keptLength < 0 || kept.left(keptLength) != pointsTo)
                return EEXIST;
        }
        return ::unlink(from.constData()) == 0 || errno == ENOENT ? 0 : errno;
    }
    if (err == EXDEV && isRegularFile(from)) {
        // The backups folder is a link to another disk: a copy, whole before the original goes.
        // A copy a kill left there before the original went is compared below.
        if (!QFileInfo::exists(kept)) {
            bool readFailed = false;
            const SafeWrite::Outcome copied
                = SafeWrite::copyFile(file, kept, SafeWrite::Existing::Keep, &readFailed);
            if (readFailed)
                return EIO;
            if (!copied.ok())
                return copied.error ? copied.error : EIO;
        }
        err = EEXIST;
    }
    if (err == EEXIST && sameContent(file, kept))
        return ::unlink(from.constData()) == 0 || errno == ENOENT ? 0 : errno;
    return err;
}

// Moves `file` into `keepDir` under its own name, or, when another file was kept under that name
// before, under "<name>-2", "<name>-3"...: nothing kept is overwritten and nothing to keep is
// given up for a name. The errno of the failure, or 0.
int keepAside(const QString& file, const QString& keepDir)
{
    const QFileInfo info(file);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    for (int n = 1; n <= 1000; ++n) {
        const QString name = n == 1
            ? info.fileName()
            : QStringLiteral("%1-%2%3").arg(info.completeBaseName()).arg(n).arg(suffix);
        const int err = keepAs(file, keepDir + u'/' + name);
        if (err != EEXIST)
            return err;
    }
    return EEXIST;
}

// Moves a staged picture to its place; with Keep, never over a file there, which then stays. A
// place on another disk (a linked folder) gets a copy, whole before the staged one goes. The errno
// of the failure, or 0.
int moveInto(const QByteArray& staged, const QString& place, SafeWrite::Existing existing)
{
    const QByteArray target = QFile::encodeName(place);
    const bool keep = existing == SafeWrite::Existing::Keep;
    int moved = keep
        ? ::renameat2(AT_FDCWD, staged.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE)
        : ::rename(staged.constData(), target.constData());
    if (moved != 0 && keep && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without the no-replace rename: a hard link fails on a taken name too.
        moved = ::link(staged.constData(), target.constData());
        if (moved == 0)
            ::unlink(staged.constData());
    }
    if (moved == 0 || (keep && errno == EEXIST))
        return 0;
    if (errno != EXDEV)
        return errno;
    bool readFailed = false;
    const SafeWrite::Outcome copied
        = SafeWrite::copyFile(QFile::decodeName(staged), place, existing, &readFailed);
    if (readFailed)
        return EIO;
    if (!copied.ok() && !(keep && copied.cause == SafeWrite::Cause::AlreadyExists))
        return copied.error ? copied.error : EIO;
    ::unlink(staged.constData());
    return 0;
}

// Whether the entry's keep folder can take the file now at its place: the nearest part of its path
// that exists is a folder we may write in. Nothing is made, so a commit that never comes leaves
// nothing behind. The errno of the failure, or 0 (also when there is nothing to keep).
int keepFolderReady(const DataFolder& folder, const Entry& entry)
{
    if (entry.existing != Existing::KeepAside)
        return 0;
    const QString place = placeOf(folder, entry);
    const QString keepDir = keepFolderOf(folder, entry);
    struct stat st = {};
    const QByteArray target = QFile::encodeName(place);
    if (place.isEmpty() || keepDir.isEmpty() || ::lstat(target.constData(), &st) != 0
        || !(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
        return 0;
    QString nearest = keepDir;
    while (::lstat(QFile::encodeName(nearest).constData(), &st) != 0 && errno == ENOENT)
        nearest = QFileInfo(nearest).absolutePath();
    if (::stat(QFile::encodeName(nearest).constData(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    return ::faccessat(AT_FDCWD, QFile::encodeName(nearest).constData(), W_OK | X_OK, AT_EACCESS) == 0
        ? 0
        : errno;
}

// Puts one entry in place: the file at its place kept aside or removed as the entry says, then the
// staged picture moved there. The errno of the failure, or 0; `keeping` tells a failure to keep the
// file found there. A staged picture that is already gone was put in place before, so a start may
// do this again for an install a kill cut short.
int placeOne(const DataFolder& folder, const QString& staging, const Entry& entry, bool* keeping)
{
    *keeping = false;
    const QString place = placeOf(folder, entry);
    if (place.isEmpty() || (!entry.stagedName.isEmpty() && !DataFolder::isPlainFileName(entry.stagedName)))
        return 0; // not ours to change
    const QByteArray target = QFile::encodeName(place);
    QByteArray staged;
    if (!entry.stagedName.isEmpty()) {
        staged = QFile::encodeName(staging + QStringLiteral("/Posters/") + entry.stagedName);
        struct stat st = {};
        if (::lstat(staged.constData(), &st) != 0)
            return errno == ENOENT ? 0 : errno;
        if (const int err = makeFolder(QFileInfo(place).absolutePath()))
            return err;
    }
    switch (entry.existing) {
    case Existing::Replace:
        if (staged.isEmpty())
            return ::unlink(target.constData()) == 0 || errno == ENOENT ? 0 : errno;
        break;
    case Existing::Keep:
        if (staged.isEmpty())
            return 0;
        return moveInto(staged, place, SafeWrite::Existing::Keep);
    case Existing::KeepAside: {
        const QString keepDir = keepFolderOf(folder, entry);
        if (keepDir.isEmpty())
            return 0;
        struct stat st = {};
        if (::lstat(target.constData(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) {
            int err = makeFolders(folder.path(), entry.keepIn);
            if (err == 0)
                err = keepAside(place, keepDir);
            if (err != 0) {
                *keeping = true;
                return err;
            }
        }
        if (staged.isEmpty())
            return 0;
        break;
    }
    }
    return moveInto(staged, place, SafeWrite::Existing::Replace);
}

// A failure no later start can mend: the entry is given up as the install that met it gave it up.
// A file that could not be kept aside is never given up: its staged picture would be lost and the
// file shown with a movie not its own, so the next start tries again.
bool isFinal(const Failure& failure)
{
    return !failure.keeping
        && (failure.error == EISDIR || failure.error == ENOTDIR || failure.error == ENOTEMPTY
            || failure.error == EEXIST);
}

QString existingText(Existing existing)
{
    switch (existing) {
    case Existing::Replace:
        break;
    case Existing::KeepAside:
        return QStringLiteral("keepaside");
    case Existing::Keep:
        return QStringLiteral("keep");
    }
    return QString();
}

Existing existingFrom(const QString& text)
{
    if (text == QLatin1String("keepaside"))
        return Existing::KeepAside;
    if (text == QLatin1String("keep"))
        return Existing::Keep;
    return Existing::Replace;
}

QVariant textOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
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
    systemError_ = err;
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
    const auto failed = [&] {
        setError(error, queryError(cataloguePath, q));
        return false;
    };
    if (!q.exec(
            QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (Staging TEXT, Staged TEXT, ID REAL, Target TEXT, "
                           "KeepIn TEXT, Existing TEXT)")
                .arg(table))
        || !q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
        return failed();
    // A table made when only posters were installed gets the columns of the other files.
    QStringList missing = { QStringLiteral("Target"), QStringLiteral("KeepIn"), QStringLiteral("Existing") };
    while (q.next())
        missing.removeAll(q.value(1).toString());
    for (const QString& column : std::as_const(missing))
        if (!q.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 TEXT").arg(table, column)))
            return failed();
    if (!canKeepAside(entries, error))
        return false;
    if (!q.prepare(QStringLiteral("INSERT INTO %1 (Staging, Staged, ID, Target, KeepIn, Existing) "
                                  "VALUES (?, ?, ?, ?, ?, ?)")
                       .arg(table)))
        return failed();
    for (const Entry& e : entries) {
        q.addBindValue(name_);
        q.addBindValue(textOrNull(e.stagedName));
        q.addBindValue(e.target.isEmpty() ? QVariant(e.id) : QVariant(QMetaType(QMetaType::Double)));
        q.addBindValue(textOrNull(e.target));
        q.addBindValue(textOrNull(e.keepIn));
        q.addBindValue(textOrNull(existingText(e.existing)));
        if (!q.exec())
            return failed();
    }
    return true;
}

bool Staging::canKeepAside(const QList<Entry>& entries, QString* error) const
{
    for (const Entry& e : entries) {
        if (const int err = keepFolderReady(folder_, e)) {
            setError(error,
                QStringLiteral("无法把 %1 移到 %2（%3），没有做任何改动。请处理后重试。")
                    .arg(native(placeOf(folder_, e)), native(folder_.path() + u'/' + e.keepIn),
                        SafeWrite::causeInBrief(err)));
            return false;
        }
    }
    return true;
}

QList<Failure> Staging::install(const QList<Entry>& entries)
{
    QList<Failure> failures;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        bool keeping = false;
        if (const int err = placeOne(folder_, path_, entries.at(i), &keeping))
            failures.append({ i, keeping, err });
    }
    // Without the folder the install is finished, whatever the record still says.
    QDir(path_).removeRecursively();
    finished_ = true;
    clearRecord(folder_.catalogueFile(), name_, nullptr);
    return failures;
}

void Staging::finish(const QList<Entry>& entries, QStringList* warnings)
{
    for (const Failure& f : install(entries)) {
        const Entry& e = entries.at(f.entry);
        const QString target = native(placeOf(folder_, e));
        const QString cause = SafeWrite::causeInBrief(f.error);
        if (f.keeping)
            warnings->append(
                QStringLiteral("无法把旧的海报文件 %1 移到 %2（%3），新影片可能显示别的影片的海报。")
                    .arg(target, native(folder_.path() + u'/' + e.keepIn), cause));
        else if (e.stagedName.isEmpty())
            warnings->append(QStringLiteral("无法删除旧的海报文件 %1（%2），新影片可能显示别的影片的海报。")
                                 .arg(target, cause));
        else
            warnings->append(QStringLiteral("无法把海报放到 %1（%2）。").arg(target, cause));
    }
}

QString placeOf(const DataFolder& folder, const Entry& entry)
{
    if (entry.target.isEmpty())
        return posterPath(folder, entry.id);
    const QStringList parts = entry.target.split(u'/');
    const bool settings = parts.size() == 1 && parts.first() == DataFolder::settingsFileName();
    const bool picture = parts.size() == 2
        && (parts.first() == QLatin1String("Posters") || parts.first() == QLatin1String("Compics"))
        && DataFolder::isPlainFileName(parts.last());
    return settings || picture ? folder.path() + u'/' + entry.target : QString();
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
            // A table made when only posters were installed lacks the later columns.
            if (!q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table))) {
                setError(problem, queryError(path, q));
                return false;
            }
            const QSqlRecord columns = q.record();
            const auto text = [&](const char* column) {
                const int at = columns.indexOf(QLatin1String(column));
                return at < 0 ? QString() : q.value(at).toString();
            };
            while (q.next()) {
                const QString staging = text("Staging");
                if (!recorded.contains(staging))
                    order.append(staging);
                Entry entry(q.value(columns.indexOf(QLatin1String("ID"))).toDouble(), text("Staged"));
                entry.target = text("Target");
                entry.existing = existingFrom(text("Existing"));
                entry.keepIn = text("KeepIn");
                recorded[staging].append(entry);
            }
        }
    }

    bool complete = true;
    for (const QString& staging : std::as_const(order)) {
        const QString dir = incoming + u'/' + staging;
        if (!staging.isEmpty() && DataFolder::isPlainFileName(staging) && QFileInfo(dir).isDir()) {
            int err = 0;
            for (const Entry& e : std::as_const(recorded[staging])) {
                Failure one;
                one.error = placeOne(folder, dir, e, &one.keeping);
                if (one.error != 0 && !isFinal(one) && err == 0)
                    err = one.error;
            }
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
