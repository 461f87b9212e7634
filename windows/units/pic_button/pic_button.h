// The picture button (PicBtn, type code 0x0001002D): a button drawn entirely from
// pictures, one per visual state, cut to the picture's own outline by a transparent
// colour so that an irregular picture (an egg) sits on whatever lies behind it. Pixels
// of the transparent colour are not part of the button: a click on them reaches the
// widget beneath. A picture with alpha (a PNG) is also cut where it is fully
// transparent, and its other pixels are laid over what lies behind the button.
//
// Properties: 8 type (0 push, 1 toggle), 9 selected (toggle buttons), 10 normal
// picture, 11 hover picture, 12 pressed picture, 13 disabled picture, 14 transparent
// colour (0xFF000000: none). Event 0: clicked.
#pragma once

#include <QRegion>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

#include "windows/unit.h"

namespace zorvel {
struct PreparedPicture;
}

namespace zorvel::forms {

inline constexpr std::uint32_t kPicBtnType = 0x0001002D;

namespace pic_button {
enum : int {
  kType = 8,
  kSelected = 9,
  kNormalPicture = 10,
  kHoverPicture = 11,
  kPressedPicture = 12,
  kDisabledPicture = 13,
  kTransparentColour = 14,
};
// Visual states.
enum : int { kNormal = 0, kHover = 1, kPressed = 2 };
inline constexpr std::int32_t kClicked = 0;
}  // namespace pic_button

class PicButtonWidget;

class PicButtonUnit : public Unit {
 public:
  // The create entry: defaults, the stored block, then the native widget. Null when the
  // block is bad.
  static std::unique_ptr<Unit> Create(const CreateArgs& args);

  PicButtonUnit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId);
  ~PicButtonUnit() override;

  QWidget* Widget() const override;
  bool Apply(int index) override;

  // The visual state (normal, hover, pressed) and whether it is a toggle button.
  int VisualState() const { return state_; }
  bool Toggle() const { return Property(pic_button::kType).word != 0; }
  bool Selected() const { return Property(pic_button::kSelected).word != 0; }
  // Which picture (10-13) is shown now; 0 when none can be.
  int ShownPicture() const;
  // The region the button is cut to; empty when it is a plain rectangle.
  const QRegion& Region() const { return region_; }

 private:
  friend class PicButtonWidget;

  // Decodes the picture of property index (10-13) again from its byte set.
  void Decode(int index);
  const PreparedPicture* Prepared(int index) const;
  // Recomputes the region, then repaints.
  void Redraw();
  // Sets the visual state and repaints at once when it changed.
  void SetState(int state);
  // Mouse handling of the widget.
  void Pressed(const QPoint& at);
  void Moved(const QPoint& at, bool leftHeld);
  void Released(const QPoint& at);
  void Left();

  PicButtonWidget* widget_ = nullptr;
  std::array<std::unique_ptr<PreparedPicture>, 4> pictures_;  // properties 10-13
  int state_ = pic_button::kNormal;
  std::uint32_t appliedColour_ = 0xFF000000;
  QRegion region_;
};

void RegisterPicButtonType();

}  // namespace zorvel::forms
