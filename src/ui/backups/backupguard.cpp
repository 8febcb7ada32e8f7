#include "backupguard.h"

#include "app/appcontext.h"
#include "app/prompt.h"
#include "backuptexts.h"
#include "store/backups.h"

#include <QApplication>

namespace BackupGuard {

bool backupBeforeChange(AppContext& context, QWidget* parent)
{
    QString why;
    // About a second for 100,000 movies; the pointer says the program is at work.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool taken = CatalogueBackups(context.folder).take(context.clock(), &why);
    QApplication::restoreOverrideCursor();
    if (taken)
        return true;
    return goOnWithout(context, parent, why);
}

bool goOnWithout(AppContext& context, QWidget* parent, const QString& why)
{
    return context.prompt.ask(
               parent, Prompt::Icon::Warning, BackupTexts::goOnWithoutBackup(why), Prompt::Buttons::YesNo)
        == Prompt::Answer::Yes;
}

} // namespace BackupGuard
