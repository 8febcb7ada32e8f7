#include "mainwindow.h"

#include "appcontext.h"
#include "auxwin/aboutdialog.h"
#include "backups/backupcommands.h"
#include "browse/browsecontroller.h"
#include "browse/categorypane.h"
#include "browse/detailpane.h"
#include "browse/disctree.h"
#include "browse/disctreewidget.h"
#include "browse/movielisting.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "discs/disccommands.h"
#include "export/exportdialog.h"
#include "filter/quickfilterbar.h"
#include "filter/quickfilterbox.h"
#include "legacy/legacyimportcommand.h"
#include "maincommands.h"
#include "mediumbar.h"
#include "movies/moviecommands.h"
#include "movies/movieplayer.h"
#include "prompt.h"
#include "report/reportdialog.h"
#include "report/reportjump.h"
#include "search/searchdialog.h"
#include "settings/settingsdialog.h"
#include "sharppicture.h"
#include "startpanel.h"
#include "stats/statswindow.h"
#include "windowplacement.h"
#include "wizard/wizarddialog.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <functional>

namespace {

// Design sizes in twips: the tree and the list side by side, the list over the detail pane.
constexpr int treeWidth = 2235;
constexpr int listWidth = 11745;
constexpr int listHeight = 4215;
constexpr int paneHeight = 4965;

} // namespace

MainWindow::MainWindow(AppContext& context, QWidget* parent)
    : QMainWindow(parent)
    , context_(context)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ReelShelf Index"));
    setWindowIcon(SharpPicture::icon(QStringLiteral(":/icons/app.png")));
    // The designed size, or four fifths of a larger screen, which the list then puts to use.
    const QSize designed(14025 / 15, 9915 / 15);
    WindowPlacement::fitAndCentre(this, designed.expandedTo(WindowPlacement::room(this) * 0.8));
    commands_ = new MainCommands(this);
    buildStatusLine();
    buildCentre();
    browse_ = new BrowseController(context_, tree_, list_, pane_, status_, this);
    connect(categories_, &CategoryPane::groupChosen, browse_, &BrowseController::listRows);
    discs_ = new DiscCommands(context_, tree_, list_, this);
    movies_ = new MovieCommands(context_, tree_, list_, pane_, this);
    legacyImport_ = new LegacyImportCommand(context_, tree_, list_, this);
    player_ = new MoviePlayer(context_, medium_, this);
    connectCommands();
}

void MainWindow::buildCentre()
{
    mainSplitter_ = new QSplitter(Qt::Horizontal, this);
    mainSplitter_->setObjectName(QStringLiteral("MainSplitter"));
    // The disc tree, and beside it on a second tab the movies grouped by kind.
    browseTabs_ = new QTabWidget(mainSplitter_);
    browseTabs_->setObjectName(QStringLiteral("BrowseTabs"));
    browseTabs_->setDocumentMode(true);
    // Narrow as the tree alone could be: the tabs scroll rather than hold the window's left side wide.
    browseTabs_->setUsesScrollButtons(true);
    browseTabs_->setMinimumWidth(64);
    // The window opens with the tree in hand, as it always did; Ctrl+Tab goes to 分类 and back.
    browseTabs_->tabBar()->setFocusPolicy(Qt::NoFocus);
    tree_ = new DiscTreeWidget(context_, browseTabs_);
    categories_ = new CategoryPane(context_, browseTabs_);
    browseTabs_->addTab(tree_, QStringLiteral("影碟"));
    browseTabs_->addTab(categories_, QStringLiteral("分类"));
    rightSplitter_ = new QSplitter(Qt::Vertical, mainSplitter_);
    // The quick filter box sits right above the list and goes with it when the splitter moves.
    // An empty catalogue shows the ways to begin where the list would be.
    listArea_ = new QStackedWidget(rightSplitter_);
    auto* listPanel = new QWidget(listArea_);
    list_ = new MovieListView(listPanel);
    auto* filterBar = new QuickFilterBar(list_, status_, context_.folder.catalogueFile(), listPanel);
    quickFilter_ = filterBar->box();
    auto* listLayout = new QVBoxLayout(listPanel);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(2);
    listLayout->addWidget(filterBar);
    listLayout->addWidget(list_);
    QWidget::setTabOrder(quickFilter_, list_);
    pane_ = new DetailPane(rightSplitter_);
    mainSplitter_->addWidget(browseTabs_);
    mainSplitter_->addWidget(rightSplitter_);
    listArea_->addWidget(listPanel);
    listArea_->addWidget(new StartPanel(action(QStringLiteral("MN_NewDisk")),
        action(QStringLiteral("MN_wizard")), action(QStringLiteral("MN_importMdb")), listArea_));
    rightSplitter_->addWidget(listArea_);
    rightSplitter_->addWidget(pane_);
    // Extra room is shared in the design's proportions.
    mainSplitter_->setStretchFactor(0, treeWidth);
    mainSplitter_->setStretchFactor(1, listWidth);
    // The pane keeps the height its fields need; every other pixel goes to the list's rows.
    rightSplitter_->setStretchFactor(0, 1);
    rightSplitter_->setStretchFactor(1, 0);
    mainSplitter_->setSizes({ treeWidth, listWidth });
    rightSplitter_->setSizes({ listHeight, paneHeight });
    mainSplitter_->setChildrenCollapsible(false);
    rightSplitter_->setChildrenCollapsible(false);
    setCentralWidget(mainSplitter_);

    connect(tree_, &DiscTreeWidget::contextMenuWanted, this, &MainWindow::showTreeMenu);
    connect(tree_, &DiscTreeWidget::rebuilt, this,
        [this] { listArea_->setCurrentIndex(tree_->data().discs.isEmpty() ? 1 : 0); });
    connect(list_, &MovieListView::rightReleased, this, &MainWindow::showMovieMenu);
    connect(categories_, &CategoryPane::failed, this,
        [this](const QString& message) { context_.prompt.warn(this, message); });
}

void MainWindow::buildStatusLine()
{
    status_ = new QLabel(MovieList::readyText, this);
    status_->setObjectName(QStringLiteral("LblLstV1"));
    statusBar()->addWidget(status_, 1);
    medium_ = new MediumBar(context_, this);
    statusBar()->addPermanentWidget(medium_);
    const char* const icons[2] = { ":/icons/status/even.png", ":/icons/status/odd.png" };
    for (int i = 0; i < 2; ++i) {
        auto* picture = new SharpLabel(this);
        picture->setPicture(SharpPicture::icon(QString::fromLatin1(icons[i])));
        statusIcons_[i] = picture;
        statusIcons_[i]->setObjectName(QStringLiteral("Image3_%1").arg(i));
        statusIcons_[i]->setFixedSize(16, 16);
        statusBar()->addPermanentWidget(statusIcons_[i]);
    }
}

void MainWindow::chooseStatusIcon()
{
    const qint64 stamp = context_.clock().toString(QStringLiteral("ddHHmmss")).toLongLong();
    const bool odd = stamp % 2 != 0;
    statusIcons_[0]->setVisible(!odd);
    statusIcons_[1]->setVisible(odd);
}

bool MainWindow::load(QString* error)
{
    list_->paintRowBands(context_.settings);
    if (!tree_->rebuildDiscTree(error))
        return false;
    list_->setupListColumns(context_.settings);
    pane_->setCurrentIndex(0);
    pane_->reset(context_.folder.defaultPoster());
    pane_->showStars(0, context_.folder.goldStar(), context_.folder.grayStar());
    chooseStatusIcon();
    // A settings file that could not be read leaves the defaults in force; say why once.
    if (const QString problem = context_.settings.problem(); !problem.isEmpty())
        context_.prompt.warn(this, problem);
    return true;
}

void MainWindow::connectCommands()
{
    const std::pair<const char*, std::function<void()>> windowCommands[] = {
        { "MN_go", [this] { close(); } },
        { "MN_stats", [this] { StatsWindow::open(context_, list_, pane_, status_, this); } },
        { "MN_report", [this] { openReport(); } },
        { "MN_play", [this] { playSelected(); } },
        { "MN_help", [this] { openHelp(); } },
        { "GotoWeb", [this] { visitHomePage(); } },
        { "MN_About2", [this] { showAbout(); } },
    };
    for (const auto& [name, command] : windowCommands)
        connect(action(QString::fromLatin1(name)), &QAction::triggered, this, command);
    const std::pair<const char*, std::function<void()>> discCommands[] = {
        { "MN_NewDisk", [this] { discs_->newDisc(); } },
        { "ChangeDiskDetail", [this] { discs_->changeDiskDetail(); } },
        { "RescanDisc", [this] { discs_->rescanDisc(); } },
        { "VerifyDisc", [this] { discs_->verifyDisc(); } },
        { "MN_verify", [this] { discs_->verifyMedium(); } },
        { "deldisk", [this] { discs_->deleteDisc(); } },
        { "LendDisc", [this] { discs_->lendDisc(); } },
        { "ReturnDisc", [this] { discs_->returnDisc(); } },
        { "addtofav", [this] { discs_->addToFavourites(); } },
        { "DelFav", [this] { discs_->removeFromFavourites(); } },
    };
    for (const auto& [name, command] : discCommands)
        connect(action(QString::fromLatin1(name)), &QAction::triggered, discs_, command);
    connect(action(QStringLiteral("MN_wizard")), &QAction::triggered, this, &MainWindow::openWizard);
    connect(action(QStringLiteral("MN_trans")), &QAction::triggered, this, &MainWindow::openExport);
    connect(action(QStringLiteral("MN_search")), &QAction::triggered, this, &MainWindow::openSearch);
    connect(action(QStringLiteral("MN_importMdb")), &QAction::triggered, legacyImport_,
        &LegacyImportCommand::importMdb);
    const std::pair<const char*, void (MovieCommands::*)()> commands[] = {
        { "MN_Movie", &MovieCommands::newMovie },
        { "AddMovie", &MovieCommands::addMovieToSelectedDisc },
        { "MN_edit", &MovieCommands::editSelected },
        { "MN_Move", &MovieCommands::moveSelected },
        { "MN_delete", &MovieCommands::deleteSelected },
    };
    for (const auto& [name, command] : commands)
        connect(action(QString::fromLatin1(name)), &QAction::triggered, movies_, command);
    // Each settings command opens the dialog on its own page.
    for (int page = 1; page <= 4; ++page)
        connect(action(QStringLiteral("MN_Set%1").arg(page)), &QAction::triggered, this,
            [this, page] { SettingsDialog::open(context_, page, this); });
    auto* backups = new BackupCommands(context_, tree_, list_, this);
    connect(action(QStringLiteral("MN_restore")), &QAction::triggered, backups, &BackupCommands::openRestore);
    connect(backups, &BackupCommands::restored, browse_, &BrowseController::clearShownMovies);
    connect(discs_, &DiscCommands::moviesGone, browse_, &BrowseController::clearShownMovies);
    connect(
        discs_, &DiscCommands::moviesChanged, browse_, [this] { browse_->listNode(tree_->selectedKey()); });
    connect(legacyImport_, &LegacyImportCommand::finished, browse_, [this](bool ok) {
        if (ok)
            browse_->clearShownMovies();
    });
    connect(list_, &MovieListView::columnSettingsRequested, this,
        [this] { SettingsDialog::open(context_, 3, this); });
    connect(medium_, &MediumBar::jumpWanted, this, &MainWindow::showDisc);
    connect(medium_, &MediumBar::wizardWanted, this, &MainWindow::openWizardOn);
    discs_->setMountedRootLookup([this](const QString& disc) { return medium_->rootOf(disc); });
    connect(list_, &MovieListView::editRequested, movies_, &MovieCommands::editSelected);
    connect(list_, &MovieListView::deleteRequested, movies_, &MovieCommands::deleteSelected);
}

SearchDialog* MainWindow::openSearch()
{
    auto* dialog = new SearchDialog(context_, list_, pane_, status_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    WindowPlacement::centre(dialog);
    dialog->show();
    return dialog;
}

void MainWindow::playSelected()
{
    const int row = list_->selectedRow();
    if (row < 0 || row >= list_->movieModel()->rowCount())
        return;
    const MovieRow movie = list_->movieModel()->movieRow(row);
    player_->play(movie.view(ListCol::ID).toString(), movie.view(ListCol::DiskNum).toString());
}

WizardDialog* MainWindow::openWizardOn(const QString& root)
{
    WizardDialog* wizard = openWizard();
    wizard->setDrive(root);
    return wizard;
}

void MainWindow::showDisc(const QString& discNumber)
{
    const QString key = DiscTree::discPrefix + discNumber;
    QTreeWidgetItem* node = tree_->itemForKey(key);
    if (!node)
        return;
    tree_->setCurrentItem(node);
    tree_->scrollToItem(node);
    tree_->setFocus();
    browse_->listNode(key);
}

WizardDialog* MainWindow::openWizard()
{
    auto* wizard = new WizardDialog(
        context_,
        [this] {
            QString error;
            if (!tree_->rebuildDiscTree(&error))
                context_.prompt.warn(this, error);
        },
        this);
    wizard->setAttribute(Qt::WA_DeleteOnClose);
    wizard->setWindowModality(Qt::ApplicationModal);
    wizard->show();
    return wizard;
}

ExportDialog* MainWindow::openExport()
{
    auto* dialog = new ExportDialog(context_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    return dialog;
}

ReportDialog* MainWindow::openReport()
{
    auto* dialog = new ReportDialog(
        context_,
        [this](const auto& movie) {
            // The movie must be findable in the list, whatever the box holds.
            quickFilter_->clear();
            return showReportedMovie(tree_, list_, browse_, movie);
        },
        this);
    dialog->setShowDisc([this](const QString& disc) {
        if (!tree_->itemForKey(DiscTree::discPrefix + disc))
            return false;
        showDisc(disc);
        return true;
    });
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    if (!dialog->load()) {
        dialog->deleteLater();
        return nullptr;
    }
    dialog->show();
    return dialog;
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (paneSized_)
        return;
    paneSized_ = true;
    const int pane = std::min(pane_->naturalHeight(), rightSplitter_->height() / 2);
    rightSplitter_->setSizes({ rightSplitter_->height() - pane, pane });
}

bool MainWindow::loadAndShow(QString* error)
{
    if (!load(error))
        return false;
    // Some desktops (and none at all) ignore the maximise request; fill the screen either way.
    if (const QScreen* screen = this->screen())
        setGeometry(screen->availableGeometry());
    showMaximized();
    // What is in the drives already is learnt quietly; what is inserted from now on is announced.
    medium_->begin();
    return true;
}

void MainWindow::showTreeMenu(const QString& key, const QPoint& globalPos)
{
    // Which disc commands apply depends on the kind of node.
    bool disc = false;
    bool favDisc = false;
    switch (DiscTree::kindOf(key)) {
    case DiscTree::NodeKind::All:
    case DiscTree::NodeKind::Favourites:
        break;
    case DiscTree::NodeKind::Disc:
        disc = true;
        break;
    case DiscTree::NodeKind::FavouriteDisc:
        favDisc = true;
        break;
    case DiscTree::NodeKind::Other:
        return;
    }
    auto enable = [this](const char* name, bool on) { action(QString::fromLatin1(name))->setEnabled(on); };
    enable("AddMovie", disc);
    enable("addtofav", disc);
    enable("DelFav", favDisc);
    enable("ChangeDiskDetail", disc);
    enable("RescanDisc", disc);
    enable("VerifyDisc", disc || favDisc);
    enable("deldisk", disc);
    // Lending a disc that is out says why it cannot be; only a disc that is out can come back.
    enable("LendDisc", disc || favDisc);
    enable("ReturnDisc", (disc || favDisc) && tree_->openLoan(DiscTree::discNumberOf(key)));
    commands_->treeMenu()->popup(globalPos);
}

void MainWindow::showMovieMenu(int, const QPoint& globalPos)
{
    commands_->movieMenu()->popup(globalPos);
}

void MainWindow::showAbout()
{
    auto* about = new AboutDialog(this);
    about->setWindowModality(Qt::ApplicationModal);
    WindowPlacement::centre(about);
    about->show();
}

void MainWindow::openHelp()
{
    // A missing help document is not reported, as with any file the desktop cannot open.
    context_.desktop.openUrl(QUrl::fromLocalFile(context_.folder.helpFile()));
}

void MainWindow::visitHomePage()
{
    // There is no project page on the web yet; the help that comes with the program stands for it.
    openHelp();
}
