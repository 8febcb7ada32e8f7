// The wildcard patterns of the search and of the wizard's file types.
//
// A pattern is cut at its stars into segments of one-character tokens. The first segment must
// match at the start of the text, the last at its end, and each one between at the leftmost
// place after the one before: leftmost is never worse for what follows, so no choice is ever
// undone and many stars cost nothing.

#include "textrules.h"

#include <algorithm>

namespace TextRules {

WildcardPattern::WildcardPattern(QStringView pattern)
{
    valid_ = parse(pattern);
    if (!valid_) {
        tokens_.clear();
        segments_.clear();
    }
}

bool WildcardPattern::parse(QStringView pattern)
{
    Segment current;
    const auto closeSegment = [&] {
        current.end = qsizetype(tokens_.size());
        segments_.push_back(current);
        current = Segment { current.end, current.end, true };
    };
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        Token t;
        if (c == u'*') {
            // Stars in a row are one star: no empty segment between them.
            if (!starred_ || current.begin != qsizetype(tokens_.size()))
                closeSegment();
            starred_ = true;
            continue;
        }
        if (c == u'?') {
            t.kind = Token::AnyOne;
        } else if (c == u'#') {
            t.kind = Token::Digit;
        } else if (c == u'[') {
            const qsizetype close = pattern.indexOf(u']', i + 1);
            if (close < 0)
                return false;
            QStringView set = pattern.mid(i + 1, close - i - 1);
            i = close;
            if (set.isEmpty())
                continue; // "[]" stands for nothing
            t.kind = Token::Set;
            if (set.front() == u'!') {
                t.negated = true;
                set = set.mid(1);
            }
            t.firstRange = quint32(ranges_.size());
            for (qsizetype k = 0; k < set.size(); ++k) {
                if (k + 2 < set.size() && set[k + 1] == u'-') {
                    if (set[k + 2] < set[k])
                        return false;
                    ranges_.emplace_back(set[k].unicode(), set[k + 2].unicode());
                    k += 2;
                } else {
                    ranges_.emplace_back(set[k].unicode(), set[k].unicode());
                }
            }
            t.rangeCount = mergeRanges(t.firstRange);
        } else {
            t.ch = c.unicode();
        }
        current.literal = current.literal && t.kind == Token::Literal;
        tokens_.push_back(t);
    }
    closeSegment();

    // The fall-back table of each plain segment: where a partial match goes on after a mismatch.
    fallback_.assign(tokens_.size(), 0);
    for (const Segment& s : segments_) {
        if (!s.literal)
            continue;
        for (qsizetype k = 1; k < s.size(); ++k) {
            qsizetype j = fallback_[size_t(s.begin + k - 1)];
            const char16_t ch = tokens_[size_t(s.begin + k)].ch;
            while (j > 0 && ch != tokens_[size_t(s.begin + j)].ch)
                j = fallback_[size_t(s.begin + j - 1)];
            if (ch == tokens_[size_t(s.begin + j)].ch)
                ++j;
            fallback_[size_t(s.begin + k)] = j;
        }
    }
    return true;
}

// Sorts the ranges of the set that begins at `first` and joins those that touch, so a character
// is looked up in logarithmic time however long the set is. Returns how many are left.
quint32 WildcardPattern::mergeRanges(quint32 first)
{
    const auto begin = ranges_.begin() + first;
    std::sort(begin, ranges_.end());
    auto out = begin;
    for (auto r = begin; r != ranges_.end(); ++r) {
        if (out != begin && r->first <= (out - 1)->second + 1)
            (out - 1)->second = std::max((out - 1)->second, r->second);
        else
            *out++ = *r;
    }
    ranges_.erase(out, ranges_.end());
    return quint32(ranges_.size()) - first;
}

bool WildcardPattern::accepts(const Token& t, QChar c) const
{
    switch (t.kind) {
    case Token::Literal:
        return c.unicode() == t.ch;
    case Token::AnyOne:
        return true;
    case Token::Digit:
        return c >= u'0' && c <= u'9';
    case Token::Set:
        break;
    }
    // The last range that starts at or before the character is the only one that can hold it.
    const auto begin = ranges_.begin() + t.firstRange;
    const auto end = begin + t.rangeCount;
    const auto after = std::upper_bound(begin, end, c.unicode(),
        [](char16_t ch, const std::pair<char16_t, char16_t>& range) { return ch < range.first; });
    const bool inSet = after != begin && c.unicode() <= (after - 1)->second;
    return inSet != t.negated;
}

bool WildcardPattern::matchesAt(const Segment& s, QStringView text, qsizetype at) const
{
    for (qsizetype k = 0; k < s.size(); ++k)
        if (!accepts(tokens_[size_t(s.begin + k)], text[at + k]))
            return false;
    return true;
}

// The leftmost place at or after `from` where the segment matches and ends by `limit`; -1 when
// there is none. Plain characters are searched in linear time; a segment with "?", "#" or sets
// is tried place by place.
qsizetype WildcardPattern::find(const Segment& s, QStringView text, qsizetype from, qsizetype limit) const
{
    if (s.size() == 0)
        return from;
    if (!s.literal) {
        for (qsizetype at = from; at + s.size() <= limit; ++at)
            if (matchesAt(s, text, at))
                return at;
        return -1;
    }
    qsizetype matched = 0;
    for (qsizetype i = from; i < limit; ++i) {
        if (limit - i < s.size() - matched)
            return -1;
        const char16_t c = text[i].unicode();
        while (matched > 0 && c != tokens_[size_t(s.begin + matched)].ch)
            matched = fallback_[size_t(s.begin + matched - 1)];
        if (c == tokens_[size_t(s.begin + matched)].ch)
            ++matched;
        if (matched == s.size())
            return i + 1 - matched;
    }
    return -1;
}

bool WildcardPattern::matches(QStringView text) const
{
    if (!valid_)
        return false;
    const qsizetype n = text.size();
    if (n < minimumLength())
        return false;
    const Segment& head = segments_.front();
    if (!starred_)
        return n == head.size() && matchesAt(head, text, 0);
    const Segment& tail = segments_.back();
    // Long enough for all segments, so the head and the tail never overlap.
    const qsizetype tailStart = n - tail.size();
    if (!matchesAt(head, text, 0) || !matchesAt(tail, text, tailStart))
        return false;
    qsizetype at = head.size();
    for (size_t k = 1; k + 1 < segments_.size(); ++k) {
        const qsizetype found = find(segments_[k], text, at, tailStart);
        if (found < 0)
            return false;
        at = found + segments_[k].size();
    }
    return true;
}

bool wildcardMatch(const QString& text, const QString& pattern)
{
    return WildcardPattern(pattern).matches(text);
}

} // namespace TextRules
