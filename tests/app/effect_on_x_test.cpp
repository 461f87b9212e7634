// The fireworks on a real X server: the program runs on Xvfb under a window manager, an
// egg is clicked with xdotool, and screenshots taken while the effect plays must show
// sparks and, between them, the prize picture of the main window beneath; a click on
// "关闭" while the sparks cover the screen reaches the prize display. Once with the window
// manager alone (the fireworks window cuts its shape from the sparks) and once with a
// compositing manager beside it (the fireworks window is translucent, 32 bits deep).

#include <QImage>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "tests/app/app_test.h"
#include "tests/support/x_server.h"

namespace zorvel::app::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Pixels within a small distance of the colour.
int CountNear(const QImage& image, QColor colour, QRect area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); y += 2)
    for (int x = area.left(); x <= area.right(); x += 2) {
      const QColor p = image.pixelColor(x, y);
      if (std::abs(p.red() - colour.red()) + std::abs(p.green() - colour.green()) +
              std::abs(p.blue() - colour.blue()) < 30)
        ++n;
    }
  return n;
}

// Pixels that differ clearly between two pictures of the same size.
int CountChanged(const QImage& a, const QImage& b) {
  int n = 0;
  for (int y = 0; y < a.height(); y += 2)
    for (int x = 0; x < a.width(); x += 2) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      if (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) > 90) ++n;
    }
  return n;
}

class EffectOnX : public ::testing::TestWithParam<bool> {};

TEST_P(EffectOnX, FireworksShowOverThePrizeAndLetClicksThrough) {
  const bool composited = GetParam();
  zorvel::test::TempFolder folder("zorvel-effect-x");
  const zorvel::test::XServer x(folder);
  if (!x.missing().empty()) GTEST_SKIP() << "needs " << x.missing() << " (scripts/setup-deps installs them)";
  ASSERT_TRUE(x.up()) << zorvel::test::ReadBytes(x.log());
  const std::string display = x.display(), log = x.log();
  std::optional<zorvel::test::Process> compositor;
  if (composited) {
    const std::string xcompmgr = zorvel::test::Which("xcompmgr");
    if (xcompmgr.empty()) GTEST_SKIP() << "needs xcompmgr (scripts/setup-deps installs it)";
    compositor.emplace(std::vector<std::string>{xcompmgr}, std::vector<std::string>{"DISPLAY=" + display}, log);
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(compositor->running()) << zorvel::test::ReadBytes(log);
  }

  // The program in a folder of its own: one egg, level one only, a blue prize card.
  const fs::path program = folder / "zorvel";
  fs::copy_file(ZORVEL_PROGRAM, program);
  const QImage egg = QImage::fromData(AsBytes(resources::EggRestPicture(1)));
  ASSERT_FALSE(egg.isNull());
  const QColor prize(40, 90, 230);
  const auto set = [&](const char* section, const char* key, const std::string& value) {
    ASSERT_TRUE(profile::WriteString(folder / "config.a", gbk::FromUtf8(section), gbk::FromUtf8(key),
                                     gbk::FromUtf8(value)));
  };
  set("zbt", "金蛋个数", "1");
  set("zbt", "d1左边", "80");
  set("zbt", "d1顶边", "300");
  const char* numerals[] = {"一", "二", "三", "四", "五", "六", "七", "八"};
  for (int n = 0; n < 8; ++n) set("zbt", numerals[n], n == 0 ? "50" : "0");
  fs::create_directories(folder / "奖品图片");
  ASSERT_TRUE(zorvel::test::WriteBytes(folder / "奖品图片/1.jpg", SolidPicture(600, 400, prize)));
  zorvel::test::Process zorvel({program.string()}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "XDG_CACHE_HOME=" + (folder / "cache")},
                 log);
  ASSERT_TRUE(zorvel.running()) << zorvel::test::ReadBytes(log);

  const auto shot = [&](int i) {
    const std::string file = folder / ("shot-" + std::to_string(i) + ".png");
    return x.Screenshot(file);
  };
  // The main window is up when the screen is no longer the server's black (a busy
  // machine may take many seconds to start the program).
  QImage before;
  bool up = false;
  for (int i = 0; i < 120 && !up; ++i) {
    before = shot(0);
    up = !before.isNull() && CountNear(before, QColor(0, 0, 0), before.rect()) < before.width() * before.height() / 8;
    if (!up) std::this_thread::sleep_for(500ms);
  }
  ASSERT_TRUE(up) << "the program's window did not show within a minute\n" << zorvel::test::ReadBytes(log);
  std::this_thread::sleep_for(1s);
  ASSERT_EQ(x.xdotool({"mousemove", std::to_string(80 + egg.width() / 2), std::to_string(300 + egg.height() / 2),
                       "click", "1"}),
            0);
  std::vector<QImage> during;
  for (int i = 1; i <= 14; ++i) {
    std::this_thread::sleep_for(300ms);
    during.push_back(shot(i));
  }
  std::this_thread::sleep_for(3s);
  const QImage after = shot(99);  // the effect has gone; the prize stays shown
  ASSERT_FALSE(after.isNull());
  // The screenshots stay for a look when the test fails.
  struct KeepShotsOnFailure {
    const zorvel::test::TempFolder& folder;
    ~KeepShotsOnFailure() {
      if (!::testing::Test::HasFailure()) return;
      const fs::path kept = fs::temp_directory_path() / "zorvel-effect-x-failed";
      fs::remove_all(kept);
      fs::create_directories(kept);
      for (const auto& entry : fs::recursive_directory_iterator(folder.path()))
        if (entry.path().filename() != "zorvel" && !entry.is_directory() && !entry.is_symlink()) {
          const fs::path target = kept / fs::relative(entry.path(), folder.path());
          fs::create_directories(target.parent_path());
          fs::copy_file(entry.path(), target);
        }
      std::fprintf(stderr, "screenshots kept in %s\n", kept.c_str());
    }
  } keep{folder};
  const QRect screen = after.rect();
  const int prizeAfter = CountNear(after, prize, screen);
  ASSERT_GT(prizeAfter, 5000) << "the prize card is shown after the draw";
  bool seen = false;
  int bestSparks = 0, bestPrize = 0;
  for (const QImage& image : during) {
    const int sparks = CountChanged(image, after);
    const int prizeShown = CountNear(image, prize, screen);
    if (sparks > bestSparks) {
      bestSparks = sparks;
      bestPrize = prizeShown;
    }
    if (sparks > 300 && prizeShown > prizeAfter / 2) seen = true;
  }
  EXPECT_TRUE(seen) << "best shot: " << bestSparks << " spark pixels, " << bestPrize << " of " << prizeAfter
                    << " prize pixels";

  // "关闭" stands in yellow at the top right of the prize display.
  QPoint close;
  int yellow = 0;
  for (int y = 0; y < screen.height() / 10; ++y)
    for (int px = screen.width() * 3 / 4; px < screen.width(); ++px) {
      const QColor p = after.pixelColor(px, y);
      if (p.red() > 200 && p.green() > 200 && p.blue() < 80) {
        close += QPoint(px, y);
        ++yellow;
      }
    }
  ASSERT_GT(yellow, 50) << "\"关闭\" not found at the top right of the prize display";
  close /= yellow;
  const auto click = [&](QPoint at) {
    return x.xdotool({"mousemove", std::to_string(at.x()), std::to_string(at.y()), "click", "1"});
  };
  ASSERT_EQ(click(close), 0);
  std::this_thread::sleep_for(1500ms);
  const QImage eggs = shot(100);
  ASSERT_LT(CountNear(eggs, prize, screen), prizeAfter / 10) << "\"关闭\" closes the prize display";
  const std::vector<zorvel::test::XServer::Window> alone = x.VisibleWindows("zorvel");
  ASSERT_EQ(alone.size(), 1u) << "only the main window is shown between draws";

  // The second draw: "关闭" is clicked through the fireworks window while it plays. Not
  // at once: the window manager frames the window as it maps it, and for a moment the
  // frame may take the mouse before it has the window's input shape (seen with openbox).
  ASSERT_EQ(click(QPoint(80 + egg.width() / 2, 300 + egg.height() / 2)), 0);
  std::vector<zorvel::test::XServer::Window> playing;
  for (int i = 0; i < 200 && playing.size() < 2; ++i) {
    std::this_thread::sleep_for(50ms);
    playing = x.VisibleWindows("zorvel");
  }
  std::this_thread::sleep_for(500ms);
  ASSERT_EQ(click(close), 0);
  const std::vector<zorvel::test::XServer::Window> clicked = x.VisibleWindows("zorvel");
  ASSERT_EQ(playing.size(), 2u) << "the fireworks window is shown over the main window";
  ASSERT_EQ(clicked.size(), 2u) << "the fireworks still played when \"关闭\" was clicked";
  const auto fireworks = std::find_if(playing.begin(), playing.end(),
                                      [&](const auto& w) { return w.id != alone.front().id; });
  ASSERT_NE(fireworks, playing.end());
  EXPECT_EQ(fireworks->width, screen.width());
  EXPECT_EQ(fireworks->height, screen.height());
  EXPECT_EQ(fireworks->depth, composited ? 32 : 24) << (composited ? "translucent under a compositing manager"
                                                                   : "shaped without a compositing manager");
  std::this_thread::sleep_for(5s);
  const QImage last = shot(300);
  EXPECT_LT(CountNear(last, prize, screen), prizeAfter / 10) << "the click closed the prize display beneath the sparks";
  EXPECT_LT(CountChanged(last, eggs), 300) << "the eggs screen is back as it was once the fireworks ended";
  EXPECT_EQ(x.VisibleWindows("zorvel").size(), 1u) << "the fireworks window is gone";
}

INSTANTIATE_TEST_SUITE_P(Desktops, EffectOnX, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "WithCompositingManager" : "WindowManagerAlone";
                         });

}  // namespace
}  // namespace zorvel::app::testing
