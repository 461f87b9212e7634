// One program per program folder: a second start ends at once and asks the first to
// come forward; a program that was killed leaves nothing that blocks the next start.
#include <fcntl.h>
#include <gtest/gtest.h>

#include "tests/app/program_process.h"
#include <sys/stat.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <thread>

#include "app/single_instance.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace zorvel::app {
namespace {

using Outcome = SingleInstance::Outcome;
using namespace std::chrono_literals;
using testing::ExitCode;
using testing::WaitUntilHeld;

// Runs Acquire in a child process and gives its outcome. The child ends right after, or,
// with keep, holds what it got until it is killed (its pid in *child).
Outcome AcquireInChild(const std::string& folder, pid_t* child = nullptr) {
  int channel[2];
  EXPECT_EQ(pipe(channel), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    Outcome outcome;
    const auto held = SingleInstance::Acquire(folder, &outcome);
    const char c = static_cast<char>('0' + static_cast<int>(outcome));
    [[maybe_unused]] const ssize_t n = write(channel[1], &c, 1);
    if (child != nullptr)
      for (;;) pause();
    _exit(0);
  }
  close(channel[1]);
  char c = '?';
  EXPECT_EQ(read(channel[0], &c, 1), 1);
  close(channel[0]);
  if (child != nullptr) *child = pid;
  else waitpid(pid, nullptr, 0);
  return static_cast<Outcome>(c - '0');
}

TEST(SingleInstance, TheSecondProgramOnAFolderAsksTheFirstToComeForward) {
  zorvel::test::TempFolder folder;
  Outcome outcome;
  auto first = SingleInstance::Acquire(folder.path(), &outcome);
  ASSERT_EQ(outcome, Outcome::kFirst);
  int raised = 0;
  first->OnRaiseRequest([&] { ++raised; });
  EXPECT_EQ(AcquireInChild(folder.path()), Outcome::kRunning);
  for (int i = 0; i < 200 && raised == 0; ++i) {
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(raised, 1);
  // Another folder is another program.
  zorvel::test::TempFolder other;
  EXPECT_EQ(AcquireInChild(other.path()), Outcome::kFirst);
  // Once the first has ended, the folder is free again.
  first.reset();
  EXPECT_EQ(AcquireInChild(folder.path()), Outcome::kFirst);
}

TEST(SingleInstance, AKilledProgramDoesNotBlockTheNextStart) {
  zorvel::test::TempFolder folder;
  pid_t holder = 0;
  ASSERT_EQ(AcquireInChild(folder.path(), &holder), Outcome::kFirst);
  EXPECT_EQ(AcquireInChild(folder.path()), Outcome::kRunning);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  // The lock file is still there, and nobody holds it.
  EXPECT_TRUE(std::filesystem::exists(SingleInstance::LockPath(folder.path())));
  EXPECT_EQ(AcquireInChild(folder.path()), Outcome::kFirst);
}

TEST(SingleInstance, AFolderWithoutWriteAccessRunsUnguarded) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
  zorvel::test::TempFolder folder;
  chmod(folder.path().c_str(), 0555);
  Outcome outcome;
  EXPECT_EQ(SingleInstance::Acquire(folder.path(), &outcome), nullptr);
  EXPECT_EQ(outcome, Outcome::kNoLock);
  chmod(folder.path().c_str(), 0755);
}

// The program itself, copied into a folder of its own (its folder is its executable's).
class ProgramCopy {
 public:
  explicit ProgramCopy(const zorvel::test::TempFolder& folder) : path_(folder / "zorvel") {
    std::filesystem::copy_file(ZORVEL_PROGRAM, path_);
  }
  pid_t Start(const std::string& errorFile) const {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char* argv[] = {const_cast<char*>(path_.c_str()), nullptr};
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, path_.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

 private:
  std::string path_;
};


TEST(SingleInstance, ADoubleStartOfTheProgramEndsTheSecondAndLosesNoWin) {
  zorvel::test::TempFolder folder;
  const ProgramCopy program(folder);
  const std::string ledger = "[zjjg]\r\nj1=5\r\nj2=7\r\n";
  ASSERT_TRUE(zorvel::test::WriteBytes(folder / "jieguo.a", ledger));
  const pid_t first = program.Start(folder / "first.err");
  ASSERT_TRUE(WaitUntilHeld(folder.path()));

  const pid_t second = program.Start(folder / "second.err");
  EXPECT_EQ(ExitCode(second), 1);
  EXPECT_NE(zorvel::test::ReadBytes(folder / "second.err").find("already running"), std::string::npos);
  EXPECT_EQ(zorvel::test::ReadBytes(folder / "jieguo.a"), ledger);

  // Killed, the first leaves its lock file behind; the next start runs all the same.
  kill(first, SIGKILL);
  waitpid(first, nullptr, 0);
  const pid_t third = program.Start(folder / "third.err");
  EXPECT_TRUE(WaitUntilHeld(folder.path())) << zorvel::test::ReadBytes(folder / "third.err");
  EXPECT_EQ(waitpid(third, nullptr, WNOHANG), 0);  // still running
  kill(third, SIGKILL);
  waitpid(third, nullptr, 0);
  EXPECT_EQ(zorvel::test::ReadBytes(folder / "jieguo.a"), ledger);
}

}  // namespace
}  // namespace zorvel::app
