#include "windows/units/trans_label/trans_label.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include "text/gbk.h"
#include "windows/font.h"

namespace zorvel::forms {

namespace tl = trans_label;

// The native widget. It fills nothing: Qt paints what lies beneath a widget that is not
// opaque before the widget itself, so only the letters are drawn over it.
class TransLabelWidget : public QWidget {
 public:
  TransLabelWidget(TransLabelUnit* unit, QWidget* parent) : QWidget(parent), unit_(unit) {
    setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
  }
  void Detach() { unit_ = nullptr; }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (unit_ == nullptr) return;
    QPainter painter(this);
    unit_->PaintWidget(painter, size());
  }
  void resizeEvent(QResizeEvent* event) override {
    if (unit_ != nullptr) unit_->layer_ = QImage();
    QWidget::resizeEvent(event);
  }
  // The mouse events of the label are its own (the common events fire for it): they do
  // not travel on to the widget beneath.
  void mousePressEvent(QMouseEvent* event) override { event->accept(); }
  void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
  void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
  void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }

 private:
  TransLabelUnit* unit_;
};

TransLabelUnit::TransLabelUnit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId)
    : Unit(layout, windowId, unitId) {}

TransLabelUnit::~TransLabelUnit() {
  if (widget_ == nullptr) return;
  widget_->Detach();
  delete widget_;
}

QWidget* TransLabelUnit::Widget() const { return widget_; }

std::unique_ptr<Unit> TransLabelUnit::Create(const CreateArgs& args) {
  auto unit = std::make_unique<TransLabelUnit>(*FindUnitLayout(kTransLabelType), args.windowId, args.unitId);
  if (!unit->ReadStoredBlock(args.stored)) return nullptr;
  for (const int index : {tl::kEffect, tl::kHorizontalAlignment, tl::kVerticalAlignment}) unit->Clamp(index);
  unit->widget_ = new TransLabelWidget(unit.get(), args.parent);
  unit->widget_->setGeometry(args.left, args.top, args.width, args.height);
  unit->widget_->setEnabled((args.style & kStyleDisabled) == 0);
  return unit;
}

void TransLabelUnit::Clamp(int index) {
  if (const PropertyInfo* p = FindProperty(Layout(), index)) Property(index).word = ClampToRange(*p, Property(index).word);
}

bool TransLabelUnit::Apply(int index) {
  if (index == tl::kEffect || index == tl::kHorizontalAlignment || index == tl::kVerticalAlignment) Clamp(index);
  layer_ = QImage();
  Refresh();
  return false;
}

void TransLabelUnit::Refresh() {
  if (widget_ == nullptr) return;
  // The label is not opaque, so repainting it draws its area of the window afresh from
  // the window down (the window's background, the units beneath the label) before the
  // label's new text, at once.
  if (widget_->isVisible()) widget_->repaint();
  else widget_->update();
}

void TransLabelUnit::Paint(QPainter& painter, const QRect& area) const {
  const std::string& title = Property(tl::kTitle).bytes;
  if (title.empty()) return;
  QString text = QString::fromStdString(gbk::ToUtf8(title));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QChar('\r'), QChar('\n'));

  // A font byte set of any length but 60 stands for the default GUI font.
  const std::string& font = Property(tl::kFont).bytes;
  painter.setFont(ToQFont(font.size() == kLogFontSize ? std::string_view(font) : std::string_view()));

  int flags = Qt::TextDontClip;
  switch (Property(tl::kHorizontalAlignment).word) {
    case 1: flags |= Qt::AlignHCenter; break;
    case 2: flags |= Qt::AlignRight; break;
    default: flags |= Qt::AlignLeft; break;
  }
  if (Property(tl::kWordWrap).word != 0) {
    // Wrapped text starts at the top whatever the vertical alignment says.
    flags |= Qt::TextWordWrap | Qt::AlignTop;
  } else {
    flags |= Qt::TextSingleLine;
    switch (Property(tl::kVerticalAlignment).word) {
      case 0: flags |= Qt::AlignTop; break;
      case 2: flags |= Qt::AlignBottom; break;
      default: flags |= Qt::AlignVCenter; break;
    }
  }

  const auto colourWord = static_cast<std::uint32_t>(Property(tl::kTextColour).word);
  const QColor colour(static_cast<int>(colourWord & 0xFF), static_cast<int>(colourWord >> 8 & 0xFF),
                      static_cast<int>(colourWord >> 16 & 0xFF));
  auto draw = [&](int dx, int dy, const QColor& c) {
    painter.setPen(c);
    painter.drawText(area.translated(dx, dy), flags, text);
  };
  switch (Property(tl::kEffect).word) {
    case tl::kEngraved:  // a white copy one pixel right and down, the text over it
      draw(1, 1, Qt::white);
      draw(0, 0, colour);
      break;
    case tl::kRaised:  // a white copy in place, the text one pixel right and down
      draw(0, 0, Qt::white);
      draw(1, 1, colour);
      break;
    case tl::kShadow:  // a black copy two pixels right and down, the text over it
      draw(2, 2, Qt::black);
      draw(0, 0, colour);
      break;
    default:
      draw(0, 0, colour);
      break;
  }
}

void TransLabelUnit::PaintWidget(QPainter& painter, const QSize& size) const {
  if (Property(tl::kTitle).bytes.empty() || size.isEmpty()) return;
  if (layer_.size() != size) {
    layer_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
    if (layer_.isNull()) {
      Paint(painter, QRect(QPoint(0, 0), size));
      return;
    }
    layer_.fill(Qt::transparent);
    QPainter letters(&layer_);
    Paint(letters, layer_.rect());
  }
  painter.drawImage(0, 0, layer_);
}

void RegisterTransLabelType() {
  RegisterUnitType(
      UnitTypeInfo{FindUnitLayout(kTransLabelType), kStateWindowed | kStateNoFocus, &TransLabelUnit::Create});
}

}  // namespace zorvel::forms
