// The form-data reader and writer: round trips, record access, malformed blocks. With
// ZORVEL_WRITE_FORMS_SEEDS set to a folder (the fuzz target's corpus, fuzz/corpus/forms),
// the seed blocks are also written there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "forms/form_data.h"
#include "forms/form_writer.h"
#include "text/gbk_literal.h"

namespace zorvel::forms {

void PrintTo(const UnitDescription& u, std::ostream* os) {
  *os << std::hex << "{id 0x" << u.id << " type 0x" << u.type << std::dec << " name \"" << u.name << "\" ("
      << u.left << "," << u.top << " " << u.width << "x" << u.height << ") children " << u.children.size()
      << " pointer " << u.mousePointer.size() << "B tag \"" << u.tag << "\" flags " << u.flags << " bindings "
      << u.bindings.size() << " stored " << u.stored.size() << "B caption \"" << u.caption << "\" handler "
      << u.handler << "}";
}

namespace {
using namespace literals;

constexpr std::uint32_t kMain = 0x52010001, kEffect = 0x52010006, kResults = 0x52010003;
constexpr std::uint32_t kMainUnit = 0x06010000, kEffectUnit = 0x06010006, kResultsUnit = 0x06010003;
constexpr std::uint32_t kEgg = 0x1601019C, kLabel = 0x160101A0, kShared = 0x160101B0;
constexpr std::uint32_t kMenuClose = 0x26010251, kMenuQuit = 0x26010252, kMenuSettings = 0x26010253;

std::string Word(std::uint32_t v) {
  std::string s(4, '\0');
  for (int k = 0; k < 4; ++k) s[k] = static_cast<char>(v >> (8 * k));
  return s;
}

UnitDescription WindowUnit(std::uint32_t id) {
  UnitDescription u;
  u.id = id;
  u.type = 0x00010001;
  u.width = 800;
  u.height = 600;
  u.stored = Word(1) + Word(0xFF000000);
  return u;
}

UnitDescription Menu(std::uint32_t id, const char* caption, std::uint32_t level, std::int32_t handler) {
  UnitDescription u;
  u.id = id;
  u.type = kMenuItemType;
  u.caption = caption;
  u.level = level;
  u.handler = handler;
  return u;
}

// The main window carries the cases that matter: a picture button with a hand pointer
// and a cursor file, a label whose binding has no handler and whose record ends at its
// last field, a shared id, and a run of menu items; the effect window has only its own
// unit; the results window holds another unit under the shared id.
std::vector<WindowDescription> Sample() {
  UnitDescription egg;
  egg.id = kEgg;
  egg.type = 0x0001002D;
  egg.name = "图形按钮1"_gbk;
  egg.left = -20, egg.top = 150, egg.width = 64, egg.height = 64;
  egg.mousePointer = Word(0xFFFFFFFF) + std::string(30, '\x7F');
  egg.tag = "蛋"_gbk;
  egg.flags = kFlagVisible | kFlagTabStop;
  egg.bindings = {{0, 3}, {-1, 0}};
  egg.stored = std::string("\x01\x00\x00\x00picture", 11);

  UnitDescription label;
  label.id = kLabel;
  label.type = 0x0001000A;
  label.eventSource = kEgg;
  label.name = "标签1"_gbk;
  label.parent = kMainUnit;
  label.children = {kEgg, 0, kShared};
  label.mousePointer = Word(0);
  label.flags = kFlagVisible | kFlagDisabled;
  label.tabOrder = -2;
  label.bindings = {{-1, -1}};

  UnitDescription shared;
  shared.id = kShared;
  shared.type = 0x0001000B;
  shared.name = "按钮_主"_gbk;
  shared.mousePointer = Word(32649);

  WindowDescription main{kMain, 0x11, 0x19000001, "", "", {WindowUnit(kMainUnit), egg, label}};
  main.units.push_back(Menu(kMenuClose, "关闭菜单"_gbk, 0, -1));
  main.units.push_back(Menu(kMenuQuit, "关闭"_gbk, 1, 1));
  main.units.push_back(Menu(kMenuSettings, "-", 0, 2));
  main.units.back().menuFlags = kMenuHidden | kMenuChecked;
  main.units.back().hotkey = 7;
  main.units.push_back(shared);

  UnitDescription otherShared = shared;
  otherShared.name = "按钮_结果"_gbk;
  otherShared.mousePointer.clear();
  WindowDescription effect{kEffect, 0x22, 0x19000006, "t1", "", {WindowUnit(kEffectUnit)}};
  WindowDescription results{kResults, 0x33, 0x19000003, "", "t2", {WindowUnit(kResultsUnit), otherShared}};
  return {main, effect, results};
}

std::vector<std::uint8_t> SampleBlock() { return WriteFormData(Sample()); }

FormData Parse(const std::vector<std::uint8_t>& block) {
  std::string failure;
  auto data = ParseFormData(block, &failure);
  EXPECT_TRUE(data.has_value()) << failure;
  return data ? std::move(*data) : FormData{};
}

TEST(FormData, WriteThenReadGivesTheSameFields) {
  const auto windows = Sample();
  const FormData data = Parse(WriteFormData(windows));
  ASSERT_EQ(data.windowIds, (std::vector<std::uint32_t>{kMain, kEffect, kResults}));
  const auto back = Describe(data);
  ASSERT_TRUE(back.has_value());
  ASSERT_EQ(back->size(), windows.size());
  for (std::size_t w = 0; w < windows.size(); ++w) {
    SCOPED_TRACE("window " + std::to_string(w));
    EXPECT_EQ((*back)[w].designWord, windows[w].designWord);
    EXPECT_EQ((*back)[w].moduleId, windows[w].moduleId);
    EXPECT_EQ((*back)[w].text1, windows[w].text1);
    EXPECT_EQ((*back)[w].text2, windows[w].text2);
    ASSERT_EQ((*back)[w].units.size(), windows[w].units.size());
    for (std::size_t i = 0; i < windows[w].units.size(); ++i) EXPECT_EQ((*back)[w].units[i], windows[w].units[i]) << "unit " << i;
  }
  EXPECT_EQ(data.templates[1].UnitCount(), 1u) << "a window whose only unit is its own";
}

TEST(FormData, ControlViewGivesSlotsAndStoredBlock) {
  const FormData data = Parse(SampleBlock());
  const WindowTemplate& t = data.templates[0];
  const auto egg = t.Control(1);
  const auto label = t.Control(2);
  ASSERT_TRUE(egg && label);
  const auto body = *t.Record(1);
  // Empty name and comment of a window unit: the object slot follows the 26-byte head.
  EXPECT_EQ(t.Control(0)->objectSlot, 26u);
  EXPECT_EQ(egg->pointerSlot, egg->objectSlot + 20);
  EXPECT_EQ(egg->stored.offset + egg->stored.length, body.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(body.data() + egg->stored.offset), egg->stored.length),
            std::string("\x01\x00\x00\x00picture", 11));
  EXPECT_EQ(egg->bindingsOffset + 8 * 2 + 20, egg->stored.offset);
  // A record that ends with its last field has an empty stored block.
  EXPECT_EQ(label->stored.length, 0u);
  EXPECT_EQ(label->stored.offset, t.Record(2)->size());
  EXPECT_EQ(t.Stored(2), label->stored);
  EXPECT_EQ(label->bindings, (std::vector<EventBinding>{{-1, kNoHandler}}));
  EXPECT_EQ(t.Head(1)->name, "图形按钮1"_gbk);
  EXPECT_FALSE(t.Control(3).has_value()) << "a menu item has no control view";
  EXPECT_FALSE(t.Menu(1).has_value()) << "a control has no menu view";
  const auto menu = t.Menu(5);
  ASSERT_TRUE(menu);
  EXPECT_EQ(menu->handlerOffset + 4, menu->slotsOffset);
  EXPECT_EQ(menu->stored, (BodyRange{menu->slotsOffset + 16, 0}));
}

TEST(FormData, RecordLookupStaysInItsWindow) {
  const FormData data = Parse(SampleBlock());
  struct Row {
    std::uint32_t window, unit;
    std::optional<std::uint32_t> index;
    std::uint32_t type;  // of the record found
    std::string name;
  } rows[] = {
      {kMain, kMainUnit, 0, 0x00010001, ""},
      {kMain, kEgg, 1, 0x0001002D, "图形按钮1"_gbk},
      {kMain, kMenuSettings, 5, kMenuItemType, ""},
      {kMain, kShared, 6, 0x0001000B, "按钮_主"_gbk},
      {kMain, kEffectUnit, {}, 0, ""},
      {kEffect, kEffectUnit, 0, 0x00010001, ""},
      {kEffect, kEgg, {}, 0, ""},
      {kEffect, kShared, {}, 0, ""},
      {kEffect, kMainUnit, {}, 0, ""},
      {kResults, kShared, 1, 0x0001000B, "按钮_结果"_gbk},
      {kResults, kEgg, {}, 0, ""},
  };
  int n = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(n++));
    const WindowTemplate* t = data.Find(r.window);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->IndexOf(r.unit), r.index);
    const auto record = t->RecordById(r.unit);
    EXPECT_EQ(record.has_value(), r.index.has_value());
    if (record) {
      EXPECT_EQ(ParseHead(*record)->type, r.type);
      EXPECT_EQ(ParseHead(*record)->name, r.name);
    }
    if (r.index) {
      EXPECT_EQ(t->IdAt(*r.index), r.unit);
    }
  }
  EXPECT_EQ(data.Find(0x52000001), nullptr) << "category 0";
  EXPECT_EQ(data.Find(0x52010000), nullptr) << "serial 0";
  EXPECT_EQ(data.Find(0x52010009), nullptr);
  EXPECT_EQ(data.templates[0].IdAt(7), 0u);
  EXPECT_FALSE(data.templates[0].Record(7).has_value());
}

TEST(FormData, InvalidWindowIdInTheTableIsNeverFound) {
  std::vector<WindowDescription> windows = {{0x52000000, 0, 0, "", "", {WindowUnit(kMainUnit)}}};
  const FormData data = Parse(WriteFormData(windows));
  EXPECT_EQ(data.templates.size(), 1u);
  EXPECT_EQ(data.Find(0x52000000), nullptr);
}

TEST(FormData, MenuItemsFormOneRun) {
  const FormData data = Parse(SampleBlock());
  const WindowTemplate& main = data.templates[0];
  EXPECT_EQ(main.MenuItems(), (MenuRun{3, 3}));
  EXPECT_EQ(data.templates[1].MenuItems(), (MenuRun{0, 0}));
  const bool expected[] = {false, false, false, true, true, true, false, false};
  for (std::uint32_t i = 0; i < 8; ++i) EXPECT_EQ(main.IsMenuItem(i), expected[i]) << "unit " << i;
}

TEST(FormData, MousePointerBytes) {
  using Kind = MousePointer::Kind;
  struct Row {
    std::string bytes;
    Kind kind;
    std::uint32_t number, index;
  } rows[] = {
      {"", Kind::kDefault, 0, 0},
      {Word(0), Kind::kDefault, 0, 0},
      {Word(32649), Kind::kStock, 32649, 14},
      {Word(32512), Kind::kStock, 32512, 1},
      {Word(12345), Kind::kStock, 12345, 12345},
      {Word(0xFFFFFFFF) + "CUR", Kind::kFile, 0, 0},
      {Word(7) + "CUR", Kind::kDefault, 0, 0},
      {"ab", Kind::kDefault, 0, 0},
  };
  int n = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(n++));
    const MousePointer p = DecodeMousePointer(r.bytes);
    EXPECT_EQ(p.kind, r.kind);
    EXPECT_EQ(p.cursorNumber, r.number);
    EXPECT_EQ(StockPointerIndex(p.cursorNumber), r.index);
    EXPECT_EQ(p.file, p.kind == Kind::kFile ? std::string_view("CUR") : std::string_view());
  }
  const FormData data = Parse(SampleBlock());
  EXPECT_EQ(DecodeMousePointer(data.templates[0].Control(6)->mousePointer).cursorNumber, 32649u);
}

TEST(FormData, HandlersResolveThroughTheTable) {
  const FormData data = Parse(SampleBlock());
  using Routine = std::string;
  const std::vector<Routine> table = {"r0", "r1", "r2", "r3"};
  const auto resolved = ResolveHandlers<Routine>(data, table);
  ASSERT_TRUE(resolved.has_value());
  struct Row {
    std::uint32_t unit;
    std::int32_t event;
    Routine routine;
  } rows[] = {{1, 0, "r3"}, {1, -1, "r0"}, {2, -1, ""}, {3, 0, ""}, {4, 0, "r1"}, {5, 0, "r2"}};
  ASSERT_EQ(resolved->size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ((*resolved)[i].window, 0u);
    EXPECT_EQ((*resolved)[i].unit, rows[i].unit);
    EXPECT_EQ((*resolved)[i].event, rows[i].event);
    EXPECT_EQ((*resolved)[i].routine, rows[i].routine);
  }
  EXPECT_FALSE(ResolveHandlers<Routine>(data, std::span(table).first(3)).has_value()) << "reference 3 past the table";
}

TEST(FormData, SavedTableBringsTheTemplateBack) {
  FormData data = Parse(SampleBlock());
  WindowTemplate& t = data.templates[0];
  const std::vector<std::uint8_t> before(t.Area().begin(), t.Area().end());
  t.SaveTable();
  auto record = t.MutableRecord(1);
  ASSERT_TRUE(record);
  const std::size_t left = t.Control(1)->objectSlot + 4;
  std::memcpy(record->data() + left, Word(static_cast<std::uint32_t>(-5)).data(), 4);
  EXPECT_EQ(t.Control(1)->left, -5);
  t.RestoreTable();
  EXPECT_EQ(t.Control(1)->left, -20);
  EXPECT_FALSE(t.HasSavedTable());
  EXPECT_TRUE(std::equal(before.begin(), before.end(), t.Area().begin(), t.Area().end()));
}

// One window whose unit area is assembled from raw record bodies, so that a single
// field can be broken.
std::vector<std::uint8_t> OneWindow(std::vector<std::string> bodies, std::uint32_t unitCount = 0) {
  std::string area;
  std::string records;
  for (std::size_t i = 0; i < bodies.size(); ++i) area += Word(i == 0 ? kMainUnit : kEgg + static_cast<std::uint32_t>(i));
  for (const std::string& b : bodies) {
    area += Word(static_cast<std::uint32_t>(records.size()));
    records += Word(static_cast<std::uint32_t>(b.size())) + b;
  }
  area += records;
  const std::string block = Word(8) + Word(kMain) + Word(0) + Word(0) + Word(0) + Word(0) + Word(0) +
                            Word(unitCount ? unitCount : static_cast<std::uint32_t>(bodies.size())) +
                            Word(static_cast<std::uint32_t>(area.size())) + area;
  return {block.begin(), block.end()};
}

std::string Body(const UnitDescription& u) {
  const auto b = WriteRecordBody(u);
  return {b.begin(), b.end()};
}

TEST(FormData, MalformedLengthsFail) {
  UnitDescription unit = WindowUnit(kMainUnit);
  unit.stored.clear();
  const std::string good = Body(unit);  // empty texts, no children: byte set length at 58
  auto patched = [&](std::size_t at, std::uint32_t v) { return std::string(good).replace(at, 4, Word(v)); };
  const std::string tableOnly = Word(8) + Word(kMain) + Word(0);
  auto tableOf12 = OneWindow({good});
  tableOf12[0] = 12;  // one window by 12 / 8, but not a multiple of 8
  // The event count is the word before the five reserved words of a body without bindings.
  const std::size_t events = good.size() - 24;
  struct Row {
    std::vector<std::uint8_t> block;
    bool ok;
  } rows[] = {
      {OneWindow({good}), true},
      {OneWindow({good + "xyz"}), true},  // the rest is the stored block
      {OneWindow({good.substr(0, good.size() - 1)}), false},
      {OneWindow({patched(54, 11)}), false},           // one child word more than the body holds
      {OneWindow({patched(54, 0x40000000)}), false},   // child count that would overflow
      {OneWindow({patched(58, 100)}), false},          // mouse pointer past the record
      {OneWindow({patched(events, 1)}), false},        // a binding that is not there
      {OneWindow({patched(events, 0x20000000)}), false},
      {OneWindow({good.substr(0, 26)}), false},        // head only
      {OneWindow({std::string(24, '\0') + "ab"}), false},  // name without its terminator
      {OneWindow({good}, 0x20000000), false},          // unit count the area cannot hold
      {{tableOnly.begin(), tableOnly.end()}, false},   // no template
      {tableOf12, false},
  };
  int n = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(n++));
    EXPECT_EQ(ParseFormData(r.block).has_value(), r.ok);
  }

  // Window table and area offsets.
  auto block = SampleBlock();
  auto with = [&](std::size_t at, std::uint32_t v) {
    auto b = block;
    const std::string w = Word(v);
    std::copy(w.begin(), w.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
    return ParseFormData(b).has_value();
  };
  EXPECT_FALSE(with(0, 0xFFFFFFF8)) << "table past the end";
  EXPECT_TRUE(with(4 + 4 * Sample().size(), 0x12345678)) << "slots are not read";
  // First template: after the table, design word, module id, two empty texts.
  const std::size_t table = 4 + 8 * Sample().size();
  EXPECT_FALSE(with(table + 16 + 4, 0xFFFFFFFF)) << "unit area length past the end";
  EXPECT_FALSE(with(table + 16, 0x20000000)) << "unit count the area cannot hold";
  const std::size_t area = table + 16 + 8;
  EXPECT_FALSE(with(area + 4 * 7, 0x7FFFFFF0)) << "record offset past the area";
  EXPECT_FALSE(with(area + 4 * 7, 1)) << "record offset inside another record";
}

TEST(FormData, EveryTruncationFails) {
  const auto block = SampleBlock();
  ASSERT_TRUE(ParseFormData(block).has_value());
  for (std::size_t n = 0; n < block.size(); ++n) {
    // A copy of exactly n bytes, so that the sanitizer sees any read past it.
    const std::vector<std::uint8_t> cut(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_FALSE(ParseFormData(cut).has_value()) << "length " << n;
  }
}

TEST(FormData, SeedBlocksRead) {
  struct Seed {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::size_t windows;
  } seeds[] = {
      {"three-windows", SampleBlock(), 3},
      {"window-unit-only", WriteFormData(std::vector{WindowDescription{kEffect, 0, 0, "", "", {WindowUnit(kEffectUnit)}}}), 1},
      {"no-windows", WriteFormData(std::vector<WindowDescription>{}), 0},
  };
  const char* folder = std::getenv("ZORVEL_WRITE_FORMS_SEEDS");
  for (const Seed& s : seeds) {
    const auto data = ParseFormData(s.bytes);
    ASSERT_TRUE(data.has_value()) << s.name;
    EXPECT_EQ(data->templates.size(), s.windows) << s.name;
    if (folder) {
      std::ofstream out(std::string(folder) + "/" + s.name + ".bin", std::ios::binary);
      out.write(reinterpret_cast<const char*>(s.bytes.data()), static_cast<std::streamsize>(s.bytes.size()));
      EXPECT_TRUE(out.good()) << s.name;
    }
  }
}

TEST(FormDataDeathTest, BrokenDataIsARuntimeError) {
  auto block = SampleBlock();
  block.pop_back();
  EXPECT_EXIT(ReadFormData(block), testing::ExitedWithCode(255), "载入窗口模板数据段出错!");
  EXPECT_EQ(ReadFormData(SampleBlock()).templates.size(), 3u);
}

}  // namespace
}  // namespace zorvel::forms
