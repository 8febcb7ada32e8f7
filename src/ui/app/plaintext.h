#pragma once

#include <QString>

class QApplication;
class QLineEdit;

// Titles, names and paths are shown as the user typed them. Qt takes a label's or a tooltip's
// text that looks like markup for markup, and markup may name a file to read: a title typed as
// <img src="/dev/zero"> would read that device for ever.
namespace PlainText {

// Every label of the program shows its text as plain text unless it was set to rich text. Qt's
// tooltip is such a label too: every tooltip shows its text as typed, markup and all.
void guardLabels(QApplication& app);

// A tooltip that shows `text` as it is, line breaks kept; a very long text is cut, so that its
// tooltip stays on the screen.
QString tip(const QString& text);

// A stored text may be longer than a line edit holds by default (32,767 characters); a box that
// cut it would show it cut, copy it cut and store it cut on the next save.
void holdAnyLength(QLineEdit* edit);

} // namespace PlainText
