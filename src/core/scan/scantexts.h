#pragma once

#include <QString>

// The texts of the drive scan, as the wizard shows them.
namespace ScanTexts {

inline QString searching()
{
    return QStringLiteral("正在为您搜索信息...");
}
inline QString found(qsizetype rows)
{
    return QStringLiteral("*共找到") + QString::number(rows) + QStringLiteral("部影视文件。");
}
inline QString cancelled(qsizetype rows)
{
    return QStringLiteral("*搜索已取消,已找到") + QString::number(rows) + QStringLiteral("部影视文件。");
}
inline QString readError()
{
    return QStringLiteral("读取错误:请检查光盘驱动器硬件状态,或检查光驱内是否有光盘.");
}
inline QString volumeLabelCaption()
{
    return QStringLiteral("*光盘卷标:");
}
inline QString fileSystemCaption()
{
    return QStringLiteral("*文件系统名称:");
}
inline QString noRoot()
{
    return QStringLiteral("未选择驱动器或文件夹。");
}
inline QString rootMissing(const QString& root)
{
    return QStringLiteral("驱动器或文件夹 %1 不存在。").arg(root);
}
inline QString rootNotFolder(const QString& root)
{
    return QStringLiteral("%1 不是文件夹，无法搜索。").arg(root);
}
inline QString rootUnreadable(const QString& root)
{
    return QStringLiteral("无法读取驱动器或文件夹 %1（没有读取权限或读取出错）。").arg(root);
}
inline QString rootLost(const QString& root)
{
    return QStringLiteral(
        "驱动器或文件夹 %1 在搜索途中无法再读取（光盘或移动存储介质被取出，或文件夹被移走），"
        "搜索没有完成，什么也没有添加。请放好光盘后重新搜索。")
        .arg(root);
}
// Said after the count when folders below the root could not be read.
inline QString unreadableFolders(qint64 count)
{
    return QStringLiteral("有 %1 个文件夹无法读取").arg(count);
}

// The mark the part merge puts on the rows it folds into an earlier one.
inline QString deleteFlag()
{
    return QStringLiteral("DelFlag");
}

} // namespace ScanTexts
