// Input of the units of loaded windows: the common mouse, focus, key and wheel events,
// and the window's keyboard handling (Tab order, arrows among radio boxes, Enter and the
// default button, Esc, F1, Alt with a letter) before a key reaches a unit.
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

#include "text/gbk.h"
#include "windows/move_loop.h"
#include "windows/units/window/window_unit.h"
#include "windows/virtual_keys.h"
#include "windows/windows.h"
#include "windows/windows_internal.h"

namespace zorvel::forms {

namespace {

constexpr const char* kWindowProperty = "zorvelWindow";
constexpr const char* kUnitProperty = "zorvelUnit";

std::int32_t KeyState(Qt::KeyboardModifiers m) {
  return ((m & Qt::ControlModifier) ? kKeyCtrl : 0) | ((m & Qt::ShiftModifier) ? kKeyShift : 0) |
         ((m & Qt::AltModifier) ? kKeyAlt : 0);
}

struct Located {
  LoadedWindow* window = nullptr;
  std::uint32_t unitId = 0;  // 0: the window itself
  std::uint32_t index = 0;
  Unit* unit = nullptr;
};

Located Locate(const QObject* object) {
  Located l;
  const QVariant windowId = object->property(kWindowProperty);
  if (!windowId.isValid()) return l;
  l.window = FindLoadedWindow(windowId.toUInt());
  if (l.window == nullptr) return l;
  l.unitId = object->property(kUnitProperty).toUInt();
  const std::optional<std::uint32_t> index =
      l.unitId == 0 ? std::optional<std::uint32_t>(0) : l.window->windowTemplate->IndexOf(l.unitId);
  if (!index || *index >= l.window->units.size()) {
    l.window = nullptr;
    return l;
  }
  l.index = *index;
  l.unit = l.window->units[*index].get();
  return l;
}

// The units Tab stops on, in Tab order (lower first; on equal order, later records
// first), optionally only those with the given parent unit.
std::vector<std::uint32_t> TabSequence(LoadedWindow& w, std::optional<std::uint32_t> parent, bool radioOnly) {
  struct Entry {
    std::int32_t order;
    std::uint32_t index;
  };
  std::vector<Entry> entries;
  WindowTemplate& t = *w.windowTemplate;
  QWidget* window = w.Widget();
  for (std::uint32_t i = 1; i < t.UnitCount() && i < w.units.size(); ++i) {
    Unit* u = w.units[i].get();
    if (u == nullptr || u->Widget() == nullptr) continue;
    const std::optional<ControlBody> body = t.Control(i);
    const UnitTypeInfo* type = FindUnitType(u->Layout().type);
    if (!body || type == nullptr) continue;
    if (parent && body->parent != *parent) continue;
    if (radioOnly) {
      if ((type->state & kStateRadio) == 0) continue;
    } else if ((body->flags & kFlagTabStop) == 0 || (type->state & kStateNoFocus) != 0) {
      continue;
    }
    if (!u->Widget()->isVisibleTo(window) || !u->Widget()->isEnabled()) continue;
    entries.push_back({body->tabOrder, i});
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.order != b.order ? a.order < b.order : a.index > b.index;
  });
  std::vector<std::uint32_t> order;
  for (const Entry& e : entries) order.push_back(e.index);
  return order;
}

std::optional<std::uint32_t> Step(const std::vector<std::uint32_t>& sequence, std::optional<std::uint32_t> current,
                                  bool backwards) {
  if (sequence.empty()) return std::nullopt;
  const auto it = current ? std::find(sequence.begin(), sequence.end(), *current) : sequence.end();
  if (it == sequence.end()) return backwards ? sequence.back() : sequence.front();
  const std::size_t at = static_cast<std::size_t>(it - sequence.begin());
  const std::size_t n = sequence.size();
  return sequence[backwards ? (at + n - 1) % n : (at + 1) % n];
}

void Focus(LoadedWindow& w, std::uint32_t index, Qt::FocusReason reason) {
  if (index < w.units.size() && w.units[index] && w.units[index]->Widget() != nullptr)
    w.units[index]->Widget()->setFocus(reason);
}

std::optional<std::uint32_t> ParentOf(LoadedWindow& w, std::uint32_t index) {
  if (index == 0) return std::nullopt;
  const std::optional<ControlBody> body = w.windowTemplate->Control(index);
  if (!body) return std::nullopt;
  return body->parent;
}

bool MoveFocus(Located& at, bool backwards) {
  const std::optional<std::uint32_t> current = at.index == 0 ? std::nullopt : std::optional<std::uint32_t>(at.index);
  const std::vector<std::uint32_t> sequence = TabSequence(*at.window, current ? ParentOf(*at.window, at.index) : std::nullopt, false);
  const std::optional<std::uint32_t> next = Step(sequence, current, backwards);
  if (!next) return false;
  Focus(*at.window, *next, backwards ? Qt::BacktabFocusReason : Qt::TabFocusReason);
  return true;
}

std::int32_t WindowProperty(LoadedWindow& w, int index) {
  Unit* u = w.WindowUnitObject();
  if (u == nullptr) return 0;
  const std::optional<PropertyValue> v = u->Read(index);
  return v ? v->word : 0;
}

bool CaptionHasMnemonic(std::string_view caption, int virtualKey) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    const auto c = static_cast<unsigned char>(caption[i]);
    if (c >= 0x81) {  // a double-byte character: its trail byte is never an "&"
      ++i;
      continue;
    }
    if (c != '&') continue;
    const int next = std::toupper(static_cast<unsigned char>(caption[i + 1]));
    if (next == virtualKey) return true;
    ++i;  // "&&" is a literal ampersand
  }
  return false;
}

// The first visible, enabled unit whose caption has "&" before the key's letter or digit.
Unit* MnemonicUnit(LoadedWindow& w, int vk) {
  QWidget* window = w.Widget();
  for (std::uint32_t i = 1; i < w.units.size(); ++i) {
    Unit* u = w.units[i].get();
    if (u == nullptr || u->Widget() == nullptr || !u->Widget()->isVisibleTo(window) || !u->Widget()->isEnabled())
      continue;
    if (CaptionHasMnemonic(u->Caption(), vk)) return u;
  }
  return nullptr;
}

// Alt with a letter is the window's before any shortcut of a widget sees it: the key
// then arrives as a key press.
bool ClaimMnemonic(QObject* object, QKeyEvent* e) {
  if (!(e->modifiers() & Qt::AltModifier)) return false;
  const Located at = Locate(object);
  const int vk = VirtualKey(e->key(), e->modifiers());
  const bool letterOrDigit = (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9');
  if (at.window == nullptr || !letterOrDigit || MnemonicUnit(*at.window, vk) == nullptr) return false;
  e->accept();
  return true;
}

// A window disabled by an open modal window hands its activation to that window.
void PassActivationToModalWindow(QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (widget == nullptr || !widget->isWindow() || widget->isEnabled()) return;
  LoadedWindow* modal = FindLoadedWindow(loop::ModalWindow());
  QWidget* target = modal != nullptr ? modal->Widget() : nullptr;
  if (target == nullptr || target == widget) return;
  QTimer::singleShot(0, target, [target] {
    target->raise();
    target->activateWindow();
  });
}

// The window's keyboard handling; true when the key was used here.
bool HandleWindowKey(Located& at, int vk, Qt::KeyboardModifiers modifiers) {
  LoadedWindow& w = *at.window;
  const UnitTypeInfo* type = at.unit != nullptr ? FindUnitType(at.unit->Layout().type) : nullptr;
  const bool alt = (modifiers & Qt::AltModifier) != 0;
  if (at.index != 0 && at.unit != nullptr && at.unit->WantsKey(vk)) return false;
  switch (vk) {
    case kVkTab:
      if (alt || (modifiers & Qt::ControlModifier)) return false;
      return MoveFocus(at, (modifiers & Qt::ShiftModifier) != 0);
    case kVkLeft:
    case kVkUp:
    case kVkRight:
    case kVkDown: {
      if (type == nullptr || (type->state & kStateRadio) == 0 || at.index == 0) return false;
      const std::vector<std::uint32_t> radios = TabSequence(w, ParentOf(w, at.index), true);
      const std::optional<std::uint32_t> next = Step(radios, at.index, vk == kVkLeft || vk == kVkUp);
      if (!next || *next == at.index) return true;
      Focus(w, *next, Qt::OtherFocusReason);
      if (Unit* u = w.units[*next].get()) u->Click();
      return true;
    }
    case kVkReturn: {
      if (at.index != 0 && type != nullptr && (type->state & kStateDefaultButton) != 0) return at.unit->Click();
      if (WindowProperty(w, window_property::kEnterMovesFocus) != 0) return MoveFocus(at, false);
      for (std::uint32_t i = 1; i < w.units.size(); ++i) {
        Unit* u = w.units[i].get();
        if (u != nullptr && u->IsDefaultButton() && u->Widget() != nullptr && u->Widget()->isEnabled()) return u->Click();
      }
      return false;
    }
    case kVkEscape:
      if (WindowProperty(w, window_property::kEscCloses) == 0) return false;
      RequestClose(w.id);
      return true;
    case kVkF1: {
      if (WindowProperty(w, window_property::kF1OpensHelp) == 0) return false;
      auto* windowUnit = dynamic_cast<WindowUnit*>(w.WindowUnitObject());
      return windowUnit != nullptr && windowUnit->OpenHelp();
    }
    default: break;
  }
  const bool letterOrDigit = (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9');
  if (alt && letterOrDigit) {
    if (Unit* u = MnemonicUnit(w, vk)) return u->Click();
  }
  return false;
}

// The GBK code of the first character of a typed text (a double-byte character as
// lead × 256 + trail); a character GBK has no code for is "?".
std::int32_t GbkCharacter(const QString& text) {
  bool allGbk = true;
  const std::string bytes =
      gbk::FromUtf8(text.left(text.size() > 0 && text[0].isHighSurrogate() ? 2 : 1).toStdString(), &allGbk);
  if (bytes.empty()) return 0;
  if (!allGbk) return '?';
  if (bytes.size() >= 2) return (static_cast<std::uint8_t>(bytes[0]) << 8) | static_cast<std::uint8_t>(bytes[1]);
  return static_cast<std::uint8_t>(bytes[0]);
}

class InputFilter : public QObject {
 public:
  bool eventFilter(QObject* object, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::FocusIn:
      case QEvent::FocusOut:
        break;
      case QEvent::ShortcutOverride:
        return ClaimMnemonic(object, static_cast<QKeyEvent*>(event));
      case QEvent::WindowActivate:
        PassActivationToModalWindow(object);
        return false;
      default:
        return false;
    }
    Located at = Locate(object);
    if (at.window == nullptr) {
      // A unit of a window that is going away takes no more input.
      return object->property(kWindowProperty).isValid() && event->type() != QEvent::FocusOut &&
             event->type() != QEvent::FocusIn;
    }
    const std::uint32_t windowId = at.window->id;
    const std::uint32_t unitId = at.unitId;
    switch (event->type()) {
      case QEvent::KeyPress: {
        auto* e = static_cast<QKeyEvent*>(event);
        QWidget* window = at.window->Widget();
        if (window != nullptr && !window->isEnabled()) return true;
        const int vk = VirtualKey(e->key(), e->modifiers());
        if (HandleWindowKey(at, vk, e->modifiers())) return true;
        if (Vetoed(windowId, unitId, event::kKeyDown, {vk, KeyState(e->modifiers())})) return true;
        if (!e->text().isEmpty() && e->text()[0].isPrint() && FindLoadedWindow(windowId) != nullptr) {
          if (Vetoed(windowId, unitId, event::kCharacter, {GbkCharacter(e->text())})) return true;
        }
        return false;
      }
      case QEvent::KeyRelease: {
        auto* e = static_cast<QKeyEvent*>(event);
        return Vetoed(windowId, unitId, event::kKeyUp, {VirtualKey(e->key(), e->modifiers()), KeyState(e->modifiers())});
      }
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        // An input a unit ignores travels on to its parent as the same event; the event
        // belongs to the unit it was first given to, as a window's message does.
        if (SeenBefore(e)) return false;
        const QPoint p = e->position().toPoint();
        const std::int32_t state = KeyState(e->modifiers());
        std::int32_t index = 0;
        if (event->type() == QEvent::MouseMove) {
          index = event::kMouseMove;
        } else if (e->button() == Qt::LeftButton) {
          index = event->type() == QEvent::MouseButtonPress     ? event::kLeftDown
                  : event->type() == QEvent::MouseButtonRelease ? event::kLeftUp
                                                                : event::kDoubleClick;
        } else if (e->button() == Qt::RightButton) {
          if (event->type() == QEvent::MouseButtonDblClick) return false;
          index = event->type() == QEvent::MouseButtonPress ? event::kRightDown : event::kRightUp;
        } else {
          return false;
        }
        if (Vetoed(windowId, unitId, index, {p.x(), p.y(), state})) return true;
        if (index == event::kLeftDown) return MaybeDragWindow(windowId, unitId);
        return false;
      }
      case QEvent::Wheel: {
        auto* e = static_cast<QWheelEvent*>(event);
        if (SeenBefore(e)) return false;
        return Vetoed(windowId, unitId, event::kWheel, {e->angleDelta().y(), KeyState(e->modifiers())});
      }
      case QEvent::FocusIn:
        Fire(windowId, unitId, event::kGotFocus);
        return false;
      case QEvent::FocusOut:
        Fire(windowId, unitId, event::kLostFocus);
        return false;
      default:
        return false;
    }
  }

 private:
  // Qt hands an ignored input to each parent as a copy of the event: the copies share
  // the original's kind, time and screen position.
  static bool SeenBefore(const QSinglePointEvent* e) {
    static QEvent::Type lastType = QEvent::None;
    static quint64 lastTime = 0;
    static QPointF lastAt;
    static Qt::MouseButtons lastButtons;
    if (e->type() == lastType && e->timestamp() == lastTime && e->globalPosition() == lastAt &&
        e->buttons() == lastButtons)
      return true;
    lastType = e->type();
    lastTime = e->timestamp();
    lastAt = e->globalPosition();
    lastButtons = e->buttons();
    return false;
  }

  // A left press on the client area, or on a unit whose type drags the window, moves
  // the window while its drag-anywhere property is on.
  static bool MaybeDragWindow(std::uint32_t windowId, std::uint32_t unitId) {
    LoadedWindow* w = FindLoadedWindow(windowId);
    if (w == nullptr || WindowProperty(*w, window_property::kDragAnywhere) == 0) return false;
    if (unitId != 0) {
      Unit* u = FindUnitObject(windowId, unitId);
      const UnitTypeInfo* type = u != nullptr ? FindUnitType(u->Layout().type) : nullptr;
      if (type == nullptr || (type->state & kStateDragsWindow) == 0) return false;
    }
    RunMoveLoop(w->Widget());
    return true;
  }
};

InputFilter& Filter() {
  static InputFilter* filter = new InputFilter;  // lives as long as the process
  return *filter;
}

void Watch(QWidget* widget, std::uint32_t windowId, std::uint32_t unitId) {
  if (widget == nullptr) return;
  widget->setProperty(kWindowProperty, windowId);
  widget->setProperty(kUnitProperty, unitId);
  widget->setMouseTracking(true);
  widget->installEventFilter(&Filter());
}

}  // namespace

void WatchUnitInput(Unit& unit) {
  const bool isWindowUnit = unit.Layout().type == 0x00010001;
  const std::uint32_t unitId = isWindowUnit ? 0 : unit.UnitId();
  Watch(unit.Widget(), unit.WindowId(), unitId);
  if (isWindowUnit && unit.Client() != unit.Widget()) Watch(unit.Client(), unit.WindowId(), 0);
}

void FocusFirstUnit(LoadedWindow& w) {
  const std::vector<std::uint32_t> sequence = TabSequence(w, std::nullopt, false);
  if (!sequence.empty()) Focus(w, sequence.front(), Qt::ActiveWindowFocusReason);
}

}  // namespace zorvel::forms
