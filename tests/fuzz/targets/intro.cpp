// Bytes as a description text beside a movie file: read as both imports read it (encoding found,
// control characters dropped, lines split), then taken apart by the editor's and the wizard's
// markers. A text is refused or read, never both; what is read holds no control characters or
// runs of U+FFFD; each field gets what its rule says.
#include "fuzztarget.h"
#include "intro/descriptionfile.h"
#include "intro/introparser.h"
#include "intro/introrules.h"
#include "store/textrules.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <span>
#include <unistd.h>

using namespace Intro;

namespace {

// One file per process, so that parallel fuzz jobs do not read each other's input.
QString scratchFile()
{
    const QString folder = QStringLiteral(REELSHELF_FUZZ_SCRATCH);
    QDir().mkpath(folder);
    return folder + QStringLiteral("/intro-%1.txt").arg(::getpid());
}

bool isStrayControl(char16_t c)
{
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || (c >= 0x7F && c <= 0x9F);
}

bool hasLoneSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return true;
    }
    return false;
}

// Text a user could have typed: no control characters other than tabs and line breaks, nothing
// that decodes as U+FFFD.
bool isCleanText(QStringView text)
{
    for (const QChar c : text)
        if (isStrayControl(c.unicode()) || c.unicode() == 0xFFFD)
            return false;
    return true;
}

void checkLines(const QStringList& lines)
{
    for (const QString& line : lines) {
        FUZZ_REQUIRE(!line.contains(u'\n') && !line.contains(u'\r'));
        FUZZ_REQUIRE(!line.contains(QStringLiteral("\uFFFD\uFFFD")));
        for (const QChar c : line)
            FUZZ_REQUIRE(!isStrayControl(c.unicode()));
    }
}

bool startsWithAny(const QString& text, std::span<const BlockMarker> markers, MovieField field)
{
    for (const BlockMarker& m : markers)
        if (m.field == field && text.startsWith(m.text))
            return true;
    return false;
}

// Whether the text is one character, a pair of surrogates being one.
bool isOneCharacter(QStringView text)
{
    return text.size() == 1 || (text.size() == 2 && text[0].isHighSurrogate() && text[1].isLowSurrogate());
}

// A line field's value is what follows one of its markers and one separator on some line.
bool followsMarker(const QString& value, const QStringList& lines, MovieField field)
{
    for (const QString& line : lines) {
        for (const LineMarker& m : lineMarkers()) {
            if (m.field != field || !line.startsWith(m.text) || !line.endsWith(value)
                || line.size() - value.size() < m.text.size())
                continue;
            const QStringView separator = QStringView(line).chopped(value.size()).sliced(m.text.size());
            if (isOneCharacter(separator) || (value.isEmpty() && separator.isEmpty()))
                return true;
        }
    }
    return false;
}

void checkParse(const QStringList& lines, const RuleSet& rules)
{
    const IntroResult r = parseIntroText(lines, rules);
    const bool linesHaveLoneSurrogates
        = std::any_of(lines.cbegin(), lines.cend(), [](const QString& l) { return hasLoneSurrogate(l); });
    for (auto it = r.fields.cbegin(); it != r.fields.cend(); ++it) {
        const MovieField field = it.key();
        const QString& value = it.value();
        FUZZ_REQUIRE(!value.isNull());
        // A character is never cut in half between a marker and its value.
        FUZZ_REQUIRE(linesHaveLoneSurrogates || !hasLoneSurrogate(value));
        const std::optional<Conversion> conversion = rules.conversionFor(field);
        if (field == MovieField::PS) {
            if (r.introFound)
                FUZZ_REQUIRE(startsWithAny(value, blockMarkers(), field));
            else
                FUZZ_REQUIRE(value == wholeText(lines));
        } else if (field == MovieField::Role || field == MovieField::Company) {
            // A block of names ends before the next mark of its family.
            FUZZ_REQUIRE(!value.contains(u'◎') || !value.contains(u'◆'));
            FUZZ_REQUIRE(field != MovieField::Company || !value.contains(u'◎'));
        } else if (conversion == Conversion::Text) {
            FUZZ_REQUIRE(followsMarker(value, lines, field));
        } else {
            // Numbers are stored in their one written form.
            FUZZ_REQUIRE(conversion == Conversion::Number || conversion == Conversion::RoundedNumber);
            double number = 0;
            FUZZ_REQUIRE(TextRules::isWholeNumber(value, &number));
            FUZZ_REQUIRE(TextRules::shortestDecimal(number) == value);
            if (conversion == Conversion::RoundedNumber)
                FUZZ_REQUIRE(std::trunc(number) == number);
            // The stars follow the score; past fifteen digits the stored form is the rounder of the two.
            if (field == MovieField::Score)
                FUZZ_REQUIRE(TextRules::shortestDecimal(r.score) == value);
        }
    }
    if (!r.recognised && !r.introFound)
        FUZZ_REQUIRE(r.fields.size() == 1 && r.fields.contains(MovieField::PS));
    if (r.recognised)
        FUZZ_REQUIRE(!r.fields.contains(MovieField::PS) || r.introFound);
}

DescriptionFile readBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    FUZZ_REQUIRE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_REQUIRE(file.write(bytes) == bytes.size());
    file.close();
    return readDescriptionFile(path);
}

} // namespace

REELSHELF_FUZZ_TARGET(intro)
{
    static const QString path = scratchFile();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const DescriptionFile file = readBytes(path, bytes);
    FUZZ_REQUIRE(file.ok() != !file.error.isEmpty());
    FUZZ_REQUIRE(file.ok() || file.lines.isEmpty());
    checkLines(file.lines);

    // A clean UTF-8 text is read line for line, and so are its UTF-8 and UTF-16 forms with a
    // byte-order mark.
    if (TextRules::isUtf8(bytes)) {
        const QString text = QString::fromUtf8(bytes);
        if (isCleanText(text)) {
            const QStringList lines = splitLines(text);
            FUZZ_REQUIRE(file.ok() && file.lines == lines);
            for (const TextRules::TextEncoding encoding :
                { TextRules::TextEncoding::Utf16Le, TextRules::TextEncoding::Utf16Be }) {
                const QByteArray mark
                    = encoding == TextRules::TextEncoding::Utf16Le ? "\xFF\xFE" : "\xFE\xFF";
                const DescriptionFile wide = readBytes(path, mark + TextRules::encodeText(text, encoding));
                FUZZ_REQUIRE(wide.ok() && wide.lines == lines);
            }
            const DescriptionFile marked = readBytes(path, "\xEF\xBB\xBF" + bytes);
            FUZZ_REQUIRE(marked.ok() && marked.lines == lines);
        }
    }

    checkParse(file.lines, editorRules());
    checkParse(file.lines, wizardRules());
    return 0;
}
