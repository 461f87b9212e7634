// The life of the process as the runtime keeps it: the program folder, the
// application's clean-up routine, the steps of the clean-up, and the end of the
// program.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace zorvel {

// Folder of the executable without a trailing separator, and the file name alone, as
// GBK texts owned by the runtime (not to be freed).
const char* RunDirectory();
const char* ProgramFileName();
// Puts another folder (GBK, without a trailing separator) in the executable's place, so
// that tests run the program on a folder of their own; empty brings the executable's
// folder back.
void SetRunDirectory(std::string_view gbkFolder);

// Start-up of the runtime: records the program folder and makes it the current
// directory.
void InitializeRuntime();

// The routine the application registers to free its globals; called once at an
// orderly end, forgotten by a runtime error.
void RegisterCleanupRoutine(void (*routine)());
void ForgetCleanupRoutine();

// Parts of the runtime that own something to release at the end add a step to one of
// the phases of the clean-up; within a phase, steps run in the order they were added.
enum class ShutdownPhase {
  kWindows,    // window tables, before the application's clean-up routine
  kLibraries,  // component libraries are told that the program ends
  kModules,    // libraries loaded for DLL commands are released
  kResources,  // runtime-owned objects; sounds stopped and their threads waited for
};
void AddShutdownStep(ShutdownPhase phase, std::function<void(int code)> step);

// The clean-up, once (later calls do nothing): the window steps, the clean-up routine,
// then the other phases in order.
void Shutdown(int code);

// Clean-up, then the end of the process with the code (-1 shows as 255).
[[noreturn]] void EndProgram(int code);

// Milliseconds since an arbitrary start, wrapping at 2^32 like the system tick count.
// Tests may put their own clock in place (null restores the real one).
std::uint32_t TickCount();
void SetTickSource(std::uint32_t (*source)());

}  // namespace zorvel
