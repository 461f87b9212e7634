// Calling library commands.
//
// A command receives a zeroed result record, the argument count and the arguments,
// and writes its result. An optional argument the caller leaves out has type code 0.
// Text and byte-set arguments are never null: the empty text is kEmptyText, the
// empty byte set kEmptyByteSet.
//
// Handlers call commands through Call(), which builds the argument records from C++
// values and hands back the result as a Value that frees what it owns.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "runtime/text.h"
#include "runtime/values.h"

namespace zorvel {

using Command = void (*)(TypedValue* result, int argc, const TypedValue* args);

// Zeroes the result, runs the command, returns the result.
TypedValue Invoke(Command command, int argc, const TypedValue* args);

// ---- For command routines: reading arguments ----

// Service 2001: a numeric value as an integer (floats truncated toward zero, long
// cut to 32 bits); anything else is the runtime error "欲转换数据类型不是数值".
std::int32_t NumericToInteger(const TypedValue& v);
// A numeric value as a double; anything else is the same runtime error.
double NumericToDouble(const TypedValue& v);

class Arguments {
 public:
  Arguments(int argc, const TypedValue* args) : argc_(argc), args_(args) {}
  int count() const { return argc_; }
  bool present(int i) const { return i < argc_ && args_[i].type != type::kNone; }
  const TypedValue& operator[](int i) const { return args_[i]; }
  // The value, or the default when the argument is absent.
  std::int32_t integer(int i, std::int32_t fallback = 0) const {
    return present(i) ? NumericToInteger(Deref(i)) : fallback;
  }
  double number(int i, double fallback = 0) const { return present(i) ? NumericToDouble(Deref(i)) : fallback; }
  bool logical(int i, bool fallback = false) const;
  // Never null: an absent text is the empty text.
  const char* text(int i) const;
  std::string_view textView(int i) const { return TextView(text(i)); }
  std::string_view bytes(int i) const;
  // A variable argument: its address and type, or null when the argument is not one.
  void* variable(int i, std::uint32_t* valueType = nullptr) const;
  // The argument's value, a variable read through; absent gives the record of type 0.
  TypedValue value(int i) const { return present(i) ? Deref(i) : TypedValue{}; }
  // An object argument or the object an object variable holds, without adding a
  // reference; null when absent, empty or of another type.
  automation::Object* object(int i) const { return ComObjectOf(value(i)); }
  // The holder of an object variable argument, or null when the argument is not one.
  automation::Object** objectVariable(int i) const;

 private:
  TypedValue Deref(int i) const;
  int argc_;
  const TypedValue* args_;
};

// ---- For callers: building arguments, owning results ----

// An omitted optional argument.
struct Absent {};
inline constexpr Absent kAbsent{};

// A byte-set argument (null is the empty byte set).
struct ByteSetArg {
  const std::uint8_t* block;
};
// A date-time argument.
struct DateTimeArg {
  double days;
};
// A variable the command may change (a text variable owns its text).
template <class T>
struct VariableArg {
  T* variable;
};
template <class T>
VariableArg<T> Var(T& variable) { return {&variable}; }

// A command's result; frees the text, byte set or array it holds and releases the
// object reference it holds.
class Value {
 public:
  Value() = default;
  explicit Value(TypedValue v) : v_(v) {}
  Value(Value&& o) noexcept : v_(std::exchange(o.v_, TypedValue{})) {}
  Value& operator=(Value&& o) noexcept {
    if (this != &o) {
      reset();
      v_ = std::exchange(o.v_, TypedValue{});
    }
    return *this;
  }
  ~Value() { reset(); }

  const TypedValue& raw() const { return v_; }
  std::uint32_t type() const { return v_.type; }
  std::int32_t integer() const { return v_.AsInteger(); }
  double number() const { return v_.AsDouble(); }
  bool logical() const { return v_.AsLogical(); }
  // The text (null when empty) and as a view.
  const char* text() const { return v_.type == type::kText ? v_.AsText() : nullptr; }
  std::string_view view() const;
  std::string str() const { return std::string(view()); }
  const std::uint8_t* byteSet() const { return v_.type == type::kByteSet ? v_.AsByteSet() : nullptr; }
  // The object held (null when empty or not an object), still owned by the value.
  automation::Object* object() const { return ComObjectOf(v_); }
  // Hands over what the value owns.
  TypedValue release() { return std::exchange(v_, TypedValue{}); }

 private:
  void reset();
  TypedValue v_;
};

inline TypedValue ToArgument(const TypedValue& v) { return v; }
inline TypedValue ToArgument(const Value& v) { return v.raw(); }
inline TypedValue ToArgument(Absent) { return {}; }
inline TypedValue ToArgument(const char* text) { return TypedValue::Text(text ? text : kEmptyText); }
inline TypedValue ToArgument(const std::string& text) { return TypedValue::Text(text.c_str()); }
inline TypedValue ToArgument(ByteSetArg b) { return TypedValue::ByteSet(b.block ? b.block : kEmptyByteSet); }
inline TypedValue ToArgument(DateTimeArg d) { return TypedValue::DateTime(d.days); }
inline TypedValue ToArgument(bool v) { return TypedValue::Logical(v); }
inline TypedValue ToArgument(float v) { return TypedValue::Float(v); }
inline TypedValue ToArgument(double v) { return TypedValue::Double(v); }
template <class T>
  requires std::is_integral_v<T> && (!std::is_same_v<T, bool>)
TypedValue ToArgument(T v) {
  if constexpr (sizeof(T) > 4) return TypedValue::Long(static_cast<std::int64_t>(v));
  else return TypedValue::Integer(static_cast<std::int32_t>(v));
}
inline TypedValue ToArgument(VariableArg<std::int32_t> v) { return TypedValue::Variable(v.variable, type::kInteger); }
inline TypedValue ToArgument(VariableArg<std::int64_t> v) { return TypedValue::Variable(v.variable, type::kLong); }
inline TypedValue ToArgument(VariableArg<double> v) { return TypedValue::Variable(v.variable, type::kDouble); }
inline TypedValue ToArgument(VariableArg<float> v) { return TypedValue::Variable(v.variable, type::kFloat); }
inline TypedValue ToArgument(VariableArg<char*> v) { return TypedValue::Variable(v.variable, type::kText); }
// An object passed by value (null is the empty object); no reference changes hands.
inline TypedValue ToArgument(automation::Object* object) { return TypedValue::ComObject(object); }
// An object variable: the command may replace the object its holder keeps.
inline TypedValue ToArgument(VariableArg<automation::Object*> v) {
  return TypedValue::Variable(v.variable, type::kComObject);
}

template <class... A>
Value Call(Command command, const A&... args) {
  if constexpr (sizeof...(A) == 0) {
    return Value(Invoke(command, 0, nullptr));
  } else {
    const TypedValue records[] = {ToArgument(args)...};
    return Value(Invoke(command, static_cast<int>(sizeof...(A)), records));
  }
}

}  // namespace zorvel
