#include "windows/window_commands.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <map>

#include "runtime/program.h"
#include "runtime/service.h"
#include "windows/move_loop.h"
#include "windows/unit_ref.h"
#include "windows/windows.h"
#include "windows/windows_internal.h"

namespace zorvel::forms {

namespace {

struct HandleTable {
  std::uint32_t next = 0x00010010;
  std::map<std::uint32_t, QPointer<QWidget>> widgets;
  std::map<const QWidget*, std::uint32_t> handles;
};

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

// The unit a unit argument names: its live object, or null.
Unit* UnitOf(const TypedValue& argument) {
  const UnitRef ref = ReadUnitArgument(argument);
  const std::uint32_t unitId = (ref.unit >> 24) == 0x06 ? 0 : ref.unit;
  return FindUnitObject(ref.window, unitId);
}

void ProcessPendingEvents() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace

std::uint32_t HandleOf(QWidget* widget) {
  if (widget == nullptr) return 0;
  HandleTable& t = Handles();
  const auto it = t.handles.find(widget);
  if (it != t.handles.end()) {
    const auto w = t.widgets.find(it->second);
    if (w != t.widgets.end() && w->second == widget) return it->second;
    t.handles.erase(it);
  }
  const std::uint32_t handle = t.next;
  t.next += 4;  // handles are multiples of four, as the system's are
  t.widgets[handle] = widget;
  t.handles[widget] = handle;
  QObject::connect(widget, &QObject::destroyed, [handle, widget] {
    Handles().widgets.erase(handle);
    Handles().handles.erase(widget);
  });
  return handle;
}

QWidget* WidgetOfHandle(std::uint32_t handle) {
  const auto it = Handles().widgets.find(handle);
  return it == Handles().widgets.end() ? nullptr : it->second.data();
}

void ProvideWindowServices() {
  using zorvel::ProvideService;
  ProvideService(service::kLoadWindow, [](std::intptr_t first, std::intptr_t) -> std::intptr_t {
    const auto* request = reinterpret_cast<const LoadRequest*>(first);
    if (request == nullptr) return -1;
    return LoadAndShowWindow(request->window, request->owner, request->modal != 0) ? 0 : -1;
  });
  ProvideService(service::kFindUnit, [](std::intptr_t first, std::intptr_t second) -> std::intptr_t {
    return reinterpret_cast<std::intptr_t>(
        FindUnitObject(static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(second)));
  });
  ProvideService(service::kRequireUnit, [](std::intptr_t first, std::intptr_t second) -> std::intptr_t {
    return reinterpret_cast<std::intptr_t>(
        &RequireUnitObject(static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(second)));
  });
  ProvideService(service::kFireEvent, [](std::intptr_t first, std::intptr_t) -> std::intptr_t {
    auto* notice = reinterpret_cast<EventNotice*>(first);
    return notice != nullptr && FireEvent(*notice) ? 1 : 0;
  });
  ProvideService(service::kSuspendEvents, [](std::intptr_t, std::intptr_t) -> std::intptr_t {
    ProcessPendingEvents();
    SuspendEvents();
    return 0;
  });
  ProvideService(service::kResumeEvents, [](std::intptr_t, std::intptr_t) -> std::intptr_t {
    ProcessPendingEvents();
    ResumeEvents();
    return 0;
  });
  ProvideService(service::kProcessEvents, [](std::intptr_t, std::intptr_t) -> std::intptr_t {
    ProcessPendingEvents();
    return 0;
  });
  ProvideService(service::kTemplateCount, [](std::intptr_t, std::intptr_t) -> std::intptr_t {
    return HasTemplates() ? static_cast<std::intptr_t>(Templates().templates.size()) : 0;
  });
  ProvideService(service::kWindowHandle, [](std::intptr_t first, std::intptr_t) -> std::intptr_t {
    LoadedWindow* w = FindLoadedWindow(static_cast<std::uint32_t>(first));
    return w != nullptr ? HandleOf(w->Widget()) : 0;
  });
  static bool stepAdded = false;
  if (!stepAdded) {
    stepAdded = true;
    AddShutdownStep(ShutdownPhase::kWindows, [](int) {
      loop::Quit();
      DestroyAllWindowsQuietly();
    });
  }
}

}  // namespace zorvel::forms

namespace zorvel::cmd {

using forms::FindLoadedWindow;
using forms::ReadUnitArgument;

void LoadWindow(TypedValue* result, int argc, const TypedValue* args) {
  const Arguments a(argc, args);
  const forms::UnitRef window = ReadUnitArgument(args[0]);
  const bool modal = a.logical(2);
  QWidget* owner = nullptr;
  if (a.present(1)) {
    forms::LoadedWindow* parent = FindLoadedWindow(ReadUnitArgument(args[1]).window);
    owner = parent != nullptr ? parent->Widget() : nullptr;
    // A non-modal window given an owner that is not loaded is not loaded either.
    if (owner == nullptr && !modal) {
      *result = TypedValue::Logical(false);
      return;
    }
  }
  forms::LoadRequest request{window.window, owner, modal ? 1 : 0};
  *result = TypedValue::Logical(ServiceRequest(forms::service::kLoadWindow, reinterpret_cast<std::intptr_t>(&request), 0) == 0);
}

void CloseWindow(TypedValue*, int argc, const TypedValue* args) {
  const Arguments a(argc, args);
  forms::CloseWindow(ReadUnitArgument(args[0]).window, a.logical(1));
}

void UnitExists(TypedValue* result, int, const TypedValue* args) {
  const forms::UnitRef ref = ReadUnitArgument(args[0]);
  const forms::UnitTypeInfo* type = forms::FindUnitType(ref.type);
  bool exists = false;
  if (type != nullptr && (type->state & forms::kStateWindowed) != 0) {
    exists = forms::FindUnitObject(ref.window, (ref.unit >> 24) == 0x06 ? 0 : ref.unit) != nullptr;
  } else if (type != nullptr && (type->state & forms::kStateMenuItem) != 0) {
    exists = forms::FindUnitObject(ref.window, 0) != nullptr;
  }
  *result = TypedValue::Logical(exists);
}

void UnitHandle(TypedValue* result, int, const TypedValue* args) {
  forms::Unit* unit = forms::UnitOf(args[0]);
  *result = TypedValue::Integer(static_cast<std::int32_t>(forms::HandleOf(unit != nullptr ? unit->Widget() : nullptr)));
}

void RefreshUnit(TypedValue*, int, const TypedValue* args) {
  forms::Unit* unit = forms::UnitOf(args[0]);
  if (unit == nullptr || unit->Widget() == nullptr) return;
  // What is waiting to be repainted in the unit's window is painted and reaches the
  // screen now, without a pass of the event loop; what needs no repaint is left alone.
  QWidget* window = unit->Widget()->window();
  QEvent request(QEvent::UpdateRequest);
  QCoreApplication::sendEvent(window, &request);
}

void SendUnitMessage(TypedValue* result, int argc, const TypedValue* args) {
  const Arguments a(argc, args);
  constexpr std::int32_t kNcLeftButtonDown = 0xA1, kCaption = 2;
  *result = TypedValue::Integer(0);
  forms::Unit* unit = forms::UnitOf(args[0]);
  if (unit == nullptr || unit->Widget() == nullptr) return;
  if (a.integer(1) == kNcLeftButtonDown && a.integer(2) == kCaption) forms::RunMoveLoop(unit->Widget());
}

void EndProgram(TypedValue*, int argc, const TypedValue* args) {
  zorvel::EndProgram(Arguments(argc, args).integer(0));
}

}  // namespace zorvel::cmd
