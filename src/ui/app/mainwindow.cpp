#include "mainwindow.h"

#include "appcontext.h"
#include "auxwin/aboutdialog.h"
#include "backups/backupcommands.h"
#include "backups/backuptexts.h"
#include "browse/browsecontroller.h"
#include "browse/detailpane.h"
#include "browse/disctree.h"
#include "browse/disctreewidget.h"
#include "browse/movielisting.h"
#include "browse/movielistview.h"
#include "discs/disccommands.h"
#include "export/exportdialog.h"
#include "filter/quickfilterbox.h"
#include "legacy/legacyimportcommand.h"
#include "movies/moviecommands.h"
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
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <functional>

namespace {

// Commands whose windows are not part of the program yet stay disabled.
struct ToolbarButton
{
    const char* key;
    const char16_t* tip;
    const char* command;
    const char* icon;
};

// Left to right; nullptr keys are separators.
const ToolbarButton toolbarButtons[] = {
    { "NewDiskByMannul", u"新建碟片(手动)", "MN_NewDisk", "newdisc" },
    { "NewfilmByM", u"新建影片(手动)", "MN_Movie", "newmovie" },
    { "NewByMagic", u"新建向导", "MN_wizard", "wizard" },
    { nullptr, nullptr, nullptr, nullptr },
    { "serchfilm", u"搜索影片", "MN_search", "search" },
    { "changeGEshi", u"转换", "MN_trans", "export" },
    { nullptr, nullptr, nullptr, nullptr },
    { "PROset", u"程序设置", "MN_Set1", "settings" },
    { "Aboutme", u"关于", "MN_About2", "about" },
    { "helpme", u"启动帮助", "MN_help", "help" },
    { "pro_quit", u"退出", "MN_go", "quit" },
};

// The order in which a toolbar key is matched against the commands.
const char* const toolbarDispatchOrder[] = { "NewDiskByMannul", "NewfilmByM", "NewByMagic", "serchfilm",
    "changeGEshi", "PROset", "Aboutme", "pro_quit", "helpme" };

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
    buildMenus();
    buildToolbar();
    buildStatusLine();
    buildCentre();
    browse_ = new BrowseController(context_, tree_, list_, pane_, status_, this);
    discs_ = new DiscCommands(context_, tree_, list_, this);
    movies_ = new MovieCommands(context_, tree_, list_, pane_, this);
    legacyImport_ = new LegacyImportCommand(context_, tree_, list_, this);
    connectCommands();
}

QAction* MainWindow::addCommand(
    QMenu* menu, const QString& name, const QString& caption, const QKeySequence& shortcut)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    actions_.insert(name, a);
    return a;
}

void MainWindow::buildMenus()
{
    QMenu* film = menuBar()->addMenu(QStringLiteral("电影(&N)"));
    film->setObjectName(QStringLiteral("New"));
    addCommand(film, QStringLiteral("MN_NewDisk"), QStringLiteral("创建碟片"),
        QKeySequence(QStringLiteral("Ctrl+D")));
    addCommand(
        film, QStringLiteral("MN_Movie"), QStringLiteral("新建影片"), QKeySequence(QStringLiteral("Ctrl+M")));
    film->addSeparator();
    addCommand(film, QStringLiteral("MN_wizard"), QStringLiteral("魔法向导"),
        QKeySequence(QStringLiteral("Ctrl+X")));
    film->addSeparator();
    connect(addCommand(film, QStringLiteral("MN_go"), QStringLiteral("退出(&X)")), &QAction::triggered, this,
        &QWidget::close);

    QMenu* query = menuBar()->addMenu(QStringLiteral("查询(&C)"));
    query->setObjectName(QStringLiteral("optin"));
    addCommand(query, QStringLiteral("MN_search"), QStringLiteral("搜索(&S)"));

    QMenu* tools = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    tools->setObjectName(QStringLiteral("MN_tools"));
    addCommand(tools, QStringLiteral("MN_trans"), QStringLiteral("导出数据为..."),
        QKeySequence(QStringLiteral("Ctrl+I")));
    addCommand(tools, QStringLiteral("MN_importMdb"), QStringLiteral("导入旧版数据库(*.mdb)..."));
    addCommand(tools, QStringLiteral("MN_restore"), BackupTexts::menuCaption);
    tools->addSeparator();
    connect(addCommand(tools, QStringLiteral("MN_stats"), QStringLiteral("收藏统计...")), &QAction::triggered,
        this, [this] { StatsWindow::open(context_, list_, pane_, status_, this); });
    connect(addCommand(tools, QStringLiteral("MN_report"), QStringLiteral("重复与风险报告...")),
        &QAction::triggered, this, &MainWindow::openReport);
    tools->addSeparator();
    addCommand(tools, QStringLiteral("MN_Set1"), QStringLiteral("设置读取源(&E)"));
    addCommand(tools, QStringLiteral("MN_Set2"), QStringLiteral("过滤选项(&G)"));
    addCommand(tools, QStringLiteral("MN_Set3"), QStringLiteral("程序配置(&P)"));
    addCommand(tools, QStringLiteral("MN_Set4"), QStringLiteral("其他选项(&O)"));

    QMenu* about = menuBar()->addMenu(QStringLiteral("关于(&A)"));
    about->setObjectName(QStringLiteral("MN_About"));
    connect(addCommand(about, QStringLiteral("MN_help"), QStringLiteral("帮助(&H)")), &QAction::triggered,
        this, &MainWindow::openHelp);
    connect(addCommand(about, QStringLiteral("GotoWeb"), QStringLiteral("访问软件主页")), &QAction::triggered,
        this, &MainWindow::visitHomePage);
    about->addSeparator();
    connect(addCommand(about, QStringLiteral("MN_About2"), QStringLiteral("关于 ReelShelf Index(&A)")),
        &QAction::triggered, this, &MainWindow::showAbout);

    // The two context menus are not in the menu bar; the list and the tree pop them up.
    movieMenu_ = new QMenu(QStringLiteral("弹出"), this);
    movieMenu_->setObjectName(QStringLiteral("MN_POPno"));
    addCommand(movieMenu_, QStringLiteral("MN_edit"), QStringLiteral("修改(&I)"));
    addCommand(movieMenu_, QStringLiteral("MN_Move"), QStringLiteral("移动至..."),
        QKeySequence(QStringLiteral("Ctrl+Y")));
    movieMenu_->addSeparator();
    addCommand(movieMenu_, QStringLiteral("MN_delete"), QStringLiteral("删除记录(&L)"));

    treeMenu_ = new QMenu(QStringLiteral("弹出2"), this);
    treeMenu_->setObjectName(QStringLiteral("popup3"));
    addCommand(treeMenu_, QStringLiteral("AddMovie"), QStringLiteral("添加影片记录"));
    treeMenu_->addSeparator();
    addCommand(treeMenu_, QStringLiteral("addtofav"), QStringLiteral("添加至收藏"));
    addCommand(treeMenu_, QStringLiteral("DelFav"), QStringLiteral("删除选中收藏"));
    treeMenu_->addSeparator();
    addCommand(treeMenu_, QStringLiteral("ChangeDiskDetail"), QStringLiteral("查看磁盘信息"));
    addCommand(treeMenu_, QStringLiteral("deldisk"), QStringLiteral("删除磁盘记录"));
    // Shortcuts of the context menus work while the main window has the focus.
    addActions(movieMenu_->actions());
}

void MainWindow::buildToolbar()
{
    QToolBar* bar = addToolBar(QStringLiteral("工具栏"));
    bar->setObjectName(QStringLiteral("Toolbar1"));
    bar->setMovable(false);
    bar->toggleViewAction()->setEnabled(false);
    bar->setIconSize(QSize(25, 25));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const ToolbarButton& b : toolbarButtons) {
        if (!b.key) {
            bar->addSeparator();
            continue;
        }
        const QString key = QString::fromLatin1(b.key);
        QAction* a = bar->addAction(
            SharpPicture::icon(QStringLiteral(":/icons/toolbar/%1.png").arg(QLatin1String(b.icon))),
            QString::fromUtf16(b.tip));
        a->setObjectName(key);
        a->setToolTip(QString::fromUtf16(b.tip));
        actions_.insert(key, a);
        connect(a, &QAction::triggered, this, [this, key] { runToolbarKey(key); });
    }
}

void MainWindow::runToolbarKey(const QString& key)
{
    for (const char* candidate : toolbarDispatchOrder) {
        if (key != QLatin1String(candidate))
            continue;
        for (const ToolbarButton& b : toolbarButtons) {
            if (b.key && key == QLatin1String(b.key)) {
                QAction* command = action(QString::fromLatin1(b.command));
                if (command && command->isEnabled())
                    command->trigger();
                return;
            }
        }
    }
}

void MainWindow::buildCentre()
{
    mainSplitter_ = new QSplitter(Qt::Horizontal, this);
    mainSplitter_->setObjectName(QStringLiteral("MainSplitter"));
    tree_ = new DiscTreeWidget(context_, mainSplitter_);
    rightSplitter_ = new QSplitter(Qt::Vertical, mainSplitter_);
    // The quick filter box sits right above the list and goes with it when the splitter moves.
    // An empty catalogue shows the ways to begin where the list would be.
    listArea_ = new QStackedWidget(rightSplitter_);
    auto* listPanel = new QWidget(listArea_);
    list_ = new MovieListView(listPanel);
    quickFilter_ = new QuickFilterBox(list_, status_, listPanel);
    auto* listLayout = new QVBoxLayout(listPanel);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(2);
    listLayout->addWidget(quickFilter_);
    listLayout->addWidget(list_);
    QWidget::setTabOrder(quickFilter_, list_);
    pane_ = new DetailPane(rightSplitter_);
    mainSplitter_->addWidget(tree_);
    mainSplitter_->addWidget(rightSplitter_);
    listArea_->addWidget(listPanel);
    listArea_->addWidget(new StartPanel(action(QStringLiteral("MN_NewDisk")),
        action(QStringLiteral("MN_wizard")), action(QStringLiteral("MN_importMdb")), listArea_));
    rightSplitter_->addWidget(listArea_);
    rightSplitter_->addWidget(pane_);
    // Extra room is shared in the design's proportions.
    mainSplitter_->setStretchFactor(0, treeWidth);
    mainSplitter_->setStretchFactor(1, listWidth);
    rightSplitter_->setStretchFactor(0, listHeight);
    rightSplitter_->setStretchFactor(1, paneHeight);
    mainSplitter_->setSizes({ treeWidth, listWidth });
    rightSplitter_->setSizes({ listHeight, paneHeight });
    mainSplitter_->setChildrenCollapsible(false);
    rightSplitter_->setChildrenCollapsible(false);
    setCentralWidget(mainSplitter_);

    connect(tree_, &DiscTreeWidget::contextMenuWanted, this, &MainWindow::showTreeMenu);
    connect(tree_, &DiscTreeWidget::rebuilt, this,
        [this] { listArea_->setCurrentIndex(tree_->data().discs.isEmpty() ? 1 : 0); });
    connect(list_, &MovieListView::rightReleased, this, &MainWindow::showMovieMenu);
}

void MainWindow::buildStatusLine()
{
    status_ = new QLabel(MovieList::readyText, this);
    status_->setObjectName(QStringLiteral("LblLstV1"));
    statusBar()->addWidget(status_, 1);
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
    const std::pair<const char*, std::function<void()>> discCommands[] = {
        { "MN_NewDisk", [this] { discs_->newDisc(); } },
        { "ChangeDiskDetail", [this] { discs_->changeDiskDetail(); } },
        { "deldisk", [this] { discs_->deleteDisc(); } },
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
    connect(legacyImport_, &LegacyImportCommand::finished, browse_, [this](bool ok) {
        if (ok)
            browse_->clearShownMovies();
    });
    connect(list_, &MovieListView::columnSettingsRequested, this,
        [this] { SettingsDialog::open(context_, 3, this); });
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
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    if (!dialog->load()) {
        dialog->deleteLater();
        return nullptr;
    }
    dialog->show();
    return dialog;
}

bool MainWindow::loadAndShow(QString* error)
{
    if (!load(error))
        return false;
    // Some desktops (and none at all) ignore the maximise request; fill the screen either way.
    if (const QScreen* screen = this->screen())
        setGeometry(screen->availableGeometry());
    showMaximized();
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
    enable("deldisk", disc);
    treeMenu_->popup(globalPos);
}

void MainWindow::showMovieMenu(int, const QPoint& globalPos)
{
    movieMenu_->popup(globalPos);
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
