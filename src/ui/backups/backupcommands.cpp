#include "backupcommands.h"

#include "app/appcontext.h"
#include "app/prompt.h"
#include "backupguard.h"
#include "backuptexts.h"
#include "browse/disctreewidget.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "restoredialog.h"

#include <QApplication>
#include <QScreen>

BackupCommands::BackupCommands(
    AppContext& context, DiscTreeWidget* tree, MovieListView* list, QObject* parent)
    : QObject(parent)
    , context_(context)
    , tree_(tree)
    , list_(list)
{
    setObjectName(QStringLiteral("BackupCommands"));
}

QWidget* BackupCommands::window() const
{
    return tree_->window();
}

QList<CatalogueBackups::Entry> BackupCommands::backups() const
{
    return CatalogueBackups(context_.folder).list();
}

RestoreDialog* BackupCommands::openRestore()
{
    if (dialog_ && dialog_->isVisible()) {
        dialog_->raise();
        dialog_->activateWindow();
        return dialog_;
    }
    dialog_ = new RestoreDialog(*this, window());
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->adjustSize();
    if (const QScreen* screen = window()->screen()) {
        const QRect area = screen->availableGeometry();
        dialog_->move(area.center() - QPoint(dialog_->width() / 2, dialog_->height() / 2));
    }
    dialog_->show();
    dialog_->activateWindow();
    return dialog_;
}

bool BackupCommands::restore(const CatalogueBackups::Entry& entry, QWidget* parent)
{
    if (entry.discs < 0 || entry.movies < 0) {
        context_.prompt.warn(parent, BackupTexts::unreadableBackup(entry.taken));
        return false;
    }
    if (context_.prompt.ask(parent, Prompt::Icon::Warning,
            BackupTexts::confirmRestore(entry.taken, entry.discs, entry.movies), Prompt::Buttons::YesNo)
        != Prompt::Answer::Yes)
        return false;
    const CatalogueBackups backups(context_.folder);
    QString error;
    bool notKept = false;
    const auto restoreWaiting = [&](CatalogueBackups::Current current, bool* keepFailed) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool ok = backups.restore(entry.path, context_.clock(), &error, current, keepFailed);
        QApplication::restoreOverrideCursor();
        return ok;
    };
    bool done = restoreWaiting(CatalogueBackups::Current::Keep, &notKept);
    if (!done && notKept && BackupGuard::goOnWithout(context_, parent, error)) {
        error.clear();
        done = restoreWaiting(CatalogueBackups::Current::Discard, nullptr);
    } else if (!done && notKept) {
        return false; // the user chose not to go on; nothing changed
    }
    if (!done) {
        context_.prompt.warn(parent, error);
        return false;
    }
    // The views showed the catalogue that is gone.
    list_->movieModel()->clear();
    emit restored();
    QString treeError;
    if (!tree_->rebuildDiscTree(&treeError))
        context_.prompt.warn(parent, treeError);
    context_.prompt.inform(parent, BackupTexts::restored(entry.taken, entry.discs, entry.movies));
    return true;
}
