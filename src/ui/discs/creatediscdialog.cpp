#include "creatediscdialog.h"

#include "disccommands.h"
#include "disctexts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CreateDiscDialog::CreateDiscDialog(DiscCommands& commands, const QString& proposedNumber, QWidget* parent)
    : QDialog(parent)
    , commands_(commands)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(DiscTexts::createTitle);

    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(DiscTexts::createIntro, this);
    intro->setObjectName(QStringLiteral("Label1"));
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto addStep = [&](const QString& caption, QWidget* box) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(box);
        layout->addWidget(label);
        layout->addWidget(box);
    };
    number_ = new QLineEdit(proposedNumber, this);
    number_->setObjectName(QStringLiteral("Text1_0"));
    addStep(DiscTexts::numberLabel, number_);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("Text1_1"));
    addStep(DiscTexts::nameLabel, name_);
    kind_ = new QComboBox(this);
    kind_->setObjectName(QStringLiteral("Combo1"));
    kind_->setEditable(true); // a kind of the user's own is stored as typed
    kind_->setInsertPolicy(QComboBox::NoInsert);
    kind_->addItems(DiscTexts::kinds);
    kind_->setCurrentIndex(0);
    addStep(DiscTexts::kindLabel, kind_);

    createButton_ = new QPushButton(DiscTexts::createButton, this);
    createButton_->setObjectName(QStringLiteral("CommandNewD_0"));
    createButton_->setDefault(true);
    cancelButton_ = new QPushButton(DiscTexts::cancelButton, this);
    cancelButton_->setObjectName(QStringLiteral("CommandNewD_1"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(createButton_);
    buttons->addWidget(cancelButton_);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    setTabOrder(number_, name_);
    setTabOrder(name_, kind_);
    setTabOrder(kind_, createButton_);
    setTabOrder(createButton_, cancelButton_);
    number_->setFocus();
    number_->selectAll(); // typing replaces the proposed number

    connect(createButton_, &QPushButton::clicked, this, &CreateDiscDialog::create);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(420);
}

bool CreateDiscDialog::create()
{
    if (!commands_.createDisc(number_->text(), kind_->currentText(), name_->text(), this))
        return false;
    accept();
    return true;
}
