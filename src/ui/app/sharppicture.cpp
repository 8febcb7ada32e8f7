#include "sharppicture.h"

#include "store/datafolder.h"

#include <QEvent>
#include <QFileInfo>
#include <QPixmap>
#include <algorithm>

QIcon SharpPicture::icon(const QString& path)
{
    // Only plain files are read: a pipe under a picture's name would hold the window for ever.
    if (!QFileInfo(path).isFile())
        return QIcon();
    const QPixmap picture(path);
    if (picture.isNull())
        return QIcon();
    QIcon icon(picture);
    const QString twicePath = DataFolder::twiceSizedPicture(path);
    if (QFileInfo(twicePath).isFile()) {
        const QPixmap twice(twicePath);
        if (!twice.isNull())
            icon.addPixmap(twice);
    }
    return icon;
}

SharpLabel::SharpLabel(QWidget* parent)
    : QLabel(parent)
{
}

void SharpLabel::setPicture(const QIcon& picture)
{
    picture_ = picture;
    showPicture();
}

bool SharpLabel::event(QEvent* event)
{
    // Another screen may be scaled otherwise; Qt tells every widget of the window with this event.
    if (event->type() == QEvent::ScreenChangeInternal && !picture_.isNull())
        showPicture();
    return QLabel::event(event);
}

void SharpLabel::showPicture()
{
    const QList<QSize> sizes = picture_.availableSizes();
    if (sizes.isEmpty()) {
        clear();
        return;
    }
    // The smallest is the picture's own size; the larger ones are its sharper copies.
    const QSize own = *std::min_element(sizes.cbegin(), sizes.cend(),
        [](const QSize& a, const QSize& b) { return a.width() * a.height() < b.width() * b.height(); });
    setPixmap(picture_.pixmap(own, devicePixelRatioF()));
}
