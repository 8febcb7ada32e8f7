#pragma once

#include <QString>
#include <QTemporaryDir>
#include <functional>

// A small tmpfs that can be filled to its last byte, for writes that must fail when the data
// reaches the disk. Mounting needs root; elsewhere mounted() is false and the test skips.
class FullDisk
{
public:
    explicit FullDisk(int megabytes = 1);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool mounted() const { return mounted_; }
    QString path() const { return dir_.path(); }
    QString path(const QString& relative) const { return dir_.path() + u'/' + relative; }
    // Takes what is left with one hidden file; empty() gives the room back.
    void fill();
    void empty();

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

// Runs `work` on a thread that has given up root's power to override file permissions, so a
// read-only file or folder stops it as it stops any user. A normal user runs it as it is.
// False when the power could not be given up (`work` has not run then).
bool runAsPlainUser(const std::function<void()>& work);

// Makes a file or folder refuse writes for this process while it lives, even for root (which
// permission bits do not stop): the immutable flag where the file system has one, else the mode.
class WriteProtected
{
public:
    explicit WriteProtected(const QString& path);
    ~WriteProtected();
    WriteProtected(const WriteProtected&) = delete;
    WriteProtected& operator=(const WriteProtected&) = delete;

    // False when neither way works here; the test should then skip.
    bool active() const { return how_ != How::None; }

private:
    enum class How { None, Immutable, Mode };
    QString path_;
    How how_ = How::None;
    int oldMode_ = 0;
};
