// Reading and editing private-profile contents in memory. The file side (locking,
// reading, atomic replacement) is in profile_file.cpp.
#include "platform/profile/profile.h"

#include <algorithm>

#include "platform/profile/ini_lines.h"

namespace zorvel::profile {

namespace {

using detail::Line;
using detail::LineReader;
using detail::SameName;
using detail::Trim;

std::string Limited(std::string_view text, std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  return std::string(text.substr(0, std::min(text.size(), bufferSize - 1)));
}

// Where a section and a key sit in the contents. Only the first section of the name
// counts; its lines run up to the next header or the end of the contents.
struct Place {
  bool sectionFound = false;
  Line header;
  std::size_t sectionEnd = 0;
  std::optional<Line> key;      // the first line of the key in that section
  std::optional<Line> lastKey;  // the last line with an `=` in that section
};

Place Locate(std::string_view contents, std::string_view section, std::optional<std::string_view> key) {
  Place place;
  place.sectionEnd = contents.size();
  LineReader reader(contents);
  Line line;
  while (reader.Next(line)) {
    if (line.kind == Line::Kind::kHeader) {
      if (place.sectionFound) {
        place.sectionEnd = line.begin;
        break;
      }
      if (SameName(line.name, section)) {
        place.sectionFound = true;
        place.header = line;
      }
      continue;
    }
    if (!place.sectionFound || line.kind != Line::Kind::kKey) continue;
    place.lastKey = line;
    if (key && !place.key && SameName(line.name, *key)) place.key = line;
  }
  return place;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

std::string ReadFromContents(std::string_view contents, std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::size_t bufferSize) {
  section = Trim(section);
  key = Trim(key);
  if (!section.empty() && !key.empty()) {
    // The walk stops at the header after the first matching section: a second section
    // of the same name is never looked at.
    LineReader reader(contents);
    Line line;
    bool inSection = false;
    while (reader.Next(line)) {
      if (line.kind == Line::Kind::kHeader) {
        if (inSection) break;
        inSection = SameName(line.name, section);
      } else if (inSection && line.kind == Line::Kind::kKey && SameName(line.name, key)) {
        return Limited(detail::Unquote(line.value), bufferSize);
      }
    }
  }
  return Limited(detail::TrimEnd(defaultValue), bufferSize);
}

const char* EditProblem(std::string_view section, std::optional<std::string_view> key,
                        std::optional<std::string_view> value) {
  if (Trim(section).empty()) return "empty section name";
  if (key && Trim(*key).empty()) return "empty key name";
  if (HasLineBreak(section)) return "line break in the section name";
  if (key && HasLineBreak(*key)) return "line break in the key";
  if (value && HasLineBreak(*value)) return "line break in the value";
  return nullptr;
}

EditOutcome Edit(std::string& contents, std::string_view section, std::optional<std::string_view> key,
                 std::optional<std::string_view> value) {
  if (EditProblem(section, key, value)) return EditOutcome::kRefused;
  section = Trim(section);
  if (key) key = Trim(*key);
  const Place place = Locate(contents, section, key);

  if (!key) {  // remove the whole section: its header and every line up to the next one
    if (!place.sectionFound) return EditOutcome::kUnchanged;
    contents.erase(place.header.begin, place.sectionEnd - place.header.begin);
    return EditOutcome::kChanged;
  }
  if (!value) {  // remove the key's line; its section header stays, even when it is left empty
    if (!place.key) return EditOutcome::kUnchanged;
    contents.erase(place.key->begin, place.key->end - place.key->begin);
    return EditOutcome::kChanged;
  }

  const std::string_view lineBreak = detail::LineBreakOf(contents);
  if (place.key) {
    // The key holds this value already (blanks around it do not count): no write.
    if (place.key->value == *value) return EditOutcome::kUnchanged;
    std::string updated(place.key->name);
    updated += '=';
    updated += *value;
    const std::size_t length = place.key->textEnd - place.key->begin;
    if (std::string_view(contents).substr(place.key->begin, length) == updated) return EditOutcome::kUnchanged;
    contents.replace(place.key->begin, length, updated);
    return EditOutcome::kChanged;
  }

  std::string added;
  if (place.sectionFound) {
    // A new key goes right after the last key line of its section, so blank lines and
    // comments that close the section (often notes about the next one) stay below it;
    // in a section without keys it goes right after the header.
    const Line& anchor = place.lastKey ? *place.lastKey : place.header;
    if (!anchor.HasBreak()) added += lineBreak;  // the anchor is the unterminated last line
    added.append(*key).append("=").append(*value).append(lineBreak);
    contents.insert(anchor.end, added);
    return EditOutcome::kChanged;
  }

  // A new section goes at the end of the file, after a line break of its own when the
  // last line has none.
  if (!contents.empty() && contents.back() != '\n' && contents.back() != '\r') added += lineBreak;
  added.append("[").append(section).append("]").append(lineBreak);
  added.append(*key).append("=").append(*value).append(lineBreak);
  contents += added;
  return EditOutcome::kChanged;
}

bool EditContents(std::string& contents, std::string_view section, std::optional<std::string_view> key,
                  std::optional<std::string_view> value) {
  return Edit(contents, section, key, value) == EditOutcome::kChanged;
}

}  // namespace zorvel::profile
