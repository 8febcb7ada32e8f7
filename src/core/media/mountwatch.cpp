#include "mountwatch.h"

#include "mediumidentity.h"

#include <QFile>
#include <QSet>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef STATX_MNT_ID_UNIQUE
#define STATX_MNT_ID_UNIQUE 0x00004000U // Linux 6.8
#endif

MountWatch::MountWatch(QObject* parent)
    : QObject(parent)
    , fd_(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC))
{
    if (fd_ < 0)
        return; // no mount table to watch: nothing is announced, everything else works
    drain();
    // A change of the mount table shows as an exceptional condition (POLLPRI) on the open file.
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Exception);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        drain();
        emit changed();
    });
}

MountWatch::~MountWatch()
{
    notifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

void MountWatch::drain()
{
    // Reading the table to its end clears the mark; the next change sets it again.
    char buffer[16384];
    if (::lseek(fd_, 0, SEEK_SET) < 0)
        return;
    while (::read(fd_, buffer, sizeof buffer) > 0) { }
}

QStringList addedRoots(const QStringList& before, const QStringList& now)
{
    const QSet<QString> known(before.begin(), before.end());
    QStringList added;
    for (const QString& root : now)
        if (!known.contains(root) && !added.contains(root))
            added << root;
    return added;
}

QByteArray mountIdentity(const QString& root)
{
    const QByteArray raw = QFile::encodeName(root);
    struct statx facts
    {
    };
    if (::statx(AT_FDCWD, raw.constData(), AT_NO_AUTOMOUNT, STATX_MNT_ID_UNIQUE, &facts) == 0
        && (facts.stx_mask & STATX_MNT_ID_UNIQUE))
        return "mount " + QByteArray::number(quint64(facts.stx_mnt_id));
    if (::statx(AT_FDCWD, raw.constData(), AT_NO_AUTOMOUNT, STATX_MNT_ID, &facts) != 0)
        return {};
    // Older systems give a freed mount number and loop device to the next mount at once.
    QByteArray identity = QByteArray::number(facts.stx_dev_major) + ':'
        + QByteArray::number(facts.stx_dev_minor) + ' ' + QByteArray::number(quint64(facts.stx_mnt_id));
    if (const auto mount = MediumIdentity::mountOf(raw))
        identity += ' ' + MediumIdentity::loopBackingFile(mount->device);
    return identity;
}
