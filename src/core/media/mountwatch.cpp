#include "mountwatch.h"

#include <QSet>
#include <fcntl.h>
#include <unistd.h>

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
