#pragma once

#include <QByteArray>
#include <QString>

// Names as a file system holds them are bytes (TextRules::decodeFileName gives their text). What
// is opened, listed, copied or renamed goes by the bytes, so that a name that is not UTF-8 is
// still reached.
// A file named by its bytes, reachable by Qt's file classes whatever its name's encoding: the path
// itself when its text stands for the same bytes, else this process's link to the file opened by
// its bytes (/proc/self/fd/N), held open for the object's life.
class RawPathFile
{
public:
    RawPathFile(const QByteArray& rawPath, const QString& shownPath);
    ~RawPathFile();
    RawPathFile(const RawPathFile&) = delete;
    RawPathFile& operator=(const RawPathFile&) = delete;

    // The path to hand to QFile, QFileInfo and the functions built on them.
    QString path() const { return path_; }
    QString shownPath() const { return shown_; }
    // A message about path() as the user must read it: naming the shown path.
    QString named(QString message) const;

private:
    QString path_;
    QString shown_;
    int fd_ = -1;
};
