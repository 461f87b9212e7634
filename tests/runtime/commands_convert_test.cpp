// Conversion commands: decimal reading with full-width folding, truncation that stays
// defined out of range, stored bytes, and the integer part with its tolerance.
#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <string>

#include "runtime/commands.h"
#include "runtime/memory.h"
#include "text/gbk_literal.h"

namespace zorvel {
namespace {
using namespace literals;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ToNumber, ReadsDecimalTextLikeTheCLibrary) {
  struct Row {
    std::string text;
    double expected;
  } rows[] = {
      {"123", 123},
      {"  -12.5e2xyz", -1250},
      {"\t\n\v\f\r 7", 7},
      {"+.5", 0.5},
      {"1.", 1},
      {".", 0},
      {"-", 0},
      {"", 0},
      {"abc", 0},
      {"0x1A", 0},
      {"inf", 0},
      {"nan", 0},
      {"-infinity", 0},
      {"1e", 1},
      {"1e+", 1},
      {"2E-3", 0.002},
      {"12 34", 12},
      {"1,5", 1},
      {"0.1", 0.1},
      {"9007199254740993", 9007199254740992.0},  // halfway: to even
      {"0.000000000000000000000000000000000000000001", 1e-42},
      {"1e999", kInf},
      {"-1e999", -kInf},
      {"1e-999", 0},
      {"1e-310", 1e-310},  // below the normal range, still the nearest double
      {"0e999999999999999999999", 0},
      {"1e99999999999999999999", kInf},
      {std::string(400, '0') + "1", 1},
      {"1" + std::string(400, '0'), kInf},
      // Full-width forms are folded to ASCII before reading.
      {"１２３"_gbk, 123},
      {"－１．５"_gbk, -1.5},
      {"＋２ｅ３"_gbk, 2000},
      {"　８"_gbk, 8},
      {"1中"_gbk, 1},
      {"中1"_gbk, 0},
      {"1\xA3", 1},  // a lead byte at the end
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++) + " \"" + r.text + "\"");
    const Value v = Call(cmd::ToNumber, r.text);
    EXPECT_EQ(v.type(), type::kDouble);
    EXPECT_EQ(v.number(), r.expected);
  }
}

TEST(ToNumber, OtherValues) {
  const TypedValue logicalSeven{7, type::kLogical};
  const TypedValue subProgram{0x401000, type::kSubProgram};
  struct Row {
    TypedValue value;
    double expected;
  } rows[] = {
      {TypedValue::Byte(200), 200},
      {TypedValue::Short(-3), -3},
      {TypedValue::Integer(-5), -5},
      {TypedValue::Long(1LL << 40), 1099511627776.0},
      {TypedValue::Float(0.5f), 0.5},
      {TypedValue::Double(2.25), 2.25},
      {TypedValue::Logical(true), 1},
      {logicalSeven, 7},  // the stored number
      {subProgram, 0x401000},
      {TypedValue::DateTime(45000.5), 0},
      {TypedValue::ByteSet(kEmptyByteSet), 0},
      {TypedValue{}, 0},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    EXPECT_EQ(Call(cmd::ToNumber, r.value).number(), r.expected);
  }
  char* text = nullptr;
  EXPECT_EQ(Call(cmd::ToNumber, Value(TypedValue::Text(nullptr))).number(), 0) << "a null text is empty";
  text = CopyText("42.5");
  EXPECT_EQ(Call(cmd::ToNumber, Var(text)).number(), 42.5) << "a variable is read through its address";
  Free(text);
}

TEST(ToInteger, ReadsDecimalTextAndWrapsBeyond32Bits) {
  struct Row {
    std::string text;
    int expected;
  } rows[] = {
      {"123", 123},
      {" \t-45xyz", -45},
      {"+7", 7},
      {"3.9", 3},
      {"-3.9", -3},
      {"1e3", 1},
      {"0x10", 0},
      {"", 0},
      {"abc", 0},
      {"- 5", 0},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      // Beyond 32 bits the value wraps.
      {"2147483648", INT_MIN},
      {"4294967297", 1},
      {"-2147483649", INT_MAX},
      {"99999999999999999999", 1661992959},
      {"１２３"_gbk, 123},
      {"－５"_gbk, -5},
      {"　　９"_gbk, 9},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++) + " \"" + r.text + "\"");
    const Value v = Call(cmd::ToInteger, r.text);
    EXPECT_EQ(v.type(), type::kInteger);
    EXPECT_EQ(v.integer(), r.expected);
  }
}

TEST(ToInteger, OtherValues) {
  struct Row {
    TypedValue value;
    int expected;
  } rows[] = {
      {TypedValue::Double(-2.9), -2},
      {TypedValue::Double(2.9), 2},
      {TypedValue::Double(2147483647.9), INT_MAX},
      {TypedValue::Double(-2147483648.0), INT_MIN},
      {TypedValue::Double(3e9), INT_MIN},  // out of range: 0x80000000
      {TypedValue::Double(-3e9), INT_MIN},
      {TypedValue::Double(kNaN), INT_MIN},
      {TypedValue::Double(kInf), INT_MIN},
      {TypedValue::Float(-1.5f), -1},
      {TypedValue::Long(0x100000005LL), 5},
      {TypedValue::Long(-1), -1},
      {TypedValue::Short(-2), -2},
      {TypedValue::Byte(255), 255},
      {TypedValue::Logical(true), 1},
      {TypedValue::DateTime(45000.5), 0},
      {TypedValue::ByteSet(kEmptyByteSet), 0},
      {TypedValue{}, 0},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    EXPECT_EQ(Call(cmd::ToInteger, r.value).integer(), r.expected);
  }
}

TEST(ToByte, KeepsTheLowEightBits) {
  struct Row {
    TypedValue value;
    int expected;
  } rows[] = {
      {TypedValue::Text("300"), 44},
      {TypedValue::Text("-1"), 255},
      {TypedValue::Text("１２"_gbk), 12},
      {TypedValue::Text("x"), 0},
      {TypedValue::Double(257.9), 1},
      {TypedValue::Double(-1.5), 255},
      {TypedValue::Double(1e10), 0},  // 0x80000000
      {TypedValue::Integer(0x1234), 0x34},
      {TypedValue::Long(0x1FF), 0xFF},
      {TypedValue::Logical(true), 1},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    const Value v = Call(cmd::ToByte, r.value);
    EXPECT_EQ(v.type(), type::kByte);
    EXPECT_EQ(v.raw().AsByte(), r.expected);
  }
}

TEST(ToByteSet, StoredBytes) {
  std::uint8_t* source = MakeByteSet("x\0y", 3);
  void* integers = MakeArray(type::kInteger, {2});
  static_cast<std::int32_t*>(ArrayElements(integers))[0] = 1;
  static_cast<std::int32_t*>(ArrayElements(integers))[1] = -1;
  void* texts = MakeArray(type::kText, {1});
  struct Row {
    TypedValue value;
    std::string expected;
  } rows[] = {
      {TypedValue::Text("ab"), "ab"},
      {TypedValue::Text(kEmptyText), ""},
      {TypedValue::Byte(7), std::string("\x07", 1)},
      {TypedValue::Short(-2), "\xFE\xFF"},
      {TypedValue::Integer(0x04030201), "\x01\x02\x03\x04"},
      {TypedValue::Long(0x0807060504030201), "\x01\x02\x03\x04\x05\x06\x07\x08"},
      {TypedValue::Float(1.5f), std::string("\0\0\xC0\x3F", 4)},
      {TypedValue::Double(1.0), std::string("\0\0\0\0\0\0\xF0\x3F", 8)},
      {TypedValue::Logical(true), std::string("\x01\0\0\0", 4)},
      {TypedValue::ByteSet(source), std::string("x\0y", 3)},
      {TypedValue::ByteSet(kEmptyByteSet), ""},
      {TypedValue::Array(integers, type::kInteger), std::string("\x01\0\0\0\xFF\xFF\xFF\xFF", 8)},
      {TypedValue::Array(texts, type::kText), ""},
      {TypedValue{0x1600000052ull, type::kWindow}, ""},
      {TypedValue{}, ""},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    const Value v = Call(cmd::ToByteSet, r.value);
    EXPECT_EQ(v.type(), type::kByteSet);
    EXPECT_EQ(v.view(), r.expected);
    if (r.expected.empty()) {
      EXPECT_EQ(v.byteSet(), nullptr) << "the empty byte set is null";
    }
  }
  Free(source);
  FreeArray(integers, type::kInteger);
  FreeArray(texts, type::kText);
}

TEST(ToText, FormatsValues) {
  std::int32_t variable = -17;
  EXPECT_EQ(Call(cmd::ToText, 42).str(), "42");
  EXPECT_EQ(Call(cmd::ToText, 1.0 / 3).str(), "0.3333333333333");
  EXPECT_EQ(Call(cmd::ToText, 0.1f).str(), "0.1");
  EXPECT_EQ(Call(cmd::ToText, false).str(), "假"_gbk);
  EXPECT_EQ(Call(cmd::ToText, Var(variable)).str(), "-17");
  EXPECT_EQ(Call(cmd::ToText, "").text(), nullptr) << "the empty text is null";
  EXPECT_EQ(Call(cmd::ToText, Call(cmd::ToNumber, "１２３"_gbk)).str(), "123");
}

TEST(IntegerPart, FloorWithToleranceAwayFromZero) {
  struct Row {
    double value;
    int expected;
  } rows[] = {
      {-0.5, -1},
      {2.9999999999995, 3},
      {-2.9999999999995, -3},
      {0.9999999999995, 1},
      {-0.9999999999995, -1},
      {2.999999999, 2},
      {-2.5, -3},
      {2.5, 2},
      {3.0, 3},
      {-3.0, -3},
      {0.0, 0},
      {-0.0, 0},
      {2147483647.5, INT_MAX},
      {-2147483648.5, INT_MIN},
      {1e10, INT_MIN},
      {kNaN, INT_MIN},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++) + " " + std::to_string(r.value));
    const Value v = Call(cmd::IntegerPart, r.value);
    EXPECT_EQ(v.type(), type::kInteger);
    EXPECT_EQ(v.integer(), r.expected);
  }
  EXPECT_EQ(Call(cmd::IntegerPart, 7).integer(), 7) << "an integer argument is a number too";
}

}  // namespace
}  // namespace zorvel
