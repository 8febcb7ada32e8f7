#include "moviesearch.h"

#include "store/catalogue.h"
#include "store/textrules.h"

namespace {

// A stored value as text, as the search compares it; nullopt for a null field.
std::optional<QString> fieldText(const StoredValue& v)
{
    switch (v.kind) {
    case StoredValue::Null:
        return std::nullopt;
    case StoredValue::Number:
        return TextRules::shortestDecimal(v.number);
    case StoredValue::Text:
        break;
    }
    return TextRules::decodeUtf8(v.utf8);
}

// The test of one kind, with the query prepared once for the whole walk.
class Matcher
{
public:
    explicit Matcher(const SearchQuery& query)
        : query_(query)
    {
        const QString q = TextRules::trimBlanks(query.text);
        switch (query.kind) {
        case SearchKind::Title:
            pattern_ = query.exact ? q.toLower() : u'*' + q.toLower() + u'*';
            field_ = MovieField::MovieName;
            break;
        case SearchKind::Year:
            pattern_ = u'*' + q + u'*';
            field_ = MovieField::Year;
            break;
        case SearchKind::Genre:
            pattern_ = u'*' + q + u'*';
            field_ = MovieField::Type;
            break;
        case SearchKind::Format:
            pattern_ = q.toLower();
            field_ = MovieField::Filetype;
            break;
        case SearchKind::Seen:
            field_ = MovieField::Seen;
            break;
        }
    }

    MovieField field() const { return field_; }

    bool matches(const StoredValue& value) const
    {
        const std::optional<QString> text = fieldText(value);
        // A movie without a value, a title included, is found by no criterion.
        if (!text)
            return false;
        switch (query_.kind) {
        case SearchKind::Title:
            return query_.exact ? text->toLower() == pattern_
                                : TextRules::wildcardMatch(text->toLower(), pattern_);
        case SearchKind::Year:
        case SearchKind::Genre:
            return TextRules::wildcardMatch(*text, pattern_);
        case SearchKind::Format:
            return TextRules::trimBlanks(*text).toLower() == pattern_;
        case SearchKind::Seen:
            return query_.seen && MovieSearch::seenMark(value) == query_.seen;
        }
        return false;
    }

private:
    const SearchQuery& query_;
    QString pattern_;
    MovieField field_ = MovieField::MovieName;
};

} // namespace

namespace MovieSearch {

std::optional<bool> seenMark(const StoredValue& value)
{
    if (value.kind != StoredValue::Text)
        return std::nullopt;
    if (value.utf8 == QByteArrayView("yes"))
        return true;
    if (value.utf8 == QByteArrayView("no"))
        return false;
    return std::nullopt;
}

QString statusText(qsizetype found)
{
    return QStringLiteral("搜索完毕,共发现 ") + QString::number(found) + QStringLiteral(" 项.");
}

std::optional<SearchOutcome> searchMovie(const Catalogue& catalogue, const SearchQuery& query, QString* error)
{
    SearchOutcome outcome;
    if (query.kind != SearchKind::Seen && query.text.isEmpty())
        return outcome;
    const qint64 count = catalogue.movieCount(error);
    if (count < 0)
        return std::nullopt;
    if (count == 0) {
        outcome.emptyTable = true;
    } else {
        const Matcher matcher(query);
        const bool ok = catalogue.forEachStoredMovieWhere(
            matcher.field(), [&](const StoredValue& v) { return matcher.matches(v); },
            [&](const StoredMovie& m) {
                outcome.rows.append(movieRow(m, true));
                return true;
            },
            error);
        if (!ok)
            return std::nullopt;
    }
    outcome.status = statusText(outcome.rows.size());
    return outcome;
}

} // namespace MovieSearch
