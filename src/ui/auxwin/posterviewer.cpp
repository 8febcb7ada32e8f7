#include "posterviewer.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QScreen>

PosterViewer::PosterViewer(const QString& picturePath, QWidget* parent)
    : QDialog(parent)
    , image_(new QLabel(this))
{
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("海报查看器"));
    setAttribute(Qt::WA_DeleteOnClose);
    image_->setObjectName(QStringLiteral("Image1"));
    image_->move(0, 0);

    QImageReader reader(picturePath);
    reader.setAutoTransform(true);
    const QImage picture = reader.read(); // unreadable: an empty picture, no message
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
        if (!picture.isNull())
            image_->setPixmap(QPixmap::fromImage(picture));
        image_->resize(own);
        // The window follows the picture, with room below it as designed (200 twips).
        setFixedSize(std::max(own.width(), 120), own.height() + 13);
    }
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2 - 10);
    }
}
