// The program's numbered DLL commands: the platform procedures the browser host calls,
// declared by library and procedure name and called by number. Each call below passes
// the procedure's own arguments through the runtime's DLL command table.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/automation.h"
#include "runtime/dll.h"
#include "windows/platform_procedures.h"

namespace zorvel::app::dll {

enum Number : int {
  kAtlAxWinInit = 0,
  kGetModuleHandleA = 1,
  kCreateWindowExA = 2,
  kAtlAxGetControl = 3,
  kGetWindowRect = 4,
  kGetWindowLongA = 5,
  kSetWindowLongA = 6,
  kSetLayeredWindowAttributes = 7,
  kMoveWindow = 8,
  kSetWindowProcedure = 9,  // SetWindowLongA of user32, for the window procedure
  kFindChildWindow = 10,    // FindWindowExA of user32, for the document window
  kCallWindowProcA = 11,
  kGetClassNameA = 12,
  kFindWindowExA = 13,
  kRegisterWindowMessageA = 14,
  kSendMessageTimeoutA = 15,
  kObjectFromLresult = 16,
  kSetTimer = 17,
  kMakeSureDirectoryPathExists = 18,
  kSetProcessWorkingSetSize = 19,
};

// The twenty commands in their numbered order, with their libraries and procedures.
std::vector<DllCommand> ProgramDllCommands();

using forms::TimerProcedure;
using forms::WindowProcedure;

std::int32_t AtlAxWinInit();
std::uint32_t GetModuleHandleA(const char* name);
std::uint32_t CreateWindowExA(std::uint32_t exStyle, const char* className, const char* text, std::uint32_t style,
                              std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                              std::uint32_t parent, std::uint32_t menu, std::uint32_t instance);
std::int32_t AtlAxGetControl(std::uint32_t window, automation::Object** control);
// Left, top, right, bottom.
std::int32_t GetWindowRect(std::uint32_t window, std::int32_t rect[4]);
std::intptr_t GetWindowLongA(std::uint32_t window, std::int32_t index);
std::intptr_t SetWindowLongA(std::uint32_t window, std::int32_t index, std::intptr_t value);
std::int32_t SetLayeredWindowAttributes(std::uint32_t window, std::uint32_t key, std::uint8_t alpha,
                                        std::uint32_t flags);
std::int32_t MoveWindow(std::uint32_t window, std::int32_t x, std::int32_t y, std::int32_t width,
                        std::int32_t height, bool repaint);
std::intptr_t SetWindowProcedure(std::uint32_t window, WindowProcedure procedure);
std::uint32_t FindChildWindow(std::uint32_t parent, std::uint32_t after, const char* className, const char* text);
std::intptr_t CallWindowProcA(WindowProcedure procedure, std::uint32_t window, std::uint32_t message,
                              std::uintptr_t wParam, std::intptr_t lParam);
std::int32_t GetClassNameA(std::uint32_t window, char* buffer, std::int32_t size);
std::uint32_t FindWindowExA(std::uint32_t parent, std::uint32_t after, const char* className, const char* text);
std::uint32_t RegisterWindowMessageA(const char* name);
std::intptr_t SendMessageTimeoutA(std::uint32_t window, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam, std::uint32_t flags, std::uint32_t timeout,
                                  std::uintptr_t* result);
std::int32_t ObjectFromLresult(std::intptr_t lresult, const std::uint8_t* interfaceId, std::uintptr_t wParam,
                               automation::Object** object);
std::uintptr_t SetTimer(std::uint32_t window, std::uintptr_t id, std::uint32_t milliseconds,
                        TimerProcedure procedure);
std::int32_t MakeSureDirectoryPathExists(const char* path);
std::int32_t SetProcessWorkingSetSize(std::uint32_t process, std::intptr_t minimum, std::intptr_t maximum);

// The current process, as the platform names it.
inline constexpr std::uint32_t kCurrentProcess = 0xFFFFFFFFu;

}  // namespace zorvel::app::dll
