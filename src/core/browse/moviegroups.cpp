#include "moviegroups.h"

#include "browse/quickfilter.h"
#include "search/moviesearch.h"
#include "stats/collectionstats.h"
#include "store/textrules.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace MovieGroups {

namespace {

int columnOf(Field field)
{
    switch (field) {
    case Field::Genre:
        return ListCol::Type;
    case Field::Decade:
        return ListCol::Year;
    case Field::Country:
        return ListCol::Nation;
    case Field::Director:
        return ListCol::Direct;
    case Field::Cast:
        return ListCol::Role;
    case Field::Definition:
        return ListCol::Definition;
    case Field::Format:
        return ListCol::FileType;
    case Field::Audio:
        return ListCol::Audio;
    case Field::Subtitles:
        return ListCol::SubTitile;
    case Field::Seen:
        return ListCol::Seen;
    case Field::Score:
        return ListCol::Score;
    }
    return ListCol::MovieName;
}

// A value as it names a group: blanks of any width around it, full-width ones too, part nothing.
QString groupValue(QStringView cell)
{
    return cell.trimmed().toString();
}

// What tells groups apart: letter case and full- or half-width forms do not.
QString keyOf(const QString& value)
{
    return QuickFilter::fold(value);
}

bool severalValues(Field field)
{
    return field != Field::Definition && field != Field::Format && field != Field::Decade
        && field != Field::Seen && field != Field::Score;
}

bool separates(QChar c, bool blanksToo)
{
    switch (c.unicode()) {
    case u'/':
    case u'／':
    case u'、':
    case u',':
    case u'，':
        return true;
    default:
        return blanksToo && (c.isSpace() || c == QChar(0x3000));
    }
}

// A cell as a stored text, for the rules that read stored values.
StoredValue asStored(QStringView cell, QByteArray& buffer)
{
    buffer = cell.toUtf8();
    return buffer.isEmpty() ? StoredValue {} : StoredValue { StoredValue::Text, 0, buffer };
}

QStringList singleValue(QStringView cell, Field field)
{
    QByteArray buffer;
    switch (field) {
    case Field::Decade: {
        const QString key = CollectionStatistics::decadeKey(asStored(cell, buffer));
        return key.isEmpty() ? QStringList() : QStringList { key.chopped(1) + QStringLiteral("年代") };
    }
    case Field::Seen: {
        const std::optional<bool> seen = MovieSearch::seenMark(asStored(cell, buffer));
        if (!seen)
            return {};
        return { *seen ? QStringLiteral("已看过") : QStringLiteral("未看过") };
    }
    case Field::Score: {
        const QString text = TextRules::trimBlanks(cell.toString());
        const double score = text.isEmpty() ? NAN : TextRules::numericValue(text);
        if (!std::isfinite(score))
            return {};
        return { TextRules::shortestDecimal(score) + QStringLiteral(" 分") };
    }
    default:
        break;
    }
    const QString text = groupValue(cell);
    return text.isEmpty() ? QStringList() : QStringList { text };
}

// Where a group goes among the others; lower first.
double rankOf(Field field, const QString& text, qsizetype size)
{
    switch (field) {
    case Field::Decade:
        return TextRules::numericValue(text.chopped(2));
    case Field::Score:
        return -TextRules::numericValue(text.chopped(2));
    case Field::Seen:
        return text == QStringLiteral("已看过") ? 0 : 1;
    default:
        return -double(size);
    }
}

} // namespace

const QList<FieldChoice>& fields()
{
    static const QList<FieldChoice> choices = {
        { Field::Genre, QStringLiteral("类型") },
        { Field::Decade, QStringLiteral("年代") },
        { Field::Country, QStringLiteral("国家/地区") },
        { Field::Director, QStringLiteral("导演") },
        { Field::Cast, QStringLiteral("主演") },
        { Field::Definition, QStringLiteral("清晰度") },
        { Field::Format, QStringLiteral("格式") },
        { Field::Audio, QStringLiteral("配音") },
        { Field::Subtitles, QStringLiteral("字幕") },
        { Field::Seen, QStringLiteral("是否看过") },
        { Field::Score, QStringLiteral("评分") },
    };
    return choices;
}

QString caption(Field field)
{
    for (const FieldChoice& c : fields())
        if (c.field == field)
            return c.caption;
    return {};
}

QStringList valuesOf(QStringView cell, Field field)
{
    if (!severalValues(field))
        return singleValue(cell, field);
    QStringList values;
    // Values are told apart as the groups are, folded; a cell of a few values is looked through,
    // a long cast or list of genres keeps its keys in a set, or ten thousand names would take seconds.
    constexpr qsizetype manyValues = 16;
    QStringList keys;
    QSet<QString> manyKeys;
    const auto isNew = [&](const QString& key) {
        if (keys.size() < manyValues)
            return !keys.contains(key);
        if (manyKeys.isEmpty())
            manyKeys = QSet<QString>(keys.cbegin(), keys.cend());
        return !manyKeys.contains(key);
    };
    const bool blanks = field == Field::Cast;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= cell.size(); ++i) {
        if (i < cell.size() && !separates(cell.at(i), blanks))
            continue;
        const QString value = groupValue(cell.mid(start, i - start));
        start = i + 1;
        if (value.isEmpty())
            continue;
        const QString key = keyOf(value);
        if (!isNew(key))
            continue;
        values << value;
        keys << key;
        if (!manyKeys.isEmpty())
            manyKeys.insert(key);
    }
    return values;
}

QList<Group> group(const QList<MovieRow>& rows, Field field)
{
    const int column = columnOf(field);
    QList<Group> groups;
    QHash<QString, qsizetype> byKey; // "DVD", "dvd" and "ＤＶＤ" are one group
    Group unfilled { unfilledText, {}, true };
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QStringList values = valuesOf(rows.at(r).view(size_t(column)), field);
        if (values.isEmpty())
            unfilled.rows << int(r);
        for (const QString& value : values) {
            const QString key = keyOf(value);
            auto at = byKey.constFind(key);
            if (at == byKey.constEnd()) {
                at = byKey.insert(key, groups.size());
                groups.append({ value, {} });
            }
            groups[*at].rows << int(r);
        }
    }
    // A stable sort keeps groups of one size in the order their first movie came.
    std::stable_sort(groups.begin(), groups.end(), [field](const Group& a, const Group& b) {
        return rankOf(field, a.text, a.rows.size()) < rankOf(field, b.text, b.rows.size());
    });
    if (!unfilled.rows.isEmpty())
        groups.append(std::move(unfilled));
    return groups;
}

QString statusText(Field field, const QString& groupText, qsizetype count)
{
    return CollectionStatistics::statusLine(caption(field), groupText, count);
}

} // namespace MovieGroups
