#pragma once

#include "browse/movielisting.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>

// The rows of the movie list. Each row carries every field of its movie, hidden columns
// included, because the detail pane and the movie commands read the selected row.
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

    // Replaces the rows; when sorting is on they come out sorted by the current column and order.
    void setRows(QList<MovieRow> rows, int icon);
    void clear();
    // An edit rewrites one row, a move or a delete takes it out.
    void replaceRow(int row, MovieRow movie);
    void removeMovieRow(int row);
    const MovieRow& movieRow(int row) const { return rows_.at(row); }

    bool isSorted() const { return sortColumn_ >= 0; }
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return sortOrder_; }

private:
    void sortRows();

    QList<MovieRow> rows_;
    int icon_ = 1;
    QIcon discIcon_;
    QIcon allIcon_;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::DescendingOrder;
};
