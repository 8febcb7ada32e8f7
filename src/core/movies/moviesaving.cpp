#include "moviesaving.h"

#include "posterfile.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/discnumbers.h"
#include "store/textrules.h"

#include <QDateTime>
#include <QFile>

namespace MovieSaving {

namespace {

// The chosen poster, copied beside the posters before anything is stored: a disk that cannot
// take it refuses the save. Nothing is staged when no poster was chosen or the chosen one already
// is the movie's own.
bool stagePoster(const DataFolder& folder, const MovieForm& form, const std::optional<double>& id,
    PosterFile::StagedPoster& staged, QString* error)
{
    PosterFile::removeAbandonedCopies(folder);
    if (form.posterPath.isEmpty()
        || (id && PosterFile::isPosterOf(folder, TextRules::shortestDecimal(*id), form.posterPath)))
        return true;
    return staged.stage(folder, form.posterPath, error);
}

// Puts the staged poster of an edited movie in place once the record is stored.
void placePoster(const DataFolder& folder, PosterFile::StagedPoster& staged, Outcome& outcome)
{
    QString problem;
    if (staged.isStaged() && !staged.place(folder, TextRules::shortestDecimal(outcome.id), &problem))
        outcome.warning = QStringLiteral("影片信息已保存,但海报没有保存:") + problem;
}

Outcome refused(const QString& error)
{
    Outcome o;
    o.error = error;
    return o;
}

// Whether a disc lists a movie stored with the typed number.
bool anyDiscHolds(const QList<DiscRecord>& discs, const QString& typedNumber)
{
    const StoredValue stored { StoredValue::Number, MovieForms::storedDiscNumber(typedNumber), {} };
    for (const DiscRecord& d : discs)
        if (!d.diskNum.isNull() && DiscNumbers::holdsMovie(DiscNumbers::numberOf(d.diskNum), stored))
            return true;
    return false;
}

double idOf(const MovieRow& row)
{
    return TextRules::numericValue(row[ListCol::ID]);
}

// A title or disc number as a message names it; "无" for none.
QString named(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("无") : MovieForms::forMessage(text);
}

} // namespace

std::optional<QString> staleRowProblem(const MovieRow& row, const MovieRecord& stored)
{
    // Compared as the list shows them, so a row made from the record always matches it.
    const MovieRow now = movieRow(stored, true);
    const QString title = TextRules::trimBlanks(row[ListCol::MovieName]);
    const QString disc = TextRules::trimBlanks(row[ListCol::DiskNum]);
    const QString storedTitle = now[ListCol::MovieName];
    const QString storedDisc = TextRules::trimBlanks(now[ListCol::DiskNum]);
    if (title == storedTitle && disc == storedDisc)
        return std::nullopt;
    return QStringLiteral(
        "编号为 %1 的影片记录已被其他程序改动：列表中是【%2】（碟 %3），目录中现在是【%4】（碟 %5）。"
        "没有做任何改动，请重新选择光盘或所有影碟以刷新列表后再试。")
        .arg(TextRules::shortestDecimal(idOf(row)), named(title), named(disc), named(storedTitle),
            named(storedDisc));
}

std::optional<bool> discExists(const Catalogue& catalogue, const QString& typedNumber, QString* error)
{
    const auto discs = catalogue.discs(error);
    if (!discs)
        return std::nullopt;
    return anyDiscHolds(*discs, typedNumber);
}

Outcome saveNewMovie(Catalogue& catalogue, const DataFolder& folder, const MovieForm& form)
{
    PosterFile::StagedPoster poster;
    QString problem;
    if (!stagePoster(folder, form, std::nullopt, poster, &problem))
        return refused(problem);
    MovieRecord record;
    for (const auto& [field, value] : MovieForms::storedFields(form))
        record[field] = value;
    Outcome outcome;
    std::optional<QString> refusal;
    bool placed = false;
    // The number, the disc and the poster are settled while the catalogue is ours: another program
    // cannot take the number or delete the disc in between, and a kill leaves the movie with its
    // poster or leaves neither.
    const auto plan = [&](const StoredSummary& stored) -> CatalogueContents {
        outcome.id = stored.nextMovieId;
        if (!anyDiscHolds(stored.discs, form.discNumber)) {
            refusal = MovieForms::noSuchDiscMessage;
            return {};
        }
        const QString idText = TextRules::shortestDecimal(outcome.id);
        // A deleted movie of the same number left its picture behind: kept aside, never shown
        // for this one and never overwritten.
        const bool leftoverAside
            = PosterFile::setLeftoverAside(folder, idText, QDateTime::currentDateTime(), &problem);
        if (poster.isStaged()) {
            if (!leftoverAside) {
                refusal = problem;
                return {};
            }
            placed = poster.place(folder, idText, &problem);
            if (!placed) {
                refusal = problem;
                return {};
            }
        } else if (!leftoverAside) {
            outcome.warning = QStringLiteral("影片信息已保存,但旧的海报没有移走:") + problem;
        }
        record[MovieField::ID] = outcome.id;
        return { {}, { record }, {} };
    };
    const bool stored = catalogue.addContents(plan, &outcome.error);
    if (refusal)
        return refused(*refusal);
    if (!stored && placed) {
        // The poster went in place for a movie that was then not stored: it belongs to no one.
        QFile::remove(folder.posterFor(TextRules::shortestDecimal(outcome.id)));
    }
    outcome.saved = stored;
    return outcome;
}

Outcome saveEditedMovie(Catalogue& catalogue, const DataFolder& folder, const MovieRow& row,
    const MovieForm& shown, const MovieForm& edited)
{
    PosterFile::StagedPoster poster;
    QString problem;
    if (!stagePoster(folder, edited, idOf(row), poster, &problem))
        return refused(problem);
    Outcome outcome;
    outcome.id = idOf(row);
    const MovieForms::FieldValues fields = MovieForms::changedFields(shown, edited);
    outcome.saved = catalogue.changeMovie(
        outcome.id,
        [&](const MovieRecord& stored) {
            return Catalogue::MovieChange { staleRowProblem(row, stored), fields };
        },
        &outcome.error);
    if (outcome.saved)
        placePoster(folder, poster, outcome);
    return outcome;
}

Outcome moveMovie(Catalogue& catalogue, const MovieRow& row, const QString& typedNumber)
{
    Outcome outcome;
    outcome.id = idOf(row);
    const double target = MovieForms::storedDiscNumber(typedNumber);
    bool alreadyThere = false;
    const bool done = catalogue.changeMovie(
        outcome.id,
        [&](const MovieRecord& stored) -> Catalogue::MovieChange {
            if (auto problem = staleRowProblem(row, stored))
                return { problem, {} };
            const QVariant& current = stored[MovieField::DiskNum];
            alreadyThere
                = !current.isNull() && current.typeId() != QMetaType::QString && current.toDouble() == target;
            if (alreadyThere)
                return {};
            return { std::nullopt, { { MovieField::DiskNum, target } } };
        },
        &outcome.error);
    outcome.saved = done && !alreadyThere;
    return outcome;
}

Outcome deleteMovie(Catalogue& catalogue, const MovieRow& row)
{
    Outcome outcome;
    outcome.id = idOf(row);
    outcome.saved = catalogue.deleteMovieIf(
        outcome.id, [&](const MovieRecord& stored) { return staleRowProblem(row, stored); }, &outcome.error);
    return outcome;
}

std::optional<QString> rowProblem(const Catalogue& catalogue, const MovieRow& row)
{
    QString error;
    const auto stored = catalogue.findMovie(idOf(row), &error);
    if (!stored)
        return error;
    return staleRowProblem(row, *stored);
}

} // namespace MovieSaving
