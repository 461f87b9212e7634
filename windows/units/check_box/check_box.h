// The check box (CheckBox) and, built on the same unit, the radio box (RadioBox): a
// check mark or radio circle with a multi-line caption, or the same drawn as a push
// button; a picture takes the caption's place.
//
// Properties (both): 8 picture, 9 push-button look, 10 flat, 11 caption, 12 text on the
// left, 13 horizontal alignment, 14 vertical alignment, 15 text colour, 16 back colour
// (no colour: the parent's look), 17 font, 18 checked (the radio box: selected). The
// check box keeps 19 data source and 20 data column, which do nothing here.
//
// The check box raises no event of its own; the radio box's event 0 is clicked.
#pragma once

#include <QPointer>
#include <memory>

#include "windows/unit.h"
#include "windows/units/control_common/control_common.h"

namespace zorvel::forms {

inline constexpr std::uint32_t kCheckBoxType = 0x0001000C;

namespace choice_property {
enum : int {
  kPicture = 8, kPushButtonLook, kFlat, kCaption, kTextOnLeft, kHorizontalAlignment, kVerticalAlignment,
  kTextColour, kBackColour, kFont, kChecked,
};
}

class ChoiceBoxUnit : public Unit {
 public:
  ChoiceBoxUnit(std::uint32_t type, const CreateArgs& args);
  ~ChoiceBoxUnit() override;

  QWidget* Widget() const override { return button_; }
  bool Apply(int index) override;
  std::optional<PropertyValue> Read(int index) const override;
  std::string Caption() const override;

  void ApplyAll();
  bool Checked() const { return button_ != nullptr && button_->isChecked(); }
  // Sets the check state on the widget and in property 18, nothing else.
  void SetChecked(bool checked);

 protected:
  bool IsRadio() const;
  control::CaptionButton* Button() const { return button_; }

 private:
  void ApplyLook();
  QPointer<control::CaptionButton> button_;
};

class CheckBoxUnit : public ChoiceBoxUnit {
 public:
  explicit CheckBoxUnit(const CreateArgs& args) : ChoiceBoxUnit(kCheckBoxType, args) {}
  // Toggles the check mark (no event of its own).
  bool Click() override;
};

void RegisterCheckBoxType();

}  // namespace zorvel::forms
