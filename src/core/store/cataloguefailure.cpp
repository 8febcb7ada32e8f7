#include "cataloguefailure.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <utility>

#include <sqlite3.h>

namespace CatalogueFailure {

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString folderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

// Less room than a page or two of the catalogue: a write that failed there most likely ran out.
bool diskNearlyFull(const QString& path)
{
    const QStorageInfo storage(folderOf(path));
    return storage.isValid() && storage.bytesAvailable() >= 0 && storage.bytesAvailable() < 64 * 1024;
}

QString fullMessage(const QString& path)
{
    return QStringLiteral("磁盘已满，无法写入目录数据库 %1，目录没有改变。请腾出磁盘空间后再试。")
        .arg(native(path));
}

QString readOnlyFileMessage(const QString& path)
{
    return QStringLiteral("目录数据库 %1 是只读文件，无法保存更改，目录没有改变。请允许写入该文件后再试。")
        .arg(native(path));
}

// SQLite keeps its journal beside the catalogue: a folder that refuses new files refuses writes.
QString readOnlyFolderMessage(const QString& path)
{
    return QStringLiteral(
        "目录数据库 %1 所在的文件夹 %2 不允许写入（保存时需要在其中建立临时文件），目录没有改变。"
        "请允许写入该文件夹后再试。")
        .arg(native(path), native(folderOf(path)));
}

QString readOnlyMediumMessage(const QString& path)
{
    return QStringLiteral("目录数据库 %1 所在的磁盘是只读的，无法保存更改，目录没有改变。").arg(native(path));
}

QString readOnlyMessage(const QString& path)
{
    const QFileInfo file(path);
    if (file.exists() && !file.isWritable())
        return readOnlyFileMessage(path);
    if (!QFileInfo(folderOf(path)).isWritable())
        return readOnlyFolderMessage(path);
    if (QStorageInfo(folderOf(path)).isReadOnly())
        return readOnlyMediumMessage(path);
    return readOnlyFileMessage(path);
}

QString cannotOpenMessage(const QString& path)
{
    const QFileInfo file(path);
    if (!file.exists())
        return QStringLiteral("找不到目录数据库 %1（文件已被移走或删除）。").arg(native(path));
    if (!file.isReadable())
        return QStringLiteral("没有读取目录数据库 %1 的权限。请允许读取该文件后再试。").arg(native(path));
    if (!QFileInfo(folderOf(path)).isWritable())
        return readOnlyFolderMessage(path);
    return QStringLiteral("无法打开目录数据库 %1（文件或其所在的文件夹无法访问）。请检查它们的权限后再试。")
        .arg(native(path));
}

QString ioMessage(const QString& path)
{
    if (diskNearlyFull(path))
        return fullMessage(path);
    return QStringLiteral("读写目录数据库 %1 时发生磁盘错误：磁盘可能已被移除或已损坏。请检查磁盘后再试；"
                          "若目录因此损坏，可用“工具 → 恢复备份...”恢复。")
        .arg(native(path));
}

} // namespace

bool isLockCode(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

QString lockedMessage(const QString& path)
{
    return QStringLiteral("目录数据库 %1 正被其他程序锁定，请关闭该程序后再试。").arg(native(path));
}

QString damagedMessage(const QString& path)
{
    return QStringLiteral(
        "目录数据库 %1 已损坏或不是数据库文件，程序不会改动它。请用“工具 → 恢复备份...”恢复最近的备份。")
        .arg(native(path));
}

namespace {

// Qt's driver reports some failures (a commit, a transaction) without SQLite's code; SQLite's
// own sentences for them are fixed, so they tell the cause as well.
int codeFromText(const QString& engineText)
{
    static const std::pair<const char*, int> phrases[] = {
        { "database is locked", SQLITE_BUSY },
        { "database table is locked", SQLITE_LOCKED },
        { "readonly database", SQLITE_READONLY },
        { "database or disk is full", SQLITE_FULL },
        { "unable to open database file", SQLITE_CANTOPEN },
        { "disk I/O error", SQLITE_IOERR },
        { "database disk image is malformed", SQLITE_CORRUPT },
        { "file is not a database", SQLITE_NOTADB },
        { "UNIQUE constraint failed", SQLITE_CONSTRAINT },
        { "out of memory", SQLITE_NOMEM },
    };
    for (const auto& [phrase, code] : phrases)
        if (engineText.contains(QLatin1String(phrase), Qt::CaseInsensitive))
            return code;
    return -1;
}

} // namespace

QString message(const QString& path, int code, const QString& engineText)
{
    const int known = codeFromText(engineText);
    if (code <= 0 || (code & 0xff) == SQLITE_ERROR)
        code = known;
    if (isLockCode(code))
        return lockedMessage(path);
    switch (code & 0xff) {
    case SQLITE_READONLY:
        return readOnlyMessage(path);
    case SQLITE_FULL:
        return fullMessage(path);
    case SQLITE_CANTOPEN:
        return cannotOpenMessage(path);
    case SQLITE_IOERR:
        return ioMessage(path);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return damagedMessage(path);
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral(
            "没有读写目录数据库 %1 的权限，目录没有改变。请检查该文件及其文件夹的权限后再试。")
            .arg(native(path));
    case SQLITE_NOMEM:
        return QStringLiteral("内存不足，无法读写目录数据库 %1，目录没有改变。请关闭其他程序后再试。")
            .arg(native(path));
    case SQLITE_CONSTRAINT:
        // Only a repeated number is ours to explain; another rule (a trigger of another tool) is not.
        if (known == SQLITE_CONSTRAINT)
            return QStringLiteral(
                "目录数据库 %1 中已有同一编号的记录，可能是其他程序刚刚添加了记录，目录没有改变。"
                "请刷新后再试。")
                .arg(native(path));
        break;
    default:
        break;
    }
    // A write that failed without a code of its own on a full disk is still a full disk.
    if (diskNearlyFull(path))
        return fullMessage(path);
    return QStringLiteral("读写目录数据库 %1 时出错，目录没有改变（%2）。").arg(native(path), engineText);
}

} // namespace CatalogueFailure
