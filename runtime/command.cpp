#include "runtime/command.h"

#include <cstring>

#include "runtime/automation.h"
#include "runtime/error.h"
#include "runtime/numbers.h"
#include "text/gbk_literal.h"

namespace zorvel {
using namespace literals;

TypedValue Invoke(Command command, int argc, const TypedValue* args) {
  TypedValue result{};
  command(&result, argc, args);
  return result;
}

namespace {

[[noreturn]] void NotNumeric() { RuntimeError("欲转换数据类型不是数值"_gbk); }

}  // namespace

std::int32_t NumericToInteger(const TypedValue& v) {
  switch (v.type) {
    case type::kByte: return v.AsByte();
    case type::kShort: return v.AsShort();
    case type::kInteger: return v.AsInteger();
    case type::kLong: return static_cast<std::int32_t>(static_cast<std::uint32_t>(v.value));
    case type::kFloat: return TruncateToInteger(v.AsFloat());
    case type::kDouble: return TruncateToInteger(v.AsDouble());
    default: NotNumeric();
  }
}

double NumericToDouble(const TypedValue& v) {
  switch (v.type) {
    case type::kByte: return v.AsByte();
    case type::kShort: return v.AsShort();
    case type::kInteger: return v.AsInteger();
    case type::kLong: return static_cast<double>(v.AsLong());
    case type::kFloat: return v.AsFloat();
    case type::kDouble: return v.AsDouble();
    default: NotNumeric();
  }
}

TypedValue Arguments::Deref(int i) const {
  const TypedValue& a = args_[i];
  if (!type::IsVariable(a.type)) return a;
  const std::uint32_t t = type::VariableType(a.type);
  TypedValue v{0, t};
  const std::size_t size = t == type::kComObject ? sizeof(automation::Object*) : type::StoredSize(t);
  std::memcpy(&v.value, a.AsPointer(), size);
  return v;
}

bool Arguments::logical(int i, bool fallback) const {
  if (!present(i)) return fallback;
  const TypedValue v = Deref(i);
  return v.type == type::kLogical ? v.AsLogical() : NumericToDouble(v) != 0;
}

const char* Arguments::text(int i) const {
  if (!present(i)) return kEmptyText;
  const TypedValue v = Deref(i);
  const char* t = v.type == type::kText ? v.AsText() : nullptr;
  return t ? t : kEmptyText;
}

std::string_view Arguments::bytes(int i) const {
  if (!present(i)) return {};
  const TypedValue v = Deref(i);
  return v.type == type::kByteSet ? ByteSetView(v.AsByteSet()) : std::string_view();
}

void* Arguments::variable(int i, std::uint32_t* valueType) const {
  if (!present(i) || !type::IsVariable(args_[i].type)) return nullptr;
  if (valueType) *valueType = type::VariableType(args_[i].type);
  return args_[i].AsPointer();
}

automation::Object** Arguments::objectVariable(int i) const {
  std::uint32_t t = 0;
  void* slot = variable(i, &t);
  return t == type::kComObject ? static_cast<automation::Object**>(slot) : nullptr;
}

std::string_view Value::view() const {
  if (v_.type == type::kText) return TextView(v_.AsText());
  if (v_.type == type::kByteSet) return ByteSetView(v_.AsByteSet());
  return {};
}

void Value::reset() {
  if (v_.type == type::kComObject) {
    if (automation::Object* object = ComObjectOf(v_)) object->Release();
  } else {
    FreeValue(v_.value, v_.type);
  }
  v_ = TypedValue{};
}

}  // namespace zorvel
