#include "posterfile.h"

#include "store/backups.h"
#include "store/datafolder.h"
#include "store/safewrite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

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

// Writes all of `bytes` to `fd`; the errno of the failure, or 0.
int writeWhole(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        done += n;
    }
    return 0;
}

// A new file beside the posters that no one else uses, made with the mode any new file gets.
std::unique_ptr<QFile> newStagingFile(const QString& dir)
{
    auto file = std::make_unique<QFile>();
    if (!QDir().mkpath(dir)) {
        file->setFileName(dir);
        return file;
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        file->setFileName(QStringLiteral("%1/.poster-%2.part")
                              .arg(dir)
                              .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')));
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered) || !file->exists())
            break; // made, or failed for a reason other than the name being taken
    }
    return file;
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

StagedPoster::StagedPoster() = default;

StagedPoster::~StagedPoster()
{
    if (staged_)
        staged_->remove();
}

bool StagedPoster::stage(const DataFolder& folder, const QString& source, QString* error)
{
    return stage(folder, source, folder.postersDir(), error);
}

bool StagedPoster::stage(
    const DataFolder& folder, const QString& source, const QString& shownTarget, QString* error)
{
    staged_.reset();
    if (const auto problem = problemWith(source)) {
        *error = *problem;
        return false;
    }
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取海报图片文件 %1：%2").arg(native(source), cause(in));
        return false;
    }
    const QString dir = folder.postersDir();
    const auto failed = [&](const QString& why) {
        *error = QStringLiteral("无法把海报复制到 %1：%2").arg(native(shownTarget), why);
        return false;
    };
    std::unique_ptr<QFile> out = newStagingFile(dir);
    if (!out->isOpen()) {
        const QFileInfo posters(dir);
        if (!posters.isDir())
            return failed(QStringLiteral("无法创建这个文件夹"));
        return failed(posters.isWritable() ? cause(*out) : SafeWrite::causeInBrief(EACCES));
    }
    // Written straight to the file, so that every failure shows at the write that meets it.
    const auto discard = [&](int why) {
        out->close();
        QFile::remove(out->fileName());
        return failed(SafeWrite::causeInBrief(why));
    };
    for (;;) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty())
            break;
        if (const int why = writeWhole(out->handle(), chunk))
            return discard(why);
    }
    if (in.error() != QFileDevice::NoError) {
        out->close();
        QFile::remove(out->fileName());
        *error = QStringLiteral("无法读取海报图片文件 %1：%2").arg(native(source), cause(in));
        return false;
    }
    if (::fsync(out->handle()) != 0)
        return discard(errno);
    out->close();
    staged_ = std::move(out);
    return true;
}

bool StagedPoster::place(const DataFolder& folder, const QString& idText, QString* error)
{
    const QString target = folder.posterFor(idText);
    if (!staged_ || !DataFolder::isPlainFileName(idText)) {
        *error = QStringLiteral("影片编号 %1 不能用作海报文件名。").arg(idText);
        return false;
    }
    // rename() replaces the old poster in one step; there is never a moment without one.
    if (::rename(QFile::encodeName(staged_->fileName()).constData(), QFile::encodeName(target).constData())
        != 0) {
        *error = QStringLiteral("无法把海报放到 %1：%2").arg(native(target), SafeWrite::causeInBrief(errno));
        return false;
    }
    staged_.reset();
    return true;
}

bool isPosterOf(const DataFolder& folder, const QString& idText, const QString& source)
{
    const QFileInfo to(folder.posterFor(idText));
    return DataFolder::isPlainFileName(idText) && to.exists()
        && QFileInfo(source).canonicalFilePath() == to.canonicalFilePath();
}

bool install(const DataFolder& folder, const QString& idText, const QString& source, QString* error)
{
    if (!DataFolder::isPlainFileName(idText)) {
        *error = QStringLiteral("影片编号 %1 不能用作海报文件名。").arg(idText);
        return false;
    }
    if (isPosterOf(folder, idText, source))
        return true; // the movie's own poster chosen again
    // Staged beside its place and renamed at the end, so a failed copy leaves the old poster.
    StagedPoster staged;
    return staged.stage(folder, source, folder.posterFor(idText), error)
        && staged.place(folder, idText, error);
}

void removeAbandonedCopies(const DataFolder& folder)
{
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-3600);
    const QFileInfoList copies
        = QDir(folder.postersDir())
              .entryInfoList({ QStringLiteral(".poster-*.part") }, QDir::Files | QDir::Hidden);
    for (const QFileInfo& copy : copies)
        if (copy.lastModified().toUTC() < before)
            QFile::remove(copy.filePath());
}

bool setLeftoverAside(const DataFolder& folder, const QString& idText, const QDateTime& now, QString* error)
{
    if (!DataFolder::isPlainFileName(idText))
        return true;
    const QString leftover = folder.posterFor(idText);
    if (!QFileInfo::exists(leftover))
        return true;
    const QString keepIn = CatalogueBackups(folder).replacedFolder(now) + QStringLiteral("/Posters");
    const QString kept = keepIn + u'/' + QFileInfo(leftover).fileName();
    // The backups live in the data folder: a rename, and the picture is never in two places.
    if (QDir().mkpath(keepIn) && !QFileInfo::exists(kept)
        && ::rename(QFile::encodeName(leftover).constData(), QFile::encodeName(kept).constData()) == 0)
        return true;
    *error = QStringLiteral("无法把旧的海报文件 %1 移到 %2：%3")
                 .arg(native(leftover), native(keepIn), SafeWrite::causeInBrief(errno));
    return false;
}

} // namespace PosterFile
