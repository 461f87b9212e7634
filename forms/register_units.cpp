#include "forms/register_units.h"

#include "forms/units/cartoon/cartoon_box.h"
#include "forms/units/common_dialog/common_dialog.h"
#include "forms/units/control_common/standard_controls.h"
#include "forms/units/draw_panel/draw_panel.h"
#include "forms/units/edit_box/edit_box.h"
#include "forms/units/menu/menu.h"
#include "forms/units/pic_box/pic_box.h"
#include "forms/units/pic_button/pic_button.h"
#include "forms/units/trans_label/trans_label.h"
#include "forms/units/window/window_unit.h"

namespace zorvel::forms {

void RegisterUnitTypes() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  RegisterWindowUnitType();
  RegisterMenuItemType();
  RegisterCommonDialogType();
  RegisterStandardControlTypes();
  RegisterCartoonTypes();
  RegisterDrawPanelType();
  RegisterPicButtonType();
  RegisterTransLabelType();
  RegisterEditBoxType();
  RegisterPicBoxType();
}

}  // namespace zorvel::forms
