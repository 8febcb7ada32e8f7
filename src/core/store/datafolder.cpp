#include "datafolder.h"

#include "safewrite.h"
#include "textrules.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include <algorithm>
#include <array>

#ifndef REELSHELF_DEFAULTS_FROM_BIN
#define REELSHELF_DEFAULTS_FROM_BIN "../share/reelshelf-index"
#endif

DataFolder::DataFolder(const QString& path, const QString& defaultsDir)
    : path_(QDir::cleanPath(QFileInfo(path).absoluteFilePath()))
    , defaultsDir_(defaultsDir)
{
}

std::optional<QString> DataFolder::environmentProblem()
{
    for (const char* name : { "REELSHELF_HOME", "XDG_DATA_HOME" }) {
        const QByteArray value = qgetenv(name);
        if (!TextRules::isUtf8(value))
            return QStringLiteral("环境变量 %1 的值“%2”不是 UTF-8 编码的文字（可能是 GBK "
                                  "编码的文件夹名），程序无法按它找到数据文件夹。"
                                  "请给那个文件夹改名，或把 %1 改为 UTF-8 编码的路径后再试。")
                .arg(QString::fromLatin1(name), TextRules::decodeFileName(value));
    }
    return std::nullopt;
}

DataFolder DataFolder::resolve(const QString& explicitHome, const QString& executableDir)
{
    const QString defaults = installedDefaultsDir(executableDir);
    if (!explicitHome.isEmpty())
        return DataFolder(explicitHome, defaults);
    const QString fromEnv = qEnvironmentVariable("REELSHELF_HOME");
    if (!fromEnv.isEmpty())
        return DataFolder(fromEnv, defaults);
    // A Windows program folder copied whole holds only the old ShelfIndex.mdb; it is a portable
    // install too, and gets its catalogue imported on this first start.
    if (!executableDir.isEmpty()
        && (QFileInfo::exists(executableDir + u'/' + catalogueFileName())
            || QFileInfo::exists(executableDir + u'/' + legacyCatalogueFileName())))
        return DataFolder(executableDir, defaults);
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative value would move the catalogue with the working folder; XDG says to ignore it.
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return DataFolder(dataHome + QStringLiteral("/ReelShelfIndex"), defaults);
}

QString DataFolder::installedDefaultsDir(const QString& executableDir)
{
    if (executableDir.isEmpty())
        return QString();
    const QString dir
        = QDir::cleanPath(executableDir + u'/' + QString::fromUtf8(REELSHELF_DEFAULTS_FROM_BIN));
    return QFileInfo(dir).isDir() ? dir : QString();
}

QString DataFolder::file(const QString& tail) const
{
    return path_ + u'/' + tail;
}
QString DataFolder::catalogueFile() const
{
    return file(catalogueFileName());
}
QString DataFolder::settingsFile() const
{
    return file(settingsFileName());
}
QString DataFolder::postersDir() const
{
    return file(QStringLiteral("Posters"));
}
QString DataFolder::compicsDir() const
{
    return file(QStringLiteral("Compics"));
}
QString DataFolder::tempDir() const
{
    return file(QStringLiteral("Temp"));
}
QString DataFolder::outputsDir() const
{
    return file(QStringLiteral("Outputs"));
}
QString DataFolder::helpFile() const
{
    return file(QStringLiteral("help.html"));
}
QString DataFolder::helpPicturesDir() const
{
    return file(QStringLiteral("Help"));
}
QString DataFolder::defaultPoster() const
{
    return file(QStringLiteral("Posters/00.jpg"));
}
QString DataFolder::goldStar() const
{
    return file(QStringLiteral("Temp/goldstar.gif"));
}
QString DataFolder::grayStar() const
{
    return file(QStringLiteral("Temp/graystar.gif"));
}
QString DataFolder::posterFor(const QString& idText) const
{
    return postersDir() + u'/' + idText + QStringLiteral(".jpg");
}
QString DataFolder::logoFor(const QString& company) const
{
    return compicsDir() + u'/' + company + QStringLiteral(".jpg");
}

QString DataFolder::twiceSizedPicture(const QString& picturePath)
{
    const qsizetype dot = picturePath.lastIndexOf(u'.');
    const qsizetype cut = dot > picturePath.lastIndexOf(u'/') ? dot : picturePath.size();
    return QString(picturePath).insert(cut, QStringLiteral("@2x"));
}

bool DataFolder::isPlainFileName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && name != QStringLiteral(".")
        && name != QStringLiteral("..") && !name.contains(QChar(0));
}

namespace {

// An installed copy may be edited by the packager or the administrator; the copies built into the
// program under :/defaults keep a build tree or a damaged installation working.
bool openDefault(const QString& defaultsDir, const QString& resource, QFile& source)
{
    if (!defaultsDir.isEmpty()) {
        source.setFileName(defaultsDir + u'/' + resource);
        if (QFileInfo(source).isFile() && source.open(QIODevice::ReadOnly))
            return true;
    }
    source.setFileName(QStringLiteral(":/defaults/") + resource);
    return source.open(QIODevice::ReadOnly);
}

// A full disk, a start killed half-way or a second start at the same moment never leaves a short
// file under the real name, where it would be taken as complete for ever; nothing is replaced.
bool copyDefault(const QString& defaultsDir, const QString& resource, const QString& target, QString* error)
{
    if (QFileInfo::exists(target))
        return true;
    QFile source;
    if (!openDefault(defaultsDir, resource, source)) {
        *error = QStringLiteral("安装文件 %1 缺失。").arg(resource);
        return false;
    }
    const SafeWrite::Outcome written
        = SafeWrite::writeFile(target, source.readAll(), SafeWrite::Existing::Keep);
    // Another start that put it there first is no failure.
    if (written.ok() || written.cause == SafeWrite::Cause::AlreadyExists)
        return true;
    *error = written.message;
    return false;
}

// The sharper star comes from the place whose small star the folder holds byte for byte, so that a
// star the user or a packager replaced keeps its own look at every scale. It is never needed: a
// folder that cannot take it (full, read-only) is no failure, and the next start tries again.
void addTwiceSizedStar(const QString& defaultsDir, const QString& resource, const QString& target)
{
    const QString twiceTarget = DataFolder::twiceSizedPicture(target);
    // Only a plain file is read: a pipe put there would hold the start for ever.
    QFile star(target);
    if (QFileInfo::exists(twiceTarget) || !QFileInfo(star).isFile())
        return;
    QByteArray starBytes;
    QStringList places;
    if (!defaultsDir.isEmpty())
        places << defaultsDir + u'/';
    places << QStringLiteral(":/defaults/");
    for (const QString& place : places) {
        QFile shipped(place + resource);
        // A size that differs spares reading a large replacement whole.
        if (!QFileInfo(shipped).isFile() || shipped.size() != star.size()
            || !shipped.open(QIODevice::ReadOnly))
            continue;
        if (starBytes.isNull()) {
            if (!star.open(QIODevice::ReadOnly))
                return;
            starBytes = star.readAll();
        }
        QFile twice(DataFolder::twiceSizedPicture(place + resource));
        if (shipped.readAll() != starBytes || !QFileInfo(twice).isFile() || !twice.open(QIODevice::ReadOnly))
            continue;
        SafeWrite::writeFile(twiceTarget, twice.readAll(), SafeWrite::Existing::Keep);
        return;
    }
}

// The help reads without its pictures, so they are never needed: a folder that cannot take them
// (full, read-only, a file named Help) starts all the same, and the next start tries again. A
// picture the user or a packager put there stays.
void addHelpPictures(const QString& defaultsDir, const QString& targetDir)
{
    const QString resource = QStringLiteral("Help");
    QStringList names = QDir(QStringLiteral(":/defaults/") + resource).entryList(QDir::Files);
    if (!defaultsDir.isEmpty())
        names += QDir(defaultsDir + u'/' + resource).entryList(QDir::Files);
    names.removeDuplicates();
    if (names.isEmpty() || !(QFileInfo(targetDir).isDir() || QDir().mkpath(targetDir)))
        return;
    // Pictures must not take the room the catalogue needs on a disk that is nearly full.
    constexpr qint64 keepFree = 8 * 1024 * 1024;
    for (const QString& name : std::as_const(names)) {
        QStorageInfo disk(targetDir);
        if (disk.bytesAvailable() < keepFree)
            return;
        QString ignored;
        copyDefault(defaultsDir, resource + u'/' + name, targetDir + u'/' + name, &ignored);
    }
}

// A help page that is byte for byte one an earlier version installed describes an older program;
// it gives way to today's. A page the user or a packager changed is theirs and stays.
void replaceOutdatedHelp(const QString& defaultsDir, const QString& target)
{
    static const std::array<std::pair<qint64, QByteArrayView>, 5> earlier = { {
        { 17650, "959031ef14ae4b5ab94e87813e9515c365268a2aa6f369b1216429c3a3465f9e" },
        { 18267, "c5a33abd61ef19817040e01f147496a8b9513dd67499bb3b32424a3d04c9e3ad" },
        { 37164, "3caf06c2152e8ebc1b28b4f8e1d1f00b637e837ab7a2dd5c1aac07b8f458df14" },
        { 42700, "adfc14b1450916e56d59a60a9465c11f2eca256b3f0ecd296530ec55aed41595" },
        { 51692, "e43d90106d2a82a317b82031c8236f0b12711520478893fa39eaf80d333fe289" },
    } };
    QFile page(target);
    const qint64 size = QFileInfo(page).isFile() ? page.size() : -1;
    const auto sameSize = [size](const auto& known) { return known.first == size; };
    if (std::none_of(earlier.begin(), earlier.end(), sameSize) || !page.open(QIODevice::ReadOnly))
        return;
    const QByteArray hash = QCryptographicHash::hash(page.readAll(), QCryptographicHash::Sha256).toHex();
    page.close();
    const auto sameBytes = [&](const auto& known) { return known.first == size && known.second == hash; };
    QFile today;
    if (std::any_of(earlier.begin(), earlier.end(), sameBytes)
        && openDefault(defaultsDir, QStringLiteral("help.html"), today))
        SafeWrite::writeFile(target, today.readAll(), SafeWrite::Existing::Replace);
}

bool makeDir(const QString& dir, QString* error)
{
    if (QFileInfo(dir).isDir() || QDir().mkpath(dir))
        return true;
    *error = QStringLiteral("无法创建文件夹 %1，请检查它的上级文件夹是否存在并且可写。")
                 .arg(QDir::toNativeSeparators(dir));
    return false;
}

} // namespace

bool installDefaults(const DataFolder& folder, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    if (!makeDir(folder.path(), error))
        return false;
    for (const QString& dir :
        { folder.postersDir(), folder.compicsDir(), folder.tempDir(), folder.outputsDir() }) {
        if (!makeDir(dir, error))
            return false;
    }
    const QString from = folder.defaultsDir();
    if (!(copyDefault(from, DataFolder::settingsFileName(), folder.settingsFile(), error)
            && copyDefault(from, QStringLiteral("Posters/00.jpg"), folder.defaultPoster(), error)
            && copyDefault(from, QStringLiteral("Temp/goldstar.gif"), folder.goldStar(), error)
            && copyDefault(from, QStringLiteral("Temp/graystar.gif"), folder.grayStar(), error)
            && copyDefault(from, QStringLiteral("help.html"), folder.helpFile(), error)))
        return false;
    addTwiceSizedStar(from, QStringLiteral("Temp/goldstar.gif"), folder.goldStar());
    addTwiceSizedStar(from, QStringLiteral("Temp/graystar.gif"), folder.grayStar());
    replaceOutdatedHelp(from, folder.helpFile());
    addHelpPictures(from, folder.helpPicturesDir());
    return true;
}
