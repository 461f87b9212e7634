#include "windows/units/pic_button/pic_button.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>

#include "runtime/picture/draw.h"
#include "runtime/picture/picture.h"
#include "windows/events.h"

namespace zorvel::forms {

namespace pb = pic_button;

namespace {

constexpr std::size_t Slot(int index) { return static_cast<std::size_t>(index - pb::kNormalPicture); }

}  // namespace

// The native widget: paints the picture of the current state and passes the mouse to
// the unit. It has no background of its own; outside its region nothing of it shows.
// Under an opaque picture it is black; a picture with alpha lies over what is behind
// the button, so the widget is then not opaque and the window beneath is painted first.
class PicButtonWidget : public QWidget {
 public:
  PicButtonWidget(PicButtonUnit* unit, QWidget* parent) : QWidget(parent), unit_(unit) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
  }
  void Detach() { unit_ = nullptr; }
  // Depth of unit calls from inside this widget's mouse handlers, which may fire event 0:
  // the widget must outlive them.
  int busy = 0;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const PreparedPicture* picture = unit_ != nullptr ? unit_->Prepared(unit_->ShownPicture()) : nullptr;
    if (picture == nullptr || !HasAlpha(*picture)) painter.fillRect(rect(), Qt::black);
    if (picture != nullptr) DrawPicture(painter, *picture, 0, 0, -1, -1);
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (unit_ != nullptr && event->button() == Qt::LeftButton) unit_->Pressed(event->position().toPoint());
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (unit_ != nullptr) unit_->Moved(event->position().toPoint(), (event->buttons() & Qt::LeftButton) != 0);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (unit_ == nullptr || event->button() != Qt::LeftButton) return;
    ++busy;
    unit_->Released(event->position().toPoint());
    --busy;
  }
  void leaveEvent(QEvent*) override {
    if (unit_ != nullptr) unit_->Left();
  }
  void changeEvent(QEvent* event) override {
    // Enabling or disabling may change the picture shown (the disabled picture).
    if (unit_ != nullptr && event->type() == QEvent::EnabledChange) unit_->Redraw();
    QWidget::changeEvent(event);
  }

 private:
  PicButtonUnit* unit_;
};

PicButtonUnit::PicButtonUnit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId)
    : Unit(layout, windowId, unitId) {}

PicButtonUnit::~PicButtonUnit() {
  if (widget_ == nullptr) return;
  widget_->Detach();
  if (widget_->busy > 0) {
    // Destroyed by the click's own handler: the widget goes once its handler is done.
    widget_->hide();
    widget_->setParent(nullptr);
    widget_->deleteLater();
  } else {
    delete widget_;
  }
}

QWidget* PicButtonUnit::Widget() const { return widget_; }

std::unique_ptr<Unit> PicButtonUnit::Create(const CreateArgs& args) {
  const UnitLayout* layout = FindUnitLayout(kPicBtnType);
  auto unit = std::make_unique<PicButtonUnit>(*layout, args.windowId, args.unitId);
  if (!unit->ReadStoredBlock(args.stored)) return nullptr;
  // Stored values outside their ranges count as the nearest end.
  for (const int index : {pb::kType, pb::kSelected}) {
    if (const PropertyInfo* p = FindProperty(*layout, index))
      unit->Property(index).word = ClampToRange(*p, unit->Property(index).word);
  }
  unit->widget_ = new PicButtonWidget(unit.get(), args.parent);
  unit->widget_->setGeometry(args.left, args.top, args.width, args.height);
  unit->widget_->setEnabled((args.style & kStyleDisabled) == 0);
  for (int index = pb::kNormalPicture; index <= pb::kDisabledPicture; ++index) unit->Decode(index);
  unit->state_ = unit->Toggle() && unit->Selected() ? pb::kPressed : pb::kNormal;
  unit->appliedColour_ = static_cast<std::uint32_t>(unit->Property(pb::kTransparentColour).word);
  unit->Redraw();
  return unit;
}

void PicButtonUnit::Decode(int index) {
  std::unique_ptr<PreparedPicture>& slot = pictures_[Slot(index)];
  slot.reset();
  slot = PreparePictureBytes(Property(index).bytes);
}

const PreparedPicture* PicButtonUnit::Prepared(int index) const {
  if (index < pb::kNormalPicture || index > pb::kDisabledPicture) return nullptr;
  return pictures_[Slot(index)].get();
}

int PicButtonUnit::ShownPicture() const {
  int chosen = 0;
  if (state_ == pb::kHover && Prepared(pb::kHoverPicture) != nullptr) chosen = pb::kHoverPicture;
  if (state_ == pb::kPressed && Prepared(pb::kPressedPicture) != nullptr) chosen = pb::kPressedPicture;
  // Only the button's own disabled flag counts: a window disabled by a modal window
  // leaves its buttons looking as they were.
  const bool disabled = widget_ != nullptr && widget_->testAttribute(Qt::WA_ForceDisabled);
  if (disabled && Prepared(pb::kDisabledPicture) != nullptr) return pb::kDisabledPicture;
  if (chosen != 0) return chosen;
  return Prepared(pb::kNormalPicture) != nullptr ? pb::kNormalPicture : 0;
}

void PicButtonUnit::Redraw() {
  if (widget_ == nullptr) return;
  region_ = QRegion();
  const PreparedPicture* shown = Prepared(ShownPicture());
  // A picture with alpha cuts the button by its alpha as well: its fully transparent
  // pixels are not part of the button, with a transparent colour or without one.
  const bool alpha = shown != nullptr && HasAlpha(*shown);
  if (shown != nullptr && (alpha || appliedColour_ != kNoColour))
    region_ = RegionFromBitmap(shown->image, appliedColour_);
  widget_->setAttribute(Qt::WA_OpaquePaintEvent, !alpha);
  if (region_.isEmpty()) widget_->clearMask();
  else widget_->setMask(region_);
  widget_->update();
}

void PicButtonUnit::SetState(int state) {
  if (state == state_) return;
  state_ = state;
  // The picture (and with it the outline) may change with the state.
  Redraw();
  if (widget_ != nullptr) widget_->repaint();
}

bool PicButtonUnit::Apply(int index) {
  switch (index) {
    case pb::kType:
      // The toggle flag is the property itself.
      return false;
    case pb::kSelected:
      if (Toggle()) SetState(Selected() ? pb::kPressed : pb::kNormal);
      return false;
    case pb::kNormalPicture:
      Decode(index);
      Redraw();
      return false;
    case pb::kHoverPicture:
      Decode(index);
      if (state_ == pb::kHover) Redraw();
      return false;
    case pb::kPressedPicture:
      Decode(index);
      if (state_ == pb::kPressed) Redraw();
      return false;
    case pb::kDisabledPicture:
      Decode(index);
      if (widget_ != nullptr && widget_->testAttribute(Qt::WA_ForceDisabled)) Redraw();
      return false;
    case pb::kTransparentColour: {
      const auto colour = static_cast<std::uint32_t>(Property(index).word);
      if (colour != appliedColour_) {
        appliedColour_ = colour;
        Redraw();
      }
      return false;
    }
    default: return false;
  }
}

// Push button: pressed while the left button is held over it, hover while the pointer
// is over it, a click when the button comes up inside. Toggle button: no hover or
// pressed look from the mouse; the button coming up inside flips the selection.

void PicButtonUnit::Pressed(const QPoint&) {
  if (!Toggle()) SetState(pb::kPressed);
}

void PicButtonUnit::Moved(const QPoint& at, bool leftHeld) {
  if (Toggle()) return;
  if (widget_->rect().contains(at)) SetState(leftHeld ? pb::kPressed : pb::kHover);
  else SetState(pb::kNormal);
}

void PicButtonUnit::Left() {
  // Leaving with the button held is reported when it comes up; only a free pointer
  // leaves the hover look here.
  if (!Toggle() && state_ == pb::kHover) SetState(pb::kNormal);
}

void PicButtonUnit::Released(const QPoint& at) {
  const bool inside = widget_->rect().contains(at);
  if (Toggle()) {
    if (!inside) return;
    Property(pb::kSelected).word = Selected() ? 0 : 1;
    SetState(Selected() ? pb::kPressed : pb::kNormal);
  } else {
    SetState(pb::kNormal);
    if (!inside) return;
  }
  // The handler may destroy the window and this unit with it: nothing after this.
  Fire(WindowId(), UnitId(), pb::kClicked);
}

void RegisterPicButtonType() {
  RegisterUnitType(UnitTypeInfo{FindUnitLayout(kPicBtnType), kStateWindowed, &PicButtonUnit::Create});
}

}  // namespace zorvel::forms
