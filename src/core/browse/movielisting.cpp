#include "movielisting.h"

#include "disctree.h"
#include "store/catalogue.h"
#include "store/discnumbers.h"
#include "store/textrules.h"

#include <QHash>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <algorithm>

const std::array<ListColumn, ListColumnCount>& listColumns()
{
    static const std::array<ListColumn, ListColumnCount> columns = { {
        { u"MovieName", u"电影名称", 0, false, MovieField::MovieName },
        { u"Year", u"年份", 1, true, MovieField::Year },
        { u"FileType", u"格式", 2, true, MovieField::Filetype },
        { u"Type", u"类型", 3, true, MovieField::Type },
        { u"Audio", u"配音", 4, true, MovieField::Audio },
        { u"SubTitile", u"字幕", 5, true, MovieField::SubTitile },
        { u"Definition", u"清晰度", 6, true, MovieField::Definition },
        { u"MovieSize", u"规格", 7, true, MovieField::MovieSize },
        { u"FileNum", u"文件数", 8, true, MovieField::FileNum },
        { u"EngName", u"英文名", 9, true, MovieField::EngName },
        { u"Direct", u"导演", 10, true, MovieField::Direct },
        { u"Role", u"演员", -1, false, MovieField::Role },
        { u"Company", u"出品公司", 11, true, MovieField::Company },
        { u"Lastfor", u"时长", 12, true, MovieField::Lastfor },
        { u"PS", u"附注", -1, false, MovieField::PS },
        { u"ID", u"", -1, false, MovieField::ID },
        { u"Nation", u"国家", 13, true, MovieField::Nation },
        { u"DiskNum", u"属碟号", 14, true, MovieField::DiskNum },
        { u"Score", u"评分", 15, true, MovieField::Score },
        { u"Seen", u"已看过", 16, true, MovieField::Seen },
    } };
    return columns;
}

MovieRow::MovieRow(const Cells& cells)
{
    for (size_t c = 0; c < cells.size(); ++c) {
        text_ += cells[c];
        bounds_[c + 1] = text_.size();
    }
}

MovieRow::Cells MovieRow::cells() const
{
    Cells out;
    for (size_t c = 0; c < out.size(); ++c)
        out[c] = (*this)[c];
    return out;
}

// Decodes the cells of one row into a scratch buffer, then makes the row's one string.
class MovieRowBuilder
{
public:
    void appendText(QByteArrayView utf8, bool trim)
    {
        if (trim)
            utf8 = TextRules::trimmedUtf8View(utf8);
        const qsizetype used = buffer_.size();
        buffer_.resize(used + utf8.size());
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QChar* end = decoder.appendToBuffer(buffer_.data() + used, utf8);
        buffer_.resize(end - buffer_.data());
    }
    void append(QStringView text) { buffer_.append(text.data(), text.size()); }
    void endCell(size_t column) { row_.bounds_[column + 1] = buffer_.size(); }
    void leaveIntroOut(qint64 rowid) { row_.rowid_ = rowid; }
    MovieRow take()
    {
        row_.text_ = QString(buffer_.data(), buffer_.size());
        buffer_.clear();
        return std::move(row_);
    }

private:
    QVarLengthArray<QChar, 1024> buffer_;
    MovieRow row_;
};

namespace {

void appendCell(MovieRowBuilder& builder, size_t column, const StoredValue& v, bool trimTitle)
{
    if (v.kind == StoredValue::Number) {
        builder.append(TextRules::shortestDecimal(v.number));
    } else if (v.kind == StoredValue::Text) {
        // The ID cell is the stored value untrimmed; a disc listing shows the title as stored.
        const bool trim = column != ListCol::ID && (column != ListCol::MovieName || trimTitle);
        builder.appendText(v.utf8, trim);
    }
    if (column == ListCol::Lastfor && v.kind != StoredValue::Null)
        builder.append(u" Mins");
    builder.endCell(column);
}

// One cell as a row shows it.
QString cellText(size_t column, const StoredValue& value)
{
    MovieRowBuilder builder;
    for (size_t c = 0; c < column; ++c)
        builder.endCell(c);
    appendCell(builder, column, value, true);
    return builder.take().view(column).toString();
}

QString cellText(size_t column, const QVariant& value)
{
    QByteArray buffer;
    return cellText(column, storedValue(value, buffer));
}

} // namespace

MovieRow movieRow(const StoredMovie& stored, bool trimTitle)
{
    MovieRowBuilder builder;
    const auto& columns = listColumns();
    for (size_t c = 0; c < size_t(ListColumnCount); ++c)
        appendCell(builder, c, stored[size_t(columns[c].field)], trimTitle);
    return builder.take();
}

MovieRow listedMovieRow(const StoredMovie& stored, qint64 rowid, bool trimTitle)
{
    MovieRowBuilder builder;
    const auto& columns = listColumns();
    for (size_t c = 0; c < size_t(ListColumnCount); ++c)
        appendCell(builder, c, stored[size_t(columns[c].field)], trimTitle);
    builder.leaveIntroOut(rowid);
    return builder.take();
}

MovieRow movieRow(const MovieRecord& record, bool trimTitle)
{
    StoredMovie stored;
    std::array<QByteArray, MovieFieldCount> buffers;
    for (size_t i = 0; i < stored.size(); ++i)
        stored[i] = storedValue(record.values[i], buffers[i]);
    return movieRow(stored, trimTitle);
}

namespace MovieList {

QString statusForAll(int discCount, qsizetype rowCount)
{
    return QStringLiteral("共%1张光碟,%2部影视.").arg(discCount).arg(rowCount);
}

QString statusForFavourites(int favouriteCount)
{
    return QStringLiteral("共有%1部收藏.").arg(favouriteCount);
}

QString statusForDisc(const QString& discNumber, qsizetype rowCount)
{
    return QStringLiteral(" 碟# ") + discNumber + QStringLiteral(" / 共%1部影视.").arg(rowCount);
}

std::optional<MovieRow> withIntro(const Catalogue& catalogue, const MovieRow& row, QString* error)
{
    if (!row.introLeftOut())
        return row;
    const auto atPlace = catalogue.movieFieldsAt(row.rowid(), { MovieField::ID, MovieField::PS }, error);
    if (!atPlace)
        return std::nullopt;
    QString intro;
    if (!atPlace->isEmpty() && cellText(ListCol::ID, atPlace->at(0)) == row.view(ListCol::ID)) {
        intro = cellText(ListCol::PS, atPlace->at(1));
    } else {
        const auto first = catalogue.findMovie(TextRules::numericValue(row[ListCol::ID]), error);
        if (!first)
            return std::nullopt;
        intro = cellText(ListCol::PS, first->values[size_t(MovieField::PS)]);
    }
    MovieRow::Cells cells = row.cells();
    cells[ListCol::PS] = intro;
    return MovieRow(cells);
}

bool forEachIntro(
    const Catalogue& catalogue, const QList<MovieRow>& rows, const IntroVisitor& visit, QString* error)
{
    std::vector<std::pair<qint64, qsizetype>> wanted; // rowid, row
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (!rows.at(i).introLeftOut()) {
            if (!visit(i, rows.at(i).view(ListCol::PS)))
                return true;
        } else {
            wanted.emplace_back(rows.at(i).rowid(), i);
        }
    }
    std::sort(wanted.begin(), wanted.end());
    std::vector<qint64> rowids;
    rowids.reserve(wanted.size());
    for (const auto& w : wanted)
        if (rowids.empty() || rowids.back() != w.first)
            rowids.push_back(w.first);

    // A row whose place now holds another movie, or none, is looked up by its number afterwards.
    QList<qsizetype> moved;
    size_t next = 0;
    bool stopped = false;
    const bool read = catalogue.forEachIntroAt(
        rowids,
        [&](qint64 rowid, const StoredValue& id, const StoredValue& ps) {
            for (; next < wanted.size() && wanted[next].first < rowid; ++next)
                moved.append(wanted[next].second);
            const QString number = cellText(ListCol::ID, id);
            const QString intro = cellText(ListCol::PS, ps);
            for (; !stopped && next < wanted.size() && wanted[next].first == rowid; ++next) {
                const qsizetype row = wanted[next].second;
                if (rows.at(row).view(ListCol::ID) != number)
                    moved.append(row);
                else if (!visit(row, intro))
                    stopped = true;
            }
            return !stopped;
        },
        error);
    if (!read)
        return false;
    if (stopped)
        return true;
    for (; next < wanted.size(); ++next)
        moved.append(wanted[next].second);
    if (moved.isEmpty())
        return true;

    // As withIntro does, the first movie in stored order with the row's number gives it.
    QHash<QString, QList<qsizetype>> byNumber;
    for (qsizetype row : moved)
        byNumber[rows.at(row)[ListCol::ID]].append(row);
    const bool found = catalogue.forEachStoredMovieFields(
        { MovieField::ID, MovieField::PS },
        [&](const StoredMovie& m) {
            const auto it = byNumber.find(cellText(ListCol::ID, m[size_t(MovieField::ID)]));
            if (it == byNumber.end())
                return true;
            const QString intro = cellText(ListCol::PS, m[size_t(MovieField::PS)]);
            for (qsizetype row : std::as_const(*it))
                stopped = stopped || !visit(row, intro);
            byNumber.erase(it);
            return !stopped && !byNumber.isEmpty();
        },
        error);
    if (!found)
        return false;
    // A movie deleted since the listing has no introduction to give.
    for (auto it = byNumber.cbegin(); !stopped && it != byNumber.cend(); ++it)
        for (qsizetype row : it.value())
            stopped = stopped || !visit(row, {});
    return true;
}

std::optional<MovieListing> listForNode(const Catalogue& catalogue, const QString& nodeKey, int discCount,
    int favouriteCount, QString* error, Intros intros)
{
    MovieListing listing;
    const qint64 count = catalogue.movieCount(error);
    if (count < 0)
        return std::nullopt;
    if (count == 0) {
        listing.emptyTable = true;
        return listing;
    }
    const bool all = nodeKey == DiscTree::allKey;
    listing.rowIcon = all ? 2 : 1;
    listing.rows.reserve(all ? count : 0);
    const QString wanted = DiscTree::discNumberOf(nodeKey);
    // The database narrows a disc listing down by number; the exact text decides.
    const std::optional<double> disc
        = all ? std::nullopt : std::optional<double>(TextRules::numericValue(wanted));
    const auto add = [&](const StoredMovie& m, qint64 rowid) {
        if (!all && !DiscNumbers::holdsMovie(wanted, m[size_t(MovieField::DiskNum)]))
            return true;
        listing.rows.append(intros == Intros::Read ? movieRow(m, all) : listedMovieRow(m, rowid, all));
        return true;
    };
    const bool ok = intros == Intros::Read ? catalogue.forEachStoredMovie(
                        disc, [&](const StoredMovie& m) { return add(m, -1); }, error)
                                           : catalogue.forEachListedMovie(disc, add, error);
    if (!ok)
        return std::nullopt;
    switch (DiscTree::kindOf(nodeKey)) {
    case DiscTree::NodeKind::All:
        listing.status = statusForAll(discCount, listing.rows.size());
        break;
    case DiscTree::NodeKind::Favourites:
        listing.status = statusForFavourites(favouriteCount);
        break;
    case DiscTree::NodeKind::Disc:
        listing.status = statusForDisc(wanted, listing.rows.size());
        break;
    default:
        break;
    }
    return listing;
}

} // namespace MovieList
