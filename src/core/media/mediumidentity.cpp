#include "mediumidentity.h"

#include "scan/folderlisting.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <blkid.h>
#include <sys/stat.h>

namespace MediumIdentity {

namespace {

// mountinfo writes blanks, tabs, newlines and backslashes in names as octal escapes.
QByteArray unescaped(const QByteArray& field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int value = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(field.at(i));
    }
    return out;
}

void walk(const QByteArray& folder, const QByteArray& relative, QList<std::pair<QByteArray, qint64>>& files,
    int depth, const std::atomic<bool>* stop)
{
    // Deeper than any disc holds: a loop of bind mounts ends here.
    if (depth > 64 || (stop && stop->load()))
        return;
    OpenFolder open(folder, depth == 0);
    if (!open.isOpen())
        return;
    QList<FolderEntry> entries;
    QList<FolderEntry> folders;
    open.read(&entries, &folders);
    for (FolderEntry& e : entries) {
        const qint64 size = std::max<qint64>(0, open.fileSize(e));
        files.append({ relative.isEmpty() ? e.rawName : relative + '/' + e.rawName, size });
    }
    for (const FolderEntry& f : std::as_const(folders))
        walk(joinPath(folder, f.rawName), relative.isEmpty() ? f.rawName : relative + '/' + f.rawName, files,
            depth + 1, stop);
}

} // namespace

QByteArray loopBackingFile(const QByteArray& device)
{
    if (!device.startsWith("/dev/loop"))
        return {};
    QFile f(QStringLiteral("/sys/block/%1/loop/backing_file").arg(QString::fromLatin1(device.mid(5))));
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
}

std::optional<Mount> mountOf(const QByteArray& path)
{
    QFile info(QStringLiteral("/proc/self/mountinfo"));
    if (!info.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray canonical = QFile::encodeName(QFileInfo(QFile::decodeName(path)).canonicalFilePath());
    std::optional<Mount> best;
    // The mount with the longest point the path lies under; later lines cover earlier ones.
    for (const QByteArray& line : info.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 0 || dash + 2 >= fields.size())
            continue;
        const QByteArray point = unescaped(fields.at(4));
        const bool under = canonical == point || point == "/" || canonical.startsWith(point + '/');
        if (under && (!best || point.size() >= best->point.size()))
            best = Mount { point, unescaped(fields.at(dash + 2)), QString::fromUtf8(fields.at(dash + 1)) };
    }
    return best;
}

void readVolume(const QByteArray& deviceOrImage, DiscMediumRecord& into)
{
    blkid_probe probe = blkid_new_probe_from_filename(deviceOrImage.constData());
    if (!probe)
        return;
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID | BLKID_SUBLKS_TYPE);
    if (blkid_do_safeprobe(probe) == 0) {
        const char* value = nullptr;
        if (blkid_probe_lookup_value(probe, "LABEL", &value, nullptr) == 0 && value)
            into.label = QString::fromUtf8(value);
        if (blkid_probe_lookup_value(probe, "UUID", &value, nullptr) == 0 && value)
            into.uuid = QString::fromUtf8(value);
        if (blkid_probe_lookup_value(probe, "TYPE", &value, nullptr) == 0 && value)
            into.fsType = QString::fromUtf8(value);
    }
    blkid_free_probe(probe);
}

DiscMediumRecord volumeOf(const QByteArray& root)
{
    DiscMediumRecord m;
    m.scanned = QDateTime::currentDateTimeUtc();
    struct stat st
    {
    };
    if (::stat(root.constData(), &st) == 0 && S_ISREG(st.st_mode)) {
        readVolume(root, m); // an image file itself
        return m;
    }
    if (const auto mount = mountOf(root)) {
        m.fsType = mount->type;
        // A folder inside a larger file system shares its label and UUID with every other folder
        // there: they name the medium only when the root is where the medium is mounted.
        const QByteArray canonical
            = QFile::encodeName(QFileInfo(QFile::decodeName(root)).canonicalFilePath());
        if (canonical != mount->point)
            return m;
        const QByteArray backing = loopBackingFile(mount->device);
        if (mount->device.startsWith("/dev/"))
            readVolume(backing.isEmpty() ? mount->device : backing, m);
        if (m.fsType.isEmpty())
            m.fsType = mount->type;
    }
    return m;
}

DiscMediumRecord describe(const QByteArray& root)
{
    DiscMediumRecord m = volumeOf(root);
    struct stat st
    {
    };
    if (::stat(root.constData(), &st) == 0 && S_ISREG(st.st_mode))
        return m;
    const QList<std::pair<QByteArray, qint64>> files = filesUnder(root);
    m.fileCount = files.size();
    for (const auto& [path, size] : files)
        m.totalSize += size;
    m.fingerprint = MediaTables::fingerprint(files);
    return m;
}

QList<std::pair<QByteArray, qint64>> filesUnder(const QByteArray& root, const std::atomic<bool>* stop)
{
    QList<std::pair<QByteArray, qint64>> files;
    walk(root, {}, files, 0, stop);
    return files;
}

} // namespace MediumIdentity
