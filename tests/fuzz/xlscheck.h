#pragma once

// A structural check of an Excel 97-2003 workbook file, written from the published descriptions of
// the compound file binary format and of the BIFF8 records, for the tests and the fuzz targets: a
// reader that trusts nothing, so that a fault of the writer shows as a named problem, not as a
// file some other program misreads. It reads back the sheets' names and cells as well, so that a
// caller can compare them with what it wrote. Only what a plain workbook of numbers and shared
// strings holds is understood; anything else is reported.
#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QtEndian>
#include <optional>

namespace XlsCheck {

struct Cell
{
    int row = 0;
    int column = 0;
    QVariant value; // a double or a QString
};

struct Sheet
{
    QString name;
    QList<Cell> cells; // in stored order
};

struct Workbook
{
    QList<Sheet> sheets;
};

namespace Detail {

constexpr quint32 freeSect = 0xFFFFFFFF;
constexpr quint32 endOfChain = 0xFFFFFFFE;
constexpr quint32 fatSect = 0xFFFFFFFD;
constexpr quint32 difSect = 0xFFFFFFFC;
constexpr quint32 noStream = 0xFFFFFFFF;
constexpr quint32 sectorSize = 512;
constexpr quint32 miniStreamCutoff = 4096;
constexpr int maxRecordBody = 8224;

inline quint16 u16(const QByteArray& b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

inline quint32 u32(const QByteArray& b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

// The compound file: the bytes of the one stream named `name` in the root storage.
class Compound
{
public:
    explicit Compound(const QByteArray& file)
        : file_(file)
    {
    }

    std::optional<QString> stream(const QString& name, QByteArray* out)
    {
        if (auto p = readHeader())
            return p;
        if (auto p = readFat())
            return p;
        QList<quint32> dirChain;
        if (auto p = chain(u32(file_, 48), &dirChain, QStringLiteral("directory")))
            return p;
        QByteArray dir;
        for (quint32 s : dirChain)
            dir += sector(s);
        return findStream(dir, name, out);
    }

private:
    QByteArray sector(quint32 s) const { return file_.mid(qsizetype(s + 1) * sectorSize, sectorSize); }

    std::optional<QString> readHeader()
    {
        if (file_.size() < qsizetype(sectorSize) || file_.size() % sectorSize != 0)
            return QStringLiteral("file size %1 is not a whole number of 512-byte sectors").arg(file_.size());
        if (!file_.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)))
            return QStringLiteral("no compound file signature");
        for (int i = 8; i < 24; ++i)
            if (file_[i] != 0)
                return QStringLiteral("header CLSID is not zero");
        if (u16(file_, 24) != 0x003E || u16(file_, 26) != 3)
            return QStringLiteral("not a version 3 compound file");
        if (u16(file_, 28) != 0xFFFE)
            return QStringLiteral("byte order mark is not FFFE");
        if (u16(file_, 30) != 9 || u16(file_, 32) != 6)
            return QStringLiteral("sector shift 9 and mini sector shift 6 expected");
        for (int i = 34; i < 44; ++i)
            if (file_[i] != 0)
                return QStringLiteral("reserved header bytes or directory sector count are not zero");
        if (u32(file_, 52) != 0)
            return QStringLiteral("transaction signature is not zero");
        if (u32(file_, 56) != miniStreamCutoff)
            return QStringLiteral("mini stream cutoff is not 4096");
        sectors_ = quint32(file_.size() / sectorSize - 1);
        fatSectors_ = u32(file_, 44);
        return std::nullopt;
    }

    // The FAT's sectors from the header's 109 entries and the DIFAT chain, then the FAT itself.
    std::optional<QString> readFat()
    {
        QList<quint32> fatList;
        for (quint32 i = 0; i < 109; ++i) {
            const quint32 s = u32(file_, 76 + 4 * i);
            if (i < fatSectors_)
                fatList << s;
            else if (s != freeSect)
                return QStringLiteral("header DIFAT entry %1 is used past the FAT sector count").arg(i);
        }
        quint32 difat = u32(file_, 68);
        const quint32 difatCount = u32(file_, 72);
        QList<quint32> difatSectors;
        for (quint32 n = 0; n < difatCount; ++n) {
            if (difat >= sectors_)
                return QStringLiteral("DIFAT sector %1 lies outside the file").arg(difat);
            if (difatSectors.contains(difat))
                return QStringLiteral("DIFAT chain comes back to sector %1").arg(difat);
            difatSectors << difat;
            const QByteArray d = sector(difat);
            for (quint32 i = 0; i < sectorSize / 4 - 1; ++i) {
                const quint32 s = u32(d, 4 * i);
                if (quint32(fatList.size()) < fatSectors_)
                    fatList << s;
                else if (s != freeSect)
                    return QStringLiteral("DIFAT entry past the FAT sector count is used");
            }
            difat = u32(d, sectorSize - 4);
        }
        if (difat != endOfChain && !(difatCount == 0 && difat == freeSect))
            return QStringLiteral("DIFAT chain does not end where its count says");
        if (quint32(fatList.size()) != fatSectors_)
            return QStringLiteral("FAT sector count %1, %2 listed").arg(fatSectors_).arg(fatList.size());
        for (quint32 s : fatList) {
            if (s >= sectors_)
                return QStringLiteral("FAT sector %1 lies outside the file").arg(s);
            fat_ += sector(s);
        }
        if (quint64(fat_.size()) / 4 < sectors_)
            return QStringLiteral("FAT has %1 entries for %2 sectors").arg(fat_.size() / 4).arg(sectors_);
        used_ = QList<bool>(qsizetype(sectors_), false);
        for (quint32 s : fatList) {
            if (entry(s) != fatSect)
                return QStringLiteral("FAT sector %1 is not marked as such").arg(s);
            if (used_[s])
                return QStringLiteral("sector %1 listed twice").arg(s);
            used_[s] = true;
        }
        for (quint32 s : difatSectors) {
            if (entry(s) != difSect)
                return QStringLiteral("DIFAT sector %1 is not marked as such").arg(s);
            if (used_[s])
                return QStringLiteral("sector %1 listed twice").arg(s);
            used_[s] = true;
        }
        for (quint32 s = sectors_; s < quint32(fat_.size() / 4); ++s)
            if (entry(s) != freeSect)
                return QStringLiteral("FAT entry %1 past the file's end is not free").arg(s);
        return std::nullopt;
    }

    quint32 entry(quint32 s) const { return u32(fat_, qsizetype(s) * 4); }

    std::optional<QString> chain(quint32 start, QList<quint32>* out, const QString& what)
    {
        for (quint32 s = start; s != endOfChain; s = entry(s)) {
            if (s >= sectors_)
                return QStringLiteral("%1 chain leaves the file at %2").arg(what).arg(s);
            if (used_[s])
                return QStringLiteral("%1 chain meets sector %2 already in use").arg(what).arg(s);
            used_[s] = true;
            *out << s;
        }
        return std::nullopt;
    }

    std::optional<QString> findStream(const QByteArray& dir, const QString& name, QByteArray* out)
    {
        const qsizetype count = dir.size() / 128;
        if (count == 0 || quint8(dir[66]) != 5)
            return QStringLiteral("the first directory entry is not the root");
        std::optional<qsizetype> found;
        QSet<qsizetype> seen;
        QList<quint32> walk { u32(dir, 76) };
        while (!walk.isEmpty()) {
            const quint32 i = walk.takeLast();
            if (i == noStream)
                continue;
            if (i == 0 || i >= quint32(count) || seen.contains(i))
                return QStringLiteral("directory tree is broken at entry %1").arg(i);
            seen.insert(i);
            const qsizetype at = qsizetype(i) * 128;
            const quint8 type = quint8(dir[at + 66]);
            const quint8 colour = quint8(dir[at + 67]);
            const quint16 nameBytes = u16(dir, at + 64);
            if ((type != 1 && type != 2) || colour > 1)
                return QStringLiteral("directory entry %1 has type %2, colour %3")
                    .arg(i)
                    .arg(type)
                    .arg(colour);
            if (nameBytes < 2 || nameBytes > 64 || nameBytes % 2 || u16(dir, at + nameBytes - 2) != 0)
                return QStringLiteral("directory entry %1 has a bad name length").arg(i);
            const QString entryName = QString::fromUtf16(
                reinterpret_cast<const char16_t*>(dir.constData() + at), nameBytes / 2 - 1);
            if (entryName.compare(name, Qt::CaseInsensitive) == 0 && type == 2)
                found = at;
            walk << u32(dir, at + 68) << u32(dir, at + 72);
            if (type == 1)
                walk << u32(dir, at + 76);
        }
        for (qsizetype i = 1; i < count; ++i)
            if (!seen.contains(i) && quint8(dir[i * 128 + 66]) != 0)
                return QStringLiteral("directory entry %1 is not in the tree").arg(i);
        if (!found)
            return QStringLiteral("no stream named %1").arg(name);
        const qsizetype at = *found;
        const quint32 size = u32(dir, at + 120);
        if (u32(dir, at + 124) != 0)
            return QStringLiteral("stream size over 4 GB in a version 3 file");
        if (size < miniStreamCutoff)
            return QStringLiteral("stream below the cutoff would be in the mini stream");
        if (u32(dir, 116) != endOfChain || u32(dir, 120) != 0)
            return QStringLiteral("root holds a mini stream that nothing uses");
        QList<quint32> sectors;
        if (auto p = chain(u32(dir, at + 116), &sectors, QStringLiteral("stream")))
            return p;
        if (quint64(sectors.size()) != (quint64(size) + sectorSize - 1) / sectorSize)
            return QStringLiteral("stream of %1 bytes has %2 sectors").arg(size).arg(sectors.size());
        out->clear();
        out->reserve(qsizetype(sectors.size()) * sectorSize);
        for (quint32 s : sectors)
            out->append(sector(s));
        out->truncate(size);
        for (quint32 s = 0; s < sectors_; ++s)
            if (!used_[s] && entry(s) != freeSect)
                return QStringLiteral("sector %1 belongs to no chain yet is not free").arg(s);
        return std::nullopt;
    }

    const QByteArray& file_;
    quint32 sectors_ = 0;
    quint32 fatSectors_ = 0;
    QByteArray fat_;
    QList<bool> used_;
};

struct Record
{
    quint16 type = 0;
    qsizetype start = 0; // of its header, in the stream
    QByteArray body;
};

// The records of a substream from `at` to its EOF.
inline std::optional<QString> substream(const QByteArray& s, qsizetype at, QList<Record>* out)
{
    for (;;) {
        if (at < 0 || at + 4 > s.size())
            return QStringLiteral("record header at %1 past the stream's end").arg(at);
        Record r;
        r.type = u16(s, at);
        const quint16 size = u16(s, at + 2);
        if (size > maxRecordBody)
            return QStringLiteral("record %1 at %2 is %3 bytes long").arg(r.type, 0, 16).arg(at).arg(size);
        if (at + 4 + size > s.size())
            return QStringLiteral("record at %1 runs past the stream's end").arg(at);
        r.start = at;
        r.body = s.mid(at + 4, size);
        at += 4 + size;
        out->append(r);
        if (r.type == 0x000A)
            return std::nullopt;
    }
}

// Characters of one piece of a string: `count` of them, one byte or two each.
inline std::optional<QString> chars(
    const QByteArray& body, qsizetype& at, qsizetype count, bool wide, QString* out)
{
    const qsizetype bytes = count * (wide ? 2 : 1);
    if (at + bytes > body.size())
        return QStringLiteral("string characters run past their record");
    if (wide) {
        const QString piece
            = QString::fromUtf16(reinterpret_cast<const char16_t*>(body.constData() + at), count);
        // Readers decode each record's piece on its own.
        if (!piece.isEmpty() && (piece.back().isHighSurrogate() || piece.front().isLowSurrogate()))
            return QStringLiteral("a record ends between the two halves of a character");
        *out += piece;
    } else {
        for (qsizetype i = 0; i < count; ++i)
            *out += QChar(quint8(body[at + i]));
    }
    at += bytes;
    return std::nullopt;
}

// The shared string table: the SST record and its CONTINUE records, as one list of strings, with
// the stream position of each string's start.
inline std::optional<QString> sharedStrings(const QList<Record>& records, qsizetype first,
    QStringList* strings, QList<qsizetype>* starts, quint32* total)
{
    QList<const Record*> parts { &records[first] };
    for (qsizetype i = first + 1; i < records.size() && records[i].type == 0x003C; ++i)
        parts << &records[i];
    const QByteArray& head = parts[0]->body;
    if (head.size() < 8)
        return QStringLiteral("SST record too short");
    *total = u32(head, 0);
    const quint32 unique = u32(head, 4);
    qsizetype part = 0;
    qsizetype at = 8;
    for (quint32 n = 0; n < unique; ++n) {
        if (at == parts[part]->body.size()) {
            if (++part >= parts.size())
                return QStringLiteral("SST holds %1 of the %2 strings it counts").arg(n).arg(unique);
            at = 0;
        }
        const QByteArray* body = &parts[part]->body;
        if (at + 3 > body->size())
            return QStringLiteral("string %1's header splits between records").arg(n);
        starts->append(parts[part]->start + 4 + at);
        qsizetype left = u16(*body, at);
        const quint8 flags = quint8((*body)[at + 2]);
        at += 3;
        if (flags & ~0x0Du)
            return QStringLiteral("string %1 has unknown flags %2").arg(n).arg(flags);
        if (flags & 0x0C)
            return QStringLiteral("string %1 is rich or extended, which this writer never makes").arg(n);
        bool wide = flags & 1;
        QString text;
        for (;;) {
            const qsizetype fit = std::min<qsizetype>(left, (body->size() - at) / (wide ? 2 : 1));
            if (auto p = chars(*body, at, fit, wide, &text))
                return QStringLiteral("string %1 of %2 characters, piece at %3 of record %4: %5")
                    .arg(n)
                    .arg(text.size() + left)
                    .arg(at)
                    .arg(part)
                    .arg(*p);
            left -= fit;
            if (left == 0)
                break;
            if (at != body->size())
                return QStringLiteral("string %1 leaves half a character in its record").arg(n);
            if (++part >= parts.size())
                return QStringLiteral("string %1 runs past the string table").arg(n);
            body = &parts[part]->body;
            at = 0;
            if (body->isEmpty() || (quint8((*body)[0]) & ~1u))
                return QStringLiteral("CONTINUE of string %1 lacks its flags byte").arg(n);
            wide = quint8((*body)[0]) & 1;
            at = 1;
        }
        strings->append(text);
    }
    if (part != parts.size() - 1 || at != parts[part]->body.size())
        return QStringLiteral("SST holds more than the %1 strings it counts").arg(unique);
    return std::nullopt;
}

inline std::optional<QString> checkExtSst(
    const Record& r, const QList<qsizetype>& starts, const QList<Record>& records)
{
    if (r.body.size() < 2)
        return QStringLiteral("EXTSST too short");
    const quint16 bucket = u16(r.body, 0);
    if (bucket < 8)
        return QStringLiteral("EXTSST bucket size %1 below 8").arg(bucket);
    const qsizetype entries = (starts.size() + bucket - 1) / bucket;
    if (r.body.size() != 2 + 8 * entries)
        return QStringLiteral("EXTSST has %1 bytes for %2 entries").arg(r.body.size()).arg(entries);
    for (qsizetype i = 0; i < entries; ++i) {
        const qsizetype position = u32(r.body, 2 + 8 * i);
        const qsizetype offset = u16(r.body, 6 + 8 * i);
        const qsizetype expected = starts[i * bucket];
        qsizetype recordStart = -1;
        for (const Record& rec : records)
            if (rec.start <= expected && expected < rec.start + 4 + rec.body.size())
                recordStart = rec.start;
        if (position != expected || offset != expected - recordStart)
            return QStringLiteral("EXTSST entry %1 points at %2+%3, the string is at %4")
                .arg(i)
                .arg(position)
                .arg(offset)
                .arg(expected);
    }
    return std::nullopt;
}

inline bool isBof(const Record& r, quint16 kind)
{
    return r.type == 0x0809 && r.body.size() >= 16 && u16(r.body, 0) == 0x0600 && u16(r.body, 2) == kind;
}

inline std::optional<QString> sheetName(const QByteArray& body, QString* name)
{
    if (body.size() < 8)
        return QStringLiteral("BOUNDSHEET too short");
    if (quint8(body[4]) > 2 || body[5] != 0)
        return QStringLiteral("BOUNDSHEET of a hidden state or kind not a worksheet");
    const qsizetype count = quint8(body[6]);
    const quint8 flags = quint8(body[7]);
    if (count < 1 || count > 31)
        return QStringLiteral("sheet name of %1 characters").arg(count);
    if (flags & ~1u)
        return QStringLiteral("sheet name flags %1").arg(flags);
    qsizetype at = 8;
    if (auto p = chars(body, at, count, flags & 1, name))
        return p;
    if (at != body.size())
        return QStringLiteral("BOUNDSHEET longer than its name");
    for (QChar c : *name)
        if (QStringLiteral("[]:*?/\\").contains(c))
            return QStringLiteral("sheet name %1 holds a character Excel refuses").arg(*name);
    return std::nullopt;
}

inline std::optional<QString> readSheet(const QByteArray& stream, qsizetype at, const QStringList& strings,
    int xfCount, Sheet* sheet, quint32* uses)
{
    QList<Record> records;
    if (auto p = substream(stream, at, &records))
        return p;
    if (!isBof(records[0], 0x0010))
        return QStringLiteral("sheet %1 does not begin with a worksheet BOF").arg(sheet->name);
    std::optional<std::array<quint32, 4>> dimensions;
    int lastRow = -1;
    int lastColumn = -1;
    for (qsizetype i = 1; i + 1 < records.size(); ++i) {
        const Record& r = records[i];
        if (r.type == 0x0200) {
            if (r.body.size() != 14 || dimensions)
                return QStringLiteral("DIMENSIONS of sheet %1 malformed").arg(sheet->name);
            dimensions
                = std::array<quint32, 4> { u32(r.body, 0), u32(r.body, 4), u16(r.body, 8), u16(r.body, 10) };
            continue;
        }
        if (r.type != 0x00FD && r.type != 0x0203)
            continue;
        if (!dimensions)
            return QStringLiteral("a cell of sheet %1 comes before its DIMENSIONS").arg(sheet->name);
        if (r.body.size() != (r.type == 0x00FD ? 10 : 14))
            return QStringLiteral("cell record of %1 bytes").arg(r.body.size());
        const int row = u16(r.body, 0);
        const int column = u16(r.body, 2);
        if (u16(r.body, 4) >= xfCount)
            return QStringLiteral("cell uses XF %1 of %2").arg(u16(r.body, 4)).arg(xfCount);
        if (column > 255)
            return QStringLiteral("cell in column %1").arg(column);
        if (row < lastRow || (row == lastRow && column <= lastColumn))
            return QStringLiteral("cell %1,%2 out of order in sheet %3")
                .arg(row)
                .arg(column)
                .arg(sheet->name);
        lastRow = row;
        lastColumn = column;
        const auto& d = *dimensions;
        if (quint32(row) < d[0] || quint32(row) >= d[1] || quint32(column) < d[2] || quint32(column) >= d[3])
            return QStringLiteral("cell %1,%2 outside the sheet's DIMENSIONS").arg(row).arg(column);
        Cell cell { row, column, {} };
        if (r.type == 0x00FD) {
            const quint32 index = u32(r.body, 6);
            if (index >= quint32(strings.size()))
                return QStringLiteral("cell refers to string %1 of %2").arg(index).arg(strings.size());
            cell.value = strings[index];
            ++*uses;
        } else {
            cell.value = qFromLittleEndian<double>(r.body.constData() + 6);
        }
        sheet->cells << cell;
    }
    if (!dimensions)
        return QStringLiteral("sheet %1 has no DIMENSIONS").arg(sheet->name);
    if (!sheet->cells.isEmpty() && (dimensions->at(1) != quint32(lastRow + 1)))
        return QStringLiteral("DIMENSIONS of sheet %1 do not end at its last row").arg(sheet->name);
    return std::nullopt;
}

inline std::optional<QString> readWorkbookStream(const QByteArray& stream, Workbook* book)
{
    QList<Record> globals;
    if (auto p = substream(stream, 0, &globals))
        return p;
    if (!isBof(globals[0], 0x0005))
        return QStringLiteral("the stream does not begin with a workbook globals BOF");
    QStringList strings;
    QList<qsizetype> starts;
    quint32 total = 0;
    bool haveSst = false;
    int xfCount = 0;
    QList<std::pair<qsizetype, QString>> bound;
    for (qsizetype i = 1; i < globals.size(); ++i) {
        const Record& r = globals[i];
        if (r.type == 0x00E0)
            ++xfCount;
        if (r.type == 0x0085) {
            QString name;
            if (auto p = sheetName(r.body, &name))
                return p;
            bound.append({ u32(r.body, 0), name });
        }
        if (r.type == 0x00FC) {
            if (haveSst)
                return QStringLiteral("two SST records");
            haveSst = true;
            if (auto p = sharedStrings(globals, i, &strings, &starts, &total))
                return p;
        }
        if (r.type == 0x00FF) {
            if (!haveSst)
                return QStringLiteral("EXTSST without an SST");
            if (auto p = checkExtSst(r, starts, globals))
                return p;
        }
        if (r.type == 0x003C && globals[i - 1].type != 0x00FC && globals[i - 1].type != 0x003C)
            return QStringLiteral("a CONTINUE record follows nothing that continues");
    }
    if (bound.isEmpty())
        return QStringLiteral("no worksheet");
    qsizetype end = globals.last().start + 4;
    quint32 uses = 0;
    QSet<QString> names;
    for (const auto& [offset, name] : bound) {
        if (offset != end)
            return QStringLiteral("sheet %1 is said to start at %2, the stream goes on at %3")
                .arg(name)
                .arg(offset)
                .arg(end);
        if (names.contains(name.toCaseFolded()))
            return QStringLiteral("two sheets named %1").arg(name);
        names.insert(name.toCaseFolded());
        Sheet sheet;
        sheet.name = name;
        if (auto p = readSheet(stream, offset, strings, xfCount, &sheet, &uses))
            return p;
        QList<Record> records;
        substream(stream, offset, &records);
        end = records.last().start + 4;
        book->sheets << sheet;
    }
    if (haveSst && uses != total)
        return QStringLiteral("SST counts %1 uses, the cells make %2").arg(total).arg(uses);
    for (qsizetype i = end; i < stream.size(); ++i)
        if (stream[i] != 0)
            return QStringLiteral("bytes after the last sheet that are not padding");
    return std::nullopt;
}

} // namespace Detail

// The problem with `file`, or nothing when it is sound, with what it holds in *book.
inline std::optional<QString> problem(const QByteArray& file, Workbook* book)
{
    Detail::Compound compound(file);
    QByteArray stream;
    if (auto p = compound.stream(QStringLiteral("Workbook"), &stream))
        return p;
    *book = {};
    return Detail::readWorkbookStream(stream, book);
}

} // namespace XlsCheck
