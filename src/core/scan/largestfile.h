#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A file found beside a movie file: its path by its bytes (for opening) and as shown, its size.
struct BesideFile
{
    QByteArray rawPath;
    QString path;
    qint64 size = 0;
};

// The non-empty files of one folder (subfolders are not searched) whose names match a wildcard
// pattern ("*.jpg"), letter case ignored, read once: a commit asks for every movie of a folder,
// and a disc may hold thousands of movies in one folder.
class FilesBeside
{
public:
    FilesBeside(const QByteArray& rawFolder, const QString& folder, const QString& pattern);

    // False when the folder could not be opened.
    bool readable() const { return readable_; }
    // Largest first; equal sizes in name order.
    const QList<BesideFile>& bySize() const { return bySize_; }
    // The file named after the movie: whose base name (the name less its last ".extension") is
    // the first of `baseNames` that any file has, letter case ignored; nullptr when none is.
    const BesideFile* namedAfter(const QStringList& baseNames) const;
    // The file named after the movie, else the largest one: nullptr when there is none.
    const BesideFile* best(const QStringList& baseNames) const;

private:
    bool readable_ = false;
    QList<BesideFile> bySize_;
    QHash<QString, qsizetype> byBaseName_; // case-folded base name -> index into bySize_
};

// The full path of the largest file in `folder` whose name matches the pattern; the empty text
// when there is none. Only a strictly larger file replaces the one found so far, so ties keep the
// first in name order and an empty file is never chosen. A file named after the movie file
// (`preferredBaseName`) is taken before any larger one: the poster or text beside a movie file
// that carries its name belongs to it.
QString findLargestFile(
    const QString& folder, const QString& pattern, const QString& preferredBaseName = QString());
