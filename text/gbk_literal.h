// Chinese literals of the runtime and the application, turned into GBK bytes while
// compiling: "载入启动窗口失败"_gbk is a const char* to a zero-terminated GBK string
// in the program's read-only data, so the allocator treats it as constant data.
// A character with no GBK code is a compile error.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "gbk_table.h"

namespace zorvel::gbk_literal {

template <std::size_t N>
struct Utf8Source {
  char text[N];
  consteval Utf8Source(const char (&s)[N]) { std::copy(s, s + N, text); }
};

constexpr std::uint32_t LookUp(std::uint32_t cp) {
  if (cp < 0x80) return cp;
  const auto* begin = std::begin(gbk_table::kUnicodeToGbk);
  const auto* end = std::end(gbk_table::kUnicodeToGbk);
  const auto* it = std::lower_bound(begin, end, cp << 16);
  if (it == end || (*it >> 16) != cp) throw "character has no GBK code";
  return *it & 0xFFFF;
}

// Converts the UTF-8 source; with out == nullptr only counts the bytes.
template <std::size_t N>
consteval std::size_t Convert(const Utf8Source<N>& src, char* out) {
  std::size_t n = 0;
  for (std::size_t i = 0; i + 1 < N;) {
    const auto b0 = static_cast<std::uint8_t>(src.text[i]);
    std::uint32_t cp;
    std::size_t len;
    if (b0 < 0x80) cp = b0, len = 1;
    else if ((b0 & 0xE0) == 0xC0) cp = b0 & 0x1F, len = 2;
    else if ((b0 & 0xF0) == 0xE0) cp = b0 & 0x0F, len = 3;
    else throw "literal is not UTF-8 of the basic plane";
    for (std::size_t k = 1; k < len; ++k) cp = cp << 6 | (static_cast<std::uint8_t>(src.text[i + k]) & 0x3F);
    i += len;
    const std::uint32_t code = LookUp(cp);
    if (code > 0xFF) {
      if (out) out[n] = static_cast<char>(code >> 8);
      ++n;
    }
    if (out) out[n] = static_cast<char>(code & 0xFF);
    ++n;
  }
  return n;
}

template <std::size_t Size>
struct GbkBytes {
  char text[Size + 1];
};

template <Utf8Source S>
consteval auto Make() {
  GbkBytes<Convert(S, nullptr)> result{};
  Convert(S, result.text);
  return result;
}

template <Utf8Source S>
inline constexpr auto kStorage = Make<S>();

}  // namespace zorvel::gbk_literal

namespace zorvel::literals {

template <gbk_literal::Utf8Source S>
constexpr const char* operator""_gbk() {
  return gbk_literal::kStorage<S>.text;
}

}  // namespace zorvel::literals
