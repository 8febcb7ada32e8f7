#pragma once

#include <QDateTime>
#include <QString>

// The texts of the backup commands and the restore dialog, in one place.
namespace BackupTexts {

inline const QString menuCaption = QStringLiteral("恢复备份...");
inline const QString dialogTitle = QStringLiteral("恢复备份");
// How many copies are kept, said wherever the copies are listed.
inline const QString keptRule
    = QStringLiteral("每天第一次启动时的“每日备份”和删除、恢复、导入之前的“操作前备份”"
                     "分开保留，各保留最近十份，所以多次删除不会挤掉前几天的备份。");
inline const QString intro
    = QStringLiteral("选择一个备份，将目录恢复为备份时的状态。当前的目录会先备份。") + keptRule;
inline const QString noBackups
    = QStringLiteral(
          "还没有任何备份。删除光盘或影片之前、恢复备份之前，以及每天第一次启动时，程序会自动备份目录。")
    + keptRule;
inline const QString columnTaken = QStringLiteral("备份时间");
inline const QString columnKind = QStringLiteral("种类");
inline const QString kindDaily = QStringLiteral("每日备份");
inline const QString kindOperation = QStringLiteral("操作前备份");
inline const QString columnDiscs = QStringLiteral("光盘数");
inline const QString columnMovies = QStringLiteral("影片数");
inline const QString unreadable = QStringLiteral("无法读取");
inline const QString restoreButton = QStringLiteral("恢复(&R)");
inline const QString closeButton = QStringLiteral("关闭(&C)");

inline QString timeText(const QDateTime& taken)
{
    return taken.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

inline QString countsText(qint64 discs, qint64 movies)
{
    return QStringLiteral("%1 张光盘，%2 部影片").arg(discs).arg(movies);
}

inline QString confirmRestore(const QDateTime& taken, qint64 discs, qint64 movies)
{
    return QStringLiteral("确定要把目录恢复为 %1 的备份（%2）吗？\n当前的目录会先备份，可以再恢复回来。")
        .arg(timeText(taken), countsText(discs, movies));
}

inline QString restored(const QDateTime& taken, qint64 discs, qint64 movies)
{
    return QStringLiteral("已恢复 %1 的备份：%2。").arg(timeText(taken), countsText(discs, movies));
}

inline QString unreadableBackup(const QDateTime& taken)
{
    return QStringLiteral("%1 的备份无法读取，不能用来恢复。").arg(timeText(taken));
}

// Asked when the copy before a deletion or a restore could not be made; "no" is the default.
inline QString goOnWithoutBackup(const QString& why)
{
    return QStringLiteral("无法先备份目录：\n%1\n\n不备份也要继续吗？继续后将无法恢复此前的目录。").arg(why);
}

inline QString dailyBackupFailed(const QString& why)
{
    return QStringLiteral("今天的自动备份没有完成：\n%1\n\n程序照常启动。").arg(why);
}

} // namespace BackupTexts
