// The unit-type descriptions: property tables and stored-block layouts of every unit
// type the form data can name, and the one reader and writer of stored blocks.
#include "forms/unit_layout.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "text/gbk_literal.h"

namespace zorvel::forms {
namespace {

using namespace zorvel::literals;
using PT = PropertyType;
using FK = FieldKind;

constexpr std::int32_t kNoColour = static_cast<std::int32_t>(0xFF000000u);

// Property table rows.
constexpr PropertyInfo Integer(std::string_view name, std::int32_t value = 0, std::int32_t minimum = INT32_MIN,
                               std::int32_t maximum = INT32_MAX) {
  return {.name = name, .type = PT::kInteger, .defaultWord = value, .minimum = minimum, .maximum = maximum};
}
constexpr PropertyInfo Choice(std::string_view name, std::int32_t value, std::int32_t minimum, std::int32_t maximum) {
  return {.name = name, .type = PT::kChoice, .defaultWord = value, .minimum = minimum, .maximum = maximum};
}
constexpr PropertyInfo Logical(std::string_view name, bool value) {
  return {.name = name, .type = PT::kLogical, .defaultWord = value ? 1 : 0, .minimum = 0, .maximum = 1};
}
constexpr PropertyInfo Word(std::string_view name, PropertyType type, std::int32_t value) {
  return {.name = name, .type = type, .defaultWord = value};
}
constexpr PropertyInfo Colour(std::string_view name, std::int32_t value) { return Word(name, PT::kColour, value); }
constexpr PropertyInfo BackColour(std::string_view name, std::int32_t value) {
  return Word(name, PT::kBackColour, value);
}
constexpr PropertyInfo Bytes(std::string_view name, PropertyType type, std::string_view value = {}) {
  return {.name = name, .type = type, .defaultBytes = value};
}
constexpr PropertyInfo Text(std::string_view name, std::string_view value = {}) {
  return Bytes(name, PT::kText, value);
}

constexpr StoredField W(int property, std::uint32_t minVersion = 0) { return {property, FK::kWord, minVersion}; }
constexpr StoredField B(int property, std::uint32_t minVersion = 0) { return {property, FK::kBytes, minVersion}; }
constexpr StoredField T(int property, std::uint32_t minVersion = 0) { return {property, FK::kText, minVersion}; }
constexpr StoredField C(int property, std::uint32_t minVersion = 0) { return {property, FK::kCharacter, minVersion}; }

// window: the top-level window itself (unit 0 of every template). Version 2 added the
// task-bar switch, 3 drag-anywhere and shape, 4 always-on-top, 5 keep-title-active and
// 6 the window class name.
constexpr PropertyInfo kWindowProperties[] = {
    Text("title"),                                 // 8
    Choice("border", 2, 0, 6),                     // 9
    BackColour("backColour", kNoColour),           // 10
    Bytes("backPicture", PT::kPicture),            // 11
    Choice("backPictureMode", 1, 0, 3),            // 12
    Bytes("music", PT::kSound),                    // 13
    Choice("musicMode", 0, 0, 2),                  // 14
    Logical("controlBox", true),                   // 15
    Logical("maximiseButton", false),              // 16
    Logical("minimiseButton", false),              // 17
    Choice("position", 1, 0, 3),                   // 18
    Logical("movable", true),                      // 19
    Bytes("icon", PT::kIcon),                      // 20
    Logical("enterMovesFocus", false),             // 21
    Logical("escCloses", true),                    // 22
    Logical("f1OpensHelp", false),                 // 23
    Bytes("helpFile", PT::kFileName),              // 24
    Integer("helpContext"),                        // 25
    Logical("showInTaskBar", true),                // 26
    Logical("dragAnywhere", false),                // 27
    Choice("shape", 0, 0, 29),                     // 28
    Logical("alwaysOnTop", false),                 // 29
    Logical("keepTitleActive", false),             // 30
    Text("className"),                             // 31
};
constexpr StoredField kWindowFields[] = {
    W(9),  W(12), W(10), W(16), W(17), W(15), W(18), W(19), W(14), W(21), W(22), W(23), W(25),
    W(26, 2), W(27, 3), W(28, 3), W(29, 4), W(30, 5), T(31, 6),
    B(11), B(20), B(13), T(8), T(24),
};

// EditBox. Version 2 added the data-binding texts.
constexpr PropertyInfo kEditBoxProperties[] = {
    Text("content"),                               // 8
    Choice("border", 1, 0, 5),                     // 9
    Colour("textColour", 0),                       // 10
    BackColour("backColour", 0x00FFFFFF),          // 11
    Bytes("font", PT::kFont),                      // 12
    Logical("hideSelection", true),                // 13
    Integer("maxLength", 0, 0),                    // 14
    Logical("multiLine", false),                   // 15
    Choice("scrollBars", 0, 0, 3),                 // 16
    Choice("horizontalAlignment", 0, 0, 2),        // 17
    Choice("inputMode", 0, 0, 11),                 // 18
    Text("passwordCharacter", "*"),                // 19
    Choice("caseConversion", 0, 0, 2),             // 20
    Choice("spinAdjuster", 0, 0, 2),               // 21
    Integer("adjusterMinimum", 0),                 // 22
    Integer("adjusterMaximum", 100),               // 23
    Integer("selectionStart"),                     // 24
    Integer("selectionLength"),                    // 25
    Text("selectedText"),                          // 26
    Bytes("dataSource", PT::kDataSource),          // 27
    Bytes("dataColumn", PT::kDataColumn),          // 28
};
constexpr StoredField kEditBoxFields[] = {
    W(9),  W(10), W(11), W(13), W(14), W(15), W(16), W(17), W(18), C(19), W(20), W(21), W(22), W(23),
    W(24), W(25), B(12), T(8),  T(27, 2), T(28, 2),
};

// PicBox. Version 2 added the data-binding texts.
constexpr PropertyInfo kPicBoxProperties[] = {
    Choice("border", 0, 0, 5),                     // 8
    BackColour("backColour", kNoColour),           // 9
    Bytes("picture", PT::kPicture),                // 10
    Choice("displayMode", 0, 0, 2),                // 11
    Logical("playAnimation", true),                // 12
    Bytes("dataSource", PT::kDataSource),          // 13
    Bytes("dataColumn", PT::kDataColumn),          // 14
};
constexpr StoredField kPicBoxFields[] = {W(8), W(9), W(11), W(12), B(10), T(13, 2), T(14, 2)};

// DrawPanel.
constexpr PropertyInfo kDrawPanelProperties[] = {
    Choice("border", 0, 0, 5),                     // 8
    BackColour("backColour", kNoColour),           // 9
    Bytes("backPicture", PT::kPicture),            // 10
    Choice("backPictureMode", 1, 0, 2),            // 11
    Logical("autoRedraw", false),                  // 12
    Choice("drawingUnit", 0, 0, 5),                // 13
    Choice("penType", 1, 0, 6),                    // 14
    Choice("drawMode", 12, 0, 15),                 // 15
    Integer("penWidth", 0, 0, 32767),              // 16
    Colour("penColour", 0),                        // 17
    Choice("brushType", 1, 0, 55),                 // 18
    Colour("brushColour", 0x00FFFFFF),             // 19
    Colour("textColour", 0),                       // 20
    Word("textBackColour", PT::kTransparentColour, kNoColour),  // 21: no colour = transparent
    Bytes("font", PT::kFont),                      // 22
};
constexpr StoredField kDrawPanelFields[] = {
    W(8), W(9), W(11), W(12), W(13), W(14), W(15), W(16), W(17), W(18), W(19), W(20), W(21), B(22), B(10),
};

// GroupBox.
constexpr PropertyInfo kGroupBoxProperties[] = {
    Text("caption"),                               // 8
    Choice("horizontalAlignment", 0, 0, 2),        // 9
    Colour("textColour", 0),                       // 10
    BackColour("backColour", kNoColour),           // 11
    Bytes("font", PT::kFont),                      // 12
};
constexpr StoredField kGroupBoxFields[] = {W(9), W(10), W(11), B(12), T(8)};

// Label. Version 2 added the data-binding texts.
constexpr PropertyInfo kLabelProperties[] = {
    Text("title", "标签"_gbk),                     // 8
    Choice("effect", 0, 0, 3),                     // 9
    Choice("border", 0, 0, 6),                     // 10
    Integer("gradientBorderWidth", 8, 5),          // 11
    Colour("gradientBorderColour1", 0x00808080),   // 12
    Colour("gradientBorderColour2", 0x00FFFFFF),   // 13
    Colour("gradientBorderColour3", 0x00808080),   // 14
    Bytes("font", PT::kFont),                      // 15
    Colour("textColour", 0),                       // 16
    BackColour("backColour", kNoColour),           // 17
    Bytes("backPicture", PT::kPicture),            // 18
    Choice("backPictureMode", 1, 0, 2),            // 19
    Choice("gradientBackMode", 0, 0, 8),           // 20
    Colour("gradientBackColour1", 0x00808080),     // 21
    Colour("gradientBackColour2", 0x00FFFFFF),     // 22
    Colour("gradientBackColour3", 0x00808080),     // 23
    Choice("horizontalAlignment", 0, 0, 2),        // 24
    Logical("wordWrap", false),                    // 25
    Choice("verticalAlignment", 1, 0, 2),          // 26
    Bytes("dataSource", PT::kDataSource),          // 27
    Bytes("dataColumn", PT::kDataColumn),          // 28
};
constexpr StoredField kLabelFields[] = {
    W(9),  W(11), W(10), W(12), W(13), W(14), W(16), W(17), W(19), W(20), W(21), W(22), W(23),
    W(24), W(26), W(25), B(15), B(18), T(8),  T(27, 2), T(28, 2),
};

// Button.
constexpr PropertyInfo kButtonProperties[] = {
    Bytes("picture", PT::kPicture),                // 8
    Choice("buttonType", 0, 0, 1),                 // 9: 1 = the default button
    Text("caption", "按钮"_gbk),                   // 10
    Choice("horizontalAlignment", 1, 0, 2),        // 11
    Choice("verticalAlignment", 1, 0, 2),          // 12
    Bytes("font", PT::kFont),                      // 13
};
constexpr StoredField kButtonFields[] = {W(9), W(11), W(12), B(8), B(13), T(10)};

// CheckBox and RadioBox have the same properties 8-18 but for the caption's default and
// the name of 18; the check box adds data binding in version 2. Their property tables
// therefore stay apart, while the radio box's stored fields are the check box's before
// the data binding.
constexpr PropertyInfo kCheckBoxProperties[] = {
    Bytes("picture", PT::kPicture),                // 8
    Logical("pushButtonLook", false),              // 9
    Logical("flat", false),                        // 10
    Text("caption", "选择框"_gbk),                 // 11
    Logical("textOnLeft", false),                  // 12
    Choice("horizontalAlignment", 0, 0, 2),        // 13
    Choice("verticalAlignment", 1, 0, 2),          // 14
    Colour("textColour", 0),                       // 15
    BackColour("backColour", kNoColour),           // 16
    Bytes("font", PT::kFont),                      // 17
    Logical("checked", false),                     // 18
    Bytes("dataSource", PT::kDataSource),          // 19
    Bytes("dataColumn", PT::kDataColumn),          // 20
};
constexpr StoredField kCheckBoxFields[] = {
    W(9), W(10), W(12), W(13), W(14), W(15), W(16), W(18), B(8), B(17), T(11), T(19, 2), T(20, 2),
};

constexpr PropertyInfo kRadioBoxProperties[] = {
    Bytes("picture", PT::kPicture),                // 8
    Logical("pushButtonLook", false),              // 9
    Logical("flat", false),                        // 10
    Text("caption", "单选框"_gbk),                 // 11
    Logical("textOnLeft", false),                  // 12
    Choice("horizontalAlignment", 0, 0, 2),        // 13
    Choice("verticalAlignment", 1, 0, 2),          // 14
    Colour("textColour", 0),                       // 15
    BackColour("backColour", kNoColour),           // 16
    Bytes("font", PT::kFont),                      // 17
    Logical("selected", false),                    // 18
};
constexpr std::span<const StoredField> kRadioBoxFields = std::span(kCheckBoxFields).first(11);

// CommonDlg: file, font and help dialogs; never shown itself.
constexpr PropertyInfo kCommonDlgProperties[] = {
    Choice("kind", 0, 0, 3),                       // 8: open file, save file, font, help
    Text("title"),                                 // 9
    Text("fileName"),                              // 10
    Text("filter"),                                // 11
    Integer("filterIndex"),                        // 12
    Text("initialFolder"),                         // 13
    Text("defaultExtension"),                      // 14
    Logical("createPrompt", false),                // 15
    Logical("fileMustExist", true),                // 16
    Logical("overwritePrompt", true),              // 17
    Logical("pathMustExist", true),                // 18
    Logical("noChangeFolder", false),              // 19
    Colour("fontColour", 0),                       // 20
    Logical("bold", false),                        // 21
    Logical("italic", false),                      // 22
    Logical("strikeOut", false),                   // 23
    Logical("underline", false),                   // 24
    Text("fontName"),                              // 25
    Integer("fontSize"),                           // 26
    Text("helpFile"),                              // 27
    Choice("helpCommand", 0, 0, 5),                // 28
    Integer("helpContext"),                        // 29
};
constexpr StoredField kCommonDlgFields[] = {
    W(8),  W(12), W(15), W(16), W(17), W(18), W(19), W(20), W(21), W(22), W(23), W(24), W(26), W(28), W(29),
    T(9),  T(10), T(11), T(13), T(14), T(25), T(27),
};

// PicBtn: a button drawn from four pictures, cut to shape by a transparent colour.
constexpr PropertyInfo kPicBtnProperties[] = {
    Choice("buttonType", 0, 0, 1),                 // 8: push or toggle
    Logical("selected", false),                    // 9
    Bytes("picture", PT::kPicture),                // 10
    Bytes("hoverPicture", PT::kPicture),           // 11
    Bytes("pressedPicture", PT::kPicture),         // 12
    Bytes("disabledPicture", PT::kPicture),        // 13
    BackColour("transparentColour", kNoColour),    // 14
};
constexpr StoredField kPicBtnFields[] = {W(8), W(9), W(14), B(10), B(11), B(12), B(13)};

// CartoonBox: the sprite stage. Its block is laid out like the drawing panel's: every
// word in property order, then the font and the back picture. Versions 0 to 2 hold the
// same fields; 2 is the one written.
constexpr PropertyInfo kCartoonBoxProperties[] = {
    Choice("border", 0, 0, 5),                     // 8
    BackColour("backColour", kNoColour),           // 9
    Bytes("backPicture", PT::kPicture),            // 10
    Choice("backPictureMode", 1, 0, 3),            // 11
    Choice("penType", 1, 0, 6),                    // 12
    Choice("drawMode", 12, 0, 15),                 // 13
    Integer("penWidth", 0, 0, 32767),              // 14
    Colour("penColour", 0),                        // 15
    Choice("brushType", 1, 0, 55),                 // 16
    Colour("brushColour", 0x00FFFFFF),             // 17
    Colour("textColour", 0),                       // 18
    Word("textBackColour", PT::kTransparentColour, kNoColour),  // 19
    Bytes("font", PT::kFont),                      // 20
};
constexpr StoredField kCartoonBoxFields[] = {
    W(8), W(9), W(11), W(12), W(13), W(14), W(15), W(16), W(17), W(18), W(19), B(20), B(10),
};

// CartoonObject: a sprite template. The engine settings the stage's own timer engine
// reads keep neutral names. Version 2 added setting 31, version 3 the mirror.
constexpr PropertyInfo kCartoonObjectProperties[] = {
    Text("text"),                                  // 8
    Bytes("font", PT::kFont),                      // 9
    Colour("textColour", 0),                       // 10
    Bytes("picture", PT::kCustomData),             // 11
    Logical("topLeftTransparent", false),          // 12
    BackColour("transparentColour", kNoColour),    // 13
    Logical("engineSetting14", false),             // 14
    Integer("engineTiming", 0, 0),                 // 15
    Integer("engineSetting16"),                    // 16
    Colour("tintColour", 0x00FFFFFF),              // 17
    Integer("tintAmount", 0, 0, 100),              // 18
    Integer("imageEffect"),                        // 19
    Integer("translucency", 0, 0, 100),            // 20
    Integer("scale", 1000, 0),                     // 21: thousandths; 0 = unscaled
    Integer("layer"),                              // 22
    Integer("angle", 0, -360, 360),                // 23
    Logical("mayRotate", false),                   // 24
    Choice("mirror", 0, 0, 3),                     // 25
    Integer("engineSetting26", 0, 0),              // 26
    Bytes("engineSound27", PT::kSound),            // 27
    Bytes("engineSound28", PT::kSound),            // 28
    Logical("engineSetting29", false),             // 29
    Bytes("engineSound30", PT::kSound),            // 30
    Integer("engineSetting31"),                    // 31
};
constexpr StoredField kCartoonObjectFields[] = {
    W(10), W(12), W(13), W(20), W(21), W(14), W(15), W(16), W(17), W(18), W(19), W(22), W(23), W(24), W(26), W(29),
    W(31, 2), W(25, 3), T(8), B(9), B(11), B(27), B(28), B(30),
};

// TransLabel: text with no background. The vertical alignment is stored before the word
// wrap although its index is higher.
constexpr PropertyInfo kTransLabelProperties[] = {
    Text("title", "透明标签"_gbk),                 // 8
    Choice("effect", 0, 0, 3),                     // 9
    Bytes("font", PT::kFont),                      // 10
    Colour("textColour", 0),                       // 11
    Choice("horizontalAlignment", 0, 0, 2),        // 12
    Logical("wordWrap", false),                    // 13
    Choice("verticalAlignment", 1, 0, 2),          // 14
};
constexpr StoredField kTransLabelFields[] = {W(9), W(11), W(12), W(14), W(13), B(10), T(8)};

const UnitLayout kWindow{0x00010001, "window", "窗口"_gbk, 6, kWindowProperties, kWindowFields};
const UnitLayout kMenuItem{0x00010003, "MenuItem", "菜单"_gbk, 0, {}, {}};
const UnitLayout kEditBox{0x00010005, "EditBox", "编辑框"_gbk, 2, kEditBoxProperties, kEditBoxFields};
const UnitLayout kPicBox{0x00010006, "PicBox", "图片框"_gbk, 2, kPicBoxProperties, kPicBoxFields};
const UnitLayout kDrawPanel{0x00010008, "DrawPanel", "画板"_gbk, 1, kDrawPanelProperties, kDrawPanelFields};
const UnitLayout kGroupBox{0x00010009, "GroupBox", "分组框"_gbk, 1, kGroupBoxProperties, kGroupBoxFields};
const UnitLayout kLabel{0x0001000A, "Label", "标签"_gbk, 2, kLabelProperties, kLabelFields};
const UnitLayout kButton{0x0001000B, "Button", "按钮"_gbk, 1, kButtonProperties, kButtonFields};
const UnitLayout kCheckBox{0x0001000C, "CheckBox", "选择框"_gbk, 2, kCheckBoxProperties, kCheckBoxFields};
const UnitLayout kRadioBox{0x0001000D, "RadioBox", "单选框"_gbk, 1, kRadioBoxProperties, kRadioBoxFields};
const UnitLayout kCommonDlg{0x0001001F, "CommonDlg", "通用对话框"_gbk, 1, kCommonDlgProperties, kCommonDlgFields};
const UnitLayout kPicBtn{0x0001002D, "PicBtn", "图形按钮"_gbk, 1, kPicBtnProperties, kPicBtnFields};
const UnitLayout kCartoonBox{0x00020008, "CartoonBox", "动画框"_gbk, 2, kCartoonBoxProperties, kCartoonBoxFields};
const UnitLayout kCartoonObject{0x00020009, "CartoonObject", "动画物体"_gbk, 3, kCartoonObjectProperties,
                                kCartoonObjectFields};
const UnitLayout kTransLabel{0x00030005, "TransLabel", "透明标签"_gbk, 1, kTransLabelProperties, kTransLabelFields};

const UnitLayout* const kAll[] = {
    &kWindow, &kMenuItem, &kEditBox, &kPicBox,  &kDrawPanel, &kGroupBox,      &kLabel,      &kButton,
    &kCheckBox, &kRadioBox, &kCommonDlg, &kPicBtn, &kCartoonBox, &kCartoonObject, &kTransLabel,
};

PropertyValue DefaultValue(const PropertyInfo& p) {
  PropertyValue v;
  v.word = p.defaultWord;
  v.real = p.defaultReal;
  v.bytes = std::string(p.defaultBytes);
  return v;
}

// The stored form of a one-character text, and back.
std::uint32_t CharacterWord(std::string_view text) {
  if (text.empty()) return 0;
  const auto lead = static_cast<std::uint8_t>(text[0]);
  if (lead < 0x80 || text.size() < 2) return lead;
  return static_cast<std::uint32_t>(lead) << 8 | static_cast<std::uint8_t>(text[1]);
}
std::string CharacterText(std::uint32_t word) {
  const std::uint32_t c = word & 0xFFFF;
  if (c >= 0x8000) return {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
  // Not a double-byte value: the low byte is the character.
  if ((c & 0xFF) == 0) return {};
  return std::string(1, static_cast<char>(c & 0xFF));
}

// A little-endian stream over the block that never reads past its end.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::optional<std::uint32_t> Word() {
    if (bytes_.size() - at_ < 4) return std::nullopt;
    std::uint32_t w = 0;
    for (int k = 3; k >= 0; --k) w = w << 8 | bytes_[at_ + static_cast<std::size_t>(k)];
    at_ += 4;
    return w;
  }
  std::optional<std::string> Counted() {
    const auto n = Word();
    if (!n || *n > bytes_.size() - at_) return std::nullopt;
    std::string s(reinterpret_cast<const char*>(bytes_.data() + at_), *n);
    at_ += *n;
    return s;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

void PutWord(std::vector<std::uint8_t>& out, std::uint32_t w) {
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(w >> (8 * k)));
}

}  // namespace

bool HoldsBytes(PropertyType type) {
  switch (type) {
    case PT::kText:
    case PT::kPicture:
    case PT::kIcon:
    case PT::kSound:
    case PT::kFont:
    case PT::kFileName:
    case PT::kDataSource:
    case PT::kDataColumn:
    case PT::kImageList:
    case PT::kCustomData:
      return true;
    default:
      return false;
  }
}

const UnitLayout* FindUnitLayout(std::uint32_t type) {
  for (const UnitLayout* layout : kAll)
    if (layout->type == type) return layout;
  return nullptr;
}

const UnitLayout* FindUnitLayout(std::string_view englishName) {
  for (const UnitLayout* layout : kAll)
    if (layout->englishName == englishName) return layout;
  return nullptr;
}

std::span<const UnitLayout* const> AllUnitLayouts() { return kAll; }

const PropertyInfo* FindProperty(const UnitLayout& layout, int index) {
  if (index < 8 || static_cast<std::size_t>(index - 8) >= layout.properties.size()) return nullptr;
  return &layout.properties[static_cast<std::size_t>(index - 8)];
}

std::optional<int> PropertyIndex(const UnitLayout& layout, std::string_view name) {
  for (std::size_t k = 0; k < layout.properties.size(); ++k)
    if (layout.properties[k].name == name) return static_cast<int>(8 + k);
  return std::nullopt;
}

std::int32_t ClampToRange(const PropertyInfo& property, std::int32_t value) {
  return std::clamp(value, property.minimum, std::max(property.minimum, property.maximum));
}

std::vector<PropertyValue> DefaultProperties(const UnitLayout& layout) {
  std::vector<PropertyValue> values;
  values.reserve(layout.properties.size());
  for (const PropertyInfo& p : layout.properties) values.push_back(DefaultValue(p));
  return values;
}

std::optional<StoredRead> ReadStored(const UnitLayout& layout, std::span<const std::uint8_t> block,
                                     std::vector<PropertyValue>& properties, std::string* failure) {
  auto fail = [failure](std::string reason) -> std::optional<StoredRead> {
    if (failure) *failure = std::move(reason);
    return std::nullopt;
  };
  // Work on a copy so that a failed read leaves the caller's values alone.
  std::vector<PropertyValue> values = properties;
  for (std::size_t k = values.size(); k < layout.properties.size(); ++k)
    values.push_back(DefaultValue(layout.properties[k]));
  if (block.empty()) {
    properties = std::move(values);
    return StoredRead{0};
  }

  Reader in(block);
  const auto version = in.Word();
  if (!version) return fail("the block ends inside the version word");
  if (*version > layout.version)
    return fail("version " + std::to_string(*version) + " is above " + std::to_string(layout.version));
  for (const StoredField& field : layout.fields) {
    if (field.minVersion > *version) continue;
    const auto index = static_cast<std::size_t>(field.property - 8);
    if (field.property < 8 || index >= layout.properties.size()) return fail("the layout names no such property");
    PropertyValue& value = values[index];
    const std::string where = "the block ends inside the field of property " + std::to_string(field.property);
    switch (field.kind) {
      case FK::kWord: {
        const auto w = in.Word();
        if (!w) return fail(where);
        value.word = static_cast<std::int32_t>(*w);
        if (layout.properties[index].type == PT::kLogical) value.word = value.word != 0 ? 1 : 0;
        break;
      }
      case FK::kCharacter: {
        const auto w = in.Word();
        if (!w) return fail(where);
        value.bytes = CharacterText(*w);
        break;
      }
      case FK::kBytes:
      case FK::kText: {
        auto s = in.Counted();
        if (!s) return fail(where);
        value.bytes = std::move(*s);
        break;
      }
    }
  }
  properties = std::move(values);
  return StoredRead{*version};
}

std::vector<std::uint8_t> WriteStored(const UnitLayout& layout, std::span<const PropertyValue> properties) {
  return WriteStored(layout, properties, layout.version);
}

std::vector<std::uint8_t> WriteStored(const UnitLayout& layout, std::span<const PropertyValue> properties,
                                      std::uint32_t version) {
  std::vector<std::uint8_t> out;
  PutWord(out, version);
  for (const StoredField& field : layout.fields) {
    if (field.minVersion > version || field.property < 8) continue;
    const auto index = static_cast<std::size_t>(field.property - 8);
    if (index >= layout.properties.size()) continue;
    const PropertyValue fallback = index < properties.size() ? PropertyValue{} : DefaultValue(layout.properties[index]);
    const PropertyValue& value = index < properties.size() ? properties[index] : fallback;
    switch (field.kind) {
      case FK::kWord:
        PutWord(out, static_cast<std::uint32_t>(value.word));
        break;
      case FK::kCharacter:
        PutWord(out, CharacterWord(value.bytes));
        break;
      case FK::kBytes:
      case FK::kText:
        PutWord(out, static_cast<std::uint32_t>(value.bytes.size()));
        out.insert(out.end(), value.bytes.begin(), value.bytes.end());
        break;
    }
  }
  return out;
}

}  // namespace zorvel::forms
