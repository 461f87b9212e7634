#include "forms/units/pic_box/box_border.h"

namespace zorvel::forms {

namespace {

// The system's 3-D colours.
constexpr QRgb kHighlight = 0xFFFFFFFF;
constexpr QRgb kLight = 0xFFE3E3E3;
constexpr QRgb kShadow = 0xFFA0A0A0;
constexpr QRgb kDarkShadow = 0xFF696969;
constexpr QRgb kFrameLine = 0xFF000000;

// One ring of one pixel: topLeft along the top and left, bottomRight along the bottom
// and right.
void Ring(QPainter& p, const QRect& box, QRgb topLeft, QRgb bottomRight) {
  if (box.width() <= 0 || box.height() <= 0) return;
  p.setPen(QColor::fromRgb(topLeft));
  p.drawLine(box.topLeft(), box.topRight());
  p.drawLine(box.topLeft(), box.bottomLeft());
  p.setPen(QColor::fromRgb(bottomRight));
  p.drawLine(box.bottomLeft(), box.bottomRight());
  p.drawLine(box.topRight(), box.bottomRight());
}

void Sunken(QPainter& p, const QRect& box) {
  Ring(p, box, kShadow, kHighlight);
  Ring(p, box.adjusted(1, 1, -1, -1), kDarkShadow, kLight);
}

void Raised(QPainter& p, const QRect& box) {
  Ring(p, box, kLight, kDarkShadow);
  Ring(p, box.adjusted(1, 1, -1, -1), kHighlight, kShadow);
}

}  // namespace

int BorderWidth(int border) {
  switch (border) {
    case 1:
    case 2: return 2;
    case 3:
    case 5: return 1;
    case 4: return 4;
    default: return 0;
  }
}

void DrawBorder(QPainter& painter, const QRect& rect, int border) {
  const QRect box = rect.adjusted(0, 0, -1, -1);  // the outermost pixels
  painter.save();
  painter.setBrush(Qt::NoBrush);
  switch (border) {
    case 1: Sunken(painter, box); break;
    case 2: Raised(painter, box); break;
    case 3: Ring(painter, box, kShadow, kHighlight); break;
    case 4:
      Raised(painter, box);
      Sunken(painter, box.adjusted(2, 2, -2, -2));
      break;
    case 5: Ring(painter, box, kFrameLine, kFrameLine); break;
    default: break;
  }
  painter.restore();
}

}  // namespace zorvel::forms
