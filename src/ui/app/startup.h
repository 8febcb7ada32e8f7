#pragma once

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
// what came over.
bool prepareDataFolder(const DataFolder& folder, QString* error, QString* imported = nullptr);

// The first start of a day keeps a copy of the catalogue. A failure only earns a warning (in
// *warning); the program starts all the same.
bool takeDailyBackup(const DataFolder& folder, const QDateTime& now, QString* warning);

} // namespace Startup
