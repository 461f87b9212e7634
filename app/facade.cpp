#include "app/facade.h"

#include <QWidget>

#include "windows/unit.h"
#include "windows/unit_ref.h"
#include "windows/windows.h"
#include "windows/window_commands.h"
#include "windows/units/cartoon/cartoon_commands.h"
#include "windows/units/menu/menu_commands.h"
#include "runtime/commands.h"
#include "runtime/memory.h"
#include "runtime/ui/input_box.h"
#include "windows/units/common_dialog/common_dialog.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/system.h"

namespace zorvel::app {

namespace {

namespace prop = forms::prop;
constexpr int kMenuCheckedProperty = forms::menu_item_property::kChecked;
constexpr std::uint32_t kMenuItemType = 0x00010003;

std::int32_t Word(UnitName unit, int index, int sub = -1) {
  return static_cast<std::int32_t>(forms::ReadUnitProperty(unit.window, unit.id, index, sub).word);
}

void SetWord(UnitName unit, int index, std::int32_t value, int sub = -1) {
  forms::UnitValue v;
  v.word = value;
  forms::WriteUnitProperty(unit.window, unit.id, index, sub, v);
}

std::string Bytes(UnitName unit, int index, int sub = -1) {
  return forms::ReadUnitProperty(unit.window, unit.id, index, sub).bytes;
}

void SetBytes(UnitName unit, int index, std::string_view bytes, int sub = -1) {
  forms::UnitValue v;
  v.bytes = std::string(bytes);
  v.hasBytes = true;
  forms::WriteUnitProperty(unit.window, unit.id, index, sub, v);
}

}  // namespace

std::int32_t Left(UnitName unit) { return Word(unit, prop::kLeft); }
std::int32_t Top(UnitName unit) { return Word(unit, prop::kTop); }
std::int32_t Width(UnitName unit) { return Word(unit, prop::kWidth); }
std::int32_t Height(UnitName unit) { return Word(unit, prop::kHeight); }
void SetLeft(UnitName unit, std::int32_t value) { SetWord(unit, prop::kLeft, value); }
void SetTop(UnitName unit, std::int32_t value) { SetWord(unit, prop::kTop, value); }
void SetWidth(UnitName unit, std::int32_t value) { SetWord(unit, prop::kWidth, value); }
void SetHeight(UnitName unit, std::int32_t value) { SetWord(unit, prop::kHeight, value); }
bool IsVisible(UnitName unit) { return Word(unit, prop::kVisible) != 0; }
void SetVisible(UnitName unit, bool visible) { SetWord(unit, prop::kVisible, visible ? 1 : 0); }

std::int32_t IntegerProperty(UnitName unit, int index) { return Word(unit, index); }
void SetIntegerProperty(UnitName unit, int index, std::int32_t value) { SetWord(unit, index, value); }
std::string TextProperty(UnitName unit, int index) { return Bytes(unit, index); }
void SetTextProperty(UnitName unit, int index, std::string_view value) { SetBytes(unit, index, value); }

std::int32_t FontField(UnitName unit, int index, int field) { return Word(unit, index, field); }
std::string FontFace(UnitName unit, int index) { return Bytes(unit, index, kFontFace); }
void SetFontField(UnitName unit, int index, int field, std::int32_t value) { SetWord(unit, index, value, field); }
void SetFontFace(UnitName unit, int index, std::string_view face) { SetBytes(unit, index, face, kFontFace); }

void SetFont(UnitName unit, int index, const FontValue& font) {
  forms::UnitValue v;
  v.fontWords = {font.angle, font.bold ? 1 : 0, font.italic ? 1 : 0, font.strikeOut ? 1 : 0,
                 font.underline ? 1 : 0, font.size};
  v.fontName = font.face;
  forms::WriteUnitProperty(unit.window, unit.id, index, -1, v);
}

bool IsChecked(MenuName item) {
  return forms::ReadUnitProperty(item.window, item.id, kMenuCheckedProperty, -1).word != 0;
}

void SetChecked(MenuName item, bool checked) {
  forms::UnitValue v;
  v.word = checked ? 1 : 0;
  forms::WriteUnitProperty(item.window, item.id, kMenuCheckedProperty, -1, v);
}

TypedValue UnitArgument(UnitName unit) { return forms::MakeUnitArgument(unit.window, unit.id, unit.type); }
TypedValue MenuArgument(MenuName item) { return forms::MakeUnitArgument(item.window, item.id, kMenuItemType); }

bool LoadModal(UnitName window) { return Call(cmd::LoadWindow, UnitArgument(window), kAbsent, true).logical(); }

bool LoadOver(UnitName window, UnitName parent) {
  return Call(cmd::LoadWindow, UnitArgument(window), UnitArgument(parent), false).logical();
}

bool IsOpen(UnitName window) { return Call(cmd::UnitExists, UnitArgument(window)).logical(); }
void CloseWindow(UnitName window) { Call(cmd::CloseWindow, UnitArgument(window)); }
void Refresh(UnitName unit) { Call(cmd::RefreshUnit, UnitArgument(unit)); }
void DragUnit(UnitName unit) {
  constexpr std::int32_t kNonClientLeftButtonDown = 0xA1, kOnTheCaption = 2;
  Call(cmd::SendUnitMessage, UnitArgument(unit), kNonClientLeftButtonDown, kOnTheCaption, 0);
}

bool OpenDialog(UnitName dialog) { return Call(cmd::OpenCommonDialog, UnitArgument(dialog)).logical(); }

void PopupMenu(UnitName window, MenuName menu) { Call(cmd::PopupMenu, UnitArgument(window), MenuArgument(menu)); }

std::string ReadWholeFile(const std::string& path) { return std::string(ByteSetView(Call(cmd::ReadFile, path).byteSet())); }

bool CopyFile(const std::string& from, const std::string& to) { return Call(cmd::CopyFile, from, to).logical(); }
bool DeleteFile(const std::string& path) { return Call(cmd::DeleteFile, path).logical(); }

std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                    std::optional<std::string_view> initial, std::int32_t mode) {
  char* entered = nullptr;
  const std::string promptText(prompt), titleText(title), initialText(initial.value_or(""));
  const TypedValue initialArgument = initial ? TypedValue::Text(initialText.c_str()) : TypedValue{};
  const TypedValue modeArgument = mode != 0 ? TypedValue::Integer(mode) : TypedValue{};
  const bool confirmed =
      Call(cmd::InputBox, promptText, titleText, initialArgument, Var(entered), modeArgument).logical();
  std::optional<std::string> result;
  if (confirmed) result = std::string(TextView(entered));
  Free(entered);
  return result;
}

int MessageBox(std::string_view text, std::int32_t flags) {
  return Call(cmd::MessageBox, std::string(text), flags).integer();
}

int MessageBox(std::string_view text, std::int32_t flags, std::string_view caption) {
  return Call(cmd::MessageBox, std::string(text), flags, std::string(caption)).integer();
}

void Delay(std::int32_t milliseconds) { Call(cmd::Delay, milliseconds); }

void WhenWindowGoes(std::uint32_t window, std::function<void()> then) {
  QWidget* widget = forms::WidgetOfHandle(window);
  if (widget == nullptr) {
    then();
    return;
  }
  QObject::connect(widget, &QObject::destroyed, std::move(then));
}

}  // namespace zorvel::app
