// Private-profile contents from outside: the reader and the editor take any bytes
// without crashing, hanging or reading out of bounds, and keep their promises.
//
// The input is split into parameters (which section, key and value to use, what to
// do, the buffer size) and the file contents. Names are taken either from the input
// or from a header or key that the contents really hold, so lookups hit.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/profile/ini_lines.h"
#include "platform/profile/profile.h"

namespace {

using zorvel::profile::EditOutcome;
using zorvel::profile::detail::Line;

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Names {
  std::vector<std::string> sections, keys;
};

Names NamesIn(const std::string& contents) {
  Names names;
  zorvel::profile::detail::LineReader reader(contents);
  Line line;
  while (reader.Next(line) && names.sections.size() + names.keys.size() < 64) {
    if (line.kind == Line::Kind::kHeader) names.sections.emplace_back(line.name);
    if (line.kind == Line::Kind::kKey) names.keys.emplace_back(line.name);
  }
  return names;
}

std::string PickName(FuzzedDataProvider& data, const std::vector<std::string>& known) {
  if (!known.empty() && data.ConsumeBool()) return known[data.ConsumeIntegralInRange<std::size_t>(0, known.size() - 1)];
  return data.ConsumeRandomLengthString(12);
}

// Whether a write of value under key in section must read back as exactly value: the
// header and the key line the writer would add parse back to the same names and value.
// Names with a `]` or `=` in them, values with blanks or quotes at their ends, and the
// like are written as given but do not read back the same.
bool ReadsBack(const std::string& section, const std::string& key, const std::string& value, std::size_t bufferSize) {
  using zorvel::profile::detail::ClassifyLine;
  using zorvel::profile::detail::SameName;
  using zorvel::profile::detail::Trim;
  const std::string_view s = Trim(section), k = Trim(key);
  const std::string headerText = "[" + std::string(s) + "]", keyText = std::string(k) + "=" + value;
  const Line header = ClassifyLine(headerText);  // views into the texts above
  const Line keyLine = ClassifyLine(keyText);
  return header.kind == Line::Kind::kHeader && SameName(header.name, s) && keyLine.kind == Line::Kind::kKey &&
         SameName(keyLine.name, k) && zorvel::profile::detail::Unquote(keyLine.value) == value &&
         value.size() < bufferSize;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  const int operation = data.ConsumeIntegralInRange(0, 2);  // set, remove a key, remove a section
  const std::size_t bufferSize = data.ConsumeBool() ? 10240 : data.ConsumeIntegralInRange<std::size_t>(0, 40);
  const std::string value = data.ConsumeRandomLengthString(24);
  const std::string defaultValue = data.ConsumeRandomLengthString(8);
  // The parameters take a bounded share; the rest is the file.
  const std::size_t rest = data.remaining_bytes();
  std::string contents = data.ConsumeBytesAsString(rest > 64 ? rest - 64 : rest / 2);
  const Names names = NamesIn(contents);
  const std::string section = PickName(data, names.sections);
  const std::string key = PickName(data, names.keys);
  const std::string section2 = PickName(data, names.sections);
  const std::string key2 = PickName(data, names.keys);

  // Reading: never longer than the buffer allows, and a smaller buffer gives a prefix.
  const std::string full = zorvel::profile::ReadFromContents(contents, section, key, defaultValue, 1 << 20);
  const std::string cut = zorvel::profile::ReadFromContents(contents, section, key, defaultValue, bufferSize);
  Check(cut == full.substr(0, bufferSize == 0 ? 0 : bufferSize - 1));

  // Editing.
  const std::string before = contents;
  const std::string other = zorvel::profile::ReadFromContents(before, section2, key2, "\x01");
  std::optional<std::string_view> k, v;
  if (operation != 2) k = key;
  if (operation == 0) v = value;
  const EditOutcome outcome = zorvel::profile::Edit(contents, section, k, v);
  Check((outcome == EditOutcome::kChanged) == (contents != before));
  Check((outcome == EditOutcome::kRefused) == (zorvel::profile::EditProblem(section, k, v) != nullptr));
  if (outcome == EditOutcome::kRefused) return 0;

  using zorvel::profile::detail::SameName;
  using zorvel::profile::detail::Trim;
  const bool sameSection = SameName(Trim(section2), Trim(section));
  const bool sameKey = sameSection && SameName(Trim(key2), Trim(key));
  if (v) {
    if (ReadsBack(section, key, value, bufferSize)) {
      // What was written reads back, and writing it again changes nothing.
      Check(zorvel::profile::ReadFromContents(contents, section, key, "\x01", bufferSize) == value);
      std::string again = contents;
      Check(zorvel::profile::Edit(again, section, k, v) == EditOutcome::kUnchanged && again == contents);
      // Any other key reads as before.
      if (!sameKey) Check(zorvel::profile::ReadFromContents(contents, section2, key2, "\x01") == other);
    }
  } else if (k) {
    // Removing a key leaves every other key as it was.
    if (!sameKey) Check(zorvel::profile::ReadFromContents(contents, section2, key2, "\x01") == other);
  } else {
    // Removing a section leaves every other section as it was.
    if (!sameSection) Check(zorvel::profile::ReadFromContents(contents, section2, key2, "\x01") == other);
  }
  return 0;
}
