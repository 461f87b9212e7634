#include "windows/screen_coordinates.h"

#include <QGuiApplication>
#include <QScreen>

namespace zorvel::forms {

QRect PrimaryScreenGeometry() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry() : QRect();
}

namespace {
QPoint Origin() { return PrimaryScreenGeometry().topLeft(); }
}  // namespace

QPoint ScreenToGlobal(QPoint at) { return at + Origin(); }
QRect ScreenToGlobal(const QRect& rect) { return rect.translated(Origin()); }
QPoint GlobalToScreen(QPoint at) { return at - Origin(); }
QRect GlobalToScreen(const QRect& rect) { return rect.translated(-Origin()); }

}  // namespace zorvel::forms
