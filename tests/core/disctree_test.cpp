#include "browse/disctree.h"
#include "store/catalogue.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

DiscTreeData load(const TestHome& home)
{
    QString error;
    const auto data = DiscTree::load(Catalogue(home.folder().catalogueFile()), &error);
    EXPECT_TRUE(data) << error.toStdString();
    return data.value_or(DiscTreeData {});
}

QString describe(const QList<DiscNode>& nodes)
{
    QStringList out;
    for (const DiscNode& n : nodes)
        out << QStringLiteral("%1 %2 %3").arg(n.key, n.text).arg(n.icon);
    return out.join(QStringLiteral("; "));
}

const QString yes = QStringLiteral("Yes");

} // namespace

TEST(DiscTree, DiscsWithConditionsAndAFavourite)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addDisc(
        QStringLiteral("2"), QStringLiteral("剧集"), QStringLiteral("DVD "), QStringLiteral("外借"), {}, yes);
    home.addDisc(QStringLiteral("3"), {}, QStringLiteral("DVD "), QStringLiteral("破损"));
    const DiscTreeData data = load(home);
    EXPECT_EQ(describe(data.discs), QStringLiteral("Node1 碟#1 2; Node2 碟#2[剧集] 3; Node3 碟#3 4"));
    EXPECT_EQ(describe(data.favourites), QStringLiteral("NodF2 碟#2[剧集] 3"));
    EXPECT_EQ(data.favourites.value(0).discNumber, QStringLiteral("2"));
    EXPECT_EQ(data.highestDiscNumber, 3);
    EXPECT_EQ(data.favouriteCount, 1);
    EXPECT_FALSE(data.emptyTable);
}

TEST(DiscTree, OnlyAnExactYesMakesAFavourite)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"), {}, QStringLiteral("DVD "), {}, {}, QStringLiteral("No"));
    home.addDisc(QStringLiteral("2"), {}, QStringLiteral("DVD "), {}, {}, QStringLiteral("yes"));
    home.addDisc(QStringLiteral("3"), {}, QStringLiteral("DVD "), {}, {}, QStringLiteral("YES"));
    home.addDisc(QStringLiteral("4"));
    home.addDisc(QStringLiteral("5"), {}, QStringLiteral("DVD "), {}, {}, QStringLiteral(" Yes "));
    const DiscTreeData data = load(home);
    EXPECT_EQ(data.discs.size(), 5);
    EXPECT_EQ(describe(data.favourites), QStringLiteral("NodF5 碟#5 2"));
    EXPECT_EQ(data.favouriteCount, 1);
}

TEST(DiscTree, HighestDiscNumberIsTheLargestNumericReading)
{
    TestHome home;
    home.addDisc(QStringLiteral("7"));
    home.addDisc(QStringLiteral("10 "));
    home.addDisc(QStringLiteral("9"));
    home.addDisc(QStringLiteral("第20号"));
    home.addDisc(QStringLiteral("-30"));
    const DiscTreeData data = load(home);
    EXPECT_EQ(data.highestDiscNumber, 10);
    // The stored blank is not part of the key; stored order, no sorting.
    EXPECT_EQ(data.discs.value(1).key, QStringLiteral("Node10"));
    EXPECT_EQ(data.discs.value(3).key, QStringLiteral("Node第20号"));
}

TEST(DiscTree, ADiscNumberThatIsNoNumberCountsZero)
{
    TestHome home;
    home.addDisc(QStringLiteral("A1"));
    const DiscTreeData data = load(home);
    EXPECT_EQ(data.highestDiscNumber, 0);
    EXPECT_EQ(describe(data.discs), QStringLiteral("NodeA1 碟#A1 2"));
}

TEST(DiscTree, AnOverflowingDiscNumberTakesNoPartInTheHighest)
{
    TestHome home;
    home.addDisc(QStringLiteral("7"));
    home.addDisc(QStringLiteral("1e999"));
    home.addDisc(QStringLiteral("-1e999"));
    EXPECT_EQ(load(home).highestDiscNumber, 7);
}

TEST(DiscTree, DiscWithoutNumberIsPassedOver)
{
    TestHome home;
    home.addDisc(QVariant(), QStringLiteral("无号"), QStringLiteral("DVD "), {}, {}, yes);
    home.addDisc(QStringLiteral("4"));
    const DiscTreeData data = load(home);
    EXPECT_EQ(describe(data.discs), QStringLiteral("Node4 碟#4 2"));
    EXPECT_TRUE(data.favourites.isEmpty());
    EXPECT_FALSE(data.emptyTable);
    EXPECT_EQ(data.highestDiscNumber, 4);
}

TEST(DiscTree, IconsByCondition)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"), {}, QStringLiteral("DVD "), QStringLiteral("良好"));
    home.addDisc(QStringLiteral("2"), {}, QStringLiteral("DVD "), QStringLiteral(" 外借 "));
    home.addDisc(QStringLiteral("3"), {}, QStringLiteral("DVD "), QStringLiteral("破损 "));
    home.addDisc(QStringLiteral("4"), {}, QStringLiteral("DVD "), QStringLiteral("送人了"));
    home.addDisc(QStringLiteral("5"), {}, QStringLiteral("DVD "), QStringLiteral(""));
    QList<int> icons;
    for (const DiscNode& n : load(home).discs)
        icons << n.icon;
    EXPECT_EQ(icons, (QList<int> { 2, 3, 4, 2, 2 }));
}

TEST(DiscTree, NumberAndNameAreTrimmed)
{
    TestHome home;
    home.addDisc(QStringLiteral(" 12 "), QStringLiteral(" 动作片 "), QStringLiteral("DVD "), {}, {}, yes);
    home.addDisc(QStringLiteral("13"), QStringLiteral("  "));
    const DiscTreeData data = load(home);
    ASSERT_EQ(data.discs.size(), 2);
    EXPECT_EQ(data.discs[0].key, QStringLiteral("Node12"));
    EXPECT_EQ(data.discs[0].text, QStringLiteral("碟#12[动作片]"));
    EXPECT_EQ(data.discs[0].discNumber, QStringLiteral("12"));
    EXPECT_EQ(data.favourites.value(0).key, QStringLiteral("NodF12"));
    EXPECT_EQ(data.favourites.value(0).text, QStringLiteral("碟#12[动作片]"));
    EXPECT_EQ(data.discs[1].text, QStringLiteral("碟#13"));
    // The record itself stays as stored.
    EXPECT_EQ(data.discs[0].record.name.toString(), QStringLiteral(" 动作片 "));
}

TEST(DiscTree, EmptyTableLeavesOnlyTheRoots)
{
    TestHome home;
    const DiscTreeData data = load(home);
    EXPECT_TRUE(data.emptyTable);
    EXPECT_TRUE(data.discs.isEmpty());
    EXPECT_TRUE(data.favourites.isEmpty());
    EXPECT_EQ(data.highestDiscNumber, 0);
    EXPECT_EQ(data.favouriteCount, 0);
}

TEST(DiscTree, KeysTellTheirKindAndDisc)
{
    using DiscTree::NodeKind;
    EXPECT_EQ(DiscTree::kindOf(QStringLiteral("NodeAll")), NodeKind::All);
    EXPECT_EQ(DiscTree::kindOf(QStringLiteral("NodeFav")), NodeKind::Favourites);
    EXPECT_EQ(DiscTree::kindOf(QStringLiteral("Node12")), NodeKind::Disc);
    EXPECT_EQ(DiscTree::kindOf(QStringLiteral("NodF12")), NodeKind::FavouriteDisc);
    EXPECT_EQ(DiscTree::discNumberOf(QStringLiteral("NodF12")), QStringLiteral("12"));
    EXPECT_EQ(DiscTree::discNumberOf(QStringLiteral("NodeFav")), QStringLiteral("Fav"));
}

TEST(DiscTree, UnreadableCatalogueIsReported)
{
    TestHome home;
    QString error;
    EXPECT_FALSE(DiscTree::load(Catalogue(home.path() + QStringLiteral("/missing/ShelfIndex.db")), &error));
    EXPECT_FALSE(error.isEmpty());
}
