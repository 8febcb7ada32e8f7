#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

// One entry of a folder as the scan sees it: a file (a regular file, or a link to one) or a
// subfolder (never a link to one, so the walk cannot loop through links).
struct FolderEntry
{
    QByteArray rawName; // the bytes the file system holds, for the system calls
    QString name; // decoded (FileNames::decode), for matching and showing
    qint64 size = -1; // known once read; -1 until then or when it cannot be read
};

// The order a folder's entries are taken in: letter case ignored, then exact code points, so the
// order does not depend on the locale or the file system.
bool nameOrderLess(const QString& a, const QString& b);

// A folder opened for reading; closed when the object goes.
class OpenFolder
{
public:
    // A subfolder is opened with `followLink` false: a link swapped in since it was listed is
    // refused rather than followed.
    explicit OpenFolder(const QByteArray& path, bool followLink = true);
    ~OpenFolder();
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // The errno of the failed open.
    int error() const { return error_; }
    // Device and inode, to notice a folder met twice (a bind mount of a parent).
    std::pair<quint64, quint64> identity() const { return identity_; }

    // Reads the entries, each list in name order; "." and ".." and anything that is neither a
    // file nor a folder are left out. Reading stops early on an error; what was read is kept and
    // readError() tells.
    void read(QList<FolderEntry>* files, QList<FolderEntry>* folders);
    // The errno that cut the last read short; 0 when the folder was read to its end.
    int readError() const { return readError_; }
    // The size of a file entry in bytes (following a link); -1 when it cannot be read.
    qint64 fileSize(FolderEntry& entry) const;

private:
    int fd_ = -1;
    int error_ = 0;
    int readError_ = 0;
    std::pair<quint64, quint64> identity_ { 0, 0 };
};

// Joins a folder and a name with exactly one "/".
QString joinPath(const QString& folder, const QString& name);
QByteArray joinPath(const QByteArray& folder, const QByteArray& name);
