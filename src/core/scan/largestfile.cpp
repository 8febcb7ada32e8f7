#include "largestfile.h"

#include "filetypes.h"
#include "folderlisting.h"

#include <QFile>

namespace {

QString baseName(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

} // namespace

QString findLargestFile(const QString& folder, const QString& pattern, const QString& preferredBaseName)
{
    if (folder.isEmpty())
        return QString();
    OpenFolder dir(QFile::encodeName(folder));
    QList<FolderEntry> files;
    QList<FolderEntry> folders;
    dir.read(&files, &folders);
    QString result;
    qint64 largest = 0;
    for (FolderEntry& f : files) {
        if (!fileNameMatches(f.name, pattern))
            continue;
        const qint64 size = dir.fileSize(f);
        if (size <= 0)
            continue;
        if (!preferredBaseName.isEmpty()
            && QString::compare(baseName(f.name), preferredBaseName, Qt::CaseInsensitive) == 0)
            return joinPath(folder, f.name);
        if (size > largest) {
            largest = size;
            result = joinPath(folder, f.name);
        }
    }
    return result;
}
