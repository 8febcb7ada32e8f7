#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <optional>
#include <vector>

class Catalogue;
class MovieRow;

// The quick filter of the movie list: a row is kept when its title, English title, director or
// cast (or, with Fields::All, any of its texts, the introduction included) contains every typed
// word, ignoring letter case and full-/half-width forms. Rows are matched through a folded key
// made once per row, so a keystroke costs one search per row.
class QuickFilter
{
public:
    // Which texts of a row the words are looked for in: rowKey or everyFieldKey.
    enum class Fields { Names, All };

    QuickFilter() = default;
    // Words are split at blanks and ideographic spaces (U+3000); none at all is no filter.
    explicit QuickFilter(const QString& typed);

    bool isEmpty() const { return words_.isEmpty(); }
    const QStringList& words() const { return words_; }
    bool operator==(const QuickFilter& other) const { return words_ == other.words_; }

    // True when every row this filter keeps is kept by `wider` too (each of its words lies
    // inside one of ours), so only the rows `wider` kept need checking.
    bool narrows(const QuickFilter& wider) const;

    bool matches(QStringView key) const;
    // The positions in `keys` of the rows kept, in order; from `candidates` only, when given.
    QList<int> filter(const std::vector<QString>& keys) const;
    QList<int> filter(const std::vector<QString>& keys, const QList<int>& candidates) const;

    // Letters in one case, full-width letters, digits and signs in their ASCII forms.
    static QString fold(QStringView text);
    // The folded title, English title, director and cast of a row, kept apart so that no word
    // matches across two of them.
    static QString rowKey(const MovieRow& row);
    // The folded texts of a row, `intro` standing for its introduction (a listing leaves that out):
    // the four of rowKey, then year, format, genre, audio, subtitles, definition, size, file count,
    // company and country. The numbers (ID, length, disc, score) and the seen flag are no words.
    static QString everyFieldKey(const MovieRow& row, QStringView intro);
    // everyFieldKey of each of `rows`, reading the introductions the listing left out from the
    // catalogue. `goOn` is asked after each row with the count done so far; false stops, giving
    // nullopt without an error. nullopt with the message in *error when the catalogue cannot be read.
    static std::optional<std::vector<QString>> everyFieldKeys(const Catalogue& catalogue,
        const QList<MovieRow>& rows, const std::function<bool(qsizetype done)>& goOn, QString* error);
    // "显示 12 / 共 4,213 部影视"
    static QString statusText(qsizetype shown, qsizetype total);

private:
    QStringList words_; // folded
};
