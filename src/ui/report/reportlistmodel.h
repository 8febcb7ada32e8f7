#pragma once

#include "report/collectionreport.h"
#include "store/loans.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// One of the report's lists: a row per movie, its group's or disc's cells first, or a row per disc
// out. Each row keeps its movie or its disc, so a double click can find it in the main window.
class ReportListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ReportListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void showDuplicates(const QList<CollectionReport::DuplicateGroup>& groups);
    void showRisks(const QList<CollectionReport::RiskDisc>& discs);
    void showLoans(const QList<Loans::OpenLoan>& loans, const QDate& today);

    // Whether the rows are movies (the first two lists) or discs (the loans).
    bool holdsMovies() const { return discs_.isEmpty(); }
    const CollectionReport::Movie& movie(int row) const { return movies_.at(row); }
    QString disc(int row) const { return discs_.value(row); }

private:
    void setRows(QStringList headers, QList<QStringList> cells, QList<CollectionReport::Movie> movies,
        QStringList discs = {});

    QStringList headers_;
    QList<QStringList> cells_;
    QList<CollectionReport::Movie> movies_;
    QStringList discs_;
};
