#pragma once

#include <QDialog>

class DiscCommands;
class QComboBox;
class QLineEdit;
class QPushButton;

// Form2: a new disc record by hand, in three steps (number, name, kind).
class CreateDiscDialog : public QDialog
{
    Q_OBJECT
public:
    CreateDiscDialog(DiscCommands& commands, const QString& proposedNumber, QWidget* parent = nullptr);

    // What the create button does: stores the disc and closes, or says why not and stays open.
    bool create();

    QLineEdit* numberBox() const { return number_; }
    QLineEdit* nameBox() const { return name_; }
    QComboBox* kindBox() const { return kind_; }

private:
    DiscCommands& commands_;
    QLineEdit* number_;
    QLineEdit* name_;
    QComboBox* kind_;
    QPushButton* createButton_;
    QPushButton* cancelButton_;
};
