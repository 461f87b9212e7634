// Number conversions shared by the command calls and the conversion commands: float
// truncation that stays defined out of range, and reading decimal numbers from text
// the way the C library's atof and atol read them, without their locale and with a
// defined result for every input.
#pragma once

#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>

namespace zorvel {

// Truncation toward zero. NaN and values outside the 32-bit range give 0x80000000,
// the "integer indefinite" value the x86 conversion produces.
inline std::int32_t TruncateToInteger(double d) {
  if (!(d == d)) return std::numeric_limits<std::int32_t>::min();
  if (d >= 2147483648.0 || d < -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(d);
}

namespace numbers_detail {

// Blanks as the C library counts them in the "C" locale.
constexpr bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace numbers_detail

namespace numbers_detail {

// Leading blanks, an optional sign, then digits up to the first character that is not
// one, accumulated modulo 2^bits of Unsigned without an overflow check.
template <class Unsigned>
Unsigned ReadWrappingDecimal(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  Unsigned total = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i) total = static_cast<Unsigned>(total * 10u + static_cast<Unsigned>(s[i] - '0'));
  if (negative) total = static_cast<Unsigned>(0u - total);
  return total;
}

}  // namespace numbers_detail

// Reads a decimal integer: leading blanks, an optional sign, then digits up to the
// first character that is not one. No digits gives 0. The value is accumulated
// modulo 2^32 without an overflow check, so a text beyond the 32-bit range wraps
// ("4294967297" gives 1, "2147483648" gives -2147483648).
inline std::int32_t ReadDecimalInteger(std::string_view s) {
  return static_cast<std::int32_t>(numbers_detail::ReadWrappingDecimal<std::uint32_t>(s));
}

// The same for a 64-bit integer, wrapping modulo 2^64.
inline std::int64_t ReadDecimalLong(std::string_view s) {
  return static_cast<std::int64_t>(numbers_detail::ReadWrappingDecimal<std::uint64_t>(s));
}

// Reads a decimal floating number: leading blanks, an optional sign, digits with an
// optional point and fraction, an optional exponent ("e" or "E", optional sign,
// digits); reading stops at the first character that does not fit. No digits before
// the exponent gives 0; there is no hexadecimal form and no "inf" or "nan". The value
// is the nearest double; beyond the double range it is an infinity, below it zero.
inline double ReadDecimalNumber(std::string_view s) {
  using numbers_detail::IsBlank;
  using numbers_detail::IsDigit;
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  const std::size_t begin = i;

  // The decimal exponent of the leading significant digit is tracked so that a value
  // out of range can be told to be too large or too small.
  std::int64_t magnitude = 0;
  bool significant = false;
  std::size_t digits = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i, ++digits) {
    if (s[i] != '0') significant = true;
    if (significant) ++magnitude;
  }
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && IsDigit(s[i]); ++i, ++digits) {
      if (significant) continue;
      if (s[i] != '0') significant = true;
      else --magnitude;
    }
  }
  if (digits == 0) return 0;
  if (!significant) return negative ? -0.0 : 0.0;
  std::size_t end = i;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    bool negativeExponent = false;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) negativeExponent = s[j++] == '-';
    if (j < s.size() && IsDigit(s[j])) {
      std::int64_t exponent = 0;
      for (; j < s.size() && IsDigit(s[j]); ++j) {
        if (exponent < 1000000000) exponent = exponent * 10 + (s[j] - '0');
      }
      magnitude += negativeExponent ? -exponent : exponent;
      end = j;
    }
  }

  double value = 0;
  const auto [ptr, error] = std::from_chars(s.data() + begin, s.data() + end, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (error != std::errc() || ptr != s.data() + end) {
    value = 0;  // not reached: the span was checked to be a decimal number above
  }
  return negative ? -value : value;
}

}  // namespace zorvel
