#pragma once

#include "browse/movielisting.h"

#include <QList>
#include <QString>
#include <optional>

class Catalogue;
struct StoredValue;

// The five ways of finding movies, numbered as the search window's pages.
enum class SearchKind : int { Title = 0, Year = 1, Genre = 2, Format = 3, Seen = 4 };

struct SearchQuery
{
    SearchKind kind = SearchKind::Title;
    QString text; // the box's text as typed (kinds Title to Format)
    bool exact = false; // Title: the whole name, not a part of it
    std::optional<bool> seen; // Seen: true for seen, false for not seen, nullopt for neither
};

struct SearchOutcome
{
    QList<MovieRow> rows;
    QString status; // the status line after the search; empty when nothing was searched
    bool emptyTable = false; // the movie table holds nothing: warn with MovieSearch::emptyMessage
};

namespace MovieSearch {

inline const QString emptyMessage = QStringLiteral("数据库还未添加数据。");
QString statusText(qsizetype found);

// The seen mark as the seen/unseen search reads it: exactly "yes" is seen, exactly "no" is not
// seen; anything else (null, "Yes", "yes ") is neither and found by neither search.
std::optional<bool> seenMark(const StoredValue& value);

// One search over the whole movie table in stored order. A criterion text that is empty (before
// trimming) searches nothing. Returns nullopt with the message in *error when the catalogue
// cannot be read.
std::optional<SearchOutcome> searchMovie(
    const Catalogue& catalogue, const SearchQuery& query, QString* error);

} // namespace MovieSearch
