// GBK (code page 936) text at the edges of the runtime. Inside the runtime every
// text is a GBK byte string; these conversions are used only where text meets the
// operating system (file names, the terminal) or the window system.
#pragma once

#include <cstddef>
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

// Characters GBK cannot hold travel inside GBK texts as escapes of our own, so that a
// file name (a program folder in Korean, a picture named with an emoji, a Linux name
// whose bytes are not UTF-8) survives the runtime's texts byte for byte. The escapes use
// the user-defined rows 0xF8A1..0xFDFE: no standard character lives there, the code page
// table has nothing for them, and their trail bytes (0xA1..0xFE) are never '\', ']' or
// an ASCII letter, so the path code and the INI scanner step over them as over any
// Chinese character.
//   - a code point without a GBK code: three characters, the first, second and third
//     of their own group of 128 codes, carrying bits 20..14, 13..7 and 6..0;
//   - a byte that does not start valid UTF-8 (0x80..0xFF): one character of a fourth
//     group, holding the byte less 0x80.
// Code k of group g (k < 128) is the (g * 128 + k)th code of the rows, in order.
inline constexpr std::uint8_t kEscapeFirstLead = 0xF8;
inline constexpr std::uint8_t kEscapeLastLead = 0xFD;
inline constexpr std::size_t kCodePointEscapeSize = 6;  // bytes of a code point's escape

// True when lead, trail is one of the escape codes.
constexpr bool IsEscape(std::uint8_t lead, std::uint8_t trail) {
  return lead >= kEscapeFirstLead && lead <= kEscapeLastLead && trail >= 0xA1 && trail <= 0xFE &&
         (lead - kEscapeFirstLead) * 94 + (trail - 0xA1) < 4 * 128;
}

// The number of GBK bytes a code point takes: 1, 2, or the size of its escape.
std::size_t EncodedSize(std::uint32_t codePoint);

// GBK bytes to UTF-8. Escapes turn back into the exact bytes they stand for (a byte of
// a non-UTF-8 name comes back as itself, so the result is then not UTF-8; shown on
// screen, it reads as U+FFFD). A byte or pair that is not a GBK character, or an
// escape character out of its sequence (a text cut between the three characters of a
// code point), becomes U+FFFD.
std::string ToUtf8(std::string_view gbkText);

// UTF-8 (or any bytes, as a Linux file name may be) to GBK, losslessly: ToUtf8 of the
// result gives back the same bytes. A character with a GBK code takes that code; any
// other character, and every byte that does not start a valid UTF-8 sequence, takes
// an escape. *allGbk (when given) tells whether every character had its own GBK code
// (no escape was needed): where a text must be plain GBK, that is the check.
std::string FromUtf8(std::string_view utf8Text, bool* allGbk = nullptr);

// A native path (UTF-8 or any bytes, '/' separators) as a GBK file name. As FromUtf8,
// except that a '\' in the name is escaped too: the file layer turns the runtime's
// backslashes into slashes, and a folder named "a\b" must still reach the system as it is.
std::string FromNativePath(std::string_view nativePath);

// A GBK file name as the operating system's path: ToUtf8, with every backslash of the
// text (a single byte 0x5C, never the trail byte of a double-byte character or an
// escaped one) turned into '/'.
std::string ToNativePath(std::string_view gbkName);

}  // namespace zorvel::gbk
