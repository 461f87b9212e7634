#include "windows/events.h"

#include <vector>

#include "runtime/error.h"
#include "text/gbk_literal.h"
#include "windows/templates.h"
#include "windows/unit.h"

namespace zorvel::forms {

using namespace zorvel::literals;

namespace {

std::span<const HandlerEntry> g_handlers;
int g_suspended = 0;
EventSource g_source;

// The routine bound to (window, unit, event), or null; the runtime errors of a notice
// that names no window or unit of the form data.
HandlerRoutine FindHandler(std::uint32_t windowId, std::uint32_t unitId, std::int32_t eventIndex) {
  if (g_suspended > 0) return nullptr;
  WindowTemplate* t = HasTemplates() ? Templates().Find(windowId) : nullptr;
  if (t == nullptr) RuntimeError("未找到引发事件的窗口"_gbk);
  std::optional<std::uint32_t> index = unitId == 0 ? std::optional<std::uint32_t>(0) : t->IndexOf(unitId);
  std::optional<RecordHead> head = index ? t->Head(*index) : std::nullopt;
  if (!head) RuntimeError("未找到引发事件的窗口组件"_gbk);
  // A unit may take its bindings from another unit of the same type; the chain is
  // followed at most as many steps as the window has units, so a loop cannot hang.
  for (std::uint32_t steps = 0; head->eventSource != 0 && steps < t->UnitCount(); ++steps) {
    const std::optional<std::uint32_t> source = t->IndexOf(head->eventSource);
    const std::optional<RecordHead> sourceHead = source ? t->Head(*source) : std::nullopt;
    if (!sourceHead || sourceHead->type != head->type) break;
    index = source;
    head = sourceHead;
  }
  const UnitTypeInfo* info = FindUnitType(head->type);
  const bool raises = t->IsMenuItem(*index) || (info != nullptr && (info->state & (kStateWindowed | kStateMenuItem)) != 0);
  if (!raises) RuntimeError("引发事件的窗口组件无效"_gbk);

  std::int32_t reference = kNoHandler;
  if (t->IsMenuItem(*index)) {
    const std::optional<MenuBody> menu = t->Menu(*index);
    if (menu) reference = menu->handler;
  } else {
    const std::optional<ControlBody> control = t->Control(*index);
    if (control) {
      for (const EventBinding& b : control->bindings) {
        if (b.event == eventIndex) {
          reference = b.handler;
          break;
        }
      }
    }
  }
  if (reference < 0 || static_cast<std::size_t>(reference) >= g_handlers.size()) return nullptr;
  return g_handlers[static_cast<std::size_t>(reference)].routine;
}

}  // namespace

void SetHandlerTable(std::span<const HandlerEntry> table) { g_handlers = table; }
std::span<const HandlerEntry> HandlerTable() { return g_handlers; }

bool FireEvent(EventNotice& notice) {
  notice.resultPresent = false;
  const HandlerRoutine routine = FindHandler(notice.window, notice.unit, notice.event);
  if (routine == nullptr) return false;
  const EventSource saved = g_source;
  g_source = EventSource{notice.window, notice.unit != 0 ? notice.unit : Templates().Find(notice.window)->IdAt(0)};
  const std::uint32_t count = std::min<std::uint32_t>(notice.argumentCount, 5);
  const std::optional<std::int32_t> result = routine(std::span<const std::int32_t>(notice.arguments, count));
  g_source = saved;
  if (result) {
    notice.resultPresent = true;
    notice.result = *result;
  }
  return true;
}

std::optional<std::int32_t> Fire(std::uint32_t window, std::uint32_t unit, std::int32_t eventIndex,
                                 std::initializer_list<std::int32_t> arguments) {
  EventNotice notice;
  notice.window = window;
  notice.unit = unit;
  notice.event = eventIndex;
  for (std::int32_t a : arguments) {
    if (notice.argumentCount == 5) break;
    notice.arguments[notice.argumentCount++] = a;
  }
  if (!FireEvent(notice) || !notice.resultPresent) return std::nullopt;
  return notice.result;
}

bool Vetoed(std::uint32_t window, std::uint32_t unit, std::int32_t eventIndex,
            std::initializer_list<std::int32_t> arguments) {
  const std::optional<std::int32_t> r = Fire(window, unit, eventIndex, arguments);
  return r.has_value() && *r == 0;
}

void SuspendEvents() { ++g_suspended; }
void ResumeEvents() {
  if (g_suspended > 0) --g_suspended;
}
bool EventsSuspended() { return g_suspended > 0; }
EventSource CurrentEventSource() { return g_source; }

}  // namespace zorvel::forms
