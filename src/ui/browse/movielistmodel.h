#pragma once

#include "browse/movielisting.h"
#include "browse/quickfilter.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>

// The rows of the movie list. Each row carries every field of its movie, hidden columns
// included, because the detail pane and the movie commands read the selected row.
// With a quick filter on, the model shows only the rows it keeps: every row number the model
// takes or gives (movieRow, replaceRow, removeMovieRow, indexes) counts the shown rows only.
class MovieListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit MovieListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Replaces the rows; when sorting is on they come out sorted by the current column and order,
    // and a quick filter that is on applies to them at once.
    void setRows(QList<MovieRow> rows, int icon);
    void clear();
    // An edit rewrites one row, a move or a delete takes it out.
    void replaceRow(int row, MovieRow movie);
    void removeMovieRow(int row);
    const MovieRow& movieRow(int row) const { return rows_.at(sourceRow(row)); }

    // Shows only the rows the filter keeps (all of them for an empty filter). The current and the
    // selected rows stay where they are still shown.
    void setQuickFilter(const QuickFilter& filter);
    const QuickFilter& quickFilter() const { return filter_; }
    bool isFiltered() const { return filtered_; }

    // Which texts the filter looks at. All needs every row's everyFieldKey, which a listing without
    // introductions cannot give at once: whoever reads them beside the window takes a copy of
    // rows() with rowsSerial() and hands the keys back. Until then the names are searched.
    void setFilterFields(QuickFilter::Fields fields);
    QuickFilter::Fields filterFields() const { return fields_; }
    bool everyFieldKeysWanted() const
    {
        return fields_ == QuickFilter::Fields::All && wideKeys_.empty() && !rows_.isEmpty();
    }
    const QList<MovieRow>& rows() const { return rows_; }
    // Changes whenever rows come, go, change or move.
    quint64 rowsSerial() const { return rowsSerial_; }
    // False (nothing changes) when the keys are for rows the model no longer holds as they were.
    bool setEveryFieldKeys(quint64 serial, std::vector<QString> keys);
    // All rows, shown or not.
    int totalRowCount() const { return int(rows_.size()); }

    bool isSorted() const { return sortColumn_ >= 0; }
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return sortOrder_; }

private:
    void sortRows();
    int sourceRow(int row) const { return filtered_ ? visible_.at(row) : row; }
    void ensureKeys();
    bool searchesEveryField() const { return fields_ == QuickFilter::Fields::All && !wideKeys_.empty(); }
    // Filters again from all rows, keeping the current and selected rows where they are shown.
    void refilter(bool narrowing);
    // The shown row of a position in rows_, -1 when the filter hides it.
    int shownRow(int source) const;
    // The positions in rows_ of the rows the persistent indexes point at, before a change.
    QList<int> persistentSources(const QModelIndexList& indexes) const;
    // Points the persistent indexes at the shown rows of their rows after a change.
    void movePersistentIndexes(const QModelIndexList& indexes, const QList<int>& sources);

    QList<MovieRow> rows_;
    QuickFilter filter_;
    bool filtered_ = false;
    QList<int> visible_; // the positions in rows_ of the shown rows, ascending, while filtered
    std::vector<QString> keys_; // QuickFilter::rowKey of each row, made when the rows arrive
    std::vector<QString> wideKeys_; // QuickFilter::everyFieldKey of each row, while Fields::All
    QuickFilter::Fields fields_ = QuickFilter::Fields::Names;
    bool visibleFromWide_ = false; // visible_ came from wideKeys_
    quint64 rowsSerial_ = 0;
    // The rows shown for the last few filters of these rows and fields, so that taking characters
    // back (which widens the list) costs no search.
    struct Shown
    {
        QuickFilter filter;
        bool fromWide;
        QList<int> visible;
    };
    QList<Shown> recent_;
    quint64 recentSerial_ = 0;
    int icon_ = 1;
    QIcon discIcon_;
    QIcon allIcon_;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::DescendingOrder;
};
