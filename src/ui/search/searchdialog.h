#pragma once

#include "search/moviesearch.h"

#include <QDialog>
#include <array>

struct AppContext;
class DetailPane;
class MovieListView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QStackedWidget;
class QTabBar;

// Form5: finds movies by one of five criteria and shows the hits in the main window's list.
// The window closes after every search.
class SearchDialog : public QDialog
{
    Q_OBJECT
public:
    SearchDialog(AppContext& context, MovieListView* list, DetailPane* pane, QLabel* status,
        QWidget* parent = nullptr);

    // The search button: one search of the current kind, then the window closes and the detail
    // pane is emptied as a click on a tree node empties it.
    void search();
    // One search of the current kind into the main list and its status line.
    void searchMovie();
    // Shows the page of a tab key and makes its kind the current one; other keys change nothing.
    void selectTab(const QString& key);

    SearchKind kind() const { return kind_; }
    SearchQuery query() const;

private:
    QWidget* buildPage(int kind);
    void listFoundMovies(QList<MovieRow> rows);

    AppContext& context_;
    MovieListView* list_;
    DetailPane* pane_;
    QLabel* status_;
    SearchKind kind_ = SearchKind::Title;
    QTabBar* tabs_;
    QStackedWidget* pages_;
    QLineEdit* title_ = nullptr;
    QCheckBox* exact_ = nullptr;
    QComboBox* year_ = nullptr;
    QComboBox* genre_ = nullptr;
    QComboBox* format_ = nullptr;
    std::array<QRadioButton*, 2> seen_ {};
};
