// Every test hook of the runtime and the window core back to its state at start-up, so
// that a test never sees what an earlier one left behind.
#pragma once

#include "runtime/error.h"
#include "runtime/program.h"
#include "runtime/ui/input_box.h"
#include "runtime/ui/message_box.h"
#include "windows/units/common_dialog/common_dialog.h"
#include "windows/units/menu/menu_commands.h"
#include "windows/units/window/window_unit.h"

namespace zorvel::test {

// No queued answers for the message box, the input box, the common dialogs or popup
// menus (and no last popup menu); the real tick count; no runtime-error hook and the
// runtime-error text on standard error again (the runtime application's start-up puts
// up the box); no window music.
inline void ResetTestHooks() {
  ui::ClearMessageBoxAnswers();
  ui::ClearInputBoxAnswers();
  forms::ClearCommonDialogAnswers();
  forms::ResetPopupHooks();
  SetTickSource(nullptr);
  SetErrorHook(nullptr);
  SetErrorBox(nullptr);
  forms::SetWindowMusicHook(nullptr);
}

}  // namespace zorvel::test
