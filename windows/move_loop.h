// The move loop a press on a title bar starts: the widget follows the mouse (a child
// within its parent's client area) until the left button is released.
#pragma once

class QWidget;

namespace zorvel::forms {

// Returns when the left button is released (at once when it is not down), or when the
// program quits.
void RunMoveLoop(QWidget* widget);

}  // namespace zorvel::forms
