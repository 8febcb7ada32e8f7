#include "backupguard.h"

#include "app/appcontext.h"
#include "app/prompt.h"
#include "backuptexts.h"
#include "store/backups.h"

namespace BackupGuard {

bool backupBeforeChange(AppContext& context, QWidget* parent)
{
    QString why;
    if (CatalogueBackups(context.folder).take(context.clock(), &why))
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
