#include "windows/units/group_box/group_box.h"

#include <QPainter>

#include "windows/font.h"
#include "windows/units/control_common/control_common.h"

namespace zorvel::forms {

namespace gp = group_box_property;

namespace {
constexpr int kCaptionIndent = 8;  // from the frame's left or right end to the caption
constexpr int kCaptionPadding = 2;  // the gap in the frame on each side of the caption
}  // namespace

GroupBoxWidget::GroupBoxWidget(GroupBoxUnit* unit, QWidget* parent) : QWidget(parent), unit_(unit) {
  setFocusPolicy(Qt::NoFocus);
}

void GroupBoxWidget::paintEvent(QPaintEvent*) {
  if (unit_ == nullptr) return;
  QPainter painter(this);
  painter.setFont(font());
  if (const std::optional<QColor> back = control::ColourOf(unit_->Property(gp::kBackColour).word))
    painter.fillRect(rect(), *back);

  const QString caption = control::ShownText(unit_->Property(gp::kCaption).bytes).section(QLatin1Char('\n'), 0, 0);
  const QFontMetrics metrics(font());
  const int lineY = metrics.height() / 2;
  QRect text;
  if (!caption.isEmpty()) {
    const int width = metrics.horizontalAdvance(QString(caption).remove(QLatin1Char('&'))) + 1;
    int x = kCaptionIndent;
    const int alignment = unit_->Property(gp::kAlignment).word;
    if (alignment == 1) x = (this->width() - width) / 2;
    if (alignment == 2) x = this->width() - kCaptionIndent - width;
    text = QRect(x, 0, width, metrics.height());
  }

  // The etched frame, broken where the caption sits.
  const QRect frame(0, lineY, width() - 1, height() - lineY - 1);
  painter.save();
  if (!text.isNull()) {
    QRegion clip(rect());
    clip -= QRect(text.left() - kCaptionPadding, 0, text.width() + 2 * kCaptionPadding, metrics.height());
    painter.setClipRegion(clip);
  }
  painter.setPen(QColor(160, 160, 160));
  painter.drawRect(frame.adjusted(0, 0, -1, -1));
  painter.setPen(Qt::white);
  painter.drawRect(frame.adjusted(1, 1, 0, 0));
  painter.restore();

  if (!text.isNull()) {
    QColor colour = control::ColourOrDefault(unit_->Property(gp::kTextColour).word, Qt::black);
    if (!isEnabled()) colour = QColor(160, 160, 160);
    painter.setPen(colour);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextSingleLine, caption);
  }
}

GroupBoxUnit::GroupBoxUnit(const CreateArgs& args)
    : Unit(*FindUnitLayout(kGroupBoxType), args.windowId, args.unitId),
      widget_(new GroupBoxWidget(this, args.parent)) {
  control::PlaceWidget(*widget_, args);
}

GroupBoxUnit::~GroupBoxUnit() {
  if (widget_ != nullptr) widget_->Detach();
  control::DisposeWidget(widget_);
}

void GroupBoxUnit::ApplyAll() {
  widget_->setFont(ToQFont(Property(gp::kFont).bytes));
  widget_->update();
}

bool GroupBoxUnit::Apply(int index) {
  if (widget_ == nullptr) return false;
  if (index == gp::kFont) widget_->setFont(ToQFont(Property(gp::kFont).bytes));
  widget_->update();
  return false;
}

void RegisterGroupBoxType() {
  RegisterUnitType(UnitTypeInfo{FindUnitLayout(kGroupBoxType), kStateWindowed | kStateNoFocus, &control::CreateControl<GroupBoxUnit>});
}

}  // namespace zorvel::forms
