#include "mediumrootbox.h"

#include "app/appcontext.h"
#include "scan/drives.h"
#include "store/settings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>

MediumRootBox::MediumRootBox(AppContext& context, const QString& proposed, QWidget* parent)
    : QWidget(parent)
    , context_(context)
    , combo_(new QComboBox(this))
{
    combo_->setObjectName(QStringLiteral("ComboRoot"));
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    for (const DriveChoice& d : removableDrives(MountTable::current()))
        combo_->addItem(d.root);
    combo_->setEditText(proposed.isEmpty()
            ? context_.settings.text(Settings::mainSection(), QStringLiteral("Customdrive"))
            : proposed);
    auto* browseButton = new QPushButton(QStringLiteral("浏览(&B)..."), this);
    connect(browseButton, &QPushButton::clicked, this, &MediumRootBox::browse);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(combo_, 1);
    row->addWidget(browseButton);
    setFocusProxy(combo_);
}

QString MediumRootBox::root() const
{
    return combo_->currentText().trimmed();
}

void MediumRootBox::browse()
{
    const QString picked = context_.pickFolder(this, QStringLiteral("选择光盘所在的文件夹"));
    if (!picked.isEmpty())
        combo_->setEditText(picked);
}

QDialogButtonBox* longWorkButtons(QWidget* parent, QPushButton* start, QPushButton* stop, QPushButton* close)
{
    auto* buttons = new QDialogButtonBox(parent);
    buttons->addButton(start, QDialogButtonBox::AcceptRole);
    buttons->addButton(stop, QDialogButtonBox::ActionRole);
    buttons->addButton(close, QDialogButtonBox::RejectRole);
    stop->setVisible(false);
    start->setDefault(true);
    return buttons;
}
