// The main window: the start-up sequence, the eggs shown for the egg count, the prize
// display's dismissal, the right-button menus, the windows opened from the menu, the
// two display sizes and the exit confirmation.
#pragma once

#include <array>
#include <optional>

#include "app/facade.h"

namespace zorvel::app::main_window {

// The nine eggs; element N − 1 is egg N.
inline constexpr std::array<UnitName, 9> kEggs = {ids::main::kEgg1, ids::main::kEgg2, ids::main::kEgg3,
                                                  ids::main::kEgg4, ids::main::kEgg5, ids::main::kEgg6,
                                                  ids::main::kEgg7, ids::main::kEgg8, ids::main::kEgg9};

// Handlers.
void Created();                // the start-up sequence
void Resized();                // the prize display and the stage follow the window
void ShowSettingsMenu();       // right button on the window or a title: 设置
void ShowPrizeMenu();          // right button on the prize display: 关闭菜单
bool MayClose();               // the close box, Alt+F4: confirm first
void ExitFromMenu();           // 退出: confirm first
void DismissPrize();           // 关闭 (label or menu): back to the eggs
void OpenResults();            // 中奖结果
void OpenPrizeSettings();      // 奖项设置, through the password window
void FullScreen();             // 全屏
void Windowed();               // 窗口
void ChangeBackground();       // 背景图控制 › 更换背景图
void RemoveBackground();       // 背景图控制 › 取消背景图
void OpenEggEditor();          // 调整金蛋位置

// The egg visibility rule: "金蛋个数" n of 1 … 9 shows eggs 1 … n and hides the rest;
// an empty key or any other n changes nothing. The settings window calls it again.
void ApplyEggCount();

}  // namespace zorvel::app::main_window
