#include "platform/profile/ini_lines.h"

#include <algorithm>

namespace zorvel::profile::detail {

namespace {

constexpr char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string_view TrimEnd(std::string_view text) {
  // The blanks at the end, found from the back: a blank is never a lead byte, so every
  // one of them is a character of its own, except the first when the byte before it is
  // a lead byte that takes it as its trail byte. That byte is the last of a run of bytes
  // of the lead range; the byte before the run is none, so the run starts a character,
  // its bytes pair up from there, and the last is a lead byte when the run is odd. The
  // cost is the blanks and that run, not the whole text (a settings file of many long
  // lines is read once for every key).
  std::size_t blanks = text.size();
  while (blanks > 0 && IsBlank(text[blanks - 1])) --blanks;
  if (blanks == text.size() || blanks == 0) return text.substr(0, blanks);
  std::size_t run = 0;
  while (run < blanks && IsLeadRange(text[blanks - 1 - run])) ++run;
  return text.substr(0, run % 2 == 1 ? blanks + 1 : blanks);
}

std::string_view Trim(std::string_view text) {
  // A blank is never a lead byte, so skipping blanks byte by byte stays on character
  // starts.
  std::size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  return TrimEnd(text.substr(start));
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t n = CharLength(a, i);
    if (n == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
    i += n;
  }
  return true;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() < 2 || (value[0] != '"' && value[0] != '\'')) return value;
  std::size_t last = 0;
  for (std::size_t i = 0; i < value.size(); i += CharLength(value, i)) last = i;
  // A quote is a character of its own, so a match here is one byte at the very end.
  if (last == 0 || value[last] != value[0]) return value;
  return value.substr(1, last - 1);
}

std::string_view LineBreakOf(std::string_view contents) {
  const std::size_t at = contents.find_first_of("\r\n");
  if (at == std::string_view::npos) return "\r\n";
  if (contents[at] == '\n') return "\n";
  return (at + 1 < contents.size() && contents[at + 1] == '\n') ? "\r\n" : "\r";
}

Line ClassifyLine(std::string_view text) {
  Line line;
  const std::string_view t = Trim(text);
  if (t.empty()) return line;
  if (t[0] == '[') {
    // The name ends at the first `]` that is a character of its own.
    std::size_t close = t.size();
    for (std::size_t i = 1; i < t.size(); i += CharLength(t, i)) {
      if (t[i] == ']') {
        close = i;
        break;
      }
    }
    line.kind = Line::Kind::kHeader;
    line.name = Trim(t.substr(1, close - 1));
    return line;
  }
  for (std::size_t i = 0; i < t.size(); i += CharLength(t, i)) {
    if (t[i] == '=') {
      line.kind = Line::Kind::kKey;
      line.name = TrimEnd(t.substr(0, i));
      line.value = Trim(t.substr(i + 1));
      return line;
    }
  }
  line.kind = Line::Kind::kOther;
  return line;
}

bool LineReader::Next(Line& line) {
  if (pos_ >= contents_.size()) return false;
  std::size_t stop = contents_.find_first_of("\r\n", pos_);
  if (stop == std::string_view::npos) stop = contents_.size();
  std::size_t next = stop;
  if (stop < contents_.size()) {
    next = stop + 1;
    if (contents_[stop] == '\r' && next < contents_.size() && contents_[next] == '\n') ++next;
  }
  // A file an editor saved with a UTF-8 byte-order mark: the mark is not part of the
  // first line's text (it stays in the file).
  std::size_t textBegin = pos_;
  if (pos_ == 0 && contents_.substr(0, 3) == "\xEF\xBB\xBF") textBegin = std::min<std::size_t>(3, stop);
  line = ClassifyLine(contents_.substr(textBegin, stop - textBegin));
  line.begin = pos_;
  line.textEnd = stop;
  line.end = next;
  pos_ = next;
  return true;
}

}  // namespace zorvel::profile::detail
