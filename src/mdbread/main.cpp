// reelshelf-mdbread FILE TABLE...: reads the named tables of an old catalogue (.mdb) and writes
// them on standard output for the program that started it (see legacy/mdbreadprocess.h). It runs
// in a process of its own so that a damaged file can hang or crash libmdb without harm.
#include "legacy/mdbreader.h"
#include "legacy/mdbwire.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <new>

namespace {

// Progress is sent a few times a second, not for every row.
constexpr qint64 progressEveryMs = 200;

int readInto(QFile& out, const QString& path, const QStringList& wanted)
{
    QString error;
    const auto reader = MdbReader::open(path, &error);
    if (!reader)
        return MdbWire::writeFailure(out, error) ? 0 : 1;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    reader->setProgress([&] {
        if (sinceProgress.elapsed() >= progressEveryMs) {
            MdbWire::writeProgress(out);
            sinceProgress.restart();
        }
    });
    const QStringList names = reader->tableNames();
    if (!MdbWire::writeNames(out, names))
        return 1;
    for (const QString& table : wanted) {
        const bool present = std::any_of(names.cbegin(), names.cend(),
            [&](const QString& name) { return name.compare(table, Qt::CaseInsensitive) == 0; });
        if (!present)
            continue;
        const auto read = reader->readTable(table, &error);
        if (!read)
            return MdbWire::writeFailure(out, error) ? 0 : 1;
        if (!MdbWire::writeTable(out, table, *read))
            return 1;
    }
    return MdbWire::writeDone(out) ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fputs("usage: reelshelf-mdbread FILE TABLE...\n", stderr);
        return 2;
    }
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return 1;
    try {
        return readInto(out, args.first(), args.mid(1));
    } catch (const std::bad_alloc&) {
        // The memory limit was reached; the program that started us says so when we end.
        return 3;
    }
}
