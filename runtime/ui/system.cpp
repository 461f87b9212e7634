#include "runtime/ui/system.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "runtime/program.h"

namespace zorvel::cmd {

void Delay(TypedValue*, int argc, const TypedValue* args) {
  const std::int32_t ms = Arguments(argc, args).integer(0);
  if (ms <= 0 || !QCoreApplication::instance()) return;
  const std::uint32_t start = TickCount();
  // The loop sleeps until an event arrives or the timer wakes it at the end, so a long
  // delay uses no processor time while nothing happens; handlers run meanwhile.
  QTimer wake;
  wake.setSingleShot(true);
  QEventLoop loop;
  QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
  for (;;) {
    const std::uint32_t elapsed = TickCount() - start;
    if (elapsed > static_cast<std::uint32_t>(ms)) break;
    wake.start(static_cast<int>(static_cast<std::uint32_t>(ms) - elapsed + 1));
    loop.processEvents(QEventLoop::WaitForMoreEvents);
  }
}

void ProcessEvents(TypedValue*, int, const TypedValue*) {
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

namespace {
QSize PrimaryScreenSize() {
  const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                              ? QGuiApplication::primaryScreen()
                              : nullptr;
  return screen ? screen->size() : QSize();
}
}  // namespace

void ScreenWidth(TypedValue* result, int, const TypedValue*) {
  *result = TypedValue::Integer(PrimaryScreenSize().width());
}
void ScreenHeight(TypedValue* result, int, const TypedValue*) {
  *result = TypedValue::Integer(PrimaryScreenSize().height());
}

}  // namespace zorvel::cmd
