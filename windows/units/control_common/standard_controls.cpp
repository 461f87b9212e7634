#include "windows/units/control_common/standard_controls.h"

#include "windows/units/button/button.h"
#include "windows/units/check_box/check_box.h"
#include "windows/units/group_box/group_box.h"
#include "windows/units/label/label.h"
#include "windows/units/radio_box/radio_box.h"

namespace zorvel::forms {

void RegisterStandardControlTypes() {
  RegisterLabelType();
  RegisterButtonType();
  RegisterCheckBoxType();
  RegisterRadioBoxType();
  RegisterGroupBoxType();
}

}  // namespace zorvel::forms
