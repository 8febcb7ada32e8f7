#include "diskconditions.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/mount.h>
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
