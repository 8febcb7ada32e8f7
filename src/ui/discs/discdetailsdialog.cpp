#include "discdetailsdialog.h"

#include "app/plaintext.h"
#include "disccommands.h"
#include "disctexts.h"
#include "store/catalogue.h"
#include "store/loans.h"
#include "store/records.h"
#include "store/textrules.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QComboBox* emptyCombo(const QStringList& items, const QString& name, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    PlainText::holdAnyLength(box->lineEdit());
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    // Empty until filled: an empty box is never written.
    box->setCurrentIndex(-1);
    box->setEditText(QString());
    return box;
}

QString boxText(const QVariant& stored)
{
    return TextRules::trimBlanks(stored.toString());
}

std::optional<QString> unlessEmpty(const QString& text)
{
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

} // namespace

DiscDetailsDialog::DiscDetailsDialog(DiscCommands& commands, QWidget* parent)
    : QDialog(parent)
    , commands_(commands)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(DiscTexts::detailsTitle);

    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(DiscTexts::detailsHint, this);
    hint->setObjectName(QStringLiteral("Label6"));
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto* frame = new QGroupBox(DiscTexts::detailsFrame, this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* form = new QFormLayout(frame);
    number_ = new QLineEdit(frame);
    number_->setObjectName(QStringLiteral("Text1"));
    number_->setReadOnly(true); // the number finds the record; it is never written
    QPalette face = number_->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    number_->setPalette(face);
    PlainText::holdAnyLength(number_);
    name_ = new QLineEdit(frame);
    name_->setObjectName(QStringLiteral("Text2"));
    PlainText::holdAnyLength(name_);
    state_ = emptyCombo(DiscTexts::states, QStringLiteral("Combo2"), frame);
    kind_ = emptyCombo(DiscTexts::kinds, QStringLiteral("Combo1"), frame);
    notes_ = new QLineEdit(frame);
    notes_->setObjectName(QStringLiteral("Text3"));
    PlainText::holdAnyLength(notes_);
    form->addRow(DiscTexts::detailsNumber, number_);
    form->addRow(DiscTexts::detailsName, name_);
    form->addRow(DiscTexts::detailsState, state_);
    form->addRow(DiscTexts::detailsKind, kind_);
    form->addRow(DiscTexts::detailsNotes, notes_);
    layout->addWidget(frame);
    lastCheck_ = new QLabel(this);
    lastCheck_->setObjectName(QStringLiteral("LabelLastCheck"));
    lastCheck_->setWordWrap(true);
    lastCheck_->setVisible(false);
    layout->addWidget(lastCheck_);
    loanLine_ = new QLabel(this);
    loanLine_->setObjectName(QStringLiteral("LabelLoan"));
    loanLine_->setTextFormat(Qt::PlainText); // a borrower's name is never markup
    loanLine_->setWordWrap(true);
    loanLine_->setVisible(false);
    layout->addWidget(loanLine_);
    loans_ = new QListWidget(this);
    loans_->setObjectName(QStringLiteral("ListLoans"));
    loans_->setAccessibleName(DiscTexts::loansCaption);
    loans_->setToolTip(DiscTexts::loansCaption);
    loans_->setSelectionMode(QAbstractItemView::SingleSelection);
    loans_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A few lines; a long history scrolls rather than pushing the buttons off a small screen.
    loans_->setMaximumHeight(loans_->fontMetrics().height() * 5 + 8);
    loans_->setVisible(false);
    layout->addWidget(loans_);

    saveButton_ = new QPushButton(DiscTexts::saveButton, this);
    saveButton_->setObjectName(QStringLiteral("Command1"));
    saveButton_->setDefault(true);
    closeButton_ = new QPushButton(DiscTexts::closeButton, this);
    closeButton_->setObjectName(QStringLiteral("Command2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(saveButton_);
    buttons->addWidget(closeButton_);
    layout->addLayout(buttons);

    setTabOrder(number_, name_);
    setTabOrder(name_, state_);
    setTabOrder(state_, kind_);
    setTabOrder(kind_, notes_);
    setTabOrder(notes_, loans_);
    setTabOrder(loans_, saveButton_);
    setTabOrder(saveButton_, closeButton_);
    name_->setFocus();

    connect(saveButton_, &QPushButton::clicked, this, &DiscDetailsDialog::save);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(360);
}

void DiscDetailsDialog::fill(const DiscRecord& disc)
{
    number_->setText(disc.diskNum.toString());
    if (!disc.name.isNull())
        name_->setText(boxText(disc.name));
    if (!disc.diskType.isNull())
        kind_->setEditText(boxText(disc.diskType));
    if (!disc.station.isNull())
        state_->setEditText(boxText(disc.station));
    stationShown_ = state_->currentText();
    if (!disc.ps.isNull())
        notes_->setText(boxText(disc.ps));
}

void DiscDetailsDialog::showLastCheck(const QString& text)
{
    lastCheck_->setText(text);
    lastCheck_->setVisible(!text.isEmpty());
}

void DiscDetailsDialog::showLoans(const QList<Loans::Loan>& loans, const QDate& today)
{
    loans_->clear();
    QString now = DiscTexts::notLentNow;
    for (auto it = loans.crbegin(); it != loans.crend(); ++it) {
        loans_->addItem(Loans::historyLine(*it));
        if (it->open())
            now = DiscTexts::loanOpenPrefix + Loans::stateText(*it, today);
    }
    loanLine_->setText(now);
    loanLine_->setVisible(!loans.isEmpty());
    loans_->setVisible(!loans.isEmpty());
}

bool DiscDetailsDialog::save()
{
    DiscDetails details;
    details.name = unlessEmpty(name_->text());
    details.diskType = unlessEmpty(kind_->currentText());
    // Lending and returning write the condition too, here or from another program while this
    // window is open: a condition the user left as shown is not written back over theirs.
    if (state_->currentText() != stationShown_)
        details.station = unlessEmpty(state_->currentText());
    details.ps = unlessEmpty(notes_->text());
    if (!commands_.saveDiscDetails(number_->text(), details, this))
        return false;
    accept();
    return true;
}
