// The spin's turned picture at 1920 × 1080, drawn the three ways QPainter offers, at the
// program's scales and angles (frame i: i × 90 thousandths, i × 90 / 2.7 degrees):
// smooth (bilinear) sampling with antialiased edges, as the animation stage draws it;
// smooth sampling with hard edges; nearest pixels, as the stage drew it before.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cmath>


namespace {

constexpr int kW = 1920, kH = 1080;

QImage Prize() {
  QImage image(kW, kH, QImage::Format_RGB32);
  for (int y = 0; y < kH; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < kW; ++x) row[x] = qRgb(x * 255 / kW, y * 255 / kH, (x ^ y) & 0xFF);
  }
  return image;
}

// The stage's transform for frame i: centred at the frame's centre, scaled, turned.
QTransform FrameTransform(int frame) {
  const double scale = frame * 90 / 1000.0;
  const double angle = std::trunc(frame * 90 / 2.7);
  QTransform t;
  t.translate(kW / 2.0 - frame * 40.0, kH / 2.0 - frame * 20.0);
  t.scale(scale, scale);
  t.rotate(-angle);
  t.translate(-kW / 2.0, -kH / 2.0);
  return t;
}

// How the stage's turned picture is drawn: 0 smooth with antialiased edges (as the stage
// draws it), 1 smooth with hard edges, 2 nearest pixels.
void TurnedPicture(benchmark::State& state) {
  const QImage prize = Prize();
  QImage screen(kW, kH, QImage::Format_RGB32);
  screen.fill(Qt::red);
  const QTransform t = FrameTransform(static_cast<int>(state.range(0)));
  const int way = static_cast<int>(state.range(1));
  for (auto _ : state) {
    QPainter painter(&screen);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, way != 2);
    painter.setRenderHint(QPainter::Antialiasing, way == 0);
    painter.setTransform(t);
    painter.drawImage(QPointF(0, 0), prize);
    benchmark::DoNotOptimize(screen.bits());
  }
}
BENCHMARK(TurnedPicture)
    ->ArgNames({"frame", "way"})
    ->ArgsProduct({{1, 4, 7, 10}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
