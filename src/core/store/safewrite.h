#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QIODevice;

// Writes a whole file so that it is complete or absent: the bytes go to a hidden file in the same
// folder, which is flushed, synced and closed, each step checked, and only then takes the name.
// A new file gets the mode the user's umask gives; a replaced one keeps its own. On failure the
// previous file stays as it was, nothing is left behind, and the outcome says which file and why
// in a sentence for the user.
namespace SafeWrite {

enum class Existing {
    Replace, // a file of that name is replaced
    Keep, // a file of that name is never replaced, even one made while writing
};

enum class Cause {
    None,
    DiskFull,
    ReadOnlyFile,
    ReadOnlyFolder,
    ReadOnlyDisk,
    MissingFolder,
    FolderInTheWay,
    AlreadyExists,
    FileTooLarge,
    DiskError,
    Unknown,
};

struct Outcome
{
    Cause cause = Cause::None;
    QString path; // the file that was, or was to be, written
    QString reason; // why it failed, with what to do, naming no file but a folder where it matters
    QString message; // "无法写入文件 <path>：" and the reason; empty on success
    int error = 0; // the system's error number behind the failure, when there is one

    bool ok() const { return cause == Cause::None; }
};

// Writes the content to the device and says whether it all went; a device error is found by
// the writer itself.
using Writer = std::function<bool(QIODevice& device)>;

Outcome writeFile(const QString& path, const QByteArray& bytes, Existing existing = Existing::Replace);

// The outcome of a write of `path` that the system refused with `error` (an errno value), in the
// words writeFile uses, for a step of the caller's own such as a rename into place.
Outcome failed(const QString& path, int error);

// Why a file operation failed with the system's `error` (an errno value), in a few words that fit
// in brackets after what failed: "磁盘已满", "没有写入权限".
QString causeInBrief(int error);
Outcome writeFile(const QString& path, const Writer& writer, Existing existing = Existing::Replace);

// Copies the plain file `source` to `path` as writeFile writes, a piece at a time so that a large
// file never sits whole in memory. `readFailed` tells a source that could not be read (or is no
// plain file: a pipe or a device would never end) from a target that could not be written.
Outcome copyFile(const QString& source, const QString& path, Existing existing, bool* readFailed);

} // namespace SafeWrite
