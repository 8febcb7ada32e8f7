#include "search/moviesearch.h"
#include "stats/collectionstats.h"
#include "store/catalogue.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

using namespace CollectionStatistics;
using F = MovieField;

MovieRecord fields(std::initializer_list<std::pair<MovieField, QVariant>> values)
{
    MovieRecord r;
    for (const auto& [f, v] : values)
        r[f] = v;
    return r;
}

// A stored value as the walk hands it out, from a QVariant (invalid = null).
struct Stored
{
    explicit Stored(const QVariant& v)
        : value(storedValue(v, buffer))
    {
    }
    QByteArray buffer;
    StoredValue value;
};

QString bucketsText(const QList<StatsBucket>& buckets)
{
    QStringList out;
    for (const StatsBucket& b : buckets)
        out << (b.unknown() ? QStringLiteral("?") : b.name) + u'=' + QString::number(b.count);
    return out.join(u' ');
}

qint64 countOf(const QList<StatsBucket>& buckets, const QString& key)
{
    for (const StatsBucket& b : buckets)
        if (b.key == key)
            return b.count;
    return -1;
}

QStringList titles(const QList<MovieRow>& rows)
{
    QStringList out;
    for (const MovieRow& r : rows)
        out << r[ListCol::MovieName];
    return out;
}

} // namespace

TEST(StatsRules, DecadeOfTheYearsNumericReading)
{
    const std::pair<QVariant, const char*> cases[] = {
        { QStringLiteral("2007年"), "2000s" },
        { QStringLiteral("2007 "), "2000s" },
        { QStringLiteral(" 1999"), "1990s" },
        { QStringLiteral("2010"), "2010s" },
        { QStringLiteral("1980s"), "1980s" },
        { 1964.0, "1960s" },
        { QStringLiteral("2009.9"), "2000s" },
        { QStringLiteral("0 "), "" },
        { QStringLiteral(""), "" },
        { QStringLiteral(" "), "" },
        { QVariant(), "" },
        { QStringLiteral("abc"), "" },
        { QStringLiteral("95"), "" }, // a two-digit year could be any century
        { QStringLiteral("12345"), "" },
        { QStringLiteral("-2000"), "" },
        { QStringLiteral("1e400"), "" },
    };
    for (const auto& [year, decade] : cases)
        EXPECT_EQ(decadeKey(Stored(year).value), QString::fromLatin1(decade))
            << year.toString().toStdString();
}

TEST(StatsRules, SizesAreMegabytesAsTheWizardStoresThem)
{
    const std::pair<QVariant, double> cases[] = {
        { QStringLiteral("700MB "), 700 },
        { QStringLiteral("1433.6MB"), 1433.6 },
        { QStringLiteral("12KB "), 12.0 / 1024 },
        { QStringLiteral("4.5GB "), 4.5 * 1024 },
        { QStringLiteral("4.5 gb"), 4.5 * 1024 },
        { QStringLiteral("700"), 700 },
        { 350.0, 350 },
        { QStringLiteral("-5MB"), 0 },
        { QStringLiteral("abc"), 0 },
        { QStringLiteral(""), 0 },
        { QVariant(), 0 },
        { QStringLiteral("1e400MB"), 0 },
    };
    for (const auto& [size, megabytes] : cases)
        EXPECT_DOUBLE_EQ(sizeInMegabytes(Stored(size).value), megabytes) << size.toString().toStdString();
    EXPECT_DOUBLE_EQ(runningMinutes(Stored(95.0).value), 95);
    EXPECT_DOUBLE_EQ(runningMinutes(Stored(QStringLiteral("120 Mins")).value), 120);
    EXPECT_DOUBLE_EQ(runningMinutes(Stored(-10.0).value), 0);
    EXPECT_DOUBLE_EQ(runningMinutes(Stored(QVariant()).value), 0);
}

TEST(StatsRules, TextKeysAreTrimmedOfBlanksOnlyAndFoldCase)
{
    EXPECT_EQ(textKey(Stored(QStringLiteral(" RMVB ")).value), QStringLiteral("rmvb"));
    EXPECT_EQ(textKey(Stored(QStringLiteral("\tavi")).value), QStringLiteral("\tavi"));
    EXPECT_EQ(textKey(Stored(QStringLiteral("\u3000")).value), QStringLiteral("\u3000"));
    EXPECT_EQ(textKey(Stored(QStringLiteral("   ")).value), QString());
    EXPECT_EQ(textKey(Stored(QVariant()).value), QString());
    EXPECT_EQ(textKey(Stored(720.0).value), QStringLiteral("720"));
}

class StatsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home_.addDisc(QStringLiteral("1"), {}, QStringLiteral("DVD "), QStringLiteral("完好 "));
        home_.addDisc(QStringLiteral("2"), {}, QStringLiteral("dvd"), QStringLiteral("破损 "));
        home_.addDisc(QStringLiteral("3"), {}, QStringLiteral("CD "), QStringLiteral("完好"));
        home_.addDisc(QStringLiteral("4"), {}, QVariant(), QStringLiteral(" "));
        home_.addMovie(1, QStringLiteral("Heat "), 1,
            fields({ { F::Type, QStringLiteral("动作/喜剧 ") }, { F::Year, QStringLiteral("2007年") },
                { F::Filetype, QStringLiteral("rmvb ") }, { F::MovieSize, QStringLiteral("700MB ") },
                { F::Lastfor, 90.0 }, { F::Seen, QStringLiteral("yes") },
                { F::Nation, QStringLiteral("美国 ") }, { F::Definition, QStringLiteral("720P ") } }));
        home_.addMovie(2, QStringLiteral("Alien"), 1,
            fields({ { F::Type, QStringLiteral("科幻 / 动作") }, { F::Year, QStringLiteral("1979 ") },
                { F::Filetype, QStringLiteral("RMVB") }, { F::MovieSize, QStringLiteral("1348MB ") },
                { F::Lastfor, 150.0 }, { F::Seen, QStringLiteral("no") },
                { F::Nation, QStringLiteral("美国") }, { F::Definition, QStringLiteral("720p") } }));
        home_.addMovie(3, QStringLiteral("Drama"), 2,
            fields({ { F::Type, QStringLiteral("剧情 ") }, { F::Year, QStringLiteral("0 ") },
                { F::Filetype, QStringLiteral(" avi ") }, { F::Seen, QStringLiteral("Yes") },
                { F::Nation, QStringLiteral("中国 ") } }));
        home_.addMovie(4, QStringLiteral("Mystery"), 2,
            fields({ { F::Type, QStringLiteral("悬疑 ") }, { F::Year, QStringLiteral("2003") },
                { F::Filetype, QStringLiteral(" ") }, { F::Seen, QStringLiteral("yes ") } }));
        home_.addMovie(5, QStringLiteral("Nothing"), 3);
        home_.addMovie(7, QStringLiteral("Magic"), 3, fields({ { F::Type, QStringLiteral("魔幻/幻想 ") } }));
        // The same genre twice in one text counts the movie once.
        home_.addMovie(6, QStringLiteral("Twice"), 3,
            fields({ { F::Type, QStringLiteral("动作 动作片") }, { F::Year, QStringLiteral("1975") } }));
    }

    Catalogue catalogue() const { return Catalogue(home_.folder().catalogueFile()); }

    CollectionStats stats() const
    {
        QString error;
        const auto s = compute(catalogue(), &error);
        EXPECT_TRUE(s.has_value()) << error.toStdString();
        return s.value_or(CollectionStats());
    }

    StatsListing listing(StatsDimension d, const QString& key) const
    {
        QString error;
        const auto l = listBucket(catalogue(), d, key, &error);
        EXPECT_TRUE(l.has_value()) << error.toStdString();
        return l.value_or(StatsListing());
    }

    TestHome home_;
};

TEST_F(StatsTest, AMovieCountsOnceForEachGenreItHas)
{
    const CollectionStats s = stats();
    ASSERT_EQ(s.byGenre.size(), 19); // eighteen genres and the movies with none of them
    EXPECT_EQ(countOf(s.byGenre, QStringLiteral("动作")), 3);
    EXPECT_EQ(countOf(s.byGenre, QStringLiteral("喜剧")), 1);
    EXPECT_EQ(countOf(s.byGenre, QStringLiteral("科幻")), 1);
    EXPECT_EQ(countOf(s.byGenre, QStringLiteral("剧情")), 1);
    EXPECT_EQ(countOf(s.byGenre, QStringLiteral("幻想")), 1); // "魔幻/幻想" once
    EXPECT_EQ(countOf(s.byGenre, QStringLiteral("科教")), 0);
    EXPECT_EQ(countOf(s.byGenre, QString()), 2); // "悬疑" and null
    EXPECT_EQ(s.byGenre.first().name, QStringLiteral("喜剧"));

    const StatsListing action = listing(StatsDimension::Genre, QStringLiteral("动作"));
    EXPECT_EQ(titles(action.rows), QStringList({ "Heat", "Alien", "Twice" }));
    EXPECT_EQ(action.status, QStringLiteral("类型“动作”：共 3 部影视"));
    const StatsListing none = listing(StatsDimension::Genre, QString());
    EXPECT_EQ(titles(none.rows), QStringList({ "Mystery", "Nothing" }));
    EXPECT_EQ(none.status, QStringLiteral("类型“未分类”：共 2 部影视"));
}

TEST_F(StatsTest, DecadesAscendWithTheUnknownYearLast)
{
    const CollectionStats s = stats();
    EXPECT_EQ(bucketsText(s.byDecade), QStringLiteral("1970s=2 2000s=2 ?=3"));
    EXPECT_EQ(bucketLabel(StatsDimension::Decade, s.byDecade.first()), QStringLiteral("1970年代"));
    const StatsListing unknown = listing(StatsDimension::Decade, QString());
    EXPECT_EQ(titles(unknown.rows), QStringList({ "Drama", "Nothing", "Magic" }));
    EXPECT_EQ(unknown.status, QStringLiteral("年代“年份不详”：共 3 部影视"));
    EXPECT_EQ(listing(StatsDimension::Decade, QStringLiteral("2000s")).status,
        QStringLiteral("年代“2000年代”：共 2 部影视"));
}

TEST_F(StatsTest, TextBucketsIgnoreBlanksAndCaseAndKeepTheFirstSpelling)
{
    const CollectionStats s = stats();
    EXPECT_EQ(bucketsText(s.byFormat), QStringLiteral("rmvb=2 avi=1 ?=4"));
    EXPECT_EQ(bucketsText(s.byDefinition), QStringLiteral("720P=2 ?=5"));
    EXPECT_EQ(bucketsText(s.byCountry), QStringLiteral("美国=2 中国=1 ?=4"));
    EXPECT_EQ(bucketsText(s.discsByKind), QStringLiteral("DVD=2 CD=1 ?=1"));
    EXPECT_EQ(bucketsText(s.discsByCondition), QStringLiteral("完好=2 破损=1 ?=1"));
    const StatsListing rmvb = listing(StatsDimension::Format, QStringLiteral("rmvb"));
    EXPECT_EQ(titles(rmvb.rows), QStringList({ "Heat", "Alien" }));
    EXPECT_EQ(rmvb.status, QStringLiteral("格式“rmvb”：共 2 部影视"));
    EXPECT_EQ(listing(StatsDimension::Format, QString()).status, QStringLiteral("格式“未填写”：共 4 部影视"));
    EXPECT_EQ(listing(StatsDimension::Country, QStringLiteral("中国")).rows.size(), 1);
}

TEST_F(StatsTest, TotalsAndSeenFollowTheSearchRule)
{
    const CollectionStats s = stats();
    EXPECT_EQ(s.discs, 4);
    EXPECT_EQ(s.movies, 7);
    EXPECT_DOUBLE_EQ(s.totalSizeGB, 2.0); // 700 MB + 1348 MB
    EXPECT_DOUBLE_EQ(s.totalHours, 4.0); // 90 + 150 minutes
    EXPECT_EQ(s.seen, 1);
    EXPECT_EQ(s.unseen, 1);
    EXPECT_EQ(s.seenUnmarked, 5); // "Yes", "yes " and three nulls
    // The pie's slices list what the seen and unseen searches find.
    for (bool seen : { true, false }) {
        SearchQuery q;
        q.kind = SearchKind::Seen;
        q.seen = seen;
        QString error;
        const auto found = MovieSearch::searchMovie(catalogue(), q, &error);
        ASSERT_TRUE(found.has_value());
        const StatsListing listed
            = listing(StatsDimension::Seen, seen ? QStringLiteral("yes") : QStringLiteral("no"));
        EXPECT_EQ(titles(listed.rows), titles(found->rows));
    }
    EXPECT_EQ(listing(StatsDimension::Seen, QStringLiteral("yes")).status,
        QStringLiteral("观看“已看”：共 1 部影视"));
}

TEST(Stats, AnEmptyCatalogueGivesZerosAndAnUnreadableOneAMessage)
{
    TestHome home;
    QString error;
    const auto empty = compute(Catalogue(home.folder().catalogueFile()), &error);
    ASSERT_TRUE(empty.has_value()) << error.toStdString();
    EXPECT_EQ(empty->movies, 0);
    EXPECT_EQ(empty->byGenre.size(), 18);
    EXPECT_TRUE(empty->byDecade.isEmpty());
    EXPECT_DOUBLE_EQ(empty->totalSizeGB, 0);

    const QString broken = home.path() + QStringLiteral("/broken.db");
    writeBytes(broken, QByteArray(4096, 'x'));
    error.clear();
    EXPECT_FALSE(compute(Catalogue(broken), &error).has_value());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readBytes(broken), QByteArray(4096, 'x'));
    error.clear();
    EXPECT_FALSE(
        listBucket(Catalogue(broken), StatsDimension::Genre, QStringLiteral("动作"), &error).has_value());
    EXPECT_FALSE(error.isEmpty());
}
