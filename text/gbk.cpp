#include "text/gbk.h"

#include <algorithm>
#include <iterator>

#include "gbk_table.h"

namespace zorvel::gbk {

std::uint32_t ToUnicode(std::uint32_t code) {
  if (code < 0x80) return code;
  if (code == 0x80) return gbk_table::kSingle80;
  const std::uint32_t lead = code >> 8, trail = code & 0xFF;
  if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail > 0xFE || trail == 0x7F) return 0;
  const std::uint32_t index = (lead - 0x81) * 190 + (trail < 0x7F ? trail - 0x40 : trail - 0x41);
  return gbk_table::kGbkToUnicode[index];
}

std::uint32_t FromUnicode(std::uint32_t cp) {
  if (cp < 0x80) return cp;
  if (cp > 0xFFFF) return 0;
  const auto* begin = std::begin(gbk_table::kUnicodeToGbk);
  const auto* end = std::end(gbk_table::kUnicodeToGbk);
  const auto* it = std::lower_bound(begin, end, cp << 16);
  if (it == end || (*it >> 16) != cp) return 0;
  return *it & 0xFFFF;
}

namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | cp >> 18);
    out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 character at s[i]; returns its length (0 when malformed).
std::size_t DecodeUtf8(std::string_view s, std::size_t i, std::uint32_t& cp) {
  const auto b0 = static_cast<std::uint8_t>(s[i]);
  std::size_t len;
  std::uint32_t min;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<std::uint8_t>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

// The escapes (see gbk.h). Group 0..2 carry a code point's three 7-bit parts, group 3
// the bytes 0x80..0xFF.
constexpr std::uint32_t kRawByteGroup = 3;

void AppendEscape(std::string& out, std::uint32_t group, std::uint32_t value) {
  const std::uint32_t index = group * 128 + value;
  out += static_cast<char>(kEscapeFirstLead + index / 94);
  out += static_cast<char>(0xA1 + index % 94);
}

// The group and value of the escape code at s[i] (IsEscape already checked).
std::uint32_t EscapeIndex(std::string_view s, std::size_t i) {
  return (static_cast<std::uint8_t>(s[i]) - kEscapeFirstLead) * 94u + (static_cast<std::uint8_t>(s[i + 1]) - 0xA1u);
}

bool EscapeAt(std::string_view s, std::size_t i) {
  return i + 1 < s.size() && IsEscape(static_cast<std::uint8_t>(s[i]), static_cast<std::uint8_t>(s[i + 1]));
}

// Decodes the escape at s[i]: appends what it stands for and returns the bytes it
// took; an escape character out of its sequence is U+FFFD.
std::size_t AppendUnescaped(std::string& out, std::string_view s, std::size_t i) {
  const std::uint32_t index = EscapeIndex(s, i);
  const std::uint32_t group = index / 128, value = index % 128;
  if (group == kRawByteGroup) {
    out += static_cast<char>(0x80 + value);
    return 2;
  }
  if (group == 0 && EscapeAt(s, i + 2) && EscapeAt(s, i + 4)) {
    const std::uint32_t second = EscapeIndex(s, i + 2), third = EscapeIndex(s, i + 4);
    if (second / 128 == 1 && third / 128 == 2) {
      const std::uint32_t cp = value << 14 | (second % 128) << 7 | third % 128;
      if (cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
        AppendUtf8(out, cp);
        return kCodePointEscapeSize;
      }
    }
  }
  AppendUtf8(out, 0xFFFD);
  return 2;
}

std::string Decode(std::string_view s, bool nativePath) {
  std::string out;
  out.reserve(s.size() * 3 / 2);
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<std::uint8_t>(s[i]);
    if (b < 0x80) {
      out += nativePath && b == '\\' ? '/' : static_cast<char>(b);
      ++i;
      continue;
    }
    if (b == 0x80) {
      AppendUtf8(out, gbk_table::kSingle80);
      ++i;
      continue;
    }
    if (b >= kEscapeFirstLead && b <= kEscapeLastLead && EscapeAt(s, i)) {
      i += AppendUnescaped(out, s, i);
      continue;
    }
    std::uint32_t cp = 0;
    if (i + 1 < s.size()) cp = ToUnicode(static_cast<std::uint32_t>(b) << 8 | static_cast<std::uint8_t>(s[i + 1]));
    if (cp) {
      AppendUtf8(out, cp);
      i += 2;
    } else {
      AppendUtf8(out, 0xFFFD);
      ++i;
    }
  }
  return out;
}

std::string Encode(std::string_view s, bool nativePath, bool* allGbk) {
  std::string out;
  out.reserve(s.size());
  bool plain = true;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<std::uint8_t>(s[i]);
    if (b < 0x80 && !(nativePath && b == '\\')) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    std::uint32_t cp = 0;
    const std::size_t len = DecodeUtf8(s, i, cp);
    if (len == 0) {
      // Only a byte of 0x80 or above can fail to start a character.
      AppendEscape(out, kRawByteGroup, b - 0x80u);
      plain = false;
      ++i;
      continue;
    }
    i += len;
    // A backslash gets here only from a native path: it takes an escape.
    const std::uint32_t code = cp == '\\' ? 0 : FromUnicode(cp);
    if (code == 0) {
      AppendEscape(out, 0, cp >> 14);
      AppendEscape(out, 1, cp >> 7 & 0x7F);
      AppendEscape(out, 2, cp & 0x7F);
      plain = false;
    } else if (code > 0xFF) {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    } else {
      out += static_cast<char>(code);
    }
  }
  if (allGbk) *allGbk = plain;
  return out;
}

}  // namespace

std::size_t EncodedSize(std::uint32_t codePoint) {
  if (codePoint < 0x80) return 1;
  const std::uint32_t code = FromUnicode(codePoint);
  if (code == 0) return kCodePointEscapeSize;
  return code > 0xFF ? 2 : 1;
}

std::string ToUtf8(std::string_view s) { return Decode(s, false); }
std::string ToNativePath(std::string_view s) { return Decode(s, true); }
std::string FromUtf8(std::string_view s, bool* allGbk) { return Encode(s, false, allGbk); }
std::string FromNativePath(std::string_view s) { return Encode(s, true, nullptr); }

}  // namespace zorvel::gbk
