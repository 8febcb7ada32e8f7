#include "prompt.h"

#include <QMessageBox>

Prompt::Answer MessageBoxPrompt::ask(QWidget* parent, Icon icon, const QString& text, Buttons buttons)
{
    // A window not yet shown would place the box at its corner; centre it on the screen instead.
    QMessageBox box(parent && parent->isVisible() ? parent : nullptr);
    box.setWindowTitle(title());
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
