#include "posterviewer.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QScreen>

namespace {

QImage readPicture(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
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

    QImage picture = readPicture(picturePath);
    if (picture.isNull())
        picture = readPicture(defaultPoster); // no message, as for any picture that will not load
    const QSize area = innerArea();
    const QSize own = picture.isNull() ? QSize(0, 0) : picture.size();
    if (own.width() > area.width() || own.height() > area.height()) {
        // Too large: stretched to fill the area exactly, proportions not kept.
        stretched_ = true;
        image_->setScaledContents(true);
        image_->setPixmap(QPixmap::fromImage(picture));
        image_->resize(area);
        setFixedSize(area);
    } else {
        // Not even the default poster: the viewer keeps its designed area rather than shrink to nothing.
        const QSize shown = picture.isNull() ? area : own;
        if (!picture.isNull())
            image_->setPixmap(QPixmap::fromImage(picture));
        image_->resize(shown);
        // The window follows the picture, with room below it as designed (200 twips).
        setFixedSize(shown.width(), shown.height() + 13);
    }
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2 - 10);
    }
}
