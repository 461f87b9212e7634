// The draw record: draws.log in the program folder, one JSON object per line (UTF-8),
// only ever appended to. Every entry carries its sequence number, the local time with
// milliseconds and the time-zone offset, its kind, its own fields and "prev", the
// SHA-256 (hex) of the previous line's bytes without its line end (for the first line:
// of the empty text), so that an entry edited, removed or inserted later breaks the
// chain. An entry is on the disk (fsync) when Append returns.
//
// No window system here: the program writes the record, and zorvel-log reads and checks
// it with the same code.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <QJsonObject>

namespace zorvel::record {

inline constexpr const char* kFileName = "draws.log";

// The fields of one entry, in the order they are written. Names are plain ASCII; texts
// are UTF-8 and escaped as JSON wants.
class Fields {
 public:
  Fields& Add(std::string_view name, std::int64_t value);
  Fields& Add(std::string_view name, int value) { return Add(name, static_cast<std::int64_t>(value)); }
  Fields& Add(std::string_view name, std::uint64_t value);
  // A number: integral values without a fraction, others with 17 significant digits.
  Fields& Add(std::string_view name, double value);
  Fields& Add(std::string_view name, bool value);
  Fields& Add(std::string_view name, std::string_view text);
  Fields& Add(std::string_view name, const char* text) { return Add(name, std::string_view(text)); }
  Fields& Add(std::string_view name, std::span<const std::int32_t> numbers);
  Fields& Add(std::string_view name, std::span<const double> numbers);
  Fields& Add(std::string_view name, std::span<const std::string> texts);
  // The fields as they follow the kind in a line: ,"name":value…
  const std::string& Text() const { return text_; }

 private:
  void Name(std::string_view name);
  std::string text_;
};

// What writing or repairing the record came to: empty when it went well, else why not
// (the file and the system's reason).
using Problem = std::string;

// Appends one entry of the kind: the next sequence number (1 for an empty or new file),
// the local time, the kind, the fields, then "prev". The line is written in one piece and
// flushed to disk; a write that fails part way takes its bytes back off the file. A
// record whose last line is cut short is not appended to (RepairCutEnd first).
Problem Append(const std::string& path, std::string_view kind, const Fields& fields);

// One entry as a line of the record, without its line end: what Append writes.
std::string EntryLine(std::int64_t seq, std::string_view time, std::string_view kind, const Fields& fields,
                      std::string_view prev);

// A record whose last line was cut short (a crash in the middle of a write): the bytes
// after the last whole line go to "<path>.damaged-<time>" and the record ends with its
// last whole line again. Nothing happens to a record that ends with a whole line.
struct Repair {
  bool repaired = false;
  std::string damagedPath;  // where the cut bytes went
  std::uint64_t bytes = 0;  // how many
  Problem problem;
};
Repair RepairCutEnd(const std::string& path);

// The last whole line of the record (without its line end), or nothing for a missing or
// empty record.
std::optional<std::string> LastLine(const std::string& path);

// SHA-256 of the bytes, as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);
// Now, local time: 2026-05-01T14:03:07.412+08:00.
std::string LocalTimeText();

// One line of a record, read: the fields every entry has, and the whole object for the
// fields of its kind. Parsed only when the line is one JSON object.
struct Entry {
  bool parsed = false;
  std::int64_t seq = 0;
  std::string time;
  std::string kind;
  std::string prev;
  QJsonObject object;
};
Entry ParseLine(std::string_view line);

// A JSON number that is a whole number of at most 2^53 in size, as a 64-bit integer.
std::optional<std::int64_t> WholeNumber(const QJsonValue& value);

// The record's lines, without line ends; a last piece without a line end is a line too.
std::vector<std::string_view> SplitLines(std::string_view bytes);

// The eight numbers of an entry's array field (missing or short arrays give zeros).
std::vector<double> Numbers(const QJsonObject& object, const char* name);

}  // namespace zorvel::record
