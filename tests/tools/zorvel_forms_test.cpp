// The zorvel-forms tool, run as a program on a form-data block written to a file: the
// record fields and the decoded stored properties appear as text.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "forms/form_writer.h"
#include "forms/unit_layout.h"
#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"
#include "text/gbk_literal.h"

namespace {

using namespace zorvel::forms;
using namespace zorvel::literals;

const std::string kTool = std::string(ZORVEL_BINARY_DIR) + "/tools/zorvel-forms";

int RunForms(const std::string& arguments, std::string* output) {
  return zorvel::test::RunCommand(zorvel::test::ShellQuote(kTool) + " " + arguments, output);
}

// A stored block of the type's current version with some properties set by name.
std::string Stored(std::string_view type, std::initializer_list<std::pair<std::string_view, PropertyValue>> set) {
  const UnitLayout& layout = *FindUnitLayout(type);
  std::vector<PropertyValue> values = DefaultProperties(layout);
  for (const auto& [name, value] : set) values[static_cast<std::size_t>(*PropertyIndex(layout, name) - 8)] = value;
  const auto block = WriteStored(layout, values);
  return std::string(block.begin(), block.end());
}

PropertyValue Word(std::int32_t w) {
  PropertyValue v;
  v.word = w;
  return v;
}
PropertyValue Bytes(std::string b) {
  PropertyValue v;
  v.bytes = std::move(b);
  return v;
}

UnitDescription Unit(std::uint32_t id, std::uint32_t type, std::string name, std::int32_t left = 0,
                     std::int32_t top = 0, std::int32_t width = 0, std::int32_t height = 0) {
  UnitDescription unit;
  unit.id = id;
  unit.type = type;
  unit.name = std::move(name);
  unit.left = left;
  unit.top = top;
  unit.width = width;
  unit.height = height;
  return unit;
}

// A 60-byte logical font: height −67, weight 700, character set 134, face 宋体.
std::string Font() {
  std::string font(60, '\0');
  const std::int32_t height = -67, weight = 700;
  for (int k = 0; k < 4; ++k) {
    font[static_cast<std::size_t>(k)] = static_cast<char>(height >> (8 * k));
    font[static_cast<std::size_t>(16 + k)] = static_cast<char>(weight >> (8 * k));
  }
  font[23] = static_cast<char>(134);
  const std::string face = "宋体"_gbk;
  font.replace(28, face.size(), face);
  return font;
}

class ZorvelForms : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(access(kTool.c_str(), X_OK), 0) << "no tool at " << kTool;
  }
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = folder_ + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  zorvel::test::TempFolder temp_{"zorvel-forms"};
  const std::string folder_ = temp_.path();
};

TEST_F(ZorvelForms, PrintsUnitsAndTheirStoredProperties) {
  UnitDescription window = Unit(0x06010000, 0x00010001, "", 10, 20, 640, 480);
  window.bindings = {{0, kNoHandler}, {1, 123456}};
  window.stored = Stored("window", {{"title", Bytes("设置"_gbk)}, {"border", Word(0)}, {"backColour", Word(0xFF)}});
  UnitDescription title = Unit(0x16010002, 0x00030005, "透明标签_主标题"_gbk, 5, -6, 300, 40);
  title.mousePointer = std::string("\x89\x7F\0\0", 4);  // stock 32649, the hand
  title.flags = kFlagVisible | kFlagTabStop;
  title.stored = Stored("TransLabel", {{"title", Bytes("某某\"大卖场\""_gbk)}, {"font", Bytes(Font())},
                                       {"textColour", Word(0x0000FFFF)}, {"horizontalAlignment", Word(1)}});
  UnitDescription egg = Unit(0x1601019C, 0x0001002D, "图形按钮1"_gbk);
  egg.parent = 0x16010002;
  egg.mousePointer = std::string("\xFF\xFF\xFF\xFF", 4) + std::string(10, 'c');
  egg.flags = kFlagDisabled;
  egg.stored = Stored("PicBtn", {{"transparentColour", Word(0x00FFFFFF)}, {"picture", Bytes("abc")}});
  const UnitDescription edit = Unit(0x16010003, 0x00010005, "编辑框"_gbk);
  UnitDescription menu = Unit(0x26010004, kMenuItemType, "");
  menu.menuFlags = kMenuHidden;
  menu.caption = "设置"_gbk;
  UnitDescription broken = Unit(0x06020000, 0x00010001, "");
  broken.stored = std::string("\x07\0\0\0", 4);
  std::vector<WindowDescription> windows(2);
  windows[0].id = 0x52010001;
  windows[0].units = {window, title, egg, edit, menu};
  windows[1].id = 0x52020002;
  windows[1].units = {broken};
  std::string said;
  EXPECT_EQ(RunForms("--block '" + Write("forms.bin", WriteFormData(windows)) + "'", &said), 1) << said;

  const char* expected[] = {
      "window 0x52010001: 5 units",
      "unit 0x06010000 window \"\"\n    parent window\n    at 10 20 640 480\n    flags visible\n    tab 0\n"
      "    pointer default\n    on 0 -> none\n    on 1 -> #123456\n    stored version 6\n",
      "      title = \"设置\"\n      border = 0\n      backColour = 0x000000FF\n",
      "      showInTaskBar = true\n",
      "unit 0x16010002 TransLabel \"透明标签_主标题\"",
      "at 5 -6 300 40\n    flags visible tabstop\n",
      "pointer stock 32649 (index 14)",
      "      title = \"某某\\\"大卖场\\\"\"\n      effect = 0\n      font = \"宋体\" 50 pt (height -67) bold charset=134\n"
      "      textColour = 0x0000FFFF\n      horizontalAlignment = 1\n      wordWrap = false\n"
      "      verticalAlignment = 1\n",
      "unit 0x1601019C PicBtn \"图形按钮1\"\n    parent 0x16010002\n",
      "flags disabled\n",
      "pointer cursor file of 10 bytes",
      "      picture = 3 bytes\n      hoverPicture = none\n",
      "      transparentColour = 0x00FFFFFF\n",
      "unit 0x16010003 EditBox \"编辑框\"",
      "    stored empty (defaults)\n      content = \"\"\n      border = 1\n",
      "      passwordCharacter = \"*\"\n",
      "menu 0x26010004 level 0 \"设置\" flags hidden handler none\n",
      "window 0x52020002: 1 units",
      "stored block unreadable: version 7 is above 6",
  };
  for (const char* text : expected) EXPECT_NE(said.find(text), std::string::npos) << text << "\n---\n" << said;
}

TEST_F(ZorvelForms, RefusalsAndUsage) {
  const struct {
    std::string arguments;
    int status;
    std::string said;
  } rows[] = {
      {"--block '" + Write("junk.bin", {1, 2, 3}) + "'", 1, "form data refused"},
      {"--block '" + folder_ + "/missing.bin'", 2, "cannot be read"},
      {"--block", 2, "usage"},
      {"extra words here", 2, "usage"},
  };
  for (const auto& row : rows) {
    std::string said;
    EXPECT_EQ(RunForms(row.arguments, &said), row.status) << row.arguments << ": " << said;
    EXPECT_NE(said.find(row.said), std::string::npos) << row.arguments << ": " << said;
  }
}

}  // namespace
