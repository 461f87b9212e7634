// Regions for shaped units and drawing with a transparent colour.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstring>

#include "runtime/memory.h"
#include "runtime/picture/draw.h"

namespace {

// An egg: an ellipse of varied colours on white, like the program's eggs.
QImage Egg(int w, int h) {
  QImage egg(w, h, QImage::Format_RGB32);
  egg.fill(0xFFFFFFFF);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = (x - w / 2.0) / (w / 2.0 - 4), dy = (y - h / 2.0) / (h / 2.0 - 4);
      if (dx * dx + dy * dy <= 1.0) egg.setPixel(x, y, qRgb(200 + x % 50, 150 + y % 100, 0));
    }
  return egg;
}

// A full-screen picture with a complex outline: white holes of many shapes.
QImage Complex(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const double v = std::sin(x * 0.05) * std::cos(y * 0.07) + std::sin((x + y) * 0.013);
      row[x] = v > 0.6 ? 0xFFFFFFFFu : qRgb(x & 0xFF, y & 0xFF, 90);
    }
  }
  return image;
}

void RegionEgg(benchmark::State& state) {
  const QImage egg = Egg(200, 188);
  for (auto _ : state) benchmark::DoNotOptimize(zorvel::RegionFromBitmap(egg, 0xFFFFFF));
}
BENCHMARK(RegionEgg)->Unit(benchmark::kMicrosecond);

void RegionFullScreenComplex(benchmark::State& state) {
  const QImage image = Complex(1920, 1080);
  int rects = 0;
  for (auto _ : state) {
    const QRegion r = zorvel::RegionFromBitmap(image, 0xFFFFFF);
    rects = r.rectCount();
    benchmark::DoNotOptimize(r);
  }
  state.counters["rects"] = rects;
}
BENCHMARK(RegionFullScreenComplex)->Unit(benchmark::kMicrosecond);

zorvel::Picture* FullScreenPicture() {
  const QImage image = Complex(1920, 1080);
  auto* p = new zorvel::Picture;
  p->kind = zorvel::PictureKind::kBmp;
  p->width = 1920;
  p->height = 1080;
  p->pixelBytes = 1920 * 1080 * 3;
  p->pixels = static_cast<std::uint8_t*>(zorvel::Allocate(p->pixelBytes));
  for (int y = 0; y < 1080; ++y)
    for (int x = 0; x < 1920; ++x) {
      const QRgb c = image.pixel(x, y);
      std::uint8_t* out = p->pixels + ((1079 - y) * 1920 + x) * 3;
      out[0] = qBlue(c), out[1] = qGreen(c), out[2] = qRed(c);
    }
  return p;
}

// Drawing a prepared full-screen picture with transparent white onto a full-screen
// target; the keyed image is made on the first draw and kept.
void DrawTransparentFullScreen(benchmark::State& state) {
  zorvel::Picture* picture = FullScreenPicture();
  zorvel::PreparedPicture prepared;
  zorvel::PreparePicture(picture, prepared);
  QImage target(1920, 1080, QImage::Format_RGB32);
  target.fill(0xFF336699);
  QPainter painter(&target);
  for (auto _ : state) zorvel::DrawPicture(painter, prepared, 0, 0, -1, -1, -0xFFFFFF);
  painter.end();
  zorvel::FreePicture(picture);
}
BENCHMARK(DrawTransparentFullScreen)->Unit(benchmark::kMillisecond);

// The first draw with a colour, which keys the image out.
void DrawTransparentFirstTime(benchmark::State& state) {
  zorvel::Picture* picture = FullScreenPicture();
  QImage target(1920, 1080, QImage::Format_RGB32);
  QPainter painter(&target);
  for (auto _ : state) {
    state.PauseTiming();
    zorvel::PreparedPicture prepared;
    zorvel::PreparePicture(picture, prepared);
    state.ResumeTiming();
    zorvel::DrawPicture(painter, prepared, 0, 0, -1, -1, -0xFFFFFF);
  }
  painter.end();
  zorvel::FreePicture(picture);
}
BENCHMARK(DrawTransparentFirstTime)->Unit(benchmark::kMillisecond);

void DrawCopyStretched(benchmark::State& state) {
  zorvel::Picture* picture = FullScreenPicture();
  zorvel::PreparedPicture prepared;
  zorvel::PreparePicture(picture, prepared);
  QImage target(1920, 1080, QImage::Format_RGB32);
  QPainter painter(&target);
  for (auto _ : state) zorvel::DrawPicture(painter, prepared, 0, 0, 1600, 900, 0);
  painter.end();
  zorvel::FreePicture(picture);
}
BENCHMARK(DrawCopyStretched)->Unit(benchmark::kMillisecond);

}  // namespace
