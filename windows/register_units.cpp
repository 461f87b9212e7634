#include "windows/register_units.h"

#include "windows/units/cartoon/cartoon_box.h"
#include "windows/units/common_dialog/common_dialog.h"
#include "windows/units/control_common/standard_controls.h"
#include "windows/units/draw_panel/draw_panel.h"
#include "windows/units/edit_box/edit_box.h"
#include "windows/units/menu/menu.h"
#include "windows/units/pic_box/pic_box.h"
#include "windows/units/pic_button/pic_button.h"
#include "windows/units/trans_label/trans_label.h"
#include "windows/units/window/window_unit.h"

namespace zorvel::forms {

void RegisterUnitTypes() {
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
