// Unit-type descriptions: the tables agree with themselves, every layout writes what it
// reads, and the stored-block version and length rules hold.
#include "forms/unit_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "text/gbk_literal.h"

namespace zorvel::forms {
namespace {

using namespace literals;

std::vector<std::uint8_t> Words(std::initializer_list<std::uint32_t> words) {
  std::vector<std::uint8_t> out;
  for (const std::uint32_t w : words)
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(w >> (8 * k)));
  return out;
}

const UnitLayout& Layout(std::string_view name) {
  const UnitLayout* layout = FindUnitLayout(name);
  EXPECT_NE(layout, nullptr) << name;
  return *layout;
}

// Every property off its default: words by index, bytes as a text naming the property.
std::vector<PropertyValue> Distinct(const UnitLayout& layout) {
  std::vector<PropertyValue> values = DefaultProperties(layout);
  for (std::size_t k = 0; k < values.size(); ++k) {
    const PropertyInfo& p = layout.properties[k];
    if (HoldsBytes(p.type)) values[k].bytes = p.name == "passwordCharacter" ? "#" : std::string(p.name) + "\x01\xB0\xA1";
    else if (p.type == PropertyType::kLogical) values[k].word = 1 - p.defaultWord;
    else values[k].word = static_cast<std::int32_t>(100 + k);
  }
  return values;
}

TEST(UnitLayout, TablesAreConsistent) {
  std::set<std::uint32_t> codes;
  for (const UnitLayout* layout : AllUnitLayouts()) {
    SCOPED_TRACE(std::string(layout->englishName));
    EXPECT_TRUE(codes.insert(layout->type).second);
    EXPECT_EQ(FindUnitLayout(layout->type), layout);
    EXPECT_EQ(FindUnitLayout(layout->englishName), layout);
    std::set<std::string_view> names;
    for (std::size_t k = 0; k < layout->properties.size(); ++k) {
      const PropertyInfo& p = layout->properties[k];
      EXPECT_TRUE(names.insert(p.name).second) << p.name;
      EXPECT_EQ(PropertyIndex(*layout, p.name), static_cast<int>(8 + k));
      EXPECT_EQ(FindProperty(*layout, static_cast<int>(8 + k)), &p);
      EXPECT_LE(p.minimum, p.defaultWord) << p.name;
      EXPECT_GE(p.maximum, p.defaultWord) << p.name;
    }
    std::set<int> stored;
    for (const StoredField& f : layout->fields) {
      const PropertyInfo* p = FindProperty(*layout, f.property);
      ASSERT_NE(p, nullptr) << f.property;
      EXPECT_TRUE(stored.insert(f.property).second) << p->name;
      EXPECT_LE(f.minVersion, layout->version) << p->name;
      EXPECT_EQ(HoldsBytes(p->type), f.kind != FieldKind::kWord) << p->name;
    }
  }
  EXPECT_EQ(codes.size(), 15u);
  EXPECT_EQ(FindUnitLayout(0x00010002u), nullptr);
  EXPECT_EQ(FindUnitLayout("Window"), nullptr);
  EXPECT_EQ(FindProperty(Layout("window"), 7), nullptr);
  EXPECT_EQ(FindProperty(Layout("window"), 32), nullptr);
  EXPECT_EQ(PropertyIndex(Layout("TransLabel"), "verticalAlignment"), 14);
  EXPECT_EQ(std::string(Layout("PicBtn").chineseName), std::string("图形按钮"_gbk));
}

TEST(UnitLayout, EveryLayoutReadsWhatItWrites) {
  for (const UnitLayout* layout : AllUnitLayouts()) {
    SCOPED_TRACE(std::string(layout->englishName));
    for (const auto& written : {DefaultProperties(*layout), Distinct(*layout)}) {
      const std::vector<std::uint8_t> block = WriteStored(*layout, written);
      std::vector<PropertyValue> read = DefaultProperties(*layout);
      const auto result = ReadStored(*layout, block, read);
      ASSERT_TRUE(result.has_value());
      EXPECT_EQ(result->version, layout->version);
      // Properties without a stored field (the edit box's selected text) keep their default.
      for (std::size_t k = 0; k < read.size(); ++k) {
        const bool isStored = std::any_of(layout->fields.begin(), layout->fields.end(),
                                          [&](const StoredField& f) { return f.property == static_cast<int>(8 + k); });
        EXPECT_EQ(read[k], isStored ? written[k] : DefaultProperties(*layout)[k]) << layout->properties[k].name;
      }
      // Every shorter block ends inside a field and fails, leaving the values alone.
      for (std::size_t n = 1; n < block.size(); ++n) {
        std::vector<PropertyValue> partial = DefaultProperties(*layout);
        std::string failure;
        EXPECT_FALSE(ReadStored(*layout, std::span(block).first(n), partial, &failure)) << n;
        EXPECT_FALSE(failure.empty());
        EXPECT_EQ(partial, DefaultProperties(*layout));
      }
    }
  }
}

TEST(UnitLayout, VersionRules) {
  struct Row {
    const char* type;
    std::vector<std::uint8_t> block;
    std::optional<std::uint32_t> version;  // nothing: the read fails
  };
  const UnitLayout& window = Layout("window");
  std::vector<std::uint8_t> trailing = WriteStored(window, DefaultProperties(window));
  trailing.insert(trailing.end(), {1, 2, 3});
  const Row rows[] = {
      {"window", {}, 0},
      {"window", Words({7}), std::nullopt},
      {"window", Words({0xFFFFFFFF}), std::nullopt},
      {"window", trailing, 6},
      {"window", {6, 0, 0}, std::nullopt},
      {"PicBtn", Words({2}), std::nullopt},
      {"TransLabel", Words({1, 0, 0, 0, 1, 0, 0, 0x7FFFFFFF}), std::nullopt},  // text longer than the block
      {"CartoonObject", Words({4}), std::nullopt},
      {"MenuItem", Words({0}), 0},
      {"MenuItem", Words({1}), std::nullopt},
  };
  for (const Row& row : rows) {
    const UnitLayout& layout = Layout(row.type);
    std::vector<PropertyValue> values = DefaultProperties(layout);
    const auto read = ReadStored(layout, row.block, values);
    EXPECT_EQ(read.has_value(), row.version.has_value()) << row.type << " " << row.block.size();
    if (read && row.version) {
      EXPECT_EQ(read->version, *row.version) << row.type;
    }
    EXPECT_EQ(values, DefaultProperties(layout)) << row.type;
  }
}

TEST(UnitLayout, OlderVersionsHoldFewerFields) {
  // A version 1 window block stops before the task-bar switch: thirteen words, then the
  // byte sets and texts.
  const UnitLayout& window = Layout("window");
  std::vector<PropertyValue> written = Distinct(window);
  const auto v1 = WriteStored(window, written, 1);
  // back picture, icon, music, title, help file: length word and "<name>" + 3 bytes each
  EXPECT_EQ(v1.size(), 4 + 13 * 4 + (4 + 14) + (4 + 7) + (4 + 8) + (4 + 8) + (4 + 11));
  std::vector<PropertyValue> read = DefaultProperties(window);
  ASSERT_TRUE(ReadStored(window, v1, read));
  const auto at = [&](std::string_view name) { return read[static_cast<std::size_t>(*PropertyIndex(window, name) - 8)]; };
  const auto sent = [&](std::string_view name) {
    return written[static_cast<std::size_t>(*PropertyIndex(window, name) - 8)];
  };
  EXPECT_EQ(at("helpContext"), sent("helpContext"));
  EXPECT_EQ(at("title"), sent("title"));
  EXPECT_EQ(at("backPicture"), sent("backPicture"));
  EXPECT_EQ(at("showInTaskBar").word, 1);
  EXPECT_EQ(at("shape").word, 0);
  EXPECT_EQ(at("className").bytes, "");

  // Version 2 of the animation object has setting 31 but no mirror yet.
  const UnitLayout& object = Layout("CartoonObject");
  written = Distinct(object);
  read = DefaultProperties(object);
  ASSERT_TRUE(ReadStored(object, WriteStored(object, written, 2), read));
  EXPECT_EQ(read[31 - 8], written[31 - 8]);
  EXPECT_EQ(read[25 - 8].word, 0);
}

TEST(UnitLayout, FieldOrderAndCharacters) {
  // The animation object stores 10, 12, 13, 20, 21, 14, 15, 16, 17, 18, 19, 22, 23, 24,
  // 26, 29, 31, 25; each word here holds its property's index (logical ones read as 1).
  const UnitLayout& object = Layout("CartoonObject");
  std::vector<std::uint8_t> block = Words({3, 10, 12, 13, 20, 21, 14, 15, 16, 17, 18, 19, 22, 23, 24, 26, 29, 31, 25, 2});
  block.insert(block.end(), {'h', 'i'});
  const auto emptySets = Words({0, 0, 0, 0, 0});
  block.insert(block.end(), emptySets.begin(), emptySets.end());
  std::vector<PropertyValue> read = DefaultProperties(object);
  ASSERT_TRUE(ReadStored(object, block, read));
  for (const int index : {10, 13, 15, 16, 17, 18, 19, 20, 21, 22, 23, 25, 26, 31})
    EXPECT_EQ(read[static_cast<std::size_t>(index - 8)].word, index) << index;
  for (const int index : {12, 14, 24, 29}) EXPECT_EQ(read[static_cast<std::size_t>(index - 8)].word, 1) << index;
  EXPECT_EQ(read[0].bytes, "hi");

  // The transparent label stores vertical alignment before word wrap.
  const UnitLayout& label = Layout("TransLabel");
  std::vector<std::uint8_t> title = Words({1, 3, 0x0000FFFF, 1, 2, 1, 0, 4});
  const std::string text = "关闭"_gbk;
  title.insert(title.end(), text.begin(), text.end());
  read = DefaultProperties(label);
  ASSERT_TRUE(ReadStored(label, title, read));
  const std::vector<std::int32_t> words = {read[1].word, read[3].word, read[4].word, read[5].word, read[6].word};
  EXPECT_EQ(words, (std::vector<std::int32_t>{3, 0x0000FFFF, 1, 1, 2}));
  EXPECT_EQ(read[0].bytes, text);

  // The edit box's password character is a word holding a 16-bit character value.
  const UnitLayout& edit = Layout("EditBox");
  const std::size_t passwordAt = 4 + 9 * 4;  // version, then nine words before it
  const struct {
    std::string character;
    std::uint32_t word;
  } characters[] = {{"*", '*'}, {"", 0}, {"●"_gbk, 0xA1F1}};
  for (const auto& c : characters) {
    std::vector<PropertyValue> values = DefaultProperties(edit);
    values[19 - 8].bytes = c.character;
    const auto stored = WriteStored(edit, values);
    EXPECT_EQ(std::vector<std::uint8_t>(stored.begin() + passwordAt, stored.begin() + passwordAt + 4), Words({c.word}));
    std::vector<PropertyValue> back = DefaultProperties(edit);
    ASSERT_TRUE(ReadStored(edit, stored, back));
    EXPECT_EQ(back[19 - 8].bytes, c.character);
  }
  EXPECT_EQ(DefaultProperties(edit)[19 - 8].bytes, "*");
}

TEST(UnitLayout, ClampToRange) {
  const UnitLayout& panel = Layout("DrawPanel");
  const PropertyInfo& width = *FindProperty(panel, *PropertyIndex(panel, "penWidth"));
  const PropertyInfo& colour = *FindProperty(panel, *PropertyIndex(panel, "penColour"));
  const PropertyInfo& effect = *FindProperty(Layout("TransLabel"), 9);
  EXPECT_EQ(ClampToRange(width, 40000), 32767);
  EXPECT_EQ(ClampToRange(width, -1), 0);
  EXPECT_EQ(ClampToRange(effect, 7), 3);
  EXPECT_EQ(ClampToRange(colour, static_cast<std::int32_t>(0xFF000000u)), static_cast<std::int32_t>(0xFF000000u));
}

}  // namespace
}  // namespace zorvel::forms
