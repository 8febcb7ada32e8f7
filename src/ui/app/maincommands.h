#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QAction;
class QMainWindow;
class QMenu;

// The main window's commands: the menu bar, the two context menus and the toolbar, each command
// an action with its object name. What a command does is wired elsewhere, by name.
class MainCommands : public QObject
{
    Q_OBJECT
public:
    explicit MainCommands(QMainWindow* window);

    QAction* action(const QString& name) const { return actions_.value(name); }
    QMenu* movieMenu() const { return movieMenu_; }
    QMenu* treeMenu() const { return treeMenu_; }

    // Runs the command of a toolbar key; a key that matches none does nothing.
    void runToolbarKey(const QString& key);

private:
    void buildMenus(QMainWindow* window);
    void buildToolbar(QMainWindow* window);
    QAction* addCommand(
        QMenu* menu, const char* name, const QString& caption, const char* shortcut = nullptr);

    QHash<QString, QAction*> actions_;
    QMenu* movieMenu_ = nullptr;
    QMenu* treeMenu_ = nullptr;
};
