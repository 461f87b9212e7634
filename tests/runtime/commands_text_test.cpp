// Text commands: byte positions, double-byte awareness, empty results as null.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <string_view>

#include "runtime/commands.h"
#include "text/gbk_literal.h"

namespace zorvel {
namespace {
using namespace literals;

// GBK characters whose second byte is an ASCII letter: 侫 is 0x82 'A', 俛 is 0x82 'a',
// 俠 is 0x82 'b'. A search for the letter must never land on that second byte.
const std::string kTrailA = "侫"_gbk;
const std::string kTrailLowerA = "俛"_gbk;
const std::string kTrailB = "俠"_gbk;

// A text result: its bytes, and null when empty.
void ExpectText(const Value& v, std::string_view expected) {
  EXPECT_EQ(v.type(), type::kText);
  EXPECT_EQ(v.view(), expected);
  if (expected.empty()) {
    EXPECT_EQ(v.text(), nullptr) << "the empty text is null";
  }
}

TEST(TextCommands, GbkTrailBytesAreLetters) {
  ASSERT_EQ(kTrailA.size(), 2u);
  EXPECT_EQ(kTrailA[1], 'A');
  EXPECT_EQ(kTrailLowerA[1], 'a');
  EXPECT_EQ(kTrailB[1], 'b');
}

TEST(TextCommands, LengthCountsBytes) {
  EXPECT_EQ(Call(cmd::TextLength, "abc").integer(), 3);
  EXPECT_EQ(Call(cmd::TextLength, "中文a"_gbk).integer(), 5);
  EXPECT_EQ(Call(cmd::TextLength, "").integer(), 0);
}

TEST(TextCommands, LeftAndRightAreByteBased) {
  struct Row {
    bool left;
    std::string text;
    int n;
    std::string expected;
  } rows[] = {
      {true, "abc", 2, "ab"},
      {true, "abc", 5, "abc"},
      {true, "abc", 0, ""},
      {true, "abc", -1, ""},
      {true, "", 3, ""},
      {true, "中文"_gbk, 1, std::string("中"_gbk).substr(0, 1)},  // may split a character
      {false, "abc", 2, "bc"},
      {false, "abc", INT_MAX, "abc"},
      {false, "abc", 0, ""},
      {false, "abc", INT_MIN, ""},
      {false, "中文"_gbk, 3, std::string("中文"_gbk).substr(1)},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    ExpectText(Call(r.left ? cmd::LeftText : cmd::RightText, r.text, r.n), r.expected);
  }
}

TEST(TextCommands, MidText) {
  struct Row {
    std::string text;
    int start, n;
    std::string expected;
  } rows[] = {
      {"abc", 2, 10, "bc"},
      {"abc", 0, 1, ""},
      {"abc", -5, 2, ""},
      {"abc", 3, 1, "c"},
      {"abc", 4, 1, ""},
      {"abc", 1, 0, ""},
      {"abc", 1, -1, ""},
      {"abc", 1, INT_MAX, "abc"},
      {"abc", INT_MAX, INT_MAX, ""},
      {"", 1, 1, ""},
      {"中文"_gbk, 2, 2, std::string("中文"_gbk).substr(1, 2)},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    ExpectText(Call(cmd::MidText, r.text, r.start, r.n), r.expected);
  }
}

TEST(TextCommands, CharacterAndCharacterCode) {
  ExpectText(Call(cmd::Character, 65), "A");
  ExpectText(Call(cmd::Character, 0), "");
  ExpectText(Call(cmd::Character, 0xD6), "\xD6");
  ExpectText(Call(cmd::Character, 0x142), "B");  // only the low byte counts

  struct Row {
    std::string text;
    Value position;  // absent: the default 1
    int expected;
  };
  Row rows[] = {
      {"abc", {}, 'a'},
      {"abc", Value(TypedValue::Integer(3)), 'c'},
      {"abc", Value(TypedValue::Integer(4)), 0},
      {"abc", Value(TypedValue::Integer(0)), 0},
      {"", {}, 0},
      {"中"_gbk, {}, -42},  // 0xD6 as a signed byte
      {"中"_gbk, Value(TypedValue::Integer(2)), -48},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    EXPECT_EQ(Call(cmd::CharacterCode, r.text, r.position).integer(), r.expected);
  }
}

TEST(TextCommands, FindText) {
  struct Row {
    std::string text, sought;
    int start;
    bool ignoreCase;
    int expected;
  } rows[] = {
      {"hello world", "o", 1, false, 5},
      {"hello world", "o", 6, false, 8},
      {"hello world", "o", 0, false, 5},  // start below 1 acts as 1
      {"hello world", "d", 11, false, 11},
      {"hello world", "o", 12, false, -1},  // beyond the text
      {"hello world", "world!", 1, false, -1},
      {"hello world", "WORLD", 1, false, -1},
      {"hello world", "WORLD", 1, true, 7},
      {"abc", "", 1, false, 1},
      {"abc", "", 3, false, 1},
      {"abc", "", 4, false, -1},
      {"", "", 1, false, -1},
      {"", "a", 1, false, -1},
      {"中文中文"_gbk, "文"_gbk, 1, false, 3},
      {"中文中文"_gbk, "文"_gbk, 4, false, 7},  // start on a second byte: the next character
      // Never a match on the second byte of a double-byte character.
      {"x" + kTrailA, "A", 1, false, -1},
      {"x" + kTrailA + "A", "A", 1, false, 4},
      {kTrailLowerA + "a", "A", 1, true, 3},
      {kTrailA, "A", 2, false, -1},
      {kTrailA + kTrailB + "b", "b", 1, false, 5},
      {kTrailA + "Ab", "Ab", 1, false, 3},
      // A match may use a double-byte character's bytes when it starts on its first.
      {kTrailA + "x", kTrailA, 1, false, 1},
      // Ignoring case leaves double-byte characters alone: 俛 is not 侫.
      {kTrailLowerA + kTrailA, kTrailA, 1, true, 3},
      {"xAB" + kTrailLowerA, "ab" + kTrailLowerA, 1, true, 2},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    EXPECT_EQ(Call(cmd::FindText, r.text, r.sought, r.start, r.ignoreCase).integer(), r.expected);
  }
  EXPECT_EQ(Call(cmd::FindText, "abcabc", "c").integer(), 3) << "start and case flag omitted";
}

TEST(TextCommands, CaseChangesLeaveDoubleByteCharactersAlone) {
  ExpectText(Call(cmd::ToUpper, "abc XYZ 1z"), "ABC XYZ 1Z");
  ExpectText(Call(cmd::ToLower, "abc XYZ 1z"), "abc xyz 1z");
  ExpectText(Call(cmd::ToUpper, kTrailLowerA + "a"), kTrailLowerA + "A");
  ExpectText(Call(cmd::ToLower, kTrailA + "A"), kTrailA + "a");
  ExpectText(Call(cmd::ToUpper, "a\xD6"), "A\xD6");  // a lead byte at the end is kept
  ExpectText(Call(cmd::ToUpper, ""), "");
}

TEST(TextCommands, SpaceAndHexText) {
  ExpectText(Call(cmd::SpaceText, 3), "   ");
  ExpectText(Call(cmd::SpaceText, 0), "");
  ExpectText(Call(cmd::SpaceText, -1), "");
  struct Row {
    int value;
    const char* expected;
  } rows[] = {{0, "0"}, {255, "FF"}, {0xABCDEF, "ABCDEF"}, {-1, "FFFFFFFF"}, {INT_MIN, "80000000"}};
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    ExpectText(Call(cmd::HexText, r.value), r.expected);
  }
}

TEST(TextCommands, ReplaceSubtext) {
  struct Row {
    std::string text, sought, replacement;
    int start;
    Value count;
    bool caseSensitive;
    std::string expected;
  };
  auto count = [](int n) { return Value(TypedValue::Integer(n)); };
  Row rows[] = {
      {"a-b-c", "-", "+", 1, {}, true, "a+b+c"},
      {"a-b-c", "-", "+", 1, count(1), true, "a+b-c"},
      {"a-b-c", "-", "+", 1, count(2), true, "a+b+c"},
      {"a-b-c", "-", "+", 1, count(0), true, "a-b-c"},
      {"a-b-c", "-", "+", 1, count(-1), true, "a+b+c"},
      {"a-b-c", "-", "+", 3, {}, true, "a-b+c"},
      {"a-b-c", "-", "+", 0, {}, true, "a+b+c"},
      {"a-b-c", "-", "+", 5, {}, true, "a-b-c"},
      {"a-b-c", "-", "+", 6, {}, true, "a-b-c"},
      {"abAB", "ab", "x", 1, {}, true, "xAB"},
      {"abAB", "ab", "x", 1, {}, false, "xx"},
      {"abc", "c", "Z", 1, {}, true, "abZ"},
      {"aaa", "a", "bb", 1, {}, true, "bbbbbb"},
      {"aaa", "aa", "b", 1, {}, true, "ba"},
      {"aaa", "a", "", 1, {}, true, ""},
      {"", "a", "b", 1, {}, true, ""},
      {"abc", "", "x", 1, {}, true, "abc"},
      {"名字.swf"_gbk, "名字"_gbk, "qarn-5", 1, {}, true, "qarn-5.swf"},
      {"C:\\Temporary Internet Files\\x", "Temporary Internet Files", "Temp", 1, {}, true, "C:\\Temp\\x"},
      // Never a match on the second byte of a double-byte character.
      {kTrailA + "A", "A", "x", 1, {}, true, kTrailA + "x"},
      {kTrailLowerA + "a", "A", "x", 1, {}, false, kTrailLowerA + "x"},
      {kTrailA + "A", "A", "x", 2, {}, true, kTrailA + "x"},
      {kTrailLowerA + kTrailA, kTrailA, "x", 1, {}, false, kTrailLowerA + "x"},
      {"ab\xD6", "b", "x", 1, {}, true, "ax\xD6"},  // a lead byte at the end is kept
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    ExpectText(Call(cmd::ReplaceSubtext, r.text, r.sought, r.replacement, r.start, r.count, r.caseSensitive),
               r.expected);
  }
  ExpectText(Call(cmd::ReplaceSubtext, "x.y.z", "."), "xyz");  // replacement, start, count omitted
}

}  // namespace
}  // namespace zorvel
