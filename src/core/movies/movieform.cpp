#include "movieform.h"

#include "store/textrules.h"

#include <algorithm>
#include <cmath>

namespace MovieForms {

namespace {

using TextRules::numericValue;
using TextRules::storedText;
using TextRules::trimBlanks;

QString storedCompany(const QString& text)
{
    // The placeholder means no company was chosen: one blank, never an empty text.
    return text == companyPlaceholder ? QStringLiteral(" ") : storedText(text);
}

} // namespace

FieldValues storedFields(const MovieForm& f)
{
    FieldValues v;
    v.append({ MovieField::MovieName, trimBlanks(f.name) });
    v.append({ MovieField::Year, storedText(TextRules::shortestDecimal(numericValue(f.year))) });
    v.append({ MovieField::Filetype, storedText(f.format) });
    v.append({ MovieField::Type, checkedList(f.genres, Captions::editorGenres()) });
    v.append({ MovieField::Audio, storedText(f.audio) });
    v.append({ MovieField::SubTitile, checkedList(f.subtitles, Captions::subtitles()) });
    v.append({ MovieField::Definition, storedText(f.definition) });
    v.append({ MovieField::MovieSize, storedText(f.size) });
    v.append({ MovieField::FileNum, storedText(f.fileCount) });
    v.append({ MovieField::EngName, storedText(f.engName) });
    v.append({ MovieField::Direct, storedText(f.director) });
    v.append({ MovieField::Role, storedText(f.cast) });
    v.append({ MovieField::Company, storedCompany(f.company) });
    v.append({ MovieField::Lastfor, numericValue(f.length) });
    v.append({ MovieField::PS, storedText(f.intro) });
    v.append({ MovieField::Nation, storedText(f.nation) });
    v.append({ MovieField::Score, numericValue(f.score) });
    v.append({ MovieField::DiskNum, storedDiscNumber(f.discNumber) });
    if (f.seen != MovieForm::Seen::Unmarked)
        v.append({ MovieField::Seen,
            f.seen == MovieForm::Seen::Yes ? QStringLiteral("yes") : QStringLiteral("no") });
    return v;
}

MovieForm fromRow(const MovieRow& row)
{
    auto cell = [&](int column) { return trimBlanks(row[size_t(column)]); };
    MovieForm f;
    f.name = cell(ListCol::MovieName);
    f.discNumber = cell(ListCol::DiskNum);
    f.director = cell(ListCol::Direct);
    f.engName = cell(ListCol::EngName);
    f.year = cell(ListCol::Year);
    f.audio = cell(ListCol::Audio);
    f.size = cell(ListCol::MovieSize);
    f.fileCount = cell(ListCol::FileNum);
    f.format = cell(ListCol::FileType);
    f.length = cell(ListCol::Lastfor);
    f.definition = cell(ListCol::Definition);
    f.nation = cell(ListCol::Nation);
    f.cast = cell(ListCol::Role);
    f.intro = cell(ListCol::PS);
    f.company = cell(ListCol::Company);
    f.score = cell(ListCol::Score);
    const QString seen = cell(ListCol::Seen);
    if (seen == QStringLiteral("yes"))
        f.seen = MovieForm::Seen::Yes;
    else if (seen == QStringLiteral("no"))
        f.seen = MovieForm::Seen::No;
    f.genres = Captions::matchCaptions(cell(ListCol::Type), Captions::editorGenres());
    f.subtitles = Captions::matchCaptions(cell(ListCol::SubTitile), Captions::subtitles());
    return f;
}

std::optional<QString> problemWith(const MovieForm& form)
{
    if (trimBlanks(form.discNumber).isEmpty() || trimBlanks(form.name).isEmpty())
        return requiredMessage;
    const double score = numericValue(form.score);
    if (score < 0 || score > 10)
        return scoreRangeMessage;
    return std::nullopt;
}

double storedDiscNumber(const QString& typed)
{
    return numericValue(typed);
}

std::optional<QString> moveProblem(const QString& typedNumber)
{
    // A text without a number would read as disc 0.
    if (!TextRules::isWholeNumber(typedNumber))
        return requiredMessage;
    return std::nullopt;
}

FieldValues changedFields(const MovieForm& shown, const MovieForm& edited)
{
    const FieldValues before = storedFields(shown);
    FieldValues changed;
    for (const auto& entry : storedFields(edited)) {
        if (entry.first == MovieField::DiskNum)
            continue;
        const auto old = std::find_if(
            before.cbegin(), before.cend(), [&](const auto& stored) { return stored.first == entry.first; });
        if (old == before.cend() || old->second != entry.second)
            changed.append(entry);
    }
    return changed;
}

QString lineEndOf(const QString& text)
{
    if (text.contains(QStringLiteral("\r\n")))
        return QStringLiteral("\r\n");
    return text.contains(u'\r') ? QStringLiteral("\r") : QStringLiteral("\n");
}

QString forMessage(const QString& text)
{
    constexpr qsizetype longest = 100;
    if (text.size() <= longest)
        return text;
    const qsizetype cut = text.at(longest - 1).isHighSurrogate() ? longest - 1 : longest;
    return text.left(cut) + QStringLiteral("…");
}

} // namespace MovieForms
