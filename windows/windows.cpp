#include "windows/windows.h"

#include <QApplication>
#include <QCursor>
#include <QMenuBar>
#include <QPixmap>
#include <QTimer>
#include <algorithm>

#include "runtime/error.h"
#include "runtime/picture/picture.h"
#include "runtime/program.h"
#include "text/gbk_literal.h"
#include "windows/units/menu/menu.h"
#include "windows/units/window/window_unit.h"
#include "windows/windows_internal.h"

namespace zorvel::forms {

using namespace zorvel::literals;

namespace {

std::vector<std::unique_ptr<LoadedWindow>> g_loaded;
std::vector<LoadedWindow*> g_loadedView;
// Units of destroyed windows wait here until control is back in the event loop: a
// window may be destroyed from inside a handler of one of its own units, whose widget
// is still handling the event that ran the handler.
std::vector<std::unique_ptr<Unit>> g_graveyard;
bool g_buryQueued = false;

void RefreshView() {
  g_loadedView.clear();
  for (const auto& w : g_loaded) g_loadedView.push_back(w.get());
}

void BuryLater(std::vector<std::unique_ptr<Unit>>& units) {
  // Children before the window unit, whose widget holds theirs.
  for (std::size_t i = units.size(); i-- > 0;) {
    if (!units[i]) continue;
    if (QWidget* w = units[i]->Widget()) w->hide();
    g_graveyard.push_back(std::move(units[i]));
  }
  units.clear();
  if (!g_buryQueued && QCoreApplication::instance() != nullptr) {
    g_buryQueued = true;
    QTimer::singleShot(0, [] {
      g_buryQueued = false;
      auto units = std::move(g_graveyard);
      g_graveyard.clear();
      units.clear();
    });
  }
}

// Stock cursor numbers to Qt's shapes.
Qt::CursorShape StockShape(std::uint32_t number) {
  switch (number) {
    case 32512: return Qt::ArrowCursor;
    case 32515: return Qt::CrossCursor;
    case 32513: return Qt::IBeamCursor;
    case 32514: return Qt::WaitCursor;
    case 32651: return Qt::WhatsThisCursor;
    case 32650: return Qt::BusyCursor;
    case 32648: return Qt::ForbiddenCursor;
    case 32646: return Qt::SizeAllCursor;
    case 32643: return Qt::SizeBDiagCursor;
    case 32645: return Qt::SizeVerCursor;
    case 32642: return Qt::SizeFDiagCursor;
    case 32644: return Qt::SizeHorCursor;
    case 32516: return Qt::UpArrowCursor;
    case 32649: return Qt::PointingHandCursor;
    default: return Qt::ArrowCursor;
  }
}

}  // namespace

// Loads the mouse pointer of a unit's byte set onto its widget.
void ApplyMousePointer(QWidget* widget, std::string_view bytes) {
  if (widget == nullptr) return;
  const MousePointer p = DecodeMousePointer(bytes);
  switch (p.kind) {
    case MousePointer::Kind::kDefault:
      widget->unsetCursor();
      return;
    case MousePointer::Kind::kStock:
      widget->setCursor(QCursor(StockShape(p.cursorNumber)));
      return;
    case MousePointer::Kind::kFile: {
      Picture* picture = DecodePictureBytes(reinterpret_cast<const std::uint8_t*>(p.file.data()), p.file.size());
      if (picture != nullptr && picture->icon != nullptr && picture->icon->width > 0) {
        const IconImage& icon = *picture->icon;
        QImage image(reinterpret_cast<const uchar*>(icon.argb.data()), icon.width, icon.height, icon.width * 4,
                     QImage::Format_ARGB32);
        widget->setCursor(QCursor(QPixmap::fromImage(image.copy()), icon.hotX, icon.hotY));
      } else {
        widget->unsetCursor();
      }
      FreePicture(picture);
      return;
    }
  }
}

QWidget* LoadedWindow::Widget() const {
  Unit* u = WindowUnitObject();
  return u != nullptr ? u->Widget() : nullptr;
}

LoadedWindow* FindLoadedWindow(std::uint32_t windowId) {
  for (const auto& w : g_loaded)
    if (w->id == windowId && !w->destroying) return w.get();
  return nullptr;
}

LoadedWindow* FindLoadedWindow(const QWidget* widget) {
  if (widget == nullptr) return nullptr;
  for (const auto& w : g_loaded)
    if (!w->destroying && w->Widget() == widget) return w.get();
  return nullptr;
}

std::span<LoadedWindow* const> LoadedWindows() { return g_loadedView; }

Unit* FindUnitObject(std::uint32_t windowId, std::uint32_t unitId) {
  LoadedWindow* w = FindLoadedWindow(windowId);
  if (w == nullptr || w->windowTemplate == nullptr) return nullptr;
  const std::optional<std::uint32_t> index = unitId == 0 ? std::optional<std::uint32_t>(0) : w->windowTemplate->IndexOf(unitId);
  if (!index || *index >= w->units.size()) return nullptr;
  return w->units[*index].get();
}

Unit& RequireUnitObject(std::uint32_t windowId, std::uint32_t unitId) {
  Unit* u = FindUnitObject(windowId, unitId);
  if (u == nullptr) RuntimeError("指定窗口或窗口组件不存在或尚未载入"_gbk);
  return *u;
}

namespace {

// Restores (when minimised) or activates a window that is already loaded.
void BringToFront(QWidget* w) {
  if (w == nullptr) return;
  if (w->isMinimized()) w->showNormal();
  w->raise();
  w->activateWindow();
}

void FailLoad(LoadedWindow& w) {
  BuryLater(w.units);
  w.windowTemplate->RestoreTable();
  ResumeEvents();
}

}  // namespace

bool LoadWindow(std::uint32_t windowId, QWidget* owner, bool modal) {
  WindowTemplate* t = HasTemplates() ? Templates().Find(windowId) : nullptr;
  if (t == nullptr || t->UnitCount() == 0) return false;
  if (LoadedWindow* existing = FindLoadedWindow(windowId)) {
    if (!existing->closing) {
      BringToFront(existing->Widget());
      return true;
    }
    DestroyWindow(windowId);
  }
  if (modal) owner = nullptr;

  SuspendEvents();
  t->SaveTable();
  auto loaded = std::make_unique<LoadedWindow>();
  LoadedWindow& w = *loaded;
  w.id = windowId;
  w.windowTemplate = t;
  w.modal = modal;
  w.owner = owner;
  w.units.resize(t->UnitCount());

  // The window unit first.
  const std::optional<ControlBody> windowBody = t->Control(0);
  const UnitTypeInfo* windowType = windowBody ? FindUnitType(windowBody->head.type) : nullptr;
  if (windowType == nullptr || windowType->create == nullptr) {
    FailLoad(w);
    return false;
  }
  {
    std::unique_ptr<QMenuBar> menuBar = BuildMenuBar(windowId, *t);
    const std::span<const std::uint8_t> record = *t->Record(0);
    CreateArgs args;
    args.stored = record.subspan(windowBody->stored.offset, windowBody->stored.length);
    args.style = ((windowBody->flags & kFlagDisabled) ? kStyleDisabled : 0) |
                 ((windowBody->flags & kFlagTabStop) ? kStyleTabStop : 0);
    args.parent = owner;
    args.menuBar = menuBar.get();
    args.left = windowBody->left;
    args.top = windowBody->top;
    args.width = windowBody->width;
    args.height = windowBody->height;
    args.windowId = windowId;
    args.unitId = t->IdAt(0);
    args.modal = modal;
    w.units[0] = windowType->create(args);
    if (!w.units[0] || w.units[0]->Widget() == nullptr) {
      FailLoad(w);
      return false;
    }
    menuBar.release();  // the window unit owns it now
  }

  // The other units, last record first; control ids 100, 110, …
  int controlId = 100;
  std::vector<ControlBody> bodies(t->UnitCount());
  for (std::uint32_t i = t->UnitCount(); i-- > 1;) {
    if (t->IsMenuItem(i)) continue;
    const std::optional<ControlBody> body = t->Control(i);
    const UnitTypeInfo* type = body ? FindUnitType(body->head.type) : nullptr;
    if (type == nullptr || type->create == nullptr) {
      FailLoad(w);
      return false;
    }
    bodies[i] = *body;
    const std::span<const std::uint8_t> record = *t->Record(i);
    CreateArgs args;
    args.stored = record.subspan(body->stored.offset, body->stored.length);
    args.style = ((body->flags & kFlagDisabled) ? kStyleDisabled : 0) | ((body->flags & kFlagTabStop) ? kStyleTabStop : 0);
    args.parent = w.units[0]->Client();
    args.controlId = controlId;
    controlId += 10;
    args.left = body->left;
    args.top = body->top;
    args.width = body->width;
    args.height = body->height;
    args.windowId = windowId;
    args.unitId = t->IdAt(i);
    w.units[i] = type->create(args);
    if (!w.units[i]) {
      FailLoad(w);
      return false;
    }
  }

  // Native parents: the container named by the parent word, else the window. The
  // children on the pages after the first of a paged container start hidden.
  std::vector<bool> hiddenByPage(t->UnitCount(), false);
  for (std::uint32_t i = 1; i < t->UnitCount(); ++i) {
    Unit* u = w.units[i].get();
    if (u == nullptr || u->Widget() == nullptr) continue;
    QWidget* parent = w.units[0]->Client();
    if (bodies[i].parent != 0) {
      if (Unit* container = FindUnitObjectIn(w, bodies[i].parent)) {
        if (container->Client() != nullptr) parent = container->Client();
      }
    }
    if (u->Widget()->parentWidget() != parent) {
      const QPoint at = u->Widget()->pos();
      u->Widget()->setParent(parent);
      u->Widget()->move(at);
    }
    const UnitTypeInfo* type = FindUnitType(bodies[i].head.type);
    if (type != nullptr && (type->state & kStatePaged) != 0) {
      bool afterFirstPage = false;
      for (std::uint32_t child : bodies[i].children) {
        if (child == 0) {
          afterFirstPage = true;
        } else if (afterFirstPage) {
          if (const auto ci = t->IndexOf(child)) hiddenByPage[*ci] = true;
        }
      }
    }
  }

  // Stacking: record 1 on top, each later unit below the earlier ones of its parent.
  for (std::uint32_t i = t->UnitCount(); i-- > 1;) {
    if (w.units[i] && w.units[i]->Widget() != nullptr) w.units[i]->Widget()->raise();
  }

  // Mouse pointers, common events and keyboard handling.
  for (std::uint32_t i = 0; i < t->UnitCount(); ++i) {
    Unit* u = w.units[i].get();
    if (u == nullptr) continue;
    const std::optional<ControlBody> body = i == 0 ? windowBody : std::optional<ControlBody>(bodies[i]);
    if (body) ApplyMousePointer(u->Widget(), body->mousePointer);
    WatchUnitInput(*u);
  }

  // The window is complete: every unit is told, last record first.
  for (std::uint32_t i = t->UnitCount(); i-- > 0;) {
    if (w.units[i]) w.units[i]->WindowComplete();
  }

  // Units show by their visible flag, without taking the activation.
  for (std::uint32_t i = 1; i < t->UnitCount(); ++i) {
    Unit* u = w.units[i].get();
    if (u == nullptr || u->Widget() == nullptr) continue;
    const UnitTypeInfo* type = FindUnitType(bodies[i].head.type);
    const bool neverShown = type != nullptr && (type->state & kStateNeverShown) != 0;
    const bool visible = (bodies[i].flags & kFlagVisible) != 0 && !neverShown && !hiddenByPage[i];
    u->Widget()->setAttribute(Qt::WA_ShowWithoutActivating, true);
    u->Widget()->setVisible(visible);
    if (!visible) u->Widget()->setAttribute(Qt::WA_WState_ExplicitShowHide, true);
  }

  g_loaded.push_back(std::move(loaded));
  RefreshView();
  ResumeEvents();

  // Created, moved and resized, each only while the window still exists.
  const std::uint32_t id = windowId;
  Fire(id, 0, window_event::kCreated);
  if (FindLoadedWindow(id) == nullptr) return true;
  Fire(id, 0, window_event::kMoved);
  if (FindLoadedWindow(id) == nullptr) return true;
  Fire(id, 0, window_event::kResized);
  LoadedWindow* live = FindLoadedWindow(id);
  if (live == nullptr) return true;

  const bool visible = (windowBody->flags & kFlagVisible) != 0;
  if (visible) ShowWindow(*live);
  live = FindLoadedWindow(id);
  if (live == nullptr) return true;
  if (live->modal) {
    for (LoadedWindow* other : LoadedWindows()) {
      QWidget* ow = other->Widget();
      if (other == live || ow == nullptr) continue;
      live->disabledWindows.emplace_back(ow, ow->isEnabled());
      ow->setEnabled(false);
    }
  }
  QWidget* focusBefore = QApplication::focusWidget();
  for (std::uint32_t i = t->UnitCount(); i-- > 0;) {
    if (i < live->units.size() && live->units[i]) live->units[i]->WindowShown();
  }
  if (QApplication::focusWidget() != focusBefore && focusBefore != nullptr) focusBefore->setFocus();
  live->firstShowPending = true;
  return true;
}

Unit* FindUnitObjectIn(LoadedWindow& w, std::uint32_t unitId) {
  const std::optional<std::uint32_t> index = w.windowTemplate->IndexOf(unitId);
  if (!index || *index >= w.units.size()) return nullptr;
  return w.units[*index].get();
}

void ShowWindow(LoadedWindow& w) {
  QWidget* widget = w.Widget();
  if (widget == nullptr) return;
  widget->show();
  FocusFirstUnit(w);
}

void FirstShow(std::uint32_t windowId, bool show) {
  LoadedWindow* w = FindLoadedWindow(windowId);
  if (w == nullptr || !w->firstShowPending) {
    if (w != nullptr && show) ShowWindow(*w);
    return;
  }
  w->firstShowPending = false;
  if (w->modal && w->owner != nullptr && (w->owner->windowFlags() & Qt::WindowStaysOnTopHint) != 0) {
    if (QWidget* widget = w->Widget()) {
      widget->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
  }
  if (show) ShowWindow(*w);
  if (w->modal) loop::RunModal(windowId);
}

bool LoadAndShowWindow(std::uint32_t windowId, QWidget* owner, bool modal) {
  const bool wasLoaded = FindLoadedWindow(windowId) != nullptr;
  if (!LoadWindow(windowId, owner, modal)) return false;
  if (wasLoaded) return true;
  LoadedWindow* w = FindLoadedWindow(windowId);
  if (w == nullptr) return true;
  const std::optional<ControlBody> body = w->windowTemplate->Control(0);
  if (body && (body->flags & kFlagVisible) != 0) FirstShow(windowId, false);
  return true;
}

bool RequestClose(std::uint32_t windowId) {
  LoadedWindow* w = FindLoadedWindow(windowId);
  if (w == nullptr) return false;
  // A disabled window takes no close request: while a modal window is open, the windows
  // beneath it neither ask nor close (the close box, Alt+F4 and Esc alike).
  if (QWidget* widget = w->Widget(); widget != nullptr && !widget->isEnabled()) return false;
  if (Vetoed(windowId, 0, window_event::kMayClose)) return false;
  DestroyWindow(windowId);
  return true;
}

void CloseWindow(std::uint32_t windowId, bool now) {
  LoadedWindow* w = FindLoadedWindow(windowId);
  if (w == nullptr) return;
  w->closing = true;
  if (now) {
    DestroyWindow(windowId);
    return;
  }
  QWidget* widget = w->Widget();
  QTimer::singleShot(0, widget, [windowId] {
    LoadedWindow* again = FindLoadedWindow(windowId);
    if (again != nullptr && again->closing) DestroyWindow(windowId);
  });
}

void DestroyWindow(std::uint32_t windowId) {
  LoadedWindow* w = FindLoadedWindow(windowId);
  if (w == nullptr || w->announcingDestroy) return;  // a handler of destroyed closing it again
  w->destroying = true;
  if (w->modal) {
    for (auto& [widget, enabled] : w->disabledWindows) {
      if (widget != nullptr) widget->setEnabled(enabled);
    }
    w->disabledWindows.clear();
  }
  // The destroyed event still reaches the handler: the window is on its way out but
  // exists.
  w->destroying = false;
  w->announcingDestroy = true;
  Fire(windowId, 0, window_event::kDestroyed);
  w = FindLoadedWindow(windowId);
  if (w == nullptr) return;
  w->announcingDestroy = false;
  w->destroying = true;

  BuryLater(w->units);
  w->windowTemplate->RestoreTable();
  const auto it = std::find_if(g_loaded.begin(), g_loaded.end(), [w](const auto& p) { return p.get() == w; });
  std::unique_ptr<LoadedWindow> gone = std::move(*it);
  g_loaded.erase(it);
  RefreshView();
  loop::WindowDestroyed(windowId);

  bool anyLive = false;
  for (LoadedWindow* other : LoadedWindows()) anyLive = anyLive || other->Widget() != nullptr;
  if (!anyLive && loop::Started()) loop::Quit();
}

void RebuildMenuBar(std::uint32_t windowId) {
  LoadedWindow* w = FindLoadedWindow(windowId);
  if (w == nullptr) return;
  auto* windowUnit = dynamic_cast<WindowUnit*>(w->WindowUnitObject());
  if (windowUnit == nullptr) return;
  windowUnit->SetMenuBar(BuildMenuBar(windowId, *w->windowTemplate).release());
}

void DestroyAllWindowsQuietly() {
  SuspendEvents();
  while (!g_loaded.empty()) {
    LoadedWindow& w = *g_loaded.back();
    for (auto& [widget, enabled] : w.disabledWindows) {
      if (widget != nullptr) widget->setEnabled(enabled);
    }
    BuryLater(w.units);
    if (w.windowTemplate != nullptr) w.windowTemplate->RestoreTable();
    g_loaded.pop_back();
  }
  RefreshView();
  auto units = std::move(g_graveyard);
  g_graveyard.clear();
  units.clear();
  ResumeEvents();
}

void ResetWindows() {
  DestroyAllWindowsQuietly();
  ClearTemplates();
  loop::Reset();
  while (EventsSuspended()) ResumeEvents();
}

}  // namespace zorvel::forms
