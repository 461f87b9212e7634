// Values, memory, texts, byte sets, arrays and the command call.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/command.h"
#include "runtime/memory.h"
#include "runtime/text.h"
#include "runtime/values.h"
#include "text/gbk_literal.h"

namespace zorvel {
namespace {
using namespace literals;

TEST(TypeCodes, Classes) {
  struct Row {
    std::uint32_t code;
    type::Class cls;
    bool numeric, array;
  } rows[] = {
      {0, type::Class::kNone, false, false},
      {type::kByte, type::Class::kBasic, true, false},
      {type::kDouble, type::Class::kBasic, true, false},
      {type::kLogical, type::Class::kBasic, false, false},
      {type::kText, type::Class::kBasic, false, false},
      {type::kInteger | type::kArrayFlag, type::Class::kBasic, false, true},
      {type::kWindow, type::Class::kUnit, false, false},
      {type::kCartoonObject, type::Class::kUnit, false, false},
      {0x00000005, type::Class::kRecord, false, false},
      {0x40010001, type::Class::kRecord, false, false},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    EXPECT_EQ(type::ClassOf(r.code), r.cls);
    EXPECT_EQ(type::IsNumeric(r.code), r.numeric);
    EXPECT_EQ(type::IsArray(r.code), r.array);
  }
}

TEST(TypedValue, LayoutAndRoundTrips) {
  static_assert(sizeof(TypedValue) == 12);
  TypedValue v = TypedValue::Integer(-5);
  EXPECT_EQ(v.value, 0xFFFFFFFBull) << "a 32-bit value fills the first four bytes, the rest zero";
  EXPECT_EQ(v.AsInteger(), -5);
  EXPECT_EQ(TypedValue::Double(2.5).AsDouble(), 2.5);
  EXPECT_EQ(TypedValue::Float(0.1f).AsFloat(), 0.1f);
  EXPECT_EQ(TypedValue::Logical(true).value, 1u);
  EXPECT_EQ(TypedValue::DateTime(9e9).AsDouble(), kDateTimeMax);
  EXPECT_EQ(TypedValue::DateTime(-9e9).AsDouble(), kDateTimeMin);
}

TEST(Memory, LiteralsAreConstantData) {
  const char* literal = "abc";
  static const char kStatic[] = "xyz";
  EXPECT_TRUE(IsConstantData(literal));
  EXPECT_TRUE(IsConstantData(kStatic));
  EXPECT_TRUE(IsConstantData("错误"_gbk));
  char* heap = CopyText("abc");
  EXPECT_FALSE(IsConstantData(heap));
  int onStack = 0;
  EXPECT_FALSE(IsConstantData(&onStack));
  Free(heap);
}

TEST(Memory, FreeingALiteralDoesNothingAndGrowingOneCopiesIt) {
  const char* literal = "hello";
  Free(const_cast<char*>(literal));  // a heap free of this pointer would abort
  EXPECT_STREQ(literal, "hello");
  auto* grown = static_cast<char*>(Reallocate(const_cast<char*>(literal), 32));
  ASSERT_NE(grown, literal);
  EXPECT_FALSE(IsConstantData(grown));
  EXPECT_STREQ(grown, "hello");
  std::strcat(grown, ", world");
  EXPECT_STREQ(grown, "hello, world");
  Free(grown);
  Free(nullptr);
  void* fresh = Reallocate(nullptr, 8);
  ASSERT_NE(fresh, nullptr);
  Free(fresh);
}

TEST(Memory, ShrinkingALiteralCopiesOnlyWhatFits) {
  auto* p = static_cast<char*>(Reallocate(const_cast<char*>("abcdef"), 3));
  EXPECT_EQ(std::string(p, 3), "abc");
  Free(p);
}

TEST(Texts, EmptyIsNull) {
  EXPECT_EQ(CopyText(static_cast<const char*>(nullptr)), nullptr);
  EXPECT_EQ(CopyText(""), nullptr);
  EXPECT_EQ(CopyTextN("abc", 0), nullptr);
  EXPECT_EQ(CopyTextN("abc", -1), nullptr);
  EXPECT_EQ(ConcatTexts({nullptr, "", nullptr}), nullptr);
  EXPECT_EQ(MakeByteSet("x", 0), nullptr);
  EXPECT_EQ(FormatText("%s", ""), nullptr);
  char* t = ConcatTexts({"ab", nullptr, "c", "de"});
  EXPECT_STREQ(t, "abcde");
  Free(t);
  t = CopyTextN("abcdef", 2);
  EXPECT_STREQ(t, "ab");
  Free(t);
}

TEST(ByteSets, Layout) {
  std::uint8_t* b = MakeByteSet("\x01\x00\x02", 3);
  std::int32_t words[2];
  std::memcpy(words, b, 8);
  EXPECT_EQ(words[0], 1);
  EXPECT_EQ(words[1], 3);
  EXPECT_EQ(ByteSetLength(b), 3u);
  EXPECT_EQ(ByteSetView(b), std::string_view("\x01\x00\x02", 3));
  Free(b);
  EXPECT_EQ(ByteSetLength(nullptr), 0u);
  EXPECT_EQ(ByteSetLength(kEmptyByteSet), 0u);
  EXPECT_TRUE(ByteSetView(nullptr).empty());
}

TEST(Arrays, LayoutAndFreeingElements) {
  void* a = MakeArray(type::kInteger, {2, 3});
  EXPECT_EQ(ArrayDimensions(a), 2u);
  EXPECT_EQ(ArrayDimension(a, 1), 3u);
  EXPECT_EQ(ArrayElementCount(a), 6u);
  static_cast<std::int32_t*>(ArrayElements(a))[5] = 7;
  FreeArray(a, type::kInteger);

  void* texts = MakeArray(type::kText, {2});
  auto** elements = static_cast<char**>(ArrayElements(texts));
  elements[0] = CopyText("one");
  elements[1] = CopyText("two");
  FreeArray(texts, type::kText);  // the sanitizers see a leak if the elements stay

  void* global = MakeArray(type::kDouble, {0});
  EXPECT_EQ(ArrayDimensions(global), 1u);
  EXPECT_EQ(ArrayElementCount(global), 0u);
  FreeArray(global, type::kDouble);
}

TEST(Arrays, ConstantArrayIsCopiedBeforeAChange) {
  alignas(4) static const std::uint32_t kConstant[] = {1, 2, 10, 20};  // one dimension of 2
  void* variable = const_cast<std::uint32_t*>(kConstant);
  MakeArrayWritable(&variable, 4);
  ASSERT_NE(variable, kConstant);
  static_cast<std::uint32_t*>(ArrayElements(variable))[0] = 99;
  EXPECT_EQ(kConstant[2], 10u);
  EXPECT_EQ(static_cast<std::uint32_t*>(ArrayElements(variable))[1], 20u);
  void* again = variable;
  MakeArrayWritable(&variable, 4);
  EXPECT_EQ(variable, again) << "a heap array is changed in place";
  FreeArray(variable, type::kInteger);
}

// A command that records what it received.
int g_seenCount;
TypedValue g_seen[4];
void Recorder(TypedValue* result, int argc, const TypedValue* args) {
  EXPECT_EQ(result->type, 0u) << "the result record arrives zeroed";
  EXPECT_EQ(result->value, 0u);
  g_seenCount = argc;
  for (int i = 0; i < argc && i < 4; ++i) g_seen[i] = args[i];
  *result = TypedValue::Text(CopyText("done"));
}

TEST(Invoke, ArgumentsAndOwnedResult) {
  Value r = Call(Recorder, 7, kAbsent, static_cast<const char*>(nullptr), ByteSetArg{nullptr});
  EXPECT_EQ(g_seenCount, 4);
  EXPECT_EQ(g_seen[0].type, type::kInteger);
  EXPECT_EQ(g_seen[0].AsInteger(), 7);
  EXPECT_EQ(g_seen[1].type, 0u) << "an omitted argument has type code 0";
  EXPECT_EQ(std::uint64_t{g_seen[1].value}, 0u) << "and value 0";  // copied: the field is packed
  EXPECT_EQ(g_seen[2].type, type::kText);
  EXPECT_EQ(g_seen[2].AsText(), kEmptyText) << "an empty text travels as a constant empty string";
  EXPECT_EQ(g_seen[3].AsByteSet(), kEmptyByteSet) << "an empty byte set travels as the constant {1, 0}";
  EXPECT_EQ(r.view(), "done");
}

TEST(Invoke, ArgumentReaders) {
  std::int32_t position = 3;
  const TypedValue args[] = {TypedValue::Double(-2.9), TypedValue{}, TypedValue::Variable(&position, type::kInteger),
                             TypedValue::Long(0x100000005LL)};
  Arguments a(4, args);
  EXPECT_EQ(a.integer(0), -2) << "doubles truncate toward zero";
  EXPECT_EQ(a.integer(1, 42), 42);
  EXPECT_EQ(a.integer(2), 3) << "a variable is read through its address";
  EXPECT_EQ(a.integer(3), 5) << "long keeps its low 32 bits";
  EXPECT_EQ(a.integer(9, -1), -1);
  EXPECT_STREQ(a.text(1), "");
  std::uint32_t t = 0;
  EXPECT_EQ(a.variable(2, &t), &position);
  EXPECT_EQ(t, type::kInteger);
  EXPECT_EQ(a.variable(0), nullptr);
}

TEST(InvokeDeathTest, NonNumericIntegerArgumentIsARuntimeError) {
  const TypedValue args[] = {TypedValue::Text("12")};
  EXPECT_EXIT(Arguments(1, args).integer(0), testing::ExitedWithCode(255), "欲转换数据类型不是数值");
}

}  // namespace
}  // namespace zorvel
