#pragma once

#include <QTreeView>

class MovieListModel;
class Settings;
struct AppContext;

// The movie list in report view: twenty keyed columns with widths from the settings,
// alternating row colours from the settings, and header clicks that flip the sort order.
class MovieListView : public QTreeView
{
    Q_OBJECT
public:
    explicit MovieListView(QWidget* parent = nullptr);

    MovieListModel* movieModel() const { return model_; }

    // Creates the columns: widths in twips from the settings file, a width of 0 hides a column.
    void setupListColumns(const Settings& settings);
    // The two alternating row colours from the settings file.
    void paintRowBands(const Settings& settings);

    // The row the user sees chosen (current and marked), or -1: a current row without the mark
    // is no choice, so nothing acts on it.
    int selectedRow() const;
    static int twipsToPixels(int twips);

signals:
    // A right click on the column headers: the user wants the page where columns are chosen.
    void columnSettingsRequested();
    // A row chosen with the left button, or reached with the arrow keys: the pane shows it.
    void leftReleased(int row);
    void rightReleased(int row, const QPoint& globalPos);
    void editRequested();
    void deleteRequested();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void headerClicked(int section);
    // Marks the current row (the first when none is) and shows it, as a click on it would.
    int chooseCurrentRow();

    // The title column takes the width the other visible columns leave, unless the user has
    // dragged it; widths the user drags last for the run.
    void fitTitleColumn();
    void sectionDragged(int section);

    MovieListModel* model_;
    int titleWidth_ = 0; // the title column's own width, from the settings or the user's drag
    bool titleDragged_ = false;
    bool fitting_ = false;
};
