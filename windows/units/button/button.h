// The push button (Button): a caption or a picture, aligned; type 1 makes it the
// window's default button, which Enter clicks. Event 0: clicked.
//
// Properties: 8 picture, 9 type (0 normal, 1 default button), 10 caption, 11 horizontal
// alignment (0 left, 1 centre, 2 right), 12 vertical alignment (0 top, 1 centre,
// 2 bottom), 13 font.
#pragma once

#include <QPointer>
#include <memory>

#include "windows/unit.h"
#include "windows/units/control_common/control_common.h"

namespace zorvel::forms {

inline constexpr std::uint32_t kButtonType = 0x0001000B;

namespace button_property {
enum : int { kPicture = 8, kType, kCaption, kHorizontalAlignment, kVerticalAlignment, kFont };
}

class ButtonUnit : public Unit {
 public:
  explicit ButtonUnit(const CreateArgs& args);
  ~ButtonUnit() override;

  QWidget* Widget() const override { return button_; }
  bool Apply(int index) override;
  bool IsDefaultButton() const override;
  std::string Caption() const override;
  bool Click() override;

  // Shows every property on the widget (after creation).
  void ApplyAll();

 private:
  void ApplyLook();
  QPointer<control::CaptionButton> button_;
};

void RegisterButtonType();

}  // namespace zorvel::forms
