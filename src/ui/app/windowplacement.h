#pragma once

#include <QSize>

class QWidget;

// Where windows open: inside the screen with room for their frame, and centred on it, whatever
// the screen's size and scale.
namespace WindowPlacement {

// The room a window may take on the screen it will open on: the desktop's free area less an
// allowance for the frame the window manager adds.
QSize room(const QWidget* window);

// Sizes the window to `wanted`, or to the room there is, and centres it on its screen.
void fitAndCentre(QWidget* window, QSize wanted);

// Centres the window on its screen at its present size (cut to the room there is).
void centre(QWidget* window);

} // namespace WindowPlacement
