#include "largestfile.h"

#include "filetypes.h"
#include "folderlisting.h"

#include <QFile>
#include <algorithm>

namespace {

QString foldedBaseName(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return (dot < 0 ? name : name.left(dot)).toCaseFolded();
}

} // namespace

FilesBeside::FilesBeside(const QByteArray& rawFolder, const QString& folder, const QString& pattern)
{
    if (rawFolder.isEmpty())
        return;
    OpenFolder dir(rawFolder);
    readable_ = dir.isOpen();
    QList<FolderEntry> files;
    QList<FolderEntry> folders;
    dir.read(&files, &folders);
    QStringList baseNames;
    for (FolderEntry& f : files) {
        if (!fileNameMatches(f.name, pattern) || dir.fileSize(f) <= 0)
            continue;
        bySize_.append({ joinPath(rawFolder, f.rawName), joinPath(folder, f.name), f.size });
        baseNames.append(foldedBaseName(f.name));
    }
    // Listed in name order; a stable sort keeps that order among equal sizes.
    QList<qsizetype> order(bySize_.size());
    for (qsizetype i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
        [this](qsizetype a, qsizetype b) { return bySize_.at(a).size > bySize_.at(b).size; });
    QList<BesideFile> sorted;
    sorted.reserve(order.size());
    QList<qsizetype> rank(order.size());
    for (qsizetype i = 0; i < order.size(); ++i) {
        sorted.append(bySize_.at(order.at(i)));
        rank[order.at(i)] = i;
    }
    bySize_ = std::move(sorted);
    // The first in name order of the files sharing a base name.
    for (qsizetype i = 0; i < baseNames.size(); ++i)
        if (!byBaseName_.contains(baseNames.at(i)))
            byBaseName_.insert(baseNames.at(i), rank.at(i));
}

const BesideFile* FilesBeside::namedAfter(const QStringList& baseNames) const
{
    for (const QString& name : baseNames) {
        if (name.isEmpty())
            continue;
        const auto it = byBaseName_.constFind(name.toCaseFolded());
        if (it != byBaseName_.cend())
            return &bySize_.at(*it);
    }
    return nullptr;
}

const BesideFile* FilesBeside::best(const QStringList& baseNames) const
{
    if (const BesideFile* named = namedAfter(baseNames))
        return named;
    return bySize_.isEmpty() ? nullptr : &bySize_.first();
}

QString findLargestFile(const QString& folder, const QString& pattern, const QString& preferredBaseName)
{
    if (folder.isEmpty())
        return QString();
    const FilesBeside files(QFile::encodeName(folder), folder, pattern);
    const BesideFile* best = files.best({ preferredBaseName });
    return best ? best->path : QString();
}
