#include "runtime/format.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "runtime/text.h"
#include "text/gbk_literal.h"

namespace zorvel {
using namespace literals;

double RoundFloatForDisplay(float value) {
  const double x = value;
  if (x == 0 || !std::isfinite(x)) return x;
  int binaryExponent = 0;
  std::frexp(x, &binaryExponent);
  // Decimal exponent estimated from the binary one; the mantissa is scaled to six
  // digits before the point, rounded half up and scaled back.
  const int decimalExponent = static_cast<int>(std::floor((binaryExponent - 1) * 0.30102999566398120));
  const int shift = 5 - decimalExponent;
  const double scale = std::pow(10.0, std::abs(shift));
  const double magnitude = std::fabs(x);
  const double scaled = shift >= 0 ? magnitude * scale : magnitude / scale;
  const double rounded = std::floor(scaled + 0.5);
  const double back = shift >= 0 ? rounded / scale : rounded * scale;
  return x < 0 ? -back : back;
}

CivilTime ToCivilTime(double days) {
  days = ClampDateTime(days);
  // Whole days count from 1899-12-30; the fraction is the time of day whatever the
  // sign of the day (-1.25 is 1899-12-29 06:00).
  double whole = std::trunc(days);
  double fraction = std::fabs(days - whole);
  long long seconds = std::llround(fraction * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    whole += days < 0 ? -1 : 1;
  }
  // Days since 1970-01-01, then the civil date (proleptic Gregorian calendar).
  long long z = static_cast<long long>(whole) - 25569 + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  CivilTime t{};
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
  t.hour = static_cast<int>(seconds / 3600);
  t.minute = static_cast<int>(seconds / 60 % 60);
  t.second = static_cast<int>(seconds % 60);
  return t;
}

std::string FormatDateTime(double days) {
  const CivilTime t = ToCivilTime(days);
  char buffer[128];
  int n = std::snprintf(buffer, sizeof buffer, "%d年%d月%d日"_gbk, t.year, t.month, t.day);
  const std::size_t size = sizeof buffer - static_cast<std::size_t>(n);
  if (t.second != 0)
    std::snprintf(buffer + n, size, "%d时%d分%d秒"_gbk, t.hour, t.minute, t.second);
  else if (t.minute != 0)
    std::snprintf(buffer + n, size, "%d时%d分"_gbk, t.hour, t.minute);
  else if (t.hour != 0)
    std::snprintf(buffer + n, size, "%d时"_gbk, t.hour);
  return buffer;
}

namespace {

std::string UpToZero(const void* bytes, std::size_t n) {
  const auto* p = static_cast<const char*>(bytes);
  const void* zero = std::memchr(p, 0, n);
  return std::string(p, zero ? static_cast<const char*>(zero) - p : n);
}

std::string Printf(const char* format, auto... args) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

}  // namespace

std::string FormatValueString(const TypedValue& v) {
  switch (v.type) {
    case type::kByte: return Printf("%u", static_cast<unsigned>(v.AsByte()));
    case type::kShort: return Printf("%d", static_cast<int>(v.AsShort()));
    case type::kInteger: return Printf("%d", v.AsInteger());
    case type::kLong: return Printf("%" PRId64, v.AsLong());
    case type::kFloat: return Printf("%.6g", RoundFloatForDisplay(v.AsFloat()));
    case type::kDouble: return Printf("%.13g", v.AsDouble());
    case type::kLogical: return v.AsLogical() ? "真"_gbk : "假"_gbk;
    case type::kDateTime: return FormatDateTime(v.AsDouble());
    case type::kText: return std::string(TextView(v.AsText()));
    case type::kByteSet: {
      const std::string_view b = ByteSetView(v.AsByteSet());
      return UpToZero(b.data(), b.size());
    }
    default: break;
  }
  if (type::IsArray(v.type) && type::IsNumeric(type::ElementOf(v.type)) && v.AsPointer()) {
    const void* a = v.AsPointer();
    const std::size_t n = ArrayDimensions(a) ? std::size_t{ArrayDimension(a, 0)} * type::StoredSize(type::ElementOf(v.type)) : 0;
    return UpToZero(ArrayElements(a), n);
  }
  return {};
}

char* FormatValue(const TypedValue& v) { return CopyText(FormatValueString(v)); }

}  // namespace zorvel
