#include "drivesearch.h"

#include "candidates.h"
#include "scantexts.h"

#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/settings.h"
#include <QSet>

std::optional<ScanRequest> ScanRequest::load(const DataFolder& folder, const QString& root, QString* error)
{
    const auto types = Catalogue(folder.catalogueFile()).fileTypes(error);
    if (!types)
        return std::nullopt;
    return ScanRequest { root, *types, ScanSwitches::fromSettings(Settings(folder.settingsFile())) };
}

QString DriveSearch::resultText() const
{
    if (rootFailed())
        return problem;
    QString text
        = status == ScanStatus::Cancelled ? ScanTexts::cancelled(rows.size()) : ScanTexts::found(rows.size());
    if (foldersUnreadable > 0)
        text += ScanTexts::unreadableFolders(foldersUnreadable) + u'。';
    return text;
}

DriveSearch searchDrive(const ScanRequest& request, const ScanProgressFn& progress)
{
    // The progress counts files as the result will: the parts of one movie once, when they are joined.
    QSet<QString> movies;
    const ScanProgressFn counted = [&](const ScanProgress& p) {
        ScanProgress shown = p;
        shown.moviesFound = p.filesFound;
        if (request.switches.autoSelect) {
            for (const QString& name : p.namesFound)
                movies.insert(joinedName(name, request.switches));
            shown.moviesFound = movies.size();
        }
        return progress(shown);
    };
    const TreeScan scan = scanTree(
        request.root, FileTypeSet::fromRecords(request.fileTypes), progress ? counted : ScanProgressFn());
    DriveSearch search;
    search.status = scan.status;
    search.root = scan.root;
    search.problem = scan.problem;
    search.foldersVisited = scan.foldersVisited;
    search.foldersUnreadable = scan.foldersUnreadable;
    search.unreadableFolders = scan.unreadableFolders;
    search.rows.reserve(scan.files.size());
    for (const FoundFile& f : scan.files)
        search.rows.append(candidateRow(f, request.switches));
    if (request.switches.autoSelect)
        mergeParts(search.rows);
    return search;
}
