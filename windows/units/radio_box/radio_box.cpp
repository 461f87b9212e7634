#include "windows/units/radio_box/radio_box.h"

#include "windows/windows.h"

namespace zorvel::forms {

RadioBoxUnit::RadioBoxUnit(const CreateArgs& args) : ChoiceBoxUnit(kRadioBoxType, args) {
  // A click has already selected the box (a click never clears a radio box).
  QObject::connect(Button(), &QAbstractButton::clicked, Button(), [this] {
    ClearGroup();
    control::FireFrom(Button(), *this, 0);
  });
}

void RadioBoxUnit::ClearGroup() {
  // The group: the other radio boxes of this window whose widgets share this one's
  // parent, which is the widget of the parent unit (the window or a container).
  LoadedWindow* window = FindLoadedWindow(WindowId());
  QWidget* widget = Widget();
  if (window == nullptr || widget == nullptr) return;
  for (const std::unique_ptr<Unit>& other : window->units) {
    auto* radio = dynamic_cast<RadioBoxUnit*>(other.get());
    if (radio == nullptr || radio == this || radio->Widget() == nullptr) continue;
    if (radio->Widget()->parentWidget() != widget->parentWidget()) continue;
    if (radio->Checked()) radio->SetChecked(false);
  }
}

bool RadioBoxUnit::Click() {
  SetChecked(true);
  ClearGroup();
  control::FireFrom(Button(), *this, 0);
  return true;
}

void RegisterRadioBoxType() {
  RegisterUnitType(UnitTypeInfo{FindUnitLayout(kRadioBoxType), kStateWindowed | kStateRadio, &control::CreateControl<RadioBoxUnit>});
}

}  // namespace zorvel::forms
