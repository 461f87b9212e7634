#include "windows/units/button/button.h"

#include "windows/font.h"

namespace zorvel::forms {

namespace bp = button_property;

ButtonUnit::ButtonUnit(const CreateArgs& args)
    : Unit(*FindUnitLayout(kButtonType), args.windowId, args.unitId),
      button_(new control::CaptionButton(control::CaptionButton::Kind::kPush, args.parent)) {
  control::PlaceWidget(*button_, args);
  QObject::connect(button_, &QAbstractButton::clicked, button_, [this] { control::FireFrom(button_, *this, 0); });
}

ButtonUnit::~ButtonUnit() { control::DisposeWidget(button_); }

void ButtonUnit::ApplyLook() {
  control::CaptionButton::Look look;
  look.isDefault = IsDefaultButton();
  look.alignment = control::AlignmentOf(Property(bp::kHorizontalAlignment).word, Property(bp::kVerticalAlignment).word);
  button_->SetLook(look);
}

void ButtonUnit::ApplyAll() {
  button_->SetPicture(control::DecodePicture(Property(bp::kPicture).bytes));
  button_->SetCaption(control::ShownText(Property(bp::kCaption).bytes));
  button_->setFont(ToQFont(Property(bp::kFont).bytes));
  ApplyLook();
}

bool ButtonUnit::Apply(int index) {
  if (button_ == nullptr) return false;
  switch (index) {
    case bp::kPicture:
      return true;  // a picture button is a different kind of native button
    case bp::kCaption:
      button_->SetCaption(control::ShownText(Property(bp::kCaption).bytes));
      return false;
    case bp::kFont:
      button_->setFont(ToQFont(Property(bp::kFont).bytes));
      return false;
    case bp::kType:
    case bp::kHorizontalAlignment:
    case bp::kVerticalAlignment:
      ApplyLook();
      return false;
    default:
      return false;
  }
}

bool ButtonUnit::IsDefaultButton() const { return Property(bp::kType).word == 1; }

std::string ButtonUnit::Caption() const { return Property(bp::kCaption).bytes; }

bool ButtonUnit::Click() {
  control::FireFrom(button_, *this, 0);
  return true;
}

void RegisterButtonType() {
  RegisterUnitType(UnitTypeInfo{FindUnitLayout(kButtonType), kStateWindowed | kStateDefaultButton, &control::CreateControl<ButtonUnit>});
}

}  // namespace zorvel::forms
