// The registry stands in as a small read-only table: the program asks only for the
// browser cache folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zorvel::registry {

enum class Root { kClassesRoot, kCurrentConfig, kCurrentUser, kLocalMachine, kUsers };

// The string value valueName under key (GBK, backslash-separated, matched ignoring
// ASCII case), or nothing.
std::optional<std::string> QueryString(Root root, std::string_view key, std::string_view valueName);

}  // namespace zorvel::registry
