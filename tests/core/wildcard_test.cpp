#include "store/textrules.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <vector>

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

namespace {

// The rules written out as plainly as possible: which prefixes of the text each token can reach.
bool reachableMatch(const QString& text, const QString& pattern)
{
    std::vector<bool> reach(size_t(text.size() + 1), false);
    reach[0] = true;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        std::vector<bool> next(reach.size(), false);
        const QChar p = pattern.at(i);
        if (p == u'*') {
            bool any = false;
            for (size_t j = 0; j < reach.size(); ++j)
                next[j] = any = any || reach[j];
        } else if (p == u'[') {
            const qsizetype close = pattern.indexOf(u']', i + 1);
            if (close < 0)
                return false;
            QString set = pattern.mid(i + 1, close - i - 1);
            i = close;
            const bool negated = set.startsWith(u'!');
            if (set.isEmpty()) {
                next = reach;
            } else {
                if (negated)
                    set.remove(0, 1);
                for (qsizetype j = 0; j < text.size(); ++j) {
                    bool in = false;
                    for (qsizetype k = 0; k < set.size(); ++k) {
                        if (k + 2 < set.size() && set.at(k + 1) == u'-') {
                            if (set.at(k + 2) < set.at(k))
                                return false;
                            in = in || (text.at(j) >= set.at(k) && text.at(j) <= set.at(k + 2));
                            k += 2;
                        } else {
                            in = in || text.at(j) == set.at(k);
                        }
                    }
                    next[size_t(j + 1)] = reach[size_t(j)] && in != negated;
                }
            }
        } else {
            for (qsizetype j = 0; j < text.size(); ++j) {
                const QChar c = text.at(j);
                const bool ok = p == u'?' || (p == u'#' ? c.isDigit() && c.unicode() < 0x80 : c == p);
                next[size_t(j + 1)] = reach[size_t(j)] && ok;
            }
        }
        reach.swap(next);
    }
    return reach.back();
}

} // namespace

TEST(Wildcard, AgreesWithTheRulesOnManySmallPatterns)
{
    // Small alphabets make stars, sets and repeats meet in every way.
    const QString patternChars = QStringLiteral("ab*?#[]!-");
    const QString textChars = QStringLiteral("ab1-");
    quint32 seed = 22;
    const auto next = [&](qsizetype below) {
        seed = seed * 1664525u + 1013904223u;
        return qsizetype((seed >> 8) % quint32(below));
    };
    for (int round = 0; round < 20000; ++round) {
        QString pattern;
        QString text;
        for (qsizetype n = next(9); n > 0; --n)
            pattern += patternChars.at(next(patternChars.size()));
        for (qsizetype n = next(9); n > 0; --n)
            text += textChars.at(next(textChars.size()));
        const TextRules::WildcardPattern compiled(pattern);
        ASSERT_EQ(compiled.matches(text), reachableMatch(text, pattern))
            << '"' << text.toStdString() << "\" against \"" << pattern.toStdString() << '"';
        if (compiled.matches(text)) {
            EXPECT_GE(text.size(), compiled.minimumLength()) << pattern.toStdString();
        }
    }
}

TEST(Wildcard, LeastLengthCountsEveryCharacterButStarsAndEmptySets)
{
    EXPECT_EQ(TextRules::WildcardPattern(QStringLiteral("*英?[a-z]#[]*x*")).minimumLength(), 5);
    EXPECT_EQ(TextRules::WildcardPattern(QStringLiteral("****")).minimumLength(), 0);
    EXPECT_FALSE(TextRules::WildcardPattern(QStringLiteral("ab[c")).isValid());
    EXPECT_TRUE(TextRules::WildcardPattern(QString()).matches(QString()));
    EXPECT_FALSE(TextRules::WildcardPattern(QString()).matches(QStringLiteral("a")));
}

TEST(Wildcard, PatternsAsLongAsTheSearchBoxTakesNeverHang)
{
    // Each of these took the former matcher seconds to minutes; a hang guard, not a benchmark.
    QElapsedTimer timer;
    timer.start();
    QString stars = QStringLiteral("*a").repeated(16383) + u'b'; // 32,767 characters
    const QString as = QString(32767, u'a');
    const TextRules::WildcardPattern manyStars(stars);
    EXPECT_FALSE(manyStars.matches(as));
    EXPECT_TRUE(manyStars.matches(as + u'b'));
    EXPECT_FALSE(manyStars.matches(QString(16000, u'a') + u'b')) << "shorter than the pattern's least length";
    // One long stretch that almost matches everywhere: "*aaa…ab*" against "aaa…a".
    const TextRules::WildcardPattern longStretch(u'*' + QString(16382, u'a') + QStringLiteral("b*"));
    EXPECT_FALSE(longStretch.matches(as));
    EXPECT_TRUE(longStretch.matches(as + QStringLiteral("bc")));
    const TextRules::WildcardPattern questions(
        QStringLiteral("*") + QStringLiteral("?a").repeated(8000) + u'b');
    EXPECT_FALSE(questions.matches(as));
    for (int i = 0; i < 100; ++i)
        EXPECT_FALSE(TextRules::wildcardMatch(as, stars));
    // Stars in a row, as many as a title search of every movie meets.
    const TextRules::WildcardPattern starsAround(QString(16383, u'*') + u'x' + QString(16383, u'*'));
    int found = 0;
    for (int i = 0; i < 100000; ++i)
        found += starsAround.matches(i % 2 ? QStringLiteral("abcxdef") : QStringLiteral("abcdef")) ? 1 : 0;
    EXPECT_EQ(found, 50000);
    EXPECT_LT(timer.elapsed(), 10000);
}

TEST(Wildcard, SetsAsLongAsTheSearchBoxTakesCostNoMoreThanShortOnes)
{
    // A set is looked up, not walked: 32,765 members tried at every place of 100,000 titles.
    QElapsedTimer timer;
    timer.start();
    const TextRules::WildcardPattern wide(QStringLiteral("*[") + QString(32765, u'b') + QStringLiteral("]*"));
    const TextRules::WildcardPattern notWide(
        QStringLiteral("*[!") + QString(32764, u'a') + QStringLiteral("]*"));
    const TextRules::WildcardPattern ranges(
        QStringLiteral("*[") + QStringLiteral("c-eb-dx-z").repeated(3276) + QStringLiteral("]*"));
    int found = 0;
    for (int i = 0; i < 100000; ++i) {
        const QString title = i % 2 ? QStringLiteral("夜上海的故事 b") : QStringLiteral("夜上海的故事 a");
        found += wide.matches(title) ? 1 : 0;
        found += notWide.matches(QStringLiteral("aaaaaaaaaa")) ? 1 : 0;
        found += ranges.matches(title) ? 1 : 0;
    }
    EXPECT_EQ(found, 100000);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_TRUE(ranges.matches(QStringLiteral("e")));
    EXPECT_FALSE(ranges.matches(QStringLiteral("f")));
    EXPECT_FALSE(ranges.matches(QStringLiteral("w")));
}
