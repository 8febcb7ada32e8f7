#include "browse/movielisting.h"
#include "browse/quickfilter.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

MovieRow row(const QString& title, const QString& english = {}, const QString& director = {},
    const QString& cast = {}, const QString& notes = {})
{
    MovieRow::Cells cells;
    cells[ListCol::MovieName] = title;
    cells[ListCol::EngName] = english;
    cells[ListCol::Direct] = director;
    cells[ListCol::Role] = cast;
    cells[ListCol::PS] = notes;
    return MovieRow(cells);
}

bool keeps(const QString& typed, const MovieRow& r)
{
    return QuickFilter(typed).matches(QuickFilter::rowKey(r));
}

} // namespace

TEST(QuickFilterTest, TypedTextSplitsIntoFoldedWordsAtBlanksAndIdeographicSpaces)
{
    const struct
    {
        QString typed;
        QStringList words;
    } cases[] = {
        { QString(), {} },
        { QStringLiteral("   "), {} },
        { QString(QChar(0x3000)), {} },
        { QStringLiteral("  Matrix  "), { QStringLiteral("matrix") } },
        { QStringLiteral("英雄 Li"), { QStringLiteral("英雄"), QStringLiteral("li") } },
        { QStringLiteral("英雄\u3000张艺谋"), { QStringLiteral("英雄"), QStringLiteral("张艺谋") } },
        { QStringLiteral("ＴＨＥ　２００７"), { QStringLiteral("the"), QStringLiteral("2007") } },
        // A tab is not a word separator: only blanks are.
        { QStringLiteral("a\tb"), { QStringLiteral("a\tb") } },
        // A word typed again asks nothing more; a pasted page of them must not cost a search each.
        { QStringLiteral("a A ａ b a"), { QStringLiteral("a"), QStringLiteral("b") } },
        { QStringLiteral("a ").repeated(16383), { QStringLiteral("a") } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuickFilter(c.typed).words(), c.words) << c.typed.toStdString();
    EXPECT_TRUE(QuickFilter(QStringLiteral(" \u3000 ")).isEmpty());
}

TEST(QuickFilterTest, EveryWordMustOccurInTitleEnglishTitleDirectorOrCast)
{
    const MovieRow hero = row(QStringLiteral("英雄 "), QStringLiteral("Hero"), QStringLiteral("张艺谋"),
        QStringLiteral("李连杰,梁朝伟"), QStringLiteral("notes: Matrix"));
    const struct
    {
        const char* typed;
        bool kept;
    } cases[] = {
        { "英雄", true }, { "HERO", true }, { "ｈｅｒｏ", true }, { "ＨＥＲＯ", true }, { "her 张", true },
        { "梁朝伟 英雄 hero", true }, { "英雄 matrix", false }, // notes are not searched
        { "heroes", false }, { "hero 成龙", false }, { "雄h", false }, // no match across two fields
    };
    for (const auto& c : cases)
        EXPECT_EQ(keeps(QString::fromUtf8(c.typed), hero), c.kept) << c.typed;
}

TEST(QuickFilterTest, FullWidthFormsAndCaseFoldInTheRowsToo)
{
    const MovieRow wide = row(QStringLiteral("ＡＢＣ２００７"), {}, QStringLiteral("Ｊｏｈｎ Ｗｏｏ"));
    EXPECT_TRUE(keeps(QStringLiteral("abc2007"), wide));
    EXPECT_TRUE(keeps(QStringLiteral("ABC２００7 woo"), wide));
    EXPECT_TRUE(keeps(QStringLiteral("Ａ"), row(QStringLiteral("a"))));
    // Letters outside ASCII fold their case as well.
    EXPECT_TRUE(keeps(QStringLiteral("AMÉLIE"), row(QStringLiteral("x"), QStringLiteral("Amélie"))));
    EXPECT_TRUE(keeps(QStringLiteral("ÖSTERREICH"), row(QStringLiteral("österreich"))));
    // Full-width signs fold to ASCII; the ideographic space in a row is a character like any other.
    EXPECT_TRUE(keeps(QStringLiteral("a!b"), row(QStringLiteral("Ａ！Ｂ"))));
}

TEST(QuickFilterTest, ANarrowingFilterOnlyNeedsTheRowsTheWiderOneKept)
{
    const struct
    {
        const char* wider;
        const char* narrower;
        bool narrows;
    } cases[] = {
        { "he", "her", true },
        { "her", "he", false },
        { "hero", "hero zhang", true },
        { "hero zhang", "hero", false },
        { "ab cd", "cdx abz", true },
        { "ab", "a b", false },
        { "", "a", true },
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuickFilter(QString::fromUtf8(c.narrower)).narrows(QuickFilter(QString::fromUtf8(c.wider))),
            c.narrows)
            << c.wider << " -> " << c.narrower;

    const std::vector<QString> keys = { QuickFilter::rowKey(row(QStringLiteral("Hero"))),
        QuickFilter::rowKey(row(QStringLiteral("Heat"))), QuickFilter::rowKey(row(QStringLiteral("Her"))),
        QuickFilter::rowKey(row(QStringLiteral("Cars"))) };
    const QuickFilter he(QStringLiteral("he"));
    EXPECT_EQ(he.filter(keys), (QList<int> { 0, 1, 2 }));
    const QuickFilter her(QStringLiteral("her"));
    EXPECT_EQ(her.filter(keys, he.filter(keys)), (QList<int> { 0, 2 }));
    // Candidates out of range are skipped rather than read.
    EXPECT_EQ(her.filter(keys, { 2, 7, -1 }), (QList<int> { 2 }));
}

TEST(QuickFilterTest, StatusTextGroupsThousandsWithCommas)
{
    EXPECT_EQ(QuickFilter::statusText(12, 4213), QStringLiteral("显示 12 / 共 4,213 部影视"));
    EXPECT_EQ(QuickFilter::statusText(0, 0), QStringLiteral("显示 0 / 共 0 部影视"));
    EXPECT_EQ(QuickFilter::statusText(1000, 100000), QStringLiteral("显示 1,000 / 共 100,000 部影视"));
}

TEST(QuickFilterTest, EveryFieldKeyFindsWordsInAnyTextAndTheIntroduction)
{
    MovieRow::Cells cells;
    cells[ListCol::MovieName] = QStringLiteral("英雄");
    cells[ListCol::Direct] = QStringLiteral("张艺谋");
    cells[ListCol::Type] = QStringLiteral("动作/历史");
    cells[ListCol::Definition] = QStringLiteral("ＤＶＤＲｉｐ");
    cells[ListCol::Company] = QStringLiteral("Edko Films");
    cells[ListCol::Nation] = QStringLiteral("中国");
    cells[ListCol::ID] = QStringLiteral("4711");
    cells[ListCol::Score] = QStringLiteral("8.5");
    cells[ListCol::Seen] = QStringLiteral("yes");
    const MovieRow hero(cells);
    const QString key = QuickFilter::everyFieldKey(hero, u"刺客无名进入秦宫。ＡＬＬ UNDER HEAVEN");
    const struct
    {
        const char* typed;
        bool kept;
    } cases[] = {
        { "秦宫", true }, // the introduction only
        { "历史 dvdrip", true }, { "edko", true }, { "中国", true }, // other fields
        { "英雄 秦宫 heaven", true }, { "all under", true }, // all words, folded, from several fields
        { "英雄 成龙", false }, { "秦宫 成龙", false }, // every word is needed
        { "中国刺客", false }, { "films中国", false }, // no word across two fields
        { "4711", false }, { "8.5", false }, { "yes", false }, // numbers and the seen flag are no words
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuickFilter(QString::fromUtf8(c.typed)).matches(key), c.kept) << c.typed;
    // The names part is the names key: a names filter and a wide one agree on the four names.
    EXPECT_TRUE(key.startsWith(QuickFilter::rowKey(hero)));
    // A movie without an introduction is keyed by its other texts.
    EXPECT_TRUE(QuickFilter(QStringLiteral("张艺谋 edko")).matches(QuickFilter::everyFieldKey(hero, {})));
    EXPECT_FALSE(QuickFilter(QStringLiteral("秦宫")).matches(QuickFilter::everyFieldKey(hero, {})));
}

TEST(QuickFilterTest, AWordIsFoundWhereverItsFirstCharacterRepeats)
{
    const QString key = QuickFilter::fold(u"aaab\nabab aabc\n的的的确");
    for (const char* word : { "aab", "abc", "aabc", "bab", "b", "的确", "的的确" })
        EXPECT_TRUE(QuickFilter(QString::fromUtf8(word)).matches(key)) << word;
    for (const char* word : { "aaaa", "abb", "的的的的", "确x", "aabcd", "bc的" })
        EXPECT_FALSE(QuickFilter(QString::fromUtf8(word)).matches(key)) << word;
    EXPECT_FALSE(QuickFilter(QStringLiteral("ab")).matches(u"a"));
    EXPECT_FALSE(QuickFilter(QStringLiteral("a")).matches(u""));
}
