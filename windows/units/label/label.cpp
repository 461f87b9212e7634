#include "windows/units/label/label.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

#include "windows/font.h"
#include "windows/units/control_common/control_common.h"

namespace zorvel::forms {

namespace lp = label_property;

namespace {

// The three-dimensional edge colours of the system.
const QColor kHighlight{255, 255, 255};
const QColor kLight{227, 227, 227};
const QColor kShadow{160, 160, 160};
const QColor kDarkShadow{105, 105, 105};
const QColor kTextShadow{128, 128, 128};

// One ring of an edge: top and left in one colour, bottom and right in the other.
void Edge(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
  if (r.width() <= 0 || r.height() <= 0) return;
  p.setPen(topLeft);
  p.drawLine(r.left(), r.top(), r.right(), r.top());
  p.drawLine(r.left(), r.top(), r.left(), r.bottom());
  p.setPen(bottomRight);
  p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  p.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

QColor Mix(const QColor& a, const QColor& b, double t) {
  return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                          static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                          static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// The colour at t (0..1) of a start → middle → end run.
QColor ThreeStop(const QColor& c1, const QColor& c2, const QColor& c3, double t) {
  return t <= 0.5 ? Mix(c1, c2, t * 2) : Mix(c2, c3, (t - 0.5) * 2);
}

}  // namespace

int LabelWidget::BorderWidth(int border, int gradientWidth) {
  switch (border) {
    case 1: case 2: case 5: return 2;
    case 3: case 4: return 1;
    case 6: return gradientWidth;
    default: return 0;
  }
}

LabelWidget::LabelWidget(LabelUnit* unit, QWidget* parent) : QWidget(parent), unit_(unit) {
  setFocusPolicy(Qt::NoFocus);
}

void LabelWidget::PaintBackground(QPainter& painter) {
  const int mode = unit_->Property(lp::kGradientBackMode).word;
  const QColor c1 = control::ColourOrDefault(unit_->Property(lp::kGradientBackColour1).word, control::kButtonFace);
  const QColor c2 = control::ColourOrDefault(unit_->Property(lp::kGradientBackColour2).word, control::kButtonFace);
  const QColor c3 = control::ColourOrDefault(unit_->Property(lp::kGradientBackColour3).word, control::kButtonFace);
  if (mode >= 1 && mode <= 8) {
    const QRectF r = rect();
    QPointF from, to;
    switch (mode) {
      case 1: from = r.topLeft(); to = r.bottomLeft(); break;
      case 2: from = r.bottomLeft(); to = r.topLeft(); break;
      case 3: from = r.topLeft(); to = r.topRight(); break;
      case 4: from = r.topRight(); to = r.topLeft(); break;
      case 5: from = r.topLeft(); to = r.bottomRight(); break;
      case 6: from = r.bottomRight(); to = r.topLeft(); break;
      case 7: from = r.bottomLeft(); to = r.topRight(); break;
      default: from = r.topRight(); to = r.bottomLeft(); break;
    }
    QLinearGradient gradient(from, to);
    gradient.setColorAt(0, c1);
    gradient.setColorAt(0.5, c2);
    gradient.setColorAt(1, c3);
    painter.fillRect(rect(), gradient);
    return;
  }
  if (const std::optional<QColor> back = control::ColourOf(unit_->Property(lp::kBackColour).word))
    painter.fillRect(rect(), *back);
}

void LabelWidget::PaintPicture(QPainter& painter) {
  if (!pictureDecoded_) {
    picture_ = control::DecodePicture(unit_->Property(lp::kBackPicture).bytes);
    pictureDecoded_ = true;
  }
  if (!picture_ || picture_->isNull()) return;
  const QImage& image = *picture_;
  switch (unit_->Property(lp::kBackPictureMode).word) {
    case 0:
      painter.drawImage(QPoint(0, 0), image);
      break;
    case 1:
      for (int y = 0; y < height(); y += image.height())
        for (int x = 0; x < width(); x += image.width()) painter.drawImage(QPoint(x, y), image);
      break;
    default: {
      QSize size = image.size();
      if (size.width() > width() || size.height() > height()) size = size.scaled(this->size(), Qt::KeepAspectRatio);
      const QRect target((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(), size.height());
      painter.setRenderHint(QPainter::SmoothPixmapTransform);
      painter.drawImage(target, image);
      break;
    }
  }
}

void LabelWidget::PaintBorder(QPainter& painter) {
  const QRect r = rect();
  switch (unit_->Property(lp::kBorder).word) {
    case 1:  // sunken
      Edge(painter, r, kShadow, kHighlight);
      Edge(painter, r.adjusted(1, 1, -1, -1), kDarkShadow, kLight);
      break;
    case 2:  // raised
      Edge(painter, r, kLight, kDarkShadow);
      Edge(painter, r.adjusted(1, 1, -1, -1), kHighlight, kShadow);
      break;
    case 3:  // thin sunken
      Edge(painter, r, kShadow, kHighlight);
      break;
    case 4:  // single line
      Edge(painter, r, Qt::black, Qt::black);
      break;
    case 5:  // etched
      Edge(painter, r, kShadow, kHighlight);
      Edge(painter, r.adjusted(1, 1, -1, -1), kHighlight, kShadow);
      break;
    case 6: {  // gradient: outside colour → middle → inside colour across the width
      const int w = unit_->Property(lp::kGradientBorderWidth).word;
      const QColor c1 = control::ColourOrDefault(unit_->Property(lp::kGradientBorderColour1).word, kShadow);
      const QColor c2 = control::ColourOrDefault(unit_->Property(lp::kGradientBorderColour2).word, kHighlight);
      const QColor c3 = control::ColourOrDefault(unit_->Property(lp::kGradientBorderColour3).word, kShadow);
      for (int i = 0; i < w; ++i) {
        const QColor c = ThreeStop(c1, c2, c3, w > 1 ? static_cast<double>(i) / (w - 1) : 0.0);
        Edge(painter, r.adjusted(i, i, -i, -i), c, c);
      }
      break;
    }
    default:
      break;
  }
}

void LabelWidget::PaintText(QPainter& painter, const QRect& area) {
  const QString text = control::ShownText(unit_->Property(lp::kTitle).bytes);
  if (text.isEmpty()) return;
  const int flags = static_cast<int>(control::AlignmentOf(unit_->Property(lp::kHorizontalAlignment).word,
                                                          unit_->Property(lp::kVerticalAlignment).word)) |
                    Qt::TextShowMnemonic | (unit_->Property(lp::kWordWrap).word != 0 ? Qt::TextWordWrap : 0);
  QColor colour = control::ColourOrDefault(unit_->Property(lp::kTextColour).word, Qt::black);
  if (!isEnabled()) colour = kShadow;
  painter.setFont(font());
  switch (unit_->Property(lp::kEffect).word) {
    case 1:  // raised: lit from the top left
      painter.setPen(kHighlight);
      painter.drawText(area.translated(-1, -1), flags, text);
      painter.setPen(kDarkShadow);
      painter.drawText(area.translated(1, 1), flags, text);
      break;
    case 2:  // sunken
      painter.setPen(kDarkShadow);
      painter.drawText(area.translated(-1, -1), flags, text);
      painter.setPen(kHighlight);
      painter.drawText(area.translated(1, 1), flags, text);
      break;
    case 3:  // shadow below and to the right
      painter.setPen(kTextShadow);
      painter.drawText(area.translated(2, 2), flags, text);
      break;
    default:
      break;
  }
  painter.setPen(colour);
  painter.drawText(area, flags, text);
}

void LabelWidget::paintEvent(QPaintEvent*) {
  if (unit_ == nullptr) return;
  QPainter painter(this);
  PaintBackground(painter);
  PaintPicture(painter);
  PaintBorder(painter);
  const int inset = BorderWidth(unit_->Property(lp::kBorder).word, unit_->Property(lp::kGradientBorderWidth).word);
  painter.setClipRect(rect().adjusted(inset, inset, -inset, -inset));
  PaintText(painter, rect().adjusted(inset, inset, -inset, -inset));
}

LabelUnit::LabelUnit(const CreateArgs& args)
    : Unit(*FindUnitLayout(kLabelType), args.windowId, args.unitId), widget_(new LabelWidget(this, args.parent)) {
  control::PlaceWidget(*widget_, args);
}

LabelUnit::~LabelUnit() {
  if (widget_ != nullptr) widget_->Detach();
  control::DisposeWidget(widget_);
}

void LabelUnit::ApplyAll() {
  widget_->setFont(ToQFont(Property(lp::kFont).bytes));
  widget_->DropPicture();
  widget_->update();
}

bool LabelUnit::Apply(int index) {
  if (widget_ == nullptr) return false;
  if (index == lp::kFont) widget_->setFont(ToQFont(Property(lp::kFont).bytes));
  if (index == lp::kBackPicture) widget_->DropPicture();
  widget_->update();
  return false;
}

void RegisterLabelType() {
  RegisterUnitType(UnitTypeInfo{FindUnitLayout(kLabelType), kStateWindowed | kStateNoFocus, &control::CreateControl<LabelUnit>});
}

}  // namespace zorvel::forms
