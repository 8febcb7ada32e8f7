#pragma once

#include "filetypes.h"

#include <QList>
#include <QString>
#include <functional>

// A movie file the scan found.
struct FoundFile
{
    QString name; // as the file system gives it
    QString folder; // the absolute path of the folder that holds it
    qint64 size = 0;
    qsizetype type = 0; // index of the selected type it was found under
};

// Where a running scan is; handed to the progress callback once per folder entered.
struct ScanProgress
{
    qint64 foldersVisited = 0;
    qint64 filesFound = 0;
    QString folder; // the folder being entered
};
// Returns false to stop the scan at once.
using ScanProgressFn = std::function<bool(const ScanProgress&)>;

enum class ScanStatus { Completed, Cancelled, NoRoot, RootMissing, RootNotFolder, RootUnreadable };

struct TreeScan
{
    ScanStatus status = ScanStatus::Completed;
    QString root; // as normalised
    QString problem; // the message when the root cannot be searched
    // Grouped by type in type order; inside a type in walk order.
    QList<FoundFile> files;
    qint64 foldersVisited = 0;
    qint64 foldersSkipped = 0; // unreadable, or met twice
};

// Walks the tree below `root` once for all types. Inside a type the order is that of one walk
// per type: depth-first, a folder's files before its subfolders, entries in name order. Folders
// whose names begin with "." are not entered; links to folders are not followed; unreadable
// folders and files whose size cannot be read are skipped. A pure function of its inputs: safe
// to run on a worker thread.
TreeScan scanTree(const QString& root, const FileTypeSet& types, const ScanProgressFn& progress = {});
