// A whole event in one process: 10 000 draws through the program's own windows and
// handlers (celebration effect off, spin pacing off), offscreen on the default screen.
// Prints the ledger's sum, the resident memory at draw 1 000 and at draw 10 000, the
// loaded windows, the live Qt objects and the open file handles before and after, and the
// processor time the program takes while it sits idle on the eggs screen.
//
//   draw_endurance_bench [draws]
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

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
#include "store/store.h"

namespace {

using namespace zorvel;

std::string Jpeg(int w, int h, QColor colour) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  return test::JpegFile(image);
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

int OpenHandles() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

int LiveObjects() {
  int n = 0;
  for (QWidget* w : QApplication::allWidgets()) n += 1 + static_cast<int>(w->findChildren<QObject*>().size());
  return n;
}

double ProcessorSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  zorvel::app::KeepLargeBuffersBetweenDraws();  // as the program does
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  const int draws = argc > 1 ? std::atoi(argv[1]) : 10000;

  char pattern[] = "/tmp/zorvel-endurance-XXXXXX";
  const std::string folder = mkdtemp(pattern);
  std::filesystem::create_directories(folder + "/奖品图片");
  std::ofstream(folder + "/底图.jpg", std::ios::binary) << Jpeg(1920, 1080, QColor(160, 20, 20));
  for (int level = 1; level <= 8; ++level)
    std::ofstream(folder + "/奖品图片/" + std::to_string(level) + ".jpg", std::ios::binary)
        << Jpeg(1600, 900, QColor::fromHsv(level * 40, 200, 220));
  std::ofstream(folder + "/config.a", std::ios::binary)
      << gbk::FromUtf8("[zbt]\r\nlx=真\r\n禁用特效=真\r\n一=1\r\n二=2\r\n三=4\r\n四=8\r\n五=10\r\n六=15\r\n七=20\r\n八=50\r\n");

  SetRunDirectory(gbk::FromUtf8(folder));
  forms::RegisterUnitTypes();
  forms::ProvideWindowServices();
  forms::SetTemplates(*forms::ParseFormData(forms::EmbeddedFormData()));
  forms::SetHandlerTable(app::HandlerTable());
  forms::LoadAndShowWindow(ids::main::kWindow.window, nullptr, false);
  app::egg_draw::SetSpinFramePacing(std::chrono::milliseconds(0));
  QApplication::processEvents();

  // Idle on the eggs screen: the event loop runs for two seconds with nothing to do.
  const double idleStart = ProcessorSeconds();
  QEventLoop idle;
  QTimer::singleShot(2000, &idle, &QEventLoop::quit);
  idle.exec();
  const double idleSeconds = ProcessorSeconds() - idleStart;
  std::printf("idle on the eggs screen: %.4f s of processor time in 2 s (%.2f %%)\n", idleSeconds,
              idleSeconds / 2.0 * 100);

  const auto windows = forms::LoadedWindows().size();
  const int objects = LiveObjects(), handles = OpenHandles();
  long residentAt1000 = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 1; i <= draws; ++i) {
    forms::Fire(ids::main::kWindow.window, app::main_window::kEggs[i % 9].id, 0);
    app::main_window::DismissPrize();
    QApplication::processEvents();
    if (i == 1000) residentAt1000 = ResidentKiB();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double sum = 0;
  for (int level = 1; level <= 8; ++level) sum += store::Number(store::ReadWinCount(level));
  const long residentAtEnd = ResidentKiB();
  std::printf("draws: %d in %.1f s (%.1f ms a draw)\n", draws, seconds, seconds * 1000 / draws);
  std::printf("ledger sum: %.0f\n", sum);
  std::printf("resident memory: %ld KiB at draw 1000, %ld KiB at draw %d: %+ld KiB\n", residentAt1000, residentAtEnd,
              draws, residentAtEnd - residentAt1000);
  std::printf("loaded windows: %zu before, %zu after\n", windows, forms::LoadedWindows().size());
  std::printf("Qt objects under widgets: %d before, %d after\n", objects, LiveObjects());
  std::printf("open file handles: %d before, %d after\n", handles, OpenHandles());
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak resident memory: %ld KiB\n", usage.ru_maxrss);
  forms::ResetWindows();
  std::filesystem::remove_all(folder);
  return sum == draws ? 0 : 1;
}
