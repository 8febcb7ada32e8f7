#include "posterviewer.h"

#include "app/windowplacement.h"
#include "browse/pictures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <algorithm>

namespace {

struct ReadPicture
{
    QImage image;
    bool stretched = false;
};

// A picture larger than the area is read stretched to it; a smaller one at its own size. Either
// way no more pixels are decoded than are shown.
ReadPicture readPicture(const QString& path, const QSize& area)
{
    const QSize own = Pictures::sizeOf(path);
    if (!own.isValid())
        return {};
    if (own.width() > area.width() || own.height() > area.height())
        return { Pictures::readStretched(path, area), true };
    return { Pictures::readFitting(path, own), false };
}

} // namespace

PosterViewer::PosterViewer(const QString& picturePath, const QString& defaultPoster, QWidget* parent)
    : QDialog(parent)
    , image_(new QLabel(this))
{
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("海报查看器"));
    setAttribute(Qt::WA_DeleteOnClose);
    image_->setObjectName(QStringLiteral("Image1"));
    image_->move(0, 0);

    const QSize area = innerArea();
    ReadPicture picture = readPicture(picturePath, area);
    if (picture.image.isNull())
        picture = readPicture(defaultPoster, area); // no message, as for any picture that will not load
    if (picture.image.isNull()) {
        // Not even the default poster: the viewer keeps its designed area rather than shrink to nothing.
        image_->resize(area);
        setFixedSize(area.width(), area.height() + 13);
    } else if (picture.stretched) {
        // Too large: stretched to fill the area exactly, proportions not kept.
        stretched_ = true;
        image_->setScaledContents(true);
        image_->setPixmap(QPixmap::fromImage(picture.image));
        image_->resize(area);
        setFixedSize(area);
    } else {
        image_->setPixmap(QPixmap::fromImage(picture.image));
        image_->resize(picture.image.size());
        // The window follows the picture, with room below it as designed (200 twips).
        setFixedSize(picture.image.width(), picture.image.height() + 13);
    }
    shrinkToRoom();
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2 - 10);
    }
}

void PosterViewer::shrinkToRoom()
{
    // On a low screen the whole viewer is drawn smaller, proportions kept, so that it fits.
    const QSize room = WindowPlacement::room(this);
    const double scale = std::min({ 1.0, double(room.width()) / width(), double(room.height()) / height() });
    if (scale >= 1.0)
        return;
    image_->setScaledContents(true);
    image_->resize((QSizeF(image_->size()) * scale).toSize());
    setFixedSize((QSizeF(size()) * scale).toSize());
}
