#include "windows/units/control_common/control_common.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <algorithm>

#include "runtime/picture/draw.h"
#include "text/gbk.h"
#include "windows/events.h"

namespace zorvel::forms::control {

namespace {
constexpr const char* kFiringProperty = "zorvelControlFiring";
constexpr int kIndicatorSize = 13;  // the check mark box and the radio circle
constexpr int kIndicatorGap = 4;    // between the mark and the caption
}  // namespace

QString ShownText(std::string_view gbkText) {
  QString text = QString::fromStdString(gbk::ToUtf8(gbkText));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

std::optional<QColor> ColourOf(std::int32_t value) {
  const auto colour = static_cast<std::uint32_t>(value);
  if (colour == kNoColourValue) return std::nullopt;
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>(colour >> 8 & 0xFF),
                static_cast<int>(colour >> 16 & 0xFF));
}

QColor ColourOrDefault(std::int32_t value, QColor fallback) { return ColourOf(value).value_or(fallback); }

Qt::Alignment AlignmentOf(std::int32_t horizontal, std::int32_t vertical) {
  const Qt::Alignment h = horizontal == 1 ? Qt::AlignHCenter : horizontal == 2 ? Qt::AlignRight : Qt::AlignLeft;
  const Qt::Alignment v = vertical == 0 ? Qt::AlignTop : vertical == 2 ? Qt::AlignBottom : Qt::AlignVCenter;
  return h | v;
}

std::optional<QImage> DecodePicture(std::string_view bytes) {
  const std::unique_ptr<PreparedPicture> prepared = PreparePictureBytes(bytes);
  if (!prepared || prepared->image.isNull()) return std::nullopt;
  return prepared->image;
}

void ClampToLayout(Unit& unit) {
  const UnitLayout& layout = unit.Layout();
  for (std::size_t k = 0; k < layout.properties.size(); ++k) {
    const PropertyInfo& p = layout.properties[k];
    const bool ranged = p.type == PropertyType::kChoice || p.type == PropertyType::kInteger;
    if (!ranged && p.type != PropertyType::kLogical) continue;
    PropertyValue& v = unit.Property(static_cast<int>(k) + 8);
    if (p.type == PropertyType::kLogical) {
      v.word = v.word != 0 ? 1 : 0;
    } else {
      v.word = ClampToRange(p, v.word);
    }
  }
}

bool ReadStoredProperties(Unit& unit, std::span<const std::uint8_t> stored) {
  if (!unit.ReadStoredBlock(stored)) return false;
  ClampToLayout(unit);
  return true;
}

void PlaceWidget(QWidget& widget, const CreateArgs& args) {
  widget.setGeometry(args.left, args.top, args.width, args.height);
  widget.setEnabled((args.style & kStyleDisabled) == 0);
  widget.setAutoFillBackground(false);
}

std::optional<std::int32_t> FireFrom(QWidget* widget, const Unit& unit, std::int32_t event) {
  QPointer<QWidget> guard(widget);
  if (widget != nullptr) widget->setProperty(kFiringProperty, widget->property(kFiringProperty).toInt() + 1);
  const std::optional<std::int32_t> result = Fire(unit.WindowId(), unit.UnitId(), event);
  if (guard) guard->setProperty(kFiringProperty, guard->property(kFiringProperty).toInt() - 1);
  return result;
}

void DisposeWidget(QWidget* widget) {
  if (widget == nullptr) return;
  if (widget->property(kFiringProperty).toInt() > 0) {
    QObject::disconnect(widget, nullptr, nullptr, nullptr);  // its unit is gone
    widget->hide();
    widget->deleteLater();
  } else {
    delete widget;
  }
}

// ---- CaptionButton ----

CaptionButton::CaptionButton(Kind kind, QWidget* parent) : QAbstractButton(parent), kind_(kind) {
  setCheckable(kind != Kind::kPush);
  setAutoExclusive(false);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_Hover);
}

void CaptionButton::SetCaption(const QString& caption) {
  // Kept apart from QAbstractButton's text, which would make "&x" a shortcut.
  caption_ = caption;
  update();
}

void CaptionButton::SetLook(const Look& look) {
  look_ = look;
  update();
}

void CaptionButton::SetPicture(std::optional<QImage> picture) {
  picture_ = std::move(picture);
  update();
}

void CaptionButton::nextCheckState() {
  if (kind_ == Kind::kRadio) {
    setChecked(true);  // a click selects; it never clears a radio box
  } else if (kind_ == Kind::kCheck) {
    setChecked(!isChecked());
  }
}

void CaptionButton::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->ignore();
      return;
    default:
      QAbstractButton::keyPressEvent(event);
  }
}

void CaptionButton::DrawIndicator(QPainter& painter, const QRect& box) {
  const bool radio = kind_ == Kind::kRadio;
  if (look_.flat) {
    // The flat mark: a one-pixel outline on the window colour.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, radio);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.setBrush(isDown() ? kButtonFace : QColor(Qt::white));
    const QRectF r = QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5);
    if (radio) {
      painter.drawEllipse(r);
      if (isChecked()) {
        painter.setBrush(painter.pen().color());
        painter.drawEllipse(QRectF(box).adjusted(4, 4, -4, -4));
      }
    } else {
      painter.drawRect(r);
      if (isChecked()) {
        QPen pen = painter.pen();
        pen.setWidth(2);
        painter.setPen(pen);
        painter.drawPolyline(QPolygon{{box.left() + 3, box.center().y()},
                                      {box.left() + 5, box.bottom() - 3},
                                      {box.right() - 2, box.top() + 3}});
      }
    }
    painter.restore();
    return;
  }
  QStyleOptionButton option;
  option.initFrom(this);
  option.rect = box;
  option.state &= ~QStyle::State_HasFocus;
  option.state |= isChecked() ? QStyle::State_On : QStyle::State_Off;
  if (isDown()) option.state |= QStyle::State_Sunken;
  style()->drawPrimitive(radio ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox, &option, &painter,
                         this);
}

void CaptionButton::DrawContent(QPainter& painter, const QRect& area, bool pushed) {
  const QRect shifted = pushed ? area.translated(1, 1) : area;
  if (picture_) {
    // A picture stands in for the caption, aligned like it, at its own size.
    const QSize size = picture_->size();
    const Qt::Alignment a = look_.alignment;
    int x = shifted.left(), y = shifted.top();
    if (a & Qt::AlignHCenter) x = shifted.left() + (shifted.width() - size.width()) / 2;
    if (a & Qt::AlignRight) x = shifted.right() + 1 - size.width();
    if (a & Qt::AlignVCenter) y = shifted.top() + (shifted.height() - size.height()) / 2;
    if (a & Qt::AlignBottom) y = shifted.bottom() + 1 - size.height();
    painter.save();
    painter.setClipRect(area);
    painter.drawImage(QPoint(x, y), *picture_);
    painter.restore();
  } else {
    QColor colour = look_.text.value_or(palette().color(QPalette::Active, QPalette::ButtonText));
    if (!isEnabled()) colour = palette().color(QPalette::Disabled, QPalette::ButtonText);
    painter.setPen(colour);
    const int flags = static_cast<int>(look_.alignment) | Qt::TextShowMnemonic | (look_.wrap ? Qt::TextWordWrap : 0);
    QRect used;
    painter.drawText(shifted, flags, caption_, &used);
    if (hasFocus() && !caption_.isEmpty()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = used.adjusted(-1, 0, 1, 0).intersected(rect());
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
    return;
  }
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = area;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

void CaptionButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  const bool pushLook = kind_ == Kind::kPush || look_.pushLike;
  if (look_.back) painter.fillRect(rect(), *look_.back);
  if (pushLook) {
    QStyleOptionButton option;
    option.initFrom(this);
    option.state &= ~QStyle::State_HasFocus;
    const bool pushed = isDown() || (kind_ != Kind::kPush && isChecked());
    option.state |= pushed ? QStyle::State_Sunken : QStyle::State_Raised;
    if (kind_ != Kind::kPush && isChecked()) option.state |= QStyle::State_On;
    if (look_.flat) option.features |= QStyleOptionButton::Flat;
    if (look_.isDefault) option.features |= QStyleOptionButton::DefaultButton;
    if (look_.back) option.palette.setColor(QPalette::Button, *look_.back);
    if (!look_.flat || pushed) {
      style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
    } else {
      // A flat push button shows a plain one-pixel frame while it is at rest.
      painter.setPen(palette().color(QPalette::Dark));
      painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    DrawContent(painter, rect().adjusted(4, 3, -4, -3), pushed);
    return;
  }
  // Check mark or radio circle beside the caption.
  const Qt::Alignment vertical = look_.alignment & Qt::AlignVertical_Mask;
  int y = (height() - kIndicatorSize) / 2;
  if (vertical & Qt::AlignTop) y = 1;
  if (vertical & Qt::AlignBottom) y = height() - kIndicatorSize - 1;
  const int x = look_.textOnLeft ? width() - kIndicatorSize : 0;
  DrawIndicator(painter, QRect(x, y, kIndicatorSize, kIndicatorSize));
  const QRect text = look_.textOnLeft ? QRect(0, 0, width() - kIndicatorSize - kIndicatorGap, height())
                                      : QRect(kIndicatorSize + kIndicatorGap, 0,
                                              width() - kIndicatorSize - kIndicatorGap, height());
  DrawContent(painter, text, false);
}

}  // namespace zorvel::forms::control
