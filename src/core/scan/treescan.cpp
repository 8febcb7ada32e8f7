#include "treescan.h"

#include "drives.h"
#include "folderlisting.h"
#include "scantexts.h"

#include <QFile>
#include <QSet>
#include <cerrno>
#include <sys/stat.h>

namespace {

using Identity = std::pair<quint64, quint64>;

class TreeWalker
{
public:
    TreeWalker(const FileTypeSet& types, const ScanProgressFn& progress, TreeScan& result,
        const QByteArray& rawRoot, Identity rootIdentity)
        : types_(types)
        , progress_(progress)
        , result_(result)
        , buckets_(types.size())
        , rawRoot_(rawRoot)
        , rootIdentity_(rootIdentity)
    {
    }

    enum class Stop { No, Cancelled, RootLost };

    Stop walk(const QByteArray& rawPath, const QString& path, bool isRoot)
    {
        ++result_.foldersVisited;
        if (progress_) {
            ScanProgress report { result_.foldersVisited, found_, path,
                std::exchange(namesSinceReport_, {}) };
            if (!progress_(report))
                return Stop::Cancelled;
        }
        QList<FolderEntry> files;
        QList<FolderEntry> folders;
        {
            OpenFolder folder(rawPath, isRoot);
            if (!folder.isOpen()) {
                if (isRoot) {
                    rootError_ = folder.error();
                    return Stop::No;
                }
                return unreadable(path);
            }
            if (visited_.contains(folder.identity())) {
                ++result_.foldersSkipped;
                return Stop::No;
            }
            visited_.insert(folder.identity());
            folder.read(&files, &folders);
            if (folder.readError() != 0) {
                // Half a root's listing is not the disc: the scan fails rather than store a part.
                if (isRoot)
                    return Stop::RootLost;
                if (unreadable(path) == Stop::RootLost)
                    return Stop::RootLost;
            }
            for (FolderEntry& f : files) {
                const qsizetype type = types_.firstMatch(f.name);
                if (type < 0 || folder.fileSize(f) < 0)
                    continue;
                buckets_[type].append({ f.name, path, f.size, type, f.rawName, rawPath });
                if (progress_)
                    namesSinceReport_.append(f.name);
                ++found_;
            }
        }
        for (const FolderEntry& sub : std::as_const(folders)) {
            if (sub.name.startsWith(u'.'))
                continue;
            const Stop stop = walk(joinPath(rawPath, sub.rawName), joinPath(path, sub.name), false);
            if (stop != Stop::No)
                return stop;
        }
        return Stop::No;
    }

    // The root is still the folder the walk began in: not taken out, moved away or replaced.
    bool rootStillThere() const
    {
        struct stat st = {};
        return ::stat(rawRoot_.constData(), &st) == 0 && S_ISDIR(st.st_mode)
            && Identity { quint64(st.st_dev), quint64(st.st_ino) } == rootIdentity_;
    }

    int rootError() const { return rootError_; }

    QList<FoundFile> takeFiles()
    {
        QList<FoundFile> all;
        all.reserve(found_);
        for (QList<FoundFile>& b : buckets_)
            all.append(std::move(b));
        return all;
    }

private:
    // A folder below the root that could not be read: counted and passed over, unless the reason
    // is that the whole medium went away.
    Stop unreadable(const QString& path)
    {
        if (!rootStillThere())
            return Stop::RootLost;
        ++result_.foldersUnreadable;
        ++result_.foldersSkipped;
        if (result_.unreadableFolders.size() < TreeScan::maxUnreadableNamed)
            result_.unreadableFolders.append(path);
        return Stop::No;
    }

    QStringList namesSinceReport_;
    const FileTypeSet& types_;
    const ScanProgressFn& progress_;
    TreeScan& result_;
    QList<QList<FoundFile>> buckets_;
    QSet<Identity> visited_;
    QByteArray rawRoot_;
    Identity rootIdentity_;
    qint64 found_ = 0;
    int rootError_ = 0;
};

// Checks the root before the walk, so that a missing disc is not reported as an empty one.
bool checkRoot(TreeScan& scan, const QByteArray& raw, Identity* identity)
{
    if (scan.root.isEmpty()) {
        scan.status = ScanStatus::NoRoot;
        scan.problem = ScanTexts::noRoot();
        return false;
    }
    struct stat st = {};
    if (::stat(raw.constData(), &st) != 0) {
        const bool missing = errno == ENOENT || errno == ENOTDIR;
        scan.status = missing ? ScanStatus::RootMissing : ScanStatus::RootUnreadable;
        scan.problem = missing ? ScanTexts::rootMissing(scan.root) : ScanTexts::rootUnreadable(scan.root);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        scan.status = ScanStatus::RootNotFolder;
        scan.problem = ScanTexts::rootNotFolder(scan.root);
        return false;
    }
    *identity = { quint64(st.st_dev), quint64(st.st_ino) };
    return true;
}

} // namespace

TreeScan scanTree(const QString& root, const FileTypeSet& types, const ScanProgressFn& progress)
{
    TreeScan scan;
    scan.root = normalizedRoot(root);
    const QByteArray raw = QFile::encodeName(scan.root);
    Identity identity;
    if (!checkRoot(scan, raw, &identity))
        return scan;
    TreeWalker walker(types, progress, scan, raw, identity);
    TreeWalker::Stop stop = walker.walk(raw, scan.root, true);
    // A medium taken out after its last folder was listed leaves nothing to store from.
    if (stop == TreeWalker::Stop::No && walker.rootError() == 0 && !walker.rootStillThere())
        stop = TreeWalker::Stop::RootLost;
    if (stop == TreeWalker::Stop::RootLost) {
        scan.status = ScanStatus::RootLost;
        scan.problem = ScanTexts::rootLost(scan.root);
        return scan;
    }
    scan.files = walker.takeFiles();
    if (stop == TreeWalker::Stop::Cancelled) {
        scan.status = ScanStatus::Cancelled;
    } else if (walker.rootError() != 0) {
        scan.status = ScanStatus::RootUnreadable;
        scan.problem = ScanTexts::rootUnreadable(scan.root);
    }
    return scan;
}
