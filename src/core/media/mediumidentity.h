#pragma once

#include "store/mediatables.h"

#include <QByteArray>
#include <QString>
#include <atomic>

// What identifies a medium: the volume label, file-system UUID and type of what is mounted at or
// above a folder (libblkid on the device, or on the image file a loop device shows), and the count,
// total size and fingerprint of every file under the folder.
namespace MediumIdentity {

// The file system a path lies on, from /proc/self/mountinfo: its mount point, device and type.
struct Mount
{
    QByteArray point;
    QByteArray device;
    QString type;
};
std::optional<Mount> mountOf(const QByteArray& path);
// The file a loop device reads, as the kernel names it; empty for any other device.
QByteArray loopBackingFile(const QByteArray& device);

// Label and UUID of a device or image file, where the system lets us read them.
void readVolume(const QByteArray& deviceOrImage, DiscMediumRecord& into);

// Every file under the folder `root`: its path below the root (bytes) and its size. The walk
// follows no link to a folder; `stop` cuts it short.
QList<std::pair<QByteArray, qint64>> filesUnder(
    const QByteArray& root, const std::atomic<bool>* stop = nullptr);

// The volume alone (label, UUID, type) of the folder `root` or of an image file: no walk.
DiscMediumRecord volumeOf(const QByteArray& root);
// Everything above for the folder `root` (or for an image file: its volume only).
DiscMediumRecord describe(const QByteArray& root);

} // namespace MediumIdentity
