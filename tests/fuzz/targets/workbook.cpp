// Sheets of text and number cells as the input says, written as an Excel 97-2003 workbook: the file
// must pass the structural check (xlscheck.h) and hold exactly the sheets and cells written, texts
// cut to 32,767 characters without half a character outside the basic plane.
#include "export/xlsworkbook.h"
#include "fuzztarget.h"
#include "xlscheck.h"

#include <QBuffer>
#include <cstring>

namespace {

// Characters a text is drawn from in the alphabet mode: narrow, wide and outside the basic plane,
// so that short inputs reach every kind of split of the string table.
const char16_t* const alphabet[] = { u"a", u"字", u"😀", u"é", u"𠮷", u" ", u"\u00ff", u"\u0100" };

QString textOf(const QByteArray& bytes, bool fromAlphabet)
{
    if (!fromAlphabet)
        return QString::fromUtf8(bytes);
    QString text;
    for (char b : bytes)
        text += QString::fromUtf16(alphabet[quint8(b) % std::size(alphabet)]);
    return text;
}

// Repeats `piece` to `length` characters, so that short inputs reach the longest texts.
QString stretched(const QString& piece, qsizetype length)
{
    if (piece.isEmpty() || length <= piece.size())
        return piece;
    QString text;
    text.reserve(length + piece.size());
    while (text.size() < length)
        text += piece;
    return text;
}

// A sheet name as the exporter's caller must give it: no character Excel refuses, none empty.
QString sheetNameOf(const QString& raw, qsizetype index)
{
    QString name = raw;
    for (QChar& c : name)
        if (QStringLiteral("[]:*?/\\").contains(c) || c.unicode() < 0x20)
            c = u'_';
    return QString::number(index) + u'.' + name;
}

QString cutText(QString text)
{
    if (text.size() <= XlsWorkbook::maxTextLength)
        return text;
    qsizetype keep = XlsWorkbook::maxTextLength;
    if (text.at(keep - 1).isHighSurrogate())
        --keep;
    return text.left(keep);
}

QString cutName(const QString& name)
{
    qsizetype keep = std::min<qsizetype>(name.size(), 31);
    if (keep < name.size() && name.at(keep - 1).isHighSurrogate())
        --keep;
    return name.left(keep);
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.typeId() != b.typeId())
        return false;
    if (a.typeId() == QMetaType::Double) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return std::memcmp(&x, &y, sizeof x) == 0;
    }
    return a == b;
}

// Characters one input may write in all, so that every run stays quick while a few texts still
// reach the 32,767-character limit.
constexpr qsizetype characterBudget = 100000;

// Cells one input may write in all: enough for a string table of many CONTINUE records.
constexpr int cellBudget = 2048;

} // namespace

REELSHELF_FUZZ_TARGET(workbook)
{
    FuzzSupport::Input input(data, size);
    XlsWorkbook book;
    XlsCheck::Workbook expected;
    int row = 0;
    int column = -1;
    qsizetype characters = 0;
    int cells = 0;
    while (!input.atEnd() && characters < characterBudget && cells < cellBudget) {
        const std::uint8_t op = input.byte();
        switch (op % 5) {
        case 0: {
            const QString name = sheetNameOf(textOf(input.until('\0'), op & 0x80), expected.sheets.size());
            book.addSheet(name);
            expected.sheets.append({ cutName(name), {} });
            row = 0;
            column = -1;
            break;
        }
        case 1:
        case 2: {
            // The next cell: further along the row, or on a later row.
            const std::uint8_t step = input.byte();
            if (step & 0x80) {
                row += 1 + (step & 0x3f) * ((step & 0x40) ? 1024 : 1);
                column = input.byte();
            } else {
                column += 1 + (step & 0x7f);
            }
            const bool inRange = row < XlsWorkbook::maxRows && column < XlsWorkbook::maxColumns;
            const bool placed = !expected.sheets.isEmpty() && inRange;
            if (op % 5 == 1) {
                const qsizetype length = (op & 0x40) ? qsizetype(input.word()) % 40000 : 0;
                const QString text = stretched(textOf(input.until('\0'), op & 0x80), length);
                characters += text.size();
                ++cells;
                bool cut = false;
                FUZZ_REQUIRE(book.setText(row, column, text, &cut) == placed);
                FUZZ_REQUIRE(!placed || cut == (text.size() > XlsWorkbook::maxTextLength));
                if (placed)
                    expected.sheets.last().cells.append({ row, column, cutText(text) });
            } else {
                double value = 0;
                const QByteArray raw = input.until('\0').leftJustified(sizeof value, '\0', true);
                std::memcpy(&value, raw.constData(), sizeof value);
                ++cells;
                FUZZ_REQUIRE(book.setNumber(row, column, value) == placed);
                if (placed)
                    expected.sheets.last().cells.append({ row, column, value });
            }
            // Past the sheet's end every further cell is refused too, so the order still holds.
            row = std::min(row, 1 << 20);
            column = std::min(column, 1 << 20);
            break;
        }
        case 3: {
            // Many cells at once, to reach a string table and a stream of many sectors.
            const int count = input.word() % 4096;
            const QString text = textOf(input.until('\0'), op & 0x80);
            const bool room = !expected.sheets.isEmpty();
            for (int i = 0; i < count && room && row + 1 < XlsWorkbook::maxRows && cells < cellBudget
                 && characters < characterBudget;
                 ++i) {
                ++row;
                column = 0;
                const QString cell = (op & 0x40) ? text + QString::number(i) : text;
                characters += cell.size();
                ++cells;
                FUZZ_REQUIRE(book.setText(row, 0, cell));
                expected.sheets.last().cells.append({ row, 0, cutText(cell) });
            }
            break;
        }
        default:
            break;
        }
    }
    if (expected.sheets.isEmpty())
        return 0; // the exporter always starts a sheet; a workbook of none is no workbook

    QByteArray file;
    {
        QBuffer buffer(&file);
        buffer.open(QIODevice::WriteOnly);
        QString error;
        FUZZ_REQUIRE(book.save(buffer, &error));
    }
    XlsCheck::Workbook read;
    const std::optional<QString> problem = XlsCheck::problem(file, &read);
    if (problem)
        std::fprintf(stderr, "workbook check: %s\n", qPrintable(*problem));
    FUZZ_REQUIRE(!problem);
    FUZZ_REQUIRE(read.sheets.size() == expected.sheets.size());
    for (qsizetype s = 0; s < read.sheets.size(); ++s) {
        const XlsCheck::Sheet& got = read.sheets[s];
        const XlsCheck::Sheet& want = expected.sheets[s];
        FUZZ_REQUIRE(got.name == want.name);
        FUZZ_REQUIRE(got.cells.size() == want.cells.size());
        for (qsizetype c = 0; c < got.cells.size(); ++c) {
            FUZZ_REQUIRE(
                got.cells[c].row == want.cells[c].row && got.cells[c].column == want.cells[c].column);
            FUZZ_REQUIRE(sameValue(got.cells[c].value, want.cells[c].value));
        }
    }
    return 0;
}
