// Byte-set commands: clipping, reading typed values with missing bytes as zero, and
// the position variable that walks a byte set value by value.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "runtime/commands.h"
#include "runtime/memory.h"
#include "runtime/values.h"

namespace zorvel {
namespace {

// A byte set owned by the test.
class Bytes {
 public:
  explicit Bytes(const std::string& b) : block_(MakeByteSet(b)) {}
  ~Bytes() { Free(block_); }
  Bytes(const Bytes&) = delete;
  Bytes& operator=(const Bytes&) = delete;
  ByteSetArg arg() const { return {block_}; }

 private:
  std::uint8_t* block_;
};

template <class T>
std::string Raw(T v) {
  return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

void ExpectByteSet(const Value& v, const std::string& expected) {
  EXPECT_EQ(v.type(), type::kByteSet);
  EXPECT_EQ(v.view(), expected);
  if (expected.empty()) {
    EXPECT_EQ(v.byteSet(), nullptr) << "the empty byte set is null";
  }
}

TEST(ByteSetCommands, LengthRightAndMid) {
  const Bytes abcde("abcde");
  const Bytes empty("");
  EXPECT_EQ(Call(cmd::ByteSetLength, abcde.arg()).integer(), 5);
  EXPECT_EQ(Call(cmd::ByteSetLength, empty.arg()).integer(), 0);

  struct RightRow {
    int n;
    std::string expected;
  } rights[] = {{2, "de"}, {5, "abcde"}, {9, "abcde"}, {0, ""}, {-1, ""}, {INT_MIN, ""}};
  int i = 0;
  for (const RightRow& r : rights) {
    SCOPED_TRACE("right row " + std::to_string(i++));
    ExpectByteSet(Call(cmd::RightBytes, abcde.arg(), r.n), r.expected);
  }
  ExpectByteSet(Call(cmd::RightBytes, empty.arg(), 3), "");

  struct MidRow {
    int start, n;
    std::string expected;
  } mids[] = {
      {2, 2, "bc"}, {0, 2, "ab"},  {-5, 2, "ab"},  {5, 9, "e"},      {6, 1, ""},
      {2, -1, ""},  {2, 0, ""},    {1, INT_MAX, "abcde"}, {INT_MAX, 1, ""}, {INT_MIN, 1, "a"},
  };
  i = 0;
  for (const MidRow& r : mids) {
    SCOPED_TRACE("mid row " + std::to_string(i++));
    ExpectByteSet(Call(cmd::MidBytes, abcde.arg(), r.start, r.n), r.expected);
  }
}

TEST(GetBytesData, EachKind) {
  const Bytes data(Raw<std::uint8_t>(0xF0) + Raw<std::int16_t>(-2) + Raw<std::int32_t>(-100000) +
                   Raw<std::int64_t>(-5000000000LL) + Raw(1.5f) + Raw(-2.25) + Raw<std::uint32_t>(0x100) +
                   Raw(45000.5) + Raw<std::uint32_t>(0x401000) + std::string("hi\0", 3) + Raw(1e9) + Raw(-1e9) +
                   "end");
  struct Row {
    int kind, position;
    TypedValue expected;
  } rows[] = {
      {1, 1, TypedValue::Byte(0xF0)},
      {2, 2, TypedValue::Short(-2)},
      {3, 4, TypedValue::Integer(-100000)},
      {4, 8, TypedValue::Long(-5000000000LL)},
      {5, 16, TypedValue::Float(1.5f)},
      {6, 20, TypedValue::Double(-2.25)},
      {7, 28, TypedValue::Logical(true)},  // 0x100 is normalised to 1
      {8, 32, TypedValue::DateTime(45000.5)},
      {9, 40, TypedValue{0x401000, type::kSubProgram}},
      {8, 47, TypedValue::DateTime(kDateTimeMax)},  // 1e9 days is clamped
      {8, 55, TypedValue::DateTime(kDateTimeMin)},
      {7, 2, TypedValue::Logical(true)},
      {3, 1, TypedValue::Integer(0x60FFFEF0)},  // lowest byte first
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    const Value v = Call(cmd::GetBytesData, data.arg(), r.kind, r.position);
    EXPECT_EQ(v.type(), r.expected.type);
    EXPECT_EQ(std::uint64_t{v.raw().value}, std::uint64_t{r.expected.value});
  }
  EXPECT_EQ(Call(cmd::GetBytesData, data.arg(), 10, 44).str(), "hi");
  EXPECT_EQ(Call(cmd::GetBytesData, data.arg(), 10, 63).str(), "end") << "a text without terminator ends at the end";
  EXPECT_EQ(Call(cmd::GetBytesData, data.arg(), 1).raw().AsByte(), 0xF0) << "the position defaults to 1";
}

TEST(GetBytesData, MissingBytesReadAsZero) {
  const Bytes data("\x01\x02\x03\x04\x05\x06");
  const Bytes empty("");
  struct Row {
    int kind, position;
    std::uint64_t expected;
  } rows[] = {
      {3, 3, 0x06050403},  // all four bytes there
      {3, 5, 0x0605},      // two of four
      {3, 6, 0x06},
      {3, 7, 0},  // beyond the end
      {3, 0, 0},  // below 1: nothing is read
      {3, -1, 0},
      {3, INT_MAX, 0},
      {4, 1, 0x060504030201},
      {2, 6, 0x06},
      {7, 7, 0},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    EXPECT_EQ(std::uint64_t{Call(cmd::GetBytesData, data.arg(), r.kind, r.position).raw().value}, r.expected);
  }
  EXPECT_EQ(Call(cmd::GetBytesData, empty.arg(), 6).number(), 0.0);
  const Value text = Call(cmd::GetBytesData, data.arg(), 10, 7);
  EXPECT_EQ(text.type(), type::kText);
  EXPECT_EQ(text.text(), nullptr) << "nothing to read is the empty text, null";
}

// The position variable moves past each value; it becomes -1 as soon as no byte is
// left after the value read, so a loop that reads until -1 sees every value once.
TEST(GetBytesData, PositionVariableWalksTheValues) {
  const Bytes data(Raw<std::int32_t>(-2) + Raw(2.5) + std::string("hi\0", 3) + "end");
  std::int32_t position = 1;
  struct Step {
    int kind;
    std::string value;  // as text
    int next;
  } steps[] = {
      {3, "-2", 5},
      {6, "2.5", 13},
      {10, "hi", 16},
      {10, "end", -1},  // the text runs to the end: no terminator, nothing left
  };
  int i = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE("step " + std::to_string(i++));
    const Value v = Call(cmd::GetBytesData, data.arg(), s.kind, Var(position));
    EXPECT_EQ(Call(cmd::ToText, v).str(), s.value);
    EXPECT_EQ(position, s.next);
  }
  // Once -1, the variable stays there and nothing more is read.
  EXPECT_EQ(Call(cmd::GetBytesData, data.arg(), 3, Var(position)).integer(), 0);
  EXPECT_EQ(position, -1);
}

TEST(GetBytesData, PositionVariableAtTheEnd) {
  const Bytes data("\x01\x02\x03\x04\x05\x06\x07\x08");
  struct Row {
    int kind, start, next;
  } rows[] = {
      {3, 1, 5},    // four bytes left after the value
      {3, 4, 8},    // one byte left
      {3, 5, -1},   // the value ends exactly at the end
      {3, 6, -1},   // the value runs past the end
      {3, 9, -1},   // starts beyond the end
      {4, 1, -1},
      {1, 8, -1},
      {1, 7, 8},
      {10, 1, -1},  // no terminator: the text runs to the end
      {3, 0, 0},    // below 1: nothing read, the variable is left alone
      {3, -1, -1},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    std::int32_t position = r.start;
    Call(cmd::GetBytesData, data.arg(), r.kind, Var(position));
    EXPECT_EQ(position, r.next);
  }
  const Bytes terminated(std::string("ab\0", 3));
  std::int32_t position = 1;
  EXPECT_EQ(Call(cmd::GetBytesData, terminated.arg(), 10, Var(position)).str(), "ab");
  EXPECT_EQ(position, -1) << "the terminator was the last byte";
}

TEST(GetBytesDataDeathTest, KindOutsideOneToTenIsARuntimeError) {
  const Bytes data("\x01\x02\x03\x04");
  for (int kind : {0, 11, -1}) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    EXPECT_EXIT(Call(cmd::GetBytesData, data.arg(), kind), testing::ExitedWithCode(255),
                "“欲取出数据的类型”参数值无效");
  }
}

}  // namespace
}  // namespace zorvel
