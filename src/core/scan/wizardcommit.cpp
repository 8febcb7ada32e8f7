#include "wizardcommit.h"

#include "candidates.h"
#include "intro/descriptionfile.h"
#include "intro/introparser.h"
#include "largestfile.h"
#include "movies/posterfile.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/discnumbers.h"
#include "store/textrules.h"

#include <QFileInfo>

namespace WizardCommit {

namespace {

// The file's name without its extension, to find the poster and text named after it.
QString baseNameOf(const PreparedRow& row)
{
    return QFileInfo(row.foundName.isEmpty() ? row.name : row.foundName).completeBaseName();
}

void readDescription(MovieRecord& movie, const PreparedRow& row, const QString& magicSelect4V)
{
    const Intro::Mode mode = Intro::wizardRules().modeFor(magicSelect4V);
    if (mode == Intro::Mode::Nothing)
        return;
    const QString text = findLargestFile(row.folder, QStringLiteral("*.txt"), baseNameOf(row));
    if (text.isEmpty())
        return;
    const Intro::DescriptionFile file = Intro::readDescriptionFile(text);
    if (!file.ok())
        return; // an unreadable or oversized text is passed over, as a missing one is
    if (mode == Intro::Mode::WholeText) {
        movie[MovieField::PS] = Intro::wholeText(file.lines);
        return;
    }
    const Intro::IntroResult parsed = Intro::parseIntroText(file.lines, Intro::wizardRules());
    for (auto it = parsed.fields.cbegin(); it != parsed.fields.cend(); ++it) {
        const MovieField field = it.key();
        if (field == MovieField::Score || field == MovieField::Lastfor) {
            const double number = TextRules::numericValue(it.value());
            // Ten stars show a score: one outside 0 to 10 is not stored.
            if (field == MovieField::Score && (number < 0 || number > 10))
                continue;
            movie[field] = number;
        } else {
            movie[field] = it.value();
        }
    }
}

} // namespace

PreparedRow preparedRow(const CandidateRow& candidate)
{
    return { TextRules::trimBlanks(candidate.fileName), TextRules::trimBlanks(candidate.sizeText),
        candidate.folder, TextRules::trimBlanks(candidate.extension), candidate.foundName };
}

std::optional<QString> problemWith(const Catalogue& catalogue, const Disc& disc, qsizetype preparedRows)
{
    const QString number = TextRules::trimBlanks(disc.number);
    if (number.isEmpty() || disc.drive.isEmpty())
        return missingInputMessage;
    QString error;
    const auto existing = catalogue.discs(&error);
    if (!existing)
        return error;
    for (const DiscRecord& d : *existing)
        if (DiscNumbers::numberOf(d.diskNum) == number && !d.diskNum.isNull())
            return DiscNumbers::takenMessage(number);
    if (preparedRows == 0)
        return emptyListMessage;
    // Movies point to the disc by its value: "012" or "abc" would store movies no disc lists.
    const DiscNumbers::Check check = DiscNumbers::check(disc.number);
    if (!check.ok())
        return check.error;
    return std::nullopt;
}

MovieRecord movieFor(const PreparedRow& row, double id, const Disc& disc, const QString& magicSelect4V)
{
    MovieRecord movie;
    readDescription(movie, row, magicSelect4V);
    movie[MovieField::DiskNum] = TextRules::numericValue(disc.number);
    movie[MovieField::ID] = id;
    const qsizetype dot = row.name.lastIndexOf(u'.');
    movie[MovieField::MovieName]
        = dot < 0 ? row.name : TextRules::removeSeparators(row.name, { u'.' + row.name.mid(dot + 1) });
    movie[MovieField::MovieSize] = movieSizeText(row.sizeText);
    movie[MovieField::Filetype] = row.extension;
    return movie;
}

Result commit(Catalogue& catalogue, const DataFolder& folder, const QString& magicSelect4V, const Disc& disc,
    const QList<PreparedRow>& rows, const Progress& progress)
{
    Result result;
    if (const auto problem = problemWith(catalogue, disc, rows.size())) {
        result.error = *problem;
        return result;
    }
    const std::optional<double> firstId = catalogue.nextMovieId(&result.error);
    if (!firstId)
        return result;
    DiscRecord record;
    record.diskNum = TextRules::trimBlanks(disc.number);
    record.diskType = TextRules::storedText(disc.kind);
    if (!disc.name.isEmpty())
        record.name = disc.name;
    QList<MovieRecord> movies;
    movies.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (progress && !progress(int(i), int(rows.size()))) {
            result.error = cancelledMessage;
            return result;
        }
        movies.append(movieFor(rows.at(i), *firstId + double(i), disc, magicSelect4V));
    }
    if (!catalogue.addDiscsAndMovies({ record }, movies, &result.error))
        return result;
    result.stored = true;
    result.movies = movies;
    // Posters only once the records are in: a failed commit leaves Posters/ alone.
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QString idText = TextRules::shortestDecimal(*firstId + double(i));
        const QString picture
            = findLargestFile(rows.at(i).folder, QStringLiteral("*.jpg"), baseNameOf(rows.at(i)));
        QString problem;
        const bool ok = picture.isEmpty() ? PosterFile::removeLeftover(folder, idText, &problem)
                                          : PosterFile::install(folder, idText, picture, &problem);
        if (!ok)
            result.warnings << problem;
    }
    if (progress)
        progress(int(rows.size()), int(rows.size()));
    return result;
}

} // namespace WizardCommit
