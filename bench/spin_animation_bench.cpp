// The prize picture's spin animation on a full-screen stage, offscreen: one frame is
// destroy + set the template's scale + create (copy, scale, turn the 1920 × 1080
// template picture) + turn + synchronous repaint of the window. Measured per frame and
// for the whole loop of frames, as the draw runs it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>
#include <cmath>
#include <cstdlib>

#include "forms/form_writer.h"
#include "runtime/command.h"
#include "tests/support/raster_writers.h"
#include "tests/support/test_units.h"
#include "windows/register_units.h"
#include "windows/unit_ref.h"
#include "windows/units/cartoon/cartoon_box.h"
#include "windows/units/cartoon/cartoon_commands.h"
#include "windows/window_commands.h"
#include "windows/windows.h"

namespace {

using namespace zorvel;
using namespace zorvel::forms;

constexpr std::uint32_t kWindow = 0x52010001, kWindowUnit = 0x06010000;
constexpr std::uint32_t kStage = 0x16010020, kTemplate = 0x1601001f;

TypedValue Stage() { return MakeUnitArgument(kWindow, kStage, kCartoonBoxType); }
TypedValue Template() { return MakeUnitArgument(kWindow, kTemplate, kCartoonObjectType); }

void SetWord(std::uint32_t unit, int index, std::int64_t v) {
  UnitValue value;
  value.word = v;
  WriteUnitProperty(kWindow, unit, index, -1, value);
}

// A prize picture of the stage's size as the canvas hands it over: a 24-bit BMP.
std::string PrizePicture(int w, int h) {
  std::vector<std::uint32_t> samples(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      samples[static_cast<std::size_t>(y) * w + x] =
          static_cast<std::uint32_t>((x * 255 / w) << 16 | (y * 255 / h) << 8 | ((x ^ y) & 0xFF));
  const test::Bytes bmp = test::WriteBmp(w, h, samples);
  return std::string(bmp.begin(), bmp.end());
}

// The main window's stand-in: a borderless window of the given size with the stage
// (red, like the program's) and the template in it.
void LoadStage(int w, int h) {
  ResetWindows();
  ProvideWindowServices();
  WindowDescription window;
  window.id = kWindow;
  window.units.push_back(testing::WindowUnitDescription(kWindowUnit, 0, 0, w, h, {{9, testing::Word(0)}}));
  UnitDescription stage;
  stage.id = kStage;
  stage.type = kCartoonBoxType;
  stage.width = w;
  stage.height = h;
  stage.stored = testing::StoredBlock(*FindUnitLayout(kCartoonBoxType), {{9, testing::Word(0x000000FF)}});
  window.units.push_back(stage);
  UnitDescription object;
  object.id = kTemplate;
  object.type = kCartoonObjectType;
  object.width = object.height = 32;
  object.stored = testing::StoredBlock(*FindUnitLayout(kCartoonObjectType),
                                       {{cartoon_object::kMayRotate, testing::Word(1)},
                                        {cartoon_object::kScale, testing::Word(0)},
                                        {cartoon_object::kTintColour, testing::Word(0xFFFFFF)}});
  window.units.push_back(object);
  const std::vector<WindowDescription> windows{window};
  std::optional<FormData> data = ParseFormData(WriteFormData(windows));
  SetTemplates(std::move(*data));
  LoadAndShowWindow(kWindow, nullptr, false);
  QApplication::processEvents();
}

// Step 1 of the animation: the template takes the stage's size, scale 0 and the picture.
void PrepareTemplate(int w, int h, const std::string& picture) {
  SetWord(kTemplate, prop::kWidth, w);
  SetWord(kTemplate, prop::kHeight, h);
  SetWord(kTemplate, cartoon_object::kScale, 0);
  UnitValue value;
  value.bytes = picture;
  value.hasBytes = true;
  WriteUnitProperty(kWindow, kTemplate, cartoon_object::kPicture, -1, value);
}

// The synchronous repaint of a frame. The program refreshes the main window, which
// paints at once what the frame's changes asked to be repainted (the old and the new
// area of the sprite); full repaints the whole stage instead, the bound for a frame.
void Repaint(bool full) {
  if (full) FindUnitObject(kWindow, kStage)->Widget()->repaint();
  else FindLoadedWindow(kWindow)->Widget()->repaint();
}

// The loop of the animation (steps 2 to 5); returns the number of frames shown.
int SpinLoop(int w, int h, int step, bool full) {
  std::int32_t id = Call(cmd::CreateObject, Stage(), Template(), 0, 0).integer();
  const double ratio = static_cast<double>(w) / h;
  double x = w / 2.0;
  const double dy = (h / 2.0) / (950.0 / step);
  int shown = 0;
  for (int i = 1;; ++i) {
    Call(cmd::DestroyObjects, Stage(), id);
    SetWord(kTemplate, cartoon_object::kScale, static_cast<std::int64_t>(i * step));
    x -= dy * ratio;
    id = Call(cmd::CreateObject, Stage(), Template(), static_cast<std::int32_t>(std::trunc(x)),
              static_cast<std::int32_t>(std::trunc(h / 2.0 - i * dy)))
             .integer();
    Call(cmd::RotateObject, Stage(), id, static_cast<std::int32_t>(std::trunc(i * step / 2.7)));
    if (i * step - 950 > 0.0000001) {
      Call(cmd::DestroyObjects, Stage(), id);
      break;
    }
    Repaint(full);
    ++shown;
  }
  return shown;
}

// The whole loop: args width, height, step (0: the draw's own, trunc((w + h) / 33)),
// full (1: every frame repaints the whole stage).
void SpinAnimationLoop(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const int step = state.range(2) != 0 ? static_cast<int>(state.range(2)) : static_cast<int>((w + h) / 33.0);
  const bool full = state.range(3) != 0;
  LoadStage(w, h);
  PrepareTemplate(w, h, PrizePicture(w, h));
  int frames = 0;
  for (auto _ : state) frames = SpinLoop(w, h, step, full);
  state.counters["frames"] = frames;
  // Seconds per shown frame ("4m" is 4 ms).
  state.counters["per_frame"] = benchmark::Counter(
      frames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  ResetWindows();
}
BENCHMARK(SpinAnimationLoop)
    ->ArgNames({"w", "h", "step", "full"})
    ->Args({1920, 1080, 0, 0})   // the draw at full HD: 10 frames shown
    ->Args({1920, 1080, 54, 0})  // 18 frames at full HD (the step of a 1024 × 768 window)
    ->Args({1024, 768, 0, 0})    // the 18 frames of a 1024 × 768 window
    ->Args({1920, 1080, 0, 1})
    ->Args({1920, 1080, 54, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The animation with its first step: the picture set on the template (decoded once for
// the loop) before the loop runs.
void SpinAnimationWithPicture(benchmark::State& state) {
  constexpr int w = 1920, h = 1080;
  LoadStage(w, h);
  const std::string picture = PrizePicture(w, h);
  for (auto _ : state) {
    PrepareTemplate(w, h, picture);
    SpinLoop(w, h, static_cast<int>((w + h) / 33.0), false);
  }
  ResetWindows();
}
BENCHMARK(SpinAnimationWithPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

// One frame at scale i × 90 thousandths (i = 1 … 10 are the frames of the full-HD
// draw); full as for the loop.
void SpinFrame(benchmark::State& state) {
  constexpr int w = 1920, h = 1080, step = 90;
  const int i = static_cast<int>(state.range(0));
  const bool full = state.range(1) != 0;
  LoadStage(w, h);
  PrepareTemplate(w, h, PrizePicture(w, h));
  const double dy = (h / 2.0) / (950.0 / step);
  const double x = w / 2.0 - i * dy * w / h;
  std::int32_t id = Call(cmd::CreateObject, Stage(), Template(), 0, 0).integer();
  for (auto _ : state) {
    Call(cmd::DestroyObjects, Stage(), id);
    SetWord(kTemplate, cartoon_object::kScale, i * step);
    id = Call(cmd::CreateObject, Stage(), Template(), static_cast<std::int32_t>(x),
              static_cast<std::int32_t>(h / 2.0 - i * dy))
             .integer();
    Call(cmd::RotateObject, Stage(), id, static_cast<std::int32_t>(i * step / 2.7));
    Repaint(full);
  }
  ResetWindows();
}
BENCHMARK(SpinFrame)
    ->ArgNames({"i", "full"})
    ->ArgsProduct({{1, 4, 7, 10}, {0, 1}})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  zorvel::forms::RegisterUnitTypes();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
