#pragma once

#include "store/backups.h"

#include <QDialog>

class BackupCommands;
class QLabel;
class QPushButton;
class QTreeWidget;

// "恢复备份...": the backups newest first with their time and counts; restores the chosen one.
class RestoreDialog : public QDialog
{
    Q_OBJECT
public:
    RestoreDialog(BackupCommands& commands, QWidget* parent = nullptr);

    // What the restore button, Enter and a double click do: restores the chosen backup after
    // the confirmation and closes, or stays open when nothing was restored.
    bool restoreChosen();

    QTreeWidget* backupList() const { return list_; }
    QLabel* hint() const { return hint_; }
    QPushButton* restoreButton() const { return restoreButton_; }

private:
    void fill();

    BackupCommands& commands_;
    QList<CatalogueBackups::Entry> entries_;
    QLabel* hint_;
    QTreeWidget* list_;
    QPushButton* restoreButton_;
    QPushButton* closeButton_;
};
