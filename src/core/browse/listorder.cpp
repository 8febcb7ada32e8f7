#include "listorder.h"

#include "store/textrules.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QString>
#include <algorithm>

namespace ListOrder {

namespace {

enum CharClass : char32_t { Digit = 1, Latin = 2, Chinese = 3, Other = 4 };

constexpr char32_t keyOf(CharClass cls, char32_t weight)
{
    return (char32_t(cls) << 24) | (weight & 0xFFFFFF);
}

bool isChinese(QChar c)
{
    return !c.isSurrogate() && c.script() == QChar::Script_Han && c.isLetter();
}

// Digits, Latin letters and anything else; Chinese is ranked separately.
char32_t plainKey(QChar c)
{
    // Full-width digits and letters sort with their ordinary forms.
    c = TextRules::halfWidth(c);
    if (c >= u'0' && c <= u'9')
        return keyOf(Digit, c.unicode() - u'0');
    if (c.isLetter() && c.script() == QChar::Script_Latin) {
        // Accented letters sort with their base letter: é with e.
        QChar base = c;
        const QString decomposed = c.decomposition();
        if (!decomposed.isEmpty() && decomposed.at(0).unicode() < 0x80)
            base = decomposed.at(0);
        const char16_t lower = base.toLower().unicode();
        if (lower >= u'a' && lower <= u'z')
            return keyOf(Latin, lower - u'a');
        return keyOf(Latin, 26 + c.toLower().unicode());
    }
    return keyOf(Other, c.unicode());
}

// The pinyin rank of every distinct Chinese character in the texts.
QHash<char16_t, char32_t> chineseRanks(const QList<QStringView>& texts)
{
    QHash<char16_t, char32_t> ranks;
    for (QStringView t : texts)
        for (QChar c : t)
            if (isChinese(c))
                ranks.insert(c.unicode(), 0);
    QList<QString> chars;
    chars.reserve(ranks.size());
    for (auto it = ranks.cbegin(); it != ranks.cend(); ++it)
        chars.append(QString(QChar(it.key())));
    QCollator pinyin(QLocale(QLocale::Chinese, QLocale::China));
    std::sort(chars.begin(), chars.end(), [&](const QString& a, const QString& b) {
        const int c = pinyin.compare(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    for (qsizetype i = 0; i < chars.size(); ++i)
        ranks[chars.at(i).at(0).unicode()] = char32_t(i);
    return ranks;
}

SortKey keyFor(QStringView text, const QHash<char16_t, char32_t>& ranks)
{
    SortKey key;
    key.reserve(size_t(text.size()));
    for (QChar c : text)
        key.push_back(isChinese(c) ? keyOf(Chinese, ranks.value(c.unicode())) : plainKey(c));
    return key;
}

} // namespace

std::vector<SortKey> sortKeys(const QList<QStringView>& texts)
{
    const QHash<char16_t, char32_t> ranks = chineseRanks(texts);
    std::vector<SortKey> keys;
    keys.reserve(size_t(texts.size()));
    for (QStringView t : texts)
        keys.push_back(keyFor(t, ranks));
    return keys;
}

int compare(QStringView a, QStringView b)
{
    const std::vector<SortKey> keys = sortKeys({ a, b });
    return keys[0].compare(keys[1]);
}

} // namespace ListOrder
