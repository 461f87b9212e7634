// Arithmetic and bit commands.
#include <cmath>
#include <cstdint>

#include "runtime/commands.h"
#include "runtime/error.h"
#include "text/gbk_literal.h"

namespace zorvel::cmd {
namespace {
using namespace literals;

// Combines the integer arguments left to right; omitted ones are skipped.
template <class Op>
std::int32_t Fold(int argc, const TypedValue* args, Op op) {
  const Arguments a(argc, args);
  std::int32_t value = a.integer(0);
  for (int i = 1; i < argc; ++i) {
    if (a.present(i)) value = op(value, a.integer(i));
  }
  return value;
}

}  // namespace

ZORVEL_COMMAND(Power) {
  const Arguments a(argc, args);
  *result = TypedValue::Double(std::pow(a.number(0), a.number(1)));
}

// The first argument modulo the second, then modulo each further one. The remainder
// keeps the sign of the dividend (7 mod -3 is 1, -7 mod 3 is -1).
ZORVEL_COMMAND(Remainder) {
  const Arguments a(argc, args);
  double value = a.number(0);
  for (int i = 1; i < argc; ++i) {
    if (!a.present(i)) continue;
    const double divisor = a.number(i);
    if (divisor == 0) RuntimeError("不能求余数于零"_gbk);
    value = std::fmod(value, divisor);
  }
  *result = TypedValue::Double(value);
}

ZORVEL_COMMAND(BitAnd) { *result = TypedValue::Integer(Fold(argc, args, [](auto x, auto y) { return x & y; })); }
ZORVEL_COMMAND(BitOr) { *result = TypedValue::Integer(Fold(argc, args, [](auto x, auto y) { return x | y; })); }
ZORVEL_COMMAND(BitXor) { *result = TypedValue::Integer(Fold(argc, args, [](auto x, auto y) { return x ^ y; })); }

ZORVEL_COMMAND(BitNot) { *result = TypedValue::Integer(~Arguments(argc, args).integer(0)); }

// Arithmetic shift: the sign bit fills in from the left. The count is taken modulo
// 32, as the processor's shift does (a count of 33 shifts by 1, -1 by 31).
ZORVEL_COMMAND(ShiftRight) {
  const Arguments a(argc, args);
  const std::int32_t value = a.integer(0);
  const int count = a.integer(1) & 31;
  *result = TypedValue::Integer(value >> count);
}

}  // namespace zorvel::cmd
