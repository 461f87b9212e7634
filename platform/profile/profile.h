// Private-profile (INI) files with the semantics that stored files rely on. All
// section names, keys and values are GBK byte strings; the path is a native path.
//
// Reading: section and key names match ignoring ASCII case and blanks at their ends;
// the first matching section and, in it, the first matching key win; lines before the
// first section header belong to no section. A value loses the blanks around it and a
// pair of the same quote (" or ') around it.
//
// Writing keeps every line it does not touch byte for byte (comments, lines without
// `=`, the file's own line breaks). Updating and removing act on the same line that
// reading finds: the first key of the first section of the name. An updated key line
// becomes `key=value` with the key as the file spells it; a new key goes after the
// last key line of its section (or right after the header of a section without one);
// a new section goes at the end of the file; a new file is exactly
// "[section]\r\nkey=value\r\n". Lines the writer adds end like the file's first line
// break (CR LF for a file without one).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zorvel::profile {

// The value of key in section, or the default (which loses its trailing blanks) when
// the file, the section or the key is missing, or the section or key name is empty.
// At most bufferSize - 1 bytes are returned: a longer value is cut, byte-wise.
std::string ReadString(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view defaultValue, std::size_t bufferSize = 10240);

// Sets key in section to value. No key removes the whole section; no value removes the
// key. The file is replaced atomically under an advisory lock. True on success
// (removing what is absent succeeds too, and writing the value a key already holds
// succeeds without touching the file). False when the edit is refused (EditProblem) or
// the file cannot be read or replaced; the old file is then left as it was.
bool WriteString(const std::string& path, std::string_view section, std::optional<std::string_view> key,
                 std::optional<std::string_view> value);

// The same edit on file contents in memory: what WriteString writes, given what the
// file held ("" for a missing file). Returns false when nothing changes.
bool EditContents(std::string& contents, std::string_view section, std::optional<std::string_view> key,
                  std::optional<std::string_view> value);

// The lookup on file contents in memory.
std::string ReadFromContents(std::string_view contents, std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::size_t bufferSize = 10240);

// What an edit of file contents came to.
enum class EditOutcome {
  kChanged,    // the contents were edited
  kUnchanged,  // nothing to do: the key holds the value already, or what is to be removed is absent
  kRefused,    // the edit cannot be written (EditProblem); the contents are untouched
};

// EditContents with the refusal told apart from "nothing to do".
EditOutcome Edit(std::string& contents, std::string_view section, std::optional<std::string_view> key,
                 std::optional<std::string_view> value);

// Why an edit cannot be written, or nullptr when it can: an empty section name, an
// empty key name (both after trimming), or a CR or LF in the section name, the key or
// the value, which would split the line and could forge a section header.
const char* EditProblem(std::string_view section, std::optional<std::string_view> key,
                        std::optional<std::string_view> value);

}  // namespace zorvel::profile
