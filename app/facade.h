// What the prize-draw handlers do all the time, by name: read and write a unit's
// properties, show and hide units, open and close windows, pop up menus, read whole
// files of the program folder, ask with a message box. A thin layer over the window
// core's property access and the runtime's library commands: every call goes straight
// to one of them, with the same results and the same runtime errors.
//
// Units, menu items and windows are named by the table the form compiler makes from the
// window sources (app/form_ids.h): ids::main::kEgg3, ids::results::kClearButton, … A
// window is named by its own unit, kWindow.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/form_ids.h"
#include "runtime/values.h"

namespace zorvel::app {

using ids::MenuName;
using ids::UnitName;

// The common properties of every unit (for a window: its frame on the screen).
std::int32_t Left(UnitName unit);
std::int32_t Top(UnitName unit);
std::int32_t Width(UnitName unit);
std::int32_t Height(UnitName unit);
void SetLeft(UnitName unit, std::int32_t value);
void SetTop(UnitName unit, std::int32_t value);
void SetWidth(UnitName unit, std::int32_t value);
void SetHeight(UnitName unit, std::int32_t value);
bool IsVisible(UnitName unit);
void SetVisible(UnitName unit, bool visible);
inline void Show(UnitName unit) { SetVisible(unit, true); }
inline void Hide(UnitName unit) { SetVisible(unit, false); }

// A property of the unit's own type (index 8 upwards, as the unit type names them):
// integers, choices, logicals and colours as a word; texts and byte sets (pictures)
// as their GBK text or bytes.
std::int32_t IntegerProperty(UnitName unit, int index);
void SetIntegerProperty(UnitName unit, int index, std::int32_t value);
std::string TextProperty(UnitName unit, int index);
void SetTextProperty(UnitName unit, int index, std::string_view value);
inline void SetPictureProperty(UnitName unit, int index, std::string_view bytes) {
  SetTextProperty(unit, index, bytes);
}

// One field of a font property: 0 angle, 1 bold, 2 italic, 3 strike-out, 4 underline,
// 5 size in points, 6 face name.
inline constexpr int kFontSize = 5;
inline constexpr int kFontFace = 6;
std::int32_t FontField(UnitName unit, int index, int field);
std::string FontFace(UnitName unit, int index);
void SetFontField(UnitName unit, int index, int field, std::int32_t value);
void SetFontFace(UnitName unit, int index, std::string_view face);

// A whole font property: the angle (tenths of a degree), the four style flags, the size
// in points and the face name (GBK).
struct FontValue {
  std::int32_t angle = 0;
  bool bold = false, italic = false, strikeOut = false, underline = false;
  std::int32_t size = 9;
  std::string face;
};
void SetFont(UnitName unit, int index, const FontValue& font);

// A menu item's check mark.
bool IsChecked(MenuName item);
void SetChecked(MenuName item, bool checked);

// A unit as a library command takes it.
TypedValue UnitArgument(UnitName unit);
TypedValue MenuArgument(MenuName item);

// Windows: loading one modal (returns once it has closed again) or non-modal over a
// parent window; whether one is open; closing one as the close-window command does
// (destroyed when the event loop gets back to it).
bool LoadModal(UnitName window);
bool LoadOver(UnitName window, UnitName parent);
bool IsOpen(UnitName window);
void CloseWindow(UnitName window);
// Repaints the unit at once, without dispatching events.
void Refresh(UnitName unit);
// The platform's move loop on a unit (what a press on a title bar starts): the unit
// follows the mouse until the left button is released, then this returns.
void DragUnit(UnitName unit);
// Opens a common dialog unit as its kind says (file or font); true when confirmed.
bool OpenDialog(UnitName dialog);
// Pops up the sub-items of a top-level menu item at the mouse cursor; the chosen item's
// handler runs afterwards.
void PopupMenu(UnitName window, MenuName menu);

// The whole content of a file (empty when it is missing or unreadable); the name is the
// program's own GBK path.
std::string ReadWholeFile(const std::string& path);
// File commands on the program's own GBK paths; true when they succeeded.
bool CopyFile(const std::string& from, const std::string& to);
bool DeleteFile(const std::string& path);

// The input box: the entered text (GBK) when confirmed, nothing when cancelled. Mode 0
// is the box's default, 1 text.
std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                    std::optional<std::string_view> initial, std::int32_t mode = 0);

// A message box: the pressed button as the command gives it (OK 0, Cancel 1, …). No
// caption: the box's default one.
int MessageBox(std::string_view text, std::int32_t flags);
int MessageBox(std::string_view text, std::int32_t flags, std::string_view caption);
inline constexpr int kAnswerOk = 0;
inline constexpr std::int32_t kOkOnly = 0, kOkCancel = 1, kInformationIcon = 0x40, kExclamationIcon = 0x30;

// Runs `then` once the window of the handle has been destroyed (at once when there is
// no such window).
void WhenWindowGoes(std::uint32_t window, std::function<void()> then);

// The delay command: waits while window events keep being handled.
void Delay(std::int32_t milliseconds);

}  // namespace zorvel::app
