#pragma once

#include "store/mediatables.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

// What the desktop is asked to open to play a movie from its mounted medium: its one file, or,
// for a movie in parts, a playlist of the parts in order, which players take as one.
namespace PlayTarget {

struct Target
{
    QUrl file; // the file to open, when it is one file whose name the desktop can be given
    QByteArray playlist; // otherwise an M3U playlist (the names as the file system holds them)
    QString missing; // a remembered file not found under the root: nothing is to be opened
};

Target forFiles(const QString& root, QList<MovieFileRecord> files);

} // namespace PlayTarget
