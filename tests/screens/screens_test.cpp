// Window places on two screens (the offscreen platform with two_screens.json): a small
// primary screen of 1024 x 600, right of and below the top of a 1920 x 1080 secondary
// one, as a projector set up as the primary screen beside a laptop. The program's
// coordinates count from the primary screen's top-left corner and its full screen is the
// primary screen, whatever lies left of it on Qt's virtual desktop.
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cstdlib>

#include "app/effect_window.h"
#include "app/main_window.h"
#include "runtime/commands.h"
#include "runtime/ui/system.h"
#include "tests/app/app_test.h"
#include "windows/screen_coordinates.h"

namespace zorvel::app::testing {
namespace {

const QRect kPrimary(1920, 240, 1024, 600);

class ScreensTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    // The platform makes the first screen by name the primary one: the layout this file
    // tests must be the one the platform made.
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), kPrimary);
    setenv("XDG_CACHE_HOME", cache_.path().c_str(), 1);
  }
  void TearDown() override {
    AppTest::TearDown();
    unsetenv("XDG_CACHE_HOME");
  }
  static QRect Outer(UnitName window) {
    const forms::LoadedWindow* w = forms::FindLoadedWindow(window.window);
    return w != nullptr && w->Widget() != nullptr ? w->Widget()->frameGeometry() : QRect();
  }
  static QRect Place(UnitName window) { return {Left(window), Top(window), Width(window), Height(window)}; }

  zorvel::test::TempFolder cache_;
};

TEST_F(ScreensTest, TheMainWindowAndTheEffectFillThePrimaryScreen) {
  EXPECT_EQ(Call(cmd::ScreenWidth).integer(), 1024);
  EXPECT_EQ(Call(cmd::ScreenHeight).integer(), 600);
  StartProgram();
  const UnitName main = ids::main::kWindow;
  EXPECT_EQ(Outer(main), kPrimary);
  EXPECT_EQ(Place(main), QRect(0, 0, 1024, 600));

  // The windowed mode keeps the corner on the primary screen, with a frame now.
  main_window::Windowed();
  EXPECT_EQ(Outer(main), QRect(kPrimary.topLeft(), QSize(1004, 580)));
  EXPECT_EQ(Place(main), QRect(0, 0, 1004, 580));
  EXPECT_NE(WidgetOf(main)->geometry().topLeft(), kPrimary.topLeft()) << "the frame counts in the place";
  main_window::FullScreen();
  EXPECT_EQ(Outer(main), kPrimary);

  // The egg editor lies exactly over the main window, the effect over the screen.
  ASSERT_TRUE(forms::LoadAndShowWindow(ids::egg_editor::kWindow.window, nullptr, false));
  EXPECT_EQ(Outer(ids::egg_editor::kWindow), kPrimary);
  ASSERT_TRUE(forms::LoadAndShowWindow(ids::effect::kWindow.window, nullptr, false));
  EXPECT_EQ(Outer(ids::effect::kWindow), kPrimary);
  EXPECT_EQ(Place(ids::effect::kWindow), QRect(0, 0, 1024, 600));
}

TEST_F(ScreensTest, PlacesWrittenAndReadCountFromThePrimaryCorner) {
  StartProgram();
  main_window::Windowed();
  const UnitName main = ids::main::kWindow;
  const std::uint32_t handle = forms::HandleOf(WidgetOf(main));
  struct Row {
    int left, top;
  };
  // The primary corner, inside, and left of and above the primary screen (on the laptop).
  const Row rows[] = {{0, 0}, {100, 50}, {-1500, -200}, {37, -240}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SetLeft(main, r.left);
    SetTop(main, r.top);
    EXPECT_EQ(Outer(main).topLeft(), kPrimary.topLeft() + QPoint(r.left, r.top)) << "row " << i;
    EXPECT_EQ(Left(main), r.left) << "row " << i;
    EXPECT_EQ(Top(main), r.top) << "row " << i;
    std::int32_t rect[4] = {};
    ASSERT_EQ(dll::GetWindowRect(handle, rect), 1);
    EXPECT_EQ(QRect(QPoint(rect[0], rect[1]), QPoint(rect[2] - 1, rect[3] - 1)), Place(main)) << "row " << i;

    // The platform procedure moves the outer rectangle, in the same coordinates.
    ASSERT_EQ(dll::MoveWindow(handle, r.top, r.left, 640, 480, 1), 1);
    EXPECT_EQ(Outer(main), QRect(kPrimary.topLeft() + QPoint(r.top, r.left), QSize(640, 480))) << "row " << i;
    EXPECT_EQ(Place(main), QRect(r.top, r.left, 640, 480)) << "row " << i;
  }
  // A unit's place stays in its window's client area.
  SetLeft(ids::main::kMainTitle, 12);
  EXPECT_EQ(WidgetOf(ids::main::kMainTitle)->pos().x(), 12);
  EXPECT_EQ(Left(ids::main::kMainTitle), 12);
}

TEST_F(ScreensTest, TheSettingsWindowsOpenWhollyOnTheSmallPrimaryScreen) {
  WritePrizePictures();
  StartProgram();
  // Centred on the primary screen (design sizes 564 x 433, 484 x 284, 380 x 180).
  for (UnitName window : {ids::settings::kWindow, ids::results::kWindow, ids::password::kWindow}) {
    ASSERT_TRUE(forms::LoadAndShowWindow(window.window, nullptr, false)) << window.window;
    const QRect outer = Outer(window);
    EXPECT_TRUE(kPrimary.contains(outer)) << window.window << ": " << outer.x() << "," << outer.y();
    // Centred to within the frame, which the window system adds as the window shows.
    EXPECT_LE((outer.center() - kPrimary.center()).manhattanLength(), 4) << window.window;
    EXPECT_EQ(forms::GlobalToScreen(outer.topLeft()), QPoint(Left(window), Top(window))) << window.window;
    forms::DestroyWindow(window.window);
  }
}

}  // namespace
}  // namespace zorvel::app::testing
