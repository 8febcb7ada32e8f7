#include "folderlisting.h"

#include "filenames.h"
#include "store/textrules.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool nameOrderLess(const QString& a, const QString& b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return a < b;
}

OpenFolder::OpenFolder(const QByteArray& path, bool followLink)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    fd_ = ::open(path.constData(), flags);
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    struct stat st = {};
    if (::fstat(fd_, &st) == 0)
        identity_ = { quint64(st.st_dev), quint64(st.st_ino) };
}

OpenFolder::~OpenFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void OpenFolder::read(QList<FolderEntry>* files, QList<FolderEntry>* folders)
{
    readError_ = 0;
    if (fd_ < 0)
        return;
    // fdopendir takes over the descriptor it is given; keep ours for the stat calls.
    const int listing = ::dup(fd_);
    if (listing < 0) {
        readError_ = errno;
        return;
    }
    DIR* dir = ::fdopendir(listing);
    if (!dir) {
        readError_ = errno;
        ::close(listing);
        return;
    }
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (!e) {
            // A medium taken out or a damaged folder ends the listing with an error, not at its end.
            readError_ = errno;
            break;
        }
        const char* raw = e->d_name;
        if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0')))
            continue;
        unsigned char type = e->d_type;
        qint64 size = -1;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            // Only a link to a file counts; a link to a folder is not followed.
            struct stat st = {};
            if (::fstatat(fd_, raw, &st, type == DT_LNK ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISLNK(st.st_mode) && ::fstatat(fd_, raw, &st, 0) != 0)
                continue;
            const bool link = type == DT_LNK || S_ISLNK(st.st_mode);
            if (S_ISREG(st.st_mode)) {
                type = DT_REG;
                size = qint64(st.st_size);
            } else if (S_ISDIR(st.st_mode) && !link) {
                type = DT_DIR;
            } else {
                continue;
            }
        }
        if (type != DT_REG && type != DT_DIR)
            continue;
        FolderEntry entry;
        entry.rawName = QByteArray(raw);
        entry.name = TextRules::decodeFileName(entry.rawName);
        entry.size = size;
        (type == DT_REG ? files : folders)->append(std::move(entry));
    }
    ::closedir(dir);
    const auto byName
        = [](const FolderEntry& a, const FolderEntry& b) { return nameOrderLess(a.name, b.name); };
    std::sort(files->begin(), files->end(), byName);
    std::sort(folders->begin(), folders->end(), byName);
}

qint64 OpenFolder::fileSize(FolderEntry& entry) const
{
    if (entry.size >= 0 || fd_ < 0)
        return entry.size;
    struct stat st = {};
    if (::fstatat(fd_, entry.rawName.constData(), &st, 0) == 0 && S_ISREG(st.st_mode))
        entry.size = qint64(st.st_size);
    return entry.size;
}

QString joinPath(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QByteArray joinPath(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}
