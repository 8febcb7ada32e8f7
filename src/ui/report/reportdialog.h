#pragma once

#include "report/collectionreport.h"

#include <QDialog>
#include <array>
#include <functional>

struct AppContext;
class QLabel;
class QTabWidget;
class QTableView;
class ReportListModel;

// The duplicates and risk report: two lists, each exported to a text file; a double click or
// Enter on a movie shows it in the main window and closes the report.
class ReportDialog : public QDialog
{
    Q_OBJECT
public:
    enum List { Duplicates = 0, Risks = 1 };
    // Shows a reported movie in the main window; false when it cannot be found there.
    using ShowMovie = std::function<bool(const CollectionReport::Movie&)>;

    ReportDialog(AppContext& context, ShowMovie showMovie, QWidget* parent = nullptr);

    // Reads the catalogue into both lists; false (after a warning) when it cannot be read.
    bool load();
    // The export button: the current list into a UTF-8 text file the user names.
    void exportCurrentList();
    // Shows the movie of a row of a list in the main window, then closes the report.
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
    std::optional<CollectionReport::Report> report_;
    QTabWidget* tabs_;
    std::array<ReportListModel*, 2> models_ {};
    std::array<QTableView*, 2> views_ {};
    std::array<QLabel*, 2> summaries_ {};
};
