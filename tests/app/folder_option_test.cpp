// The program folder from the command line: --folder DIR is taken out of the arguments,
// made when missing, and the program runs on it (its lock, its settings); a folder it
// cannot use ends the program at once with status 2 and a message.
#include <fcntl.h>
#include <gtest/gtest.h>

#include "tests/app/program_process.h"
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/folder_option.h"
#include "app/single_instance.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace zorvel::app {
namespace {

using namespace std::chrono_literals;
using testing::ExitCode;
using testing::WaitUntilHeld;

TEST(FolderOption, IsTakenOutOfTheArguments) {
  struct Row {
    std::vector<std::string> in;
    std::vector<std::string> rest;  // what the application still sees
    std::optional<std::string> folder;
    std::string error;
  };
  const Row rows[] = {
      {{"zorvel"}, {"zorvel"}, std::nullopt, ""},
      {{"zorvel", "--folder", "/x/y"}, {"zorvel"}, "/x/y", ""},
      {{"zorvel", "-platform", "offscreen", "--folder=rel dir", "-style", "fusion"},
       {"zorvel", "-platform", "offscreen", "-style", "fusion"}, "rel dir", ""},
      {{"zorvel", "--folder"}, {"zorvel"}, std::nullopt, "--folder needs a folder"},
      {{"zorvel", "--folder="}, {"zorvel"}, std::nullopt, "--folder needs a folder"},
      {{"zorvel", "--folder", "a", "--folder", "b"}, {"zorvel"}, "a", "--folder is given twice"},
      {{"zorvel", "--folders", "a"}, {"zorvel", "--folders", "a"}, std::nullopt, ""},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    std::vector<std::string> storage = rows[i].in;
    std::vector<char*> argv;
    for (std::string& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(storage.size());
    const FolderOption got = TakeFolderOption(argc, argv.data());
    EXPECT_EQ(got.folder, rows[i].folder) << "row " << i;
    EXPECT_EQ(got.error, rows[i].error) << "row " << i;
    std::vector<std::string> rest(argv.begin(), argv.begin() + argc);
    EXPECT_EQ(rest, rows[i].rest) << "row " << i;
    EXPECT_EQ(argv[static_cast<std::size_t>(argc)], nullptr) << "row " << i;
  }
}

// Starts the built program with args, stderr to errorFile, on the offscreen platform.
pid_t StartProgram(const std::vector<std::string>& args, const std::string& errorFile) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::vector<char*> argv{const_cast<char*>(ZORVEL_PROGRAM)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, ZORVEL_PROGRAM, &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}


TEST(FolderOption, TheProgramRunsOnTheFolderItIsGivenAndMakesIt) {
  zorvel::test::TempFolder scratch;
  const std::string folder = scratch / "用户/zorvel";  // missing, with its parent
  const pid_t pid = StartProgram({"--folder", folder}, scratch / "program.err");
  ASSERT_TRUE(WaitUntilHeld(folder)) << zorvel::test::ReadBytes(scratch / "program.err");
  // The settings are the folder's: the start-up (after the lock) writes its defaults
  // there, not beside the executable.
  bool settings = false;
  for (int i = 0; i < 1200 && !settings; ++i) {
    settings = std::filesystem::exists(folder + "/config.a");
    if (!settings) std::this_thread::sleep_for(50ms);
  }
  EXPECT_TRUE(settings);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(ZORVEL_PROGRAM).parent_path() / "用户"));
  // A second start on the same folder, named another way, finds the first.
  const pid_t second = StartProgram({"--folder=" + scratch / "用户/./zorvel/"}, scratch / "second.err");
  EXPECT_EQ(ExitCode(second), 1);
  EXPECT_NE(zorvel::test::ReadBytes(scratch / "second.err").find("already running"), std::string::npos)
      << zorvel::test::ReadBytes(scratch / "second.err");
  kill(pid, SIGTERM);
  EXPECT_NE(ExitCode(pid), -1);
}

TEST(FolderOption, AFolderTheProgramCannotUseEndsItWithStatusTwo) {
  zorvel::test::TempFolder scratch;
  ASSERT_TRUE(zorvel::test::WriteBytes(scratch / "file", "x"));
  struct Row {
    std::vector<std::string> args;
    std::string message;
  };
  std::vector<Row> rows = {
      {{"--folder"}, "zorvel: --folder needs a folder"},
      {{"--folder", scratch / "file"}, "is not a folder"},
      {{"--folder", scratch / "file/below"}, "cannot create the program folder"},
      {{"--folder", "a", "--folder", "b"}, "--folder is given twice"},
  };
  if (geteuid() != 0) {  // root writes anywhere
    std::filesystem::create_directory(scratch / "locked");
    chmod((scratch / "locked").c_str(), 0555);
    rows.push_back({{"--folder", scratch / "locked"}, "is not writable"});
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const pid_t pid = StartProgram(rows[i].args, scratch / "program.err");
    EXPECT_EQ(ExitCode(pid), 2) << "row " << i;
    const std::string err = zorvel::test::ReadBytes(scratch / "program.err");
    EXPECT_NE(err.find(rows[i].message), std::string::npos) << "row " << i << ": " << err;
  }
  EXPECT_EQ(std::filesystem::exists(scratch / "a"), false);
}

}  // namespace
}  // namespace zorvel::app
