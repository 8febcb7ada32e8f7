#pragma once

#include <QByteArray>

#include <fcntl.h>
#include <unistd.h>

// A file opened for reading by its bytes, closed when the object goes. Never waits on the open: a
// pipe or a device is opened without blocking, for the caller to refuse.
class ReadOnlyFile
{
public:
    explicit ReadOnlyFile(const QByteArray& path)
        : fd_(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK))
    {
    }
    ~ReadOnlyFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};
