// The program's start, timed as a tool run: from starting the process to the first paint
// of the main window (1920 × 1080 offscreen screen, a full-HD background picture, the
// sample settings), beside a bare Qt window of the same size started the same way; with
// the peak resident memory of each. Every start is a process of its own: this program
// runs itself with --zorvel DIR or --bare, which end right after their first paint.
//
//   startup_bench [runs]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/handlers.h"
#include "app/program_memory.h"
#include "forms/embedded.h"
#include "windows/runtime_app.h"
#include "windows/windows.h"
#include "text/gbk.h"
#include "runtime/program.h"
#include "tests/support/qt_bmp.h"

namespace {

// Ends the process once the first paint of the window (or of a unit in it) is done.
class FirstPaint : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::Paint && !done_ && widget != nullptr) {
      done_ = true;
      QTimer::singleShot(0, [] { _exit(0); });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool done_ = false;
};

int RunZorvel(int argc, char** argv, const char* folder) {
  zorvel::app::KeepLargeBuffersBetweenDraws();  // as the program does
  zorvel::SetRunDirectory(zorvel::gbk::FromUtf8(folder));
  zorvel::forms::RuntimeApp app(argc, argv);
  // The main window is the only window the start shows: any paint is part of it.
  FirstPaint watcher;
  qApp->installEventFilter(&watcher);
  return app.Run(zorvel::forms::EmbeddedFormData(), zorvel::app::HandlerTable(), zorvel::app::kMainWindow);
}

int RunBare(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setGeometry(0, 0, 1920, 1080);
  FirstPaint watcher;
  window.installEventFilter(&watcher);
  window.show();
  return app.exec();
}

struct Run {
  double milliseconds;
  long peakKiB;
};

Run Start(const char* self, const std::vector<std::string>& args) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv{const_cast<char*>(self)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(self, argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "a start failed (status %d)\n", status);
  return {ms, usage.ru_maxrss};
}

std::string Background() {
  QImage image(1920, 1080, QImage::Format_RGB32);
  QPainter p(&image);
  QRadialGradient g(960, 400, 1200);
  g.setColorAt(0, QColor(230, 40, 30));
  g.setColorAt(1, QColor(90, 0, 10));
  p.fillRect(image.rect(), g);
  p.end();
  return zorvel::test::JpegFile(image);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--zorvel") == 0) return RunZorvel(argc, argv, argv[2]);
  if (argc >= 2 && std::strcmp(argv[1], "--bare") == 0) return RunBare(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

  char pattern[] = "/tmp/zorvel-start-XXXXXX";
  const std::string folder = mkdtemp(pattern);
  const std::string screen = folder + "/screen.json";
  std::ofstream(screen) << R"({"screens": [{"name": "big", "x": 0, "y": 0, "width": 1920, "height": 1080,
                                "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
  setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screen).c_str(), 1);
  {
    int zero = 0;
    QGuiApplication painter(zero, nullptr);  // for the JPEG writer
    std::ofstream(folder + "/底图.jpg", std::ios::binary) << Background();
  }
  std::ofstream(folder + "/config.a", std::ios::binary) << zorvel::gbk::FromUtf8("[zbt]\r\n金蛋个数=9\r\n");

  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  self[n > 0 ? n : 0] = 0;
  std::vector<double> zorvelMs, bareMs;
  long zorvelPeak = 0, barePeak = 0;
  for (int i = 0; i < runs; ++i) {
    const Run z = Start(self, {"--zorvel", folder});
    const Run b = Start(self, {"--bare"});
    zorvelMs.push_back(z.milliseconds);
    bareMs.push_back(b.milliseconds);
    zorvelPeak = std::max(zorvelPeak, z.peakKiB);
    barePeak = std::max(barePeak, b.peakKiB);
  }
  const double z = Median(zorvelMs), b = Median(bareMs);
  std::printf("start to first paint, median of %d: zorvel %.1f ms, bare Qt window %.1f ms, ratio %.2f\n", runs, z, b,
              z / b);
  std::printf("peak resident memory: zorvel %.1f MiB, bare Qt window %.1f MiB\n", zorvelPeak / 1024.0,
              barePeak / 1024.0);
  std::filesystem::remove_all(folder);
  return 0;
}
