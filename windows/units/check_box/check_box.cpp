#include "windows/units/check_box/check_box.h"

#include "windows/font.h"

namespace zorvel::forms {

namespace cp = choice_property;

ChoiceBoxUnit::ChoiceBoxUnit(std::uint32_t type, const CreateArgs& args)
    : Unit(*FindUnitLayout(type), args.windowId, args.unitId),
      button_(new control::CaptionButton(
          type == kCheckBoxType ? control::CaptionButton::Kind::kCheck : control::CaptionButton::Kind::kRadio,
          args.parent)) {
  control::PlaceWidget(*button_, args);
  // The widget's check state and property 18 always agree, however the state changed.
  QObject::connect(button_, &QAbstractButton::toggled, button_,
                   [this](bool on) { Property(cp::kChecked).word = on ? 1 : 0; });
}

ChoiceBoxUnit::~ChoiceBoxUnit() { control::DisposeWidget(button_); }

bool ChoiceBoxUnit::IsRadio() const { return Layout().type != kCheckBoxType; }

void ChoiceBoxUnit::ApplyLook() {
  control::CaptionButton::Look look;
  look.pushLike = Property(cp::kPushButtonLook).word != 0;
  look.flat = Property(cp::kFlat).word != 0;
  look.textOnLeft = Property(cp::kTextOnLeft).word != 0;
  look.wrap = true;
  look.alignment = control::AlignmentOf(Property(cp::kHorizontalAlignment).word, Property(cp::kVerticalAlignment).word);
  look.text = control::ColourOf(Property(cp::kTextColour).word);
  look.back = control::ColourOf(Property(cp::kBackColour).word);
  button_->SetLook(look);
}

void ChoiceBoxUnit::SetChecked(bool checked) {
  Property(cp::kChecked).word = checked ? 1 : 0;
  if (button_ != nullptr) button_->setChecked(checked);
}

void ChoiceBoxUnit::ApplyAll() {
  button_->SetPicture(control::DecodePicture(Property(cp::kPicture).bytes));
  button_->SetCaption(control::ShownText(Property(cp::kCaption).bytes));
  button_->setFont(ToQFont(Property(cp::kFont).bytes));
  button_->setChecked(Property(cp::kChecked).word != 0);
  ApplyLook();
}

bool ChoiceBoxUnit::Apply(int index) {
  if (button_ == nullptr) return false;
  switch (index) {
    case cp::kPicture:
      return true;  // a picture box of the platform is another kind of native button
    case cp::kCaption:
      button_->SetCaption(control::ShownText(Property(cp::kCaption).bytes));
      return false;
    case cp::kFont:
      button_->setFont(ToQFont(Property(cp::kFont).bytes));
      return false;
    case cp::kChecked:
      // Only this box: the others of a radio group keep their state.
      button_->setChecked(Property(cp::kChecked).word != 0);
      return false;
    case cp::kPushButtonLook:
    case cp::kFlat:
    case cp::kTextOnLeft:
    case cp::kHorizontalAlignment:
    case cp::kVerticalAlignment:
    case cp::kTextColour:
    case cp::kBackColour:
      ApplyLook();
      return false;
    default:
      return false;  // the data binding is only kept
  }
}

std::optional<PropertyValue> ChoiceBoxUnit::Read(int index) const {
  if (index == cp::kChecked && button_ != nullptr) return PropertyValue{button_->isChecked() ? 1 : 0, 0, {}};
  return Unit::Read(index);
}

std::string ChoiceBoxUnit::Caption() const { return Property(cp::kCaption).bytes; }

bool CheckBoxUnit::Click() {
  SetChecked(!Checked());
  return true;
}

void RegisterCheckBoxType() {
  RegisterUnitType(UnitTypeInfo{FindUnitLayout(kCheckBoxType), kStateWindowed, &control::CreateControl<CheckBoxUnit>});
}

}  // namespace zorvel::forms
