#include "prompt.h"

#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

Prompt::Answer MessageBoxPrompt::ask(QWidget* parent, Icon icon, const QString& text, Buttons buttons)
{
    // A window not yet shown would place the box at its corner; centre it on the screen instead.
    QMessageBox box(parent && parent->isVisible() ? parent : nullptr);
    box.setWindowTitle(title());
    // Messages quote names and titles as the user typed them; none of ours is markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (icon) {
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
    } else if (buttons == Buttons::YesNoCancel) {
        // Esc and the default both choose to do nothing.
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int result = box.exec();
    if (buttons == Buttons::YesNo)
        return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
    if (buttons == Buttons::YesNoCancel)
        return result == QMessageBox::Yes ? Answer::Yes
            : result == QMessageBox::No   ? Answer::No
                                          : Answer::Cancel;
    return Answer::Ok;
}

namespace {

QStyle::StandardPixmap boxIcon(Prompt::Icon icon)
{
    switch (icon) {
    case Prompt::Icon::Information:
        return QStyle::SP_MessageBoxInformation;
    case Prompt::Icon::Warning:
        return QStyle::SP_MessageBoxWarning;
    case Prompt::Icon::Critical:
        return QStyle::SP_MessageBoxCritical;
    case Prompt::Icon::Question:
        return QStyle::SP_MessageBoxQuestion;
    }
    return QStyle::SP_MessageBoxInformation;
}

} // namespace

void MessageBoxPrompt::showList(QWidget* parent, Icon icon, const QString& text, const QStringList& details)
{
    // However long the list, the window keeps its size and its button on the screen: the lines
    // scroll, and can be selected and copied.
    QDialog box(parent && parent->isVisible() ? parent : nullptr);
    box.setObjectName(QStringLiteral("DetailsList"));
    box.setWindowTitle(title());
    auto* layout = new QVBoxLayout(&box);
    auto* top = new QHBoxLayout;
    auto* iconLabel = new QLabel(&box);
    const int side = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    iconLabel->setPixmap(box.style()->standardIcon(boxIcon(icon), nullptr, &box).pixmap(side, side));
    iconLabel->setAlignment(Qt::AlignTop);
    auto* message = new QLabel(text, &box);
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(iconLabel);
    top->addWidget(message, 1);
    layout->addLayout(top);
    auto* list = new QPlainTextEdit(&box);
    list->setObjectName(QStringLiteral("Details"));
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    list->setPlainText(details.join(u'\n'));
    layout->addWidget(list, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QPushButton* copy = buttons->addButton(QStringLiteral("复制全部"), QDialogButtonBox::ActionRole);
    QObject::connect(copy, &QPushButton::clicked, &box,
        [&details] { QGuiApplication::clipboard()->setText(details.join(u'\n') + u'\n'); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    layout->addWidget(buttons);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Ok)->setFocus();
    box.resize(640, 420);
    box.exec();
}
