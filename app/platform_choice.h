// The window system the program asks Qt for. The program places its own windows (the
// full-screen main window at 0, 0, title and egg dragging, the fireworks over the whole
// screen); a Wayland session does not let programs do that, so there the program runs
// through the session's X server (XWayland) unless the operator chose a platform.
#pragma once

#include <optional>
#include <string>

namespace zorvel::app {

// What the program's start sees of its session.
struct Session {
  std::string qtPlatform;      // QT_QPA_PLATFORM
  bool platformArgument = false;  // -platform on the command line
  std::string waylandDisplay;  // WAYLAND_DISPLAY
  std::string sessionType;     // XDG_SESSION_TYPE
  std::string display;         // DISPLAY
};

// The platform to ask for, or nothing to leave Qt's own choice.
std::optional<std::string> PlatformFor(const Session& session);

// The session of this process (its environment and arguments).
Session CurrentSession(int argc, char** argv);

}  // namespace zorvel::app
