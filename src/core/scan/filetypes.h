#pragma once

#include "store/records.h"

#include <QList>
#include <QString>

// The movie file types the scan looks for: the rows of MovieFileType whose Selected is exactly
// "Yes", in table order, with Filetype trimmed of blanks. A type without "*" or "?" is an
// extension ("avi" finds *.avi); one with them is a file-name pattern. Names match ignoring
// letter case (MOVIE.RMVB is found by "rmvb").
class FileTypeSet
{
public:
    FileTypeSet() = default;
    static FileTypeSet fromRecords(const QList<FileTypeRecord>& records);

    qsizetype size() const { return types_.size(); }
    bool isEmpty() const { return types_.isEmpty(); }
    // The trimmed Filetype of the i-th selected type.
    QString filetype(qsizetype i) const { return types_.at(i).filetype; }

    // The first type that the file name matches, -1 for none: a file matched by two types is
    // listed once, under the first.
    qsizetype firstMatch(const QString& fileName) const;

private:
    struct Type
    {
        QString filetype;
        QString suffix; // ".avi" for an extension, empty for a pattern
        QString pattern; // case-folded pattern, empty for an extension
    };
    QList<Type> types_;
    bool hasPatterns_ = false;
};

// A wildcard pattern matched against a file name ignoring letter case.
bool fileNameMatches(const QString& fileName, const QString& pattern);
