#include "discverify.h"

#include "browse/disctree.h"
#include "browse/movielisting.h"
#include "identify.h"
#include "mediatext.h"
#include "store/catalogue.h"
#include "store/textrules.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <sys/stat.h>

namespace DiscVerify {

namespace {

struct Remembered
{
    double movieId = 0;
    MovieFileRecord file;
};

QByteArray below(const QByteArray& root, const QByteArray& path)
{
    return root.endsWith('/') ? root + path : root + '/' + path;
}

// The folder's device and inode: an unmounted medium leaves its mount point, another folder.
std::optional<std::pair<dev_t, ino_t>> folderIdentity(const QByteArray& root)
{
    struct stat st
    {
    };
    if (::stat(root.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return std::pair { st.st_dev, st.st_ino };
}

} // namespace

QString statusName(FileCheck::Outcome::Status status)
{
    switch (status) {
    case FileCheck::Outcome::Ok:
        return QStringLiteral("ok");
    case FileCheck::Outcome::Missing:
        return QStringLiteral("missing");
    case FileCheck::Outcome::Changed:
        return QStringLiteral("changed");
    case FileCheck::Outcome::Unreadable:
    case FileCheck::Outcome::Stopped:
        break;
    }
    return QStringLiteral("unreadable");
}

QString progressText(const Progress& p, double elapsedSeconds)
{
    QString text = QStringLiteral("已校验 %1 / %2 个文件，%3 / %4")
                       .arg(p.filesDone)
                       .arg(p.files)
                       .arg(MediaText::size(p.bytesDone), MediaText::size(p.bytes));
    // The first half second says little about the drive's speed.
    if (elapsedSeconds < 0.5 || p.bytesDone <= 0)
        return text;
    const double perSecond = double(p.bytesDone) / elapsedSeconds;
    text += QStringLiteral("，速度 %1/s").arg(MediaText::size(qint64(perSecond)));
    if (p.bytes > p.bytesDone)
        text += QStringLiteral("，还需") + MediaText::duration(double(p.bytes - p.bytesDone) / perSecond);
    return text;
}

Result run(const QString& catalogueFile, const QString& discNumber, const QString& root,
    const std::atomic<bool>* stop, const std::function<void(const Progress&)>& progress)
{
    Result result;
    const Catalogue catalogue(catalogueFile);
    const QString number = TextRules::trimBlanks(discNumber);
    DiscRecord disc;
    const DiscOutcome found = catalogue.findDisc(number, &disc);
    if (!found.ok()) {
        result.error = found.error;
        return result;
    }
    const QString label = Identify::discLabel(number, TextRules::trimBlanks(disc.name.toString()));
    const auto listing = MovieList::listForNode(
        catalogue, DiscTree::discPrefix + number, 0, 0, &result.error, MovieList::Intros::LeftOut);
    if (!listing)
        return result;
    QList<Remembered> remembered;
    for (const MovieRow& movie : listing->rows) {
        const double id = TextRules::numericValue(movie[ListCol::ID]);
        const auto files = MediaTables::files(catalogueFile, id, &result.error);
        if (!files)
            return result;
        for (const MovieFileRecord& f : *files)
            remembered.append({ id, f });
    }
    if (remembered.isEmpty()) {
        result.status = Result::NoFiles;
        result.error
            = QStringLiteral("%1 还没有记住任何文件，无法校验。请先在它的右键菜单中选择“重新读取光盘...”"
                             "（或 reelshelf-cli rescan）。")
                  .arg(label);
        return result;
    }
    if (!QFileInfo(root).isDir()) {
        result.error = QStringLiteral("找不到 %1（光盘没有放入，或文件夹不存在），无法校验 %2。")
                           .arg(QDir::toNativeSeparators(root), label);
        return result;
    }

    Progress done;
    done.files = int(remembered.size());
    for (const Remembered& r : remembered)
        done.bytes += r.file.size;
    if (progress)
        progress(done);
    const QByteArray rawRoot = QFile::encodeName(root);
    const auto rootIdentity = folderIdentity(rawRoot);
    QElapsedTimer took;
    took.start();
    QList<MediaTables::FileCheckRecord> records;
    MediaTables::DiscCheckRecord& check = result.check;
    check.checked = QDateTime::currentDateTimeUtc();
    check.files = done.files;
    for (const Remembered& r : remembered) {
        const FileCheck::Outcome o = FileCheck::check(
            below(rawRoot, r.file.path), r.file.size, r.file.hash, stop, [&](qint64 bytes) {
                done.bytesDone += bytes;
                if (progress)
                    progress(done);
            });
        if (o.status == FileCheck::Outcome::Stopped) {
            result.status = Result::Stopped;
            result.error = QStringLiteral("已停止校验 %1，这次校验的结果没有保存。").arg(label);
            return result;
        }
        // A medium taken out meanwhile would make every file after it look lost.
        if (o.status != FileCheck::Outcome::Ok
            && (!rootIdentity || folderIdentity(rawRoot) != rootIdentity)) {
            result.error = QStringLiteral("校验 %1 时光盘被取出（%2 已不是校验开始时的那张光盘），"
                                          "校验没有完成，结果没有保存。")
                               .arg(label, QDir::toNativeSeparators(root));
            return result;
        }
        ++done.filesDone;
        check.ok += o.status == FileCheck::Outcome::Ok;
        check.missing += o.status == FileCheck::Outcome::Missing;
        check.changed += o.status == FileCheck::Outcome::Changed;
        check.unreadable += o.status == FileCheck::Outcome::Unreadable;
        check.bytes += o.bytesRead;
        const bool firstHash = r.file.hash.isEmpty() && o.status == FileCheck::Outcome::Ok;
        records.append({ r.movieId, r.file.part, r.file.path, statusName(o.status), o.offset,
            firstHash ? o.hash : QByteArray() });
        result.files.append({ TextRules::decodeFileName(r.file.path), r.file.size, o.status, o.offset });
    }
    check.seconds = double(took.elapsed()) / 1000.0;
    // Not one file there: the drive is empty or holds another disc, which says nothing of this one.
    if (check.missing == check.files) {
        result.error = QStringLiteral("在 %1 下找不到 %2 的任何文件：光盘没有放入，或放入的是另一张光盘。"
                                      "校验没有完成，结果没有保存。")
                           .arg(QDir::toNativeSeparators(root), label);
        return result;
    }
    if (!MediaTables::storeCheck(catalogueFile, number, check, records, &result.error))
        return result;
    result.status = Result::Done;
    return result;
}

} // namespace DiscVerify
