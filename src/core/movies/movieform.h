#pragma once

#include "browse/movielisting.h"
#include "intro/captions.h"
#include "store/records.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <optional>
#include <utility>

// What the movie editor's controls hold, as the user left them. Texts are kept untouched; the
// stored forms are made only when the movie is written.
struct MovieForm
{
    enum class Seen { Unmarked, Yes, No };

    QString discNumber; // Text1 0
    QString name; // Text1 9
    QString year; // Combo1 0
    QString format; // Combo1 1
    QString audio; // Combo1 3
    QString definition; // Combo1 6
    QString size; // Text1 8
    QString fileCount; // Text1 2
    QString engName; // Text1 3
    QString director; // Text1 4
    QString cast; // Text1 5
    QString company; // ComboCompany
    QString length; // Text1 6
    QString intro; // TextPS
    QString nation; // Combo1 7
    QString score; // Text1 1
    Captions::GenreMarks genres {};
    Captions::SubtitleMarks subtitles {};
    Seen seen = Seen::Unmarked;
    QString posterPath; // Text2: a picture to copy as the poster, or empty
};

namespace MovieForms {

using FieldValues = QList<std::pair<MovieField, QVariant>>;

inline const QString companyPlaceholder = QStringLiteral("选择影片出品公司...");
inline const QString requiredMessage = QStringLiteral("必须填入相应光盘号和影片名!");
inline const QString noSuchDiscMessage = QStringLiteral("此光盘不存在!请先建立光盘容器.");
inline const QString scoreRangeMessage = QStringLiteral("评分必须是 0 到 10 之间的数字,请改正后再保存.");

// The captions of the checked boxes from the highest index down, joined by "/"; "" for none.
template <size_t N>
QString checkedList(const std::array<bool, N>& marks, const std::array<QString, N>& captions)
{
    QString list = QStringLiteral(""); // never null: a null text would be stored as NULL
    for (size_t i = N; i-- > 0;) {
        if (!marks[i])
            continue;
        if (!list.isEmpty())
            list += u'/';
        list += captions[i];
    }
    return list;
}

// The fields a save writes, in the order it writes them, in their stored forms; `ID` is not
// among them. `Seen` is there only when one of the two seen boxes is ticked.
FieldValues storedFields(const MovieForm& form);

// The editor's controls as the selected list row fills them.
MovieForm fromRow(const MovieRow& row);

// The warning for a form that cannot be saved as it is, or nothing. A number or name of blanks
// counts as empty; a score must lie between 0 and 10.
std::optional<QString> problemWith(const MovieForm& form);

// The disc number a movie stores for the typed number.
double storedDiscNumber(const QString& typed);

// The warning for a disc number a movie cannot be moved to: empty, blanks, or no number at all.
std::optional<QString> moveProblem(const QString& typedNumber);

// The fields an edit writes: those whose stored form differs between what the controls showed
// when the row filled them (`shown`) and what they hold now. A field the user left alone keeps
// its stored bytes, however long it is or however its lines end; the disc number is never among
// them, since its box is locked in an edit.
FieldValues changedFields(const MovieForm& shown, const MovieForm& edited);

// The line end a text uses: CR LF, a lone CR, or LF when it has none of the other two.
QString lineEndOf(const QString& text);

// A title as a message names it: cut to its first hundred characters and "…", so that a text of
// any length leaves the message box on the screen.
QString forMessage(const QString& text);

} // namespace MovieForms
