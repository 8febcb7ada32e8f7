// Movies grouped by a field, as the 分类 tab shows them.
#include "browse/moviegroups.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

using MovieGroups::Field;

MovieRow rowWith(std::initializer_list<std::pair<MovieField, QVariant>> values)
{
    return movieRow(movieWith(values), false);
}

// "text: rows" for each group, to compare in one line.
QStringList shown(const QList<MovieGroups::Group>& groups)
{
    QStringList out;
    for (const MovieGroups::Group& g : groups) {
        QStringList rows;
        for (int r : g.rows)
            rows << QString::number(r);
        out << g.text + QStringLiteral(": ") + rows.join(u' ');
    }
    return out;
}

} // namespace

TEST(MovieGroups, SeveralValuesPutAMovieInEachGroupAndEmptyOnesGoLast)
{
    const QList<MovieRow> rows = {
        rowWith({ { MovieField::Type, QStringLiteral("魔幻/西部 ") },
            { MovieField::Role, QStringLiteral("周润发 巩俐、刘德华") } }),
        rowWith({ { MovieField::Type, QStringLiteral("西部,战争") },
            { MovieField::Role, QStringLiteral("巩俐　周润发") } }),
        rowWith({ { MovieField::Type, QStringLiteral("  ") } }),
        rowWith({ { MovieField::Type, QStringLiteral("西部／历史，西部") } }),
    };
    // Largest first, then in the order met; a value twice in one movie counts once.
    EXPECT_EQ(shown(MovieGroups::group(rows, Field::Genre)),
        (QStringList { QStringLiteral("西部: 0 1 3"), QStringLiteral("魔幻: 0"), QStringLiteral("战争: 1"),
            QStringLiteral("历史: 3"), QStringLiteral("（未填写）: 2") }));
    // The cast also splits on blanks, the ideographic one included.
    EXPECT_EQ(shown(MovieGroups::group(rows, Field::Cast)),
        (QStringList { QStringLiteral("周润发: 0 1"), QStringLiteral("巩俐: 0 1"),
            QStringLiteral("刘德华: 0"), QStringLiteral("（未填写）: 2 3") }));
    // A long cast: each name once, whatever its case, and in the order met.
    QString cast = QStringLiteral("Zed zed");
    for (int i = 0; i < 2000; ++i)
        cast += QStringLiteral(" a%1 A%1").arg(i);
    const QStringList names = MovieGroups::valuesOf(cast + QStringLiteral(" ZED"), Field::Cast);
    ASSERT_EQ(names.size(), 2001);
    EXPECT_EQ(names.first(), QStringLiteral("Zed"));
    EXPECT_EQ(names.last(), QStringLiteral("a1999"));
    // Full-width letters and blanks of any width around a value part no group.
    EXPECT_EQ(shown(MovieGroups::group(
                  { rowWith({ { MovieField::Type, QStringLiteral("　Action　/喜剧") } }),
                      rowWith({ { MovieField::Type, QStringLiteral("ＡＣＴＩＯＮ\t,喜剧") } }) },
                  Field::Genre)),
        (QStringList { QStringLiteral("Action: 0 1"), QStringLiteral("喜剧: 0 1") }));
    // A director's name keeps its blanks.
    EXPECT_EQ(MovieGroups::valuesOf(u"Steven Spielberg / 张艺谋", Field::Director),
        (QStringList { QStringLiteral("Steven Spielberg"), QStringLiteral("张艺谋") }));
}

TEST(MovieGroups, DecadesRatingsAndTheSeenMarkHaveTheirOwnOrder)
{
    const QList<MovieRow> rows = {
        rowWith({ { MovieField::Year, 2004.0 }, { MovieField::Score, QStringLiteral("7") },
            { MovieField::Seen, QStringLiteral("no") }, { MovieField::Filetype, QStringLiteral("AVI") } }),
        rowWith({ { MovieField::Year, QStringLiteral("1994年") }, { MovieField::Score, 9.0 },
            { MovieField::Seen, QStringLiteral("yes") }, { MovieField::Filetype, QStringLiteral("avi ") } }),
        rowWith(
            { { MovieField::Year, QStringLiteral("不详") }, { MovieField::Seen, QStringLiteral("Yes") } }),
        rowWith({ { MovieField::Year, QStringLiteral("2009") }, { MovieField::Score, QStringLiteral("8.5") },
            { MovieField::Filetype, QStringLiteral("mkv") } }),
    };
    EXPECT_EQ(shown(MovieGroups::group(rows, Field::Decade)),
        (QStringList { QStringLiteral("1990年代: 1"), QStringLiteral("2000年代: 0 3"),
            QStringLiteral("（未填写）: 2") }));
    EXPECT_EQ(shown(MovieGroups::group(rows, Field::Score)),
        (QStringList { QStringLiteral("9 分: 1"), QStringLiteral("8.5 分: 3"), QStringLiteral("7 分: 0"),
            QStringLiteral("（未填写）: 2") }));
    // Only exactly "yes" and "no" are marks, as the seen search reads them.
    EXPECT_EQ(shown(MovieGroups::group(rows, Field::Seen)),
        (QStringList {
            QStringLiteral("已看过: 1"), QStringLiteral("未看过: 0"), QStringLiteral("（未填写）: 2 3") }));
    // One group whatever the letter case, shown as first met.
    EXPECT_EQ(shown(MovieGroups::group(rows, Field::Format)),
        (QStringList {
            QStringLiteral("AVI: 0 1"), QStringLiteral("mkv: 3"), QStringLiteral("（未填写）: 2") }));
    EXPECT_EQ(MovieGroups::statusText(Field::Director, QStringLiteral("张艺谋"), 1234),
        QStringLiteral("导演“张艺谋”：共 1,234 部影视"));
}
