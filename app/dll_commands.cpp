#include "app/dll_commands.h"

namespace zorvel::app::dll {

std::vector<DllCommand> ProgramDllCommands() {
  return {
      {"atl.dll", "AtlAxWinInit"},
      {"kernel32", "GetModuleHandleA"},
      {"user32", "CreateWindowExA"},
      {"atl.dll", "AtlAxGetControl"},
      {"user32", "GetWindowRect"},
      {"", "GetWindowLongA"},
      {"", "SetWindowLongA"},
      {"", "SetLayeredWindowAttributes"},
      {"user32", "MoveWindow"},
      {"user32", "SetWindowLongA"},
      {"user32", "FindWindowExA"},
      {"user32", "CallWindowProcA"},
      {"user32", "GetClassNameA"},
      {"", "FindWindowExA"},
      {"", "RegisterWindowMessageA"},
      {"", "SendMessageTimeoutA"},
      {"OLEACC.DLL", "ObjectFromLresult"},
      {"", "SetTimer"},
      {"IMAGEHLP.DLL", "MakeSureDirectoryPathExists"},
      {"", "SetProcessWorkingSetSize"},
  };
}

// Every argument is passed with the exact type of the procedure's parameter.

std::int32_t AtlAxWinInit() { return CallDll<std::int32_t>(kAtlAxWinInit); }

std::uint32_t GetModuleHandleA(const char* name) { return CallDll<std::uint32_t>(kGetModuleHandleA, name); }

std::uint32_t CreateWindowExA(std::uint32_t exStyle, const char* className, const char* text, std::uint32_t style,
                              std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                              std::uint32_t parent, std::uint32_t menu, std::uint32_t instance) {
  return CallDll<std::uint32_t>(kCreateWindowExA, exStyle, className, text, style, x, y, width, height, parent, menu,
                                instance, static_cast<void*>(nullptr));
}

std::int32_t AtlAxGetControl(std::uint32_t window, automation::Object** control) {
  return CallDll<std::int32_t>(kAtlAxGetControl, window, control);
}

std::int32_t GetWindowRect(std::uint32_t window, std::int32_t rect[4]) {
  return CallDll<std::int32_t>(kGetWindowRect, window, static_cast<std::int32_t*>(rect));
}

std::intptr_t GetWindowLongA(std::uint32_t window, std::int32_t index) {
  return CallDll<std::intptr_t>(kGetWindowLongA, window, index);
}

std::intptr_t SetWindowLongA(std::uint32_t window, std::int32_t index, std::intptr_t value) {
  return CallDll<std::intptr_t>(kSetWindowLongA, window, index, value);
}

std::int32_t SetLayeredWindowAttributes(std::uint32_t window, std::uint32_t key, std::uint8_t alpha,
                                        std::uint32_t flags) {
  return CallDll<std::int32_t>(kSetLayeredWindowAttributes, window, key, alpha, flags);
}

std::int32_t MoveWindow(std::uint32_t window, std::int32_t x, std::int32_t y, std::int32_t width,
                        std::int32_t height, bool repaint) {
  return CallDll<std::int32_t>(kMoveWindow, window, x, y, width, height, static_cast<std::int32_t>(repaint));
}

std::intptr_t SetWindowProcedure(std::uint32_t window, WindowProcedure procedure) {
  return CallDll<std::intptr_t>(kSetWindowProcedure, window, forms::win::kGwlWndProc,
                                reinterpret_cast<std::intptr_t>(procedure));
}

std::uint32_t FindChildWindow(std::uint32_t parent, std::uint32_t after, const char* className, const char* text) {
  return CallDll<std::uint32_t>(kFindChildWindow, parent, after, className, text);
}

std::intptr_t CallWindowProcA(WindowProcedure procedure, std::uint32_t window, std::uint32_t message,
                              std::uintptr_t wParam, std::intptr_t lParam) {
  return CallDll<std::intptr_t>(kCallWindowProcA, procedure, window, message, wParam, lParam);
}

std::int32_t GetClassNameA(std::uint32_t window, char* buffer, std::int32_t size) {
  return CallDll<std::int32_t>(kGetClassNameA, window, buffer, size);
}

std::uint32_t FindWindowExA(std::uint32_t parent, std::uint32_t after, const char* className, const char* text) {
  return CallDll<std::uint32_t>(kFindWindowExA, parent, after, className, text);
}

std::uint32_t RegisterWindowMessageA(const char* name) {
  return CallDll<std::uint32_t>(kRegisterWindowMessageA, name);
}

std::intptr_t SendMessageTimeoutA(std::uint32_t window, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam, std::uint32_t flags, std::uint32_t timeout,
                                  std::uintptr_t* result) {
  return CallDll<std::intptr_t>(kSendMessageTimeoutA, window, message, wParam, lParam, flags, timeout, result);
}

std::int32_t ObjectFromLresult(std::intptr_t lresult, const std::uint8_t* interfaceId, std::uintptr_t wParam,
                               automation::Object** object) {
  return CallDll<std::int32_t>(kObjectFromLresult, lresult, interfaceId, wParam, object);
}

std::uintptr_t SetTimer(std::uint32_t window, std::uintptr_t id, std::uint32_t milliseconds,
                        TimerProcedure procedure) {
  return CallDll<std::uintptr_t>(kSetTimer, window, id, milliseconds, procedure);
}

std::int32_t MakeSureDirectoryPathExists(const char* path) {
  return CallDll<std::int32_t>(kMakeSureDirectoryPathExists, path);
}

std::int32_t SetProcessWorkingSetSize(std::uint32_t process, std::intptr_t minimum, std::intptr_t maximum) {
  return CallDll<std::int32_t>(kSetProcessWorkingSetSize, process, minimum, maximum);
}

}  // namespace zorvel::app::dll
