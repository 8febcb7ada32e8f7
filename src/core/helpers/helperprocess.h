#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>

#include <sys/resource.h>

class QProcess;

// Our helper programs (reelshelf-mdbread, reelshelf-probe) read files that may be damaged with
// libraries that trust them; they run in processes of their own under limits, so that a file that
// hangs, eats memory or crashes the library costs a message, never the program.
namespace HelperProcess {

// Where helper `name` is: `built` for a program run from its build folder `buildRoot`, the
// installed one at `fromBin` (relative to the program's folder) for an installed program, else
// next to the program.
QString locate(const QString& name, const QString& built, const QString& buildRoot, const QString& fromBin);

// A limit no higher than the hard limit this process already has.
rlim_t lowered(int resource, rlim_t wanted);

// How the helper's memory is bounded. Our own helper built with AddressSanitizer reserves terabytes
// of address space for its shadow at start and cannot live under an address-space limit; there the
// sanitizer's allocator keeps the bound.
enum class MemoryBound { AddressSpace, SanitizerRss };
// The bound for a helper: `ownHelper` false for a program a test put in its place.
MemoryBound memoryBound(bool ownHelper);

// Starts the helper with its limits: memory and processor time, and no life beyond the thread
// that started it (a program killed while it reads takes its helper along). Its standard error
// goes nowhere: the user gets our messages, not a library's English.
void start(QProcess& helper, const QString& program, const QStringList& args, QIODevice::OpenMode mode,
    MemoryBound bound, rlim_t memory, rlim_t cpu);

} // namespace HelperProcess
