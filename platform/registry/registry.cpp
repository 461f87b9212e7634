#include "platform/registry/registry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "text/gbk.h"

namespace zorvel::registry {

namespace {

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

bool MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

// The browser cache folder: a folder of ours under the user's cache folder whose last
// part is "Temporary Internet Files". The program turns that name into "Temp" for its
// temporary files, so both folders are made here.
std::optional<std::string> CacheFolder() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && xdg[0] == '/') base = xdg;
  else if (const char* home = std::getenv("HOME"); home && home[0] == '/') base = std::string(home) + "/.cache";
  std::string folder = base.empty() ? "/tmp/zorvel-" + std::to_string(getuid()) : base + "/zorvel";
  const std::string gbkFolder = gbk::FromNativePath(folder);
  if (!MakeFolders(folder + "/Temporary Internet Files") || !MakeFolders(folder + "/Temp")) return std::nullopt;
  // Under /tmp anyone may have made the folder first, or planted a link in its place:
  // only a real folder of the user's own is used, and it is closed to others.
  for (const std::string& part : {folder, folder + "/Temp", folder + "/Temporary Internet Files"}) {
    struct stat st {};
    if (lstat(part.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) return std::nullopt;
    if ((st.st_mode & 077) != 0 && chmod(part.c_str(), 0700) != 0) return std::nullopt;
  }
  return gbkFolder + "/Temporary Internet Files";
}

}  // namespace

std::optional<std::string> QueryString(Root root, std::string_view key, std::string_view valueName) {
  if (root == Root::kCurrentUser &&
      EqualIgnoringAsciiCase(key, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders") &&
      EqualIgnoringAsciiCase(valueName, "Cache"))
    return CacheFolder();
  return std::nullopt;
}

}  // namespace zorvel::registry
