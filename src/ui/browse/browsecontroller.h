#pragma once

#include "browse/movielisting.h"

#include <QList>
#include <QObject>

class DetailPane;
class MovieRow;
class DiscTreeWidget;
class MovieListView;
class QLabel;
struct AppContext;

// Ties the tree, the list, the detail pane and the status line together: a node click lists
// movies, a left mouse-up on the list fills the pane, a poster click opens the viewer.
class BrowseController : public QObject
{
    Q_OBJECT
public:
    BrowseController(AppContext& context, DiscTreeWidget* tree, MovieListView* list, DetailPane* pane,
        QLabel* status, QObject* parent = nullptr);

    void listNode(const QString& key);
    // Lists movies read elsewhere (a group of the 分类 tab) as a node's listing is shown.
    void listRows(QList<MovieRow> rows, int rowIcon, const QString& status);
    void showMovieDetails(int row);
    void openPosterViewer();
    // After the catalogue was replaced underneath: nothing shown may refer to the one that is gone.
    void clearShownMovies();

private:
    void resetPane();
    // The movie's remembered files and its disc's medium, in the pane's "文件" tab.
    void showFiles(const MovieRow& movie);
    AppContext& context_;
    DiscTreeWidget* tree_;
    MovieListView* list_;
    DetailPane* pane_;
    QLabel* status_;
};
