#include "browse/listorder.h"
#include "testsupport.h"

#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

QStringList sorted(QStringList texts)
{
    std::stable_sort(texts.begin(), texts.end(),
        [](const QString& a, const QString& b) { return ListOrder::compare(a, b) < 0; });
    return texts;
}

} // namespace

TEST(ListOrder, DigitsThenLatinIgnoringCaseThenChineseByPinyinThenTheRest)
{
    const QStringList titles = { QStringLiteral("中国合伙人"), QStringLiteral(" 空格开头"),
        QStringLiteral("beta"), QStringLiteral("《阿甘正传》"), QStringLiteral("阿甘正传"),
        QStringLiteral("Alpha"), QStringLiteral("9"), QStringLiteral("10"), QStringLiteral("波斯王子"),
        QStringLiteral("alpha"), QStringLiteral("Zorro"), QStringLiteral(""), QStringLiteral("2046") };
    EXPECT_EQ(sorted(titles),
        (QStringList { QStringLiteral(""), QStringLiteral("10"), QStringLiteral("2046"), QStringLiteral("9"),
            QStringLiteral("Alpha"), QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("Zorro"),
            QStringLiteral("阿甘正传"), QStringLiteral("波斯王子"), QStringLiteral("中国合伙人"),
            QStringLiteral(" 空格开头"), QStringLiteral("《阿甘正传》") }));
}

TEST(ListOrder, FullWidthAndAccentedFormsSortWithTheirPlainLetters)
{
    EXPECT_EQ(ListOrder::compare(QStringLiteral("ＡＢＣ"), QStringLiteral("abc")), 0);
    EXPECT_EQ(ListOrder::compare(QStringLiteral("１２"), QStringLiteral("12")), 0);
    EXPECT_LT(ListOrder::compare(QStringLiteral("Amélie"), QStringLiteral("Amz")), 0);
    EXPECT_LT(ListOrder::compare(QStringLiteral("Zulu"), QStringLiteral("阿")), 0);
}

TEST(ListOrder, KeysOfAColumnOrderAsSingleComparisonsDo)
{
    const QStringList texts = { QStringLiteral("大话西游"), QStringLiteral("Matrix"), QStringLiteral("2012"),
        QStringLiteral("霸王别姬"), QStringLiteral("ma") };
    QList<QStringView> views;
    for (const QString& t : texts)
        views.append(t);
    const std::vector<ListOrder::SortKey> keys = ListOrder::sortKeys(views);
    for (qsizetype i = 0; i < texts.size(); ++i)
        for (qsizetype j = 0; j < texts.size(); ++j) {
            const int byKeys = keys[size_t(i)].compare(keys[size_t(j)]);
            const int single = ListOrder::compare(texts.at(i), texts.at(j));
            EXPECT_EQ(byKeys < 0, single < 0) << i << " " << j;
        }
}
