#include "movielistmodel.h"

#include "browse/listorder.h"

#include <algorithm>
#include <numeric>

MovieListModel::MovieListModel(QObject* parent)
    : QAbstractTableModel(parent)
    , discIcon_(QStringLiteral(":/icons/list/movie_disc.png"))
    , allIcon_(QStringLiteral(":/icons/list/movie_all.png"))
{
}

int MovieListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int MovieListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ListColumnCount;
}

QVariant MovieListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size() || index.column() >= ListColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return rows_.at(index.row())[size_t(index.column())];
    case Qt::DecorationRole:
        if (index.column() == 0)
            return icon_ == 2 ? allIcon_ : discIcon_;
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            Qt::Alignment((listColumns()[size_t(index.column())].centred ? Qt::AlignHCenter : Qt::AlignLeft)
                | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant MovieListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ListColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    const ListColumn& c = listColumns()[size_t(section)];
    if (role == Qt::DisplayRole)
        return QString::fromUtf16(c.header);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(
            Qt::Alignment((c.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter));
    if (role == Qt::UserRole)
        return QString::fromUtf16(c.key);
    return {};
}

void MovieListModel::setRows(QList<MovieRow> rows, int icon)
{
    beginResetModel();
    rows_ = std::move(rows);
    icon_ = icon;
    if (isSorted())
        sortRows();
    endResetModel();
}

void MovieListModel::clear()
{
    setRows({}, icon_);
}

void MovieListModel::replaceRow(int row, MovieRow movie)
{
    if (row < 0 || row >= rows_.size())
        return;
    rows_[row] = std::move(movie);
    emit dataChanged(index(row, 0), index(row, ListColumnCount - 1));
}

void MovieListModel::removeMovieRow(int row)
{
    if (row < 0 || row >= rows_.size())
        return;
    beginRemoveRows({}, row, row);
    rows_.removeAt(row);
    endRemoveRows();
}

namespace {

// The order of the rows by the text of one column, as a text comparison (so "10" comes before
// "9"). Equal texts keep their order.
QList<int> sortedOrder(const QList<MovieRow>& rows, int column, Qt::SortOrder order)
{
    QList<QStringView> texts;
    texts.reserve(rows.size());
    for (const MovieRow& r : rows)
        texts.append(r.view(size_t(column)));
    const std::vector<ListOrder::SortKey> keys = ListOrder::sortKeys(texts);
    QList<int> permutation(rows.size());
    std::iota(permutation.begin(), permutation.end(), 0);
    std::stable_sort(permutation.begin(), permutation.end(), [&](int a, int b) {
        const int c = keys[size_t(a)].compare(keys[size_t(b)]);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    return permutation;
}

} // namespace

void MovieListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ListColumnCount)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    sortColumn_ = column;
    sortOrder_ = order;
    const QList<int> permutation = sortedOrder(rows_, column, order);
    QList<MovieRow> sorted;
    sorted.reserve(rows_.size());
    QList<int> newPosition(rows_.size());
    for (qsizetype i = 0; i < permutation.size(); ++i) {
        sorted.append(std::move(rows_[permutation.at(i)]));
        newPosition[permutation.at(i)] = int(i);
    }
    rows_ = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& idx : before)
        after << index(newPosition.at(idx.row()), idx.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void MovieListModel::sortRows()
{
    // Runs inside a reset: no persistent index survives it.
    const QList<int> permutation = sortedOrder(rows_, sortColumn_, sortOrder_);
    QList<MovieRow> sorted;
    sorted.reserve(rows_.size());
    for (int from : permutation)
        sorted.append(std::move(rows_[from]));
    rows_ = std::move(sorted);
}
