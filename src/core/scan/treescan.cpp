#include "treescan.h"

#include "drives.h"
#include "folderlisting.h"
#include "scantexts.h"

#include <QFile>
#include <QSet>
#include <cerrno>
#include <sys/stat.h>

namespace {

class TreeWalker
{
public:
    TreeWalker(const FileTypeSet& types, const ScanProgressFn& progress, TreeScan& result)
        : types_(types)
        , progress_(progress)
        , result_(result)
        , buckets_(types.size())
    {
    }

    // Returns false once the scan was cancelled.
    bool walk(const QByteArray& rawPath, const QString& path, bool isRoot)
    {
        ++result_.foldersVisited;
        if (progress_ && !progress_({ result_.foldersVisited, found_, path }))
            return false;
        QList<FolderEntry> files;
        QList<FolderEntry> folders;
        {
            OpenFolder folder(rawPath, isRoot);
            if (!folder.isOpen() || visited_.contains(folder.identity())) {
                if (isRoot && !folder.isOpen())
                    rootError_ = folder.error();
                ++result_.foldersSkipped;
                return true;
            }
            visited_.insert(folder.identity());
            folder.read(&files, &folders);
            for (FolderEntry& f : files) {
                const qsizetype type = types_.firstMatch(f.name);
                if (type < 0 || folder.fileSize(f) < 0)
                    continue;
                buckets_[type].append({ f.name, path, f.size, type });
                ++found_;
            }
        }
        for (const FolderEntry& sub : std::as_const(folders)) {
            if (sub.name.startsWith(u'.'))
                continue;
            if (!walk(joinPath(rawPath, sub.rawName), joinPath(path, sub.name), false))
                return false;
        }
        return true;
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
    const FileTypeSet& types_;
    const ScanProgressFn& progress_;
    TreeScan& result_;
    QList<QList<FoundFile>> buckets_;
    QSet<std::pair<quint64, quint64>> visited_;
    qint64 found_ = 0;
    int rootError_ = 0;
};

// Checks the root before the walk, so that a missing disc is not reported as an empty one.
bool checkRoot(TreeScan& scan, const QByteArray& raw)
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
    return true;
}

} // namespace

TreeScan scanTree(const QString& root, const FileTypeSet& types, const ScanProgressFn& progress)
{
    TreeScan scan;
    scan.root = normalizedRoot(root);
    const QByteArray raw = QFile::encodeName(scan.root);
    if (!checkRoot(scan, raw))
        return scan;
    TreeWalker walker(types, progress, scan);
    const bool finished = walker.walk(raw, scan.root, true);
    scan.files = walker.takeFiles();
    if (!finished) {
        scan.status = ScanStatus::Cancelled;
    } else if (walker.rootError() != 0) {
        scan.status = ScanStatus::RootUnreadable;
        scan.problem = ScanTexts::rootUnreadable(scan.root);
    }
    return scan;
}
