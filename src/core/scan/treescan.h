#pragma once

#include "filetypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// A movie file the scan found.
struct FoundFile
{
    QString name; // as the file system gives it, decoded (FileNames::decode)
    QString folder; // the absolute path of the folder that holds it, decoded
    qint64 size = 0;
    qsizetype type = 0; // index of the selected type it was found under
    QByteArray rawName; // the bytes of the name and of the folder's path, for opening them
    QByteArray rawFolder;
};

// Where a running scan is; handed to the progress callback once per folder entered.
struct ScanProgress
{
    qint64 foldersVisited = 0;
    qint64 filesFound = 0;
    QString folder; // the folder being entered
    QStringList namesFound; // the names of the files found since the last report
    qint64 moviesFound
        = 0; // the files counted as the result counts them (parts joined); filled by the search
};
// Returns false to stop the scan at once.
using ScanProgressFn = std::function<bool(const ScanProgress&)>;

// RootLost: the root could not be read to the end (a medium taken out, a folder moved away while
// it was searched); what was found is not the whole disc.
enum class ScanStatus { Completed, Cancelled, NoRoot, RootMissing, RootNotFolder, RootUnreadable, RootLost };

struct TreeScan
{
    ScanStatus status = ScanStatus::Completed;
    QString root; // as normalised
    QString problem; // the message when the root cannot be searched
    // Grouped by type in type order; inside a type in walk order.
    QList<FoundFile> files;
    qint64 foldersVisited = 0;
    qint64 foldersSkipped = 0; // unreadable, or met twice
    // Folders below the root that could not be opened or read to their end; the first of them by
    // path (at most maxUnreadableNamed).
    qint64 foldersUnreadable = 0;
    QStringList unreadableFolders;
    static constexpr qsizetype maxUnreadableNamed = 100;
};

// Walks the tree below `root` once for all types. Inside a type the order is that of one walk
// per type: depth-first, a folder's files before its subfolders, entries in name order. Folders
// whose names begin with "." are not entered; links to folders are not followed; unreadable
// folders below the root and files whose size cannot be read are skipped and counted. A root that
// cannot be read to the end, or that is gone or replaced before the walk ends, fails the scan
// (RootLost). A pure function of its inputs: safe to run on a worker thread.
TreeScan scanTree(const QString& root, const FileTypeSet& types, const ScanProgressFn& progress = {});
