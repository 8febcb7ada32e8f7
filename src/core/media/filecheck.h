#pragma once

#include <QByteArray>
#include <atomic>
#include <functional>

// The check of one remembered file of a disc: read in full, at the drive's own speed, its content
// hashed with XXH3-128. A read error does not end the check: it goes on past the bad part to the
// end, so that the first unreadable offset is known and the rest of the disc is still checked.
namespace FileCheck {

struct Outcome
{
    enum Status { Ok, Missing, Changed, Unreadable, Stopped };
    Status status = Ok;
    qint64 offset = -1; // the first byte that could not be read (Unreadable)
    QByteArray hash; // hex of XXH3-128 of the whole content; empty unless read to its end
    qint64 bytesRead = 0;
    int error = 0; // errno of the first failure
};

// `knownHash`: the hash of the disc's first check, empty at that check. `stop` ends the reading at
// the next piece; `progress` gets the bytes read since its last call.
Outcome check(const QByteArray& rawPath, qint64 rememberedSize, const QByteArray& knownHash,
    const std::atomic<bool>* stop = nullptr, const std::function<void(qint64 bytes)>& progress = {});

// The hash of a whole byte string, as check() takes it of a file.
QByteArray hashOf(const QByteArray& bytes);

} // namespace FileCheck
