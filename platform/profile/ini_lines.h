// The lines of a private-profile file as the reader and the writer both see them.
//
// A file is split into lines at CR LF, LF or CR alone, byte by byte: neither CR nor LF
// is ever the trail byte of a GBK character. Inside a line the text is scanned
// character by character: a byte 0x81..0xFE takes the byte after it along as its trail
// byte (whatever that byte is), so a trail byte that happens to be `]`, `=`, `\` or an
// ASCII letter is never taken for a bracket or an equals sign, nor folded. A lead byte
// that ends the line stands alone. NUL is a byte like any other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zorvel::profile::detail {

// The bytes a line, a name or a value loses at both ends: blank, tab, CR, LF, VT, FF
// and ^Z. None of them can be a GBK trail byte.
constexpr bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

// Whether a byte is in the lead-byte range (0x81 … 0xFE).
constexpr bool IsLeadRange(char c) {
  const auto b = static_cast<std::uint8_t>(c);
  return b >= 0x81 && b <= 0xFE;
}

// Length of the character that starts at text[i]: 2 for a lead byte with a byte after
// it, else 1.
constexpr std::size_t CharLength(std::string_view text, std::size_t i) {
  const auto b = static_cast<std::uint8_t>(text[i]);
  return (b >= 0x81 && b <= 0xFE && i + 1 < text.size()) ? 2 : 1;
}

// text without blanks at either end (a trailing byte is dropped only when it is a
// character of its own, not the trail byte of a pair).
std::string_view Trim(std::string_view text);

// text without blanks at its end.
std::string_view TrimEnd(std::string_view text);

// Names compare ignoring ASCII case; a double-byte character compares exactly.
bool SameName(std::string_view a, std::string_view b);

// A value whose first and last characters are the same quote (" or ') and which is at
// least two characters long, without those quotes; any other value as it is.
std::string_view Unquote(std::string_view value);

// The first line break in contents, or CR LF when it has none: lines the writer adds
// follow the file's own habit.
std::string_view LineBreakOf(std::string_view contents);

struct Line {
  enum class Kind {
    kBlank,   // nothing but blanks
    kHeader,  // "[name]" (a missing `]` lets the name run to the end of the line)
    kKey,     // holds an `=`: key and value
    kOther,   // anything else: kept as it is, never a key
  };
  std::size_t begin = 0;    // offset of the line's first byte in the contents
  std::size_t textEnd = 0;  // offset just past its text, where its break starts
  std::size_t end = 0;      // offset just past its break: the next line's begin
  Kind kind = Kind::kBlank;
  std::string_view name;   // a header's section name or a key line's key, trimmed
  std::string_view value;  // a key line's value, trimmed, quotes kept

  bool HasBreak() const { return end > textEnd; }
};

// How one line's text (without its break) reads; offsets are left to the caller.
Line ClassifyLine(std::string_view text);

// Walks the lines of contents once, front to back.
class LineReader {
 public:
  explicit LineReader(std::string_view contents) : contents_(contents) {}
  // The next line; false when the contents are used up. Contents that end in a line
  // break have no empty line after it.
  bool Next(Line& line);

 private:
  std::string_view contents_;
  std::size_t pos_ = 0;
};

}  // namespace zorvel::profile::detail
