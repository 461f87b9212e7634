// Watching a started program from outside: whether its folder's lock is held (read from
// the system's table of locks, so the look never takes a lock the starting program could
// collide with), and its exit code.
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "app/single_instance.h"

namespace zorvel::app::testing {

// Whether some process holds an exclusive lock on the file.
inline bool ExclusivelyLocked(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  std::ifstream locks("/proc/locks");
  const std::string inode = ":" + std::to_string(st.st_ino);
  for (std::string line; std::getline(locks, line);) {
    if (line.find("FLOCK") == std::string::npos || line.find("WRITE") == std::string::npos) continue;
    // "1: FLOCK  ADVISORY  WRITE <pid> <major>:<minor>:<inode> 0 EOF"
    const std::size_t end = line.find(" 0 EOF");
    if (end != std::string::npos && end >= inode.size() && line.compare(end - inode.size(), inode.size(), inode) == 0)
      return true;
  }
  return false;
}

// Waits until somebody holds the folder's lock (the program is up), at most 60 s.
inline bool WaitUntilHeld(const std::string& folder) {
  for (int i = 0; i < 1200; ++i) {
    if (ExclusivelyLocked(SingleInstance::LockPath(folder))) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// The exit code of a process, waiting at most 60 s; -1 when it is still running.
inline int ExitCode(pid_t pid) {
  for (int i = 0; i < 1200; ++i) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return -1;
}

}  // namespace zorvel::app::testing
