#include "collectionstats.h"

#include "scan/candidates.h"
#include "search/moviesearch.h"
#include "store/loans.h"
#include "store/textrules.h"

#include <QHash>
#include <QLocale>
#include <algorithm>
#include <cmath>

namespace CollectionStatistics {

namespace {

// A stored value as a reader sees it: numbers in shortest decimal form, texts trimmed of blanks.
QString trimmedText(const StoredValue& value)
{
    switch (value.kind) {
    case StoredValue::Null:
        return QString();
    case StoredValue::Number:
        return TextRules::shortestDecimal(value.number);
    case StoredValue::Text:
        break;
    }
    return TextRules::trimmedUtf8(value.utf8);
}

double numberOf(const StoredValue& value)
{
    if (value.kind == StoredValue::Number)
        return value.number;
    if (value.kind == StoredValue::Text)
        return TextRules::numericValue(TextRules::decodeUtf8(value.utf8));
    return 0;
}

// A size or a length that cannot be negative; anything else adds nothing to a total.
double countable(double value)
{
    return std::isfinite(value) && value > 0 ? value : 0;
}

// Counts the buckets of a text field in order of first appearance.
class TextTally
{
public:
    void add(const StoredValue& value)
    {
        const QString key = textKey(value);
        if (key.isEmpty()) {
            ++unknown_;
            return;
        }
        const auto it = index_.constFind(key);
        if (it != index_.cend()) {
            ++buckets_[*it].count;
            return;
        }
        index_.insert(key, buckets_.size());
        buckets_.append({ key, trimmedText(value), 1 });
    }

    void add(const QVariant& value)
    {
        QByteArray buffer;
        add(storedValue(value, buffer));
    }

    // Largest first, ties in order of first appearance, the unknown last.
    QList<StatsBucket> buckets() const
    {
        QList<StatsBucket> out = buckets_;
        std::stable_sort(out.begin(), out.end(),
            [](const StatsBucket& a, const StatsBucket& b) { return a.count > b.count; });
        if (unknown_ > 0)
            out.append({ QString(), QString(), unknown_ });
        return out;
    }

private:
    QHash<QString, qsizetype> index_;
    QList<StatsBucket> buckets_;
    qint64 unknown_ = 0;
};

int decadeOf(const QString& key)
{
    return key.chopped(1).toInt();
}

QList<StatsBucket> decadeBuckets(const QHash<QString, qint64>& decades, qint64 unknown)
{
    QList<StatsBucket> out;
    for (auto it = decades.cbegin(); it != decades.cend(); ++it)
        out.append({ it.key(), it.key(), it.value() });
    std::sort(out.begin(), out.end(),
        [](const StatsBucket& a, const StatsBucket& b) { return decadeOf(a.key) < decadeOf(b.key); });
    if (unknown > 0)
        out.append({ QString(), QString(), unknown });
    return out;
}

QString seenKey(const StoredValue& seen)
{
    const std::optional<bool> mark = MovieSearch::seenMark(seen);
    if (!mark)
        return QString();
    return *mark ? QStringLiteral("yes") : QStringLiteral("no");
}

const StoredValue& field(const StoredMovie& movie, MovieField f)
{
    return movie[size_t(f)];
}

// Whether a movie belongs to the bucket `key` of `dimension`, by the rules that counted it.
bool inBucket(const StoredMovie& movie, StatsDimension dimension, const QString& key)
{
    switch (dimension) {
    case StatsDimension::Genre: {
        const Captions::GenreMarks marks = genres(field(movie, MovieField::Type));
        if (key.isEmpty())
            return std::none_of(marks.begin(), marks.end(), [](bool m) { return m; });
        const auto& list = Captions::editorGenres();
        const auto at = std::find(list.begin(), list.end(), key);
        return at != list.end() && marks[size_t(at - list.begin())];
    }
    case StatsDimension::Decade:
        return decadeKey(field(movie, MovieField::Year)) == key;
    case StatsDimension::Format:
        return textKey(field(movie, MovieField::Filetype)) == key;
    case StatsDimension::Definition:
        return textKey(field(movie, MovieField::Definition)) == key;
    case StatsDimension::Country:
        return textKey(field(movie, MovieField::Nation)) == key;
    case StatsDimension::Seen:
        return seenKey(field(movie, MovieField::Seen)) == key;
    }
    return false;
}

MovieField fieldOf(StatsDimension dimension)
{
    switch (dimension) {
    case StatsDimension::Genre:
        return MovieField::Type;
    case StatsDimension::Decade:
        return MovieField::Year;
    case StatsDimension::Format:
        return MovieField::Filetype;
    case StatsDimension::Definition:
        return MovieField::Definition;
    case StatsDimension::Country:
        return MovieField::Nation;
    case StatsDimension::Seen:
        return MovieField::Seen;
    }
    return MovieField::Type;
}

} // namespace

QString textKey(const StoredValue& value)
{
    return trimmedText(value).toLower();
}

QString decadeKey(const StoredValue& year)
{
    const double y = numberOf(year);
    if (!std::isfinite(y) || y < 1000 || y >= 10000)
        return QString();
    return QString::number(int(std::floor(y / 10)) * 10) + u's';
}

double sizeInMegabytes(const StoredValue& size)
{
    if (size.kind == StoredValue::Number)
        return countable(size.number);
    if (size.kind == StoredValue::Null)
        return 0;
    const QString text = TextRules::trimmedUtf8(size.utf8);
    const bool gigabytes = text.endsWith(QStringLiteral("GB"), Qt::CaseInsensitive);
    const double megabytes = gigabytes ? TextRules::numericValue(text) * 1024 : ::sizeInMegabytes(text);
    return countable(megabytes);
}

double runningMinutes(const StoredValue& lastfor)
{
    return countable(numberOf(lastfor));
}

Captions::GenreMarks genres(const StoredValue& type)
{
    if (type.kind == StoredValue::Null)
        return {};
    // Box 7 is "幻想" in the editor and "魔幻" in the detail pane; stored texts hold either.
    const QString text = trimmedText(type);
    Captions::GenreMarks marks = Captions::matchCaptions(text, Captions::editorGenres());
    const Captions::GenreMarks pane = Captions::matchCaptions(text, Captions::paneGenres());
    for (size_t g = 0; g < marks.size(); ++g)
        marks[g] = marks[g] || pane[g];
    return marks;
}

std::optional<CollectionStats> compute(const Catalogue& catalogue, QString* error)
{
    const auto discs = catalogue.discs(error);
    if (!discs)
        return std::nullopt;
    CollectionStats stats;
    stats.discs = discs->size();
    TextTally kinds;
    TextTally conditions;
    for (const DiscRecord& d : *discs) {
        kinds.add(d.diskType);
        conditions.add(d.station);
    }
    stats.discsByKind = kinds.buckets();
    stats.discsByCondition = conditions.buckets();

    std::array<qint64, Captions::GenreCount> genreCounts {};
    qint64 withoutGenre = 0;
    QHash<QString, qint64> decades;
    qint64 unknownDecade = 0;
    TextTally formats;
    TextTally definitions;
    TextTally countries;
    double megabytes = 0;
    double minutes = 0;
    // Only the fields the figures use: the long introductions would double the walk.
    static const QList<MovieField> used
        = { MovieField::Seen, MovieField::MovieSize, MovieField::Lastfor, MovieField::Type, MovieField::Year,
              MovieField::Filetype, MovieField::Definition, MovieField::Nation };
    const bool ok = catalogue.forEachStoredMovieFields(
        used,
        [&](const StoredMovie& m) {
            ++stats.movies;
            const std::optional<bool> seen = MovieSearch::seenMark(field(m, MovieField::Seen));
            ++(seen ? (*seen ? stats.seen : stats.unseen) : stats.seenUnmarked);
            megabytes += sizeInMegabytes(field(m, MovieField::MovieSize));
            minutes += runningMinutes(field(m, MovieField::Lastfor));
            const Captions::GenreMarks marks = genres(field(m, MovieField::Type));
            bool any = false;
            for (size_t g = 0; g < marks.size(); ++g) {
                genreCounts[g] += marks[g] ? 1 : 0;
                any = any || marks[g];
            }
            withoutGenre += any ? 0 : 1;
            const QString decade = decadeKey(field(m, MovieField::Year));
            if (decade.isEmpty())
                ++unknownDecade;
            else
                ++decades[decade];
            formats.add(field(m, MovieField::Filetype));
            definitions.add(field(m, MovieField::Definition));
            countries.add(field(m, MovieField::Nation));
            return true;
        },
        error);
    if (!ok)
        return std::nullopt;

    const auto& names = Captions::editorGenres();
    for (size_t g = 0; g < names.size(); ++g)
        stats.byGenre.append({ names[g], names[g], genreCounts[g] });
    if (withoutGenre > 0)
        stats.byGenre.append({ QString(), QString(), withoutGenre });
    stats.byDecade = decadeBuckets(decades, unknownDecade);
    stats.byFormat = formats.buckets();
    stats.byDefinition = definitions.buckets();
    stats.byCountry = countries.buckets();
    stats.totalSizeGB = megabytes / 1024;
    stats.totalHours = minutes / 60;
    // Only discs still in the catalogue count, as the report's list of loans shows them.
    auto lent = Loans::openLoans(catalogue.filePath(), QDate::currentDate(), error);
    if (!lent)
        return std::nullopt;
    std::sort(lent->begin(), lent->end(), [](const auto& a, const auto& b) { return a.loan.id < b.loan.id; });
    TextTally borrowers;
    for (const Loans::OpenLoan& o : std::as_const(*lent))
        borrowers.add(QVariant(o.loan.borrower));
    stats.lentByBorrower = borrowers.buckets();
    return stats;
}

std::optional<StatsListing> listBucket(
    const Catalogue& catalogue, StatsDimension dimension, const QString& key, QString* error)
{
    StatsListing listing;
    StatsBucket bucket { key, QString(), 0 };
    const bool ok = catalogue.forEachStoredMovie(
        std::nullopt,
        [&](const StoredMovie& m) {
            if (!inBucket(m, dimension, key))
                return true;
            // A text bucket is called by the first spelling met, as the counts name it.
            if (listing.rows.isEmpty() && !key.isEmpty())
                bucket.name = dimension == StatsDimension::Genre || dimension == StatsDimension::Decade
                    ? key
                    : trimmedText(field(m, fieldOf(dimension)));
            listing.rows.append(movieRow(m, true));
            return true;
        },
        error);
    if (!ok)
        return std::nullopt;
    if (bucket.name.isNull() && !key.isEmpty())
        bucket.name = key;
    listing.status = statusText(dimension, bucketLabel(dimension, bucket), listing.rows.size());
    return listing;
}

QString bucketLabel(StatsDimension dimension, const StatsBucket& bucket)
{
    switch (dimension) {
    case StatsDimension::Genre:
        return bucket.unknown() ? QStringLiteral("未分类") : bucket.name;
    case StatsDimension::Decade:
        return bucket.unknown() ? QStringLiteral("年份不详") : bucket.key.chopped(1) + QStringLiteral("年代");
    case StatsDimension::Seen:
        if (bucket.key == QStringLiteral("yes"))
            return QStringLiteral("已看");
        if (bucket.key == QStringLiteral("no"))
            return QStringLiteral("未看");
        return QStringLiteral("未标记");
    case StatsDimension::Format:
    case StatsDimension::Definition:
    case StatsDimension::Country:
        break;
    }
    return bucket.unknown() ? QStringLiteral("未填写") : bucket.name;
}

QString dimensionCaption(StatsDimension dimension)
{
    switch (dimension) {
    case StatsDimension::Genre:
        return QStringLiteral("类型");
    case StatsDimension::Decade:
        return QStringLiteral("年代");
    case StatsDimension::Format:
        return QStringLiteral("格式");
    case StatsDimension::Definition:
        return QStringLiteral("清晰度");
    case StatsDimension::Country:
        return QStringLiteral("国家或地区");
    case StatsDimension::Seen:
        return QStringLiteral("观看");
    }
    return QString();
}

QString statusText(StatsDimension dimension, const QString& label, qsizetype count)
{
    return statusLine(dimensionCaption(dimension), label, count);
}

QString statusLine(const QString& caption, const QString& label, qsizetype count)
{
    return caption + QStringLiteral("“") + label + QStringLiteral("”：共 ")
        + QLocale(QLocale::English).toString(qint64(count)) + QStringLiteral(" 部影视");
}

} // namespace CollectionStatistics
