#include "windowplacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace {

// A title bar and borders, until the window is shown and its own frame is known.
constexpr QSize assumedFrame(16, 40);

const QScreen* screenOf(const QWidget* window)
{
    if (const QWidget* parent = window->parentWidget(); parent && parent->isVisible())
        return parent->window()->screen();
    return window->screen() ? window->screen() : QGuiApplication::primaryScreen();
}

QSize frameOf(const QWidget* window)
{
    return window->isVisible() ? window->frameGeometry().size() - window->geometry().size() : assumedFrame;
}

} // namespace

QSize WindowPlacement::room(const QWidget* window)
{
    const QScreen* screen = screenOf(window);
    const QSize free = screen ? screen->availableGeometry().size() : QSize(1024, 700);
    return (free - frameOf(window)).expandedTo(QSize(1, 1));
}

void WindowPlacement::fitAndCentre(QWidget* window, QSize wanted)
{
    window->resize(wanted.boundedTo(room(window)));
    centre(window);
}

void WindowPlacement::centre(QWidget* window)
{
    const QScreen* screen = screenOf(window);
    if (!screen)
        return;
    // A window not sized yet takes the size its layout asks for when shown; centre that one.
    const QSize size = window->testAttribute(Qt::WA_Resized) ? window->size() : window->sizeHint();
    window->resize(size.boundedTo(room(window)));
    QRect frame(QPoint(0, 0), window->size() + frameOf(window));
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}
