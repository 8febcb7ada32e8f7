#include "reportlistmodel.h"

#include "app/plaintext.h"

using namespace CollectionReport;

ReportListModel::ReportListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int ReportListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(cells_.size());
}

int ReportListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(headers_.size());
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const QString& cell = cells_.at(index.row()).at(index.column());
    if (role == Qt::DisplayRole)
        return cell;
    if (role == Qt::ToolTipRole)
        return PlainText::tip(cell);
    return {};
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return {};
    return headers_.at(section);
}

void ReportListModel::showDuplicates(const QList<DuplicateGroup>& groups)
{
    QList<QStringList> cells;
    QList<Movie> movies;
    for (const DuplicateGroup& g : groups) {
        for (const Movie& m : g.movies) {
            cells.append(
                { QString::number(g.number), kindText(g), discText(m), m.id, m.title, m.englishTitle });
            movies.append(m);
        }
    }
    setRows({ QStringLiteral("组"), QStringLiteral("情况"), QStringLiteral("光碟"), QStringLiteral("编号"),
                QStringLiteral("电影名称"), QStringLiteral("英文名") },
        std::move(cells), std::move(movies));
}

void ReportListModel::showRisks(const QList<RiskDisc>& discs)
{
    QList<QStringList> cells;
    QList<Movie> movies;
    for (const RiskDisc& d : discs) {
        for (const Movie& m : d.movies) {
            cells.append({ QStringLiteral("碟#") + d.disc, d.name, d.condition, d.note, m.id, m.title,
                m.englishTitle });
            movies.append(m);
        }
    }
    setRows({ QStringLiteral("光碟"), QStringLiteral("名称"), QStringLiteral("状态"), QStringLiteral("附注"),
                QStringLiteral("编号"), QStringLiteral("电影名称"), QStringLiteral("英文名") },
        std::move(cells), std::move(movies));
}

void ReportListModel::showLoans(const QList<Loans::OpenLoan>& loans, const QDate& today)
{
    QList<QStringList> cells;
    QStringList discs;
    for (const Loans::OpenLoan& o : loans) {
        const Loans::Loan& l = o.loan;
        const QString state = l.overdue(today) ? QStringLiteral("已逾期 %1 天").arg(l.daysOverdue(today))
                                               : QStringLiteral("借出中");
        cells.append({ l.borrower, QStringLiteral("碟#") + l.disc, o.discName, Loans::dateText(l.lent),
            QString::number(l.daysOut(today)), Loans::dateText(l.due), state, l.note });
        discs.append(l.disc);
    }
    setRows({ QStringLiteral("借阅人"), QStringLiteral("光碟"), QStringLiteral("名称"),
                QStringLiteral("借出日期"), QStringLiteral("已借天数"), QStringLiteral("应还日期"),
                QStringLiteral("情况"), QStringLiteral("附注") },
        std::move(cells), {}, std::move(discs));
}

void ReportListModel::setRows(
    QStringList headers, QList<QStringList> cells, QList<Movie> movies, QStringList discs)
{
    beginResetModel();
    headers_ = std::move(headers);
    cells_ = std::move(cells);
    movies_ = std::move(movies);
    discs_ = std::move(discs);
    endResetModel();
}
