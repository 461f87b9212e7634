#include "windows/units/menu/menu_commands.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <memory>

#include "windows/screen_coordinates.h"
#include "windows/unit_ref.h"
#include "windows/units/menu/menu.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

std::deque<int>& QueuedChoices() {
  static std::deque<int> choices;
  return choices;
}

PopupRequest& LastRequest() {
  static PopupRequest request;
  return request;
}

void Describe(const QMenu& menu, int depth, std::vector<PopupEntry>& out) {
  for (const QAction* action : menu.actions()) {
    PopupEntry e;
    e.text = action->text().toStdString();
    e.command = MenuCommandOf(action).value_or(0);
    e.enabled = action->isEnabled();
    e.checked = action->isChecked();
    e.separator = action->isSeparator();
    e.subMenu = action->menu() != nullptr;
    e.depth = depth;
    out.push_back(std::move(e));
    if (const QMenu* sub = action->menu()) Describe(*sub, depth + 1, out);
  }
}

// The enabled command action of the menu (or its sub-menus) with the id.
const QAction* FindCommand(const QMenu& menu, int command) {
  for (const QAction* action : menu.actions()) {
    if (!action->isEnabled()) continue;
    if (const QMenu* sub = action->menu()) {
      if (const QAction* found = FindCommand(*sub, command)) return found;
    } else if (!action->isSeparator() && MenuCommandOf(action) == command) {
      return action;
    }
  }
  return nullptr;
}

}  // namespace

void QueuePopupChoice(int commandIdOrMinus1) { QueuedChoices().push_back(commandIdOrMinus1); }
void ResetPopupHooks() {
  QueuedChoices().clear();
  LastRequest() = PopupRequest{};
}
const PopupRequest& LastPopupMenu() { return LastRequest(); }

}  // namespace zorvel::forms

namespace zorvel::cmd {

ZORVEL_COMMAND(PopupMenu) {
  using namespace zorvel::forms;
  (void)result;
  const Arguments a(argc, args);
  if (!a.present(0) || !a.present(1)) return;
  const UnitRef window = ReadUnitArgument(a[0]);
  const UnitRef item = ReadUnitArgument(a[1]);
  if (window.window != item.window || !IsMenuItemId(item.unit)) return;
  const WindowTemplate* t = Templates().Find(window.window);
  if (t == nullptr) return;
  const std::optional<std::uint32_t> index = t->IndexOf(item.unit);
  if (!index) return;
  std::unique_ptr<QMenu> menu = BuildPopupMenu(window.window, *t, *index);
  if (!menu) return;

  // The window owns the menu while it shows, and a command for a window that has gone
  // in the meantime is dropped.
  const LoadedWindow* loaded = FindLoadedWindow(window.window);
  QPointer<QWidget> owner = loaded != nullptr ? loaded->Widget() : nullptr;
  if (owner) {
    menu->setParent(owner, menu->windowFlags());
  }

  // The place is in the program's screen coordinates, by default just below and right of
  // the pointer.
  QPoint at = GlobalToScreen(QCursor::pos()) + QPoint(3, 3);
  if (a.present(2)) at.setX(a.integer(2));
  if (a.present(3)) at.setY(a.integer(3));

  PopupRequest& request = LastRequest();
  request = PopupRequest{true, at.x(), at.y(), {}};
  Describe(*menu, 0, request.entries);

  int choice = -1;
  if (!QueuedChoices().empty()) {
    const int queued = QueuedChoices().front();
    QueuedChoices().pop_front();
    if (FindCommand(*menu, queued) != nullptr) choice = queued;
  } else if (const QAction* chosen = menu->exec(ScreenToGlobal(at))) {
    choice = MenuCommandOf(chosen).value_or(-1);
  }
  menu.reset();
  if (choice < 0) return;

  // The choice arrives as a command after the menu has gone and this command returned.
  const std::uint32_t windowId = window.window;
  const bool hadOwner = !owner.isNull();
  QTimer::singleShot(0, qApp, [windowId, choice, owner, hadOwner] {
    if (hadOwner) {
      const LoadedWindow* live = FindLoadedWindow(windowId);
      if (owner.isNull() || live == nullptr || live->Widget() != owner) return;
    }
    DispatchMenuCommand(windowId, choice);
  });
}

}  // namespace zorvel::cmd
