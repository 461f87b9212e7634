#include "windows/units/pic_box/box_border.h"

#include "runtime/picture/draw.h"

namespace zorvel::forms {

namespace {

// The system's 3-D colours.
constexpr QRgb kHighlight = 0xFFFFFFFF;
constexpr QRgb kLight = 0xFFE3E3E3;
constexpr QRgb kShadow = 0xFFA0A0A0;
constexpr QRgb kDarkShadow = 0xFF696969;
constexpr QRgb kFrameLine = 0xFF000000;


void Sunken(QPainter& p, const QRect& box) {
  DrawEdgeRing(p, box, kShadow, kHighlight);
  DrawEdgeRing(p, box.adjusted(1, 1, -1, -1), kDarkShadow, kLight);
}

void Raised(QPainter& p, const QRect& box) {
  DrawEdgeRing(p, box, kLight, kDarkShadow);
  DrawEdgeRing(p, box.adjusted(1, 1, -1, -1), kHighlight, kShadow);
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
    case 3: DrawEdgeRing(painter, box, kShadow, kHighlight); break;
    case 4:
      Raised(painter, box);
      Sunken(painter, box.adjusted(2, 2, -2, -2));
      break;
    case 5: DrawEdgeRing(painter, box, kFrameLine, kFrameLine); break;
    default: break;
  }
  painter.restore();
}

}  // namespace zorvel::forms
