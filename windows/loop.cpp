// The message loops of the runtime application: the main loop, the modal loops of modal
// windows, and the idle processing between bursts of input (the idle event of every
// loaded window while its handler asks for more).
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>

#include "runtime/program.h"
#include "windows/windows.h"
#include "windows/windows_internal.h"

namespace zorvel::forms {

namespace {

class IdleWatcher;

struct LoopState {
  bool started = false;
  bool quitting = false;
  std::uint32_t modalWindow = 0;
  QEventLoop* mainLoop = nullptr;
  std::vector<std::pair<std::uint32_t, QEventLoop*>> modalLoops;

  bool idle = false;
  int idleCount = 0;
  bool frameworkIdle = false;
  std::uint32_t idleStart = 0;
  std::vector<std::uint32_t> doneIdling;
  QTimer* idleTimer = nullptr;
  IdleWatcher* watcher = nullptr;
  QPoint lastMouse{-1, -1};
};

LoopState& State() {
  static LoopState state;
  return state;
}

// The framework's own idle work: one pass at the start of every idle cycle.
bool FrameworkIdle(int count) { return count < 1; }

bool OnIdle(int count) {
  LoopState& s = State();
  if (count == 0) {
    s.frameworkIdle = true;
    s.idleStart = TickCount();
    s.doneIdling.clear();
  }
  if (s.frameworkIdle) {
    s.frameworkIdle = FrameworkIdle(count);
    return true;
  }
  if (count < 2) return true;
  const auto elapsed = static_cast<std::int32_t>(TickCount() - s.idleStart);
  bool more = false;
  std::vector<std::uint32_t> ids;
  for (LoadedWindow* w : LoadedWindows()) ids.push_back(w->id);
  for (std::uint32_t id : ids) {
    if (std::find(s.doneIdling.begin(), s.doneIdling.end(), id) != s.doneIdling.end()) continue;
    if (FindLoadedWindow(id) == nullptr) continue;
    const std::optional<std::int32_t> r = Fire(id, 0, window_event::kIdle, {elapsed});
    if (r && *r != 0) more = true;
    else s.doneIdling.push_back(id);
  }
  return more;
}

void IdlePass() {
  LoopState& s = State();
  if (!s.idle || s.quitting || !s.started) return;
  const bool more = OnIdle(s.idleCount++);
  if (!more) s.idle = false;
  else if (s.idleTimer != nullptr) s.idleTimer->start(0);
}

// Input and window changes start a new idle cycle, as the system's messages do; paints,
// timers and a mouse that did not move do not.
class IdleWatcher : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseMove: {
        const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        if (at == State().lastMouse) return false;
        State().lastMouse = at;
        break;
      }
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::WindowActivate:
      case QEvent::WindowDeactivate:
      case QEvent::Show:
      case QEvent::Close:
        break;
      default:
        return false;
    }
    RestartIdle();
    return false;
  }

  static void RestartIdle() {
    LoopState& s = State();
    s.idle = true;
    s.idleCount = 0;
    if (s.idleTimer != nullptr && !s.idleTimer->isActive()) s.idleTimer->start(0);
  }
};

void EnsureIdleMachinery() {
  LoopState& s = State();
  if (s.idleTimer != nullptr || QCoreApplication::instance() == nullptr) return;
  s.idleTimer = new QTimer(QCoreApplication::instance());
  s.idleTimer->setSingleShot(true);
  QObject::connect(s.idleTimer, &QTimer::timeout, [] { IdlePass(); });
  s.watcher = new IdleWatcher;
  s.watcher->setParent(QCoreApplication::instance());
  QCoreApplication::instance()->installEventFilter(s.watcher);
}

bool AnyLiveWindow() {
  for (LoadedWindow* w : LoadedWindows())
    if (w->Widget() != nullptr) return true;
  return false;
}

}  // namespace

namespace loop {

void RunMain() {
  LoopState& s = State();
  s.started = true;
  if (s.quitting || !AnyLiveWindow()) return;
  EnsureIdleMachinery();
  IdleWatcher::RestartIdle();
  QEventLoop main;
  s.mainLoop = &main;
  main.exec();
  s.mainLoop = nullptr;
}

void RunModal(std::uint32_t windowId) {
  LoopState& s = State();
  if (s.quitting || FindLoadedWindow(windowId) == nullptr) return;
  EnsureIdleMachinery();
  const std::uint32_t saved = s.modalWindow;
  s.modalWindow = windowId;
  QEventLoop modal;
  s.modalLoops.emplace_back(windowId, &modal);
  modal.exec();
  s.modalLoops.erase(std::find_if(s.modalLoops.begin(), s.modalLoops.end(),
                                  [&](const auto& e) { return e.second == &modal; }));
  s.modalWindow = saved;
}

std::uint32_t ModalWindow() { return State().modalWindow; }
bool Started() { return State().started; }
bool Quitting() { return State().quitting; }

void Quit() {
  LoopState& s = State();
  s.quitting = true;
  for (auto& [id, l] : s.modalLoops) l->exit(0);
  if (s.mainLoop != nullptr) s.mainLoop->exit(0);
}

void WindowDestroyed(std::uint32_t windowId) {
  LoopState& s = State();
  if (s.modalWindow == windowId) s.modalWindow = 0;
  for (auto& [id, l] : s.modalLoops)
    if (id == windowId) l->exit(0);
}

void Reset() {
  LoopState& s = State();
  for (auto& [id, l] : s.modalLoops) l->exit(0);
  if (s.mainLoop != nullptr) s.mainLoop->exit(0);
  s.started = false;
  s.quitting = false;
  s.modalWindow = 0;
  s.idle = false;
  s.idleCount = 0;
  s.doneIdling.clear();
}

}  // namespace loop

}  // namespace zorvel::forms
