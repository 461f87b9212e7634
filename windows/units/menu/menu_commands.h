// The PopupMenu command: a menu item's sub-items as a popup menu.
//
// PopupMenu(window, menu item, [x], [y]) -> none. The window and the item must belong to
// the same window and the item must have sub-items (it may itself be hidden); otherwise
// nothing shows. The menu opens at the cursor moved 3 pixels right and down; x and y
// (screen coordinates) each replace their coordinate. The command returns when the menu
// closes; the chosen item's event 0 fires afterwards, when the event loop gets to it.
#pragma once

#include <string>
#include <vector>

#include "runtime/commands.h"

namespace zorvel::cmd {

ZORVEL_COMMAND(PopupMenu);

}  // namespace zorvel::cmd

namespace zorvel::forms {

// Test hook: queues a choice, a command id or −1 for none. While choices are queued,
// PopupMenu builds its menu but takes the first choice instead of showing it; a choice
// that names no enabled command of the menu chooses nothing, as a click on a disabled
// item or beside the menu would.
void QueuePopupChoice(int commandIdOrMinus1);
// Empties the queue and forgets the last popup menu.
void ResetPopupHooks();

// The last popup menu PopupMenu built, shown or answered from the queue, in menu order
// (a sub-menu's items follow it one level deeper).
struct PopupEntry {
  std::string text;  // UTF-8, hotkey name after a tab
  int command = 0;
  bool enabled = true;
  bool checked = false;
  bool separator = false;
  bool subMenu = false;
  int depth = 0;  // 0 for the popup's own items
  friend bool operator==(const PopupEntry&, const PopupEntry&) = default;
};
struct PopupRequest {
  bool shown = false;  // false until a menu was built
  int x = 0, y = 0;    // where it opens, screen coordinates
  std::vector<PopupEntry> entries;
};
const PopupRequest& LastPopupMenu();

}  // namespace zorvel::forms
