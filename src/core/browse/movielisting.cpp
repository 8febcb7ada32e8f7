#include "movielisting.h"

#include "disctree.h"
#include "store/catalogue.h"
#include "store/textrules.h"

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

namespace {

// The ID cell is the stored value as text, untrimmed.
QString rawText(const QVariant& v)
{
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::QString)
        return v.toString();
    return TextRules::displayText(v);
}

} // namespace

MovieRow movieRow(const MovieRecord& record, bool trimTitle)
{
    MovieRow row;
    const auto& columns = listColumns();
    for (int c = 0; c < ListColumnCount; ++c) {
        const QVariant& v = record[columns[size_t(c)].field];
        if (v.isNull())
            continue;
        if (c == ListCol::ID)
            row[size_t(c)] = rawText(v);
        else if (c == ListCol::MovieName && !trimTitle)
            row[size_t(c)] = v.toString();
        else
            row[size_t(c)] = TextRules::displayText(v);
    }
    if (!record[MovieField::Lastfor].isNull())
        row[ListCol::Lastfor] += QStringLiteral(" Mins");
    return row;
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

std::optional<MovieListing> listForNode(
    const Catalogue& catalogue, const QString& nodeKey, int discCount, int favouriteCount, QString* error)
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
    const bool ok = catalogue.forEachMovie(
        [&](const MovieRecord& m) {
            if (all) {
                listing.rows.append(movieRow(m, true));
            } else {
                const QVariant& disc = m[MovieField::DiskNum];
                if (!disc.isNull() && TextRules::displayText(disc) == wanted)
                    listing.rows.append(movieRow(m, false));
            }
            return true;
        },
        error);
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
