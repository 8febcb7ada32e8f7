#pragma once

#include <QString>

struct AppContext;
class QWidget;

namespace BackupGuard {

// Called before records are deleted or replaced: takes a backup of the catalogue. When the
// backup fails the user is told why and asked whether to go on; true only when a backup was
// taken or the user chose to go on without one.
bool backupBeforeChange(AppContext& context, QWidget* parent);

// Asks whether to go on although the backup failed for `why`; false unless the user says yes.
bool goOnWithout(AppContext& context, QWidget* parent, const QString& why);

} // namespace BackupGuard
