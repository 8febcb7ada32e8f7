#pragma once

#include <QObject>
#include <functional>
#include <optional>

class DetailPane;
class DiscTreeWidget;
class MovieEditor;
class MovieRow;
class MovieListView;
class QWidget;
struct AppContext;

// The movie commands of the main window: new movie, add to the selected disc, edit, move and
// delete the selected movie. Each leaves the list, the tree and the pane as a user expects.
class MovieCommands : public QObject
{
    Q_OBJECT
public:
    // How an editor is shown; the program runs it modally, tests drive it directly.
    using EditorRunner = std::function<void(MovieEditor&)>;

    MovieCommands(AppContext& context, DiscTreeWidget* tree, MovieListView* list, DetailPane* pane,
        QObject* parent = nullptr);

    void setEditorRunner(EditorRunner runner) { runEditor_ = std::move(runner); }

    void newMovie();
    void addMovieToSelectedDisc();
    void editSelected();
    void moveSelected();
    void deleteSelected();

private:
    QWidget* window() const;
    int selectedRow() const;
    // The row with the introduction the listing left out; nullopt (and said) when it cannot be read.
    std::optional<MovieRow> wholeRow(int row) const;

    AppContext& context_;
    DiscTreeWidget* tree_;
    MovieListView* list_;
    DetailPane* pane_;
    EditorRunner runEditor_;
};
