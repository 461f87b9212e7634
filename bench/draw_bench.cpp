// A draw through the program's own windows and handlers on a 1920 × 1080 main window,
// offscreen, with a full-HD background and prize pictures: the time from the egg's click
// to the first spin frame painted, and the whole draw with the celebration effect off
// and the spin's frame pacing off (ten frames of smooth sampling included).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/egg_draw.h"
#include "app/facade.h"
#include "app/handlers.h"
#include "app/program_memory.h"
#include "app/main_window.h"
#include "forms/embedded.h"
#include "forms/form_data.h"
#include "windows/register_units.h"
#include "windows/window_commands.h"
#include "windows/windows.h"
#include "text/gbk.h"
#include "runtime/program.h"
#include "tests/support/qt_bmp.h"

namespace {

using namespace zorvel;
using Clock = std::chrono::steady_clock;

std::string Jpeg(int w, int h, int hue) {
  QImage image(w, h, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient g(0, 0, w, h);
  g.setColorAt(0, QColor::fromHsv(hue, 220, 200));
  g.setColorAt(1, QColor::fromHsv((hue + 40) % 360, 200, 90));
  p.fillRect(image.rect(), g);
  p.setPen(QPen(Qt::yellow, 12));
  for (int i = 0; i < 12; ++i) p.drawEllipse(QPoint(w / 2, h / 2), 40 + i * 60, 30 + i * 40);
  p.end();
  return test::JpegFile(image);
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// A program folder with the background, eight prize cards and the settings: weights by
// probability, no celebration effect.
std::string MakeFolder() {
  char pattern[] = "/tmp/zorvel-draw-bench-XXXXXX";
  const std::string folder = mkdtemp(pattern);
  Write(folder + "/底图.jpg", Jpeg(1920, 1080, 0));
  for (int level = 1; level <= 8; ++level)
    Write(folder + "/奖品图片/" + std::to_string(level) + ".jpg", Jpeg(1600, 900, level * 40));
  std::ofstream(folder + "/config.a", std::ios::binary)
      << gbk::FromUtf8("[zbt]\r\nlx=真\r\n禁用特效=真\r\n一=1\r\n二=2\r\n三=4\r\n四=8\r\n五=10\r\n六=15\r\n七=20\r\n八=50\r\n");
  return folder;
}

// Starts the program's main window on the folder, at 1920 × 1080.
void StartProgram(const std::string& folder) {
  SetRunDirectory(gbk::FromUtf8(folder));
  forms::ResetWindows();
  forms::RegisterUnitTypes();
  forms::ProvideWindowServices();
  forms::SetTemplates(*forms::ParseFormData(forms::EmbeddedFormData()));
  forms::SetHandlerTable(app::HandlerTable());
  forms::LoadAndShowWindow(ids::main::kWindow.window, nullptr, false);
  app::SetWidth(ids::main::kWindow, 1920);
  app::SetHeight(ids::main::kWindow, 1080);
  forms::Fire(ids::main::kWindow.window, 0, 4);  // size changed
  QApplication::processEvents();
  app::egg_draw::SetSpinFramePacing(std::chrono::milliseconds(0));
}

void ClickEgg() { forms::Fire(ids::main::kWindow.window, ids::main::kEgg5.id, 0); }

void ClickToFirstSpinFrame(benchmark::State& state) {
  const std::string folder = MakeFolder();
  StartProgram(folder);
  Clock::time_point clicked, firstFrame;
  app::egg_draw::SetSpinFrameObserver([&](int frame) {
    if (frame == 1) firstFrame = Clock::now();
  });
  for (auto _ : state) {
    clicked = Clock::now();
    ClickEgg();
    state.SetIterationTime(std::chrono::duration<double>(firstFrame - clicked).count());
    app::main_window::DismissPrize();
    QApplication::processEvents();
  }
  app::egg_draw::ResetTestHooks();
  forms::ResetWindows();
  std::filesystem::remove_all(folder);
}
BENCHMARK(ClickToFirstSpinFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

void WholeDraw(benchmark::State& state) {
  const std::string folder = MakeFolder();
  StartProgram(folder);
  for (auto _ : state) {
    ClickEgg();
    state.PauseTiming();
    app::main_window::DismissPrize();
    QApplication::processEvents();
    state.ResumeTiming();
  }
  app::egg_draw::ResetTestHooks();
  forms::ResetWindows();
  std::filesystem::remove_all(folder);
}
BENCHMARK(WholeDraw)->Unit(benchmark::kMillisecond)->UseRealTime();

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
