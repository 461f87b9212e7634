// The library commands that act on windows and units, the window handles they hand out,
// and the runtime services of the window core.
#pragma once

#include <cstdint>

#include "runtime/commands.h"

class QWidget;

namespace zorvel::cmd {
ZORVEL_COMMAND(LoadWindow);       // window, [parent window], modal -> logical
ZORVEL_COMMAND(CloseWindow);      // window, [now] -> none
ZORVEL_COMMAND(UnitExists);       // unit -> logical
ZORVEL_COMMAND(UnitHandle);       // unit -> integer (0: no window)
ZORVEL_COMMAND(RefreshUnit);      // unit -> none
ZORVEL_COMMAND(SendUnitMessage);  // unit, message, wParam, lParam -> integer
ZORVEL_COMMAND(EndProgram);       // exit code -> does not return
}  // namespace zorvel::cmd

namespace zorvel::forms {

// A stable 32-bit handle for a native window (0 for none), and the window of a handle
// (null when it has gone).
std::uint32_t HandleOf(QWidget* widget);
QWidget* WidgetOfHandle(std::uint32_t handle);

// The window core's codes of the service entry (load a window, find a unit, fire an
// event, suspend and resume events, process events, templates, handles) and its step of
// the clean-up. Called once at start-up.
void ProvideWindowServices();

// What service 2005 takes as its first argument.
struct LoadRequest {
  std::uint32_t window = 0;
  QWidget* owner = nullptr;
  std::int32_t modal = 0;
};

// Service codes of the window core.
namespace service {
inline constexpr int kUnitDestroyed = 2000;
inline constexpr int kLoadWindow = 2005;
inline constexpr int kFindUnit = 2006;
inline constexpr int kRequireUnit = 2007;
inline constexpr int kFireEvent = 2008;
inline constexpr int kSuspendEvents = 2009;
inline constexpr int kResumeEvents = 2010;
inline constexpr int kProcessEvents = 2018;
inline constexpr int kTemplateCount = 2032;
inline constexpr int kWindowHandle = 2033;
}  // namespace service

}  // namespace zorvel::forms
