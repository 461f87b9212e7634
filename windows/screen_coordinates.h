// The program's screen coordinates. The program counts window positions from the
// primary screen's top-left corner, and its full screen is the primary screen; Qt places
// top-level windows on a virtual desktop where the primary screen may lie anywhere (a
// projector as primary screen right of a laptop starts at the laptop's width). These
// convert between the two, so that everything the program reads or writes about a
// top-level window's place (its Left and Top, window rectangles of the platform
// procedures, centring) is in the program's coordinates, and Qt only ever sees its own.
// Sizes are the same in both: Qt's device-independent pixels.
#pragma once

#include <QPoint>
#include <QRect>

namespace zorvel::forms {

// The primary screen in Qt's global coordinates; empty without a screen.
QRect PrimaryScreenGeometry();

// A point or rectangle of the program's screen coordinates in Qt's global coordinates.
QPoint ScreenToGlobal(QPoint at);
QRect ScreenToGlobal(const QRect& rect);

// A point or rectangle of Qt's global coordinates in the program's screen coordinates.
QPoint GlobalToScreen(QPoint at);
QRect GlobalToScreen(const QRect& rect);

}  // namespace zorvel::forms
