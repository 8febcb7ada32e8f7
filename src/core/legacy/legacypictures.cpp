#include "legacypictures.h"

#include "store/backups.h"
#include "store/safewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <unistd.h>

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

bool sameFolder(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

PosterInstall::Entry entryFor(const QString& target, PosterInstall::Existing existing, const QString& keepIn)
{
    PosterInstall::Entry entry;
    entry.target = target;
    entry.existing = existing;
    entry.keepIn = existing == PosterInstall::Existing::KeepAside ? keepIn : QString();
    return entry;
}

} // namespace

LegacyPictures::LegacyPictures(const DataFolder& folder, const QString& sourceFolder, const QDateTime& now)
    : folder_(folder)
    , source_(sourceFolder)
    , kept_(CatalogueBackups::replacedFolderName(now))
{
    ownFolder_ = !sourceFolder.isEmpty() && sameFolder(sourceFolder, folder.path());
    beside_ = !sourceFolder.isEmpty() && !ownFolder_;
}

bool LegacyPictures::theirPoster(const QString& id) const
{
    return beside_ && DataFolder::isPlainFileName(id) && QFileInfo(source_.posterFor(id)).isFile();
}

bool LegacyPictures::openStaging(QString* error)
{
    if (staging_)
        return true;
    auto staging = std::make_unique<PosterInstall::Staging>(folder_);
    if (!staging->ok()) {
        if (error)
            *error = QStringLiteral("无法在海报文件夹 %1 中写入（%2），没有导入任何内容。请处理后重新导入。")
                         .arg(native(folder_.postersDir()), SafeWrite::causeInBrief(staging->systemError()));
        return false;
    }
    staging_ = std::move(staging);
    return true;
}

QString LegacyPictures::place(const Item& item) const
{
    return PosterInstall::placeOf(folder_, item.entry);
}

QString LegacyPictures::keptIn(const Item& item) const
{
    return folder_.path() + u'/' + item.entry.keepIn;
}

QString LegacyPictures::unreadableText(const Item& item) const
{
    return QStringLiteral("%1 未能复制到 %2（无法读取原文件）。")
        .arg(native(item.source), native(place(item)));
}

bool LegacyPictures::stage(Item& item, QString* error)
{
    const auto unreadable = [&] {
        item.warning = QStringLiteral("%1 未能复制到 %2（无法读取原文件）。")
                           .arg(native(item.source), native(place(item)));
        return true;
    };
    const QString name = QString::number(staged_++);
    bool readFailed = false;
    const SafeWrite::Outcome written = SafeWrite::copyFile(
        item.source, staging_->stagedPath(name), SafeWrite::Existing::Keep, &readFailed);
    if (readFailed)
        return unreadable();
    if (!written.ok()) {
        // A poster of an added movie is named once its number is known: until then its folder is shown.
        const QString shownTarget = item.entry.target.isEmpty() ? folder_.postersDir() : place(item);
        if (error)
            *error = QStringLiteral("无法把 %1 复制到 %2（%3），没有导入任何内容。请处理后重新导入。")
                         .arg(native(item.source), native(shownTarget),
                             SafeWrite::causeInBrief(written.error ? written.error : EIO));
        return false;
    }
    item.entry.stagedName = name;
    return true;
}

bool LegacyPictures::canTake(const QString& dir, QString* error) const
{
    // The posters folder is tried by the staging itself; a picture that cannot be put in place once
    // the rows are stored could never come later, since a second import leaves their discs out.
    QDir().mkpath(dir);
    if (::access(QFile::encodeName(dir).constData(), W_OK) == 0)
        return true;
    const int cause = errno;
    if (error)
        *error = QStringLiteral("无法在文件夹 %1 中写入（%2），没有导入任何内容。请处理后重新导入。")
                     .arg(native(dir), SafeWrite::causeInBrief(cause));
    return false;
}

bool LegacyPictures::stageFolder(
    const QString& from, const QString& into, Kind kind, const QString& keepIn, QString* error)
{
    const QDir dir(from);
    if (!dir.exists())
        return true;
    bool checked = false;
    for (const QFileInfo& file :
        dir.entryInfoList(QDir::Files | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        // A FIFO, a device, a link to one or a link to nothing is no picture; a name that is no
        // text cannot be ours. Either is named in the report, never passed over in silence.
        if (!DataFolder::isPlainFileName(file.fileName()) || !file.isFile()) {
            skipped_.append(QStringLiteral("%1 不是普通的图片文件，没有复制。").arg(native(file.filePath())));
            continue;
        }
        if (!checked && !canTake(folder_.path() + u'/' + into, error))
            return false;
        checked = true;
        const QString target = into + u'/' + file.fileName();
        Item item { kind, file.filePath(), {}, {} };
        if (kind == Kind::Logo) {
            // Adding keeps our logos; one that appears meanwhile is kept too.
            if (QFileInfo::exists(folder_.path() + u'/' + target))
                continue;
            item.entry = entryFor(target, PosterInstall::Existing::Keep, {});
        } else {
            item.entry = entryFor(target, PosterInstall::Existing::KeepAside, keepIn);
        }
        if (!openStaging(error) || !stage(item, error))
            return false;
        items_.append(item);
    }
    return true;
}

bool LegacyPictures::stageReplacing(const QStringList& ids, QString* error)
{
    // Importing the file that lies in our own data folder: its pictures are already ours.
    if (ownFolder_)
        return true;
    const QString keptPosters = kept_ + QStringLiteral("/Posters");
    if (beside_) {
        // The catalogue becomes the file's, and so do its pictures and settings; ours go beside
        // the catalogue's backup.
        if (!stageFolder(source_.postersDir(), QStringLiteral("Posters"), Kind::Theirs, keptPosters, error)
            || !stageFolder(source_.compicsDir(), QStringLiteral("Compics"), Kind::Theirs,
                kept_ + QStringLiteral("/Compics"), error))
            return false;
        if (QFileInfo(source_.settingsFile()).isFile()) {
            Item settings { Kind::Theirs, source_.settingsFile(),
                entryFor(DataFolder::settingsFileName(), PosterInstall::Existing::KeepAside, kept_), {} };
            if (!openStaging(error) || !stage(settings, error))
                return false;
            items_.append(settings);
        }
    }
    for (const QString& id : ids) {
        const QString ours = folder_.posterFor(id);
        if (!DataFolder::isPlainFileName(id) || theirPoster(id) || !QFileInfo(ours).isFile()
            || ours == folder_.defaultPoster())
            continue;
        if (!openStaging(error))
            return false;
        items_.append({ Kind::Ours, {},
            entryFor(
                QStringLiteral("Posters/%1.jpg").arg(id), PosterInstall::Existing::KeepAside, keptPosters),
            {} });
    }
    return true;
}

bool LegacyPictures::stageAdding(const QStringList& oldIds, QString* error)
{
    for (qsizetype i = 0; i < oldIds.size(); ++i) {
        if (oldIds.at(i).isEmpty())
            continue;
        // Each added movie may find a poster a deleted movie left under its new number.
        if (!openStaging(error))
            return false;
        if (!theirPoster(oldIds.at(i))) {
            const QString path = beside_ ? source_.posterFor(oldIds.at(i)) : QString();
            const QFileInfo file(path);
            if (!path.isEmpty() && (file.exists() || file.isSymLink()))
                skipped_.append(QStringLiteral("%1 不是普通的图片文件，没有复制。").arg(native(path)));
            continue;
        }
        // Named for the movie's new number once the rows are stored.
        Item poster { Kind::Poster, source_.posterFor(oldIds.at(i)), {}, {} };
        if (!stage(poster, error))
            return false;
        posters_.insert(i, poster);
    }
    return !beside_ || stageFolder(source_.compicsDir(), QStringLiteral("Compics"), Kind::Logo, {}, error);
}

bool LegacyPictures::planAdded(const QList<AddedMovie>& added, QString* error)
{
    added_.clear();
    if (!added.isEmpty() && !openStaging(error))
        return false;
    for (const AddedMovie& movie : added) {
        // A picture under a new number belongs to no stored movie (numbers only grow): a deleted
        // movie left it. It goes aside before the movie's own poster comes, or whether one comes or not.
        const PosterInstall::Entry entry = entryFor(QStringLiteral("Posters/%1.jpg").arg(movie.newId),
            PosterInstall::Existing::KeepAside, kept_ + QStringLiteral("/Posters"));
        Item item = posters_.value(movie.index, Item { Kind::Poster, {}, {}, {} });
        item.entry.target = entry.target;
        item.entry.existing = entry.existing;
        item.entry.keepIn = entry.keepIn;
        if (!item.warning.isEmpty()) {
            item.warning = unreadableText(item); // now that its place is known
        } else if (!posters_.contains(movie.index) && theirPoster(movie.oldId)) {
            // A movie another program's change of discs let in since the pictures were copied.
            item.source = source_.posterFor(movie.oldId);
            if (!stage(item, error))
                return false;
        }
        added_.append(item);
    }
    return true;
}

QList<PosterInstall::Entry> LegacyPictures::entries() const
{
    QList<PosterInstall::Entry> all;
    for (const QList<Item>* list : { &added_, &items_ })
        for (const Item& item : *list)
            all.append(item.entry);
    return all;
}

bool LegacyPictures::canKeepAside(QString* error) const
{
    return !staging_ || staging_->canKeepAside(entries(), error);
}

bool LegacyPictures::record(QSqlDatabase& db, const QString& cataloguePath, QString* error) const
{
    return !staging_ || staging_->record(db, cataloguePath, entries(), error);
}

QString LegacyPictures::failureText(const Item& item, const PosterInstall::Failure& failure) const
{
    if (!failure.keeping)
        return QStringLiteral("%1 未能复制到 %2（%3）")
            .arg(native(item.source), native(place(item)),
                SafeWrite::failed(place(item), failure.error).reason);
    const QString cause = SafeWrite::causeInBrief(failure.error);
    if (item.kind == Kind::Theirs)
        return QStringLiteral("%1 未能先保存到 %2（%3），没有被替换，%4 也就没有放进去。")
            .arg(native(place(item)), native(keptIn(item)), cause, native(item.source));
    return QStringLiteral(
        "%1 是已删除影片留下的海报，未能移到 %2（%3），导入的同号影片会显示它，请手动移走。")
        .arg(native(place(item)), native(keptIn(item)), cause);
}

QStringList LegacyPictures::install()
{
    QList<Item> all = added_ + items_;
    if (staging_) {
        QList<PosterInstall::Entry> entries;
        for (const Item& item : std::as_const(all))
            entries.append(item.entry);
        for (const PosterInstall::Failure& failure : staging_->install(entries))
            all[failure.entry].warning = failureText(all.at(failure.entry), failure);
        staging_.reset();
    }
    QStringList warnings = skipped_;
    for (const Item& item : std::as_const(all))
        if (!item.warning.isEmpty())
            warnings.append(item.warning);
    return warnings;
}
