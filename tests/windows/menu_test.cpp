#include "windows/units/menu/menu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

#include "forms/form_writer.h"
#include "tests/windows/window_test.h"
#include "text/gbk_literal.h"
#include "windows/events.h"
#include "windows/unit_ref.h"
#include "windows/units/menu/menu_commands.h"
#include "windows/units/window/window_unit.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

using namespace zorvel::literals;

constexpr std::uint32_t kWin = 0x52010001, kOther = 0x52010002;
constexpr std::uint32_t kFile = 0x26010001, kSettings = 0x26010006, kSize = 0x26010008, kSingle = 0x2601000A;
constexpr std::uint32_t kFullScreen = 0x26010007, kOtherItem = 0x26020001;

std::vector<int>& Calls() {
  static std::vector<int> calls;
  return calls;
}
template <int N>
std::optional<std::int32_t> Record(std::span<const std::int32_t>) {
  Calls().push_back(N);
  return std::nullopt;
}
constexpr HandlerEntry kHandlers[] = {{"open", &Record<0>},   {"fullScreen", &Record<1>}, {"window", &Record<2>},
                                      {"single", &Record<3>}, {"exit", &Record<4>},       {"other", &Record<5>}};

UnitDescription Item(std::uint32_t id, const char* caption, std::uint32_t level, std::uint32_t flags = 0,
                     std::int32_t handler = kNoHandler, std::uint32_t hotkey = 0) {
  UnitDescription u;
  u.id = id;
  u.type = kMenuItemType;
  u.caption = caption;
  u.level = level;
  u.menuFlags = flags;
  u.handler = handler;
  u.hotkey = hotkey;
  return u;
}

UnitDescription WindowRecord(std::uint32_t id) {
  UnitDescription u;
  u.id = id;
  u.type = 0x00010001;
  u.width = 200;
  u.height = 100;
  return u;
}

// Item k of the main window's run has command id 20000 + k.
FormData MakeForms() {
  WindowDescription main{kWin, 0, 0, {}, {}, {}};
  main.units = {
      WindowRecord(0x06010000),
      Item(kFile, "文件"_gbk, 0),                                     // 20000
      Item(0x26010002, "打开"_gbk, 1, 0, 0, 1),                       // 20001, Ctrl+A
      Item(0x26010003, "-", 1),                                       // 20002
      Item(0x26010004, "隐藏"_gbk, 1, kMenuHidden, 4),                // 20003
      Item(0x26010005, "退出"_gbk, 1, kMenuDisabled, 4),              // 20004
      Item(kSettings, "设置"_gbk, 0, kMenuHidden),                    // 20005
      Item(kFullScreen, "全屏"_gbk, 1, kMenuChecked, 1),              // 20006
      Item(kSize, "界面大小"_gbk, 1),                                 // 20007
      Item(0x26010009, "窗口"_gbk, 2, 0, 2),                          // 20008
      Item(kSingle, "单项"_gbk, 0, 0, 3),                             // 20009
  };
  WindowDescription other{kOther, 0, 0, {}, {}, {}};
  other.units = {WindowRecord(0x06020000), Item(kOtherItem, "别的"_gbk, 0), Item(0x26020002, "项"_gbk, 1, 0, 5)};
  const WindowDescription windows[] = {main, other};
  return *ParseFormData(WriteFormData(windows));
}

class MenuTest : public testing::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    SetTemplates(MakeForms());
    SetHandlerTable(kHandlers);
    Calls().clear();
  }

  static void Popup(std::uint32_t window, std::uint32_t item, std::optional<int> x = {}, std::optional<int> y = {},
                    std::uint32_t itemWindow = 0) {
    const TypedValue args[] = {MakeUnitArgument(window, 0, type::kWindow),
                               MakeUnitArgument(itemWindow ? itemWindow : window, item, type::kMenuItem),
                               x ? TypedValue::Integer(*x) : TypedValue{}, y ? TypedValue::Integer(*y) : TypedValue{}};
    Invoke(cmd::PopupMenu, 4, args);
  }

  static std::string Entries(const std::vector<PopupEntry>& entries) {
    std::string s;
    for (const PopupEntry& e : entries) {
      s += std::string(static_cast<std::size_t>(e.depth) * 2, ' ') + (e.separator ? "---" : e.text) + " " +
           std::to_string(e.command) + (e.enabled ? "" : " grey") + (e.checked ? " checked" : "") +
           (e.subMenu ? " >" : "") + "\n";
    }
    return s;
  }
};

TEST_F(MenuTest, MenuBarSkipsHiddenItemsAndKeepsIds) {
  std::unique_ptr<QMenuBar> bar = BuildMenuBar(kWin, *Templates().Find(kWin));
  ASSERT_NE(bar, nullptr);
  const QList<QAction*> top = bar->actions();
  ASSERT_EQ(top.size(), 2);
  EXPECT_EQ(top[0]->text().toStdString(), "文件");
  EXPECT_EQ(MenuCommandOf(top[0]), 20000);
  EXPECT_EQ(top[1]->text().toStdString(), "单项");
  EXPECT_EQ(MenuCommandOf(top[1]), 20009);

  std::vector<std::string> sub;
  for (const QAction* a : top[0]->menu()->actions())
    sub.push_back((a->isSeparator() ? std::string("---") : a->text().toStdString()) + " " +
                  std::to_string(MenuCommandOf(a).value_or(-1)) + (a->isEnabled() ? "" : " grey"));
  EXPECT_EQ(sub, (std::vector<std::string>{"打开\tCtrl+A 20001", "--- 20002", "退出 20004 grey"}));
  EXPECT_EQ(top[0]->menu()->actions()[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
}

TEST_F(MenuTest, NoMenuBarWithoutVisibleTopLevelItems) {
  EXPECT_EQ(BuildMenuBar(kWin, WindowTemplate()), nullptr);
  WriteUnitProperty(kWin, kFile, menu_item_property::kVisible, -1, UnitValue{});
  WriteUnitProperty(kWin, kSingle, menu_item_property::kVisible, -1, UnitValue{});
  EXPECT_EQ(BuildMenuBar(kWin, *Templates().Find(kWin)), nullptr);
}

TEST_F(MenuTest, HiddenTopLevelItemPopsUpItsSubItems) {
  QueuePopupChoice(-1);
  Popup(kWin, kSettings, 40, 50);
  const PopupRequest& r = LastPopupMenu();
  ASSERT_TRUE(r.shown);
  EXPECT_EQ(r.x, 40);
  EXPECT_EQ(r.y, 50);
  EXPECT_EQ(Entries(r.entries), "全屏 20006 checked\n界面大小 20007 >\n  窗口 20008\n");
}

TEST_F(MenuTest, PositionIsCursorPlusThreeUnlessGiven) {
  QCursor::setPos(100, 120);
  const QPoint cursor = QCursor::pos();
  struct Row {
    std::optional<int> x, y;
    int wantX, wantY;
  } rows[] = {{{}, {}, cursor.x() + 3, cursor.y() + 3}, {7, {}, 7, cursor.y() + 3}, {{}, 9, cursor.x() + 3, 9}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    QueuePopupChoice(-1);
    Popup(kWin, kFile, rows[i].x, rows[i].y);
    EXPECT_EQ(LastPopupMenu().x, rows[i].wantX) << "row " << i;
    EXPECT_EQ(LastPopupMenu().y, rows[i].wantY) << "row " << i;
  }
}

TEST_F(MenuTest, RequestsThatShowNothing) {
  struct Row {
    const char* what;
    std::uint32_t window, item, itemWindow;
  } rows[] = {
      {"item without sub-items", kWin, kSingle, 0},
      {"item of another window", kWin, kOtherItem, kOther},
      {"item named under the wrong window", kWin, kOtherItem, 0},
      {"window unknown", 0x52010009, kFile, 0},
      {"not a menu item", kWin, 0x06010000, 0},
  };
  for (const Row& row : rows) {
    ResetPopupHooks();
    Popup(row.window, row.item, 1, 1, row.itemWindow);
    EXPECT_FALSE(LastPopupMenu().shown) << row.what;
  }
}

TEST_F(MenuTest, ChoiceFiresAfterTheCommandReturns) {
  struct Row {
    std::uint32_t item;
    int choice;
    std::vector<int> calls;
  } rows[] = {
      {kSettings, 20008, {2}},  // in a sub-menu
      {kSettings, 20006, {1}},
      {kFile, 20004, {}},       // disabled
      {kFile, 20003, {}},       // hidden
      {kFile, 20002, {}},       // separator
      {kFile, 20006, {}},       // not in this menu
      {kFile, -1, {}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    Calls().clear();
    QueuePopupChoice(rows[i].choice);
    Popup(kWin, rows[i].item, 1, 1);
    EXPECT_TRUE(Calls().empty()) << "row " << i;
    QCoreApplication::processEvents();
    EXPECT_EQ(Calls(), rows[i].calls) << "row " << i;
  }
}

TEST_F(MenuTest, RealPopupChoiceByClick) {
  // Clicks the first item once the menu shows.
  std::function<void(int)> click = [&click](int triesLeft) {
    QTimer::singleShot(0, [&click, triesLeft] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) {
        if (triesLeft > 0) click(triesLeft - 1);
        return;
      }
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().value(0)).center());
    });
  };
  click(100);
  Popup(kWin, kSettings, 10, 10);
  QCoreApplication::processEvents();
  EXPECT_EQ(Calls(), std::vector<int>{1});
}

TEST_F(MenuTest, CommandsReachOnlyALiveWindow) {
  ASSERT_TRUE(LoadWindow(kWin, nullptr, false));
  auto* window = dynamic_cast<WindowUnit*>(FindUnitObject(kWin, 0));
  ASSERT_NE(window, nullptr);
  ASSERT_NE(window->MenuBar(), nullptr);
  QAction* single = window->MenuBar()->actions().value(1);
  ASSERT_NE(single, nullptr);
  single->trigger();
  EXPECT_TRUE(Calls().empty());
  QCoreApplication::processEvents();
  EXPECT_EQ(Calls(), std::vector<int>{3});

  // A choice from a popup of a window that goes before the command arrives is lost.
  Calls().clear();
  QueuePopupChoice(20006);
  Popup(kWin, kSettings, 1, 1);
  single->trigger();
  DestroyWindow(kWin);
  QCoreApplication::processEvents();
  EXPECT_TRUE(Calls().empty());
}

TEST_F(MenuTest, ItemChangesShowNextTime) {
  UnitValue caption;
  caption.bytes = "窗口大小"_gbk;
  caption.hasBytes = true;
  WriteUnitProperty(kWin, kSize, menu_item_property::kCaption, -1, caption);
  WriteUnitProperty(kWin, kFullScreen, menu_item_property::kVisible, -1, UnitValue{});  // hide
  UnitValue on;
  on.word = 1;
  WriteUnitProperty(kWin, kSize, menu_item_property::kDisabled, -1, on);
  WriteUnitProperty(kWin, kSettings, menu_item_property::kDisabled, -1, on);  // the hidden item itself disabled: still pops up
  QueuePopupChoice(20008);
  Popup(kWin, kSettings, 1, 1);
  EXPECT_EQ(Entries(LastPopupMenu().entries), "窗口大小 20007 grey >\n  窗口 20008\n");
  QCoreApplication::processEvents();
  EXPECT_EQ(Calls(), std::vector<int>{});  // inside a greyed sub-menu
}

TEST_F(MenuTest, CommandDispatch) {
  struct Row {
    int command;
    bool isItem;
    std::vector<int> calls;
  } rows[] = {{20001, true, {0}}, {20000, true, {}}, {20010, false, {}}, {19999, false, {}}, {0xE100, false, {}}};
  for (const Row& row : rows) {
    Calls().clear();
    EXPECT_EQ(DispatchMenuCommand(kWin, row.command), row.isItem) << row.command;
    EXPECT_EQ(Calls(), row.calls) << row.command;
  }
}

TEST_F(MenuTest, KeyTable) {
  struct Row {
    std::uint32_t index;
    const char* name;
    QKeySequence keys;
  } rows[] = {{1, "Ctrl+A", QKeySequence(Qt::CTRL | Qt::Key_A)},
              {27, "F1", QKeySequence(Qt::Key_F1)},
              {63, "Ctrl+Shift+A", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)},
              {95, "Alt+BkSp", QKeySequence(Qt::ALT | Qt::Key_Backspace)}};
  for (const Row& row : rows) {
    const HotKey* key = FindHotKey(row.index);
    ASSERT_NE(key, nullptr) << row.index;
    EXPECT_EQ(key->name, row.name);
    EXPECT_EQ(HotKeySequence(*key), row.keys) << row.index;
  }
  EXPECT_EQ(FindHotKey(0), nullptr);
  EXPECT_EQ(FindHotKey(static_cast<std::uint32_t>(HotKeyTable().size()) + 1), nullptr);
}

}  // namespace
}  // namespace zorvel::forms
