#include "windows/units/menu/menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QString>
#include <QTimer>
#include <array>
#include <string>
#include <vector>

#include "forms/unit_layout.h"
#include "text/gbk.h"
#include "windows/events.h"
#include "windows/unit.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

// ---- The key table ----
// 1-26 Ctrl+A … Ctrl+Z, 27-38 F1 … F12, 39-50 Ctrl+F1 … Ctrl+F12, 51-62 Shift+F1 …
// Shift+F12, 63-88 Ctrl+Shift+A … Ctrl+Shift+Z, then the editing keys.
constexpr int kVkBack = 8, kVkInsert = 45, kVkDelete = 46, kVkF1 = 112;

struct KeyTable {
  std::vector<std::string> names;
  std::vector<HotKey> keys;  // keys[i] is index i + 1
};

const KeyTable& Keys() {
  static const KeyTable table = [] {
    KeyTable t;
    auto add = [&](std::string name, int vk, int mods) {
      t.names.push_back(std::move(name));
      t.keys.push_back(HotKey{{}, vk, mods});
    };
    for (char c = 'A'; c <= 'Z'; ++c) add(std::string("Ctrl+") + c, c, kKeyCtrl);
    auto fkey = [](const char* prefix, int f) {
      std::string name(prefix);
      name.append(std::to_string(f));
      return name;
    };
    for (int f = 1; f <= 12; ++f) add(fkey("F", f), kVkF1 + f - 1, 0);
    for (int f = 1; f <= 12; ++f) add(fkey("Ctrl+F", f), kVkF1 + f - 1, kKeyCtrl);
    for (int f = 1; f <= 12; ++f) add(fkey("Shift+F", f), kVkF1 + f - 1, kKeyShift);
    for (char c = 'A'; c <= 'Z'; ++c) add(std::string("Ctrl+Shift+") + c, c, kKeyCtrl | kKeyShift);
    add("Ins", kVkInsert, 0);
    add("Ctrl+Ins", kVkInsert, kKeyCtrl);
    add("Shift+Ins", kVkInsert, kKeyShift);
    add("Del", kVkDelete, 0);
    add("Ctrl+Del", kVkDelete, kKeyCtrl);
    add("Shift+Del", kVkDelete, kKeyShift);
    add("Alt+BkSp", kVkBack, kKeyAlt);
    // The names live in the vector beside; it no longer grows, so the views stay valid.
    for (std::size_t i = 0; i < t.keys.size(); ++i) t.keys[i].name = t.names[i];
    return t;
  }();
  return table;
}

QString FromGbk(std::string_view gbkText) { return QString::fromStdString(gbk::ToUtf8(gbkText)); }

// The menu items of a window as the builders walk them: record index, id, fields.
struct Item {
  std::uint32_t index = 0;
  std::uint32_t id = 0;
  MenuBody body;
};

std::vector<Item> ItemsOf(const WindowTemplate& t) {
  std::vector<Item> items;
  const MenuRun run = t.MenuItems();
  for (std::uint32_t k = 0; k < run.count; ++k) {
    const std::uint32_t index = run.first + k;
    auto body = t.Menu(index);
    // A record that does not read as a menu item ends the run here; the reader lets no
    // such record through, but an edited area is checked again.
    if (!body) break;
    items.push_back(Item{index, t.IdAt(index), std::move(*body)});
  }
  return items;
}

// The item's text: the caption, and the hotkey's name after a tab.
QString ItemText(const MenuBody& body) {
  QString text = FromGbk(body.caption);
  if (const HotKey* key = FindHotKey(body.hotkey)) text += QLatin1Char('\t') + QString::fromLatin1(key->name);
  return text;
}

// Fills target (a menu bar or a menu) with items [begin, end): each item there whose
// level is not above the first's starts a sibling; the deeper items after it are its
// sub-items.
template <class Target>
void Fill(Target* target, const std::vector<Item>& items, std::size_t begin, std::size_t end) {
  std::size_t k = begin;
  while (k < end) {
    const Item& item = items[k];
    std::size_t next = k + 1;
    while (next < end && items[next].body.level > item.body.level) ++next;
    const bool hidden = (item.body.flags & kMenuHidden) != 0;
    const bool disabled = (item.body.flags & kMenuDisabled) != 0;
    const int command = kFirstMenuCommand + static_cast<int>(k);
    if (hidden) {
      // Left out together with its sub-items; they keep their ids.
    } else if (next > k + 1) {
      QMenu* sub = target->addMenu(FromGbk(item.body.caption));
      sub->menuAction()->setData(command);
      sub->menuAction()->setEnabled(!disabled);
      Fill(sub, items, k + 1, next);
    } else if (item.body.caption == "-") {
      QAction* separator = target->addSeparator();
      separator->setData(command);
    } else {
      QAction* action = target->addAction(ItemText(item.body));
      action->setData(command);
      action->setEnabled(!disabled);
      if (item.body.flags & kMenuChecked) {
        action->setCheckable(true);
        action->setChecked(true);
      }
      if (const HotKey* key = FindHotKey(item.body.hotkey)) action->setShortcut(HotKeySequence(*key));
    }
    k = next;
  }
}

}  // namespace

const HotKey* FindHotKey(std::uint32_t index) {
  const auto& keys = Keys().keys;
  if (index == 0 || index > keys.size()) return nullptr;
  return &keys[index - 1];
}

std::span<const HotKey> HotKeyTable() { return Keys().keys; }

QKeySequence HotKeySequence(const HotKey& key) {
  int qtKey = 0;
  if (key.virtualKey >= 'A' && key.virtualKey <= 'Z') qtKey = Qt::Key_A + (key.virtualKey - 'A');
  else if (key.virtualKey >= kVkF1 && key.virtualKey < kVkF1 + 24) qtKey = Qt::Key_F1 + (key.virtualKey - kVkF1);
  else if (key.virtualKey == kVkInsert) qtKey = Qt::Key_Insert;
  else if (key.virtualKey == kVkDelete) qtKey = Qt::Key_Delete;
  else if (key.virtualKey == kVkBack) qtKey = Qt::Key_Backspace;
  else return {};
  int modifiers = 0;
  if (key.modifiers & kKeyCtrl) modifiers |= Qt::ControlModifier;
  if (key.modifiers & kKeyShift) modifiers |= Qt::ShiftModifier;
  if (key.modifiers & kKeyAlt) modifiers |= Qt::AltModifier;
  return QKeySequence(qtKey | modifiers);
}

std::unique_ptr<QMenuBar> BuildMenuBar(std::uint32_t windowId, const WindowTemplate& t) {
  const std::vector<Item> items = ItemsOf(t);
  if (items.empty()) return nullptr;
  auto bar = std::make_unique<QMenuBar>();
  Fill(bar.get(), items, 0, items.size());
  if (bar->actions().isEmpty()) return nullptr;
  // The command reaches the window after the menu has closed, so a handler may rebuild
  // or destroy the bar that sent it.
  QObject::connect(bar.get(), &QMenuBar::triggered, bar.get(), [windowId](QAction* action) {
    const std::optional<int> command = MenuCommandOf(action);
    if (!command) return;
    QTimer::singleShot(0, qApp, [windowId, id = *command] {
      if (FindLoadedWindow(windowId) != nullptr) DispatchMenuCommand(windowId, id);
    });
  });
  return bar;
}

std::unique_ptr<QMenu> BuildPopupMenu(std::uint32_t, const WindowTemplate& t, std::uint32_t itemIndex) {
  const std::vector<Item> items = ItemsOf(t);
  std::size_t k = 0;
  while (k < items.size() && items[k].index != itemIndex) ++k;
  if (k == items.size()) return nullptr;
  std::size_t end = k + 1;
  while (end < items.size() && items[end].body.level > items[k].body.level) ++end;
  if (end == k + 1) return nullptr;
  auto menu = std::make_unique<QMenu>();
  Fill(menu.get(), items, k + 1, end);
  return menu;
}

std::optional<int> MenuCommandOf(const QAction* action) {
  if (action == nullptr) return std::nullopt;
  bool ok = false;
  const int id = action->data().toInt(&ok);
  if (!ok) return std::nullopt;
  return id;
}

bool DispatchMenuCommand(std::uint32_t windowId, int commandId) {
  if (commandId < kFirstMenuCommand || commandId >= kSystemCommands) return false;
  const WindowTemplate* t = Templates().Find(windowId);
  if (t == nullptr) return false;
  const MenuRun run = t->MenuItems();
  const auto k = static_cast<std::uint32_t>(commandId - kFirstMenuCommand);
  if (k >= run.count) return false;
  Fire(windowId, t->IdAt(run.first + k), 0);
  return true;
}

void RegisterMenuItemType() {
  RegisterUnitType(UnitTypeInfo{FindUnitLayout(kMenuItemType), kStateMenuItem, nullptr});
}

}  // namespace zorvel::forms
