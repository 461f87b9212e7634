// The platform procedures the program calls by number as DLL commands, provided by the
// runtime under the names of the libraries they belong to: window creation, rectangles
// and moves, window styles and procedures, the colour key of a layered window, the
// window search, registered messages, timers, folders. Each does for the arguments the
// program passes what the platform's procedure of that name does, on the window core's
// own windows (named by their 32-bit handles).
#pragma once

#include <cstdint>

namespace zorvel::forms {

// A window procedure: handle, message, word and long parameters -> result.
using WindowProcedure = std::intptr_t (*)(std::uint32_t window, std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam);
// A timer procedure: window, WM_TIMER, timer id, tick count.
using TimerProcedure = void (*)(std::uint32_t window, std::uint32_t message, std::uintptr_t id, std::uint32_t time);

namespace win {
inline constexpr std::int32_t kGwlWndProc = -4;
inline constexpr std::int32_t kGwlStyle = -16;
inline constexpr std::int32_t kGwlExStyle = -20;
inline constexpr std::uint32_t kWsExLayered = 0x80000;
inline constexpr std::uint32_t kWsExClientEdge = 0x200;
inline constexpr std::uint32_t kWsChild = 0x40000000, kWsVisible = 0x10000000;
inline constexpr std::uint32_t kWsClipChildren = 0x02000000, kWsClipSiblings = 0x04000000;
inline constexpr std::uint32_t kWsHScroll = 0x100000, kWsVScroll = 0x200000;
inline constexpr std::uint32_t kLwaColorKey = 1, kLwaAlpha = 2;
inline constexpr std::uint32_t kWmTimer = 0x113;
inline constexpr std::uint32_t kWmContextMenu = 0x7B;
inline constexpr std::uint32_t kWmMouseMove = 0x200;
inline constexpr std::uint32_t kWmLButtonDown = 0x201, kWmLButtonUp = 0x202, kWmLButtonDblClk = 0x203;
inline constexpr std::uint32_t kWmRButtonDown = 0x204, kWmRButtonUp = 0x205, kWmRButtonDblClk = 0x206;
inline constexpr std::uint32_t kWmMButtonDown = 0x207, kWmMButtonUp = 0x208, kWmMButtonDblClk = 0x209;
inline constexpr std::uint32_t kSmtoAbortIfHung = 2;
inline constexpr std::int32_t kSOk = 0;
inline constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005u);
inline constexpr std::int32_t kENoInterface = static_cast<std::int32_t>(0x80004002u);
}  // namespace win

// Adds the procedures to the runtime's table of provided procedures (Part of the
// window core's start-up; harmless to repeat).
void ProvidePlatformProcedures();

// The window procedure every window has until one is set: it does the window's own
// handling of the message (the event goes on to the window).
std::intptr_t DefaultWindowProcedure(std::uint32_t window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam);

}  // namespace zorvel::forms
