#include "filenames.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>

RawPathFile::RawPathFile(const QByteArray& rawPath, const QString& shownPath)
    : path_(shownPath)
    , shown_(shownPath)
{
    if (QFile::encodeName(shownPath) == rawPath)
        return;
    // Non-blocking, so that a pipe put where a file was found does not wait for a writer; the
    // readers look at what the link leads to before they open it again.
    fd_ = ::open(rawPath.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ >= 0)
        path_ = QStringLiteral("/proc/self/fd/%1").arg(fd_);
}

RawPathFile::~RawPathFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

QString RawPathFile::named(QString message) const
{
    return path_ == shown_ ? message : message.replace(path_, shown_);
}
