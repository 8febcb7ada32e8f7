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

// Label and UUID of a device or image file, where the system lets us read them.
void readVolume(const QByteArray& deviceOrImage, DiscMediumRecord& into);

// Every file under the folder `root`: its path below the root (bytes) and its size. The walk
// follows no link to a folder; `stop` ends it at the next folder, with what was found so far.
QList<std::pair<QByteArray, qint64>> filesUnder(
    const QByteArray& root, const std::atomic<bool>* stop = nullptr);

// The volume's label, UUID and type for the folder `root` (or an image file), without its files.
DiscMediumRecord volumeOf(const QByteArray& root);

// Everything above for the folder `root` (or for an image file: its volume only).
DiscMediumRecord describe(const QByteArray& root);

} // namespace MediumIdentity
