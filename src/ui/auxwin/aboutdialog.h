#pragma once

#include <QDialog>

// The About window with the version text.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    static QString versionText();
};
