#include "texttable.h"

#include <QTextStream>
#include <algorithm>

TextTable::TextTable(QStringList headers)
    : headers_(std::move(headers))
{
}

void TextTable::addRow(QStringList cells)
{
    // A cell shows on one line, in a pager or an editor too, which also break at these.
    for (QString& c : cells)
        for (QChar& ch : c)
            if (ch == u'\n' || ch == u'\r' || ch == u'\t' || ch == u'\v' || ch == u'\f' || ch == u'\u0085'
                || ch == u'\u2028' || ch == u'\u2029')
                ch = u' ';
    rows_.append(std::move(cells));
}

int TextTable::displayWidth(const QString& text)
{
    int width = 0;
    for (const QChar c : text) {
        // Accents that join the letter before them and invisible format characters take no cell.
        if (c.isLowSurrogate() || c.category() == QChar::Mark_NonSpacing
            || c.category() == QChar::Mark_Enclosing || c.category() == QChar::Other_Format)
            continue;
        const char16_t u = c.unicode();
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF)
            || (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F)
            || (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6) || c.isHighSurrogate();
        width += wide ? 2 : 1;
    }
    return width;
}

namespace {

// Columns line up to this width; a longer cell runs on and pushes the rest of its own line only.
// Padding every line to a 40,000-character name would print gigabytes for a long list.
constexpr int widestColumn = 60;

} // namespace

void TextTable::print(QTextStream& out) const
{
    QList<int> widths;
    for (const QString& h : headers_)
        widths << displayWidth(h);
    for (const QStringList& r : rows_)
        for (qsizetype i = 0; i < r.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], std::min(widestColumn, displayWidth(r.at(i))));
    auto line = [&](const QStringList& cells) {
        QString text;
        for (qsizetype i = 0; i < widths.size(); ++i) {
            const QString cell = i < cells.size() ? cells.at(i) : QString();
            text += cell;
            if (i + 1 < widths.size())
                text += QString(std::max(widths[i] - displayWidth(cell), 0) + 2, u' ');
        }
        out << text << '\n';
    };
    line(headers_);
    int total = 0;
    for (int w : widths)
        total += w + 2;
    out << QString(std::max(0, total - 2), u'-') << '\n';
    for (const QStringList& r : rows_)
        line(r);
}
