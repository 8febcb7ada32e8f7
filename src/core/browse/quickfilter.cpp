#include "quickfilter.h"

#include "browse/movielisting.h"
#include "store/textrules.h"

#include <QLocale>

namespace {

constexpr char16_t fieldSeparator = u'\n';

QChar foldChar(QChar c)
{
    char16_t u = c.unicode();
    // Most characters of a catalogue are ASCII or Chinese: both are quick to tell.
    if (u < 0x80)
        return u >= u'A' && u <= u'Z' ? QChar(char16_t(u + 32)) : c;
    if (u >= 0x3400 && u < 0xA000)
        return c;
    c = TextRules::halfWidth(c);
    u = c.unicode();
    if (u < 0x80)
        return u >= u'A' && u <= u'Z' ? QChar(char16_t(u + 32)) : c;
    return c.isSurrogate() ? c : c.toCaseFolded();
}

// Writes the folded text at `out` (room for text.size() characters) and returns the end.
QChar* writeFolded(QChar* out, QStringView text)
{
    for (QChar c : text)
        *out++ = foldChar(c);
    return out;
}

} // namespace

QuickFilter::QuickFilter(const QString& typed)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i <= typed.size(); ++i) {
        if (i < typed.size() && typed.at(i) != u' ' && typed.at(i) != QChar(0x3000))
            continue;
        if (i > start)
            words_.append(fold(QStringView(typed).mid(start, i - start)));
        start = i + 1;
    }
}

bool QuickFilter::narrows(const QuickFilter& wider) const
{
    for (const QString& w : wider.words_) {
        bool inside = false;
        for (const QString& mine : words_)
            inside = inside || mine.contains(w);
        if (!inside)
            return false;
    }
    return true;
}

bool QuickFilter::matches(QStringView key) const
{
    for (const QString& w : words_)
        if (!key.contains(w))
            return false;
    return true;
}

QList<int> QuickFilter::filter(const std::vector<QString>& keys) const
{
    QList<int> kept;
    for (size_t i = 0; i < keys.size(); ++i)
        if (matches(keys[i]))
            kept.append(int(i));
    return kept;
}

QList<int> QuickFilter::filter(const std::vector<QString>& keys, const QList<int>& candidates) const
{
    QList<int> kept;
    for (int i : candidates)
        if (i >= 0 && size_t(i) < keys.size() && matches(keys[size_t(i)]))
            kept.append(i);
    return kept;
}

QString QuickFilter::fold(QStringView text)
{
    QString out(text.size(), Qt::Uninitialized);
    writeFolded(out.data(), text);
    return out;
}

QString QuickFilter::rowKey(const MovieRow& row)
{
    const size_t columns[] = { ListCol::MovieName, ListCol::EngName, ListCol::Direct, ListCol::Role };
    qsizetype length = 0;
    for (size_t c : columns)
        length += row.view(c).size() + 1;
    // Written in place: a whole catalogue is keyed on the first keystroke.
    QString key(length, Qt::Uninitialized);
    QChar* out = key.data();
    for (size_t c : columns) {
        out = writeFolded(out, row.view(c));
        *out++ = QChar(fieldSeparator);
    }
    return key;
}

QString QuickFilter::statusText(qsizetype shown, qsizetype total)
{
    // Thousands with a comma whatever the desktop's language.
    const QLocale grouped(QLocale::English, QLocale::UnitedStates);
    return QStringLiteral("显示 %1 / 共 %2 部影视")
        .arg(grouped.toString(qlonglong(shown)), grouped.toString(qlonglong(total)));
}
