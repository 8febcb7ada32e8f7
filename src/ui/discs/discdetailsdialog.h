#pragma once

#include <QDialog>

class DiscCommands;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QDate;
class QPushButton;
struct DiscRecord;
namespace Loans {
struct Loan;
}

// Form6: a disc's number, name, condition, kind and notes, to view and to change.
class DiscDetailsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit DiscDetailsDialog(DiscCommands& commands, QWidget* parent = nullptr);

    // The number as stored; the other fields trimmed of blanks, a null field leaving its box empty.
    void fill(const DiscRecord& disc);
    // The line under the fields: "上次校验：2026-12-08，3 个文件无法读取".
    void showLastCheck(const QString& text);
    // The disc's loans, under the fields: the open one (or that there is none) and every loan
    // the latest first. Nothing is shown for a disc never lent.
    void showLoans(const QList<Loans::Loan>& loans, const QDate& today);
    // What the save button does: writes the boxes that are not empty, then closes; stays open
    // when the catalogue could not be written.
    bool save();

private:
    DiscCommands& commands_;
    QLineEdit* number_;
    QLineEdit* name_;
    QComboBox* state_;
    QString stationShown_; // as filled in, to tell whether the user changed it
    QComboBox* kind_;
    QLineEdit* notes_;
    QLabel* lastCheck_;
    QLabel* loanLine_;
    QListWidget* loans_;
    QPushButton* saveButton_;
    QPushButton* closeButton_;
};
