// The fireworks on a real X server: the program runs on Xvfb under a window manager, an
// egg is clicked with xdotool, and screenshots taken while the effect plays must show
// sparks and, between them, the prize picture of the main window beneath.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/app/app_test.h"

extern char** environ;

namespace zorvel::app::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string Which(const char* program) {
  const char* path = std::getenv("PATH");
  std::string paths = path != nullptr ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= paths.size();) {
    const std::size_t end = std::min(paths.find(':', start), paths.size());
    const fs::path candidate = fs::path(paths.substr(start, end - start)) / program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

// A process of the test's own, ended (and waited for) when the test is done.
class Process {
 public:
  Process(std::vector<std::string> argv, const std::vector<std::string>& environment, const std::string& log) {
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    // The process's environment with the given variables in place of its own.
    std::vector<std::string> env = environment;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string_view variable(*e);
      const std::string_view name = variable.substr(0, variable.find('='));
      if (std::none_of(environment.begin(), environment.end(), [&](const std::string& given) {
            return given.compare(0, name.size() + 1, std::string(name) + "=") == 0;
          }))
        env.emplace_back(variable);
    }
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Process() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
      std::this_thread::sleep_for(20ms);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  bool running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  pid_t pid_ = -1;
};

int RunTool(const std::vector<std::string>& argv, const std::string& display, const std::string& log) {
  std::string command = "DISPLAY=" + display;
  for (const auto& a : argv) command += " '" + a + "'";
  command += " >>'" + log + "' 2>&1";
  return std::system(command.c_str());
}

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

TEST(EffectOnX, FireworksShowOverThePrizeOnARealXServer) {
  const std::string xvfb = Which("Xvfb"), openbox = Which("openbox"), xdotool = Which("xdotool"),
                    import = Which("import");
  if (xvfb.empty() || openbox.empty() || xdotool.empty() || import.empty())
    GTEST_SKIP() << "needs Xvfb, openbox, xdotool and import (scripts/setup-deps installs them)";
  zorvel::test::TempFolder folder("zorvel-effect-x");
  const std::string log = folder / "x.log";
  // A display nobody uses.
  int number = 0;
  for (int n = 77; n < 120 && number == 0; ++n)
    if (!fs::exists("/tmp/.X" + std::to_string(n) + "-lock") && !fs::exists("/tmp/.X11-unix/X" + std::to_string(n)))
      number = n;
  ASSERT_NE(number, 0);
  const std::string display = ":" + std::to_string(number);
  Process server({xvfb, display, "-screen", "0", "1280x800x24", "-nolisten", "tcp"}, {}, log);
  for (int i = 0; i < 200 && !fs::exists("/tmp/.X11-unix/X" + std::to_string(number)); ++i)
    std::this_thread::sleep_for(25ms);
  ASSERT_TRUE(server.running()) << zorvel::test::ReadBytes(log);
  Process manager({openbox}, {"DISPLAY=" + display}, log);
  // The window manager is up when it has put its check window on the root window; a
  // window mapped while it is still starting may be lost on the way.
  const std::string xprop = Which("xprop");
  for (int i = 0; i < 400 && !xprop.empty(); ++i) {
    const std::string command = "DISPLAY=" + display + " '" + xprop + "' -root _NET_SUPPORTING_WM_CHECK 2>/dev/null";
    std::string answer;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[256];
      while (fgets(buffer, sizeof buffer, pipe) != nullptr) answer += buffer;
      pclose(pipe);
    }
    if (answer.find("window id") != std::string::npos) break;
    std::this_thread::sleep_for(50ms);
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
  Process zorvel({program.string()}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "XDG_CACHE_HOME=" + (folder / "cache")},
                 log);
  ASSERT_TRUE(zorvel.running()) << zorvel::test::ReadBytes(log);

  const auto shot = [&](int i) {
    const std::string file = folder / ("shot-" + std::to_string(i) + ".png");
    RunTool({import, "-window", "root", file}, display, log);
    return QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32);
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
  ASSERT_EQ(RunTool({xdotool, "mousemove", std::to_string(80 + egg.width() / 2), std::to_string(300 + egg.height() / 2),
                 "click", "1"},
                display, log),
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
}

}  // namespace
}  // namespace zorvel::app::testing
