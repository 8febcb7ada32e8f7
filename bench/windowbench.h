#pragma once

// What the benchmarks that drive the real window share: no desktop, a paint counter to know when
// the screen shows a result, and a quieter offscreen platform.

#include "app/appcontext.h"
#include "app/prompt.h"

#include <QApplication>
#include <QEvent>
#include <QStringList>
#include <QWidget>
#include <cstdio>

namespace Bench {

class NoDesktop final : public Desktop
{
public:
    bool openUrl(const QUrl&) override { return false; }
};

// Answers every question yes (or ok) at once, and keeps what was asked.
class YesPrompt final : public Prompt
{
public:
    Answer ask(QWidget*, Icon, const QString& text, Buttons buttons) override
    {
        asked.append(text);
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    QStringList asked;
};

// Counts the paint events of one widget.
class PaintCounter final : public QObject
{
public:
    explicit PaintCounter(QWidget* watched)
        : QObject(watched)
    {
        watched->installEventFilter(this);
    }
    int count() const { return count_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count_;
        return false;
    }

private:
    int count_ = 0;
};

// Processes events until the widget has painted again (or a few rounds went by without it).
inline bool processUntilPainted(const PaintCounter& counter, int before)
{
    QApplication::processEvents();
    for (int round = 0; round < 20 && counter.count() == before; ++round)
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    return counter.count() != before;
}

// The offscreen platform warns about every window it cannot size from hints; that says nothing
// about the program and would bury the figures.
inline void quietOffscreenWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QStringLiteral("propagateSizeHints")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace Bench
