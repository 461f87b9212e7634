// Text commands. Texts are GBK byte strings: positions and lengths count bytes, and
// a byte of 0x80 or above starts a two-byte character. The commands that walk a text
// character by character (finding, replacing, changing case) step over such a pair
// at once and never match or change its second byte; a lead byte that is followed by
// the end of the text ends the walk.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/commands.h"
#include "runtime/memory.h"

namespace zorvel::cmd {
namespace {

constexpr bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// True when the b.size() bytes at a spell b. Ignoring case touches only the letters of
// single-byte characters: a double-byte character of b must be there byte for byte,
// even when its second byte happens to be a letter.
bool SameBytes(const char* a, std::string_view b, bool ignoreCase) {
  for (std::size_t i = 0; i < b.size();) {
    if (IsLeadByte(b[i])) {
      const std::size_t size = std::min<std::size_t>(2, b.size() - i);
      if (std::memcmp(a + i, b.data() + i, size) != 0) return false;
      i += size;
      continue;
    }
    if (ignoreCase ? AsciiLower(a[i]) != AsciiLower(b[i]) : a[i] != b[i]) return false;
    ++i;
  }
  return true;
}

// Bytes taken by the character at i: two for a lead byte with a second byte after
// it, otherwise one. A lead byte at the end of the text reports 0: the walk ends.
std::size_t CharacterSize(std::string_view s, std::size_t i) {
  if (!IsLeadByte(s[i])) return 1;
  return i + 1 < s.size() ? 2 : 0;
}

// The first character start at or after byte offset from. Characters are counted
// from the start of the text, so a start that falls on the second byte of a
// double-byte character moves on to the next character. Never beyond the end.
std::size_t CharacterStartFrom(std::string_view s, std::size_t from) {
  std::size_t i = 0;
  while (i < from && i < s.size()) {
    const std::size_t size = CharacterSize(s, i);
    if (size == 0) return s.size();
    i += size;
  }
  return i;
}

void SetText(TypedValue* result, char* text) { *result = TypedValue::Text(text); }

// A copy of the text with fold applied to every single-byte character.
char* MapSingleBytes(std::string_view s, char (*fold)(char)) {
  char* out = CopyText(s);
  if (!out) return nullptr;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t size = CharacterSize(s, i);
    if (size == 0) break;
    if (size == 1) out[i] = fold(out[i]);
    i += size;
  }
  return out;
}

}  // namespace

ZORVEL_COMMAND(TextLength) {
  *result = TypedValue::Integer(static_cast<std::int32_t>(Arguments(argc, args).textView(0).size()));
}

ZORVEL_COMMAND(LeftText) {
  const Arguments a(argc, args);
  const std::string_view s = a.textView(0);
  const std::int32_t n = a.integer(1);
  SetText(result, n < 1 ? nullptr : CopyText(s.substr(0, static_cast<std::size_t>(n))));
}

ZORVEL_COMMAND(RightText) {
  const Arguments a(argc, args);
  const std::string_view s = a.textView(0);
  const std::int32_t n = a.integer(1);
  if (n < 1) return SetText(result, nullptr);
  const std::size_t take = std::min(s.size(), static_cast<std::size_t>(n));
  SetText(result, CopyText(s.substr(s.size() - take)));
}

ZORVEL_COMMAND(MidText) {
  const Arguments a(argc, args);
  const std::string_view s = a.textView(0);
  const std::int32_t start = a.integer(1);
  const std::int32_t n = a.integer(2);
  if (n < 1 || start < 1 || static_cast<std::size_t>(start) > s.size()) return SetText(result, nullptr);
  SetText(result, CopyText(s.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n))));
}

ZORVEL_COMMAND(Character) {
  const char c = static_cast<char>(Arguments(argc, args).integer(0) & 0xFF);
  SetText(result, CopyTextN(&c, c != 0 ? 1 : 0));
}

ZORVEL_COMMAND(CharacterCode) {
  const Arguments a(argc, args);
  const std::string_view s = a.textView(0);
  const std::int32_t position = a.integer(1, 1);
  const bool inside = position >= 1 && static_cast<std::size_t>(position) <= s.size();
  const auto byte = inside ? static_cast<std::int8_t>(s[static_cast<std::size_t>(position) - 1]) : 0;
  *result = TypedValue::Integer(byte);
}

ZORVEL_COMMAND(FindText) {
  const Arguments a(argc, args);
  const std::string_view s = a.textView(0);
  const std::string_view sought = a.textView(1);
  const std::int32_t start = a.integer(2, 1);
  const bool ignoreCase = a.logical(3);
  // The search begins at the first character start from start-1 bytes in; a start
  // beyond the text leaves nothing to search.
  const std::size_t from = start < 1 ? 0 : CharacterStartFrom(s, static_cast<std::size_t>(start) - 1);
  std::int32_t found = -1;
  if (from < s.size()) {
    if (sought.empty()) {
      found = 1;
    } else {
      for (std::size_t i = from; s.size() - i >= sought.size();) {
        if (SameBytes(s.data() + i, sought, ignoreCase)) {
          found = static_cast<std::int32_t>(i + 1);
          break;
        }
        const std::size_t size = CharacterSize(s, i);
        if (size == 0) break;
        i += size;
      }
    }
  }
  *result = TypedValue::Integer(found);
}

ZORVEL_COMMAND(ToUpper) { SetText(result, MapSingleBytes(Arguments(argc, args).textView(0), AsciiUpper)); }

ZORVEL_COMMAND(ToLower) { SetText(result, MapSingleBytes(Arguments(argc, args).textView(0), AsciiLower)); }

ZORVEL_COMMAND(SpaceText) {
  const std::int32_t n = Arguments(argc, args).integer(0);
  if (n < 1) return SetText(result, nullptr);
  auto* text = static_cast<char*>(Allocate(static_cast<std::size_t>(n) + 1));
  std::memset(text, ' ', static_cast<std::size_t>(n));
  text[n] = 0;
  SetText(result, text);
}

ZORVEL_COMMAND(ReplaceSubtext) {
  const Arguments a(argc, args);
  const std::string_view s = a.textView(0);
  const std::string_view sought = a.textView(1);
  const std::string_view replacement = a.textView(2);
  const std::int32_t start = a.integer(3, 1);
  // Without a count every match is replaced; a negative count never runs out either.
  std::int64_t remaining = a.present(4) ? a.integer(4) : -1;
  const bool caseSensitive = a.logical(5);

  if (s.empty() || sought.empty() || (start > 1 && static_cast<std::size_t>(start) - 1 >= s.size()) ||
      remaining == 0) {
    return SetText(result, CopyText(s));
  }

  // The bytes before start are kept as they are; replacing begins at the first
  // character start from there on.
  const std::size_t from = start < 1 ? 0 : CharacterStartFrom(s, static_cast<std::size_t>(start) - 1);
  std::string out(s.substr(0, from));
  std::size_t i = from;
  while (s.size() - i >= sought.size()) {
    if (SameBytes(s.data() + i, sought, !caseSensitive)) {
      out += replacement;
      i += sought.size();
      if (--remaining == 0) break;
      continue;
    }
    const std::size_t size = CharacterSize(s, i);
    if (size == 0) break;  // a lone lead byte at the end is kept below
    out += s.substr(i, size);
    i += size;
  }
  out += s.substr(i);
  SetText(result, CopyText(out));
}

ZORVEL_COMMAND(HexText) {
  const auto v = static_cast<std::uint32_t>(Arguments(argc, args).integer(0));
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(v));
  SetText(result, CopyText(buffer));
}

}  // namespace zorvel::cmd
