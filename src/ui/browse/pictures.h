#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

// Pictures read no larger than they are shown. A poster may be far larger than Qt decodes whole
// (7000 x 7000 is past its 128 MB limit); read scaled, it costs what the screen shows.
namespace Pictures {

// The picture's size as shown (turned as its orientation mark says); invalid when the file is no
// picture Qt can read.
QSize sizeOf(const QString& path);

// The picture scaled down, proportions kept, to fit `bound`; a smaller one at its own size. Null
// when it cannot be decoded.
QImage readFitting(const QString& path, const QSize& bound);

// The picture scaled to exactly `size`, proportions not kept. Null when it cannot be decoded.
QImage readStretched(const QString& path, const QSize& size);

// Why a file cannot be shown as a picture at all (missing, not a picture, damaged), or nothing.
std::optional<QString> problemWith(const QString& path);

} // namespace Pictures
