#include "runtime/program.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <map>
#include <optional>

#include "runtime/dll.h"
#include "text/gbk.h"

namespace zorvel {

namespace {

struct ProgramFolder {
  std::string directory;  // GBK
  std::string fileName;   // GBK
};

const ProgramFolder& ExecutableFolder() {
  static const ProgramFolder folder = [] {
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
    path.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    ProgramFolder f;
    const std::string gbkPath = gbk::FromNativePath(path);
    const auto slash = gbkPath.rfind('/');
    if (slash == std::string::npos) {
      f.fileName = gbkPath;
    } else {
      f.directory = gbkPath.substr(0, slash);
      f.fileName = gbkPath.substr(slash + 1);
    }
    return f;
  }();
  return folder;
}

std::optional<ProgramFolder> g_folderInPlace;

const ProgramFolder& Folder() { return g_folderInPlace ? *g_folderInPlace : ExecutableFolder(); }

void (*g_cleanupRoutine)() = nullptr;
bool g_exiting = false;

std::multimap<ShutdownPhase, std::function<void(int)>>& ShutdownSteps() {
  static std::multimap<ShutdownPhase, std::function<void(int)>> steps;
  return steps;
}

void RunPhase(ShutdownPhase phase, int code) {
  const auto [begin, end] = ShutdownSteps().equal_range(phase);
  for (auto it = begin; it != end; ++it) it->second(code);
}

std::uint32_t SteadyTicks() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
std::uint32_t (*g_tickSource)() = SteadyTicks;

}  // namespace

const char* RunDirectory() { return Folder().directory.c_str(); }
const char* ProgramFileName() { return Folder().fileName.c_str(); }

void SetRunDirectory(std::string_view gbkFolder) {
  if (gbkFolder.empty()) {
    g_folderInPlace.reset();
    return;
  }
  g_folderInPlace = ProgramFolder{std::string(gbkFolder), ExecutableFolder().fileName};
}

void InitializeRuntime() {
  const std::string native = gbk::ToUtf8(Folder().directory);
  if (!native.empty() && chdir(native.c_str()) != 0) std::perror("chdir");
}

void RegisterCleanupRoutine(void (*routine)()) { g_cleanupRoutine = routine; }
void ForgetCleanupRoutine() { g_cleanupRoutine = nullptr; }
void AddShutdownStep(ShutdownPhase phase, std::function<void(int)> step) {
  ShutdownSteps().emplace(phase, std::move(step));
}

void Shutdown(int code) {
  if (g_exiting) return;
  g_exiting = true;
  RunPhase(ShutdownPhase::kWindows, code);
  if (auto routine = g_cleanupRoutine) {
    g_cleanupRoutine = nullptr;
    routine();
  }
  RunPhase(ShutdownPhase::kLibraries, code);
  RunPhase(ShutdownPhase::kModules, code);
  ReleaseDllCommands();
  RunPhase(ShutdownPhase::kResources, code);
}

void EndProgram(int code) {
  Shutdown(code);
  std::fflush(nullptr);
  _exit(code & 0xFF);
}

std::uint32_t TickCount() { return g_tickSource(); }
void SetTickSource(std::uint32_t (*source)()) { g_tickSource = source ? source : SteadyTicks; }

}  // namespace zorvel
