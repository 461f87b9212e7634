// Event dispatch: units report user actions as event notices; the dispatcher finds the
// handler the form data binds to (window, unit, event index) and calls it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace zorvel::forms {

// The events common to every unit (mouse, focus, keys, wheel).
namespace event {
inline constexpr std::int32_t kLeftDown = -1;     // x, y, key state
inline constexpr std::int32_t kLeftUp = -2;       // x, y, key state
inline constexpr std::int32_t kDoubleClick = -3;  // x, y, key state
inline constexpr std::int32_t kRightDown = -4;    // x, y, key state
inline constexpr std::int32_t kRightUp = -5;      // x, y, key state
inline constexpr std::int32_t kMouseMove = -6;    // x, y, key state
inline constexpr std::int32_t kGotFocus = -7;
inline constexpr std::int32_t kLostFocus = -8;
inline constexpr std::int32_t kKeyDown = -9;   // virtual-key code, key state
inline constexpr std::int32_t kKeyUp = -10;    // virtual-key code, key state
inline constexpr std::int32_t kCharacter = -11;  // character code (GBK)
inline constexpr std::int32_t kWheel = -12;    // distance (120 a notch), key state
}  // namespace event

// The events of the window unit (unit 0 of a window). The window core fires created,
// moved and resized when a window has loaded, may close on a close request (a handler
// result of 0 refuses it), destroyed before the units go, and idle with the
// milliseconds since the idle cycle began (a non-zero result asks for another pass); the
// window unit fires the others as its native window changes.
namespace window_event {
inline constexpr std::int32_t kCreated = 0;
inline constexpr std::int32_t kMayClose = 1;
inline constexpr std::int32_t kDestroyed = 2;
inline constexpr std::int32_t kMoved = 3;
inline constexpr std::int32_t kResized = 4;
inline constexpr std::int32_t kActivated = 5;
inline constexpr std::int32_t kDeactivated = 6;
inline constexpr std::int32_t kIdle = 7;
inline constexpr std::int32_t kFirstActivation = 8;
inline constexpr std::int32_t kTrayIcon = 9;
inline constexpr std::int32_t kShown = 10;
inline constexpr std::int32_t kHidden = 11;
}  // namespace window_event

// Key state: the sum of 1 Ctrl, 2 Shift, 4 Alt.
inline constexpr std::int32_t kKeyCtrl = 1, kKeyShift = 2, kKeyAlt = 4;

// What a unit fills in to fire an event.
struct EventNotice {
  std::uint32_t window = 0;
  std::uint32_t unit = 0;  // 0: the window itself
  std::int32_t event = 0;
  std::uint32_t argumentCount = 0;  // 0-5
  std::int32_t arguments[5] = {};
  bool resultPresent = false;  // set by the dispatcher when the handler returned a value
  std::int32_t result = 0;
};

// A handler routine of the application: the notice's arguments in order; it returns a
// value or nothing.
using HandlerRoutine = std::optional<std::int32_t> (*)(std::span<const std::int32_t> arguments);

struct HandlerEntry {
  std::string_view name;
  HandlerRoutine routine = nullptr;  // null: the handler has no routine yet
};

// The application's handler table; the form data's handler references are indexes into
// it. Set once before windows load (tests set their own).
void SetHandlerTable(std::span<const HandlerEntry> table);
std::span<const HandlerEntry> HandlerTable();

// Finds and calls the handler bound to the notice's (window, unit, event). False when no
// handler ran (none bound, none in the table, or events suspended); runtime errors for a
// window or unit that is not in the form data or a unit type that raises no events.
bool FireEvent(EventNotice& notice);
// Convenience: fires an event with the given arguments; the handler's result, if it ran
// and gave one.
std::optional<std::int32_t> Fire(std::uint32_t window, std::uint32_t unit, std::int32_t event,
                                 std::initializer_list<std::int32_t> arguments = {});
// True when a handler ran and returned false (0): the units that ask a question take
// that as a veto.
bool Vetoed(std::uint32_t window, std::uint32_t unit, std::int32_t event,
            std::initializer_list<std::int32_t> arguments = {});

// While suspended (counter above 0) no handler runs.
void SuspendEvents();
void ResumeEvents();  // never below 0
bool EventsSuspended();

// The unit whose handler runs now: (window id, unit id); both 0 outside handlers.
struct EventSource {
  std::uint32_t window = 0;
  std::uint32_t unit = 0;
};
EventSource CurrentEventSource();

}  // namespace zorvel::forms
