#include "browse/disctree.h"
#include "browse/movielisting.h"
#include "browse/quickfilter.h"
#include "store/catalogue.h"
#include "testsupport.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// Three discs, 12 a favourite; 5 movies on disc 12, 3 on disc 120 and 32 on disc 5.
class MovieListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home_.addDisc(QStringLiteral("12"), QStringLiteral("动作片"), QStringLiteral("DVD "), {}, {},
            QStringLiteral("Yes"));
        home_.addDisc(QStringLiteral("120"));
        home_.addDisc(QStringLiteral("5"));
        double id = 1;
        for (int i = 0; i < 5; ++i, ++id)
            home_.addMovie(id, QStringLiteral(" 十二号%1 ").arg(i), 12);
        for (int i = 0; i < 3; ++i, ++id)
            home_.addMovie(id, QStringLiteral("一二零%1").arg(i), 120);
        for (int i = 0; i < 32; ++i, ++id)
            home_.addMovie(id, QStringLiteral("五号%1").arg(i), 5);
    }

    MovieListing list(
        const QString& key, int favourites = -1, MovieList::Intros intros = MovieList::Intros::Read)
    {
        QString error;
        const Catalogue catalogue(home_.folder().catalogueFile());
        const auto tree = DiscTree::load(catalogue, &error);
        EXPECT_TRUE(tree) << error.toStdString();
        const auto listing = MovieList::listForNode(catalogue, key, int(tree->discs.size()),
            favourites < 0 ? tree->favouriteCount : favourites, &error, intros);
        EXPECT_TRUE(listing) << error.toStdString();
        return listing.value_or(MovieListing {});
    }

    TestHome home_;
};

QStringList titles(const MovieListing& l)
{
    QStringList out;
    for (const MovieRow& r : l.rows)
        out << r[ListCol::MovieName];
    return out;
}

} // namespace

TEST_F(MovieListTest, AllDiscsListsEveryMovieAndCountsEachDiscOnce)
{
    const MovieListing l = list(DiscTree::allKey);
    EXPECT_EQ(l.rows.size(), 40);
    EXPECT_EQ(l.status, QStringLiteral("共3张光碟,40部影视."));
    EXPECT_EQ(l.rowIcon, 2);
    EXPECT_FALSE(l.emptyTable);
    // Stored order, titles trimmed.
    EXPECT_EQ(titles(l).first(), QStringLiteral("十二号0"));
    EXPECT_EQ(titles(l).last(), QStringLiteral("五号31"));
}

TEST_F(MovieListTest, DiscListsOnlyItsOwnMovies)
{
    const MovieListing l = list(QStringLiteral("Node12"));
    EXPECT_EQ(l.status, QStringLiteral(" 碟# 12 / 共5部影视."));
    EXPECT_EQ(l.rowIcon, 1);
    // Disc 120 begins with "12" but is another disc; a disc listing keeps the title as stored.
    EXPECT_EQ(titles(l),
        (QStringList { QStringLiteral(" 十二号0 "), QStringLiteral(" 十二号1 "), QStringLiteral(" 十二号2 "),
            QStringLiteral(" 十二号3 "), QStringLiteral(" 十二号4 ") }));
    EXPECT_EQ(list(QStringLiteral("Node120")).rows.size(), 3);
    EXPECT_EQ(list(QStringLiteral("Node1")).rows.size(), 0);
    EXPECT_EQ(list(QStringLiteral("Node1")).status, QStringLiteral(" 碟# 1 / 共0部影视."));
}

TEST_F(MovieListTest, DiscNumbersStoredByOtherToolsAreMatchedByTheirText)
{
    // Another tool may store a disc number as text, as an integer or as a fraction.
    home_.exec(QStringLiteral("INSERT INTO ReelShelfIndex (ID, MovieName, DiskNum) VALUES "
                              "(100, 'text', ' 12 '), (101, 'integer', 12), (102, 'garbled', '12abc'), "
                              "(103, 'half', 12.5), (104, 'zero text', 'abc')"));
    EXPECT_EQ(titles(list(QStringLiteral("Node12"))).mid(5),
        (QStringList { QStringLiteral("text"), QStringLiteral("integer") }));
    EXPECT_EQ(titles(list(QStringLiteral("Node12.5"))), QStringList { QStringLiteral("half") });
    EXPECT_EQ(titles(list(QStringLiteral("Nodeabc"))), QStringList { QStringLiteral("zero text") });
    EXPECT_TRUE(list(QStringLiteral("Node012")).rows.isEmpty());
    EXPECT_EQ(list(QStringLiteral("Node12")).rows.at(5)[ListCol::DiskNum], QStringLiteral("12"));
}

TEST_F(MovieListTest, ANumberThatShowsAsTheDiscIsListedUnderIt)
{
    // Fractions a hair away from a whole number show as that number, so its disc lists them.
    home_.exec(QStringLiteral("INSERT INTO ReelShelfIndex (ID, MovieName, DiskNum) VALUES "
                              "(100, 'above', 12.000000000000002), (101, 'below', 11.999999999999998), "
                              "(102, 'apart', 12.0001), (103, 'sum', 0.30000000000000004)"));
    EXPECT_EQ(titles(list(QStringLiteral("Node12"))).mid(5),
        (QStringList { QStringLiteral("above"), QStringLiteral("below") }));
    EXPECT_EQ(titles(list(QStringLiteral("Node12.0001"))), QStringList { QStringLiteral("apart") });
    EXPECT_EQ(titles(list(QStringLiteral("Node0.3"))), QStringList { QStringLiteral("sum") });
    // The all-movies listing shows them as the disc number they are listed under.
    const MovieListing all = list(QStringLiteral("NodeAll"));
    EXPECT_EQ(all.rows.at(40)[ListCol::DiskNum], QStringLiteral("12"));
    EXPECT_EQ(all.rows.at(41)[ListCol::DiskNum], QStringLiteral("12"));
}

TEST_F(MovieListTest, FavouritesRootListsNothing)
{
    const MovieListing l = list(DiscTree::favKey, 2);
    EXPECT_TRUE(l.rows.isEmpty());
    EXPECT_EQ(l.status, QStringLiteral("共有2部收藏."));
}

TEST_F(MovieListTest, FavouriteDiscListsItsMoviesAndKeepsTheStatus)
{
    const MovieListing l = list(QStringLiteral("NodF12"));
    EXPECT_EQ(l.rows.size(), 5);
    EXPECT_FALSE(l.status.has_value());
}

TEST_F(MovieListTest, ALeftOutIntroIsReadBackAsTheWholeListingWouldShowIt)
{
    home_.exec(
        QStringLiteral("UPDATE ReelShelfIndex SET PS = ' 第一行' || char(13, 10) || '第二行 ' WHERE ID = 2"));
    home_.exec(QStringLiteral("UPDATE ReelShelfIndex SET PS = 12.5 WHERE ID = 3"));
    home_.exec(QStringLiteral("UPDATE ReelShelfIndex SET PS = NULL WHERE ID = 4"));
    home_.exec(QStringLiteral("UPDATE ReelShelfIndex SET ID = '六 ', PS = '文字编号' WHERE ID = 6"));
    const Catalogue catalogue(home_.folder().catalogueFile());
    for (const QString& key :
        { QStringLiteral("NodeAll"), QStringLiteral("Node12"), QStringLiteral("Node120") }) {
        const MovieListing whole = list(key);
        const MovieListing lean = list(key, -1, MovieList::Intros::LeftOut);
        ASSERT_EQ(lean.rows.size(), whole.rows.size());
        EXPECT_EQ(lean.status, whole.status);
        for (qsizetype r = 0; r < whole.rows.size(); ++r) {
            const MovieRow& row = lean.rows.at(r);
            EXPECT_TRUE(row.introLeftOut());
            EXPECT_TRUE(row[ListCol::PS].isEmpty());
            QString error;
            const auto read = MovieList::withIntro(catalogue, row, &error);
            ASSERT_TRUE(read) << error.toStdString();
            EXPECT_FALSE(read->introLeftOut());
            EXPECT_EQ(read->cells(), whole.rows.at(r).cells()) << key.toStdString() << " row " << r;
        }
    }
    EXPECT_EQ(list(DiscTree::allKey).rows.at(1)[ListCol::PS], QStringLiteral("第一行\r\n第二行"));
    EXPECT_EQ(list(DiscTree::allKey).rows.at(5)[ListCol::ID], QStringLiteral("六 "));
}

TEST_F(MovieListTest, AnIntroIsNeverTakenFromAnotherMovieThatTookTheRowsPlace)
{
    const MovieListing lean = list(DiscTree::allKey, -1, MovieList::Intros::LeftOut);
    const Catalogue catalogue(home_.folder().catalogueFile());
    QString error;
    // Another program moves movie 1 to a new place, with a new introduction: found by its number.
    home_.exec(QStringLiteral("UPDATE ReelShelfIndex SET rowid = 1000, PS = '搬走了' WHERE ID = 1"));
    auto read = MovieList::withIntro(catalogue, lean.rows.at(0), &error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(read->view(ListCol::PS), u"搬走了");

    // Movie 40 is deleted and a new movie gets its rowid: no introduction of the stranger, and the
    // movie that is gone is said.
    home_.exec(QStringLiteral("DELETE FROM ReelShelfIndex WHERE ID = 40"));
    home_.exec(QStringLiteral(
        "INSERT INTO ReelShelfIndex (rowid, ID, MovieName, PS) VALUES (%1, 99, '别人', '别人的简介')")
                   .arg(lean.rows.at(39).rowid()));
    read = MovieList::withIntro(catalogue, lean.rows.at(39), &error);
    EXPECT_FALSE(read);
    EXPECT_EQ(error, QStringLiteral("找不到编号为 40 的影片记录。"));
}

TEST_F(MovieListTest, EveryFieldKeysReadTheLeftOutIntroductionsInOneGo)
{
    home_.exec(QStringLiteral("UPDATE ReelShelfIndex SET PS = '  刺客潜入ＱＩＮ宫 ' WHERE ID = 2"));
    home_.exec(QStringLiteral("UPDATE ReelShelfIndex SET PS = NULL, Nation = '中国 ' WHERE ID = 3"));
    home_.exec(QStringLiteral("UPDATE ReelShelfIndex SET PS = 12.5 WHERE ID = 7"));
    home_.exec(QStringLiteral("UPDATE ReelShelfIndex SET PS = '五号的简介' WHERE ID = 20"));
    const Catalogue catalogue(home_.folder().catalogueFile());
    const auto keyed = [&](const QList<MovieRow>& rows) {
        QString error;
        auto keys = QuickFilter::everyFieldKeys(
            catalogue, rows, [](qsizetype) { return true; }, &error);
        EXPECT_TRUE(keys) << error.toStdString();
        EXPECT_EQ(keys.value_or(std::vector<QString>()).size(), size_t(rows.size()));
        return keys.value_or(std::vector<QString>(size_t(rows.size())));
    };
    // Each key is what the row with its introduction read gives: in one walk for a large share
    // of the table, by seeks for a few rows, at once for rows that kept theirs.
    for (const QString& key :
        { QStringLiteral("NodeAll"), QStringLiteral("Node120"), QStringLiteral("Node5") }) {
        const QList<MovieRow> rows = list(key, -1, MovieList::Intros::LeftOut).rows;
        const std::vector<QString> keys = keyed(rows);
        for (qsizetype r = 0; r < rows.size(); ++r) {
            QString error;
            const auto whole = MovieList::withIntro(catalogue, rows.at(r), &error);
            ASSERT_TRUE(whole) << error.toStdString();
            EXPECT_EQ(keys[size_t(r)], QuickFilter::everyFieldKey(*whole, whole->view(ListCol::PS)))
                << key.toStdString() << " row " << r;
        }
        EXPECT_EQ(keyed(list(key).rows), keys) << "a listing with introductions gives the same";
    }
    const QList<MovieRow> all = list(DiscTree::allKey, -1, MovieList::Intros::LeftOut).rows;
    std::vector<QString> keys = keyed(all);
    EXPECT_TRUE(QuickFilter(QStringLiteral("qin 刺客")).matches(keys[1]));
    EXPECT_TRUE(QuickFilter(QStringLiteral("中国")).matches(keys[2])) << "a null introduction";
    EXPECT_TRUE(QuickFilter(QStringLiteral("12.5")).matches(keys[6])) << "an introduction stored as a number";

    // Another program moves movie 2 elsewhere and deletes movie 20; a stranger takes 20's place.
    home_.exec(QStringLiteral("UPDATE ReelShelfIndex SET rowid = 1000, PS = '搬走了' WHERE ID = 2"));
    home_.exec(QStringLiteral("DELETE FROM ReelShelfIndex WHERE ID = 20"));
    home_.exec(QStringLiteral(
        "INSERT INTO ReelShelfIndex (rowid, ID, MovieName, PS) VALUES (%1, 99, '别人', '别人的简介')")
                   .arg(all.at(19).rowid()));
    keys = keyed(all);
    EXPECT_TRUE(QuickFilter(QStringLiteral("搬走了")).matches(keys[1])) << "found by its number";
    EXPECT_FALSE(QuickFilter(QStringLiteral("简介")).matches(keys[19])) << "nothing of the stranger";
    EXPECT_TRUE(QuickFilter(QStringLiteral("五号11")).matches(keys[19])) << "its own texts stay";

    // Stopped: nothing, and no failure.
    QString error;
    qsizetype asked = 0;
    EXPECT_FALSE(QuickFilter::everyFieldKeys(
        catalogue, all, [&](qsizetype done) { return ++asked, done < 3; }, &error));
    EXPECT_EQ(asked, 3);
    EXPECT_TRUE(error.isEmpty());
    // A catalogue that cannot be read says so.
    ASSERT_TRUE(QFile::remove(home_.folder().catalogueFile()));
    EXPECT_FALSE(QuickFilter::everyFieldKeys(
        catalogue, all, [](qsizetype) { return true; }, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("ShelfIndex.db"))) << error.toStdString();
}

TEST(MovieListEmpty, EmptyMovieTableListsNothing)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    QString error;
    const auto l
        = MovieList::listForNode(Catalogue(home.folder().catalogueFile()), DiscTree::allKey, 1, 0, &error);
    ASSERT_TRUE(l) << error.toStdString();
    EXPECT_TRUE(l->emptyTable);
    EXPECT_TRUE(l->rows.isEmpty());
    EXPECT_FALSE(l->status.has_value());
    EXPECT_EQ(MovieList::emptyMessage, QStringLiteral("光盘数据库还未添加数据!"));
}

TEST(MovieRows, CellsAreTrimmedTextsWithNumbersInShortestForm)
{
    MovieRecord m;
    m[MovieField::ID] = 12.0;
    m[MovieField::MovieName] = QStringLiteral(" 英雄 ");
    m[MovieField::Year] = QStringLiteral("2002 ");
    m[MovieField::Filetype] = QStringLiteral("rmvb ");
    m[MovieField::Type] = QStringLiteral("动作/历史");
    m[MovieField::Company] = QStringLiteral(" ");
    m[MovieField::Lastfor] = 95.0;
    m[MovieField::PS] = QStringLiteral("第一行\r\n第二行 ");
    m[MovieField::DiskNum] = 7.0;
    m[MovieField::Score] = 7.5;
    m[MovieField::Seen] = QStringLiteral("yes");

    const MovieRow row = movieRow(m, true);
    EXPECT_EQ(row[ListCol::MovieName], QStringLiteral("英雄"));
    EXPECT_EQ(row[ListCol::Year], QStringLiteral("2002"));
    EXPECT_EQ(row[ListCol::FileType], QStringLiteral("rmvb"));
    EXPECT_EQ(row[ListCol::Type], QStringLiteral("动作/历史"));
    EXPECT_EQ(row[ListCol::Company], QString());
    EXPECT_EQ(row[ListCol::Lastfor], QStringLiteral("95 Mins"));
    EXPECT_EQ(row[ListCol::PS], QStringLiteral("第一行\r\n第二行"));
    EXPECT_EQ(row[ListCol::ID], QStringLiteral("12"));
    EXPECT_EQ(row[ListCol::DiskNum], QStringLiteral("7"));
    EXPECT_EQ(row[ListCol::Score], QStringLiteral("7.5"));
    EXPECT_EQ(row[ListCol::Seen], QStringLiteral("yes"));
    EXPECT_EQ(movieRow(m, false)[ListCol::MovieName], QStringLiteral(" 英雄 "));
}

TEST(MovieRows, NullFieldsLeaveEmptyCells)
{
    MovieRecord m;
    m[MovieField::ID] = 3.0;
    const MovieRow row = movieRow(m, true);
    for (int c = 0; c < ListColumnCount; ++c) {
        if (c != ListCol::ID) {
            EXPECT_TRUE(row[size_t(c)].isEmpty()) << c << " " << row[size_t(c)].toStdString();
        }
    }
    EXPECT_EQ(row[ListCol::Lastfor], QString()); // no " Mins" without a running time
    EXPECT_EQ(row[ListCol::Seen], QString());
}

TEST(MovieRows, IdStoredAsTextIsShownUntrimmed)
{
    MovieRecord m;
    m[MovieField::ID] = QStringLiteral(" 7 ");
    EXPECT_EQ(movieRow(m, true)[ListCol::ID], QStringLiteral(" 7 "));
}
