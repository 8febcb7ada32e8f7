#pragma once

#include <QWidget>

class QComboBox;
class QDialogButtonBox;
class QPushButton;
struct AppContext;

// The folder a disc's medium is mounted at, as the rescan and the check ask for it: the mounted
// removable media to pick from, `proposed` or else the drive the settings name, and 浏览... for any
// other folder.
class MediumRootBox : public QWidget
{
    Q_OBJECT
public:
    MediumRootBox(AppContext& context, const QString& proposed, QWidget* parent);

    QString root() const; // as typed, blanks trimmed
    QComboBox* combo() const { return combo_; }

private:
    void browse();

    AppContext& context_;
    QComboBox* combo_;
};

// The buttons of a dialog that runs long work beside the window: `start` (the default), `stop`
// (shown only while the work runs) and `close`.
QDialogButtonBox* longWorkButtons(QWidget* parent, QPushButton* start, QPushButton* stop, QPushButton* close);
