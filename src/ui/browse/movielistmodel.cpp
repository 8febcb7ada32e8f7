#include "movielistmodel.h"

#include "app/plaintext.h"
#include "app/sharppicture.h"
#include "browse/listorder.h"

#include <algorithm>
#include <numeric>

MovieListModel::MovieListModel(QObject* parent)
    : QAbstractTableModel(parent)
    , discIcon_(SharpPicture::icon(QStringLiteral(":/icons/list/movie_disc.png")))
    , allIcon_(SharpPicture::icon(QStringLiteral(":/icons/list/movie_all.png")))
{
}

int MovieListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return int(filtered_ ? visible_.size() : rows_.size());
}

int MovieListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ListColumnCount;
}

QVariant MovieListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ListColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return rows_.at(sourceRow(index.row()))[size_t(index.column())];
    case Qt::ToolTipRole:
        return PlainText::tip(rows_.at(sourceRow(index.row()))[size_t(index.column())]);
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
    keys_.clear();
    wideKeys_ = {};
    ++rowsSerial_;
    if (isSorted())
        sortRows();
    // Folded now, while the listing is being shown anyway, so that no keystroke waits for it.
    ensureKeys();
    filtered_ = !filter_.isEmpty();
    visible_.clear();
    visibleFromWide_ = false;
    if (filtered_)
        visible_ = filter_.filter(keys_);
    endResetModel();
}

void MovieListModel::clear()
{
    setRows({}, icon_);
}

void MovieListModel::replaceRow(int row, MovieRow movie)
{
    if (row < 0 || row >= rowCount())
        return;
    // An edited row stays shown even if it no longer matches: the user just worked on it.
    const int source = sourceRow(row);
    rows_[source] = std::move(movie);
    ++rowsSerial_;
    if (!keys_.empty())
        keys_[size_t(source)] = QuickFilter::rowKey(rows_.at(source));
    if (!wideKeys_.empty())
        wideKeys_[size_t(source)]
            = QuickFilter::everyFieldKey(rows_.at(source), rows_.at(source).view(ListCol::PS));
    emit dataChanged(index(row, 0), index(row, ListColumnCount - 1));
}

void MovieListModel::removeMovieRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    const int source = sourceRow(row);
    beginRemoveRows({}, row, row);
    rows_.removeAt(source);
    ++rowsSerial_;
    if (!keys_.empty())
        keys_.erase(keys_.begin() + source);
    if (!wideKeys_.empty())
        wideKeys_.erase(wideKeys_.begin() + source);
    if (filtered_) {
        visible_.removeAt(row);
        for (qsizetype i = row; i < visible_.size(); ++i)
            --visible_[i];
    }
    endRemoveRows();
}

void MovieListModel::ensureKeys()
{
    if (!keys_.empty() || rows_.isEmpty())
        return;
    keys_.reserve(size_t(rows_.size()));
    for (const MovieRow& r : rows_)
        keys_.push_back(QuickFilter::rowKey(r));
}

int MovieListModel::shownRow(int source) const
{
    if (!filtered_)
        return source;
    const auto it = std::lower_bound(visible_.cbegin(), visible_.cend(), source);
    return it != visible_.cend() && *it == source ? int(it - visible_.cbegin()) : -1;
}

QList<int> MovieListModel::persistentSources(const QModelIndexList& indexes) const
{
    QList<int> sources;
    sources.reserve(indexes.size());
    for (const QModelIndex& idx : indexes)
        sources.append(idx.isValid() && idx.row() < rowCount() ? sourceRow(idx.row()) : -1);
    return sources;
}

void MovieListModel::movePersistentIndexes(const QModelIndexList& indexes, const QList<int>& sources)
{
    QModelIndexList after;
    after.reserve(indexes.size());
    for (qsizetype i = 0; i < indexes.size(); ++i) {
        const int row = sources.at(i) < 0 ? -1 : shownRow(sources.at(i));
        after << (row < 0 ? QModelIndex() : index(row, indexes.at(i).column()));
    }
    changePersistentIndexList(indexes, after);
}

void MovieListModel::setQuickFilter(const QuickFilter& filter)
{
    if (filter == filter_)
        return;
    // A narrowing keystroke only has to look at the rows shown now, if they were found in the
    // same texts.
    const bool narrowing = filtered_ && filter.narrows(filter_) && visibleFromWide_ == searchesEveryField();
    filter_ = filter;
    if (filter.isEmpty() && !filtered_)
        return;
    refilter(narrowing);
}

void MovieListModel::refilter(bool narrowing)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::NoLayoutChangeHint);
    const QModelIndexList before = persistentIndexList();
    const QList<int> sources = persistentSources(before);
    if (filter_.isEmpty()) {
        filtered_ = false;
        visible_.clear();
    } else {
        ensureKeys();
        visibleFromWide_ = searchesEveryField();
        const std::vector<QString>& keys = visibleFromWide_ ? wideKeys_ : keys_;
        if (recentSerial_ != rowsSerial_) {
            recent_.clear();
            recentSerial_ = rowsSerial_;
        }
        const auto seen = std::find_if(recent_.cbegin(), recent_.cend(),
            [&](const Shown& s) { return s.filter == filter_ && s.fromWide == visibleFromWide_; });
        if (seen != recent_.cend()) {
            visible_ = seen->visible;
        } else {
            visible_ = narrowing ? filter_.filter(keys, visible_) : filter_.filter(keys);
            constexpr qsizetype remembered = 16;
            if (recent_.size() == remembered)
                recent_.removeFirst();
            recent_.append({ filter_, visibleFromWide_, visible_ });
        }
        filtered_ = true;
    }
    movePersistentIndexes(before, sources);
    emit layoutChanged({}, QAbstractItemModel::NoLayoutChangeHint);
}

void MovieListModel::setFilterFields(QuickFilter::Fields fields)
{
    if (fields == fields_)
        return;
    fields_ = fields;
    recent_.clear();
    const bool wasWide = visibleFromWide_;
    // The keys of every field are the larger part of a listing's memory: kept only while used.
    if (fields == QuickFilter::Fields::Names)
        wideKeys_ = {};
    if (filtered_ && wasWide != searchesEveryField())
        refilter(false);
}

bool MovieListModel::setEveryFieldKeys(quint64 serial, std::vector<QString> keys)
{
    if (serial != rowsSerial_ || fields_ != QuickFilter::Fields::All || keys.size() != size_t(rows_.size()))
        return false;
    wideKeys_ = std::move(keys);
    recent_.clear();
    if (filtered_)
        refilter(false);
    return true;
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
    const QModelIndexList before = persistentIndexList();
    QList<int> sources = persistentSources(before);
    // Hidden rows are sorted too, so that clearing the filter shows every row in order.
    const QList<int> permutation = sortedOrder(rows_, column, order);
    QList<MovieRow> sorted;
    sorted.reserve(rows_.size());
    std::vector<QString> sortedKeys;
    sortedKeys.reserve(keys_.size());
    std::vector<QString> sortedWideKeys;
    sortedWideKeys.reserve(wideKeys_.size());
    QList<int> newPosition(rows_.size());
    for (qsizetype i = 0; i < permutation.size(); ++i) {
        sorted.append(std::move(rows_[permutation.at(i)]));
        if (!keys_.empty())
            sortedKeys.push_back(std::move(keys_[size_t(permutation.at(i))]));
        if (!wideKeys_.empty())
            sortedWideKeys.push_back(std::move(wideKeys_[size_t(permutation.at(i))]));
        newPosition[permutation.at(i)] = int(i);
    }
    rows_ = std::move(sorted);
    keys_ = std::move(sortedKeys);
    wideKeys_ = std::move(sortedWideKeys);
    ++rowsSerial_;
    if (filtered_) {
        for (int& v : visible_)
            v = newPosition.at(v);
        std::sort(visible_.begin(), visible_.end());
    }
    for (int& source : sources)
        source = source < 0 ? -1 : newPosition.at(source);
    movePersistentIndexes(before, sources);
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
