#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

class MovieRow;

// The quick filter of the movie list: a row is kept when its title, English title, director or
// cast contains every typed word, ignoring letter case and full-/half-width forms. Rows are
// matched through a folded key made once per row, so a keystroke costs one search per row.
class QuickFilter
{
public:
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
    // "显示 12 / 共 4,213 部影视"
    static QString statusText(qsizetype shown, qsizetype total);

private:
    QStringList words_; // folded
};
