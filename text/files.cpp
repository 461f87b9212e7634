#include "text/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "text/gbk.h"

namespace zorvel {

std::string NativePath(std::string_view gbkName) { return gbk::ToNativePath(gbkName); }

bool ReadWholeFile(const std::string& nativePath, std::string& contents) {
  contents.clear();
  const int fd = open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return false;
  }
  if (st.st_size > 0) contents.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      close(fd);
      contents.clear();
      return false;
    }
    contents.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return true;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// New contents are written to a hidden file beside the target, named after it
// (".config.a.zorvel-XXXXXX"), so that one left by a crash is recognisable.
std::string TemporaryPrefix(const std::string& path) {
  const auto slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + name + ".zorvel-";
}

}  // namespace

namespace {

// Writes a new file beside the target with fill(), flushes it and renames it over the
// target. The target keeps its permission bits; a new one gets the usual 0644.
template <class Fill>
bool ReplaceWith(const std::string& nativePath, Fill fill) {
  if (nativePath.empty()) return false;
  std::string temp = TemporaryPrefix(nativePath) + "XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  mode_t mode = 0644;
  if (stat(nativePath.c_str(), &st) == 0) mode = st.st_mode & 07777;
  const bool written = fchmod(fd, mode) == 0 && fill(fd) && fsync(fd) == 0;
  if (close(fd) != 0 || !written || rename(temp.c_str(), nativePath.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  // The rename itself is made durable by flushing the folder.
  const int dir = open(FolderOf(nativePath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& nativePath, std::string_view contents) {
  return ReplaceWith(nativePath, [&](int fd) { return WriteAll(fd, contents); });
}

void RemoveStaleTemporaries(const std::string& nativePath) {
  const std::string prefix = TemporaryPrefix(nativePath);
  const auto slash = prefix.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : prefix.substr(0, slash == 0 ? 1 : slash);
  const std::string namePrefix = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.size() == namePrefix.size() + 6 && name.substr(0, namePrefix.size()) == namePrefix)
      unlinkat(dirfd(dir), entry->d_name, 0);
  }
  closedir(dir);
}

bool CopyFileAtomically(const std::string& sourcePath, const std::string& targetPath) {
  const int in = open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  bool ok = fstat(in, &st) == 0 && S_ISREG(st.st_mode);
  ok = ok && ReplaceWith(targetPath, [&](int out) {
         char buffer[65536];
         for (;;) {
           const ssize_t n = read(in, buffer, sizeof buffer);
           if (n == 0) return true;
           if (n < 0) {
             if (errno == EINTR) continue;
             return false;
           }
           if (!WriteAll(out, std::string_view(buffer, static_cast<std::size_t>(n)))) return false;
         }
       });
  close(in);
  return ok;
}

}  // namespace zorvel
