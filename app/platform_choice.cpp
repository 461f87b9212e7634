#include "app/platform_choice.h"

#include <cstdlib>
#include <string_view>

namespace zorvel::app {

std::optional<std::string> PlatformFor(const Session& session) {
  // The operator's own choice stands, whatever it is.
  if (!session.qtPlatform.empty() || session.platformArgument) return std::nullopt;
  const bool wayland = !session.waylandDisplay.empty() || session.sessionType == "wayland";
  // On Wayland with an X server beside it, the X server; without one, Qt's Wayland
  // platform is all there is (the windows then stand where the compositor puts them).
  if (wayland && !session.display.empty()) return std::string("xcb");
  return std::nullopt;
}

Session CurrentSession(int argc, char** argv) {
  const auto variable = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value != nullptr ? value : "");
  };
  Session session;
  session.qtPlatform = variable("QT_QPA_PLATFORM");
  session.waylandDisplay = variable("WAYLAND_DISPLAY");
  session.sessionType = variable("XDG_SESSION_TYPE");
  session.display = variable("DISPLAY");
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "-platform" || argument == "--platform" || argument.rfind("-platform=", 0) == 0)
      session.platformArgument = true;
  }
  return session;
}

}  // namespace zorvel::app
