#pragma once

#include "store/catalogue.h"
#include "store/records.h"

#include <QList>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class Catalogue;

// The twenty columns of the movie list. Column 0 is the title, 15 the hidden ID, 17 the disc.
struct ListColumn
{
    const char16_t* key;
    const char16_t* header;
    int settingsNumber; // -1: no setting, a fixed width of 1 twip
    bool centred;
    MovieField field;
};

inline constexpr int ListColumnCount = 20;
namespace ListCol {
enum : int {
    MovieName = 0,
    Year,
    FileType,
    Type,
    Audio,
    SubTitile,
    Definition,
    MovieSize,
    FileNum,
    EngName,
    Direct,
    Role,
    Company,
    Lastfor,
    PS,
    ID,
    Nation,
    DiskNum,
    Score,
    Seen
};
}

const std::array<ListColumn, ListColumnCount>& listColumns();

// A row as the list shows it: one text per column, "" for an empty cell. The twenty texts share
// one string, so a listing of a whole catalogue costs one allocation per movie, not twenty.
class MovieRow
{
public:
    using Cells = std::array<QString, ListColumnCount>;

    MovieRow() = default;
    explicit MovieRow(const Cells& cells);

    // A copy of one cell (const, so that assigning to it does not compile).
    const QString operator[](size_t column) const { return view(column).toString(); }
    QStringView view(size_t column) const
    {
        return QStringView(text_).mid(bounds_[column], bounds_[column + 1] - bounds_[column]);
    }
    Cells cells() const;

    // A listing leaves the introduction out: its PS cell is empty until MovieList::withIntro reads
    // it from the movie's place in the table.
    bool introLeftOut() const { return rowid_ >= 0; }
    qint64 rowid() const { return rowid_; }

private:
    friend class MovieRowBuilder;
    QString text_;
    std::array<qsizetype, ListColumnCount + 1> bounds_ {};
    qint64 rowid_ = -1; // set only while the introduction is left out
};

// `trimTitle`: the all-movies listing shows the title trimmed, a disc listing as stored.
MovieRow movieRow(const StoredMovie& stored, bool trimTitle);
MovieRow movieRow(const MovieRecord& record, bool trimTitle);
// A row of a listing that read the movie without its introduction (Catalogue::forEachListedMovie).
MovieRow listedMovieRow(const StoredMovie& stored, qint64 rowid, bool trimTitle);

struct MovieListing
{
    QList<MovieRow> rows;
    std::optional<QString> status; // nullopt: the status line stays as it was
    bool emptyTable = false; // the movie table holds nothing: nothing listed, status unchanged
    int rowIcon = 1; // 2 in the all-movies listing, 1 in a disc listing
};

namespace MovieList {

inline const QString emptyMessage = QStringLiteral("光盘数据库还未添加数据!");
inline const QString readyText = QStringLiteral("就绪");

enum class Intros { Read, LeftOut };

// The rows and status text for a click on the node with `nodeKey`. `discCount` and
// `favouriteCount` come from the last tree rebuild. The window leaves the introductions out.
std::optional<MovieListing> listForNode(const Catalogue& catalogue, const QString& nodeKey, int discCount,
    int favouriteCount, QString* error, Intros intros = Intros::Read);

// The row with its introduction: as it is when nothing was left out, otherwise with the PS cell
// read from the catalogue. When the movie at the row's place is no longer the row's movie (another
// program rewrote the table), the first movie with the row's number gives it. nullopt, with the
// message in *error, when the catalogue cannot be read or holds no movie with that number now.
std::optional<MovieRow> withIntro(const Catalogue& catalogue, const MovieRow& row, QString* error);

// The introduction of each of `rows`, as its PS cell shows it, handed to `visit` with the row's
// position, in no set order: rows that kept theirs give it at once, the others are read from the
// catalogue in one go (found as withIntro finds them; a movie deleted since gives ""). A visitor
// that returns false stops. False, with the message in *error, when the catalogue cannot be read.
using IntroVisitor = std::function<bool(qsizetype row, QStringView intro)>;
bool forEachIntro(
    const Catalogue& catalogue, const QList<MovieRow>& rows, const IntroVisitor& visit, QString* error);

QString statusForAll(int discCount, qsizetype rowCount);
QString statusForFavourites(int favouriteCount);
QString statusForDisc(const QString& discNumber, qsizetype rowCount);

} // namespace MovieList
