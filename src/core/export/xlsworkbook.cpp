#include "xlsworkbook.h"

#include "compoundfile.h"

#include <QSysInfo>
#include <QtEndian>

namespace {

constexpr int maxRecordBody = 8224;
constexpr quint16 cellXf = 15; // the first XF after the fifteen style XFs
constexpr quint16 codepageUtf16 = 1200;

enum Record : quint16 {
    Bof = 0x0809,
    Eof = 0x000A,
    Codepage = 0x0042,
    Window1 = 0x003D,
    Font = 0x0031,
    Xf = 0x00E0,
    Style = 0x0293,
    BoundSheet = 0x0085,
    Sst = 0x00FC,
    ExtSst = 0x00FF,
    Continue = 0x003C,
    Dimensions = 0x0200,
    Window2 = 0x023E,
    LabelSst = 0x00FD,
    Number = 0x0203,
};

void add16(QByteArray& b, quint16 v)
{
    char raw[2];
    qToLittleEndian(v, raw);
    b.append(raw, 2);
}

void add32(QByteArray& b, quint32 v)
{
    char raw[4];
    qToLittleEndian(v, raw);
    b.append(raw, 4);
}

void addDouble(QByteArray& b, double v)
{
    char raw[8];
    qToLittleEndian(v, raw);
    b.append(raw, 8);
}

void addRecord(QByteArray& out, quint16 type, const QByteArray& body)
{
    add16(out, type);
    add16(out, quint16(body.size()));
    out.append(body);
}

bool fitsOneByte(QStringView text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

// Characters as the flags byte says: one byte each when all fit, else UTF-16LE.
void addChars(QByteArray& b, QStringView text, bool compressed)
{
    if (!compressed && QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        b.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        return;
    }
    for (QChar c : text) {
        if (compressed)
            b.append(char(c.unicode()));
        else
            add16(b, c.unicode());
    }
}

QByteArray bof(quint16 kind)
{
    QByteArray b;
    add16(b, 0x0600);
    add16(b, kind);
    add16(b, 0x0DBB);
    add16(b, 0x07CC);
    add32(b, 0);
    add32(b, 0x00000006);
    return b;
}

QByteArray font()
{
    QByteArray b;
    add16(b, 200); // 10 points
    add16(b, 0);
    add16(b, 0x7FFF);
    add16(b, 400);
    add16(b, 0);
    b.append(4, '\0');
    const QString name = QStringLiteral("Arial");
    b.append(char(name.size()));
    b.append('\0');
    addChars(b, name, true);
    return b;
}

QByteArray xf(bool style)
{
    QByteArray b;
    add16(b, 0);
    add16(b, 0);
    add16(b, style ? 0xFFF5 : 0x0001); // style XFs have no parent; the cell XF hangs on Normal
    b.append(char(0x20)); // bottom aligned
    b.append('\0');
    b.append('\0');
    b.append(char(style ? 0xF4 : 0x00));
    add32(b, 0);
    add32(b, 0);
    add16(b, 0x20C0); // automatic pattern colours
    return b;
}

QByteArray shortName(const QString& name)
{
    QByteArray b;
    const bool compressed = fitsOneByte(name);
    b.append(char(name.size()));
    b.append(char(compressed ? 0 : 1));
    addChars(b, name, compressed);
    return b;
}

} // namespace

void XlsWorkbook::addSheet(const QString& name)
{
    Sheet s;
    qsizetype keep = std::min<qsizetype>(name.size(), 31);
    // Never keep half of a character outside the basic plane.
    if (keep < name.size() && name.at(keep - 1).isHighSurrogate())
        --keep;
    s.name = name.left(keep);
    sheets_.append(s);
}

bool XlsWorkbook::place(int row, int column, quint16 type, quint16 bodySize)
{
    if (sheets_.isEmpty() || row < 0 || row >= maxRows || column < 0 || column >= maxColumns)
        return false;
    Sheet& s = sheets_.last();
    s.rows = std::max(s.rows, row + 1);
    s.columns = std::max(s.columns, column + 1);
    add16(s.cells, type);
    add16(s.cells, bodySize);
    add16(s.cells, quint16(row));
    add16(s.cells, quint16(column));
    add16(s.cells, cellXf);
    return true;
}

bool XlsWorkbook::setNumber(int row, int column, double value)
{
    if (!place(row, column, Number, 14))
        return false;
    addDouble(sheets_.last().cells, value);
    return true;
}

bool XlsWorkbook::setText(int row, int column, QStringView text, bool* cut)
{
    if (cut)
        *cut = false;
    if (text.size() > maxTextLength) {
        qsizetype keep = maxTextLength;
        // Never keep half of a character outside the basic plane.
        if (text.at(keep - 1).isHighSurrogate())
            --keep;
        text = text.left(keep);
        if (cut)
            *cut = true;
    }
    if (!place(row, column, LabelSst, 10))
        return false;
    add32(sheets_.last().cells, stringIndex(text));
    return true;
}

quint32 XlsWorkbook::stringIndex(QStringView text)
{
    ++stringUses_;
    constexpr qsizetype shortText = 64;
    if (text.size() <= shortText) {
        QString key = text.toString();
        const auto it = shortStringIds_.constFind(key);
        if (it != shortStringIds_.constEnd())
            return it.value();
        shortStringIds_.insert(std::move(key), stringCount_);
    }
    const bool compressed = fitsOneByte(text);
    const qsizetype start = strings_.size();
    add16(strings_, quint16(text.size()));
    strings_.append(char(compressed ? 0 : 1));
    addChars(strings_, text, compressed);
    if (text.size() > shortText) {
        // Long texts are found again by a hash of their bytes, so the table holds each once.
        const QByteArrayView bytes(strings_.constData() + start, strings_.size() - start);
        const size_t key = qHash(bytes);
        for (auto it = longStrings_.constFind(key); it != longStrings_.constEnd() && it.key() == key; ++it) {
            const LongString& seen = it.value();
            if (QByteArrayView(strings_.constData() + seen.offset, seen.size) == bytes) {
                strings_.truncate(start);
                return seen.index;
            }
        }
        longStrings_.insert(key, LongString { stringCount_, start, bytes.size() });
    }
    return stringCount_++;
}

// The string table, split into CONTINUE records; each piece of a split string starts again
// with its flags byte, and a string's header never splits. The records' bodies are slices of
// the strings as collected, so the table is never copied. The EXTSST index follows.
QList<QByteArray> XlsWorkbook::sharedStrings(qsizetype streamOffset) const
{
    QList<QByteArray> out;
    qsizetype written = 0;
    const quint32 bucket = std::max<quint32>(8, stringCount_ / 128 + 1);
    QByteArray index;
    add16(index, quint16(bucket));

    quint16 type = Sst;
    QByteArray prefix; // what the body holds before its slice of the strings
    add32(prefix, stringUses_);
    add32(prefix, stringCount_);
    qsizetype sliceStart = 0;
    qsizetype sliceEnd = 0;
    const auto bodySize = [&] { return prefix.size() + (sliceEnd - sliceStart); };
    const auto flush = [&] {
        QByteArray head;
        add16(head, type);
        add16(head, quint16(bodySize()));
        head.append(prefix);
        out << head << QByteArray::fromRawData(strings_.constData() + sliceStart, sliceEnd - sliceStart);
        written += head.size() + (sliceEnd - sliceStart);
        type = Continue;
        prefix.clear();
        sliceStart = sliceEnd;
    };

    const char* data = strings_.constData();
    // Readers decode each record's piece on its own, so a piece never ends between the two
    // halves of a character outside the basic plane.
    const auto endsInsidePair
        = [&](qsizetype end) { return QChar::isHighSurrogate(qFromLittleEndian<quint16>(data + end - 2)); };
    for (quint32 i = 0; i < stringCount_; ++i) {
        const quint16 units = qFromLittleEndian<quint16>(data + sliceEnd);
        const char flags = data[sliceEnd + 2];
        const int charBytes = flags ? 2 : 1;
        const int firstChar = units > 1 && charBytes == 2 && endsInsidePair(sliceEnd + 5) ? 4 : charBytes;
        if (bodySize() + 3 + firstChar > maxRecordBody)
            flush();
        if (i % bucket == 0) {
            add32(index, quint32(streamOffset + written + 4 + bodySize()));
            add16(index, quint16(bodySize() + 4));
            add16(index, 0);
        }
        sliceEnd += 3;
        qsizetype left = qsizetype(units) * charBytes;
        while (left > 0) {
            const qsizetype room = (maxRecordBody - bodySize()) / charBytes * charBytes;
            qsizetype n = std::min(room, left);
            if (n < left && charBytes == 2 && n > 0 && endsInsidePair(sliceEnd + n))
                n -= 2;
            if (n == 0) {
                flush();
                prefix.append(flags);
                continue;
            }
            sliceEnd += n;
            left -= n;
        }
    }
    flush();
    QByteArray tail;
    addRecord(tail, ExtSst, index);
    addRecord(tail, Eof, {});
    out << tail;
    return out;
}

QList<QByteArray> XlsWorkbook::globals(QList<qsizetype>* sheetEntries) const
{
    QByteArray out;
    addRecord(out, Bof, bof(0x0005));
    QByteArray cp;
    add16(cp, codepageUtf16);
    addRecord(out, Codepage, cp);
    QByteArray w1;
    for (quint16 v : { quint16(0), quint16(0), quint16(0x3000), quint16(0x2000), quint16(0x0038), quint16(0),
             quint16(0), quint16(1), quint16(0x0258) })
        add16(w1, v);
    addRecord(out, Window1, w1);
    // Excel wants at least four fonts; the fifth index is never used.
    for (int i = 0; i < 4; ++i)
        addRecord(out, Font, font());
    for (int i = 0; i < 15; ++i)
        addRecord(out, Xf, xf(true));
    addRecord(out, Xf, xf(false));
    QByteArray style;
    add16(style, 0x8000);
    style.append('\0');
    style.append(char(0xFF));
    addRecord(out, Style, style);
    for (qsizetype i = 0; i < sheets_.size(); ++i) {
        QByteArray b;
        sheetEntries->append(out.size() + 4);
        add32(b, 0); // the offset of the sheet's BOF, filled in once the sizes are known
        b.append('\0');
        b.append('\0');
        b.append(shortName(sheets_.at(i).name));
        addRecord(out, BoundSheet, b);
    }
    QList<QByteArray> pieces { out };
    pieces += sharedStrings(out.size());
    return pieces;
}

// The stream in pieces: the globals, then each sheet's head, its cells (shared, not copied)
// and its tail.
QList<QByteArray> XlsWorkbook::streamPieces() const
{
    QList<qsizetype> entries;
    QList<QByteArray> pieces = globals(&entries);
    QByteArray first = pieces.first();
    pieces.first().clear();
    quint64 offset = 0;
    for (const QByteArray& p : pieces)
        offset += quint64(p.size());
    offset += quint64(first.size());
    for (qsizetype i = 0; i < sheets_.size(); ++i) {
        const Sheet& sheet = sheets_.at(i);
        qToLittleEndian(quint32(offset), first.data() + entries.at(i));
        QByteArray head;
        addRecord(head, Bof, bof(0x0010));
        QByteArray dim;
        add32(dim, 0);
        add32(dim, quint32(sheet.rows));
        add16(dim, 0);
        add16(dim, quint16(sheet.columns));
        add16(dim, 0);
        addRecord(head, Dimensions, dim);
        QByteArray tail;
        QByteArray w2;
        add16(w2, i == 0 ? 0x06B6 : 0x00B6); // only the first sheet is selected
        add16(w2, 0);
        add16(w2, 0);
        add16(w2, 0x0040);
        add16(w2, 0);
        add16(w2, 0);
        add16(w2, 0);
        add32(w2, 0);
        addRecord(tail, Window2, w2);
        addRecord(tail, Eof, {});
        offset += quint64(head.size() + sheet.cells.size() + tail.size());
        pieces << head << sheet.cells << tail;
    }
    pieces[0] = first;
    return pieces;
}

QByteArray XlsWorkbook::workbookStream() const
{
    QByteArray out;
    for (const QByteArray& p : streamPieces())
        out.append(p);
    return out;
}

bool XlsWorkbook::save(QIODevice& device, QString* error) const
{
    return CompoundFile::write(device, QStringLiteral("Workbook"), streamPieces(), error);
}
