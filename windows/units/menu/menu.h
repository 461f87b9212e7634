// Menu items: a window's menu bar and the popup menus shown on request, built from the
// window's run of menu-item records.
//
// Item k of the run (counted from 0 in record order) has command id 20000 + k, kept on
// its QAction as data(). An item followed by deeper items opens a sub-menu; "-" makes a
// separator; a hidden item is left out together with its sub-items, and the items after
// it keep their ids. A chosen item fires its event 0 once the menu has closed.
#pragma once

#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "forms/form_data.h"

class QAction;

namespace zorvel::forms {

inline constexpr int kFirstMenuCommand = 20000;
// Commands from here up belong to the window system and are never the application's.
inline constexpr int kSystemCommands = 0xE100;

// One entry of the key table that hotkey indexes point into.
struct HotKey {
  std::string_view name;  // shown after the caption, "Ctrl+S"
  int virtualKey = 0;
  int modifiers = 0;  // 1 Ctrl, 2 Shift, 4 Alt
};
// The entry of a hotkey index; null for 0 and for indexes past the table.
const HotKey* FindHotKey(std::uint32_t index);
std::span<const HotKey> HotKeyTable();
QKeySequence HotKeySequence(const HotKey& key);

// The window's menu bar; null when the window has no menu items or none of its
// top-level items is visible (the window then shows no bar).
std::unique_ptr<QMenuBar> BuildMenuBar(std::uint32_t windowId, const WindowTemplate& t);

// The popup menu of the sub-items of the menu item at record index itemIndex (the item
// itself may be hidden); null when the record is no menu item or has no sub-items.
// Choosing from it fires nothing by itself: the caller dispatches the command.
std::unique_ptr<QMenu> BuildPopupMenu(std::uint32_t windowId, const WindowTemplate& t, std::uint32_t itemIndex);

// The command id an action was built with.
std::optional<int> MenuCommandOf(const QAction* action);

// A menu command sent to a window: ids 20000 up to 20000 + (menu items − 1) fire that
// item's event 0; anything else is not the application's. True when it was a menu
// item's command (whether or not a handler ran).
bool DispatchMenuCommand(std::uint32_t windowId, int commandId);

// Registers the menu item type (no object of its own; raises events).
void RegisterMenuItemType();

}  // namespace zorvel::forms
