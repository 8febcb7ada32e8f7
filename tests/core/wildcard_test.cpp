#include "store/textrules.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using TextRules::wildcardMatch;

TEST(Wildcard, StarQuestionAndDigit)
{
    EXPECT_TRUE(wildcardMatch(QStringLiteral("the matrix"), QStringLiteral("*matrix*")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("matrix"), QStringLiteral("*matrix*")));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("MATRIX"), QStringLiteral("*matrix*"))) << "letter case counts";
    EXPECT_TRUE(wildcardMatch(QStringLiteral("anything"), QStringLiteral("**")));
    EXPECT_TRUE(wildcardMatch(QString(), QStringLiteral("**")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("英雄本色"), QStringLiteral("英?本*")));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("英雄"), QStringLiteral("英?本*")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("2007 "), QStringLiteral("*20#7*")));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("20x7"), QStringLiteral("20#7")));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("rmvb2"), QStringLiteral("rmvb")));
}

TEST(Wildcard, CharacterSets)
{
    EXPECT_TRUE(wildcardMatch(QStringLiteral("b"), QStringLiteral("[abc]")));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("d"), QStringLiteral("[abc]")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("d"), QStringLiteral("[!abc]")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("m"), QStringLiteral("[a-z]")));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("M"), QStringLiteral("[a-z]")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("a*b"), QStringLiteral("a[*]b")))
        << "a set makes a wildcard literal";
    EXPECT_TRUE(wildcardMatch(QStringLiteral("ab"), QStringLiteral("a[]b")));
}

TEST(Wildcard, InvalidPatternsMatchNothing)
{
    EXPECT_FALSE(wildcardMatch(QStringLiteral("[abc"), QStringLiteral("*[abc*")));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("x"), QStringLiteral("[z-a]")));
    // No exponential blow-up on many stars.
    EXPECT_FALSE(wildcardMatch(QString(200, u'a'), QString(60, u'*') + QStringLiteral("b")));
}
