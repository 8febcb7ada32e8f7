#include "safewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeWrite {

namespace {

// Writes straight to a file descriptor through a buffer of its own and keeps the error number of
// the first failure, which names the cause better than a device's English text.
class DescriptorDevice final : public QIODevice
{
public:
    explicit DescriptorDevice(int fd)
        : fd_(fd)
    {
        QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }
    int error() const { return error_; }

    // Writes out what the buffer still holds.
    bool drain()
    {
        const bool ok = error_ == 0 && writeOut(buffer_.constData(), buffer_.size());
        buffer_.clear();
        return ok;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }

    qint64 writeData(const char* data, qint64 size) override
    {
        if (error_ != 0)
            return -1;
        if (buffer_.size() + size > capacity && !drain())
            return -1;
        if (size >= capacity)
            return writeOut(data, size) ? size : -1;
        buffer_.append(data, size);
        return size;
    }

private:
    static constexpr qint64 capacity = 64 * 1024;

    bool writeOut(const char* data, qint64 size)
    {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size_t(std::min<qint64>(size, 1 << 30)));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error_ = n < 0 ? errno : EIO;
                setErrorString(QString::fromLocal8Bit(std::strerror(error_)));
                return false;
            }
            data += n;
            size -= n;
        }
        return true;
    }

    int fd_;
    int error_ = 0;
    QByteArray buffer_;
};

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

Cause causeOf(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return Cause::DiskFull;
    case EACCES:
    case EPERM:
        return Cause::ReadOnlyFolder;
    case EROFS:
        return Cause::ReadOnlyDisk;
    case ENOENT:
    case ENOTDIR:
        return Cause::MissingFolder;
    case EISDIR:
        return Cause::FolderInTheWay;
    case EEXIST:
    case ENOTEMPTY:
        return Cause::AlreadyExists;
    case EFBIG:
        return Cause::FileTooLarge;
    case EIO:
        return Cause::DiskError;
    default:
        return Cause::Unknown;
    }
}

QString reasonFor(Cause cause, const QString& folder, int error)
{
    const QString where = QDir::toNativeSeparators(folder);
    switch (cause) {
    case Cause::None:
        break;
    case Cause::DiskFull:
        return QStringLiteral("磁盘已满。请腾出磁盘空间后再试。");
    case Cause::ReadOnlyFile:
        return QStringLiteral("这个文件是只读的。请去掉它的只读属性后再试。");
    case Cause::ReadOnlyFolder:
        return QStringLiteral("没有在文件夹 %1 中写入的权限。请检查这个文件夹的权限，或换一个文件夹后再试。")
            .arg(where);
    case Cause::ReadOnlyDisk:
        return QStringLiteral("它所在的磁盘是只读的。请换一个文件夹后再试。");
    case Cause::MissingFolder:
        return QStringLiteral("文件夹 %1 不存在。请换一个文件夹后再试。").arg(where);
    case Cause::FolderInTheWay:
        return QStringLiteral("那里已有一个同名的文件夹。请换一个文件名或文件夹后再试。");
    case Cause::AlreadyExists:
        return QStringLiteral("同名的文件已经存在，没有替换它。");
    case Cause::FileTooLarge:
        return QStringLiteral("文件超出了这个磁盘允许的大小。请换一个磁盘后再试。");
    case Cause::DiskError:
        return QStringLiteral("读写磁盘时出错。请检查磁盘后再试。");
    case Cause::Unknown:
        if (error == 0)
            return QStringLiteral("文件的内容没有能完整写出。");
        return QStringLiteral("出现了意外的错误（%1）。").arg(QString::fromLocal8Bit(std::strerror(error)));
    }
    return QString();
}

Outcome failure(const QString& path, Cause cause, const QString& folder, int error = 0)
{
    Outcome out;
    out.cause = cause;
    out.path = path;
    out.reason = reasonFor(cause, folder, error);
    out.message = QStringLiteral("无法写入文件 %1：").arg(QDir::toNativeSeparators(path)) + out.reason;
    out.error = error;
    return out;
}

// A symbolic link is written through, so the link stays and its file gets the content.
QString realTarget(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return info.absoluteFilePath();
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

// A free hidden name beside the target.
QByteArray hiddenName(const QByteArray& folder, const QString& name)
{
    QByteArray base = encoded(name);
    if (base.size() > 200)
        base = "reelshelf";
    return folder + "/." + base + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36)
        + ".part";
}

// The file being written. Where the file system allows, it has no name until it is complete,
// so a writer killed halfway leaves nothing behind; elsewhere it is a hidden file beside the
// target. Either is made with the mode the umask leaves of 0666.
class PendingFile
{
public:
    PendingFile(const QString& folder, const QString& name)
        : folder_(encoded(folder))
        , name_(name)
    {
        fd_ = ::open(folder_.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        openError_ = fd_ < 0 ? errno : 0;
        if (fd_ >= 0 || (openError_ != EOPNOTSUPP && openError_ != EISDIR && openError_ != EINVAL))
            return;
        for (int attempt = 0; attempt < 100; ++attempt) {
            hidden_ = hiddenName(folder_, name_);
            fd_ = ::open(hidden_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            openError_ = fd_ < 0 ? errno : 0;
            if (fd_ >= 0 || openError_ != EEXIST)
                break;
        }
        if (fd_ < 0)
            hidden_.clear();
    }
    ~PendingFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!hidden_.isEmpty())
            ::unlink(hidden_.constData());
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    int fd() const { return fd_; }
    // Why it could not be made, when fd() is -1.
    int openError() const { return openError_; }

    // Everything on the disk, checked; 0 or the error number.
    int finish()
    {
        if (::fsync(fd_) != 0 && errno != EINVAL)
            return errno;
        if (!hidden_.isEmpty()) {
            const int closed = ::close(fd_);
            fd_ = -1;
            if (closed != 0 && errno != EINTR)
                return errno;
        }
        return 0;
    }

    // Takes the target's name; with Keep an existing file is never replaced, even one made
    // meanwhile. 0 or the error number.
    int putInPlace(const QByteArray& target, Existing existing)
    {
        if (hidden_.isEmpty() && !giveName(existing == Existing::Keep ? target : QByteArray()))
            return errno;
        if (existing == Existing::Replace) {
            if (::rename(hidden_.constData(), target.constData()) != 0)
                return errno;
        } else if (!hidden_.isEmpty() && !moveWithoutReplacing(target)) {
            return errno;
        }
        hidden_.clear();
        return 0;
    }

private:
    // Links the unnamed file under `target`, or under a hidden name when that is empty.
    bool giveName(const QByteArray& target)
    {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd_);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = target.isEmpty() ? hiddenName(folder_, name_) : target;
            if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0
                || (errno == ENOENT && ::linkat(fd_, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0)) {
                hidden_ = target.isEmpty() ? name : QByteArray();
                return true;
            }
            if (errno != EEXIST || !target.isEmpty())
                return false;
        }
        return false;
    }

    bool moveWithoutReplacing(const QByteArray& target)
    {
        if (::renameat2(AT_FDCWD, hidden_.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
            return true;
        if (errno != EINVAL && errno != ENOSYS)
            return false;
        // A file system without the no-replace rename: a hard link fails on an existing name too.
        if (::link(hidden_.constData(), target.constData()) != 0)
            return false;
        ::unlink(hidden_.constData());
        return true;
    }

    QByteArray folder_;
    QString name_;
    QByteArray hidden_; // the name while it has one that is not the target's
    int fd_ = -1;
    int openError_ = 0;
};

// So that the new name is on the disk too before success is said.
void syncFolder(const QString& folder)
{
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

Outcome writeFile(const QString& path, const QByteArray& bytes, Existing existing)
{
    return writeFile(
        path, [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); }, existing);
}

Outcome writeFile(const QString& path, const Writer& writer, Existing existing)
{
    const QString target = realTarget(path);
    const QString folder = QFileInfo(target).absolutePath();
    const QByteArray targetName = encoded(target);

    struct stat old = {};
    const bool exists = ::stat(targetName.constData(), &old) == 0;
    if (exists) {
        if (S_ISDIR(old.st_mode))
            return failure(path, Cause::FolderInTheWay, folder, EISDIR);
        if (existing == Existing::Keep)
            return failure(path, Cause::AlreadyExists, folder, EEXIST);
        // A file the user made read-only is not replaced behind their back.
        if (::access(targetName.constData(), W_OK) != 0) {
            const int error = errno;
            return failure(path, error == EROFS ? Cause::ReadOnlyDisk : Cause::ReadOnlyFile, folder, error);
        }
    }

    PendingFile pending(folder, QFileInfo(target).fileName());
    if (pending.fd() < 0)
        return failure(path, causeOf(pending.openError()), folder, pending.openError());
    if (exists)
        ::fchmod(pending.fd(), old.st_mode & 07777);

    int error = 0;
    {
        DescriptorDevice device(pending.fd());
        const bool written = writer(device) && device.drain();
        error = device.error();
        if (!written && error == 0)
            error = -1;
    }
    if (error == 0)
        error = pending.finish();
    if (error == 0)
        error = pending.putInPlace(targetName, existing);
    if (error != 0)
        return failure(path, error < 0 ? Cause::Unknown : causeOf(error), folder, std::max(error, 0));
    syncFolder(folder);
    Outcome out;
    out.path = path;
    return out;
}

Outcome failed(const QString& path, int error)
{
    return failure(path, causeOf(error), QFileInfo(path).absolutePath(), error);
}

QString causeInBrief(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("磁盘已满");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入权限");
    case EROFS:
        return QStringLiteral("文件系统是只读的");
    case ENOTDIR:
    case EEXIST:
    case EISDIR:
        return QStringLiteral("该位置被其他文件或文件夹占用");
    case EFBIG:
        return QStringLiteral("文件超过了系统允许的大小");
    case EIO:
        return QStringLiteral("读写出错");
    case ENOENT:
        return QStringLiteral("所在的文件夹不存在");
    case EXDEV:
        return QStringLiteral("不能移到另一个磁盘上");
    default:
        return QStringLiteral("系统错误：%1").arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

Outcome copyFile(const QString& source, const QString& path, Existing existing, bool* readFailed)
{
    *readFailed = false;
    QFile from(source);
    if (!QFileInfo(source).isFile() || !from.open(QIODevice::ReadOnly)) {
        *readFailed = true;
        return failed(path, EIO);
    }
    return writeFile(
        path,
        [&](QIODevice& device) {
            for (;;) {
                const QByteArray piece = from.read(1 << 20);
                if (from.error() != QFileDevice::NoError) {
                    *readFailed = true;
                    return false;
                }
                if (piece.isEmpty())
                    return true;
                if (device.write(piece) != piece.size())
                    return false;
            }
        },
        existing);
}

} // namespace SafeWrite
