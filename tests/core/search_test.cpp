#include "search/moviesearch.h"
#include "store/catalogue.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

MovieRecord fields(std::initializer_list<std::pair<MovieField, QVariant>> values)
{
    MovieRecord r;
    for (const auto& [f, v] : values)
        r[f] = v;
    return r;
}

// A small catalogue with the letter cases, nulls and stored forms a search meets.
class SearchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        using F = MovieField;
        home_.addDisc(QStringLiteral("1"));
        const QString rmvb = QStringLiteral("rmvb");
        home_.addMovie(1, QStringLiteral("The Matrix "), 1,
            fields({ { F::Year, QStringLiteral("1999") }, { F::Filetype, QStringLiteral("RMVB ") },
                { F::Type, QStringLiteral("动作 科幻") }, { F::Seen, QStringLiteral("yes") } }));
        home_.addMovie(2, QStringLiteral("MATRIX Reloaded"), 1,
            fields({ { F::Year, QStringLiteral("2003") }, { F::Filetype, QStringLiteral("rmvb2") },
                { F::Type, QStringLiteral("科幻动作") }, { F::Seen, QStringLiteral("no") } }));
        home_.addMovie(3, QStringLiteral("matrix"), 1,
            fields({ { F::Year, QStringLiteral("1950") }, { F::Filetype, rmvb },
                { F::Type, QStringLiteral("Action") }, { F::Seen, QStringLiteral("Yes") } }));
        home_.addMovie(4, QStringLiteral("Mat4rix 2007"), 1,
            fields({ { F::Year, QStringLiteral("2007") }, { F::Filetype, QStringLiteral("rm*") },
                { F::Type, QStringLiteral("喜剧") } }));
        home_.addMovie(5, QStringLiteral("Null fields"), 1);
    }

    QStringList found(const SearchQuery& query, SearchOutcome* out = nullptr)
    {
        QString error;
        const auto outcome
            = MovieSearch::searchMovie(Catalogue(home_.folder().catalogueFile()), query, &error);
        EXPECT_TRUE(outcome) << error.toStdString();
        QStringList ids;
        for (const MovieRow& r : outcome.value_or(SearchOutcome {}).rows)
            ids << r[ListCol::ID];
        if (out && outcome)
            *out = *outcome;
        return ids;
    }

    TestHome home_;
};

SearchQuery textQuery(SearchKind kind, const QString& text, bool exact = false)
{
    SearchQuery q;
    q.kind = kind;
    q.text = text;
    q.exact = exact;
    return q;
}

} // namespace

TEST_F(SearchTest, EachKindMatchesByItsOwnRule)
{
    using K = SearchKind;
    const struct
    {
        SearchQuery query;
        QStringList ids;
    } cases[] = {
        { textQuery(K::Title, QStringLiteral("matrix")), { "1", "2", "3" } },
        { textQuery(K::Title, QStringLiteral(" MATRIX "), true), { "3" } },
        // The stored name is compared untrimmed: "The Matrix " is not exactly "the matrix".
        { textQuery(K::Title, QStringLiteral("the matrix"), true), {} },
        { textQuery(K::Title, QStringLiteral("mat?rix")), { "4" } },
        { textQuery(K::Title, QStringLiteral("mat#rix")), { "4" } },
        { textQuery(K::Title, QStringLiteral("[rm]atrix")), { "1", "2", "3" } },
        { textQuery(K::Title, QStringLiteral("[!t]he")), {} },
        { textQuery(K::Title, QStringLiteral("[unclosed")), {} },
        { textQuery(K::Year, QStringLiteral("19")), { "1", "3" } },
        { textQuery(K::Year, QStringLiteral("2007")), { "4" } },
        { textQuery(K::Year, QStringLiteral("200#")), { "2", "4" } },
        { textQuery(K::Genre, QStringLiteral("动作")), { "1", "2" } },
        { textQuery(K::Genre, QStringLiteral("action")), {} },
        { textQuery(K::Genre, QStringLiteral("Action")), { "3" } },
        { textQuery(K::Format, QStringLiteral(" RMVB ")), { "1", "3" } },
        // Plain equality: "rm*" finds only the format stored as "rm*".
        { textQuery(K::Format, QStringLiteral("rm*")), { "4" } },
        { textQuery(K::Format, QStringLiteral("rm")), {} },
    };
    for (const auto& c : cases)
        EXPECT_EQ(found(c.query), c.ids) << int(c.query.kind) << ' ' << c.query.text.toStdString();
}

TEST_F(SearchTest, SeenIsExactAndNullIsNeither)
{
    SearchQuery q;
    q.kind = SearchKind::Seen;
    EXPECT_EQ(found(q), QStringList {});
    q.seen = true;
    EXPECT_EQ(found(q), QStringList { "1" });
    q.seen = false;
    EXPECT_EQ(found(q), QStringList { "2" });
}

TEST_F(SearchTest, BlanksListEveryNonNullValueButEmptyTextSearchesNothing)
{
    EXPECT_EQ(found(textQuery(SearchKind::Title, QStringLiteral("   "))).size(), 5);
    EXPECT_EQ(found(textQuery(SearchKind::Year, QStringLiteral(" "))), QStringList({ "1", "2", "3", "4" }));
    EXPECT_EQ(found(textQuery(SearchKind::Genre, QStringLiteral(" "))), QStringList({ "1", "2", "3", "4" }));
    SearchOutcome outcome;
    for (const SearchKind kind :
        { SearchKind::Title, SearchKind::Year, SearchKind::Genre, SearchKind::Format }) {
        EXPECT_EQ(found(textQuery(kind, QString()), &outcome), QStringList {});
        EXPECT_EQ(outcome.status, QString());
        EXPECT_FALSE(outcome.emptyTable);
    }
}

TEST_F(SearchTest, RowsTakeTheListLayoutWithTheTitleTrimmedAndTheStatusCountsThem)
{
    SearchOutcome outcome;
    found(textQuery(SearchKind::Title, QStringLiteral("the")), &outcome);
    ASSERT_EQ(outcome.rows.size(), 1);
    const MovieRow& row = outcome.rows.first();
    EXPECT_EQ(row[ListCol::MovieName], QStringLiteral("The Matrix"));
    EXPECT_EQ(row[ListCol::FileType], QStringLiteral("RMVB"));
    EXPECT_EQ(row[ListCol::DiskNum], QStringLiteral("1"));
    EXPECT_EQ(outcome.status, QStringLiteral("搜索完毕,共发现 1 项."));
}

TEST_F(SearchTest, ANullTitleIsNeverFound)
{
    home_.exec(QStringLiteral("INSERT INTO ReelShelfIndex (ID, Year) VALUES (6, '1999')"));
    EXPECT_EQ(found(textQuery(SearchKind::Title, QStringLiteral(" "))).size(), 5);
    EXPECT_EQ(found(textQuery(SearchKind::Year, QStringLiteral("1999"))), QStringList({ "1", "6" }));
}

TEST(SearchEmpty, EmptyTableWarnsAndCountsNothing)
{
    TestHome home;
    QString error;
    const auto outcome = MovieSearch::searchMovie(
        Catalogue(home.folder().catalogueFile()), textQuery(SearchKind::Title, QStringLiteral("x")), &error);
    ASSERT_TRUE(outcome) << error.toStdString();
    EXPECT_TRUE(outcome->emptyTable);
    EXPECT_TRUE(outcome->rows.isEmpty());
    EXPECT_EQ(outcome->status, QStringLiteral("搜索完毕,共发现 0 项."));
}

TEST(SearchBroken, AnUnreadableCatalogueIsAFailure)
{
    TestHome home;
    writeBytes(home.folder().catalogueFile(), QByteArray("not a database at all", 21).repeated(100));
    QString error;
    const auto outcome = MovieSearch::searchMovie(
        Catalogue(home.folder().catalogueFile()), textQuery(SearchKind::Title, QStringLiteral("x")), &error);
    EXPECT_FALSE(outcome);
    EXPECT_FALSE(error.isEmpty());
}

TEST(SearchLarge, FewAndManyHitsComeInStoredOrderWithTheirWholeRows)
{
    TestHome home;
    home.addDisc(QStringLiteral("3"));
    // IDs out of step with the stored order, so that the order seen is the table's own.
    for (int i = 0; i < 40; ++i)
        home.addMovie(100 - i,
            i % 10 == 0 ? QStringLiteral("Rare %1").arg(i) : QStringLiteral("Common %1").arg(i), 3,
            fields({ { MovieField::Year, QStringLiteral("19%1").arg(50 + i) } }));
    home.exec(QStringLiteral("DELETE FROM ReelShelfIndex WHERE ID = 99"));
    const Catalogue catalogue(home.folder().catalogueFile());
    QString error;
    const auto few
        = MovieSearch::searchMovie(catalogue, textQuery(SearchKind::Title, QStringLiteral("rare")), &error);
    ASSERT_TRUE(few) << error.toStdString();
    QStringList seen;
    for (const MovieRow& r : few->rows)
        seen << r[ListCol::ID] + u' ' + r[ListCol::MovieName] + u' ' + r[ListCol::Year];
    EXPECT_EQ(
        seen, QStringList({ "100 Rare 0 1950", "90 Rare 10 1960", "80 Rare 20 1970", "70 Rare 30 1980" }));
    const auto many
        = MovieSearch::searchMovie(catalogue, textQuery(SearchKind::Title, QStringLiteral("o")), &error);
    ASSERT_TRUE(many) << error.toStdString();
    ASSERT_EQ(many->rows.size(), 35);
    EXPECT_EQ(many->rows.first()[ListCol::ID], QStringLiteral("98"));
    EXPECT_EQ(many->rows.last()[ListCol::Year], QStringLiteral("1989"));
    EXPECT_EQ(many->status, QStringLiteral("搜索完毕,共发现 35 项."));
}

TEST(SearchLarge, ATitlePatternAsLongAsTheBoxTakesFinishesAndFindsItsMatch)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    // 3,000 titles of 300 characters, and one of 40,000 that the long pattern matches.
    home.exec(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                       "INSERT INTO ReelShelfIndex (ID, MovieName, DiskNum) "
                       "SELECT i, 'Movie ' || i || ' ' || substr(replace(hex(zeroblob(150)), '0', 'ab'), "
                       "1, 290), 1 FROM n"));
    const QString longTitle = QStringLiteral("A").repeated(20000) + QStringLiteral("B").repeated(20000);
    home.addMovie(3001, longTitle, 1);
    // 32,767 characters: a star and a letter in turn; the name is compared in lower case.
    const QString pattern = QStringLiteral("a*").repeated(8000) + QStringLiteral("b*").repeated(8383) + u'b';
    ASSERT_EQ(pattern.size(), 32767);
    QElapsedTimer timer;
    timer.start();
    QString error;
    const auto outcome = MovieSearch::searchMovie(
        Catalogue(home.folder().catalogueFile()), textQuery(SearchKind::Title, pattern), &error);
    ASSERT_TRUE(outcome) << error.toStdString();
    ASSERT_EQ(outcome->rows.size(), 1);
    EXPECT_EQ(outcome->rows.first()[ListCol::ID], QStringLiteral("3001"));
    const auto exact = MovieSearch::searchMovie(Catalogue(home.folder().catalogueFile()),
        textQuery(SearchKind::Title, longTitle.left(32767), true), &error);
    ASSERT_TRUE(exact) << error.toStdString();
    EXPECT_TRUE(exact->rows.isEmpty());
    // A hang guard, not a benchmark: the former search took minutes here.
    EXPECT_LT(timer.elapsed(), 20000);
}
