#include "maincommands.h"

#include "backups/backuptexts.h"
#include "sharppicture.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace {

// One menu entry; a null name is a separator.
struct Entry
{
    const char* name;
    const char16_t* caption;
    const char* shortcut;
};

struct MenuTable
{
    const char* name;
    const char16_t* caption;
    std::initializer_list<Entry> entries;
};

const Entry separator { nullptr, nullptr, nullptr };

const MenuTable barMenus[] = {
    { "New", u"电影(&N)",
        { { "MN_NewDisk", u"创建碟片", "Ctrl+D" }, { "MN_Movie", u"新建影片", "Ctrl+M" }, separator,
            { "MN_wizard", u"魔法向导", "Ctrl+X" }, separator, { "MN_go", u"退出(&X)", nullptr } } },
    { "optin", u"查询(&C)", { { "MN_search", u"搜索(&S)", nullptr } } },
    { "MN_tools", u"工具(&T)",
        { { "MN_trans", u"导出数据为...", "Ctrl+I" },
            { "MN_importMdb", u"导入旧版数据库(*.mdb)...", nullptr }, { "MN_restore", nullptr, nullptr },
            separator, { "MN_stats", u"收藏统计...", nullptr },
            { "MN_report", u"重复与风险报告...", nullptr }, { "MN_verify", u"校验光盘...", nullptr },
            separator, { "MN_Set1", u"设置读取源(&E)", nullptr }, { "MN_Set2", u"过滤选项(&G)", nullptr },
            { "MN_Set3", u"程序配置(&P)", nullptr }, { "MN_Set4", u"其他选项(&O)", nullptr } } },
    { "MN_About", u"关于(&A)",
        { { "MN_help", u"帮助(&H)", nullptr }, { "GotoWeb", u"访问软件主页", nullptr }, separator,
            { "MN_About2", u"关于 ReelShelf Index(&A)", nullptr } } },
};

// The two context menus are not in the menu bar; the list and the tree pop them up.
const MenuTable movieMenuTable { "MN_POPno", u"弹出",
    { { "MN_play", u"播放(&P)", "Ctrl+P" }, separator, { "MN_edit", u"修改(&I)", nullptr },
        { "MN_Move", u"移动至...", "Ctrl+Y" }, separator, { "MN_delete", u"删除记录(&L)", nullptr } } };
const MenuTable treeMenuTable { "popup3", u"弹出2",
    { { "AddMovie", u"添加影片记录", nullptr }, separator, { "addtofav", u"添加至收藏", nullptr },
        { "DelFav", u"删除选中收藏", nullptr }, separator, { "ChangeDiskDetail", u"查看磁盘信息", nullptr },
        { "RescanDisc", u"重新读取光盘...", nullptr }, { "VerifyDisc", u"校验光盘...", nullptr }, separator,
        { "LendDisc", u"借出...", nullptr }, { "ReturnDisc", u"归还", nullptr }, separator,
        { "deldisk", u"删除磁盘记录", nullptr } } };

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

} // namespace

MainCommands::MainCommands(QMainWindow* window)
    : QObject(window)
{
    buildMenus(window);
    buildToolbar(window);
}

QAction* MainCommands::addCommand(QMenu* menu, const char* name, const QString& caption, const char* shortcut)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    if (shortcut)
        a->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
    actions_.insert(a->objectName(), a);
    return a;
}

void MainCommands::buildMenus(QMainWindow* window)
{
    auto fill = [this](QMenu* menu, const MenuTable& table) {
        menu->setObjectName(QString::fromLatin1(table.name));
        for (const Entry& e : table.entries) {
            if (!e.name)
                menu->addSeparator();
            else // the restore command's caption is the backups' own
                addCommand(menu, e.name, e.caption ? QString::fromUtf16(e.caption) : BackupTexts::menuCaption,
                    e.shortcut);
        }
    };
    for (const MenuTable& table : barMenus)
        fill(window->menuBar()->addMenu(QString::fromUtf16(table.caption)), table);
    movieMenu_ = new QMenu(QString::fromUtf16(movieMenuTable.caption), window);
    fill(movieMenu_, movieMenuTable);
    treeMenu_ = new QMenu(QString::fromUtf16(treeMenuTable.caption), window);
    fill(treeMenu_, treeMenuTable);
    // Shortcuts of the context menus work while the main window has the focus.
    window->addActions(movieMenu_->actions());
}

void MainCommands::buildToolbar(QMainWindow* window)
{
    QToolBar* bar = window->addToolBar(QStringLiteral("工具栏"));
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

void MainCommands::runToolbarKey(const QString& key)
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
