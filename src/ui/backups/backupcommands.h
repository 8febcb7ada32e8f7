#pragma once

#include "store/backups.h"

#include <QObject>
#include <QPointer>

class DiscTreeWidget;
class MovieListView;
class QWidget;
class RestoreDialog;
struct AppContext;

// The backup commands of the main window: the restore dialog and what a restore does to the views.
class BackupCommands : public QObject
{
    Q_OBJECT
public:
    BackupCommands(AppContext& context, DiscTreeWidget* tree, MovieListView* list, QObject* parent = nullptr);

    // MN_restore: the backups, newest first, in a modal dialog.
    RestoreDialog* openRestore();

    QList<CatalogueBackups::Entry> backups() const;

    // Restores one backup once the user confirms, keeping the current state first (or, when that
    // fails, only if the user agrees to go on). Then the tree is rebuilt and the list cleared.
    // True when the catalogue was replaced.
    bool restore(const CatalogueBackups::Entry& entry, QWidget* parent);

signals:
    // The catalogue file now holds the restored copy.
    void restored();

private:
    QWidget* window() const;

    AppContext& context_;
    DiscTreeWidget* tree_;
    MovieListView* list_;
    QPointer<RestoreDialog> dialog_;
};
