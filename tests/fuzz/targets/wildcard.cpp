// A wildcard pattern and a text, both up to the 32,767 characters a field holds: no crash, and no
// single match (the pattern's reading included) over 10 ms of processor time.
#include "fuzztarget.h"
#include "store/textrules.h"

#include <QString>
#include <algorithm>

namespace {

constexpr qsizetype longestField = 32767;
constexpr qint64 slowestCallNs = 10 * 1000 * 1000 * FuzzSupport::instrumentedSlowdown;

// Repeats `piece` up to `length` characters, so that short inputs reach the long fields where slow
// matching shows.
QString stretched(const QString& piece, qsizetype length)
{
    if (piece.isEmpty() || length <= piece.size())
        return piece.left(longestField);
    QString text;
    text.reserve(length);
    while (text.size() + piece.size() <= length)
        text += piece;
    return text;
}

} // namespace

REELSHELF_FUZZ_TARGET(wildcard)
{
    FuzzSupport::Input input(data, size);
    // Most inputs are taken as they are, which keeps the run quick; a flag byte with both top bits
    // set stretches a side to a length up to a field's.
    const std::uint8_t flags = input.byte();
    const bool stretch = (flags & 0xc0) == 0xc0;
    const qsizetype patternLength = stretch && (flags & 1) ? input.word() & 0x7fff : 0;
    const qsizetype textLength = stretch && (flags & 2) ? input.word() & 0x7fff : 0;
    const QString pattern = stretched(QString::fromUtf8(input.until('\0')), patternLength);
    const QString text = stretched(QString::fromUtf8(input.rest()), textLength);

    const qint64 start = FuzzSupport::threadNanoseconds();
    const TextRules::WildcardPattern compiled(pattern);
    const bool matched = compiled.matches(text);
    const qint64 spent = FuzzSupport::threadNanoseconds() - start;
    FUZZ_REQUIRE(spent < slowestCallNs);

    // A pattern of letters alone matches exactly the text equal to it (letter case counts).
    if (!pattern.isEmpty()
        && std::all_of(pattern.cbegin(), pattern.cend(), [](QChar c) { return c.isLetter(); }))
        FUZZ_REQUIRE(matched == (text == pattern));
    // Every text matches "*".
    FUZZ_REQUIRE(TextRules::wildcardMatch(text, QStringLiteral("*")));
    return 0;
}
