#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <memory>

// Tells when the system mounts or unmounts something. The kernel marks /proc/self/mountinfo as
// changed, so nothing is read while nothing happens: no timer runs while the program is idle.
class MountWatch : public QObject
{
    Q_OBJECT
public:
    explicit MountWatch(QObject* parent = nullptr);
    ~MountWatch() override;

    bool isWatching() const { return notifier_ != nullptr; }

signals:
    void changed();

private:
    void drain();

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// The roots in `now` that were not in `before`, in the order of `now`.
QStringList addedRoots(const QStringList& before, const QStringList& now);

// Which mount the folder `root` is on, so that a medium swapped for another at the same folder
// between two looks is not taken for the one before: the system's mount number that is never
// given twice where it has one, otherwise the mount's number and device and, for a loop device,
// the file it reads. Empty when the folder cannot be looked at.
QByteArray mountIdentity(const QString& root);
