#pragma once

#include "legacy/legacyimport.h"

#include <QString>

class DataFolder;
class QDateTime;
class QApplication;

namespace Startup {

// Loads Qt's own Chinese texts so standard buttons and dialogs read in Chinese.
void installTranslations(QApplication& app);

// Completes the data folder and checks the catalogue. On failure returns false with a message
// that names the file and the problem; nothing that exists is overwritten. A folder that holds
// an old ShelfIndex.mdb and no catalogue yet gets one imported from it; `imported` then says
// what came over (nothing when another start of the program imported it while this one waited).
bool prepareDataFolder(const DataFolder& folder, QString* error, LegacyImport::Notice* imported = nullptr,
    const LegacyImport::Control& control = {});

// The same, for the desktop program: when an old catalogue is to be imported first, the work
// runs off the window thread behind a progress window that keeps painting, says when the start
// waits for another one that is importing, and can be cancelled (the start then fails).
bool prepareDataFolderShowingProgress(const DataFolder& folder, QString* error,
    LegacyImport::Notice* imported = nullptr, const LegacyImport::Control& control = {});

// What the progress window of a first start says.
QString importingText();
QString waitingText();
QString stoppingText();

// The first start of a day keeps a copy of the catalogue. A failure only earns a warning (in
// *warning); the program starts all the same.
bool takeDailyBackup(const DataFolder& folder, const QDateTime& now, QString* warning);

} // namespace Startup
