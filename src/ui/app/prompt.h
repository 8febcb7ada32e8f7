#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every message box of the program goes through this interface: the windows say what to ask,
// the desktop shows a real message box, and tests pre-answer and record.
class Prompt
{
public:
    enum class Icon { Information, Warning, Critical, Question };
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Answer { Ok, Yes, No, Cancel };

    static QString title() { return QStringLiteral("ReelShelf Index"); }

    virtual ~Prompt() = default;
    virtual Answer ask(QWidget* parent, Icon icon, const QString& text, Buttons buttons) = 0;
    // A message with a list of details, one line each (the files a problem concerns), shown in a
    // list the user can scroll and copy; OK only.
    virtual void showList(QWidget* parent, Icon icon, const QString& text, const QStringList& details)
    {
        ask(parent, icon, text + u'\n' + details.join(u'\n'), Buttons::Ok);
    }

    void warn(QWidget* parent, const QString& text) { ask(parent, Icon::Warning, text, Buttons::Ok); }
    void inform(QWidget* parent, const QString& text) { ask(parent, Icon::Information, text, Buttons::Ok); }
    // A report whose details may run to hundreds of lines: those go into the scrolling list.
    void inform(QWidget* parent, const QString& text, const QStringList& details)
    {
        if (details.isEmpty())
            inform(parent, text);
        else
            showList(parent, Icon::Information, text, details);
    }
};

// The real message boxes, titled "ReelShelf Index".
class MessageBoxPrompt final : public Prompt
{
public:
    Answer ask(QWidget* parent, Icon icon, const QString& text, Buttons buttons) override;
    void showList(QWidget* parent, Icon icon, const QString& text, const QStringList& details) override;
};
