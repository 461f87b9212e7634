#include "app/test_draws.h"

#include <malloc.h>

#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/draw_record.h"
#include "app/egg_draw.h"
#include "app/handlers.h"
#include "app/main_window.h"
#include "runtime/command.h"
#include "runtime/commands.h"
#include "runtime/ui/message_box.h"
#include "windows/events.h"
#include "windows/window_commands.h"
#include "windows/windows.h"

namespace zorvel::app {

namespace {

long g_wanted = 0;  // 0: for ever
long g_done = 0;
long g_heapEvery = 0;  // ZORVEL_TEST_HEAP=N: the heap's figures every N draws

// What the heap holds: the bytes in use, the free bytes it keeps, and the blocks mapped
// on their own. Resident memory that grows while the bytes in use stay flat is the heap
// settling, not a leak.
void PrintHeap() {
  const struct mallinfo2 heap = mallinfo2();
  std::fprintf(stderr, "zorvel: heap after %ld draws: %zu KiB in use, %zu KiB free, %zu KiB mapped\n",
               g_done, heap.uordblks / 1024, heap.fordblks / 1024, heap.hblkhd / 1024);
}

void NextDraw() {
  // Until the start-up has loaded the main window.
  if (forms::FindLoadedWindow(kMainWindow) == nullptr) {
    QTimer::singleShot(10, NextDraw);
    return;
  }
  if (g_heapEvery > 0 && g_done % g_heapEvery == 0) PrintHeap();
  if (g_wanted > 0 && g_done >= g_wanted) {
    record::Ended();
    Call(cmd::EndProgram, 0);
    return;
  }
  // The eggs in turn, clicked through their handler as the mouse would; then the close
  // label's work, back to the eggs.
  forms::Fire(kMainWindow, main_window::kEggs[g_done % 9].id, 0);
  main_window::DismissPrize();
  ++g_done;
  // Back to the event loop between draws, as between two guests.
  QTimer::singleShot(0, NextDraw);
}

}  // namespace

void StartTestDraws() {
  const char* draws = std::getenv("ZORVEL_TEST_DRAWS");
  if (draws == nullptr || *draws == '\0') return;
  char* end = nullptr;
  g_wanted = std::strtol(draws, &end, 10);
  if (*end != '\0' || g_wanted < 0) {
    std::fprintf(stderr, "zorvel: ZORVEL_TEST_DRAWS=%s is no count of draws; no test draws.\n", draws);
    return;
  }
  if (const char* every = std::getenv("ZORVEL_TEST_HEAP")) g_heapEvery = std::atol(every);
  egg_draw::SetSpinFramePacing(std::chrono::milliseconds(0));
  // Nobody is at the screen: a message (the empty pool's, a runtime error's) goes to the
  // driver on standard error and takes its default answer, and the draws go on.
  ui::SetMessageBoxesToStandardError(true);
  if (const char* effects = std::getenv("ZORVEL_TEST_EFFECTS")) {
    if (std::strcmp(effects, "on") == 0) {
      egg_draw::SetEffectsShown(true);
      egg_draw::SetEffectDuration(1);
    } else if (std::strcmp(effects, "off") == 0) {
      egg_draw::SetEffectsShown(false);
    }
  }
  QTimer::singleShot(0, NextDraw);
}

}  // namespace zorvel::app
