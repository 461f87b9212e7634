#include "runtime/movie/page.h"

namespace zorvel::movie {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// Where the first "<embed" tag starts (followed by a blank, "/", ">" or the end), or npos.
std::size_t FindEmbed(std::string_view page) {
  constexpr std::string_view kTag = "<embed";
  for (std::size_t at = page.find('<'); at != std::string_view::npos; at = page.find('<', at + 1)) {
    if (page.size() - at < kTag.size() || !SameName(page.substr(at, kTag.size()), kTag)) continue;
    const std::size_t next = at + kTag.size();
    if (next == page.size() || IsSpace(page[next]) || page[next] == '/' || page[next] == '>') return at;
  }
  return std::string_view::npos;
}

// A bare file name: not empty, no folder separator (the trail byte of a GBK character,
// 0x40 to 0xFE but 0x7F, may be 0x5C and is not one), no "..".
bool BareFileName(std::string_view name) {
  if (name.empty() || name.find("..") != std::string_view::npos) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    const auto trail = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0;
    if (byte >= 0x81 && byte <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F) {
      ++i;
      continue;
    }
    if (name[i] == '/' || name[i] == '\\') return false;
  }
  return true;
}

// A whole decimal number from 1 to kMaxPageExtent, or nothing.
std::optional<int> Extent(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > kMaxPageExtent) return std::nullopt;
  return value;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<Rgba> Colour(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  std::uint8_t bytes[3];
  for (int i = 0; i < 3; ++i) {
    const int high = HexDigit(text[1 + 2 * i]);
    const int low = HexDigit(text[2 + 2 * i]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return Rgba{bytes[0], bytes[1], bytes[2], 255};
}

std::optional<MoviePage> Refuse(std::string* reason, const char* why) {
  if (reason != nullptr) *reason = std::string("page: ") + why;
  return std::nullopt;
}

}  // namespace

std::optional<MoviePage> ReadMoviePage(std::string_view bytes, std::string* reason) {
  if (bytes.size() > kMaxPageBytes) return Refuse(reason, "longer than 64 KiB");
  const std::size_t embed = FindEmbed(bytes);
  if (embed == std::string_view::npos) return Refuse(reason, "no <embed> tag");

  // The tag's attributes, one after another up to ">" (or the end of the page). Every
  // step moves on by at least one byte. The first of two attributes of a name counts.
  std::optional<std::string_view> src, width, height, colour;
  std::size_t at = embed + 6;
  const std::size_t end = bytes.size();
  while (at < end) {
    while (at < end && (IsSpace(bytes[at]) || bytes[at] == '/')) ++at;
    if (at >= end || bytes[at] == '>') break;
    const std::size_t nameStart = at;
    while (at < end && !IsSpace(bytes[at]) && bytes[at] != '=' && bytes[at] != '>') ++at;
    const std::string_view name = bytes.substr(nameStart, at - nameStart);
    std::size_t look = at;
    while (look < end && IsSpace(bytes[look])) ++look;
    std::string_view value;
    if (look < end && bytes[look] == '=') {
      at = look + 1;
      while (at < end && IsSpace(bytes[at])) ++at;
      if (at < end && (bytes[at] == '"' || bytes[at] == '\'')) {
        const char quote = bytes[at];
        const std::size_t close = bytes.find(quote, at + 1);
        const std::size_t valueEnd = close == std::string_view::npos ? end : close;
        value = bytes.substr(at + 1, valueEnd - at - 1);
        at = close == std::string_view::npos ? end : close + 1;
      } else {
        const std::size_t valueStart = at;
        while (at < end && !IsSpace(bytes[at]) && bytes[at] != '>') ++at;
        value = bytes.substr(valueStart, at - valueStart);
      }
    }
    auto keep = [&](std::string_view wanted, std::optional<std::string_view>& slot) {
      if (!slot && SameName(name, wanted)) slot = value;
    };
    keep("src", src);
    keep("width", width);
    keep("height", height);
    keep("bgcolor", colour);
  }

  if (!src) return Refuse(reason, "the <embed> tag has no src");
  if (!BareFileName(*src)) return Refuse(reason, "the movie's src is not a bare file name");
  MoviePage page;
  page.source = std::string(*src);
  if (width) {
    const auto w = Extent(*width);
    if (!w) return Refuse(reason, "the width is not a whole number from 1 to 16384");
    page.width = *w;
  }
  if (height) {
    const auto h = Extent(*height);
    if (!h) return Refuse(reason, "the height is not a whole number from 1 to 16384");
    page.height = *h;
  }
  if (colour) page.background = Colour(*colour);
  return page;
}

}  // namespace zorvel::movie
