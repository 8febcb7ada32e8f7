#pragma once

#include <QString>

class QApplication;

// Titles, names and paths are shown as the user typed them. Qt takes a label's or a tooltip's
// text that looks like markup for markup, and markup may name a file to read: a title typed as
// <img src="/dev/zero"> would read that device for ever.
namespace PlainText {

// Every label of the program shows its text as plain text unless it was set to rich text.
void guardLabels(QApplication& app);

// A tooltip that shows `text` as it is, line breaks kept.
QString tip(const QString& text);

} // namespace PlainText
