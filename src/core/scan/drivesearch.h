#pragma once

#include "candidates.h"
#include "namecleaning.h"
#include "store/records.h"
#include "treescan.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class DataFolder;

// Everything a search needs, read on the interface thread before it starts: the drive root as
// typed, the rows of MovieFileType and the name switches.
struct ScanRequest
{
    QString root;
    QList<FileTypeRecord> fileTypes;
    ScanSwitches switches;

    // Reads the file types from the catalogue and the switches from the settings file.
    static std::optional<ScanRequest> load(const DataFolder& folder, const QString& root, QString* error);
};

// What the search command leaves in the candidate list and the result label.
struct DriveSearch
{
    ScanStatus status = ScanStatus::Completed;
    QString root; // as normalised
    QString problem; // why the root could not be searched
    QList<CandidateRow> rows;
    qint64 foldersVisited = 0;
    qint64 foldersUnreadable = 0; // below the root; their files are not in the rows
    QStringList unreadableFolders; // the first of them

    bool rootFailed() const { return !problem.isEmpty(); }
    // The result label: the count, the cancellation, or the problem; then how many folders could
    // not be read, when any.
    QString resultText() const;
};

// The search command: one walk for all selected types, each name cleaned, then the parts joined
// when AutoSelect is on. A cancelled search keeps the rows found until then. Safe to run on a
// worker thread; `progress` is called on that thread.
DriveSearch searchDrive(const ScanRequest& request, const ScanProgressFn& progress = {});
