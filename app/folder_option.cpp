#include "app/folder_option.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace zorvel::app {

FolderOption TakeFolderOption(int& argc, char** argv) {
  FolderOption result;
  constexpr std::string_view kName = "--folder";
  int out = 1;
  for (int in = 1; in < argc; ++in) {
    const std::string_view arg = argv[in] != nullptr ? std::string_view(argv[in]) : std::string_view();
    std::optional<std::string> value;
    if (arg == kName) {
      if (in + 1 >= argc) {
        result.error = "--folder needs a folder";
        continue;
      }
      value = argv[++in];
    } else if (arg.size() > kName.size() && arg.substr(0, kName.size() + 1) == "--folder=") {
      value = std::string(arg.substr(kName.size() + 1));
    } else {
      argv[out++] = argv[in];
      continue;
    }
    if (value->empty()) result.error = "--folder needs a folder";
    else if (result.folder) result.error = "--folder is given twice";
    else result.folder = std::move(*value);
  }
  if (argc > 0) {
    argv[out] = nullptr;
    argc = out;
  }
  return result;
}

std::string PrepareProgramFolder(const std::string& dir, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path path = fs::absolute(fs::path(dir), ec);
  if (ec) {
    *error = "cannot find the folder " + dir + ": " + ec.message();
    return {};
  }
  path = path.lexically_normal();
  if (!fs::exists(path, ec)) {
    fs::create_directories(path, ec);
    if (ec) {
      *error = "cannot create the program folder " + path.string() + ": " + ec.message();
      return {};
    }
  }
  if (!fs::is_directory(path, ec)) {
    *error = "the program folder " + path.string() + " is not a folder";
    return {};
  }
  if (access(path.c_str(), W_OK | X_OK) != 0) {
    *error = "the program folder " + path.string() + " is not writable: " + std::strerror(errno);
    return {};
  }
  std::string text = path.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

}  // namespace zorvel::app
