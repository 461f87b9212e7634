// One program per program folder. Two copies of the program on the same folder (a
// double double-click) would each read, add to and write the ledger and lose wins, so the
// first one holds a lock on the folder for as long as it runs and listens for the others:
// a second start asks the running one to bring its window to the front and ends.
//
// The lock is an advisory lock on ".zorvel.lock" in the folder, which the system drops
// when the holder ends in any way, so a program that was killed leaves nothing that
// blocks the next start. The request travels over a local socket whose name is made
// from the folder's full path.
#pragma once

#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

namespace zorvel::app {

class SingleInstance {
 public:
  enum class Outcome {
    kFirst,      // this program holds the folder
    kRunning,    // another program holds it; it was asked to raise its window
    kNoLock,     // the lock file cannot be made (a folder without write access): run unguarded
  };

  // Tries to become the folder's program (a UTF-8 path). With kFirst the returned object
  // holds the lock until it is destroyed.
  static std::unique_ptr<SingleInstance> Acquire(const std::string& folder, Outcome* outcome);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Runs on the GUI thread whenever a later start asks this program to show itself (a
  // QCoreApplication must exist).
  void OnRaiseRequest(std::function<void()> raise);

  // The lock file's name in a folder.
  static std::string LockPath(const std::string& folder);

 private:
  SingleInstance(int lockFd, int listenFd);
  void Accept();

  int lockFd_ = -1;
  int listenFd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::function<void()> raise_;
};

}  // namespace zorvel::app
