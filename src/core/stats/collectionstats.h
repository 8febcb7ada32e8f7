#pragma once

#include "browse/movielisting.h"
#include "intro/captions.h"
#include "store/catalogue.h"

#include <QList>
#include <QString>
#include <optional>

// One bar of a breakdown. `key` identifies it (a genre, "2000s", a text with its letter case
// folded); the empty key is the bucket of movies or discs without a usable value. `name` is what
// it is called: the genre, the decade, the first spelling met in stored order; null when unknown.
struct StatsBucket
{
    QString key;
    QString name;
    qint64 count = 0;

    bool unknown() const { return key.isEmpty(); }
};

// The breakdowns whose movies a click can list.
enum class StatsDimension { Genre, Decade, Format, Definition, Country, Seen };

struct CollectionStats
{
    qint64 discs = 0;
    QList<StatsBucket> discsByKind; // DiskType
    QList<StatsBucket> discsByCondition; // Station
    qint64 movies = 0;
    qint64 seen = 0;
    qint64 unseen = 0;
    qint64 seenUnmarked = 0; // neither "yes" nor "no"
    double totalSizeGB = 0;
    double totalHours = 0;
    // The editor's eighteen genres in their order, then movies with none of them (when any).
    QList<StatsBucket> byGenre;
    // Ascending decades, then the unknown year (when any).
    QList<StatsBucket> byDecade;
    // Largest first, ties in stored order, then the unknown (when any).
    QList<StatsBucket> byFormat;
    QList<StatsBucket> byDefinition;
    QList<StatsBucket> byCountry;
    // The discs out now by who has them: most first, ties by the earliest loan.
    QList<StatsBucket> lentByBorrower;
};

// The movies behind one bucket, as the main list shows them after a search.
struct StatsListing
{
    QList<MovieRow> rows;
    QString status;
};

namespace CollectionStatistics {

// The bucket rules, one place each. Each reads a stored value as stored (null, number or text).

// Trimmed of blanks, letter case folded; "" for null or blanks only.
QString textKey(const StoredValue& value);
// "2000s" for a year whose numeric reading is 2000 to 2009.x ("2007年", "2007 "); "" for a reading
// outside 1000-9999 ("0 ", "abc", "95") and for null.
QString decadeKey(const StoredValue& year);
// Megabytes, as the import wizard stores them ("700MB "); "KB" and "GB" endings are honoured for
// sizes typed by hand. 0 for null, for a negative or unreadable size.
double sizeInMegabytes(const StoredValue& size);
// Minutes; 0 for null, negative or unreadable.
double runningMinutes(const StoredValue& lastfor);
// The genres of the editor's list a movie has (index into Captions::editorGenres()); box 7
// "幻想" is also had by a "魔幻", the detail pane's caption for it.
Captions::GenreMarks genres(const StoredValue& type);

// One pass over the disc table and one over the movie table.
std::optional<CollectionStats> compute(const Catalogue& catalogue, QString* error);

// The movies of one bucket, in stored order, by the same rule that counted them. For Seen the
// key is "yes", "no" or "" (unmarked). Genre keys are genre names; "" lists movies without any.
std::optional<StatsListing> listBucket(
    const Catalogue& catalogue, StatsDimension dimension, const QString& key, QString* error);

// How a bucket reads in the window and the status line: "2000年代", "未知", "未填写", "已看".
QString bucketLabel(StatsDimension dimension, const StatsBucket& bucket);
QString dimensionCaption(StatsDimension dimension);
// "类型“动作”：共 12 部影视"
QString statusText(StatsDimension dimension, const QString& label, qsizetype count);
// The same line for any caption: the movie groups use it too.
QString statusLine(const QString& caption, const QString& label, qsizetype count);

} // namespace CollectionStatistics
