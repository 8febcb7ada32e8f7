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

// Why a file could not be read or written, in words the user can act on.
QString cause(const QFileDevice& file)
{
    switch (file.error()) {
    case QFileDevice::ResourceError:
        return QStringLiteral("磁盘空间不足，请腾出空间后再试");
    case QFileDevice::PermissionsError:
        return QStringLiteral("没有访问权限，请检查文件和文件夹的权限");
    default:
        return QStringLiteral("读写出错（%1）").arg(file.errorString());
    }
}

QString copyFailure(const QString& target, const QFileDevice& out)
{
    return QStringLiteral("无法把海报复制到 %1，原来的海报保持不变：%2").arg(native(target), cause(out));
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
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取海报图片文件 %1：%2").arg(native(source), cause(in));
        return false;
    }
    QSaveFile out(target);
    if (!QDir().mkpath(folder.postersDir()) || !out.open(QIODevice::WriteOnly)) {
        *error = copyFailure(target, out);
        return false;
    }
    // Written to a temporary file and renamed at the end, so a failed copy leaves the old poster.
    // Every write and the flush are checked: a buffered write can fail only when it reaches the disk.
    for (;;) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty())
            break;
        if (out.write(chunk) != chunk.size()) {
            *error = copyFailure(target, out);
            return false;
        }
    }
    if (in.error() != QFileDevice::NoError) {
        *error = QStringLiteral("无法读取海报图片文件 %1：%2").arg(native(source), cause(in));
        return false;
    }
    if (!out.flush() || !out.commit()) {
        *error = copyFailure(target, out);
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
    *error = QStringLiteral("无法删除旧的海报文件 %1：%2").arg(native(leftover.fileName()), cause(leftover));
    return false;
}

} // namespace PosterFile
