#include "restoredialog.h"

#include "backupcommands.h"
#include "backuptexts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

RestoreDialog::RestoreDialog(BackupCommands& commands, QWidget* parent)
    : QDialog(parent)
    , commands_(commands)
{
    setObjectName(QStringLiteral("RestoreDialog"));
    setWindowTitle(BackupTexts::dialogTitle);

    auto* layout = new QVBoxLayout(this);
    hint_ = new QLabel(this);
    hint_->setObjectName(QStringLiteral("LblBackups"));
    hint_->setWordWrap(true);
    layout->addWidget(hint_);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("ListBackups"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHeaderLabels({ BackupTexts::columnTaken, BackupTexts::columnKind, BackupTexts::columnDiscs,
        BackupTexts::columnMovies });
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    layout->addWidget(list_, 1);

    restoreButton_ = new QPushButton(BackupTexts::restoreButton, this);
    restoreButton_->setObjectName(QStringLiteral("BtnRestore"));
    restoreButton_->setDefault(true); // Enter in the list restores the chosen backup
    closeButton_ = new QPushButton(BackupTexts::closeButton, this);
    closeButton_->setObjectName(QStringLiteral("BtnClose"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(restoreButton_);
    buttons->addWidget(closeButton_);
    layout->addLayout(buttons);

    connect(restoreButton_, &QPushButton::clicked, this, &RestoreDialog::restoreChosen);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { restoreChosen(); });
    setTabOrder(list_, restoreButton_);
    setTabOrder(restoreButton_, closeButton_);
    setMinimumSize(480, 320);
    fill();
}

void RestoreDialog::fill()
{
    entries_ = commands_.backups();
    list_->clear();
    for (const CatalogueBackups::Entry& e : entries_) {
        const bool readable = e.discs >= 0 && e.movies >= 0;
        const bool daily = e.kind == CatalogueBackups::Kind::Daily;
        auto* item = new QTreeWidgetItem(list_,
            { BackupTexts::timeText(e.taken), daily ? BackupTexts::kindDaily : BackupTexts::kindOperation,
                readable ? QString::number(e.discs) : BackupTexts::unreadable,
                readable ? QString::number(e.movies) : BackupTexts::unreadable });
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    }
    const bool any = !entries_.isEmpty();
    hint_->setText(any ? BackupTexts::intro : BackupTexts::noBackups);
    restoreButton_->setEnabled(any);
    list_->setEnabled(any);
    if (any) {
        list_->setCurrentItem(list_->topLevelItem(0));
        list_->setFocus();
    } else {
        closeButton_->setDefault(true);
        closeButton_->setFocus();
    }
}

bool RestoreDialog::restoreChosen()
{
    const int row = list_->currentItem() ? list_->indexOfTopLevelItem(list_->currentItem()) : -1;
    if (row < 0 || row >= entries_.size())
        return false;
    if (!commands_.restore(entries_.at(row), this))
        return false;
    accept();
    return true;
}
