// Bytes as the .mdb reading helper's output, in pieces as a pipe hands them out: the frame reader
// gives frames, waits for more, or calls the stream broken; never a crash or a runaway allocation.
// Every frame it gives, written again, reads back the same.
#include "legacy/mdbwire.h"
#include "fuzztarget.h"
#include "legacytables.h"

#include <QBuffer>

namespace {

bool writeAgain(QIODevice& out, const MdbWire::Frame& frame)
{
    switch (frame.kind) {
    case MdbWire::Kind::Progress:
        return MdbWire::writeProgress(out);
    case MdbWire::Kind::Names:
        return MdbWire::writeNames(out, frame.names);
    case MdbWire::Kind::Table:
        return MdbWire::writeTable(out, frame.text, frame.table);
    case MdbWire::Kind::Failure:
        return MdbWire::writeFailure(out, frame.text);
    case MdbWire::Kind::Done:
        return MdbWire::writeDone(out);
    }
    return false;
}

MdbWire::Frame rewritten(const MdbWire::Frame& frame)
{
    QByteArray bytes;
    {
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        FUZZ_REQUIRE(writeAgain(out, frame));
    }
    MdbWire::FrameReader again;
    again.append(bytes);
    const auto read = again.next();
    FUZZ_REQUIRE(read && !again.hasPartialFrame());
    return *read;
}

// Names, texts and the tables' shapes cross unchanged. Qt may settle an odd date and time (one in
// a summer-time gap, say) on its first reading, so the values are compared from the second on.
void checkRewritten(const MdbWire::Frame& frame)
{
    const MdbWire::Frame once = rewritten(frame);
    FUZZ_REQUIRE(once.kind == frame.kind && once.names == frame.names && once.text == frame.text);
    FUZZ_REQUIRE(
        once.table.columns == frame.table.columns && once.table.rows.size() == frame.table.rows.size());
    for (qsizetype r = 0; r < once.table.rows.size(); ++r)
        FUZZ_REQUIRE(once.table.rows[r].size() == frame.table.rows[r].size());
    const MdbWire::Frame twice = rewritten(once);
    FUZZ_REQUIRE(FuzzSupport::sameTable(twice.table, once.table));
}

} // namespace

REELSHELF_FUZZ_TARGET(mdbwire)
{
    FuzzSupport::Input input(data, size);
    const qsizetype piece = 1 + input.byte();
    const QByteArray bytes = input.rest();
    MdbWire::FrameReader reader;
    qsizetype frames = 0;
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        reader.append(bytes.mid(at, piece));
        while (const auto frame = reader.next()) {
            ++frames;
            checkRewritten(*frame);
        }
    }
    // Each frame needs at least its five-byte header.
    FUZZ_REQUIRE(frames * 5 <= bytes.size());
    // A broken stream stays broken.
    if (reader.broken())
        FUZZ_REQUIRE(!reader.next());
    return 0;
}
