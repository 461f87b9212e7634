// The movie host as the celebration effect uses it, on a 1920 × 1080 window with the
// colour key black (offscreen platform):
// - from navigation to the first frame painted into the window (page and movie read,
//   the player made, frame 1 drawn, keyed and painted), for each movie;
// - four seconds of playing through the event loop, with the processor time the process
//   spent (counter cpu_share, 1 = one core), for each movie and each way of showing a
//   keyed window (alpha, shape) and for a window without a key.
//
// QT_QPA_PLATFORM=offscreen build/dev/bench/movie_host_bench
#include <benchmark/benchmark.h>
#include <time.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/program_memory.h"
#include "resources/movies.h"
#include "tests/support/temp_folder.h"
#include "windows/movie_host.h"

namespace {

using namespace zorvel;
using Clock = std::chrono::steady_clock;

const QSize kScreen(1920, 1080);

double ProcessSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The page and movie of the effect, as the program writes them.
std::string WriteEffect(const test::TempFolder& folder, int movie) {
  const std::string name = "qarn-" + std::to_string(movie);
  if (!test::WriteBytes(folder / (name + ".swf"), resources::CelebrationMovie(movie))) std::abort();
  const std::string page = "<html><body style=\"margin:0;padding:0;border:0;overflow:hidden;background-color:#000000\" "
                           "scroll=\"no\">\n<embed src=\"" + name + ".swf\" width=\"1920\" height=\"1080\" "
                           "bgcolor=\"#000000\" quality=\"high\">\n</body></html>\n";
  if (!test::WriteBytes(folder / (name + ".qz"), page)) std::abort();
  return folder / (name + ".qz");
}

enum Way { kAlpha = 0, kShape = 1, kNoKey = 2 };

std::unique_ptr<QWidget> EffectWindow(Way way) {
  forms::ForceShapeSeeThroughForTests(way == kShape);
  auto window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
  window->resize(kScreen);
  if (way != kNoKey) forms::SetColourKey(window.get(), 0);
  window->show();
  QApplication::processEvents();
  return window;
}

void BM_NavigationToFirstFrame(benchmark::State& state) {
  const int movie = static_cast<int>(state.range(0));
  test::TempFolder folder("zorvel-bench");
  const std::string page = WriteEffect(folder, movie);
  for (auto _ : state) {
    auto window = EffectWindow(kAlpha);
    const Clock::time_point start = Clock::now();
    QWidget* host = forms::CreateMovieHost(window.get(), page, window->rect());
    host->show();
    window->repaint();  // paints the frame into the window at once
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
  state.SetLabel("movie " + std::to_string(movie));
}
BENCHMARK(BM_NavigationToFirstFrame)->DenseRange(1, 3)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_PlayFourSeconds(benchmark::State& state) {
  const int movie = static_cast<int>(state.range(0));
  const auto way = static_cast<Way>(state.range(1));
  test::TempFolder folder("zorvel-bench");
  const std::string page = WriteEffect(folder, movie);
  double share = 0;
  std::int64_t frames = 0;
  for (auto _ : state) {
    auto window = EffectWindow(way);
    const std::int64_t framesBefore = forms::MovieFramesDrawn();
    const double cpuStart = ProcessSeconds();
    const Clock::time_point start = Clock::now();
    forms::CreateMovieHost(window.get(), page, window->rect())->show();
    QEventLoop loop;
    QTimer::singleShot(4000, &loop, &QEventLoop::quit);
    loop.exec();
    share = (ProcessSeconds() - cpuStart) / std::chrono::duration<double>(Clock::now() - start).count();
    frames = forms::MovieFramesDrawn() - framesBefore;
  }
  state.counters["cpu_share"] = share;
  state.counters["frames_drawn"] = static_cast<double>(frames);
  static const char* kWays[] = {"alpha", "shape", "no key"};
  state.SetLabel("movie " + std::to_string(movie) + ", " + kWays[way]);
}
BENCHMARK(BM_PlayFourSeconds)
    ->ArgsProduct({{1, 2, 3}, {kAlpha, kShape, kNoKey}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  zorvel::app::KeepLargeBuffersBetweenDraws();  // as the program does
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
