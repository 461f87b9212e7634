// The fireworks movies as the effect plays them on a big screen:
// - reading each embedded movie (inflating a compressed one included);
// - the busiest frame of each, drawn into a 1920 × 1080 image, beside the floor: QPainter
//   drawing as many filled, antialiased circles of the same sizes straight into the image;
// - four seconds of playing at the movie's own rate into a 1920 × 1080 image, by the
//   clock, with the processor time the process spent (counter cpu_share, 1 = one core).
//
// build/bench/bench/movie_bench
#include <benchmark/benchmark.h>
#include <time.h>

#include <QGuiApplication>
#include <QPainter>
#include <chrono>
#include <thread>
#include <vector>

#include "app/program_memory.h"
#include "resources/movies.h"
#include "runtime/movie/movie.h"
#include "runtime/movie/player.h"
#include "runtime/movie/render.h"
#include "runtime/movie/timeline.h"

namespace {

using namespace zorvel;
using Clock = std::chrono::steady_clock;

const QSize kScreen(1920, 1080);

std::unique_ptr<movie::Movie> Read(int number) {
  const std::string_view bytes = resources::CelebrationMovie(number);
  return movie::ReadMovie(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

double ProcessSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_ReadMovie(benchmark::State& state) {
  const int number = static_cast<int>(state.range(0));
  for (auto _ : state) {
    auto movie = Read(number);
    if (!movie) state.SkipWithError("the movie is refused");
    benchmark::DoNotOptimize(movie.get());
  }
  state.SetLabel("movie " + std::to_string(number));
}
BENCHMARK(BM_ReadMovie)->DenseRange(1, 3)->Unit(benchmark::kMillisecond);

// The frame of one pass with the most shapes drawn at 1920 × 1080.
std::int64_t BusiestFrame(const movie::Movie& m, int* shapes) {
  movie::Timeline timeline(m);
  movie::Renderer renderer(m);
  QImage image = movie::MakeFrameImage(QSize(480, 270));
  const std::int64_t frames = std::max<std::int64_t>(1, m.info().frameCount);
  std::int64_t best = 1;
  int most = -1;
  for (std::int64_t n = 1; n <= frames; ++n) {
    timeline.GoTo(n);
    renderer.Render(timeline, image, false);
    if (renderer.drawnShapes() > most) {
      most = renderer.drawnShapes();
      best = n;
    }
  }
  *shapes = most;
  return best;
}

// The busiest frame as playback reaches it: a fresh renderer draws the pass from frame 1
// into the same image, and only the busiest frame's drawing is timed, so its bitmaps of
// small shapes are those the frames before it left, as when the effect plays.
void BM_BusiestFrame(benchmark::State& state) {
  const int number = static_cast<int>(state.range(0));
  auto m = Read(number);
  if (!m) return state.SkipWithError("the movie is refused");
  int shapes = 0;
  const std::int64_t frame = BusiestFrame(*m, &shapes);
  QImage image = movie::MakeFrameImage(kScreen);
  int cached = 0, drawnFirst = 0;
  for (auto _ : state) {
    movie::Timeline timeline(*m);
    movie::Renderer renderer(*m);
    for (std::int64_t n = 1; n < frame; ++n) {
      renderer.Render(timeline, image, false);
      timeline.Next();
    }
    const Clock::time_point start = Clock::now();
    renderer.Render(timeline, image, false);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    benchmark::DoNotOptimize(image.constBits());
    cached = renderer.cachedShapes();
    drawnFirst = renderer.newBitmaps();
  }
  state.counters["frame"] = static_cast<double>(frame);
  state.counters["shapes"] = shapes;
  state.counters["from_bitmaps"] = cached;
  state.counters["new_bitmaps"] = drawnFirst;
  state.SetLabel("movie " + std::to_string(number));
}
BENCHMARK(BM_BusiestFrame)->DenseRange(1, 3)->UseManualTime()->Unit(benchmark::kMillisecond);

// The floor: the same number of filled circles of a spark's size on screen (the stage
// fitted into 1920 × 1080 makes a 550-pixel-wide spark of radius 3 about 8 pixels),
// each with its own alpha, drawn antialiased straight into a cleared image.
void BM_CirclesFloor(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  QImage image = movie::MakeFrameImage(kScreen);
  std::vector<QRectF> circles;
  std::uint32_t seed = 12345;
  const auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  for (int i = 0; i < count; ++i)
    circles.emplace_back(next() % 1800 + 60, next() % 960 + 60, 4 + next() % 8, 4 + next() % 8);
  for (auto _ : state) {
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
      painter.setBrush(QColor(255, 200, 60, 80 + i % 175));
      painter.drawEllipse(circles[static_cast<std::size_t>(i)]);
    }
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_CirclesFloor)->Arg(300)->Arg(400)->Unit(benchmark::kMillisecond);

// Four seconds of playing by the clock, polled every 4 ms as a timer would, drawing only
// when the frame changes.
void BM_PlayFourSeconds(benchmark::State& state) {
  const int number = static_cast<int>(state.range(0));
  auto m = Read(number);
  if (!m) return state.SkipWithError("the movie is refused");
  double share = 0;
  int drawn = 0;
  for (auto _ : state) {
    movie::Player player(*m, kScreen, false);
    const double cpuStart = ProcessSeconds();
    const Clock::time_point start = Clock::now();
    drawn = 0;
    for (Clock::time_point now = start; now - start < std::chrono::seconds(4); now = Clock::now()) {
      drawn += player.Update(now - start) ? 1 : 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    share = (ProcessSeconds() - cpuStart) / std::chrono::duration<double>(Clock::now() - start).count();
  }
  state.counters["cpu_share"] = share;
  state.counters["frames_drawn"] = drawn;
  state.SetLabel("movie " + std::to_string(number));
}
BENCHMARK(BM_PlayFourSeconds)->DenseRange(1, 3)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);  // fonts and painting need the application
  zorvel::app::KeepLargeBuffersBetweenDraws();  // as the program does
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
