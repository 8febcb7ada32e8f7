#include "xlsworkbook.h"

#include "compoundfile.h"

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
    s.name = name.left(31);
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
    const QString key = text.toString();
    auto it = stringIds_.constFind(key);
    if (it != stringIds_.constEnd())
        return it.value();
    const quint32 id = quint32(strings_.size());
    stringIds_.insert(key, id);
    strings_.append(key);
    return id;
}

// The string table, split into CONTINUE records; each piece of a split string starts again
// with its flags byte, and a string's header never splits. The EXTSST index follows.
QByteArray XlsWorkbook::sharedStrings(qsizetype streamOffset) const
{
    QByteArray out;
    QByteArray body;
    quint16 type = Sst;
    const qsizetype unique = strings_.size();
    const quint16 bucket = quint16(std::max<qsizetype>(8, unique / 128 + 1));
    QByteArray index;
    add16(index, bucket);
    auto flush = [&] {
        addRecord(out, type, body);
        body.clear();
        type = Continue;
    };
    add32(body, stringUses_);
    add32(body, quint32(unique));
    for (qsizetype i = 0; i < unique; ++i) {
        const QString& text = strings_.at(i);
        const bool compressed = fitsOneByte(text);
        const int charBytes = compressed ? 1 : 2;
        if (body.size() + 3 + charBytes > maxRecordBody)
            flush();
        if (i % bucket == 0) {
            add32(index, quint32(streamOffset + out.size() + 4 + body.size()));
            add16(index, quint16(body.size() + 4));
            add16(index, 0);
        }
        add16(body, quint16(text.size()));
        body.append(char(compressed ? 0 : 1));
        qsizetype done = 0;
        while (done < text.size()) {
            qsizetype room = (maxRecordBody - body.size()) / charBytes;
            if (room == 0) {
                flush();
                body.append(char(compressed ? 0 : 1));
                room = (maxRecordBody - body.size()) / charBytes;
            }
            const qsizetype n = std::min(room, text.size() - done);
            addChars(body, QStringView(text).mid(done, n), compressed);
            done += n;
        }
    }
    flush();
    addRecord(out, ExtSst, index);
    return out;
}

QByteArray XlsWorkbook::globals(const QList<quint32>& sheetOffsets) const
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
        add32(b, i < sheetOffsets.size() ? sheetOffsets.at(i) : 0);
        b.append('\0');
        b.append('\0');
        b.append(shortName(sheets_.at(i).name));
        addRecord(out, BoundSheet, b);
    }
    out.append(sharedStrings(out.size()));
    addRecord(out, Eof, {});
    return out;
}

QByteArray XlsWorkbook::sheetStream(const Sheet& sheet, bool first)
{
    QByteArray out;
    addRecord(out, Bof, bof(0x0010));
    QByteArray dim;
    add32(dim, 0);
    add32(dim, quint32(sheet.rows));
    add16(dim, 0);
    add16(dim, quint16(sheet.columns));
    add16(dim, 0);
    addRecord(out, Dimensions, dim);
    out.append(sheet.cells);
    QByteArray w2;
    add16(w2, first ? 0x06B6 : 0x00B6); // only the first sheet is selected
    add16(w2, 0);
    add16(w2, 0);
    add16(w2, 0x0040);
    add16(w2, 0);
    add16(w2, 0);
    add16(w2, 0);
    add32(w2, 0);
    addRecord(out, Window2, w2);
    addRecord(out, Eof, {});
    return out;
}

QByteArray XlsWorkbook::workbookStream() const
{
    // The globals' size does not depend on the offsets they hold, so measure once and patch.
    QList<quint32> offsets(sheets_.size(), 0);
    QByteArray out = globals(offsets);
    QList<QByteArray> sheets;
    for (qsizetype i = 0; i < sheets_.size(); ++i) {
        offsets[i] = quint32(out.size());
        for (qsizetype j = 0; j < i; ++j)
            offsets[i] += quint32(sheets.at(j).size());
        sheets.append(sheetStream(sheets_.at(i), i == 0));
    }
    out = globals(offsets);
    for (const QByteArray& s : sheets)
        out.append(s);
    return out;
}

bool XlsWorkbook::save(QIODevice& device, QString* error) const
{
    return CompoundFile::write(device, QStringLiteral("Workbook"), workbookStream(), error);
}
