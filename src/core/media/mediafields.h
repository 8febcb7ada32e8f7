#pragma once

#include "mediafacts.h"
#include "store/records.h"

#include <QList>
#include <QString>
#include <optional>

// The movie fields a movie file's facts can fill where no description text gave them: running
// time, definition, dubbing languages and subtitles, in the fields' stored forms.
namespace MediaFields {

// "2160P", "1080P", "720P" or "标清" for a picture size; empty when the size is not known.
QString definitionOf(int width, int height);
// The dubbing caption of a language code ("chi" → "国语", "yue" → "粤语"); the code itself for a
// language without one; empty for no code.
QString audioCaption(const QString& code);
// The editor's subtitle caption of a language code ("chs" → "中文"; any other language "其它");
// empty for no code.
QString subtitleCaption(const QString& code);

// The values the facts of a movie's parts (in part order; nullopt for a part not read) give:
// Lastfor, Definition, Audio and SubTitile, each only when the facts tell it.
QList<std::pair<MovieField, QVariant>> fromFacts(const QList<std::optional<MediaFacts>>& parts);

// Sets each of those fields the movie leaves null; a value already there always stays. The
// fields it set, in the order above.
QList<MovieField> fillEmpty(MovieRecord& movie, const QList<std::optional<MediaFacts>>& parts);

} // namespace MediaFields
