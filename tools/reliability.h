// What the kill test and the soak share: a scratch program folder with prize settings of
// their own, the program started on it with the draw hook, and readings of what it left.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string_view>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace zorvel::reliability {

namespace fs = std::filesystem;

inline std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// config.a of a scratch folder: draws by probability (the pool never runs out), all eight
// levels possible. GBK bytes: [zbt] lx=真 一=1 二=2 三=4 四=8 五=10 六=15 七=20 八=50.
inline void WritePrizeSettings(const fs::path& folder) {
  static const char kConfig[] =
      "[zbt]\r\nlx=\xD5\xE6\r\n\xD2\xBB=1\r\n\xB6\xFE=2\r\n\xC8\xFD=4\r\n\xCB\xC4=8\r\n\xCE\xE5=10\r\n"
      "\xC1\xF9=15\r\n\xC6\xDF=20\r\n\xB0\xCB=50\r\n";
  std::ofstream(folder / "config.a", std::ios::binary) << kConfig;
}

// jieguo.a read as the ledger: every line a section header, blank, or key=number. The sum
// of the values, or none when a line is anything else.
struct Ledger {
  bool parsed = true;
  double sum = 0;
  std::string problem;
};
inline Ledger ReadLedger(const fs::path& file) {
  Ledger ledger;
  if (!fs::exists(file)) return ledger;  // no draw counted yet
  std::istringstream lines(ReadAll(file));
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty() || (line.front() == '[' && line.back() == ']')) continue;
    const std::size_t eq = line.find('=');
    const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
    char* end = nullptr;
    const double v = value.empty() ? NAN : std::strtod(value.c_str(), &end);
    if (eq == std::string::npos || value.empty() || *end != '\0' || !std::isfinite(v)) {
      ledger.parsed = false;
      ledger.problem = "jieguo.a line " + std::to_string(number) + ": \"" + line + "\"";
      return ledger;
    }
    ledger.sum += v;
  }
  return ledger;
}

// How many of the kinds are the one given.
inline long CountKind(const std::vector<std::string>& kinds, std::string_view kind) {
  return static_cast<long>(std::count(kinds.begin(), kinds.end(), kind));
}

// The kinds of draws.log's entries, in order ("?" for a line that is no entry).
inline std::vector<std::string> RecordKinds(const fs::path& file) {
  std::vector<std::string> kinds;
  std::istringstream lines(ReadAll(file));
  std::string line;
  static const std::string kKey = "\"kind\":\"";
  while (std::getline(lines, line)) {
    const std::size_t at = line.find(kKey);
    const std::size_t end = at == std::string::npos ? at : line.find('"', at + kKey.size());
    const bool whole = !line.empty() && line.front() == '{' && line.back() == '}';
    kinds.push_back(end == std::string::npos || !whole ? "?" : line.substr(at + kKey.size(), end - at - kKey.size()));
  }
  return kinds;
}

// The values of a text field of draws.log's entries of one kind ("damaged" of "repaired").
inline std::vector<std::string> RecordTexts(const fs::path& file, const std::string& kind, const std::string& field) {
  std::vector<std::string> texts;
  std::istringstream lines(ReadAll(file));
  std::string line;
  const std::string kindText = "\"kind\":\"" + kind + "\"", key = "\"" + field + "\":\"";
  while (std::getline(lines, line)) {
    if (line.find(kindText) == std::string::npos) continue;
    const std::size_t at = line.find(key);
    const std::size_t end = at == std::string::npos ? at : line.find('"', at + key.size());
    if (end != std::string::npos) texts.push_back(line.substr(at + key.size(), end - at - key.size()));
  }
  return texts;
}

// The program started on a folder with the draw hook (draws: 0 for ever), its output
// appended to a file.
inline pid_t StartProgram(const std::string& program, const fs::path& folder, const fs::path& cache, long draws,
                          bool effects, const fs::path& output) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("XDG_CACHE_HOME", cache.c_str(), 1);
  setenv("ZORVEL_TEST_DRAWS", std::to_string(draws).c_str(), 1);
  setenv("ZORVEL_TEST_EFFECTS", effects ? "on" : "off", 1);
  const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd >= 0) {
    dup2(fd, 1);
    dup2(fd, 2);
    close(fd);
  }
  execl(program.c_str(), program.c_str(), "--folder", folder.c_str(), static_cast<char*>(nullptr));
  _exit(127);
}

// Waits for the process to end; its exit status (128 + signal when killed), or none when
// it is still running after the time given (it is then killed).
inline std::optional<int> WaitFor(pid_t pid, std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (r < 0) return -1;
    if (std::chrono::steady_clock::now() >= until) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// Runs a command (argv), its output into a file; its exit status.
inline int Run(const std::vector<std::string>& argv, const fs::path& output) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
      dup2(fd, 1);
      dup2(fd, 2);
      close(fd);
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The files below a folder (recursively), by their path relative to it.
inline std::vector<std::string> FilesBelow(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  if (!fs::exists(folder, error)) return names;
  for (auto it = fs::recursive_directory_iterator(folder, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error))
    names.push_back(fs::relative(it->path(), folder).string());
  return names;
}

// The folders of runs (zorvel-<pid>) in the movie files' folder below the cache.
inline std::vector<std::string> RunFolders(const fs::path& cache) {
  std::vector<std::string> names;
  std::error_code error;
  const fs::path temp = cache / "zorvel" / "Temp";
  if (!fs::exists(temp, error)) return names;
  for (const auto& entry : fs::directory_iterator(temp, error))
    if (entry.path().filename().string().rfind("zorvel-", 0) == 0) names.push_back(entry.path().filename());
  return names;
}

// A file relative to the running driver's folder (the build puts the drivers and
// zorvel-log in tools/, the program in app/).
inline std::string Beside(const std::string& relative) {
  std::error_code error;
  const fs::path self = fs::canonical("/proc/self/exe", error);
  return (self.parent_path() / relative).lexically_normal().string();
}

}  // namespace zorvel::reliability
