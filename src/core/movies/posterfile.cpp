#include "posterfile.h"

#include "store/datafolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace PosterFile {

namespace {

// JPEG, PNG, GIF, BMP and WebP, told by their first bytes: the file dialog offers "*.jpg", but a
// picture renamed by hand still shows.
bool looksLikePicture(const QByteArray& head)
{
    return head.startsWith("\xFF\xD8\xFF") || head.startsWith("\x89PNG\r\n\x1A\n") || head.startsWith("GIF8")
        || head.startsWith("BM") || (head.startsWith("RIFF") && head.mid(8, 4) == "WEBP");
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

std::optional<QString> problemWith(const QString& source)
{
    const QFileInfo info(source);
    if (!info.exists())
        return QStringLiteral("找不到海报图片文件 %1。").arg(native(source));
    QFile file(source);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return QStringLiteral("无法读取海报图片文件 %1。").arg(native(source));
    if (!looksLikePicture(file.read(16)))
        return QStringLiteral("文件 %1 不是图片,不能作为海报。").arg(native(source));
    return std::nullopt;
}

bool install(const DataFolder& folder, const QString& idText, const QString& source, QString* error)
{
    const QString target = folder.posterFor(idText);
    if (!DataFolder::isPlainFileName(idText)) {
        *error = QStringLiteral("影片编号 %1 不能用作海报文件名。").arg(idText);
        return false;
    }
    const QFileInfo from(source);
    const QFileInfo to(target);
    if (to.exists() && from.canonicalFilePath() == to.canonicalFilePath())
        return true; // the movie's own poster chosen again
    if (const auto problem = problemWith(source)) {
        *error = *problem;
        return false;
    }
    QFile in(source);
    QSaveFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !QDir().mkpath(folder.postersDir())
        || !out.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("无法把海报复制到 %1:%2").arg(native(target), out.errorString());
        return false;
    }
    // Written to a temporary file and renamed at the end, so a failed copy leaves the old poster.
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size()) {
            out.cancelWriting();
            break;
        }
    }
    if (!out.commit()) {
        *error = QStringLiteral("无法把海报复制到 %1:%2").arg(native(target), out.errorString());
        return false;
    }
    return true;
}

bool removeLeftover(const DataFolder& folder, const QString& idText, QString* error)
{
    if (!DataFolder::isPlainFileName(idText))
        return true;
    QFile leftover(folder.posterFor(idText));
    if (!leftover.exists() || leftover.remove())
        return true;
    *error = QStringLiteral("无法删除旧的海报文件 %1:%2")
                 .arg(native(leftover.fileName()), leftover.errorString());
    return false;
}

} // namespace PosterFile
