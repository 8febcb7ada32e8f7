#pragma once

#include "report/collectionreport.h"
#include "store/loans.h"

#include <QDialog>
#include <array>
#include <functional>

struct AppContext;
class QLabel;
class QTabWidget;
class QTableView;
class ReportListModel;

// The duplicates and risk report: two lists of movies and the list of discs out, each exported to
// a text file; a double click or Enter on a row shows its movie or its disc in the main window and
// closes the report.
class ReportDialog : public QDialog
{
    Q_OBJECT
public:
    enum List { Duplicates = 0, Risks = 1, Lent = 2 };
    // Shows a reported movie in the main window; false when it cannot be found there.
    using ShowMovie = std::function<bool(const CollectionReport::Movie&)>;
    // Chooses a disc's node and lists it; false when the tree has no such disc.
    using ShowDisc = std::function<bool(const QString& discNumber)>;

    ReportDialog(AppContext& context, ShowMovie showMovie, QWidget* parent = nullptr);

    void setShowDisc(ShowDisc showDisc) { showDisc_ = std::move(showDisc); }

    // Reads the catalogue into the lists; false (after a warning) when it cannot be read.
    bool load();
    // The export button: the current list into a UTF-8 text file the user names.
    void exportCurrentList();
    // Shows the movie (or the disc) of a row of a list in the main window, then closes the report.
    void showMovieOfRow(List list, int row);

    void showList(List list);
    List currentList() const;
    ReportListModel* model(List list) const { return models_[list]; }
    QTableView* view(List list) const { return views_[list]; }

    static QString missingMovieMessage(const CollectionReport::Movie& movie);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildPage(List list);
    static void fitColumns(QTableView* view);

    AppContext& context_;
    ShowMovie showMovie_;
    ShowDisc showDisc_;
    std::optional<CollectionReport::Report> report_;
    QList<Loans::OpenLoan> loans_;
    QDate today_;
    QTabWidget* tabs_;
    std::array<ReportListModel*, 3> models_ {};
    std::array<QTableView*, 3> views_ {};
    std::array<QLabel*, 3> summaries_ {};
};
