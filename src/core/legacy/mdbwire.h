#pragma once

#include "legacysource.h"

#include <QByteArray>
#include <QIODevice>
#include <optional>

// What the .mdb reading helper (reelshelf-mdbread) writes on its standard output, as a sequence
// of frames: a length, a kind and a payload in QDataStream form. Progress frames come while it
// reads, so that the program waiting for it can tell slow reading from a hang.
namespace MdbWire {

enum class Kind : quint8 {
    Progress = 1, // no payload
    Names = 2, // QStringList: the file's tables
    Table = 3, // QString name, QStringList columns, QList<QVariantList> rows
    Failure = 4, // QString: what the user is told
    Done = 5, // no payload; everything asked for was sent
};

struct Frame
{
    Kind kind = Kind::Progress;
    QStringList names;
    QString text; // the table's name, or the failure
    LegacyTable table;
};

// Writes one frame and flushes it; false when the reader of the pipe went away.
bool writeProgress(QIODevice& out);
bool writeNames(QIODevice& out, const QStringList& names);
bool writeTable(QIODevice& out, const QString& name, const LegacyTable& table);
bool writeFailure(QIODevice& out, const QString& message);
bool writeDone(QIODevice& out);

// Collects bytes as they come and hands out whole frames.
class FrameReader
{
public:
    void append(const QByteArray& bytes) { buffer_.append(bytes); }
    // The next whole frame, or nullopt until more bytes come. A frame that cannot be decoded
    // sets `broken`.
    std::optional<Frame> next();
    bool broken() const { return broken_; }
    bool hasPartialFrame() const { return !buffer_.isEmpty(); }

private:
    QByteArray buffer_;
    bool broken_ = false;
};

} // namespace MdbWire
