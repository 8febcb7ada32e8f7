#pragma once

#include <QDialog>

class DiscCommands;
class QCheckBox;
class QComboBox;
class QDate;
class QDateEdit;
class QLineEdit;
class QPushButton;

// 借出...: who borrows the disc (one of the earlier borrowers or a new name), when, until when if
// a date was agreed, and a note.
class LendDialog : public QDialog
{
    Q_OBJECT
public:
    LendDialog(DiscCommands& commands, const QString& discNumber, const QString& discName,
        const QStringList& earlierBorrowers, const QDate& today, QWidget* parent = nullptr);

    // The lend button: stores the loan and closes; stays open when it cannot be stored.
    bool lend();

private:
    DiscCommands& commands_;
    QString disc_;
    QComboBox* borrower_;
    QDateEdit* lent_;
    QCheckBox* hasDue_;
    QDateEdit* due_;
    QLineEdit* note_;
    QPushButton* lendButton_;
    QPushButton* cancelButton_;
};
