// The window core driven for real on the offscreen platform: loading windows from form
// data, events and their order, vetoes, modal loops, property access, keyboard handling,
// idle processing and the move loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QTest>
#include <QTimer>

#include "forms/form_writer.h"
#include "runtime/command.h"
#include "runtime/error.h"
#include "runtime/program.h"
#include "tests/windows/window_test.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"
#include "windows/unit_ref.h"
#include "windows/units/window/window_unit.h"
#include "windows/window_commands.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

using testing::IntValue;
using testing::TextValue;

using namespace zorvel::literals;
using testing::ButtonDescription;
using testing::Recorder;
using testing::WindowUnitDescription;
using testing::Word;

constexpr std::uint32_t kMain = 0x52010001, kMainUnit = 0x06010000;
constexpr std::uint32_t kSecond = 0x52010002, kSecondUnit = 0x06010010;
constexpr std::uint32_t kOk = 0x16010001, kCancel = 0x16010002, kThird = 0x16010003;
constexpr std::uint32_t kRadioA = 0x16010004, kRadioB = 0x16010005;

EventBinding Bind(std::int32_t event, std::int32_t handler) { return EventBinding{event, handler}; }

class WindowCore : public testing::WindowTest {
 protected:

  // Window kMain: handlers 0 created, 1 may close, 2 destroyed, 3 moved, 4 resized,
  // 7 idle; buttons OK (default, h5 clicked, h6 left down), Cancel, Third.
  WindowDescription MainWindow(const std::map<int, PropertyValue>& properties = {}) {
    WindowDescription w;
    w.id = kMain;
    UnitDescription unit = WindowUnitDescription(kMainUnit, 100, 80, 400, 300, properties);
    unit.bindings = {Bind(window_event::kCreated, 0), Bind(window_event::kMayClose, 1),
                     Bind(window_event::kDestroyed, 2), Bind(window_event::kMoved, 3),
                     Bind(window_event::kResized, 4), Bind(window_event::kIdle, 7), Bind(event::kLeftDown, 10)};
    w.units.push_back(unit);
    UnitDescription ok = ButtonDescription(kOk, 10, 10, "&OK", true);
    ok.bindings = {Bind(testing::kTestButtonClicked, 5), Bind(event::kLeftDown, 6)};
    w.units.push_back(ok);
    w.units.push_back(ButtonDescription(kCancel, 100, 10, "Cancel"));
    w.units.push_back(ButtonDescription(kThird, 190, 10, "&Third"));
    return w;
  }

  WindowDescription SecondWindow(bool visible = true) {
    WindowDescription w;
    w.id = kSecond;
    UnitDescription unit = WindowUnitDescription(kSecondUnit, 50, 50, 200, 150);
    unit.flags = visible ? kFlagVisible : 0;
    unit.bindings = {Bind(window_event::kCreated, 8), Bind(window_event::kDestroyed, 9)};
    w.units.push_back(unit);
    UnitDescription a = ButtonDescription(kRadioA, 10, 10, "A", false, testing::kTestRadioType);
    UnitDescription b = ButtonDescription(kRadioB, 10, 40, "B", false, testing::kTestRadioType);
    a.bindings = {Bind(testing::kTestButtonClicked, 10)};
    b.bindings = {Bind(testing::kTestButtonClicked, 11)};
    w.units.push_back(a);
    w.units.push_back(b);
    return w;
  }

  void Use(std::vector<WindowDescription> windows) {
    const std::vector<std::uint8_t> block = WriteFormData(windows);
    std::optional<FormData> data = ParseFormData(block);
    ASSERT_TRUE(data.has_value());
    SetTemplates(std::move(*data));
  }

  static QWidget* UnitWidget(std::uint32_t window, std::uint32_t unit) {
    Unit* u = FindUnitObject(window, unit);
    return u != nullptr ? u->Widget() : nullptr;
  }
};

TEST_F(WindowCore, LoadFiresCreatedMovedResizedOnlyAndShowsTheWindow) {
  Use({MainWindow()});
  ASSERT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{0, 3, 4}));
  QWidget* window = FindLoadedWindow(kMain)->Widget();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(ReadUnitProperty(kMain, kOk, prop::kLeft, -1).word, 10);
  EXPECT_EQ(ReadUnitProperty(kMain, kOk, testing::kTestCaption, -1).bytes, "&OK");
  // A second load only brings the window forward.
  Recorder::calls.clear();
  EXPECT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
  EXPECT_TRUE(Recorder::calls.empty());
}

TEST_F(WindowCore, DestroyingInsideCreatedStopsTheLoad) {
  Use({MainWindow()});
  Recorder::actions[0] = [] { DestroyWindow(kMain); };
  EXPECT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{0, 2}));
  EXPECT_EQ(FindLoadedWindow(kMain), nullptr);
}

TEST_F(WindowCore, ClosingAgainWhileBeingDestroyedFiresEventTwoOnce) {
  Use({MainWindow()});
  ASSERT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
  Recorder::calls.clear();
  Recorder::actions[2] = [] { CloseWindow(kMain, true); };
  EXPECT_TRUE(RequestClose(kMain));
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{1, 2}));
  EXPECT_EQ(FindLoadedWindow(kMain), nullptr);
}

TEST_F(WindowCore, MayCloseVetoAndTheTemplateComesBack) {
  Use({MainWindow()});
  ASSERT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
  WriteUnitProperty(kMain, kOk, prop::kLeft, -1, IntValue(40000));
  EXPECT_EQ(ReadUnitProperty(kMain, kOk, prop::kLeft, -1).word, 32627);
  Recorder::calls.clear();
  Recorder::answers[1] = 0;  // may close: no
  EXPECT_FALSE(RequestClose(kMain));
  EXPECT_NE(FindLoadedWindow(kMain), nullptr);
  Recorder::answers.erase(1);  // a handler that returns nothing lets it close
  EXPECT_TRUE(RequestClose(kMain));
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{1, 1, 2}));
  EXPECT_EQ(FindLoadedWindow(kMain), nullptr);
  // The move made while loaded went with the window; the template is as designed.
  EXPECT_EQ(ReadUnitProperty(kMain, kOk, prop::kLeft, -1).word, 10);
  // Written while not loaded, the template itself changes (and so the next load).
  WriteUnitProperty(kMain, kOk, prop::kWidth, -1, IntValue(-5));
  EXPECT_EQ(ReadUnitProperty(kMain, kOk, prop::kWidth, -1).word, 0);
  WriteUnitProperty(kMain, kOk, prop::kTag, -1, TextValue("a longer tag than before"));
  EXPECT_EQ(ReadUnitProperty(kMain, kOk, prop::kTag, -1).bytes, "a longer tag than before");
  EXPECT_EQ(ReadUnitProperty(kMain, kCancel, prop::kLeft, -1).word, 100);  // the records after it still read
}

TEST_F(WindowCore, AccessErrorsAreRuntimeErrors) {
  Use({MainWindow()});
  EXPECT_DEATH(ReadUnitProperty(0x52019999, kOk, prop::kLeft, -1), "");
  EXPECT_DEATH(ReadUnitProperty(kMain, kOk, testing::kTestCaption, -1), "");  // window not loaded
  EXPECT_DEATH(ReadUnitProperty(kMain, 0x16019999, prop::kLeft, -1), "");
}

TEST_F(WindowCore, BrokenFormDataIsTheTemplateError) {
  const std::vector<std::uint8_t> block = WriteFormData(std::vector<WindowDescription>{MainWindow()});
  const std::vector<std::uint8_t> cut(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(block.size() / 2));
  SetErrorHook([](int, int, const char* message) {
    fprintf(stderr, "error: %s\n", gbk::ToUtf8(message).c_str());
    return 1;
  });
  EXPECT_EXIT(ReadFormData(cut), ::testing::ExitedWithCode(255), "载入窗口模板数据段出错!");
  SetErrorHook(nullptr);
}

TEST_F(WindowCore, UnknownUnitTypeFailsTheLoadAndRestoresTheTemplate) {
  WindowDescription w = MainWindow();
  w.units[2].type = 0x0001FFFE;
  Use({w});
  EXPECT_FALSE(LoadAndShowWindow(kMain, nullptr, false));
  EXPECT_EQ(FindLoadedWindow(kMain), nullptr);
  EXPECT_TRUE(Recorder::calls.empty());
  EXPECT_FALSE(Templates().Find(kMain)->HasSavedTable());
}

TEST_F(WindowCore, CommonMouseEventsCarryPositionAndKeyState) {
  Use({MainWindow()});
  ASSERT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
  Recorder::calls.clear();
  QTest::mouseClick(UnitWidget(kMain, kOk), Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, QPoint(7, 9));
  ASSERT_FALSE(Recorder::calls.empty());
  EXPECT_EQ(Recorder::calls[0].handler, 6);
  EXPECT_EQ(Recorder::calls[0].arguments, (std::vector<std::int32_t>{7, 9, 3}));
  // A handler of the left press that answers false swallows it: the button sees no click.
  Recorder::calls.clear();
  Recorder::answers[6] = 0;
  QTest::mouseClick(UnitWidget(kMain, kOk), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{6}));
  // A press on the window's own area reaches its handler once, in client coordinates.
  Recorder::calls.clear();
  QWidget* client = FindUnitObject(kMain, 0)->Client();
  QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(300, 200));
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{10}));
  EXPECT_EQ(Recorder::calls.at(0).arguments, (std::vector<std::int32_t>{300, 200, 0}));
}

TEST_F(WindowCore, KeyboardTabEnterAltAndEsc) {
  Use({MainWindow(), SecondWindow()});
  ASSERT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
  QWidget* window = FindLoadedWindow(kMain)->Widget();
  QApplication::setActiveWindow(window);
  // Equal Tab order: the later record comes first.
  QWidget* ok = UnitWidget(kMain, kOk);
  QWidget* cancel = UnitWidget(kMain, kCancel);
  QWidget* third = UnitWidget(kMain, kThird);
  EXPECT_EQ(QApplication::focusWidget(), third);
  QTest::keyClick(third, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), cancel);
  QTest::keyClick(cancel, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), ok);
  QTest::keyClick(ok, Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), cancel);

  // Enter on a unit that can be the default button clicks it; Alt+O clicks "&OK".
  Recorder::calls.clear();
  QTest::keyClick(cancel, Qt::Key_Return);
  EXPECT_TRUE(Recorder::calls.empty());  // Cancel has no click handler bound
  QTest::keyClick(cancel, Qt::Key_O, Qt::AltModifier);
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{5}));

  // Esc closes (the may-close handler is asked first).
  Recorder::calls.clear();
  QTest::keyClick(cancel, Qt::Key_Escape);
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{1, 2}));
  EXPECT_EQ(FindLoadedWindow(kMain), nullptr);
}

TEST_F(WindowCore, ArrowKeysMoveAmongRadioBoxes) {
  Use({SecondWindow()});
  ASSERT_TRUE(LoadAndShowWindow(kSecond, nullptr, false));
  QApplication::setActiveWindow(FindLoadedWindow(kSecond)->Widget());
  QWidget* a = UnitWidget(kSecond, kRadioA);
  QWidget* b = UnitWidget(kSecond, kRadioB);
  a->setFocus();
  Recorder::calls.clear();
  QTest::keyClick(a, Qt::Key_Up);  // previous in Tab order: B (the later record)
  EXPECT_EQ(QApplication::focusWidget(), b);
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{11}));
}

TEST_F(WindowCore, ModalLoopRunsUntilTheWindowGoesAndDisablesTheOthers) {
  Use({MainWindow(), SecondWindow()});
  ASSERT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
  QWidget* main = FindLoadedWindow(kMain)->Widget();
  bool sawDisabled = false;
  std::uint32_t modalSeen = 0;
  QTimer::singleShot(0, [&] {
    sawDisabled = !main->isEnabled();
    modalSeen = loop::ModalWindow();
    CloseWindow(kSecond, false);
  });
  EXPECT_TRUE(LoadAndShowWindow(kSecond, nullptr, true));  // returns after the loop
  EXPECT_TRUE(sawDisabled);
  EXPECT_EQ(modalSeen, kSecond);
  EXPECT_EQ(FindLoadedWindow(kSecond), nullptr);
  EXPECT_TRUE(main->isEnabled());
  EXPECT_EQ(loop::ModalWindow(), 0u);
  // The close-window command does not ask the may-close question.
  const std::vector<int> order = Recorder::Order();
  EXPECT_EQ(std::count(order.begin(), order.end(), 1), 0);
}

TEST_F(WindowCore, HiddenModalWindowStartsItsLoopWhenMadeVisible) {
  Use({SecondWindow(false)});
  bool loopRan = false;
  ASSERT_TRUE(LoadAndShowWindow(kSecond, nullptr, true));  // not visible: returns at once
  EXPECT_NE(FindLoadedWindow(kSecond), nullptr);
  EXPECT_FALSE(FindLoadedWindow(kSecond)->Widget()->isVisible());
  QTimer::singleShot(0, [&] {
    loopRan = loop::ModalWindow() == kSecond;
    CloseWindow(kSecond, true);
  });
  WriteUnitProperty(kSecond, 0, prop::kVisible, -1, IntValue(1));
  EXPECT_TRUE(loopRan);
  EXPECT_EQ(FindLoadedWindow(kSecond), nullptr);
}

TEST_F(WindowCore, MainLoopEndsWhenTheLastWindowGoes) {
  Use({MainWindow(), SecondWindow()});
  ASSERT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
  ASSERT_TRUE(LoadAndShowWindow(kSecond, nullptr, false));
  QTimer::singleShot(0, [] {
    RequestClose(kMain);
    EXPECT_FALSE(loop::Quitting());  // a second window keeps the program running
    RequestClose(kSecond);
  });
  loop::RunMain();
  EXPECT_TRUE(loop::Quitting());
  EXPECT_TRUE(LoadedWindows().empty());
}

TEST_F(WindowCore, IdleEventKeepsComingWhileTheHandlerAsks) {
  Use({MainWindow()});
  ASSERT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
  static std::vector<std::int32_t> elapsed;
  elapsed.clear();
  static std::uint32_t now = 1000;
  SetTickSource([] { return now; });
  Recorder::actions[7] = [] {
    elapsed.push_back(Recorder::calls.back().arguments.at(0));
    now += 10;
    if (elapsed.size() == 3) {
      Recorder::answers[7] = 0;
      QTimer::singleShot(20, [] { RequestClose(kMain); });
    }
  };
  Recorder::answers[7] = 1;
  loop::RunMain();
  SetTickSource(nullptr);
  ASSERT_EQ(elapsed.size(), 3u);  // the third answer (false) ended the idle calls
  EXPECT_LT(elapsed[0], elapsed[1]);
  EXPECT_LT(elapsed[1], elapsed[2]);
}

TEST_F(WindowCore, MenuItemHandlerRunsForAnyEventIndex) {
  WindowDescription w = MainWindow();
  UnitDescription item;
  item.id = 0x26010100;
  item.type = kMenuItemType;
  item.caption = "Top";
  item.handler = 9;
  w.units.push_back(item);
  Use({w});
  EXPECT_EQ(Fire(kMain, 0x26010100, 5), std::nullopt);
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{9}));
  // Suspended events reach no handler.
  SuspendEvents();
  EXPECT_FALSE(Vetoed(kMain, 0x26010100, 0));
  ResumeEvents();
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{9}));
  // Menu item properties live on the record.
  WriteUnitProperty(kMain, 0x26010100, menu_item_property::kCaption, -1, TextValue("A much longer caption"));
  WriteUnitProperty(kMain, 0x26010100, menu_item_property::kVisible, -1, IntValue(0));
  EXPECT_EQ(ReadUnitProperty(kMain, 0x26010100, menu_item_property::kCaption, -1).bytes, "A much longer caption");
  EXPECT_EQ(ReadUnitProperty(kMain, 0x26010100, menu_item_property::kVisible, -1).word, 0);
  EXPECT_EQ(ReadUnitProperty(kMain, 0x26010100, menu_item_property::kDisabled, -1).word, 0);
}

TEST_F(WindowCore, FontSubIndexesAndPointerIndexes) {
  Use({MainWindow()});
  ASSERT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
  // A stock pointer is exchanged as its index: 14 is the hand (32649).
  std::string hand(4, '\0');
  hand[0] = 14;
  WriteUnitProperty(kMain, kOk, prop::kMousePointer, -1, TextValue(hand));
  const std::string stored = ReadUnitProperty(kMain, kOk, prop::kMousePointer, -1).bytes;
  EXPECT_EQ(stored, hand);
  EXPECT_EQ(UnitWidget(kMain, kOk)->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(WindowCore, UnitCommandsAndTheMoveLoop) {
  Use({MainWindow(), SecondWindow()});
  ASSERT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
  const TypedValue okArg = MakeUnitArgument(kMain, kOk, testing::kTestButtonType);
  const TypedValue secondArg = MakeUnitArgument(kSecond, kSecondUnit, 0x00010001);
  EXPECT_TRUE(Call(cmd::UnitExists, okArg).logical());
  EXPECT_FALSE(Call(cmd::UnitExists, secondArg).logical());
  const std::int32_t handle = Call(cmd::UnitHandle, okArg).integer();
  EXPECT_NE(handle, 0);
  EXPECT_EQ(WidgetOfHandle(static_cast<std::uint32_t>(handle)), UnitWidget(kMain, kOk));
  EXPECT_TRUE(Call(cmd::LoadWindow, secondArg, kAbsent, false).logical());
  EXPECT_TRUE(Call(cmd::UnitExists, secondArg).logical());
  Call(cmd::CloseWindow, secondArg, true);
  EXPECT_FALSE(Call(cmd::UnitExists, secondArg).logical());

  // WM_NCLBUTTONDOWN with HTCAPTION: the unit follows the mouse until the release.
  QWidget* ok = UnitWidget(kMain, kOk);
  QWidget* client = ok->parentWidget();
  QTest::mousePress(ok, Qt::LeftButton, {}, QPoint(5, 5));
  const QPoint start = ok->pos();
  QTimer::singleShot(0, [&] {
    QTest::mouseMove(client, client->mapFromGlobal(QCursor::pos()) + QPoint(30, 20));
    QTest::mouseRelease(client, Qt::LeftButton, {}, client->mapFromGlobal(QCursor::pos()));
  });
  EXPECT_EQ(Call(cmd::SendUnitMessage, okArg, 0xA1, 2, 0).integer(), 0);
  EXPECT_NE(ok->pos(), start);
}

}  // namespace
}  // namespace zorvel::forms
