#pragma once

#include "settings/settingschoices.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;
struct AppContext;

// Form9: the settings of RSISet.ini and the wizard's movie file types on four pages. Nothing is
// written until OK; cancel, Esc or closing the window keeps the files as they were.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SettingsDialog(AppContext& context, QWidget* parent = nullptr);

    // Opens the dialog application-modal on page 1 to 4 (the tab's position); it deletes itself
    // when it closes.
    static SettingsDialog* open(AppContext& context, int page, QWidget* parent);

    // Selects the tab at position 1 to 4, which shows its page.
    void selectPage(int page);
    // Shows the container of a tab key; a key that is none of the four changes nothing.
    void showTabKey(const QString& key);
    // The index of the container in front (0 to 3).
    int shownContainer() const;

    // The choices as the controls hold them now.
    SettingsChoices choices() const;

    // The buttons. ok() writes everything and closes; when a file cannot be written it warns,
    // stays open with the choices and returns false.
    bool ok();
    void cancel();
    void help();
    void restoreDefaults();
    void restoreColours();
    // Asks for the colour of swatch 0 or 1; a cancelled colour dialog changes nothing.
    void pickColour(int index);

private:
    QWidget* buildDrivePage();
    QWidget* buildFilterPage();
    QWidget* buildProgramPage();
    QWidget* buildOtherPage();
    void load();
    void setManual(bool manual);
    void setColour(int index, quint32 number);
    void showMemo(QTreeWidgetItem* item);

    AppContext& context_;
    QTabBar* tabs_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QComboBox* drive_ = nullptr;
    QTreeWidget* fileTypes_ = nullptr;
    QLabel* memo_ = nullptr;
    QRadioButton* manual_ = nullptr;
    QRadioButton* automatic_ = nullptr;
    std::array<QCheckBox*, 3> cleaning_ {};
    QCheckBox* autoSelect_ = nullptr;
    std::array<QCheckBox*, SettingsChoices::columnCount> columns_ {};
    QCheckBox* magic_ = nullptr;
    QCheckBox* autoOpen_ = nullptr;
    std::array<QPushButton*, 2> swatches_ {};
    std::array<QLabel*, 2> colourNumbers_ {};
    SettingsChoices shown_; // as the file gave them when the dialog opened
    std::array<bool, 2> colourChosen_ {}; // picked or restored, so written even when unchanged
};
