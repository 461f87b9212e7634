// Conversion commands: values to text, numbers and byte sets. Texts are read as
// decimal numbers after their full-width GBK forms have been folded to ASCII, so that
// "１２３" typed with a full-width input method reads as 123.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/commands.h"
#include "runtime/format.h"
#include "runtime/numbers.h"

namespace zorvel::cmd {
namespace {

// The argument as a value: a variable argument is read through its address.
TypedValue ValueOf(int argc, const TypedValue* args) {
  if (argc < 1) return {};
  const TypedValue& a = args[0];
  if (!type::IsVariable(a.type)) return a;
  const std::uint32_t t = type::VariableType(a.type);
  TypedValue v{0, t};
  const std::size_t size = type::IsArray(t) ? sizeof(void*) : type::StoredSize(t);
  if (a.AsPointer() && size != 0) std::memcpy(&v.value, a.AsPointer(), size);
  return v;
}

std::string_view TextOf(const TypedValue& v) { return TextView(v.AsText()); }

// Full-width GBK forms to ASCII, pair by pair: the ideographic blank to a blank, the
// full-width tilde to "~", the two multiplication signs to "*", and the full-width
// ASCII row (0xA3 0xA1 to 0xA3 0xFE) to the same character without its top bit.
// Every other double-byte character is kept as it is.
std::string HalfWidth(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {
      out += s[i++];
      continue;
    }
    if (i + 1 >= s.size()) {  // a lead byte at the end stays
      out += s[i++];
      continue;
    }
    const auto trail = static_cast<unsigned char>(s[i + 1]);
    if (lead == 0xA1 && trail == 0xA1) out += ' ';
    else if (lead == 0xA1 && trail == 0xAB) out += '~';
    else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) out += '*';
    else if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) out += static_cast<char>(trail & 0x7F);
    else out.append(s.substr(i, 2));
    i += 2;
  }
  return out;
}

}  // namespace

ZORVEL_COMMAND(ToText) { *result = TypedValue::Text(FormatValue(ValueOf(argc, args))); }

ZORVEL_COMMAND(ToNumber) {
  const TypedValue v = ValueOf(argc, args);
  double number = 0;
  if (type::IsNumeric(v.type)) number = NumericToDouble(v);
  else if (v.type == type::kText) number = ReadDecimalNumber(HalfWidth(TextOf(v)));
  else if (v.type == type::kLogical) number = v.AsInteger();
  else if (v.type == type::kSubProgram) number = static_cast<double>(v.value);
  *result = TypedValue::Double(number);
}

ZORVEL_COMMAND(ToInteger) {
  const TypedValue v = ValueOf(argc, args);
  std::int32_t integer = 0;
  if (type::IsNumeric(v.type)) integer = NumericToInteger(v);
  else if (v.type == type::kText) integer = ReadDecimalInteger(HalfWidth(TextOf(v)));
  else if (v.type == type::kLogical || v.type == type::kSubProgram) integer = v.AsInteger();
  *result = TypedValue::Integer(integer);
}

ZORVEL_COMMAND(ToByte) {
  const TypedValue v = ValueOf(argc, args);
  std::uint32_t integer = 0;
  if (v.type == type::kText) integer = static_cast<std::uint32_t>(ReadDecimalInteger(HalfWidth(TextOf(v))));
  else if (v.type == type::kFloat || v.type == type::kDouble) integer = static_cast<std::uint32_t>(NumericToInteger(v));
  else integer = static_cast<std::uint32_t>(v.value);
  *result = TypedValue::Byte(static_cast<std::uint8_t>(integer & 0xFF));
}

ZORVEL_COMMAND(ToByteSet) {
  const TypedValue v = ValueOf(argc, args);
  std::uint8_t* bytes = nullptr;
  if (v.type == type::kText) {
    bytes = MakeByteSet(TextOf(v));
  } else if (v.type == type::kByteSet) {
    bytes = MakeByteSet(ByteSetView(v.AsByteSet()));
  } else if (type::IsArray(v.type)) {
    const std::uint32_t element = type::ElementOf(v.type);
    if (type::IsNumeric(element) && v.AsPointer()) {
      const std::size_t n = ArrayElementCount(v.AsPointer()) * type::StoredSize(element);
      bytes = MakeByteSet(ArrayElements(static_cast<const void*>(v.AsPointer())), static_cast<std::ptrdiff_t>(n));
    }
  } else if (type::ClassOf(v.type) == type::Class::kBasic) {
    // The stored bytes of the value, lowest first (the record keeps a 32-bit value in
    // its first four bytes).
    static_assert(std::endian::native == std::endian::little);
    bytes = MakeByteSet(&v.value, static_cast<std::ptrdiff_t>(type::StoredSize(v.type)));
  }
  *result = TypedValue::ByteSet(bytes);
}

ZORVEL_COMMAND(IntegerPart) {
  double x = Arguments(argc, args).number(0);
  double whole = 0;
  const double fraction = std::modf(x, &whole);
  // A value a hair short of the next integer away from zero counts as that integer,
  // so that 2.9999999999995 (an accumulated 3) gives 3.
  if (std::fabs(fraction) > 0.999999999999) x = whole + std::copysign(1.0, whole);
  *result = TypedValue::Integer(TruncateToInteger(std::floor(x)));
}

}  // namespace zorvel::cmd
