#include "drives.h"

#include "folderlisting.h"
#include "scantexts.h"
#include "store/textrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>

QString normalizedRoot(const QString& typed)
{
    if (typed.isEmpty())
        return QString();
    return QDir::cleanPath(QDir::current().absoluteFilePath(typed));
}

namespace {

// fstab writes blanks and backslashes in names as octal escapes ("\040").
QString fstabField(const QByteArray& field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && code < 256) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(field.at(i));
    }
    return QFile::decodeName(out);
}

// True when `path` is `mount` or lies below it.
bool isAtOrBelow(const QString& path, const QString& mount)
{
    if (mount == QStringLiteral("/"))
        return path.startsWith(u'/');
    return path == mount || path.startsWith(mount + u'/');
}

QString resolved(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

bool isRemovableMountPoint(const QString& root)
{
    for (const char* base : { "/media", "/run/media", "/mnt" })
        if (isAtOrBelow(root, QString::fromLatin1(base)))
            return true;
    return false;
}

} // namespace

QList<ConfiguredMount> MountTable::parseFstab(const QByteArray& text)
{
    QList<ConfiguredMount> mounts;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.simplified();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 3)
            continue;
        mounts.append({ fstabField(fields.at(0)), QDir::cleanPath(fstabField(fields.at(1))),
            fstabField(fields.at(2)) });
    }
    return mounts;
}

MountTable MountTable::current()
{
    MountTable table;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        table.mounted.append({ info.rootPath(), QString::fromUtf8(info.device()),
            QString::fromUtf8(info.fileSystemType()), info.name(), info.isReady() });
    }
    QFile fstab(QStringLiteral("/etc/fstab"));
    if (fstab.open(QIODevice::ReadOnly))
        table.configured = parseFstab(fstab.read(1 << 20));
    return table;
}

bool isOpticalDevice(const QString& device, const QString& fileSystem)
{
    if (fileSystem == QStringLiteral("iso9660") || fileSystem == QStringLiteral("udf"))
        return true;
    // The kernel's names (sr0, scd0) and udev's links (cdrom, cdrw1, dvd, dvdrw).
    const struct
    {
        const char* prefix;
        bool needsNumber;
    } nodes[] = { { "/dev/sr", true }, { "/dev/scd", true }, { "/dev/cdrom", false }, { "/dev/cdrw", false },
        { "/dev/dvdrw", false }, { "/dev/dvd", false } };
    for (const auto& n : nodes) {
        const QString prefix = QString::fromLatin1(n.prefix);
        if (!device.startsWith(prefix))
            continue;
        const QStringView rest = QStringView(device).mid(prefix.size());
        const bool digits = std::all_of(rest.begin(), rest.end(), [](QChar c) { return c.isDigit(); });
        if (digits && (!rest.isEmpty() || !n.needsNumber))
            return true;
    }
    return false;
}

QList<DriveChoice> removableDrives(const MountTable& mounts)
{
    QList<DriveChoice> choices;
    const auto listed = [&choices](const QString& root) {
        for (const DriveChoice& c : std::as_const(choices))
            if (c.root == root)
                return true;
        return false;
    };
    for (const MountedVolume& v : mounts.mounted) {
        const bool optical = isOpticalDevice(v.device, v.fileSystem);
        if (!optical && !isRemovableMountPoint(v.rootPath))
            continue;
        // A later mount on the same point hides the earlier one.
        choices.removeIf([&v](const DriveChoice& c) { return c.root == v.rootPath; });
        choices.append({ v.rootPath, v.label, v.fileSystem, optical, true });
    }
    for (const ConfiguredMount& m : mounts.configured)
        if (isOpticalDevice(m.device) && !listed(m.mountPoint))
            choices.append({ m.mountPoint, QString(), QString(), true, false });
    return choices;
}

QString VolumeInfo::labelText() const
{
    return ScanTexts::volumeLabelCaption() + label;
}

QString VolumeInfo::fileSystemText() const
{
    return ScanTexts::fileSystemCaption() + fileSystem;
}

VolumeInfo showVolumeInfo(const QString& root, const MountTable& mounts)
{
    VolumeInfo info;
    const QString path = resolved(normalizedRoot(root));
    if (path.isEmpty())
        return info;
    const MountedVolume* volume = nullptr;
    for (const MountedVolume& v : mounts.mounted)
        if (isAtOrBelow(path, v.rootPath) && (!volume || v.rootPath.size() >= volume->rootPath.size()))
            volume = &v;

    // An optical mount point that nothing is mounted on: the drive holds no readable disc.
    for (const ConfiguredMount& m : mounts.configured) {
        const QString point = resolved(m.mountPoint);
        if (isOpticalDevice(m.device) && isAtOrBelow(path, point)
            && (!volume || volume->rootPath.size() < point.size())) {
            info.optical = true;
            info.readError = true;
            return info;
        }
    }
    if (!volume)
        return info;
    info.fileSystem = volume->fileSystem;
    info.label = volume->label;
    info.optical = isOpticalDevice(volume->device, volume->fileSystem);
    if (!info.optical)
        return info;
    if (!volume->ready || !OpenFolder(QFile::encodeName(path)).isOpen()) {
        info.readError = true;
        info.label.clear();
        info.fileSystem.clear();
        return info;
    }
    if (info.label.isEmpty())
        info.label = isoVolumeLabel(volume->device);
    return info;
}

VolumeInfo showVolumeInfo(const QString& root)
{
    return showVolumeInfo(root, MountTable::current());
}

namespace {

constexpr qint64 sectorSize = 2048;

// A fixed-width descriptor field: up to the first NUL, blanks trimmed.
QString descriptorText(QString text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    return TextRules::trimBlanks(text);
}

} // namespace

QString isoVolumeLabel(const QString& deviceOrImage)
{
    QFile file(deviceOrImage);
    if (deviceOrImage.isEmpty() || !file.open(QIODevice::ReadOnly) || !file.seek(16 * sectorSize))
        return QString();
    QString primary;
    QString joliet;
    // The descriptor set starts at sector 16 and ends with a terminator (type 255).
    for (int n = 0; n < 32; ++n) {
        const QByteArray d = file.read(sectorSize);
        if (d.size() < sectorSize || d.mid(1, 5) != QByteArrayLiteral("CD001"))
            break;
        const auto type = quint8(d.at(0));
        if (type == 255)
            break;
        if (type == 1 && primary.isEmpty()) {
            primary = descriptorText(QString::fromLatin1(d.mid(40, 32)));
        } else if (type == 2 && joliet.isEmpty() && d.at(88) == '%' && d.at(89) == '/'
            && (d.at(90) == '@' || d.at(90) == 'C' || d.at(90) == 'E')) {
            QString name;
            for (int i = 40; i < 72; i += 2)
                name.append(QChar(char16_t((quint8(d.at(i)) << 8) | quint8(d.at(i + 1)))));
            joliet = descriptorText(name);
        }
    }
    return joliet.isEmpty() ? primary : joliet;
}
