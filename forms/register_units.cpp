#include "forms/register_units.h"

#include "forms/units/common_dialog/common_dialog.h"
#include "forms/units/menu/menu.h"
#include "forms/units/window/window_unit.h"

namespace zorvel::forms {

void RegisterUnitTypes() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  RegisterWindowUnitType();
  RegisterMenuItemType();
  RegisterCommonDialogType();
}

}  // namespace zorvel::forms
