// The password window in front of the prize settings: 进入设置 opens the settings for
// the stored password, 修改密码 replaces the stored password once the old one is typed.
// The password is kept enciphered in config.a (zbt, "password"); without one, the empty
// password lets everybody in.
#pragma once

#include "app/facade.h"

namespace zorvel::app::password_window {

// Handlers.
void Enter();   // 进入设置: the typed password against the stored one
void Change();  // 修改密码: ask for the new password and store it

}  // namespace zorvel::app::password_window
