#include "compoundfile.h"

#include <QIODevice>
#include <QtEndian>
#include <vector>

namespace CompoundFile {

namespace {

constexpr quint32 sectorSize = 512;
constexpr quint32 entriesPerSector = sectorSize / 4;
constexpr quint32 headerDifatEntries = 109;
constexpr quint32 miniStreamCutoff = 4096;
constexpr quint32 freeSect = 0xFFFFFFFF;
constexpr quint32 endOfChain = 0xFFFFFFFE;
constexpr quint32 fatSect = 0xFFFFFFFD;
constexpr quint32 difSect = 0xFFFFFFFC;
constexpr quint32 noStream = 0xFFFFFFFF;

void put16(QByteArray& b, qsizetype at, quint16 v)
{
    qToLittleEndian(v, b.data() + at);
}

void put32(QByteArray& b, qsizetype at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}

quint32 sectorsFor(quint64 bytes)
{
    return quint32((bytes + sectorSize - 1) / sectorSize);
}

// Where everything goes: the stream from sector 0, then the directory, the FAT and the DIFAT.
struct Layout
{
    quint32 streamSectors = 0;
    quint32 directorySector = 0;
    quint32 fatSectors = 0;
    quint32 difatSectors = 0;

    quint32 firstFat() const { return directorySector + 1; }
    quint32 firstDifat() const { return firstFat() + fatSectors; }
    quint32 total() const { return firstDifat() + difatSectors; }
};

Layout layoutFor(quint64 streamBytes)
{
    Layout l;
    l.streamSectors = sectorsFor(streamBytes);
    l.directorySector = l.streamSectors;
    // The FAT must also cover its own sectors and the DIFAT's, so grow until it fits.
    for (;;) {
        const quint32 difat = l.fatSectors > headerDifatEntries
            ? (l.fatSectors - headerDifatEntries + entriesPerSector - 2) / (entriesPerSector - 1)
            : 0;
        const quint32 needed
            = (l.streamSectors + 1 + l.fatSectors + difat + entriesPerSector - 1) / entriesPerSector;
        if (needed <= l.fatSectors && difat == l.difatSectors)
            return l;
        l.fatSectors = std::max(needed, l.fatSectors);
        l.difatSectors = difat;
    }
}

QByteArray header(const Layout& l)
{
    QByteArray h(sectorSize, '\0');
    const char signature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    memcpy(h.data(), signature, 8);
    put16(h, 24, 0x003E);
    put16(h, 26, 0x0003);
    put16(h, 28, 0xFFFE);
    put16(h, 30, 9);
    put16(h, 32, 6);
    put32(h, 44, l.fatSectors);
    put32(h, 48, l.directorySector);
    put32(h, 56, miniStreamCutoff);
    put32(h, 60, endOfChain);
    put32(h, 64, 0);
    put32(h, 68, l.difatSectors ? l.firstDifat() : endOfChain);
    put32(h, 72, l.difatSectors);
    for (quint32 i = 0; i < headerDifatEntries; ++i)
        put32(h, 76 + 4 * i, i < l.fatSectors ? l.firstFat() + i : freeSect);
    return h;
}

void directoryEntry(
    QByteArray& d, int index, const QString& name, quint8 type, quint32 child, quint32 start, quint32 size)
{
    const qsizetype at = index * 128;
    const qsizetype units = std::min<qsizetype>(name.size(), 31);
    for (qsizetype i = 0; i < units; ++i)
        put16(d, at + 2 * i, name.at(i).unicode());
    put16(d, at + 64, name.isEmpty() ? 0 : quint16((units + 1) * 2));
    d[at + 66] = char(type);
    d[at + 67] = char(1); // black: a tree of one node is trivially balanced
    put32(d, at + 68, noStream);
    put32(d, at + 72, noStream);
    put32(d, at + 76, child);
    put32(d, at + 116, start);
    put32(d, at + 120, size);
}

QByteArray directory(const QString& streamName, quint32 streamBytes)
{
    QByteArray d(sectorSize, '\0');
    directoryEntry(d, 0, QStringLiteral("Root Entry"), 5, 1, endOfChain, 0);
    directoryEntry(d, 1, streamName, 2, noStream, 0, streamBytes);
    for (int i = 2; i < 4; ++i) {
        directoryEntry(d, i, QString(), 0, noStream, 0, 0);
        d[i * 128 + 67] = 0;
    }
    return d;
}

QByteArray fat(const Layout& l)
{
    QByteArray f(qsizetype(l.fatSectors) * sectorSize, '\xFF');
    quint32 n = 0;
    auto set = [&](quint32 value) { put32(f, 4 * qsizetype(n++), value); };
    for (quint32 i = 0; i < l.streamSectors; ++i)
        set(i + 1 == l.streamSectors ? endOfChain : i + 1);
    set(endOfChain); // the directory is one sector
    for (quint32 i = 0; i < l.fatSectors; ++i)
        set(fatSect);
    for (quint32 i = 0; i < l.difatSectors; ++i)
        set(difSect);
    return f;
}

QByteArray difat(const Layout& l)
{
    QByteArray d(qsizetype(l.difatSectors) * sectorSize, '\xFF');
    quint32 fatIndex = headerDifatEntries;
    for (quint32 s = 0; s < l.difatSectors; ++s) {
        const qsizetype base = qsizetype(s) * sectorSize;
        for (quint32 i = 0; i < entriesPerSector - 1 && fatIndex < l.fatSectors; ++i, ++fatIndex)
            put32(d, base + 4 * i, l.firstFat() + fatIndex);
        put32(d, base + sectorSize - 4, s + 1 < l.difatSectors ? l.firstDifat() + s + 1 : endOfChain);
    }
    return d;
}

bool writeAll(QIODevice& device, const char* data, qint64 size, QString* error)
{
    if (device.write(data, size) == size)
        return true;
    if (error)
        *error = device.errorString();
    return false;
}

} // namespace

bool write(QIODevice& device, const QString& streamName, const QByteArray& stream, QString* error)
{
    return write(device, streamName, QList<QByteArray> { stream }, error);
}

bool write(QIODevice& device, const QString& streamName, const QList<QByteArray>& pieces, QString* error)
{
    quint64 size = 0;
    for (const QByteArray& p : pieces)
        size += quint64(p.size());
    const quint64 padded = std::max<quint64>(size, miniStreamCutoff);
    if (padded > 0xFFFFFFFFull) {
        if (error)
            *error = QStringLiteral("stream too large");
        return false;
    }
    const Layout l = layoutFor(padded);
    QList<QByteArray> parts { header(l) };
    parts += pieces;
    parts += { QByteArray(qsizetype(quint64(l.streamSectors) * sectorSize - size), '\0'),
        directory(streamName, quint32(padded)), fat(l), difat(l) };
    for (const QByteArray& p : parts) {
        if (!writeAll(device, p.constData(), p.size(), error))
            return false;
    }
    return true;
}

} // namespace CompoundFile
