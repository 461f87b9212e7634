#include "windows/platform_procedures.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <string_view>

#include "runtime/automation.h"
#include "runtime/dll.h"
#include "text/files.h"
#include "text/gbk.h"
#include "windows/movie_host.h"
#include "windows/screen_coordinates.h"
#include "windows/window_commands.h"

namespace zorvel::forms {

namespace {

using automation::Object;

bool SameName(std::string_view a, std::string_view b) { return automation::SameMember(a, b); }

QWidget* WindowOf(std::uint32_t handle) { return handle == 0 ? nullptr : WidgetOfHandle(handle); }

// ---- Window styles and procedures, kept on the window itself ----

constexpr char kExStyleProperty[] = "zorvelExStyle";
constexpr char kStyleProperty[] = "zorvelStyle";
constexpr char kClassProperty[] = "zorvelWindowClass";

// The procedure set on a window, and the filter that hands the window's mouse events to
// it as messages. Whatever the procedure passes on to the default procedure reaches the
// window; what it answers itself goes no further.
class ProcedureFilter : public QObject {
 public:
  ProcedureFilter(QWidget* window, WindowProcedure procedure) : QObject(window), procedure_(procedure) {
    setObjectName("zorvelWindowProcedure");
    window->installEventFilter(this);
  }
  WindowProcedure procedure() const { return procedure_; }
  void set(WindowProcedure procedure) { procedure_ = procedure; }

  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<QWidget*>(watched);
    if (window == nullptr) return false;
    std::uint32_t message = 0;
    std::intptr_t lParam = 0;
    std::uintptr_t wParam = 0;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        message = MouseMessage(event->type(), mouse->button());
        const QPoint at = mouse->position().toPoint();
        lParam = static_cast<std::intptr_t>((static_cast<std::uint32_t>(at.y() & 0xFFFF) << 16) |
                                            static_cast<std::uint32_t>(at.x() & 0xFFFF));
        wParam = KeyState(mouse->buttons());
        break;
      }
      case QEvent::ContextMenu: {
        // The platform makes the context-menu message out of a right button release that
        // reached the window's own handling; when the procedure kept the release, there is
        // no menu either.
        auto* menu = static_cast<QContextMenuEvent*>(event);
        if (menu->reason() == QContextMenuEvent::Mouse && rightUpKept_) return true;
        message = win::kWmContextMenu;
        const QPoint at = menu->globalPos();
        lParam = static_cast<std::intptr_t>((static_cast<std::uint32_t>(at.y() & 0xFFFF) << 16) |
                                            static_cast<std::uint32_t>(at.x() & 0xFFFF));
        wParam = HandleOf(window);
        break;
      }
      default:
        return false;
    }
    if (message == 0) return false;
    const bool kept = !Deliver(HandleOf(window), message, wParam, lParam);
    if (message == win::kWmRButtonUp) rightUpKept_ = kept;
    return kept;
  }

  // Runs the procedure; true when the message reached the default procedure.
  bool Deliver(std::uint32_t window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
               std::intptr_t* result = nullptr) {
    const bool outer = reachedDefault_;
    reachedDefault_ = false;
    const std::intptr_t r = procedure_(window, message, wParam, lParam);
    if (result != nullptr) *result = r;
    const bool reached = reachedDefault_;
    reachedDefault_ = outer;
    return reached;
  }

  static void MarkDefaultReached() { reachedDefault_ = true; }

 private:
  static std::uint32_t MouseMessage(QEvent::Type type, Qt::MouseButton button) {
    if (type == QEvent::MouseMove) return win::kWmMouseMove;
    const int step = type == QEvent::MouseButtonPress ? 0 : type == QEvent::MouseButtonRelease ? 1 : 2;
    switch (button) {
      case Qt::LeftButton: return win::kWmLButtonDown + step;
      case Qt::RightButton: return win::kWmRButtonDown + step;
      case Qt::MiddleButton: return win::kWmMButtonDown + step;
      default: return 0;
    }
  }
  static std::uintptr_t KeyState(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1u : 0u) | (buttons & Qt::RightButton ? 2u : 0u) |
           (buttons & Qt::MiddleButton ? 0x10u : 0u);
  }

  WindowProcedure procedure_;
  bool rightUpKept_ = false;
  static inline bool reachedDefault_ = false;
};

ProcedureFilter* FilterOf(QWidget* window) {
  return window->findChild<ProcedureFilter*>("zorvelWindowProcedure", Qt::FindDirectChildrenOnly);
}

// The window's class: the movie host and the windows below it answer the class names
// they stand for; every other window the name of its kind.
std::string ClassNameOf(QWidget* window) {
  const QVariant stored = window->property(kClassProperty);
  if (stored.isValid()) return stored.toByteArray().toStdString();
  return window->metaObject()->className();
}

// ---- Registered messages and the results they hand out ----

std::map<std::string, std::uint32_t>& RegisteredMessages() {
  static std::map<std::string, std::uint32_t> messages;
  return messages;
}
constexpr char kHtmlGetObject[] = "WM_HTML_GETOBJECT";

// Document objects handed out by WM_HTML_GETOBJECT, each until ObjectFromLresult takes
// it; a few are kept at most, the oldest dropped first.
struct HandedOut {
  std::intptr_t token;
  automation::Ref object;
};
std::deque<HandedOut>& HandedOutObjects() {
  static std::deque<HandedOut> objects;
  return objects;
}
std::intptr_t g_nextToken = 0x5A00;

// IHTMLDocument and IHTMLDocument2: the interfaces a document is asked for.
constexpr std::uint8_t kIHtmlDocument[16] = {0x20, 0xC5, 0x6F, 0x62, 0x1E, 0xA4, 0xCF, 0x11,
                                             0xA7, 0x31, 0x00, 0xA0, 0xC9, 0x08, 0x26, 0x37};
constexpr std::uint8_t kIHtmlDocument2[16] = {0x25, 0x44, 0x2C, 0x33, 0xCB, 0x26, 0xD0, 0x11,
                                              0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19};

// ---- The procedures ----

std::int32_t AtlAxWinInit() { return 1; }

// The program's own module; the value only has to be a valid instance handle.
std::uint32_t GetModuleHandleA(const char* name) { return name == nullptr || name[0] == '\0' ? 0x00400000u : 0; }

std::uint32_t CreateWindowExA(std::uint32_t exStyle, const char* className, const char* windowText,
                              std::uint32_t style, std::int32_t x, std::int32_t y, std::int32_t width,
                              std::int32_t height, std::uint32_t parent, std::uint32_t /*menu*/,
                              std::uint32_t /*instance*/, void* /*parameter*/) {
  // Only the movie host's class is registered here; a child needs a living parent.
  QWidget* parentWindow = WindowOf(parent);
  if (className == nullptr || !SameName(className, kMovieHostClass) || parentWindow == nullptr) return 0;
  QWidget* host = CreateMovieHost(parentWindow, windowText != nullptr ? windowText : "",
                                  QRect(x, y, std::max(0, width), std::max(0, height)));
  if (host == nullptr) return 0;
  host->setProperty(kExStyleProperty, exStyle);
  host->setProperty(kStyleProperty, style);
  host->setVisible((style & win::kWsVisible) != 0);
  return HandleOf(host);
}

std::int32_t AtlAxGetControl(std::uint32_t window, Object** control) {
  QWidget* host = WindowOf(window);
  if (control == nullptr) return win::kEFail;
  *control = host != nullptr ? MovieHostControl(host) : nullptr;
  return *control != nullptr ? win::kSOk : win::kEFail;
}

// The window's outer rectangle in the program's screen coordinates: left, top, right,
// bottom.
std::int32_t GetWindowRect(std::uint32_t window, std::int32_t* rect) {
  QWidget* w = WindowOf(window);
  if (w == nullptr || rect == nullptr) return 0;
  const QRect frame =
      GlobalToScreen(w->isWindow() ? w->frameGeometry() : QRect(w->mapToGlobal(QPoint(0, 0)), w->size()));
  rect[0] = frame.left();
  rect[1] = frame.top();
  rect[2] = frame.left() + frame.width();
  rect[3] = frame.top() + frame.height();
  return 1;
}

std::intptr_t GetWindowLongA(std::uint32_t window, std::int32_t index) {
  QWidget* w = WindowOf(window);
  if (w == nullptr) return 0;
  switch (index) {
    case win::kGwlExStyle: return static_cast<std::intptr_t>(w->property(kExStyleProperty).toUInt());
    case win::kGwlStyle: {
      std::uint32_t style = w->property(kStyleProperty).toUInt();
      if (!w->isWindow()) style |= win::kWsChild;
      if (w->isVisible()) style |= win::kWsVisible;
      return static_cast<std::intptr_t>(style);
    }
    case win::kGwlWndProc: {
      const ProcedureFilter* filter = FilterOf(w);
      return reinterpret_cast<std::intptr_t>(filter != nullptr ? filter->procedure() : &DefaultWindowProcedure);
    }
    default: return 0;
  }
}

// The window procedure slot holds a full address here (the value is pointer-sized); the
// other slots hold 32-bit words.
std::intptr_t SetWindowLongA(std::uint32_t window, std::int32_t index, std::intptr_t value) {
  QWidget* w = WindowOf(window);
  if (w == nullptr) return 0;
  const std::intptr_t old = GetWindowLongA(window, index);
  switch (index) {
    case win::kGwlExStyle: w->setProperty(kExStyleProperty, static_cast<std::uint32_t>(value)); break;
    case win::kGwlStyle: w->setProperty(kStyleProperty, static_cast<std::uint32_t>(value)); break;
    case win::kGwlWndProc: {
      auto procedure = reinterpret_cast<WindowProcedure>(value);
      if (procedure == nullptr) return 0;
      ProcedureFilter* filter = FilterOf(w);
      if (procedure == &DefaultWindowProcedure) {
        delete filter;
      } else if (filter != nullptr) {
        filter->set(procedure);
      } else {
        new ProcedureFilter(w, procedure);
      }
      break;
    }
    default: return 0;
  }
  return old;
}

// Only a layered window takes the attributes. The colour key makes its pixels of that
// colour see-through; an alpha given with its flag makes the whole window translucent.
std::int32_t SetLayeredWindowAttributes(std::uint32_t window, std::uint32_t key, std::uint8_t alpha,
                                        std::uint32_t flags) {
  QWidget* w = WindowOf(window);
  if (w == nullptr || !w->isWindow()) return 0;
  if ((w->property(kExStyleProperty).toUInt() & win::kWsExLayered) == 0) return 0;
  if ((flags & win::kLwaColorKey) != 0) SetColourKey(w, key & 0x00FFFFFFu);
  if ((flags & win::kLwaAlpha) != 0) w->setWindowOpacity(alpha / 255.0);
  return 1;
}

std::int32_t MoveWindow(std::uint32_t window, std::int32_t x, std::int32_t y, std::int32_t width,
                        std::int32_t height, std::int32_t repaint) {
  QWidget* w = WindowOf(window);
  if (w == nullptr) return 0;
  if (w->isWindow()) {
    // A top-level window's outer rectangle, in the program's screen coordinates.
    const QSize frame = w->frameGeometry().size() - w->size();
    w->move(ScreenToGlobal(QPoint(x, y)));
    w->resize(std::max(0, width - frame.width()), std::max(0, height - frame.height()));
  } else {
    w->setGeometry(x, y, std::max(0, width), std::max(0, height));
  }
  if (repaint != 0) w->update();
  return 1;
}

// The next window after `after` among the children of `parent` (the top-level windows
// when parent is 0) whose class and text match; a null class or text matches any.
std::uint32_t FindWindowExA(std::uint32_t parent, std::uint32_t after, const char* className, const char* text) {
  QList<QWidget*> candidates;
  if (parent == 0) {
    candidates = QApplication::topLevelWidgets();
  } else {
    QWidget* p = WindowOf(parent);
    if (p == nullptr) return 0;
    for (QObject* child : p->children())
      if (auto* w = qobject_cast<QWidget*>(child); w != nullptr && !w->isWindow()) candidates.push_back(w);
  }
  QWidget* start = after != 0 ? WindowOf(after) : nullptr;
  if (after != 0 && start == nullptr) return 0;
  bool passed = start == nullptr;
  for (QWidget* w : candidates) {
    if (!passed) {
      passed = w == start;
      continue;
    }
    if (className != nullptr && !SameName(ClassNameOf(w), className)) continue;
    if (text != nullptr && gbk::FromUtf8(w->windowTitle().toStdString()) != text) continue;
    return HandleOf(w);
  }
  return 0;
}

std::intptr_t CallWindowProcA(WindowProcedure procedure, std::uint32_t window, std::uint32_t message,
                              std::uintptr_t wParam, std::intptr_t lParam) {
  return procedure != nullptr ? procedure(window, message, wParam, lParam) : 0;
}

std::int32_t GetClassNameA(std::uint32_t window, char* buffer, std::int32_t size) {
  QWidget* w = WindowOf(window);
  if (w == nullptr || buffer == nullptr || size <= 0) return 0;
  const std::string name = ClassNameOf(w);
  const std::size_t n = std::min(name.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, name.data(), n);
  buffer[n] = '\0';
  return static_cast<std::int32_t>(n);
}

// The same name always gives the same number, in the platform's range of registered
// messages.
std::uint32_t RegisterWindowMessageA(const char* name) {
  if (name == nullptr || name[0] == '\0') return 0;
  auto& messages = RegisteredMessages();
  std::string key(name);
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  const auto [it, added] = messages.try_emplace(key, 0xC000u + static_cast<std::uint32_t>(messages.size()));
  return it->second;
}

// Delivers a message to the window at once (everything runs on the window thread, so no
// window here can hang). The document window answers WM_HTML_GETOBJECT with a result
// that ObjectFromLresult turns into its document; other messages go through the window's
// procedure.
std::intptr_t SendMessageTimeoutA(std::uint32_t window, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam, std::uint32_t /*flags*/, std::uint32_t /*timeout*/,
                                  std::uintptr_t* result) {
  QWidget* w = WindowOf(window);
  if (w == nullptr) return 0;
  std::intptr_t answer = 0;
  const auto registered = RegisteredMessages().find(kHtmlGetObject);
  if (registered != RegisteredMessages().end() && message == registered->second) {
    automation::Ref document = automation::Ref::Adopt(DocumentObjectOf(w));
    if (document) {
      auto& handed = HandedOutObjects();
      if (handed.size() >= 8) handed.pop_front();
      answer = g_nextToken++;
      handed.push_back({answer, std::move(document)});
    }
  } else if (ProcedureFilter* filter = FilterOf(w)) {
    filter->Deliver(window, message, wParam, lParam, &answer);
  }
  if (result != nullptr) *result = static_cast<std::uintptr_t>(answer);
  return 1;
}

std::int32_t ObjectFromLresult(std::intptr_t lresult, const std::uint8_t* interfaceId, std::uintptr_t /*wParam*/,
                               Object** object) {
  if (object == nullptr) return win::kEFail;
  *object = nullptr;
  auto& handed = HandedOutObjects();
  for (auto it = handed.begin(); it != handed.end(); ++it) {
    if (it->token != lresult) continue;
    automation::Ref document = std::move(it->object);
    handed.erase(it);
    if (interfaceId == nullptr || (std::memcmp(interfaceId, kIHtmlDocument, 16) != 0 &&
                                   std::memcmp(interfaceId, kIHtmlDocument2, 16) != 0))
      return win::kENoInterface;
    *object = document.release();
    return win::kSOk;
  }
  return win::kEFail;
}

// A timer belongs to its window and ends with it; the same window and id replace the
// earlier timer. Without a window the timer gets an id of its own and lives with the
// application.
std::uintptr_t SetTimer(std::uint32_t window, std::uintptr_t id, std::uint32_t milliseconds,
                        TimerProcedure procedure) {
  QWidget* w = WindowOf(window);
  if (window != 0 && w == nullptr) return 0;
  static std::uintptr_t ownIds = 0x7000;
  if (w == nullptr) id = ++ownIds;
  QObject* owner = w != nullptr ? static_cast<QObject*>(w) : QCoreApplication::instance();
  const QString name = QStringLiteral("zorvelTimer%1").arg(id);
  delete owner->findChild<QTimer*>(name, Qt::FindDirectChildrenOnly);
  auto* timer = new QTimer(owner);
  timer->setObjectName(name);
  timer->setInterval(static_cast<int>(std::min<std::uint32_t>(std::max<std::uint32_t>(milliseconds, 10), 0x7FFFFFFF)));
  QObject::connect(timer, &QTimer::timeout, timer, [window, id, procedure] {
    static QElapsedTimer sinceStart;
    if (!sinceStart.isValid()) sinceStart.start();
    if (procedure != nullptr)
      procedure(window, win::kWmTimer, id, static_cast<std::uint32_t>(sinceStart.elapsed()));
  });
  timer->start();
  return id;
}

// Creates every folder of the path up to its last separator ("\" or "/"), each with
// access for the user alone; true when they all exist as folders (not links) afterwards.
std::int32_t MakeSureDirectoryPathExists(const char* path) {
  if (path == nullptr) return 0;
  std::string native = NativePath(path);
  const std::size_t last = native.rfind('/');
  if (last == std::string::npos || last == 0) return 1;
  native.resize(last);
  for (std::size_t slash = native.find('/', 1);; slash = native.find('/', slash + 1)) {
    const std::string part = native.substr(0, slash);
    struct stat st {};
    if (lstat(part.c_str(), &st) != 0) {
      if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return 0;
    } else if (!S_ISDIR(st.st_mode) && !(S_ISLNK(st.st_mode) && slash != std::string::npos)) {
      return 0;
    }
    if (slash == std::string::npos) break;
  }
  struct stat st {};
  return lstat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 1 : 0;
}

// The working set is the platform's memory manager's business; here the system keeps
// the pages the program touches, so trimming it has nothing to do and succeeds.
std::int32_t SetProcessWorkingSetSize(std::uint32_t /*process*/, std::intptr_t /*minimum*/,
                                      std::intptr_t /*maximum*/) {
  return 1;
}

template <class Procedure>
void* Address(Procedure procedure) {
  return reinterpret_cast<void*>(procedure);
}

}  // namespace

std::intptr_t DefaultWindowProcedure(std::uint32_t, std::uint32_t, std::uintptr_t, std::intptr_t) {
  ProcedureFilter::MarkDefaultReached();
  return 0;
}

void ProvidePlatformProcedures() {
  ProvideProcedure("atl.dll", "AtlAxWinInit", Address(&AtlAxWinInit));
  ProvideProcedure("atl.dll", "AtlAxGetControl", Address(&AtlAxGetControl));
  ProvideProcedure("Kernel32.dll", "GetModuleHandleA", Address(&GetModuleHandleA));
  ProvideProcedure("Kernel32.dll", "SetProcessWorkingSetSize", Address(&SetProcessWorkingSetSize));
  ProvideProcedure("User32.dll", "CreateWindowExA", Address(&CreateWindowExA));
  ProvideProcedure("User32.dll", "GetWindowRect", Address(&GetWindowRect));
  ProvideProcedure("User32.dll", "GetWindowLongA", Address(&GetWindowLongA));
  ProvideProcedure("User32.dll", "SetWindowLongA", Address(&SetWindowLongA));
  ProvideProcedure("User32.dll", "SetLayeredWindowAttributes", Address(&SetLayeredWindowAttributes));
  ProvideProcedure("User32.dll", "MoveWindow", Address(&MoveWindow));
  ProvideProcedure("User32.dll", "FindWindowExA", Address(&FindWindowExA));
  ProvideProcedure("User32.dll", "CallWindowProcA", Address(&CallWindowProcA));
  ProvideProcedure("User32.dll", "GetClassNameA", Address(&GetClassNameA));
  ProvideProcedure("User32.dll", "RegisterWindowMessageA", Address(&RegisterWindowMessageA));
  ProvideProcedure("User32.dll", "SendMessageTimeoutA", Address(&SendMessageTimeoutA));
  ProvideProcedure("User32.dll", "SetTimer", Address(&SetTimer));
  ProvideProcedure("OLEACC.DLL", "ObjectFromLresult", Address(&ObjectFromLresult));
  ProvideProcedure("IMAGEHLP.DLL", "MakeSureDirectoryPathExists", Address(&MakeSureDirectoryPathExists));
}

}  // namespace zorvel::forms
