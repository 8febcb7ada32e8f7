#include "quickfilter.h"

#include "browse/movielisting.h"
#include "store/textrules.h"

#include <QLocale>
#include <QSet>

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

// Whether `key` holds `word`: a vectorised look for the word's first character, then a compare.
// Qt's own search hashes every character of texts this short, several times slower on the long
// keys of every field.
bool holds(QStringView key, QStringView word)
{
    const QChar first = word.front();
    const QStringView rest = word.sliced(1);
    const qsizetype last = key.size() - word.size();
    for (qsizetype from = 0; from <= last;) {
        const qsizetype at = key.indexOf(first, from);
        if (at < 0 || at > last)
            return false;
        if (key.sliced(at + 1, rest.size()) == rest)
            return true;
        from = at + 1;
    }
    return false;
}

constexpr size_t nameColumns[] = { ListCol::MovieName, ListCol::EngName, ListCol::Direct, ListCol::Role };
constexpr size_t otherTextColumns[]
    = { ListCol::Year, ListCol::FileType, ListCol::Type, ListCol::Audio, ListCol::SubTitile,
          ListCol::Definition, ListCol::MovieSize, ListCol::FileNum, ListCol::Company, ListCol::Nation };

template <size_t N> qsizetype columnsLength(const MovieRow& row, const size_t (&columns)[N])
{
    qsizetype length = 0;
    for (size_t c : columns)
        length += row.view(c).size() + 1;
    return length;
}

// Each column folded and followed by a separator, so that no word matches across two of them.
template <size_t N> QChar* writeColumns(QChar* out, const MovieRow& row, const size_t (&columns)[N])
{
    for (size_t c : columns) {
        out = writeFolded(out, row.view(c));
        *out++ = QChar(fieldSeparator);
    }
    return out;
}

} // namespace

QuickFilter::QuickFilter(const QString& typed)
{
    // A word typed twice is looked for once: every row is searched for each word, and a pasted
    // page of repeated words would otherwise hold the window for seconds.
    QSet<QString> seen;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= typed.size(); ++i) {
        if (i < typed.size() && typed.at(i) != u' ' && typed.at(i) != QChar(0x3000))
            continue;
        if (i > start) {
            QString word = fold(QStringView(typed).mid(start, i - start));
            if (!seen.contains(word)) {
                seen.insert(word);
                words_.append(std::move(word));
            }
        }
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
        if (!holds(key, w))
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
    // Written in place: a whole catalogue is keyed each time it is listed.
    QString key(columnsLength(row, nameColumns), Qt::Uninitialized);
    writeColumns(key.data(), row, nameColumns);
    return key;
}

QString QuickFilter::everyFieldKey(const MovieRow& row, QStringView intro)
{
    QString key(columnsLength(row, nameColumns) + columnsLength(row, otherTextColumns) + intro.size(),
        Qt::Uninitialized);
    QChar* out = writeColumns(key.data(), row, nameColumns);
    out = writeColumns(out, row, otherTextColumns);
    writeFolded(out, intro);
    return key;
}

std::optional<std::vector<QString>> QuickFilter::everyFieldKeys(const Catalogue& catalogue,
    const QList<MovieRow>& rows, const std::function<bool(qsizetype done)>& goOn, QString* error)
{
    std::vector<QString> keys(size_t(rows.size()));
    qsizetype done = 0;
    bool stopped = false;
    const bool read = MovieList::forEachIntro(
        catalogue, rows,
        [&](qsizetype row, QStringView intro) {
            keys[size_t(row)] = everyFieldKey(rows.at(row), intro);
            stopped = !goOn(++done);
            return !stopped;
        },
        error);
    if (!read || stopped)
        return std::nullopt;
    return keys;
}

QString QuickFilter::statusText(qsizetype shown, qsizetype total)
{
    // Thousands with a comma whatever the desktop's language.
    const QLocale grouped(QLocale::English, QLocale::UnitedStates);
    return QStringLiteral("显示 %1 / 共 %2 部影视")
        .arg(grouped.toString(qlonglong(shown)), grouped.toString(qlonglong(total)));
}
