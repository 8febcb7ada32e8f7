#pragma once

#include "movielisting.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The movies grouped by one field, to browse by kind rather than by disc: by genre, decade,
// country, director, cast, definition, format, dubbing, subtitles, seen mark or rating. A field
// that holds several values (genres, a cast) puts a movie in the group of each; a movie without a
// value goes under "（未填写）".
namespace MovieGroups {

enum class Field {
    Genre,
    Decade,
    Country,
    Director,
    Cast,
    Definition,
    Format,
    Audio,
    Subtitles,
    Seen,
    Score
};

struct FieldChoice
{
    Field field;
    QString caption;
};
// The choices in the order the window lists them, each with its caption ("类型", "年代", ...).
const QList<FieldChoice>& fields();
QString caption(Field field);

inline const QString unfilledText = QStringLiteral("（未填写）");

struct Group
{
    QString text; // as the group list shows it: "张艺谋", "1990年代", "（未填写）"
    QList<int> rows; // indexes into the rows grouped, in their order; each movie once
    bool unfilled = false; // the movies without a value, whatever the others' texts
};

// The groups of `rows` by `field`, in the order they are shown: decades from the oldest, ratings
// from the highest, the seen mark 已看过 before 未看过, every other field by size and then by the
// first movie met; "（未填写）" last. One pass over the rows.
QList<Group> group(const QList<MovieRow>& rows, Field field);

// The values of one cell as `field` reads them: split on "/", "、", "," and their full-width forms (a cast on
// blanks too), trimmed, each once; a decade ("1990年代") or a seen mark ("已看过") for those fields. Empty
// when the cell holds nothing usable.
QStringList valuesOf(QStringView cell, Field field);

// "导演“张艺谋”：共 12 部影视"
QString statusText(Field field, const QString& groupText, qsizetype count);

} // namespace MovieGroups
