// zorvel-icon FOLDER: draws the program's icon, a golden egg with a red ribbon and a
// gleam, and writes it at the desktop's icon sizes as FOLDER/<N>x<N>/zorvel.png
// (N = 16, 32, 48, 64, 128, 256), the layout of the hicolor icon theme. Each size is
// painted at that size from the same outline, so small icons stay sharp.
// Exit status 0 done, 1 a file cannot be written, 2 bad usage.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

constexpr int kSizes[] = {16, 32, 48, 64, 128, 256};

// The egg's outline in a box of side s: broader below than above, like an egg standing.
QPainterPath EggOutline(double s) {
  const double cx = s / 2, top = s * 0.06, bottom = s * 0.94, halfWidth = s * 0.36;
  const double waist = top + (bottom - top) * 0.62;  // the widest line
  QPainterPath path;
  path.moveTo(cx, top);
  path.cubicTo(cx + halfWidth * 0.62, top, cx + halfWidth, waist - s * 0.28, cx + halfWidth, waist);
  path.cubicTo(cx + halfWidth, bottom - s * 0.06, cx + halfWidth * 0.55, bottom, cx, bottom);
  path.cubicTo(cx - halfWidth * 0.55, bottom, cx - halfWidth, bottom - s * 0.06, cx - halfWidth, waist);
  path.cubicTo(cx - halfWidth, waist - s * 0.28, cx - halfWidth * 0.62, top, cx, top);
  path.closeSubpath();
  return path;
}

QImage DrawIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  const QPainterPath egg = EggOutline(s);

  // Gold, lit from the upper left.
  QRadialGradient gold(QPointF(s * 0.38, s * 0.36), s * 0.62, QPointF(s * 0.36, s * 0.30));
  gold.setColorAt(0.0, QColor(255, 244, 170));
  gold.setColorAt(0.35, QColor(250, 204, 60));
  gold.setColorAt(0.8, QColor(214, 150, 20));
  gold.setColorAt(1.0, QColor(150, 92, 8));
  p.fillPath(egg, gold);

  // A red ribbon round the waist, clipped to the egg.
  p.save();
  p.setClipPath(egg);
  QLinearGradient red(QPointF(0, s * 0.56), QPointF(0, s * 0.70));
  red.setColorAt(0.0, QColor(230, 40, 40));
  red.setColorAt(1.0, QColor(160, 12, 20));
  p.fillRect(QRectF(0, s * 0.56, s, s * 0.13), red);
  p.restore();

  // The gleam: a soft white spot upper left.
  QRadialGradient gleam(QPointF(s * 0.37, s * 0.27), s * 0.11);
  gleam.setColorAt(0.0, QColor(255, 255, 255, 230));
  gleam.setColorAt(1.0, QColor(255, 255, 255, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(gleam);
  p.drawEllipse(QPointF(s * 0.37, s * 0.27), s * 0.11, s * 0.15);

  // A dark gold rim, at least one pixel wide.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(120, 70, 0), std::max(1.0, s / 48)));
  p.drawPath(egg);
  p.end();
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zorvel-icon FOLDER\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  for (const int size : kSizes) {
    const QString dir = folder + QStringLiteral("/%1x%1").arg(size);
    const QString file = dir + QStringLiteral("/zorvel.png");
    if (!QDir().mkpath(dir) || !DrawIcon(size).save(file, "PNG")) {
      std::fprintf(stderr, "zorvel-icon: cannot write %s\n", file.toLocal8Bit().constData());
      return 1;
    }
  }
  return 0;
}
