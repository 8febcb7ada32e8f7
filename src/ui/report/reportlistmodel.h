#pragma once

#include "report/collectionreport.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// One of the report's two lists: a row per movie, its group's or disc's cells first. Each row
// keeps its movie, so a double click can find it in the main window.
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

    const CollectionReport::Movie& movie(int row) const { return movies_.at(row); }

private:
    void setRows(QStringList headers, QList<QStringList> cells, QList<CollectionReport::Movie> movies);

    QStringList headers_;
    QList<QStringList> cells_;
    QList<CollectionReport::Movie> movies_;
};
