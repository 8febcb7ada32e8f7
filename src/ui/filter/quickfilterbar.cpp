#include "quickfilterbar.h"

#include "browse/quickfilter.h"
#include "filter/quickfilterbox.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

QuickFilterBar::QuickFilterBar(
    MovieListView* list, QLabel* status, const QString& catalogueFile, QWidget* parent)
    : QWidget(parent)
    , fields_(new QComboBox(this))
    , box_(new QuickFilterBox(list, status, catalogueFile, this))
{
    auto* label = new QLabel(QStringLiteral("范围(&R)"), this);
    label->setObjectName(QStringLiteral("LblQuickFilterFields"));
    label->setBuddy(fields_);
    fields_->setObjectName(QStringLiteral("CmbQuickFilterFields"));
    // Today's fields first: the default.
    fields_->addItem(QStringLiteral("片名/导演/演员"), int(QuickFilter::Fields::Names));
    fields_->addItem(QStringLiteral("全部字段"), int(QuickFilter::Fields::All));
    fields_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(label);
    layout->addWidget(fields_);
    layout->addWidget(box_, 1);
    setTabOrder(fields_, box_);
    connect(fields_, &QComboBox::currentIndexChanged, this,
        [this] { box_->setFields(QuickFilter::Fields(fields_->currentData().toInt())); });
}
