#include "diskconditions.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

const char fillerName[] = ".filler";

} // namespace

FullDisk::FullDisk(int megabytes)
    : dir_(QDir::tempPath() + QStringLiteral("/reelshelf-fulldisk-XXXXXX"))
{
    if (::geteuid() != 0 || !dir_.isValid())
        return;
    const QByteArray options = "size=" + QByteArray::number(megabytes) + 'm';
    mounted_
        = ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0, options.constData()) == 0;
}

FullDisk::~FullDisk()
{
    if (mounted_)
        ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
}

void FullDisk::fill()
{
    const QByteArray filler = QFile::encodeName(path(QString::fromLatin1(fillerName)));
    const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const QByteArray block(4096, '\0');
    while (::write(fd, block.constData(), size_t(block.size())) > 0) { }
    // The last partial page too.
    while (::write(fd, block.constData(), 1) > 0) { }
    ::close(fd);
}

void FullDisk::empty()
{
    QFile::remove(path(QString::fromLatin1(fillerName)));
}

bool runAsPlainUser(const std::function<void()>& work)
{
    if (::geteuid() != 0) {
        work();
        return true;
    }
    bool dropped = false;
    // Capabilities belong to a thread, so the test's own thread keeps them.
    std::thread plain([&] {
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        __user_cap_data_struct data[2] {};
        if (::syscall(SYS_capget, &header, data) != 0)
            return;
        for (int cap : { CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER }) {
            data[CAP_TO_INDEX(cap)].effective &= ~CAP_TO_MASK(cap);
            data[CAP_TO_INDEX(cap)].permitted &= ~CAP_TO_MASK(cap);
            data[CAP_TO_INDEX(cap)].inheritable &= ~CAP_TO_MASK(cap);
        }
        if (::syscall(SYS_capset, &header, data) != 0)
            return;
        dropped = true;
        work();
    });
    plain.join();
    return dropped;
}

namespace {

bool setImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace

WriteProtected::WriteProtected(const QString& path)
    : path_(path)
{
    if (::geteuid() == 0) {
        if (setImmutable(path_, true))
            how_ = How::Immutable;
        return;
    }
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0)
        return;
    oldMode_ = int(st.st_mode & 07777);
    if (::chmod(QFile::encodeName(path_).constData(), mode_t(oldMode_ & ~0222)) == 0)
        how_ = How::Mode;
}

WriteProtected::~WriteProtected()
{
    if (how_ == How::Immutable)
        setImmutable(path_, false);
    else if (how_ == How::Mode)
        ::chmod(QFile::encodeName(path_).constData(), mode_t(oldMode_));
}
