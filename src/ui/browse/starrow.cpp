#include "starrow.h"

#include "app/sharppicture.h"

#include <QHBoxLayout>
#include <algorithm>

StarRow::StarRow(QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    for (size_t i = 0; i < stars_.size(); ++i) {
        stars_[i] = new SharpLabel(this);
        stars_[i]->setObjectName(QStringLiteral("Image5_%1").arg(i));
        stars_[i]->setFixedSize(18, 18);
        stars_[i]->setAlignment(Qt::AlignCenter);
        row->addWidget(stars_[i]);
    }
}

void StarRow::show(int lit, const QString& goldStar, const QString& grayStar)
{
    lit_ = std::clamp(lit, 0, 10);
    const QIcon gold = SharpPicture::icon(goldStar);
    const QIcon gray = SharpPicture::icon(grayStar);
    for (int i = 0; i < int(stars_.size()); ++i)
        stars_[size_t(i)]->setPicture(i < lit_ ? gold : gray);
}
