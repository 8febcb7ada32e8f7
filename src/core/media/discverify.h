#pragma once

#include "filecheck.h"
#include "store/mediatables.h"

#include <QList>
#include <QString>
#include <atomic>
#include <functional>

// The check of a whole disc: every remembered file of its movies read in full under the root it
// is mounted at, each found ok, missing, changed or unreadable; the result kept per disc and per
// file, and the first check's hashes kept for the later ones. Shared by 校验光盘... and
// `reelshelf-cli verify`.
namespace DiscVerify {

struct FileResult
{
    QString path; // below the root, shown
    qint64 size = 0;
    FileCheck::Outcome::Status status = FileCheck::Outcome::Ok;
    qint64 offset = -1;
};

struct Progress
{
    int filesDone = 0;
    int files = 0;
    qint64 bytesDone = 0;
    qint64 bytes = 0;
};

struct Result
{
    enum Status { Done, NoFiles, Stopped, Failed };
    Status status = Failed;
    QString error; // for NoFiles, Stopped and Failed: nothing was stored
    QList<FileResult> files;
    MediaTables::DiscCheckRecord check;
};

// `progress` is called from the checking thread, often; `stop` ends the check with nothing stored.
Result run(const QString& catalogueFile, const QString& discNumber, const QString& root,
    const std::atomic<bool>* stop = nullptr, const std::function<void(const Progress&)>& progress = {});

QString statusName(FileCheck::Outcome::Status status); // "ok", "missing", "changed", "unreadable"

// "已校验 3 / 12 个文件，1.2 GB / 4.37 GB，速度 10.5 MB/s，还需约 5 分钟"; speed and time left once
// `elapsedSeconds` gives a speed to go by.
QString progressText(const Progress& progress, double elapsedSeconds);
// The disc lost files or has parts that no longer read: what the condition "破损" says.
inline bool looksDamaged(const MediaTables::DiscCheckRecord& check)
{
    return check.missing > 0 || check.unreadable > 0;
}

} // namespace DiscVerify
