#pragma once

#include <QList>
#include <QStringView>
#include <string>
#include <vector>

// The order in which the movie list sorts a column, as the desktop's own file lists sort names:
// digits, then Latin letters ignoring case, then Chinese in pinyin order, then blanks, punctuation
// and everything else. Texts compare character by character, so "10" still comes before "9".
namespace ListOrder {

using SortKey = std::u32string;

// One key per text; comparing two keys compares their texts. The Chinese characters of all the
// texts are ranked by pinyin once, so a column of 100,000 titles is keyed quickly.
std::vector<SortKey> sortKeys(const QList<QStringView>& texts);

// The order of two texts (negative, zero or positive), for a single comparison.
int compare(QStringView a, QStringView b);

} // namespace ListOrder
