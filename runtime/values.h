// Values as the runtime and the application exchange them: data-type codes, the
// 12-byte typed value, and the heap layouts of texts, byte sets and arrays.
#pragma once

#include <cstdint>
#include <cstring>

namespace zorvel {

namespace automation {
class Object;
}

// Data-type codes.
namespace type {
inline constexpr std::uint32_t kNone = 0;  // an omitted optional argument
inline constexpr std::uint32_t kByte = 0x80000101;
inline constexpr std::uint32_t kShort = 0x80000201;
inline constexpr std::uint32_t kInteger = 0x80000301;
inline constexpr std::uint32_t kLong = 0x80000401;
inline constexpr std::uint32_t kFloat = 0x80000501;
inline constexpr std::uint32_t kDouble = 0x80000601;
inline constexpr std::uint32_t kLogical = 0x80000002;
inline constexpr std::uint32_t kDateTime = 0x80000003;
inline constexpr std::uint32_t kText = 0x80000004;
inline constexpr std::uint32_t kByteSet = 0x80000005;
inline constexpr std::uint32_t kSubProgram = 0x80000006;

// Set on a basic code: an array of that type, the value pointing at an array block.
inline constexpr std::uint32_t kArrayFlag = 0x20000000;
// Set on a basic code (or on the object type) in an argument: the argument is a
// variable of that type that the command may change; the value holds the variable's
// address.
inline constexpr std::uint32_t kVariableFlag = 0x40000000;

// Unit and object types of the component libraries (library number in the high word).
inline constexpr std::uint32_t kWindow = 0x10001;
inline constexpr std::uint32_t kMenuItem = 0x10003;
inline constexpr std::uint32_t kDrawPanel = 0x10008;
inline constexpr std::uint32_t kCommonDlg = 0x1001F;
inline constexpr std::uint32_t kComObject = 0x10030;
inline constexpr std::uint32_t kComVariant = 0x10031;
inline constexpr std::uint32_t kCartoonBox = 0x20008;
inline constexpr std::uint32_t kCartoonObject = 0x20009;

enum class Class { kNone, kBasic, kUnit, kRecord };

constexpr Class ClassOf(std::uint32_t code) {
  if (code == 0) return Class::kNone;
  if (code >= 0x80000000u && code <= 0xBFFFFFFFu) return Class::kBasic;
  if (code < 0x40000000u && (code >> 16) != 0) return Class::kUnit;
  return Class::kRecord;
}
constexpr bool IsArray(std::uint32_t code) {
  return ClassOf(code) == Class::kBasic && (code & kArrayFlag) != 0;
}
constexpr std::uint32_t ElementOf(std::uint32_t code) { return code & ~kArrayFlag; }
// A variable argument: a basic code with the variable flag, or an object variable, whose
// argument points at the variable's 8-byte object holder.
constexpr bool IsVariable(std::uint32_t code) {
  return (code & 0xC0000000u) == 0xC0000000u || code == (kComObject | kVariableFlag);
}
constexpr std::uint32_t VariableType(std::uint32_t code) { return code & ~kVariableFlag; }
// The six numeric types are the basic (non-array) codes whose low byte is 1.
constexpr bool IsNumeric(std::uint32_t code) {
  return ClassOf(code) == Class::kBasic && !IsArray(code) && (code & 0xFF) == 1;
}
// Stored size of a value of a basic type (0 for anything else). Texts and byte sets
// are stored as pointers.
constexpr std::uint32_t StoredSize(std::uint32_t code) {
  switch (code) {
    case kByte: return 1;
    case kShort: return 2;
    case kInteger: case kFloat: case kLogical: case kSubProgram: return 4;
    case kLong: case kDouble: case kDateTime: return 8;
    case kText: case kByteSet: return sizeof(void*);
    default: return 0;
  }
}

}  // namespace type

// Days since 1899-12-30 are kept within the years 100 to 9999.
inline constexpr double kDateTimeMin = -657434.0;
inline constexpr double kDateTimeMax = 2958465.0;
constexpr double ClampDateTime(double v) {
  return v != v ? 0.0 : v < kDateTimeMin ? kDateTimeMin : v > kDateTimeMax ? kDateTimeMax : v;
}

// The argument and result record of a library command: the value in 8 bytes (a
// 32-bit value in the first four, the rest zero), then the data-type code.
#pragma pack(push, 4)
struct TypedValue {
  std::uint64_t value = 0;
  std::uint32_t type = type::kNone;

  bool present() const { return type != type::kNone; }

  static TypedValue Byte(std::uint8_t v) { return {v, type::kByte}; }
  static TypedValue Short(std::int16_t v) { return {static_cast<std::uint16_t>(v), type::kShort}; }
  static TypedValue Integer(std::int32_t v) { return {static_cast<std::uint32_t>(v), type::kInteger}; }
  static TypedValue Long(std::int64_t v) { return {static_cast<std::uint64_t>(v), type::kLong}; }
  static TypedValue Float(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return {bits, type::kFloat};
  }
  static TypedValue Double(double v) { return {Bits(v), type::kDouble}; }
  static TypedValue DateTime(double v) { return {Bits(ClampDateTime(v)), type::kDateTime}; }
  static TypedValue Logical(bool v) { return {v ? 1u : 0u, type::kLogical}; }
  static TypedValue Text(const char* p) { return {Address(p), type::kText}; }
  static TypedValue ByteSet(const std::uint8_t* p) { return {Address(p), type::kByteSet}; }
  static TypedValue Array(const void* block, std::uint32_t elementType) {
    return {Address(block), elementType | type::kArrayFlag};
  }
  // An object value: the object holder (null is the empty object). Building one adds no
  // reference; whoever made the record decides who owns the reference it carries.
  static TypedValue ComObject(automation::Object* object) { return {Address(object), type::kComObject}; }
  static TypedValue Variable(void* address, std::uint32_t valueType) {
    return {Address(address), valueType | type::kVariableFlag};
  }

  std::uint8_t AsByte() const { return static_cast<std::uint8_t>(value); }
  std::int16_t AsShort() const { return static_cast<std::int16_t>(value); }
  std::int32_t AsInteger() const { return static_cast<std::int32_t>(value); }
  std::int64_t AsLong() const { return static_cast<std::int64_t>(value); }
  float AsFloat() const {
    float f;
    const auto bits = static_cast<std::uint32_t>(value);
    std::memcpy(&f, &bits, 4);
    return f;
  }
  double AsDouble() const {
    double d;
    std::memcpy(&d, &value, 8);
    return d;
  }
  bool AsLogical() const { return static_cast<std::uint32_t>(value) != 0; }
  const char* AsText() const { return reinterpret_cast<const char*>(value); }
  const std::uint8_t* AsByteSet() const { return reinterpret_cast<const std::uint8_t*>(value); }
  void* AsPointer() const { return reinterpret_cast<void*>(value); }

  static std::uint64_t Bits(double d) {
    std::uint64_t b;
    std::memcpy(&b, &d, 8);
    return b;
  }
  static std::uint64_t Address(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }
};
#pragma pack(pop)
static_assert(sizeof(TypedValue) == 12);

// The object an object value holds, without adding a reference; null for the empty
// object and for a value of any other type. An object variable keeps the same holder in
// the 8-byte slot its argument points at.
inline automation::Object* ComObjectOf(const TypedValue& v) {
  return v.type == type::kComObject ? static_cast<automation::Object*>(v.AsPointer()) : nullptr;
}

}  // namespace zorvel
