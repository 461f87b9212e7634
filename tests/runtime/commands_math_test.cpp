// Arithmetic and bit commands.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "runtime/commands.h"

namespace zorvel {
namespace {

TEST(MathCommands, Power) {
  struct Row {
    double base, exponent, expected;
  } rows[] = {{2, 10, 1024}, {2, -1, 0.5}, {9, 0.5, 3}, {0, 0, 1}, {-2, 3, -8}, {10, 400, INFINITY}};
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    EXPECT_EQ(Call(cmd::Power, r.base, r.exponent).number(), r.expected);
  }
  EXPECT_TRUE(std::isnan(Call(cmd::Power, -8.0, 1.0 / 3).number())) << "a negative base to a fraction";
}

TEST(MathCommands, RemainderKeepsTheDividendsSign) {
  struct Row {
    double a, b;
    Value c;
    double expected;
  };
  Row rows[] = {
      {7, 3, {}, 1},
      {-7, 3, {}, -1},
      {7, -3, {}, 1},
      {-7, -3, {}, -1},
      {7.5, 2, {}, 1.5},
      {-0.5, 1, {}, -0.5},
      {100, 30, Value(TypedValue::Double(7)), 3},  // (100 mod 30) mod 7
      {100, 30, Value(TypedValue::Integer(4)), 2},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    EXPECT_EQ(Call(cmd::Remainder, r.a, r.b, r.c).number(), r.expected);
  }
}

TEST(MathCommandsDeathTest, RemainderByZeroIsARuntimeError) {
  EXPECT_EXIT(Call(cmd::Remainder, 7.0, 0.0), testing::ExitedWithCode(255), "不能求余数于零");
  EXPECT_EXIT(Call(cmd::Remainder, 7.0, -0.0), testing::ExitedWithCode(255), "不能求余数于零");
  EXPECT_EXIT(Call(cmd::Remainder, 100.0, 30.0, 0), testing::ExitedWithCode(255), "不能求余数于零");
}

TEST(MathCommands, BitsCombineLeftToRight) {
  EXPECT_EQ(Call(cmd::BitAnd, 0xFFFF, 0x0FF0).integer(), 0x0FF0);
  EXPECT_EQ(Call(cmd::BitAnd, 0xFFFF, 0x0FF0, 0x00FF).integer(), 0x00F0);
  EXPECT_EQ(Call(cmd::BitOr, 1, 2).integer(), 3);
  EXPECT_EQ(Call(cmd::BitOr, 1, 2, 4, INT_MIN).integer(), INT_MIN | 7);
  EXPECT_EQ(Call(cmd::BitXor, 0xFF, 0x0F).integer(), 0xF0);
  EXPECT_EQ(Call(cmd::BitXor, 0xFF, 0x0F, 0x01).integer(), 0xF1);
  EXPECT_EQ(Call(cmd::BitXor, -1, 0x0F).integer(), -16);
  EXPECT_EQ(Call(cmd::BitNot, 0).integer(), -1);
  EXPECT_EQ(Call(cmd::BitNot, INT_MIN).integer(), INT_MAX);
  EXPECT_EQ(Call(cmd::BitAnd, 0x1234'5678'0000'00FFLL, 0x0F).integer(), 0x0F) << "a long keeps its low 32 bits";
}

TEST(MathCommands, ShiftRightIsArithmeticWithCountModulo32) {
  struct Row {
    int value, count, expected;
  } rows[] = {
      {16, 2, 4},     {-16, 2, -4},   {-1, 31, -1},  {INT_MIN, 31, -1}, {INT_MAX, 31, 0},
      {256, 0, 256},  {256, 32, 256}, {256, 33, 128}, {256, -1, 0},     {-256, -28, -16},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    EXPECT_EQ(Call(cmd::ShiftRight, r.value, r.count).integer(), r.expected);
  }
}

}  // namespace
}  // namespace zorvel
