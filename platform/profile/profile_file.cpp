// Private-profile files on disk.
//
// A write reads the file, edits it in memory and replaces it atomically (the new
// contents go to a new file beside it, which is renamed over the old one), all while
// holding an exclusive flock on the file's folder. The lock is on the folder rather
// than on the file because the file's inode changes with every write: a writer that
// locked the old inode would not keep out one that opened the new file. Locking the
// folder itself leaves no lock file behind for the operator to wonder about, and the
// kernel drops the lock when its holder dies, so a crashed writer never blocks the
// next one. One lock serves every profile file of a folder (config.a and jieguo.a
// alike); a write holds it for a few milliseconds.
//
// Reads take no lock: the file is only ever replaced whole, so a reader sees either
// the old or the new file.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/profile/profile.h"
#include "text/files.h"

namespace zorvel::profile {

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// An exclusive advisory lock on a folder, held for the life of the object.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder) {
    fd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) close(fd_);  // closing the descriptor releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace

std::string ReadString(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view defaultValue, std::size_t bufferSize) {
  // A file that cannot be read behaves as an empty one.
  std::string contents;
  if (!ReadWholeFile(path, contents)) contents.clear();
  return ReadFromContents(contents, section, key, defaultValue, bufferSize);
}

bool WriteString(const std::string& path, std::string_view section, std::optional<std::string_view> key,
                 std::optional<std::string_view> value) {
  if (path.empty() || EditProblem(section, key, value)) return false;
  // A folder that cannot be opened (missing, or not readable) cannot be locked; the
  // write fails rather than risk a lost update.
  const FolderLock lock(FolderOf(path));
  if (!lock.Held()) return false;
  std::string contents;
  if (!ReadWholeFile(path, contents)) {
    // Only a missing file starts empty. One that is there but cannot be read (a
    // folder, no permission) must not be overwritten with what little we know.
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 || errno != ENOENT) return false;
    contents.clear();
  }
  switch (Edit(contents, section, key, value)) {
    case EditOutcome::kChanged:
      // Under the lock no other writer of this file is between its temporary file and
      // its rename, so any temporary file still there was left by a crash.
      RemoveStaleTemporaries(path);
      return ReplaceFileAtomically(path, contents);
    case EditOutcome::kUnchanged:
      return true;
    case EditOutcome::kRefused:
      break;
  }
  return false;
}

}  // namespace zorvel::profile
