// GBK (code page 936) text at the edges of the runtime. Inside the runtime every
// text is a GBK byte string; these conversions are used only where text meets the
// operating system (file names, the terminal) or the window system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zorvel::gbk {

// True when byte b starts a two-byte character (0x81..0xFE). The text commands use
// the wider rule "0x80 or above" of IsLeadByte below.
constexpr bool IsDoubleByteLead(std::uint8_t b) { return b >= 0x81 && b <= 0xFE; }

// The runtime's double-byte rule for text commands: a byte of 0x80 or above starts
// a two-byte character.
constexpr bool IsLeadByte(char c) { return static_cast<std::uint8_t>(c) >= 0x80; }

// Unicode code point of a GBK code (a single byte below 0x80, 0x80, or lead << 8 |
// trail); 0 when the code is not a character.
std::uint32_t ToUnicode(std::uint32_t gbkCode);

// GBK code of a code point (0 when it has none; code points below 0x80 map to
// themselves).
std::uint32_t FromUnicode(std::uint32_t codePoint);

// GBK bytes to UTF-8. A byte or pair that is not a GBK character becomes U+FFFD.
std::string ToUtf8(std::string_view gbkText);

// UTF-8 to GBK. A character with no GBK code, or a malformed UTF-8 sequence,
// becomes '?'; *lossless (when given) tells whether that happened.
std::string FromUtf8(std::string_view utf8Text, bool* lossless = nullptr);

}  // namespace zorvel::gbk
