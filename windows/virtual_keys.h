// Virtual-key codes: the numbers key events and hotkeys carry.
#pragma once

#include <Qt>

namespace zorvel::forms {

inline constexpr int kVkBack = 8, kVkTab = 9, kVkReturn = 13, kVkShift = 16, kVkControl = 17, kVkMenu = 18,
                     kVkPause = 19, kVkCapital = 20, kVkEscape = 27, kVkSpace = 32, kVkPrior = 33, kVkNext = 34,
                     kVkEnd = 35, kVkHome = 36, kVkLeft = 37, kVkUp = 38, kVkRight = 39, kVkDown = 40,
                     kVkInsert = 45, kVkDelete = 46, kVkNumpad0 = 96, kVkF1 = 112;

// The virtual-key code of a Qt key (0 for keys without one). Keys of the numeric keypad
// give the keypad codes.
int VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);

}  // namespace zorvel::forms
