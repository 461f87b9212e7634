// Private-profile (INI) files with the semantics that stored files rely on. All
// section names, keys and values are GBK byte strings; the path is a native path.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zorvel::profile {

// The value of key in section, or the default (which loses its trailing blanks) when
// the file, the section or the key is missing, or the section or key name is empty.
// At most bufferSize - 1 bytes are returned.
std::string ReadString(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view defaultValue, std::size_t bufferSize = 10240);

// Sets key in section to value. No key removes the whole section; no value removes the
// key. The file is replaced atomically under an advisory lock. True on success
// (removing what is absent succeeds too).
bool WriteString(const std::string& path, std::string_view section, std::optional<std::string_view> key,
                 std::optional<std::string_view> value);

// The same edit on file contents in memory: what WriteString writes, given what the
// file held ("" for a missing file). Returns false when nothing changes.
bool EditContents(std::string& contents, std::string_view section, std::optional<std::string_view> key,
                  std::optional<std::string_view> value);

// The lookup on file contents in memory.
std::string ReadFromContents(std::string_view contents, std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::size_t bufferSize = 10240);

}  // namespace zorvel::profile
