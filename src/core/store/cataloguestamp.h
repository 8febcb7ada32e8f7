#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// What tells whether a catalogue file was written since it was last read, by us or another
// program: the times and sizes of the file and its write-ahead log, and SQLite's own change
// counter in the file's header. File times are coarse (a few milliseconds, whole seconds on some
// file systems) and a write rarely changes the size, so the counter decides where they cannot.
// A catalogue another program put in write-ahead-log mode keeps the counter still, and its log
// keeps its size once it is reused from the start: the log's header, new with each reuse, decides.
struct CatalogueStamp
{
    QDateTime file;
    QDateTime log;
    qint64 size = -1;
    quint32 changes = 0;
    QByteArray logHeader;

    static CatalogueStamp of(const QString& catalogueFile);
    bool operator==(const CatalogueStamp&) const = default;
};
