// The form sources: a source read, written as a block and read back gives the fields and
// stored properties it says; each kind of mistake is reported with its line.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "forms/form_data.h"
#include "forms/form_writer.h"
#include "forms/unit_layout.h"
#include "text/gbk_literal.h"
#include "tools/formc/form_source.h"

namespace zorvel::forms {
namespace {

using namespace literals;

const std::vector<std::string> kHandlers = {"settings_created", "confirm"};

FileLookup TestFiles() {
  static const std::map<std::string, std::string, std::less<>> files = {
      {"pic.bin", std::string("\x01\x02\x00\x03", 4)}, {"egg.cur", "CUR"}};
  return [](std::string_view name) -> std::optional<std::string> {
    const auto it = files.find(name);
    if (it == files.end()) return std::nullopt;
    return it->second;
  };
}

std::string Word(std::uint32_t v) {
  std::string s(4, '\0');
  for (int k = 0; k < 4; ++k) s[k] = static_cast<char>(v >> (8 * k));
  return s;
}

std::int32_t WordAt(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<std::uint8_t>(bytes.at(at + static_cast<std::size_t>(k)));
  return static_cast<std::int32_t>(v);
}

// The stored properties of a unit, decoded through its type's layout.
std::vector<PropertyValue> Stored(const UnitDescription& u, std::uint32_t* version = nullptr) {
  const UnitLayout* layout = FindUnitLayout(u.type);
  EXPECT_NE(layout, nullptr);
  if (!layout) return {};
  std::vector<PropertyValue> values = DefaultProperties(*layout);
  std::string failure;
  const auto read = ReadStored(*layout, std::span(reinterpret_cast<const std::uint8_t*>(u.stored.data()), u.stored.size()),
                               values, &failure);
  EXPECT_TRUE(read.has_value()) << failure;
  if (read && version) *version = read->version;
  return values;
}

const PropertyValue& Property(const std::vector<PropertyValue>& values, const UnitDescription& u, std::string_view name) {
  const auto index = PropertyIndex(*FindUnitLayout(u.type), name);
  EXPECT_TRUE(index.has_value()) << name;
  return values.at(static_cast<std::size_t>(*index - 8));
}

constexpr const char* kSample = R"(# A window with one unit of each kind of line.
window 0x52010002 "settings"
design 7
module 0x19010002

unit 0x06010002 window ""
  at 10 20 400 300
  flags visible
  on 0 settings_created
  set title "奖品设置"
  set border 1
  set escCloses false

unit 0x16010010 Label "标签_说明"   # a comment after the line
  comment "说明"
  at -5 6 100 24
  parent 0x16010011
  pointer stock 32649
  tag "标签\"一\"\t"
  flags visible disabled
  tab 3
  on -1 confirm
  on 2 none
  set font font "宋体" 50 bold italic charset=1
  set backPicture file "pic.bin"
  set gradientBackColour1 0x000000FF

unit 0x16010011 GroupBox "分组框1"
  at 0 0 200 100
  children 0x16010010 0 0x16010012
  pointer file "egg.cur"
  flags none
  stored empty

unit 0x16010012 EditBox "编辑框1"
  at 0 0 50 20
  flags tabstop
  set passwordCharacter "＃"
  set maxLength 8
  stored version 1

menu 0x26010001 "菜单"
  level 0
  flags hidden
menu 0x26010002 "确定"
  level 1
  flags checked disabled
  hotkey 5
  handler confirm
menu 0x26010003 "-"
  level 1
  flags none
)";

TEST(FormSource, SampleReadsBackThroughTheBlock) {
  SourceError error;
  const auto source = ParseFormSource(kSample, "settings.form", kHandlers, TestFiles(), &error);
  ASSERT_TRUE(source.has_value()) << error.Text();
  EXPECT_EQ(source->name, "settings");
  EXPECT_EQ(source->windowLine, 2);
  EXPECT_EQ(source->unitLines, (std::vector<int>{6, 14, 28, 35, 42, 45, 50}));

  const auto data = ParseFormData(WriteFormData(std::span(&source->window, 1)));
  ASSERT_TRUE(data.has_value());
  const auto windows = Describe(*data);
  ASSERT_TRUE(windows && windows->size() == 1);
  const WindowDescription& w = windows->front();
  EXPECT_EQ(w, source->window);
  EXPECT_EQ(w.id, 0x52010002u);
  EXPECT_EQ(w.designWord, 7u);
  EXPECT_EQ(w.moduleId, 0x19010002u);
  ASSERT_EQ(w.units.size(), 7u);

  const UnitDescription& window = w.units[0];
  EXPECT_EQ(window.type, 0x00010001u);
  EXPECT_EQ(window.mousePointer, Word(0));  // no pointer line: the default pointer
  EXPECT_EQ(window.bindings, (std::vector<EventBinding>{{0, 0}}));
  std::uint32_t version = 99;
  const auto windowProps = Stored(window, &version);
  EXPECT_EQ(version, 6u);
  EXPECT_EQ(Property(windowProps, window, "title").bytes, "奖品设置"_gbk);
  EXPECT_EQ(Property(windowProps, window, "border").word, 1);
  EXPECT_EQ(Property(windowProps, window, "escCloses").word, 0);
  EXPECT_EQ(Property(windowProps, window, "controlBox").word, 1);  // not set: the default

  const UnitDescription& label = w.units[1];
  EXPECT_EQ(label.type, 0x0001000Au);
  EXPECT_EQ(label.name, "标签_说明"_gbk);
  EXPECT_EQ(label.comment, "说明"_gbk);
  EXPECT_EQ((std::vector<std::int32_t>{label.left, label.top, label.width, label.height}),
            (std::vector<std::int32_t>{-5, 6, 100, 24}));
  EXPECT_EQ(label.parent, 0x16010011u);
  EXPECT_EQ(label.mousePointer, Word(32649));
  EXPECT_EQ(label.tag, "标签\"一\"\t"_gbk);
  EXPECT_EQ(label.flags, kFlagVisible | kFlagDisabled);
  EXPECT_EQ(label.tabOrder, 3);
  EXPECT_EQ(label.bindings, (std::vector<EventBinding>{{-1, 1}, {2, kNoHandler}}));
  const auto labelProps = Stored(label);
  const std::string& font = Property(labelProps, label, "font").bytes;
  ASSERT_EQ(font.size(), 60u);
  EXPECT_EQ(WordAt(font, 0), -67);
  EXPECT_EQ(WordAt(font, 16), 700);
  EXPECT_EQ((std::vector<int>{font[20], font[21], font[22], font[23]}), (std::vector<int>{1, 0, 0, 1}));
  EXPECT_EQ(font.substr(28, 5), std::string("宋体"_gbk) + '\0');
  EXPECT_EQ(Property(labelProps, label, "backPicture").bytes, std::string("\x01\x02\x00\x03", 4));
  EXPECT_EQ(Property(labelProps, label, "gradientBackColour1").word, 0xFF);
  EXPECT_EQ(Property(labelProps, label, "title").bytes, "标签"_gbk);  // the type's default

  const UnitDescription& group = w.units[2];
  EXPECT_EQ(group.children, (std::vector<std::uint32_t>{0x16010010, 0, 0x16010012}));
  EXPECT_EQ(group.mousePointer, Word(0xFFFFFFFF) + "CUR");
  EXPECT_EQ(group.flags, 0u);
  EXPECT_EQ(group.stored, "");

  const UnitDescription& edit = w.units[3];
  EXPECT_EQ(edit.flags, kFlagTabStop);
  const auto editProps = Stored(edit, &version);
  EXPECT_EQ(version, 1u);
  EXPECT_EQ(Property(editProps, edit, "passwordCharacter").bytes, "＃"_gbk);
  EXPECT_EQ(Property(editProps, edit, "maxLength").word, 8);
  // Version 1 leaves out the fields version 2 added.
  const UnitLayout& editLayout = *FindUnitLayout(edit.type);
  const auto v1 = WriteStored(editLayout, editProps, 1);
  EXPECT_EQ(edit.stored, std::string(v1.begin(), v1.end()));

  struct MenuRow {
    std::uint32_t id;
    std::string caption;
    std::uint32_t level, flags, hotkey;
    std::int32_t handler;
  };
  const MenuRow menus[] = {{0x26010001, "菜单"_gbk, 0, kMenuHidden, 0, kNoHandler},
                           {0x26010002, "确定"_gbk, 1, kMenuChecked | kMenuDisabled, 5, 1},
                           {0x26010003, "-", 1, 0, 0, kNoHandler}};
  for (std::size_t k = 0; k < std::size(menus); ++k) {
    const UnitDescription& m = w.units[4 + k];
    SCOPED_TRACE(k);
    EXPECT_EQ(m.id, menus[k].id);
    EXPECT_EQ(m.type, kMenuItemType);
    EXPECT_EQ(m.caption, menus[k].caption);
    EXPECT_EQ(m.level, menus[k].level);
    EXPECT_EQ(m.menuFlags, menus[k].flags);
    EXPECT_EQ(m.hotkey, menus[k].hotkey);
    EXPECT_EQ(m.handler, menus[k].handler);
  }
  EXPECT_EQ(data->templates[0].MenuItems(), (MenuRun{4, 3}));
}

TEST(FormSource, ErrorsNameTheirLine) {
  const std::string W = "window 0x52010001 \"w\"\n";
  const std::string U = "unit 0x06010000 window \"\"\n  at 0 0 1 1\n  flags visible\n";  // lines 2-4
  const std::string L = "unit 0x16010001 Label \"x\"\n  at 0 0 1 1\n  flags none\n";
  struct Row {
    std::string text;
    int line;
    std::string message;  // a part of the message
  };
  const Row rows[] = {
      {"", 0, "no 'window' line"},
      {"design 1\n", 1, "'design' before the 'window' line"},
      {U, 1, "a unit before the 'window' line"},
      {W, 1, "the window has no units"},
      {W + "window 0x52010002 \"v\"\n", 2, "one window per source"},
      {"window 0x50000001 \"w\"\n", 1, "window id 0x50000001 is not valid"},
      {W + U + "  bogus 1\n", 5, "unknown keyword 'bogus'"},
      {W + U + "unit 0x16010001 Lable \"x\"\n", 5, "unknown type name 'Lable'"},
      {W + U + "unit 0x16010001 0x00010099 \"x\"\n", 5, "unknown type code 0x00010099"},
      {W + U + "unit 0x16010001 MenuItem \"x\"\n", 5, "menu items are written with 'menu'"},
      {W + U + "  set colour 1\n", 5, "unknown property 'colour' for type window"},
      {W + U + "  on 0 no_such\n", 5, "unknown handler name 'no_such'"},
      {W + U + "  on 0 confirm\n  on 0 none\n", 6, "event 0 is bound twice"},
      {W + U + "  tab 0x1g\n", 5, "bad number '0x1g'"},
      {W + U + "  tab 4294967296\n", 5, "bad number '4294967296'"},
      {W + U + "  at 1 2 3\n", 5, "'at' given twice"},
      {W + "unit 0x06010000 window \"\"\n  at 1 2 3\n", 3, "'at' takes 4 arguments, not 3"},
      {W + "unit 0x06010000 window \"\"\n  at 0 0 1 1\n", 2, "unit 0x06010000 has no 'flags' line"},
      {W + "unit 0x06010000 window \"\"\n  flags visible\n", 2, "has no 'at' line"},
      {W + U + "  flags hidden\n", 5, "'flags' given twice"},
      {W + "unit 0x06010000 window \"\"\n  flags hidden\n", 3, "unknown flag 'hidden'"},
      {W + U + "  level 1\n", 5, "'level' belongs to menu items"},
      {W + U + "menu 0x26010001 \"m\"\n  set title \"t\"\n", 6, "'set' belongs to units"},
      {W + U + "menu 0x26010001 \"m\"\n  level 0\n", 5, "menu item 0x26010001 has no 'flags' line"},
      {W + U + "  pointer file \"missing.cur\"\n", 5, "file not found: \"missing.cur\""},
      {W + U + "  pointer arrow\n", 5, "'pointer' takes default, stock N or file"},
      {W + L, 2, "the window's own unit (type window) must be the first unit"},
      {W + "menu 0x26010001 \"m\"\n", 2, "must be the first unit"},
      {W + U + "unit 0x16010001 window \"x\"\n", 5, "only the first unit is the window's own unit"},
      {W + U + "unit 0x26010001 Label \"x\"\n", 5, "is a menu item's id; write it with 'menu'"},
      {W + U + "menu 0x16010001 \"m\"\n", 5, "does not have the menu item's high byte 0x26"},
      {W + U + L + "unit 0x16010001 Label \"y\"\n", 8, "unit id 0x16010001 is used twice"},
      {W + U + "menu 0x26010001 \"m\"\n  flags none\n" + L + "menu 0x26010002 \"n\"\n", 10, "one run of records"},
      {W + U + "menu 0x26010001 \"m\"\n  level 1\n  flags none\n", 6, "the first menu item must have level 0"},
      {W + U + "menu 0x26010001 \"m\"\n  flags none\nmenu 0x26010002 \"n\"\n  level 2\n  flags none\n", 8,
       "level 2 follows level 0"},
      {W + U + "  set title \"😀\"\n", 5, "holds a character without a GBK code"},
      {W + U + "  set title \"a\n", 5, "a text without its closing quote"},
      {W + U + "  set title \"a\\q\"\n", 5, "unknown escape \\q"},
      {W + U + "  set title \"a\"b\n", 5, "a blank must follow a text"},
      {W + U + "  set title title\n", 5, "expected a text in double quotes"},
      {W + U + "  set border 9\n", 5, "value 9 of 'border' is outside 0..6"},
      {W + U + "  set movable 2\n", 5, "outside 0..1"},
      {W + U + "  set title \"a\"\n  set title \"b\"\n", 6, "property 'title' set twice (first on line 5)"},
      {W + U + "  stored empty\n  set title \"a\"\n", 6, "'set' on a unit whose stored block is empty"},
      {W + U + "  set className \"x\"\n  stored version 5\n", 5, "'className' is not kept in stored version 5"},
      {W + U + "  stored version 7\n", 5, "stored version 7 is above window's current version 6"},
      {W + U + "  stored full\n", 5, "'stored' takes empty or version N"},
      {W + U + "  set backPicture hex \"0A0\"\n", 5, "an odd number of hexadecimal digits"},
      {W + U + "  set backPicture hex \"0G\"\n", 5, "'G' is not a hexadecimal digit"},
      {W + U + "  set backPicture \"a.jpg\"\n", 5, "takes none, file \"name\" or hex \"digits\""},
      {W + U + "  set backPicture file \"none.jpg\"\n", 5, "file not found: \"none.jpg\""},
      {W + U + "unit 0x16010001 Label \"x\"\n  at 0 0 1 1\n  set font font \"宋体\" 9 heavy\n", 7,
       "unknown font option 'heavy'"},
      {W + U + "unit 0x16010001 Label \"x\"\n  at 0 0 1 1\n  set font \"宋体\" 9\n", 7, "a font is none, or font"},
      {W + U + "unit 0x16010001 Label \"x\"\n  at 0 0 1 1\n  set font font \"一二三四五六七八九十甲乙丙丁戊己\" 9\n",
       7, "longer than 31 bytes"},
      {W + U + "unit 0x16010001 EditBox \"e\"\n  set selectedText \"x\"\n", 6,
       "'selectedText' of EditBox is not kept in the form data"},
      {W + U + "unit 0x16010001 EditBox \"e\"\n  set passwordCharacter \"ab\"\n", 6, "holds one character"},
      {W + U + L + "  parent 0x16010009\n", 5, "parent 0x16010009 is not a unit of this window"},
      {W + U + L + "  children 0x16010001\n", 5, "child 0x16010001 is not a unit"},
      {W + U + L + "  source 0x06010000\n", 5, "is not another unit of the same type"},
      {W + U + "\"title\" 1\n", 5, "a line starts with a keyword"},
      {W + U + "  set\n", 5, "'set' takes a property name and a value"},
      {W + "tag \"x\"\n", 2, "'tag' before any 'unit' or 'menu' line"},
      {W + U + "design 1\n", 5, "'design' belongs to the window and comes before its units"},
  };
  for (std::size_t k = 0; k < std::size(rows); ++k) {
    SourceError error;
    const auto source = ParseFormSource(rows[k].text, "w.form", std::vector<std::string>{"confirm"}, TestFiles(), &error);
    EXPECT_FALSE(source.has_value()) << "row " << k;
    EXPECT_EQ(error.file, "w.form") << "row " << k;
    EXPECT_EQ(error.line, rows[k].line) << "row " << k << ": " << error.message;
    EXPECT_NE(error.message.find(rows[k].message), std::string::npos)
        << "row " << k << ": \"" << error.message << "\" lacks \"" << rows[k].message << "\"";
  }
}

TEST(FormSource, FontHeightsFromPoints) {
  struct Row {
    std::int32_t points;
    std::optional<std::int32_t> height;
    std::int32_t expected;
  };
  const Row rows[] = {{9, {}, -12}, {50, {}, -67}, {28, {}, -37}, {10, {}, -13}, {0, {}, 0}, {9, -20, -20}};
  for (const Row& r : rows) {
    FontSpec spec;
    spec.face = "黑体"_gbk;
    spec.points = r.points;
    spec.height = r.height;
    const auto font = MakeLogicalFont(spec);
    ASSERT_TRUE(font && font->size() == 60u);
    EXPECT_EQ(WordAt(*font, 0), r.expected) << r.points << " points";
    EXPECT_EQ(WordAt(*font, 16), 400);
    EXPECT_EQ(static_cast<std::uint8_t>((*font)[23]), 134);
  }
  FontSpec longest;
  longest.face = std::string(31, 'A');
  ASSERT_TRUE(MakeLogicalFont(longest).has_value());
  EXPECT_EQ(MakeLogicalFont(longest)->back(), '\0');
  longest.face += 'A';
  EXPECT_FALSE(MakeLogicalFont(longest).has_value());
}

TEST(FormSource, HandlerList) {
  SourceError error;
  const auto names = ParseHandlerList(
      "// The handler table.\nZORVEL_HANDLER(a)\n  ZORVEL_HANDLER( b_2 )  // note\n#define ZORVEL_HANDLER_X(n)\n"
      "ZORVEL_HANDLERS_END\n\nZORVEL_HANDLER(c)",
      "handlers.def", &error);
  ASSERT_TRUE(names.has_value()) << error.Text();
  EXPECT_EQ(*names, (std::vector<std::string>{"a", "b_2", "c"}));

  struct Row {
    std::string text;
    int line;
    std::string message;
  };
  const Row rows[] = {
      {"ZORVEL_HANDLER(a)\n\nZORVEL_HANDLER(a)\n", 3, "handler 'a' is listed twice (first on line 1)"},
      {"ZORVEL_HANDLER(1a)\n", 1, "'1a' is not a handler name"},
      {"ZORVEL_HANDLER()\n", 1, "'' is not a handler name"},
      {"ok\nZORVEL_HANDLER(a\n", 2, "expected ZORVEL_HANDLER(name)"},
      {"ZORVEL_HANDLER(none)\n", 1, "'none' is reserved for no handler"},
      {"ZORVEL_HANDLER(a);\n", 1, "unexpected text after ZORVEL_HANDLER(...)"},
  };
  for (std::size_t k = 0; k < std::size(rows); ++k) {
    EXPECT_FALSE(ParseHandlerList(rows[k].text, "handlers.def", &error).has_value()) << "row " << k;
    EXPECT_EQ(error.Text(), "handlers.def:" + std::to_string(rows[k].line) + ": " + rows[k].message) << "row " << k;
  }
}

TEST(FormSource, IdsAreUniqueInTheProgram) {
  const std::vector<std::string> none;
  auto parse = [&](const std::string& text, const char* file) {
    SourceError error;
    auto s = ParseFormSource(text, file, none, TestFiles(), &error);
    EXPECT_TRUE(s.has_value()) << error.Text();
    return *s;
  };
  const std::string unit = "unit 0x06010001 window \"\"\n  at 0 0 1 1\n  flags visible\n";
  const FormSource a = parse("window 0x52010001 \"a\"\n" + unit, "a.form");
  const FormSource b = parse("window 0x52010002 \"b\"\n" + unit, "b.form");
  const FormSource c = parse("\nwindow 0x52010001 \"c\"\nunit 0x06010003 window \"\"\n  at 0 0 1 1\n  flags none\n",
                             "c.form");
  SourceError error;
  EXPECT_TRUE(CheckProgramIds(std::vector<FormSource>{a}, &error));
  EXPECT_FALSE(CheckProgramIds(std::vector<FormSource>{a, b}, &error));
  EXPECT_EQ(error.Text(), "b.form:2: unit id 0x06010001 is also used at a.form:2");
  EXPECT_FALSE(CheckProgramIds(std::vector<FormSource>{a, c}, &error));
  EXPECT_EQ(error.Text(), "c.form:2: window id 0x52010001 is also used at a.form:1");
}

}  // namespace
}  // namespace zorvel::forms
