#pragma once

#include "maincommands.h"

#include <QMainWindow>

class BrowseController;
class CategoryPane;
class DetailPane;
class DiscTreeWidget;
class DiscCommands;
class MovieCommands;
class LegacyImportCommand;
class MediumBar;
class MoviePlayer;
class MovieListView;
class QuickFilterBox;
class ExportDialog;
class ReportDialog;
class SearchDialog;
class WizardDialog;
class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QTabWidget;
struct AppContext;

// The main window: menus, toolbar, the tree, the list, the detail pane and the status line.
// It only wires things together; each command lives with the part of the program it belongs to.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(AppContext& context, QWidget* parent = nullptr);

    // Fills the window from the catalogue: row colours, tree, columns, default poster, icons.
    // Returns false with a message when the catalogue cannot be read.
    bool load(QString* error);
    // Loads, then shows the window maximised: nothing is seen half-built.
    bool loadAndShow(QString* error);

    // The import wizard, shown modally; it closes itself once the disc is stored.
    WizardDialog* openWizard();
    // The wizard with a medium's root in its drive box.
    WizardDialog* openWizardOn(const QString& root);
    // Chooses the disc's node and lists it, as a click does.
    void showDisc(const QString& discNumber);
    ExportDialog* openExport();

    // The movie search, shown modally; it closes itself after a search.
    SearchDialog* openSearch();
    // The duplicates and risk report, shown modally; null when the catalogue cannot be read.
    ReportDialog* openReport();

    // Runs the command of a toolbar key; a key that matches none does nothing.
    void runToolbarKey(const QString& key) { commands_->runToolbarKey(key); }

    QAction* action(const QString& name) const { return commands_->action(name); }
    QMenu* movieMenu() const { return commands_->movieMenu(); }
    QMenu* treeMenu() const { return commands_->treeMenu(); }
    DiscTreeWidget* discTree() const { return tree_; }
    CategoryPane* categoryPane() const { return categories_; }
    QTabWidget* browseTabs() const { return browseTabs_; }
    MovieListView* movieList() const { return list_; }
    QuickFilterBox* quickFilter() const { return quickFilter_; }
    DetailPane* detailPane() const { return pane_; }
    QLabel* statusLabel() const { return status_; }
    MediumBar* mediumBar() const { return medium_; }
    MoviePlayer* moviePlayer() const { return player_; }
    // 播放: the selected movie, from its disc's medium.
    void playSelected();
    DiscCommands* discCommands() const { return discs_; }
    MovieCommands* movieCommands() const { return movies_; }
    LegacyImportCommand* legacyImportCommand() const { return legacyImport_; }

    // Shows whichever of the two status icons the clock's DDHHMMSS digits pick.
    void chooseStatusIcon();

    // No menu of Qt's own over the toolbar and menu bar: it could hide the toolbar for good.
    QMenu* createPopupMenu() override { return nullptr; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildCentre();
    void buildStatusLine();
    void connectCommands();
    void showTreeMenu(const QString& key, const QPoint& globalPos);
    void showMovieMenu(int row, const QPoint& globalPos);
    void showAbout();
    void openHelp();
    void visitHomePage();

    AppContext& context_;
    MainCommands* commands_ = nullptr;
    DiscTreeWidget* tree_ = nullptr;
    QTabWidget* browseTabs_ = nullptr;
    CategoryPane* categories_ = nullptr;
    MovieListView* list_ = nullptr;
    QuickFilterBox* quickFilter_ = nullptr;
    DetailPane* pane_ = nullptr;
    QLabel* status_ = nullptr;
    MediumBar* medium_ = nullptr;
    MoviePlayer* player_ = nullptr;
    QLabel* statusIcons_[2] = { nullptr, nullptr };
    QSplitter* mainSplitter_ = nullptr;
    QSplitter* rightSplitter_ = nullptr;
    QStackedWidget* listArea_ = nullptr; // the list, or the ways to begin while there is no disc
    BrowseController* browse_ = nullptr;
    DiscCommands* discs_ = nullptr;
    MovieCommands* movies_ = nullptr;
    LegacyImportCommand* legacyImport_ = nullptr;
    bool paneSized_ = false;
};
