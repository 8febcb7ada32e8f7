#pragma once

#include <QList>
#include <QString>

// A drive root as the scan uses it: any folder. A relative path is made absolute against the
// current folder, "." and ".." and repeated or trailing "/" are tidied away; "/" stays "/".
// The empty text stays empty (no drive chosen).
QString normalizedRoot(const QString& typed);

// A mounted file system, as the system reports it.
struct MountedVolume
{
    QString rootPath; // where it is mounted
    QString device; // "/dev/sr0", "/dev/sdb1", ...
    QString fileSystem; // "iso9660", "vfat", ...
    QString label; // the volume label, empty when the system does not know it
    bool ready = true; // false when the medium cannot be read
};

// A mount point that /etc/fstab sets up but that may be unmounted (an empty optical drive).
struct ConfiguredMount
{
    QString device;
    QString mountPoint;
    QString fileSystem;
};

// What the system has mounted and what it would mount; the input of the drive box and of the
// volume information, read once on the interface thread.
struct MountTable
{
    QList<MountedVolume> mounted;
    QList<ConfiguredMount> configured;

    static MountTable current();
    // The lines of an fstab file; comments, blank lines and short lines are left out.
    static QList<ConfiguredMount> parseFstab(const QByteArray& text);
};

// An optical drive's device node (/dev/sr0, /dev/cdrom, /dev/dvd ...) or a disc file system.
bool isOpticalDevice(const QString& device, const QString& fileSystem = QString());

// One choice of the drive box.
struct DriveChoice
{
    QString root;
    QString label;
    QString fileSystem;
    bool optical = false;
    bool mounted = true;
};

// The mounted removable media and optical drives: mounts under /media, /run/media and /mnt and
// any optical mount, in mount order, then optical mount points of fstab that hold no medium.
QList<DriveChoice> removableDrives(const MountTable& mounts);

// The volume label and file system of a drive root's mount.
struct VolumeInfo
{
    QString label;
    QString fileSystem;
    bool optical = false;
    // An optical drive whose medium cannot be read (none inserted, or unreadable).
    bool readError = false;

    QString labelText() const; // "*光盘卷标:" + label
    QString fileSystemText() const; // "*文件系统名称:" + file system
};

// Looks the root up in the mount table (following links in the root's path). Without a label
// from the system, an optical medium's ISO 9660 label is read from its device when readable.
VolumeInfo showVolumeInfo(const QString& root, const MountTable& mounts);
VolumeInfo showVolumeInfo(const QString& root);

// The volume label of an ISO 9660 device or image: the Joliet name when there is one, else the
// primary one; empty when the file is not readable or not ISO 9660.
QString isoVolumeLabel(const QString& deviceOrImage);
