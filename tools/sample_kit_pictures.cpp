#include "tools/sample_kit_pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QtMath>
#include <cstdint>

namespace zorvel::tools::kit {
namespace {

// A small fixed-seed generator, so that every run scatters the decorations alike.
class Scatter {
 public:
  explicit Scatter(std::uint32_t seed) : state_(seed) {}
  // Uniform in [low, high).
  double Between(double low, double high) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return low + (high - low) * (state_ / 4294967296.0);
  }

 private:
  std::uint32_t state_;
};

QColor WithAlpha(QColor c, int alpha) {
  c.setAlpha(alpha);
  return c;
}

// How far (x, y) lies toward the picture's edges: 0 in the middle, 1 on the ellipse that
// touches the four sides, more in the corners.
double Edgeness(double x, double y, double width, double height) {
  const double u = (x - width / 2) / (width / 2), v = (y - height / 2) / (height / 2);
  return u * u + v * v;
}

// A star of `points` points around (cx, cy); inner / outer radius ratio `pinch`.
QPainterPath StarPath(double cx, double cy, double radius, int points, double pinch, double turn = -M_PI / 2) {
  QPainterPath path;
  for (int i = 0; i < points * 2; ++i) {
    const double r = i % 2 == 0 ? radius : radius * pinch;
    const double a = turn + M_PI * i / points;
    const QPointF p(cx + r * std::cos(a), cy + r * std::sin(a));
    if (i == 0) path.moveTo(p);
    else path.lineTo(p);
  }
  path.closeSubpath();
  return path;
}

// ---------------------------------------------------------------------------------------
// The background.

// Wedges of soft gold light fanning down from above the top middle.
void LightFromAbove(QPainter& p) {
  const QPointF origin(kBackgroundWidth / 2.0, -300);
  QRadialGradient fade(origin, 1500);
  fade.setColorAt(0.15, QColor(255, 214, 120, 46));
  fade.setColorAt(0.6, QColor(255, 200, 100, 16));
  fade.setColorAt(1.0, QColor(255, 200, 100, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(fade);
  constexpr int kWedges = 30;
  for (int i = 0; i < kWedges; i += 2) {
    const double a0 = M_PI * (0.12 + 0.76 * i / kWedges), a1 = M_PI * (0.12 + 0.76 * (i + 1) / kWedges);
    QPainterPath wedge(origin);
    wedge.lineTo(origin + QPointF(2000 * std::cos(a0), 2000 * std::sin(a0)));
    wedge.lineTo(origin + QPointF(2000 * std::cos(a1), 2000 * std::sin(a1)));
    wedge.closeSubpath();
    p.drawPath(wedge);
  }
}

// Out-of-focus lights: soft gold discs, some with a brighter rim, only toward the edges.
void Bokeh(QPainter& p, Scatter& scatter) {
  p.setPen(Qt::NoPen);
  for (int placed = 0; placed < 90;) {
    const double x = scatter.Between(0, kBackgroundWidth), y = scatter.Between(0, kBackgroundHeight);
    const double r = scatter.Between(14, 72), alpha = scatter.Between(26, 86);
    const bool ring = scatter.Between(0, 1) < 0.3;
    if (Edgeness(x, y, kBackgroundWidth, kBackgroundHeight) < 0.8) continue;
    ++placed;
    QRadialGradient disc(QPointF(x, y), r);
    const QColor gold(255, 206, 96);
    disc.setColorAt(0, WithAlpha(gold, static_cast<int>(alpha * (ring ? 0.4 : 1))));
    disc.setColorAt(0.82, WithAlpha(gold, static_cast<int>(alpha * (ring ? 0.9 : 0.75))));
    disc.setColorAt(1, WithAlpha(gold, 0));
    p.setBrush(disc);
    p.drawEllipse(QPointF(x, y), r, r);
  }
}

// Gold confetti: small turned strips and dots, thick at the edges and in the corners.
void Confetti(QPainter& p, Scatter& scatter) {
  const QColor colours[] = {{255, 214, 84}, {255, 236, 160}, {246, 170, 40}, {226, 150, 24}, {255, 120, 60}};
  p.setPen(Qt::NoPen);
  for (int placed = 0; placed < 260;) {
    const double x = scatter.Between(0, kBackgroundWidth), y = scatter.Between(0, kBackgroundHeight);
    const double turn = scatter.Between(0, 180), size = scatter.Between(7, 15);
    const int colour = static_cast<int>(scatter.Between(0, 5));
    const double shape = scatter.Between(0, 1);
    if (Edgeness(x, y, kBackgroundWidth, kBackgroundHeight) < 1.0) continue;
    ++placed;
    p.save();
    p.translate(x, y);
    p.rotate(turn);
    p.setBrush(colours[colour]);
    if (shape < 0.6) p.drawRect(QRectF(-size / 2, -size, size, size * 2));
    else if (shape < 0.85) p.drawEllipse(QPointF(0, 0), size * 0.5, size * 0.5);
    else p.drawPath(StarPath(0, 0, size, 5, 0.45));
    p.restore();
  }
}

// A red silk lantern hanging on a cord from the top edge: gold caps, ribs, the character
// 福 in gold, and a gold tassel.
void Lantern(QPainter& p, double cx, double top, double size) {
  const QColor gold(250, 196, 64), darkGold(176, 112, 16);
  const double rx = size * 0.62, ry = size * 0.5, cy = top + size * 0.12 + ry;
  // A warm halo, so that the red silk stands out from the red ground.
  QRadialGradient halo(QPointF(cx, cy), rx * 1.7);
  halo.setColorAt(0.45, QColor(255, 190, 80, 110));
  halo.setColorAt(1, QColor(255, 190, 80, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(halo);
  p.drawEllipse(QPointF(cx, cy), rx * 1.7, rx * 1.7);
  p.setPen(QPen(darkGold, 3));
  p.drawLine(QPointF(cx, 0), QPointF(cx, top));
  // The body.
  QRadialGradient silk(QPointF(cx - rx * 0.25, cy - ry * 0.3), rx * 1.3);
  silk.setColorAt(0, QColor(255, 92, 60));
  silk.setColorAt(0.5, QColor(214, 24, 30));
  silk.setColorAt(1, QColor(116, 0, 12));
  p.setPen(Qt::NoPen);
  p.setBrush(silk);
  p.drawEllipse(QPointF(cx, cy), rx, ry);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(150, 10, 16, 170), 2.5));
  for (const double k : {0.25, 0.55, 0.82}) p.drawEllipse(QPointF(cx, cy), rx * k, ry);
  p.drawLine(QPointF(cx, cy - ry), QPointF(cx, cy + ry));
  // The character.
  QFont font("Noto Sans CJK SC");
  font.setPixelSize(static_cast<int>(size * 0.42));
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(255, 214, 90));
  p.drawText(QRectF(cx - rx, cy - ry, rx * 2, ry * 2), Qt::AlignCenter, QString::fromUtf8("福"));
  // Caps.
  QLinearGradient metal(QPointF(cx - rx * 0.5, 0), QPointF(cx + rx * 0.5, 0));
  metal.setColorAt(0, darkGold);
  metal.setColorAt(0.4, gold);
  metal.setColorAt(1, darkGold);
  p.setPen(Qt::NoPen);
  p.setBrush(metal);
  const double capW = rx * 1.0, capH = size * 0.13;
  p.drawRoundedRect(QRectF(cx - capW / 2, top, capW, capH), 4, 4);
  p.drawRoundedRect(QRectF(cx - capW / 2, cy + ry - capH * 0.2, capW, capH), 4, 4);
  // Tassel.
  const double tasselTop = cy + ry + capH * 0.8;
  p.setBrush(gold);
  p.drawEllipse(QPointF(cx, tasselTop + 6), 7, 7);
  p.setPen(QPen(gold, 2.2));
  for (int i = -5; i <= 5; ++i)
    p.drawLine(QPointF(cx + i * 1.6, tasselTop + 10), QPointF(cx + i * 3.2, tasselTop + size * 0.55));
}

// A thin double gold line around the picture with a small star at each corner.
void GoldFrame(QPainter& p, int width, int height, double inset, double scale) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(250, 200, 80, 190), 3 * scale));
  p.drawRect(QRectF(inset, inset, width - 2 * inset, height - 2 * inset));
  p.setPen(QPen(QColor(250, 200, 80, 120), 1.5 * scale));
  const double inner = inset + 10 * scale;
  p.drawRect(QRectF(inner, inner, width - 2 * inner, height - 2 * inner));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 220, 110));
  for (const QPointF& c : {QPointF(inset, inset), QPointF(width - inset, inset), QPointF(inset, height - inset),
                           QPointF(width - inset, height - inset)})
    p.drawPath(StarPath(c.x(), c.y(), 16 * scale, 4, 0.35, 0));
}

// ---------------------------------------------------------------------------------------
// The prize cards.

struct CardScheme {
  QColor light, dark;       // the ground, from its middle to its edges
  QColor frame;             // frame and stars
  QColor textTop, textBottom, outline;
};

const CardScheme kSchemes[8] = {
    {{214, 28, 36}, {112, 0, 12}, {255, 206, 70}, {255, 240, 150}, {246, 176, 24}, {96, 0, 0}},      // red, gold
    {{50, 110, 224}, {10, 30, 110}, {226, 234, 248}, {255, 255, 255}, {196, 214, 240}, {8, 20, 76}},  // blue, silver
    {{30, 170, 96}, {0, 70, 40}, {255, 210, 80}, {255, 240, 160}, {250, 190, 40}, {0, 50, 24}},       // green, gold
    {{150, 70, 214}, {56, 10, 104}, {255, 200, 236}, {255, 240, 180}, {255, 206, 110}, {44, 0, 80}},  // purple
    {{255, 160, 40}, {204, 76, 0}, {180, 20, 20}, {236, 30, 30}, {160, 0, 10}, {255, 246, 200}},    // orange, red
    {{0, 186, 200}, {0, 86, 110}, {220, 255, 250}, {255, 255, 255}, {200, 246, 246}, {0, 64, 80}},    // teal
    {{240, 80, 160}, {140, 10, 80}, {255, 226, 120}, {255, 255, 240}, {255, 220, 150}, {110, 0, 60}}, // pink
    {{84, 70, 64}, {16, 12, 14}, {240, 190, 70}, {255, 236, 150}, {232, 164, 30}, {60, 24, 0}},       // black, gold
};

const char* const kPrizeNames[8] = {"一等奖", "二等奖", "三等奖", "四等奖", "五等奖", "六等奖", "七等奖", "八等奖"};

}  // namespace

QImage Background() {
  QImage image(kBackgroundWidth, kBackgroundHeight, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient ground(QPointF(kBackgroundWidth / 2.0, kBackgroundHeight * 0.55), 1250);
  ground.setColorAt(0, QColor(204, 20, 34));
  ground.setColorAt(0.45, QColor(150, 6, 22));
  ground.setColorAt(1, QColor(50, 0, 8));
  p.fillRect(image.rect(), ground);
  LightFromAbove(p);
  // A warm glow along the bottom edge, as if from footlights.
  QLinearGradient footlights(QPointF(0, kBackgroundHeight), QPointF(0, kBackgroundHeight - 260));
  footlights.setColorAt(0, QColor(255, 170, 60, 70));
  footlights.setColorAt(1, QColor(255, 170, 60, 0));
  p.fillRect(image.rect(), footlights);
  Scatter scatter(0x5EED2025);
  Bokeh(p, scatter);
  Confetti(p, scatter);
  // Lanterns close to the sides, clear of the title in the top middle.
  Lantern(p, 125, 50, 175);
  Lantern(p, 262, 170, 100);
  Lantern(p, kBackgroundWidth - 125, 50, 175);
  Lantern(p, kBackgroundWidth - 262, 170, 100);
  GoldFrame(p, kBackgroundWidth, kBackgroundHeight, 14, 1.0);
  return image;
}

QImage PrizeCard(int level) {
  const CardScheme& s = kSchemes[(level - 1) & 7];
  QImage image(kCardWidth, kCardHeight, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF centre(kCardWidth / 2.0, kCardHeight / 2.0);
  QRadialGradient ground(centre, 960);
  ground.setColorAt(0, s.light);
  ground.setColorAt(1, s.dark);
  p.fillRect(image.rect(), ground);
  // Rays from the middle, every other one a little lighter.
  p.setPen(Qt::NoPen);
  p.setBrush(WithAlpha(s.light.lighter(135), 44));
  constexpr int kRays = 36;
  for (int i = 0; i < kRays; i += 2) {
    QPainterPath ray(centre);
    for (const int k : {i, i + 1}) {
      const double a = 2 * M_PI * k / kRays;
      ray.lineTo(centre + QPointF(1400 * std::cos(a), 1400 * std::sin(a)));
    }
    ray.closeSubpath();
    p.drawPath(ray);
  }
  // The frame: a broad band, a thin line inside it, small stars in the corners.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(s.frame, 14));
  p.drawRoundedRect(QRectF(34, 34, kCardWidth - 68, kCardHeight - 68), 36, 36);
  p.setPen(QPen(WithAlpha(s.frame, 200), 4));
  p.drawRoundedRect(QRectF(62, 62, kCardWidth - 124, kCardHeight - 124), 22, 22);
  p.setPen(Qt::NoPen);
  p.setBrush(s.frame);
  for (const QPointF& c : {QPointF(96, 96), QPointF(kCardWidth - 96, 96), QPointF(96, kCardHeight - 96),
                           QPointF(kCardWidth - 96, kCardHeight - 96)})
    p.drawPath(StarPath(c.x(), c.y(), 20, 4, 0.35, 0));
  // A five-pointed star on either side of the name.
  for (const double x : {158.0, kCardWidth - 158.0}) {
    const QPainterPath star = StarPath(x, centre.y(), 84, 5, 0.42);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawPath(star.translated(6, 8));
    QRadialGradient shine(QPointF(x - 25, centre.y() - 30), 120);
    shine.setColorAt(0, s.frame.lighter(125));
    shine.setColorAt(1, s.frame.darker(130));
    p.setBrush(shine);
    p.setPen(QPen(s.outline, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(star);
    p.setPen(Qt::NoPen);
  }
  // The name: bold characters with a dark outline and a drop shadow, filling most of the
  // card so that it still reads when the card is shown small.
  QFont font("Noto Sans CJK SC");
  font.setPixelSize(350);
  font.setBold(true);
  QPainterPath text;
  text.addText(0, 0, font, QString::fromUtf8(kPrizeNames[(level - 1) & 7]));
  const QRectF box = text.boundingRect();
  text.translate(centre - box.center());
  p.setBrush(QColor(0, 0, 0, 110));
  p.drawPath(text.translated(10, 14));
  p.setPen(QPen(s.outline, 26, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(text);
  QLinearGradient fill(QPointF(0, centre.y() - box.height() / 2), QPointF(0, centre.y() + box.height() / 2));
  fill.setColorAt(0, s.textTop);
  fill.setColorAt(1, s.textBottom);
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPath(text);
  return image;
}

}  // namespace zorvel::tools::kit
