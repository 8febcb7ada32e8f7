#include "moviesaving.h"

#include "posterfile.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/discnumbers.h"
#include "store/textrules.h"

namespace MovieSaving {

namespace {

void copyPoster(const DataFolder& folder, const MovieForm& form, double id, bool isNew, Outcome& outcome)
{
    const QString idText = TextRules::shortestDecimal(id);
    QString problem;
    const bool ok = form.posterPath.isEmpty()
        ? (!isNew || PosterFile::removeLeftover(folder, idText, &problem))
        : PosterFile::install(folder, idText, form.posterPath, &problem);
    if (!ok)
        outcome.warning = QStringLiteral("影片信息已保存,但海报没有保存:") + problem;
}

Outcome refused(const QString& error)
{
    Outcome o;
    o.error = error;
    return o;
}

} // namespace

std::optional<bool> discExists(const Catalogue& catalogue, const QString& typedNumber, QString* error)
{
    const auto discs = catalogue.discs(error);
    if (!discs)
        return std::nullopt;
    // The disc must list the movie once it is stored with the number's value.
    const StoredValue stored { StoredValue::Number, MovieForms::storedDiscNumber(typedNumber), {} };
    for (const DiscRecord& d : *discs)
        if (!d.diskNum.isNull() && DiscNumbers::holdsMovie(DiscNumbers::numberOf(d.diskNum), stored))
            return true;
    return false;
}

Outcome saveNewMovie(Catalogue& catalogue, const DataFolder& folder, const MovieForm& form)
{
    // A poster that cannot be copied is found out before anything is stored.
    if (!form.posterPath.isEmpty())
        if (const auto problem = PosterFile::problemWith(form.posterPath))
            return refused(*problem);
    MovieRecord record;
    for (const auto& [field, value] : MovieForms::storedFields(form))
        record[field] = value;
    Outcome outcome;
    // Another program may take the number between the look and the write; try the next one.
    for (int attempt = 0; attempt < 3 && !outcome.saved; ++attempt) {
        const std::optional<double> id = catalogue.nextMovieId(&outcome.error);
        if (!id)
            return outcome;
        record[MovieField::ID] = *id;
        outcome.error.clear();
        outcome.saved = catalogue.addMovie(record, &outcome.error);
        outcome.id = *id;
    }
    if (!outcome.saved)
        return outcome;
    copyPoster(folder, form, outcome.id, true, outcome);
    return outcome;
}

Outcome saveEditedMovie(Catalogue& catalogue, const DataFolder& folder, double id, const MovieForm& form)
{
    if (!form.posterPath.isEmpty())
        if (const auto problem = PosterFile::problemWith(form.posterPath))
            return refused(*problem);
    Outcome outcome;
    outcome.id = id;
    outcome.saved = catalogue.updateMovie(id, MovieForms::storedFields(form), &outcome.error);
    if (outcome.saved)
        copyPoster(folder, form, id, false, outcome);
    return outcome;
}

Outcome moveMovie(Catalogue& catalogue, double id, const QString& typedNumber)
{
    Outcome outcome;
    outcome.id = id;
    const std::optional<MovieRecord> movie = catalogue.findMovie(id, &outcome.error);
    if (!movie)
        return outcome;
    const QVariant& current = (*movie)[MovieField::DiskNum];
    const double target = MovieForms::storedDiscNumber(typedNumber);
    if (!current.isNull() && current.typeId() != QMetaType::QString && current.toDouble() == target)
        return outcome; // already there
    outcome.saved = catalogue.updateMovie(id, { { MovieField::DiskNum, target } }, &outcome.error);
    return outcome;
}

} // namespace MovieSaving
