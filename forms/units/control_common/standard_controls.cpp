#include "forms/units/control_common/standard_controls.h"

#include "forms/units/button/button.h"
#include "forms/units/check_box/check_box.h"
#include "forms/units/group_box/group_box.h"
#include "forms/units/label/label.h"
#include "forms/units/radio_box/radio_box.h"

namespace zorvel::forms {

void RegisterStandardControlTypes() {
  RegisterLabelType();
  RegisterButtonType();
  RegisterCheckBoxType();
  RegisterRadioBoxType();
  RegisterGroupBoxType();
}

}  // namespace zorvel::forms
