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

}  // namespace

std::string ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 3 / 2);
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<std::uint8_t>(s[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    if (b == 0x80) {
      AppendUtf8(out, gbk_table::kSingle80);
      ++i;
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

std::string FromUtf8(std::string_view s, bool* lossless) {
  std::string out;
  out.reserve(s.size());
  bool exact = true;
  for (std::size_t i = 0; i < s.size();) {
    std::uint32_t cp = 0;
    const std::size_t len = DecodeUtf8(s, i, cp);
    if (len == 0) {
      out += '?';
      exact = false;
      ++i;
      continue;
    }
    i += len;
    const std::uint32_t code = FromUnicode(cp);
    if (code == 0 && cp != 0) {
      out += '?';
      exact = false;
    } else if (code > 0xFF) {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    } else {
      out += static_cast<char>(code);
    }
  }
  if (lossless) *lossless = exact;
  return out;
}

}  // namespace zorvel::gbk
