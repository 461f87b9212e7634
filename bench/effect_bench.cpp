// The celebration effect as the draw shows it, through the program's own windows and
// handlers: from the draw's load of the effect window (its created handler writes the
// movie and page, creates the movie host, which reads them and draws frame 1) to the
// first frame painted into the shown window; and the processor share of the whole
// process while the effect plays for four seconds, and in the second after it closed.
//
// On the screen it will show on: QT_QPA_PLATFORM=xcb DISPLAY=:N build/rel/bench/effect_bench
// (offscreen when no platform is set).
#include <benchmark/benchmark.h>
#include <time.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/dll_commands.h"
#include "app/effect_window.h"
#include "app/facade.h"
#include "app/handlers.h"
#include "app/program_memory.h"
#include "forms/embedded.h"
#include "forms/form_data.h"
#include "runtime/dll.h"
#include "runtime/program.h"
#include "text/gbk.h"
#include "windows/movie_host.h"
#include "windows/platform_procedures.h"
#include "windows/register_units.h"
#include "windows/window_commands.h"
#include "windows/windows.h"

namespace {

using namespace zorvel;
using Clock = std::chrono::steady_clock;

double ProcessSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void Wait(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

struct Program {
  std::string folder;
  Program() {
    char pattern[] = "/tmp/zorvel-effect-bench-XXXXXX";
    folder = mkdtemp(pattern);
    setenv("XDG_CACHE_HOME", (folder + "/cache").c_str(), 1);
    SetRunDirectory(gbk::FromUtf8(folder));
    forms::ResetWindows();
    forms::RegisterUnitTypes();
    forms::ProvideWindowServices();
    forms::ProvidePlatformProcedures();
    DeclareDllCommands(app::dll::ProgramDllCommands());
    forms::SetTemplates(*forms::ParseFormData(forms::EmbeddedFormData()));
    forms::SetHandlerTable(app::HandlerTable());
    forms::LoadAndShowWindow(ids::main::kWindow.window, nullptr, false);
    QApplication::processEvents();
  }
  ~Program() {
    forms::ResetWindows();
    std::filesystem::remove_all(folder);
  }
};

QWidget* EffectWidget() {
  forms::LoadedWindow* w = forms::FindLoadedWindow(ids::effect::kWindow.window);
  return w != nullptr ? w->Widget() : nullptr;
}

void LoadToFirstFramePainted(benchmark::State& state) {
  Program program;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    app::LoadOver(ids::effect::kWindow, ids::main::kWindow);
    app::Show(ids::effect::kWindow);
    EffectWidget()->repaint();  // the frame drawn at load, painted into the window
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    state.PauseTiming();
    app::CloseWindow(ids::effect::kWindow);
    QApplication::processEvents();
    state.ResumeTiming();
  }
  state.SetLabel(std::to_string(app::Width(ids::main::kWindow)) + " x " + std::to_string(app::Height(ids::main::kWindow)) +
                 " screen");
}
BENCHMARK(LoadToFirstFramePainted)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

// Four seconds of the effect with the movie of the range's number, then one second after.
void FourSecondsOfFireworks(benchmark::State& state) {
  Program program;
  const int movie = static_cast<int>(state.range(0));
  double during = 0, after = 0;
  int runs = 0;
  for (auto _ : state) {
    // Seeds until the handler picks the movie asked for.
    do {
      if (app::IsOpen(ids::effect::kWindow)) app::CloseWindow(ids::effect::kWindow);
      QApplication::processEvents();
      app::LoadOver(ids::effect::kWindow, ids::main::kWindow);
    } while (app::effect_window::LastMovie() != movie);
    app::Show(ids::effect::kWindow);
    const double start = ProcessSeconds();
    Wait(4000);
    during += (ProcessSeconds() - start) / 4.0;
    app::CloseWindow(ids::effect::kWindow);
    QApplication::processEvents();
    const double closed = ProcessSeconds();
    Wait(1000);
    after += ProcessSeconds() - closed;
    ++runs;
  }
  state.counters["cpu_share_during"] = during / runs;
  state.counters["cpu_share_after"] = after / runs;
  state.SetLabel("movie " + std::to_string(movie) + ", " +
                 (QGuiApplication::platformName() == "offscreen" ? "offscreen" : "on the screen"));
}
BENCHMARK(FourSecondsOfFireworks)->DenseRange(1, 3)->Iterations(2)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  zorvel::app::KeepLargeBuffersBetweenDraws();  // as the program does
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
