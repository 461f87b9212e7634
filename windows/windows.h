// The window core: the running program's window templates, loading windows from them,
// the loaded windows and their units, property access by number, closing and
// destroying windows, and the message loops of the runtime application.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "forms/form_data.h"
#include "windows/events.h"
#include "windows/templates.h"
#include "windows/unit.h"

class QMenuBar;

namespace zorvel::forms {

class WindowUnit;

// One loaded window: its template, its unit objects (element i belongs to record i;
// menu items and units that failed have none) and the load state.
struct LoadedWindow {
  std::uint32_t id = 0;
  WindowTemplate* windowTemplate = nullptr;
  std::vector<std::unique_ptr<Unit>> units;
  bool firstShowPending = true;
  bool modal = false;
  bool closing = false;     // marked by the close-window command
  bool destroying = false;  // destruction has begun
  bool announcingDestroy = false;  // the destroyed event is being fired
  QPointer<QWidget> owner;
  // The windows a modal window disabled, with their previous enabled state.
  std::vector<std::pair<QPointer<QWidget>, bool>> disabledWindows;

  Unit* WindowUnitObject() const { return units.empty() ? nullptr : units.front().get(); }
  QWidget* Widget() const;  // the window unit's native window
};

// Window loading. False when the template is missing, the owner is not a live window,
// or a unit fails to create. A window that is already loaded is activated (restored
// when minimised) and the load succeeds.
bool LoadWindow(std::uint32_t windowId, QWidget* owner, bool modal);
// The load command's form: loads and, when the window's visible flag is set, runs its
// first show (for a modal window: the modal loop, so this returns after it is gone).
bool LoadAndShowWindow(std::uint32_t windowId, QWidget* owner, bool modal);

LoadedWindow* FindLoadedWindow(std::uint32_t windowId);
LoadedWindow* FindLoadedWindow(const QWidget* windowWidget);
std::span<LoadedWindow* const> LoadedWindows();
// The live unit object (unit id 0 = the window unit); null when the window is not
// loaded or the unit has no object. Menu items never have one.
Unit* FindUnitObject(std::uint32_t windowId, std::uint32_t unitId);
// As FindUnitObject; absent is the runtime error "指定窗口或窗口组件不存在或尚未载入".
Unit& RequireUnitObject(std::uint32_t windowId, std::uint32_t unitId);

// Property access by number (the common ones of prop, then from prop::kFirstOwn the
// type's own; menu items have those of menu_item_property; sub-index -1 or a font
// field 0-6). Values as the runtime's entries pass them.
struct UnitValue {
  std::int64_t word = 0;  // integers, logicals, choices, colours; a double's bits
  std::string bytes;      // texts and byte sets (GBK)
  bool hasBytes = false;  // the value is a text or byte set (an empty one is absent)
  std::vector<std::int32_t> fontWords;  // a whole font (sub-index -1): angle … size
  std::string fontName;                 // with the face name
};
UnitValue ReadUnitProperty(std::uint32_t windowId, std::uint32_t unitId, int index, int sub);
void WriteUnitProperty(std::uint32_t windowId, std::uint32_t unitId, int index, int sub, const UnitValue& value);

// A close request (title-bar button, system menu, Esc): fires may close of the window
// unit; unless a handler vetoes it, the window is destroyed. True when it goes.
// A disabled window (one beneath a modal window) ignores the request.
bool RequestClose(std::uint32_t windowId);
// The close-window command: no may close; the window is marked closing and destroyed as
// soon as the event loop gets back to it (at once when now is set).
void CloseWindow(std::uint32_t windowId, bool now);
// Destroys a loaded window: gives a modal window's disabled windows their state back,
// fires destroyed, destroys the units, brings the template back to its state before the
// load and, when no loaded window is left after the loop started, ends the main loop.
void DestroyWindow(std::uint32_t windowId);

// The window's menu bar from its menu items (null when it has none), built again after
// every change of a menu item.
void RebuildMenuBar(std::uint32_t windowId);

// The runtime application: the main loop, modal loops and the idle processing.
namespace loop {
// Runs the main loop when at least one loaded window is live (sets loop started).
void RunMain();
// Runs a modal loop for the window until it is destroyed (or the program quits).
void RunModal(std::uint32_t windowId);
std::uint32_t ModalWindow();
bool Started();
// Quit: ends the modal loops first, then the main loop.
void Quit();
bool Quitting();
// Forgets the loop state (tests run several programs in one process).
void Reset();
}  // namespace loop

// Puts everything back to no templates, no loaded windows (tests).
void ResetWindows();

}  // namespace zorvel::forms
