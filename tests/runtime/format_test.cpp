// Values shown as text, and runtime errors.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <string>

#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/memory.h"
#include "runtime/program.h"
#include "runtime/text.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"

namespace zorvel {
namespace {
using namespace literals;

std::string Shown(const TypedValue& v) { return gbk::ToUtf8(FormatValueString(v)); }

TEST(FormatValue, Numbers) {
  struct Row {
    TypedValue value;
    const char* shown;
  } rows[] = {
      {TypedValue::Byte(255), "255"},
      {TypedValue::Short(-32768), "-32768"},
      {TypedValue::Integer(-2147483647 - 1), "-2147483648"},
      {TypedValue::Long(-9000000000000000000LL), "-9000000000000000000"},
      {TypedValue::Double(0.1), "0.1"},
      {TypedValue::Double(1.0 / 3), "0.3333333333333"},
      {TypedValue::Double(4.7), "4.7"},
      {TypedValue::Double(3.0), "3"},
      {TypedValue::Double(1e15), "1e+15"},
      {TypedValue::Double(123456789012.5), "123456789012.5"},
      {TypedValue::Float(0.1f), "0.1"},
      {TypedValue::Float(1.0f / 3), "0.333333"},
      {TypedValue::Float(2.5f), "2.5"},
      {TypedValue::Float(16777216.0f), "1.67772e+07"},
      {TypedValue::Float(-0.000123456789f), "-0.000123457"},
      {TypedValue::Float(0.0f), "0"},
      // 9.9999995 is the float just below 10: rounding to six digits carries into a
      // seventh, which the display still shows as 10.
      {TypedValue::Float(9.9999995f), "10"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(Shown(rows[i].value), rows[i].shown);
  }
}

TEST(FormatValue, FloatPreRoundingRemovesBinaryError) {
  // %.6g alone would show the float nearest 1.0000005 as 1 or 1.000001 depending on
  // its binary error; the pre-rounding decides half up on the decimal digits.
  EXPECT_EQ(RoundFloatForDisplay(0.1f), 0.1) << "the nearest double to one tenth, not 0.10000000149";
  EXPECT_EQ(RoundFloatForDisplay(0.3f), 0.3);
  EXPECT_EQ(RoundFloatForDisplay(-7.7f), -7.7);
  EXPECT_EQ(Shown(TypedValue::Float(123.4567f)), "123.457");
  EXPECT_EQ(Shown(TypedValue::Float(-123.4564f)), "-123.456");
  EXPECT_EQ(RoundFloatForDisplay(FLT_MAX), RoundFloatForDisplay(FLT_MAX)) << "no overflow to NaN";
  EXPECT_EQ(Shown(TypedValue::Float(FLT_MAX)), "3.40282e+38");
}

TEST(FormatValue, LogicalTextAndBytes) {
  EXPECT_EQ(FormatValueString(TypedValue::Logical(true)), "真"_gbk);
  EXPECT_EQ(FormatValueString(TypedValue{7, type::kLogical}), "真"_gbk) << "any non-zero is true";
  EXPECT_EQ(FormatValueString(TypedValue::Logical(false)), "假"_gbk);
  EXPECT_EQ(FormatValueString(TypedValue::Text("abc")), "abc");
  EXPECT_EQ(FormatValue(TypedValue::Text(nullptr)), nullptr);
  std::uint8_t* b = MakeByteSet("ab\0cd", 5);
  EXPECT_EQ(FormatValueString(TypedValue::ByteSet(b)), "ab");
  Free(b);
  char* zero = FormatValue(TypedValue::Integer(0));
  EXPECT_STREQ(zero, "0") << "zero is a digit, not the empty text";
  Free(zero);
  EXPECT_EQ(FormatValue(TypedValue{1, type::kWindow}), nullptr) << "unit values show nothing";
  EXPECT_EQ(FormatValue(TypedValue{1, type::kSubProgram}), nullptr);
}

TEST(FormatValue, NumericArrayShowsItsFirstDimensionBytes) {
  void* a = MakeArray(type::kShort, {2, 2});
  std::memcpy(ArrayElements(a), "hi!!", 4);  // first dimension: 2 shorts = 4 bytes
  EXPECT_EQ(FormatValueString(TypedValue::Array(a, type::kShort)), "hi!!");
  std::memcpy(ArrayElements(a), "h\0!!", 4);
  EXPECT_EQ(FormatValueString(TypedValue::Array(a, type::kShort)), "h");
  FreeArray(a, type::kShort);
  void* texts = MakeArray(type::kText, {1});
  EXPECT_EQ(FormatValue(TypedValue::Array(texts, type::kText)), nullptr);
  FreeArray(texts, type::kText);
}

TEST(FormatValue, DateTime) {
  struct Row {
    double days;
    const char* shown;
  } rows[] = {
      {0.0, "1899年12月30日"},
      {2.0, "1900年1月1日"},
      {45000.5, "2023年3月15日12时"},
      {45000.0 + (13 * 60 + 5) / 1440.0, "2023年3月15日13时5分"},
      {45000.0 + (13 * 3600 + 5 * 60 + 7) / 86400.0, "2023年3月15日13时5分7秒"},
      {45000.0 + 30 / 86400.0, "2023年3月15日0时0分30秒"},
      {-1.25, "1899年12月29日6时"},
      {-1e9, "100年1月1日"},  // clamped to the first day of year 100
      {1e9, "9999年12月31日"},
      {36526.0, "2000年1月1日"},
      {36585.0, "2000年2月29日"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(gbk::ToUtf8(FormatDateTime(rows[i].days)), rows[i].shown);
  }
  EXPECT_EQ(Shown(TypedValue{TypedValue::Bits(-1e9), type::kDateTime}), "100年1月1日")
      << "a stored value out of range is clamped before it is shown";
}

// ---- Runtime errors ----

TEST(RuntimeErrorText, Layout) {
  EXPECT_EQ(RuntimeErrorText(nullptr, 0), "运行时出错!\r\n\r\n"_gbk);
  EXPECT_EQ(RuntimeErrorText("x", 0), "运行时出错!\r\n\r\n错误信息：x\r\n"_gbk);
  EXPECT_EQ(RuntimeErrorText("", 2), "运行时出错!\r\n\r\n错误代码：2\r\n\r\n"_gbk);
  EXPECT_EQ(RuntimeErrorText(RuntimeErrorMessage(2), 2),
            "运行时出错!\r\n\r\n错误代码：2\r\n\r\n错误信息：未得到所需要的数值型数据\r\n"_gbk);
  EXPECT_EQ(RuntimeErrorMessage(0), nullptr);
  EXPECT_EQ(RuntimeErrorMessage(12), nullptr);
  EXPECT_STREQ(RuntimeErrorMessage(11), "所提供参数的数据类型不符合要求"_gbk);
}

void CleanupWritesMarker() { std::fputs("cleanup ran\n", stderr); }

TEST(RuntimeErrorDeathTest, ShowsTheBoxForgetsTheCleanupAndExitsWithMinusOne) {
  EXPECT_EXIT(
      {
        RegisterCleanupRoutine(CleanupWritesMarker);
        RuntimeErrorByNumber(2);
      },
      testing::ExitedWithCode(255), "^\\[错误\\] 运行时出错!\r\n\r\n错误代码：2\r\n\r\n错误信息：未得到所需要的数值型数据\r\n\n$");
}

TEST(RuntimeErrorDeathTest, OrderlyEndRunsTheCleanupOnce) {
  EXPECT_EXIT(
      {
        RegisterCleanupRoutine(CleanupWritesMarker);
        AddShutdownStep(ShutdownPhase::kResources, [](int code) { std::fprintf(stderr, "sounds %d\n", code); });
        AddShutdownStep(ShutdownPhase::kWindows, [](int code) { std::fprintf(stderr, "windows %d\n", code); });
        EndProgram(3);
      },
      testing::ExitedWithCode(3), "^windows 3\ncleanup ran\nsounds 3\n$");
}

int HookAnswer(int count, int code, const char* message) {
  std::fprintf(stderr, "hook %d %d %s\n", count, code, gbk::ToUtf8(message).c_str());
  return 1;
}

TEST(RuntimeErrorDeathTest, HookThatAnswersSuppressesTheBox) {
  EXPECT_EXIT(
      {
        SetErrorHook(HookAnswer);
        RuntimeError("分配 8 字节内存失败!"_gbk);
      },
      testing::ExitedWithCode(255), "^hook 1 0 分配 8 字节内存失败!\n$");
}

int ReenteringHook(int, int, const char*) {
  std::fputs("hook\n", stderr);
  // An error while the hook runs shows the box instead of calling the hook again.
  RuntimeError("inner", 7);
}

TEST(RuntimeErrorDeathTest, ErrorInsideTheHookShowsTheBox) {
  EXPECT_EXIT(
      {
        SetErrorHook(ReenteringHook);
        RuntimeError("outer", 1);
      },
      testing::ExitedWithCode(255), "^hook\n\\[错误\\] 运行时出错!\r\n\r\n错误代码：7\r\n\r\n错误信息：inner\r\n\n$");
}

TEST(RuntimeErrorDeathTest, OutOfMemoryNamesTheSize) {
  EXPECT_EXIT(Allocate(static_cast<std::size_t>(1) << 62), testing::ExitedWithCode(255), "分配 0 字节内存失败!");
}

TEST(Memory, UncheckedAllocationReturnsNull) {
  EXPECT_EQ(AllocateUnchecked(static_cast<std::size_t>(1) << 62), nullptr);
}

}  // namespace
}  // namespace zorvel
