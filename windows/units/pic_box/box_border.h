// The borders 0-5 that edit boxes and picture boxes draw around their client area:
// 0 none, 1 sunken, 2 raised, 3 thin sunken, 4 frame (raised outside, sunken inside),
// 5 single line. Drawn in the system's 3-D colours.
#pragma once

#include <QPainter>
#include <QRect>

namespace zorvel::forms {

// How many pixels the border takes on each side.
int BorderWidth(int border);

// Draws the border along the inside of the rectangle (the widget's own rectangle).
void DrawBorder(QPainter& painter, const QRect& rect, int border);

}  // namespace zorvel::forms
