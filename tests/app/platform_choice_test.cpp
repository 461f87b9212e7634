// The window system the program asks for: on a Wayland session the X server beside it,
// unless the operator chose a platform.
#include <gtest/gtest.h>

#include "app/platform_choice.h"

namespace zorvel::app {
namespace {

TEST(PlatformChoice, WaylandSessionsRunThroughTheirXServerUnlessAPlatformIsChosen) {
  const struct {
    Session session;
    const char* platform;  // null: Qt's own choice
  } rows[] = {
      {{"", false, "wayland-0", "wayland", ":0"}, "xcb"},
      {{"", false, "wayland-0", "", ":1"}, "xcb"},             // a Wayland display alone tells
      {{"", false, "", "wayland", ":0"}, "xcb"},               // so does the session type
      {{"", false, "wayland-0", "wayland", ""}, nullptr},      // no X server beside it
      {{"wayland", false, "wayland-0", "wayland", ":0"}, nullptr},  // the operator's choice
      {{"offscreen", false, "", "", ""}, nullptr},
      {{"", true, "wayland-0", "wayland", ":0"}, nullptr},     // -platform on the command line
      {{"", false, "", "x11", ":0"}, nullptr},                 // an X session as it is
      {{"", false, "", "", ""}, nullptr},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const std::optional<std::string> chosen = PlatformFor(rows[i].session);
    if (rows[i].platform == nullptr) EXPECT_FALSE(chosen.has_value()) << "row " << i << ": " << chosen.value_or("");
    else EXPECT_EQ(chosen.value_or("(none)"), rows[i].platform) << "row " << i;
  }
  char program[] = "zorvel", option[] = "-platform", value[] = "wayland";
  char* argv[] = {program, option, value, nullptr};
  EXPECT_TRUE(CurrentSession(3, argv).platformArgument);
  EXPECT_FALSE(CurrentSession(1, argv).platformArgument);
}

}  // namespace
}  // namespace zorvel::app
