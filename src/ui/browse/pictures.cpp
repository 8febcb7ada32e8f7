#include "pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

namespace Pictures {

namespace {

// Only a plain file is read: a pipe or a device under a picture's name would never end.
bool isPlainFile(const QString& path)
{
    return QFileInfo(path).isFile();
}

bool turned(const QImageReader& reader)
{
    return reader.transformation() & QImageIOHandler::TransformationRotate90;
}

// Reads at `size`, the size after turning; the reader scales before it turns.
QImage readAt(QImageReader& reader, QSize size)
{
    if (turned(reader))
        size.transpose();
    reader.setScaledSize(size);
    return reader.read();
}

// The size a picture shows at once turned as its file says; invalid when the format does not tell
// it before decoding.
QSize shownSize(const QImageReader& reader)
{
    QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return {};
    if (turned(reader))
        size.transpose();
    return size;
}

} // namespace

QSize sizeOf(const QString& path)
{
    if (!isPlainFile(path))
        return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return shownSize(reader);
}

QImage readFitting(const QString& path, const QSize& bound)
{
    if (!isPlainFile(path))
        return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QSize size = shownSize(reader);
    if (!size.isValid())
        return reader.read();
    if (size.width() > bound.width() || size.height() > bound.height())
        size = size.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    return readAt(reader, size);
}

QImage readStretched(const QString& path, const QSize& size)
{
    if (!isPlainFile(path))
        return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return readAt(reader, size);
}

std::optional<QString> problemWith(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("找不到图片文件 %1。").arg(shown);
    if (!info.isFile() || !info.isReadable())
        return QStringLiteral("无法读取图片文件 %1，请检查它的权限。").arg(shown);
    // A small copy is enough to know that the whole picture decodes.
    if (readFitting(path, QSize(64, 64)).isNull())
        return QStringLiteral(
            "文件 %1 不是图片或已损坏，无法显示，不能作为海报。请选择一张 JPEG 或 PNG 图片。")
            .arg(shown);
    return std::nullopt;
}

} // namespace Pictures
