// Chinese typed through the desktop's input method: the program runs on Xvfb under a
// window manager with IBus and its pinyin engine, the operator's title box is opened from
// the right-button menu, and only Latin letters are typed with xdotool ("nihao",
// "choujiang", each taken with the space bar). The title stored in config.a can only be
// "你好抽奖" when the input method turned those letters into Chinese and the program took
// what it committed.
#include <QImage>
#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "tests/app/app_test.h"
#include "tests/support/x_server.h"

namespace zorvel::app::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kPinyinEngine = "/usr/share/ibus/component/libpinyin.xml";

// Inside its own session bus: IBus with the pinyin engine chosen and its panel up, then
// the program in the shell's place.
constexpr const char* kSession = R"sh(ibus-daemon -drx || exit 3
for i in $(seq 200); do ibus list-engine >/dev/null 2>&1 && break; sleep 0.1; done
for i in $(seq 50); do
  ibus engine libpinyin >/dev/null 2>&1
  [ "$(ibus engine 2>/dev/null)" = libpinyin ] && break
  sleep 0.2
done
[ "$(ibus engine 2>/dev/null)" = libpinyin ] || exit 4
for i in $(seq 200); do xdotool search --classname ibus-ui-gtk3 >/dev/null 2>&1 && break; sleep 0.1; done
exec "$0" "$@")sh";

TEST(InputMethodOnX, PinyinTypedThroughIBusBecomesTheTitle) {
  zorvel::test::TempFolder folder("zorvel-input-method-x");
  const zorvel::test::XServer x(folder);
  if (!x.missing().empty()) GTEST_SKIP() << "needs " << x.missing() << " (scripts/setup-deps installs them)";
  const std::string session = zorvel::test::Which("dbus-run-session");
  if (zorvel::test::Which("ibus-daemon").empty() || session.empty() || !fs::exists(kPinyinEngine))
    GTEST_SKIP() << "needs ibus, ibus-libpinyin and dbus-run-session (scripts/setup-deps installs them)";
  ASSERT_TRUE(x.up()) << zorvel::test::ReadBytes(x.log());

  // One egg at the left, so that the right button lands on the screen itself.
  const fs::path program = folder / "zorvel";
  fs::copy_file(ZORVEL_PROGRAM, program);
  const auto set = [&](const char* key, const char* value) {
    ASSERT_TRUE(profile::WriteString(folder / "config.a", gbk::FromUtf8("zbt"), gbk::FromUtf8(key), gbk::FromUtf8(value)));
  };
  set("金蛋个数", "1");
  set("d1左边", "40");
  set("d1顶边", "300");
  // A home of its own: the input method starts without anything learnt.
  const fs::path home = folder / "home";
  fs::create_directories(home);
  zorvel::test::Process zorvel(
      {session, "--", "sh", "-c", kSession, program.string()},
      {"DISPLAY=" + x.display(), "HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / ".config").string(),
       "XDG_DATA_HOME=" + (home / ".local/share").string(), "XDG_CACHE_HOME=" + (home / ".cache").string(),
       "QT_QPA_PLATFORM=xcb", "QT_IM_MODULE=ibus", "XMODIFIERS=@im=ibus"},
      x.log());

  // The main window is up when the screen is no longer the server's black.
  bool up = false;
  for (int i = 0; i < 120 && !up; ++i) {
    const QImage screen = x.Screenshot(folder / "screen.png");
    int black = 0;
    for (int y = 0; y < screen.height(); y += 8)
      for (int px = 0; px < screen.width(); px += 8) black += (screen.pixel(px, y) & 0xFFFFFF) == 0;
    up = !screen.isNull() && black < screen.width() * screen.height() / 64 / 8;
    if (!up) std::this_thread::sleep_for(500ms);
  }
  ASSERT_TRUE(up) << "the program's window did not show within a minute\n" << zorvel::test::ReadBytes(x.log());
  std::this_thread::sleep_for(1s);

  // "主标题", the first entry of the screen's menu, asks for the title.
  ASSERT_EQ(x.xdotool({"mousemove", "900", "650", "click", "3"}), 0);
  std::this_thread::sleep_for(700ms);
  ASSERT_EQ(x.xdotool({"key", "Down", "Return"}), 0);
  bool asked = false;
  for (int i = 0; i < 100 && !asked; ++i) {
    asked = x.xdotool({"search", "--onlyvisible", "--name", "请输入主标题"}) == 0;
    if (!asked) std::this_thread::sleep_for(200ms);
  }
  ASSERT_TRUE(asked) << "the title's input box did not show\n" << zorvel::test::ReadBytes(x.log());
  // The input method takes the box a moment after it has the focus, and its panel, as it
  // starts, may put back the engine it starts with, which passes letters through as they
  // are. A word counts as typed into pinyin when IBus names the pinyin engine both before
  // and after the letters; otherwise they are taken out, pinyin is chosen again and the
  // word typed again. (The panel's candidate window is no sign: the preedit may show in
  // the box while the panel shows nothing.)
  const std::string ibus = "DISPLAY=" + x.display() + " HOME=" + zorvel::test::ShellQuote(home.string()) +
                           " XDG_CONFIG_HOME=" + zorvel::test::ShellQuote((home / ".config").string()) + " ibus engine";
  const auto engine = [&] {
    std::string name;
    zorvel::test::RunCommand(ibus, &name);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
    return name;
  };
  const auto choosePinyin = [&] {
    for (int i = 0; i < 50 && engine() != "libpinyin"; ++i) {
      zorvel::test::RunCommand(ibus + " libpinyin");
      std::this_thread::sleep_for(100ms);
    }
  };
  std::this_thread::sleep_for(1s);
  std::string engines;
  for (const char* pinyin : {"nihao", "choujiang"}) {
    bool taken = false;
    for (int attempt = 0; attempt < 10 && !taken; ++attempt) {
      choosePinyin();
      const std::string before = engine();
      ASSERT_EQ(x.xdotool({"type", "--delay", "120", pinyin}), 0);
      std::this_thread::sleep_for(300ms);
      const std::string after = engine();
      engines += " " + before + "/" + after;
      taken = before == "libpinyin" && after == "libpinyin";
      if (!taken) {
        for (std::size_t i = 0; i < std::strlen(pinyin); ++i) x.xdotool({"key", "BackSpace"});
        std::this_thread::sleep_for(500ms);
      }
    }
    ASSERT_TRUE(taken) << "IBus never kept pinyin while \"" << pinyin << "\" was typed; engines before/after:"
                       << engines << "\n" << zorvel::test::ReadBytes(x.log());
    ASSERT_EQ(x.xdotool({"key", "space"}), 0);
    std::this_thread::sleep_for(500ms);
  }
  x.Screenshot(folder / "typed.png");
  ASSERT_EQ(x.xdotool({"key", "Return"}), 0);

  std::string title;
  for (int i = 0; i < 50; ++i) {
    title = gbk::ToUtf8(profile::ReadString(folder / "config.a", gbk::FromUtf8("zbt"), gbk::FromUtf8("主标题"), ""));
    if (!title.empty()) break;
    std::this_thread::sleep_for(200ms);
  }
  EXPECT_EQ(title, "你好抽奖") << "engines before/after each word:" << engines << "\n" << zorvel::test::ReadBytes(x.log());
}

}  // namespace
}  // namespace zorvel::app::testing
