#pragma once

#include <QWidget>

class QAction;

// What the list area shows while the catalogue holds no disc: the three ways to begin, each a
// button that runs the same command as its menu item.
class StartPanel : public QWidget
{
    Q_OBJECT
public:
    StartPanel(QAction* newDisc, QAction* wizard, QAction* importOld, QWidget* parent = nullptr);
};
