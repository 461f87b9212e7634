// A real X server for tests that look at the program as a person would: Xvfb on a
// display nobody uses, openbox as its window manager, processes of the test's own on it,
// xdotool for the mouse and keys, ImageMagick's import for screenshots.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>

#include "tests/support/shell.h"

namespace zorvel::test {

// The full path of a program found on PATH, or "" when it is not installed.
inline std::string Which(const char* program) {
  const char* path = std::getenv("PATH");
  std::string paths = path != nullptr ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= paths.size();) {
    const std::size_t end = std::min(paths.find(':', start), paths.size());
    const std::filesystem::path candidate = std::filesystem::path(paths.substr(start, end - start)) / program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

// A process of the test's own, its output appended to a log, ended (and waited for) when
// the test is done. The environment is the test's with the given variables in place.
class Process {
 public:
  Process(std::vector<std::string> argv, const std::vector<std::string>& environment, const std::string& log) {
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    std::vector<std::string> env = environment;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string_view variable(*e);
      const std::string name(variable.substr(0, variable.find('=')));
      if (std::none_of(environment.begin(), environment.end(),
                       [&](const std::string& given) { return given.compare(0, name.size() + 1, name + "=") == 0; }))
        env.emplace_back(variable);
    }
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own, so that what it starts ends with it.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    if (posix_spawn(&pid_, args[0], &actions, &attributes, args.data(), envp.data()) != 0) pid_ = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        kill(-pid_, SIGKILL);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  bool running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

// Xvfb with one screen of the given size and openbox on it. missing() names the tools
// that are not installed (the test then skips); up() tells whether the server and its
// window manager started.
class XServer {
 public:
  XServer(const TempFolder& folder, const std::string& screen = "1280x800x24")
      : log_(folder / "x.log"), xvfb_(Which("Xvfb")), openbox_(Which("openbox")), xdotool_(Which("xdotool")),
        import_(Which("import")), xprop_(Which("xprop")), xwininfo_(Which("xwininfo")) {
    if (!missing().empty()) return;
    // Tests that run side by side may pick the same free display. The server takes its
    // display by writing its process number into the display's lock file; a server that
    // finds the display taken ends by itself, and the next number is tried.
    for (int n = 77; n < 140 && number_ == 0; ++n) {
      const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
      if (std::filesystem::exists(lock) || std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n))) continue;
      server_.emplace(std::vector<std::string>{xvfb_, ":" + std::to_string(n), "-screen", "0", screen, "-nolisten", "tcp"},
                      std::vector<std::string>{}, log_);
      for (int i = 0; i < 200 && server_->running() && number_ == 0; ++i) {
        if (LockOwner(lock) == server_->pid()) number_ = n;
        else std::this_thread::sleep_for(std::chrono::milliseconds(25));
      }
      if (number_ == 0) server_.reset();
    }
    if (number_ == 0) return;
    for (int i = 0; i < 200 && !std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number_)); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    // The server answers once it has made its screen.
    for (int i = 0; i < 200 && server_->running(); ++i) {
      if (RunCommand("DISPLAY=" + display() + " " + ShellQuote(xprop_) + " -root >/dev/null") == 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!server_->running()) return;
    // The window manager is up when it has put its check window on the root window; a
    // window mapped while it is still starting may be lost on the way. A manager that
    // gave up on a busy server is started again.
    for (int i = 0; i < 400; ++i) {
      if (i % 100 == 0 && (!manager_ || !manager_->running())) {
        manager_.reset();
        manager_.emplace(std::vector<std::string>{openbox_}, std::vector<std::string>{"DISPLAY=" + display()}, log_);
      }
      std::string answer;
      RunCommand("DISPLAY=" + display() + " " + ShellQuote(xprop_) + " -root _NET_SUPPORTING_WM_CHECK", &answer);
      if (answer.find("window id") != std::string::npos) {
        up_ = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

  std::string missing() const {
    std::string names;
    for (const auto& [path, name] : {std::pair{xvfb_, "Xvfb"}, std::pair{openbox_, "openbox"},
                                     std::pair{xdotool_, "xdotool"}, std::pair{import_, "import"},
                                     std::pair{xprop_, "xprop"}, std::pair{xwininfo_, "xwininfo"}})
      if (path.empty()) names += std::string(names.empty() ? "" : ", ") + name;
    return names;
  }
  bool up() const { return up_ && server_->running(); }
  std::string display() const { return ":" + std::to_string(number_); }
  const std::string& log() const { return log_; }

  // xdotool with these arguments on this display; its exit status.
  int xdotool(const std::vector<std::string>& args) const {
    std::string command = "DISPLAY=" + display() + " " + ShellQuote(xdotool_);
    for (const auto& a : args) command += " " + ShellQuote(a);
    std::string said;
    const int status = RunCommand(command, &said);
    AppendBytes(log_, said);
    return status;
  }

  // The windows of that class that are shown, with their depth and size (xwininfo).
  struct Window {
    std::string id;
    int depth = 0, width = 0, height = 0;
  };
  std::vector<Window> VisibleWindows(const std::string& classname) const {
    std::string ids;
    RunCommand("DISPLAY=" + display() + " " + ShellQuote(xdotool_) + " search --onlyvisible --classname " +
                   ShellQuote(classname),
               &ids);
    std::vector<Window> windows;
    for (std::size_t start = 0; start < ids.size();) {
      const std::size_t end = std::min(ids.find('\n', start), ids.size());
      Window w{ids.substr(start, end - start)};
      start = end + 1;
      if (w.id.empty() || w.id.find_first_not_of("0123456789") != std::string::npos) continue;
      std::string info;
      if (RunCommand("DISPLAY=" + display() + " " + ShellQuote(xwininfo_) + " -id " + w.id, &info) != 0) continue;
      const auto field = [&](const char* name) {
        const std::size_t at = info.find(name);
        return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + std::strlen(name));
      };
      w.depth = field("Depth:");
      w.width = field("Width:");
      w.height = field("Height:");
      windows.push_back(w);
    }
    return windows;
  }

  // The whole screen, written to file and read back (a null picture when that failed).
  QImage Screenshot(const std::string& file) const {
    std::string said;
    RunCommand("DISPLAY=" + display() + " " + ShellQuote(import_) + " -window root " + ShellQuote(file), &said);
    AppendBytes(log_, said);
    return QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32);
  }

 private:
  // The process number an X server wrote into a display's lock file, or 0.
  static pid_t LockOwner(const std::string& lock) { return static_cast<pid_t>(std::atoi(ReadBytes(lock).c_str())); }
  static void AppendBytes(const std::string& path, const std::string& bytes) {
    if (bytes.empty()) return;
    if (FILE* f = std::fopen(path.c_str(), "ab")) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
  }

  std::string log_, xvfb_, openbox_, xdotool_, import_, xprop_, xwininfo_;
  int number_ = 0;
  bool up_ = false;
  std::optional<Process> server_, manager_;
};

}  // namespace zorvel::test
