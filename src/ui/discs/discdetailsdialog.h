#pragma once

#include <QDialog>

class DiscCommands;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct DiscRecord;

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
    // What the save button does: writes the boxes that are not empty, then closes; stays open
    // when the catalogue could not be written.
    bool save();

private:
    DiscCommands& commands_;
    QLineEdit* number_;
    QLineEdit* name_;
    QComboBox* state_;
    QComboBox* kind_;
    QLineEdit* notes_;
    QLabel* lastCheck_;
    QPushButton* saveButton_;
    QPushButton* closeButton_;
};
