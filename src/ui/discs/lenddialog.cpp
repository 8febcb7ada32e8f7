#include "lenddialog.h"

#include "app/plaintext.h"
#include "disccommands.h"
#include "disctexts.h"
#include "store/loans.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QDateEdit* dateBox(const QDate& date, const QString& name, QWidget* parent)
{
    auto* box = new QDateEdit(date, parent);
    box->setObjectName(name);
    box->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    box->setCalendarPopup(true);
    return box;
}

} // namespace

LendDialog::LendDialog(DiscCommands& commands, const QString& discNumber, const QString& discName,
    const QStringList& earlierBorrowers, const QDate& today, QWidget* parent)
    : QDialog(parent)
    , commands_(commands)
    , disc_(discNumber)
{
    setObjectName(QStringLiteral("FormLend"));
    setWindowTitle(DiscTexts::lendTitle);
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(DiscTexts::lendHeading(discNumber, discName), this);
    heading->setObjectName(QStringLiteral("LblLendDisc"));
    heading->setTextFormat(Qt::PlainText); // a disc name is never markup
    heading->setWordWrap(true);
    layout->addWidget(heading);

    auto* form = new QFormLayout;
    borrower_ = new QComboBox(this);
    borrower_->setObjectName(QStringLiteral("ComboBorrower"));
    borrower_->setEditable(true); // a new borrower is typed
    borrower_->setInsertPolicy(QComboBox::NoInsert);
    borrower_->addItems(earlierBorrowers);
    // Earlier names are offered in a list below, never filled in: typing 王 when 王五 borrowed
    // before must lend to 王, not to 王五.
    borrower_->completer()->setCompletionMode(QCompleter::PopupCompletion);
    // An earlier name past the line edit's usual 32,767 characters is lent to whole, not cut.
    PlainText::holdAnyLength(borrower_->lineEdit());
    borrower_->setCurrentIndex(-1);
    borrower_->setEditText(QString());
    lent_ = dateBox(today, QStringLiteral("DateLent"), this);
    // A loan is recorded when it is made or later; a lending dated ahead would be returned on a
    // day that has not come.
    lent_->setMaximumDate(today);
    // The date due is optional: without the tick none is stored.
    hasDue_ = new QCheckBox(DiscTexts::lendDue, this);
    hasDue_->setObjectName(QStringLiteral("CheckDue"));
    due_ = dateBox(today.addDays(30), QStringLiteral("DateDue"), this);
    due_->setEnabled(false);
    note_ = new QLineEdit(this);
    note_->setObjectName(QStringLiteral("TextLoanNote"));
    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    form->addRow(label(DiscTexts::lendBorrower, borrower_), borrower_);
    form->addRow(label(DiscTexts::lendDate, lent_), lent_);
    form->addRow(hasDue_, due_);
    form->addRow(label(DiscTexts::lendNote, note_), note_);
    layout->addLayout(form);

    lendButton_ = new QPushButton(DiscTexts::lendButton, this);
    lendButton_->setObjectName(QStringLiteral("CmdLend"));
    lendButton_->setDefault(true);
    cancelButton_ = new QPushButton(DiscTexts::cancelButton, this);
    cancelButton_->setObjectName(QStringLiteral("CmdLendCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(lendButton_);
    buttons->addWidget(cancelButton_);
    layout->addLayout(buttons);

    setTabOrder(borrower_, lent_);
    setTabOrder(lent_, hasDue_);
    setTabOrder(hasDue_, due_);
    setTabOrder(due_, note_);
    setTabOrder(note_, lendButton_);
    setTabOrder(lendButton_, cancelButton_);
    borrower_->setFocus();

    connect(hasDue_, &QCheckBox::toggled, due_, &QWidget::setEnabled);
    connect(lendButton_, &QPushButton::clicked, this, &LendDialog::lend);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(380);
}

bool LendDialog::lend()
{
    const Loans::Lending lending { borrower_->currentText(), lent_->date(),
        hasDue_->isChecked() ? due_->date() : QDate(), note_->text() };
    if (!commands_.storeLoan(disc_, lending, this))
        return false;
    accept();
    return true;
}
