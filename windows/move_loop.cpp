#include "windows/move_loop.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <algorithm>

#include "windows/virtual_keys.h"
#include "windows/windows.h"

namespace zorvel::forms {

namespace {

class MoveFilter : public QObject {
 public:
  MoveFilter(QWidget* widget, QEventLoop& loop)
      : widget_(widget), loop_(loop), startCursor_(QCursor::pos()), startPos_(TopLeft(widget)) {}

  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseMove: {
        if (widget_ == nullptr) {
          loop_.quit();
          return false;
        }
        auto* e = static_cast<QMouseEvent*>(event);
        if (!(e->buttons() & Qt::LeftButton)) {
          loop_.quit();
          return true;
        }
        // The pointer counts only within the parent window; the unit keeps its grip on
        // the pointer and follows it without limits of its own, so a unit grabbed at its
        // middle can go half outside, and its place may become negative.
        QPoint cursor = e->globalPosition().toPoint();
        if (!widget_->isWindow()) {
          if (const QWidget* parent = widget_->parentWidget()) {
            const QRect area(parent->mapToGlobal(QPoint(0, 0)), parent->size());
            cursor.setX(std::clamp(cursor.x(), area.left(), area.right()));
            cursor.setY(std::clamp(cursor.y(), area.top(), area.bottom()));
          }
        }
        widget_->move(startPos_ + (cursor - startCursor_));
        return true;
      }
      case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton) loop_.quit();
        return true;
      }
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        return true;
      default:
        return false;
    }
  }

 private:
  static QPoint TopLeft(const QWidget* w) { return w->isWindow() ? w->frameGeometry().topLeft() : w->pos(); }

  QPointer<QWidget> widget_;
  QEventLoop& loop_;
  QPoint startCursor_;
  QPoint startPos_;
};

}  // namespace

void RunMoveLoop(QWidget* widget) {
  if (widget == nullptr || !(QGuiApplication::mouseButtons() & Qt::LeftButton) || loop::Quitting()) return;
  QEventLoop loop;
  MoveFilter filter(widget, loop);
  qApp->installEventFilter(&filter);
  loop.exec();
  qApp->removeEventFilter(&filter);
}

int VirtualKey(int key, Qt::KeyboardModifiers modifiers) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    return (modifiers & Qt::KeypadModifier) ? kVkNumpad0 + (key - Qt::Key_0) : key;
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return kVkF1 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return kVkBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return kVkTab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return kVkReturn;
    case Qt::Key_Shift: return kVkShift;
    case Qt::Key_Control: return kVkControl;
    case Qt::Key_Alt: return kVkMenu;
    case Qt::Key_Pause: return kVkPause;
    case Qt::Key_CapsLock: return kVkCapital;
    case Qt::Key_Escape: return kVkEscape;
    case Qt::Key_Space: return kVkSpace;
    case Qt::Key_PageUp: return kVkPrior;
    case Qt::Key_PageDown: return kVkNext;
    case Qt::Key_End: return kVkEnd;
    case Qt::Key_Home: return kVkHome;
    case Qt::Key_Left: return kVkLeft;
    case Qt::Key_Up: return kVkUp;
    case Qt::Key_Right: return kVkRight;
    case Qt::Key_Down: return kVkDown;
    case Qt::Key_Insert: return kVkInsert;
    case Qt::Key_Delete: return kVkDelete;
    default: return 0;
  }
}

}  // namespace zorvel::forms
