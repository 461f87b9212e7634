// File commands, the program folder, running programs, the registry.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "runtime/commands.h"
#include "runtime/program.h"
#include "runtime/run_program.h"
#include "tests/support/temp_folder.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"

namespace zorvel {
namespace {
using namespace literals;
using namespace std::string_literals;

class InTempFolder : public testing::Test {
 protected:
  // A GBK file name in the Windows form, inside the folder.
  std::string Name(const char* gbkSuffix) const { return gbk::FromUtf8(folder_) + gbkSuffix; }
  static std::string Contents(const std::string& native) { return test::ReadBytes(native); }
  test::TempFolder temp_{"zorvel-files"};
  const std::string folder_ = temp_.path();
};

using FileCommands = InTempFolder;

TEST_F(FileCommands, WriteReadCopyDelete) {
  const std::string name = Name("\\奖品.bin"_gbk);
  const std::uint8_t* first = MakeByteSet("ab\0", 3);
  const std::uint8_t* second = MakeByteSet("cd", 2);
  EXPECT_TRUE(Call(cmd::WriteFile, name, ByteSetArg{first}, ByteSetArg{nullptr}, ByteSetArg{second}).logical());
  FreeValue(reinterpret_cast<std::uintptr_t>(first), type::kByteSet);
  FreeValue(reinterpret_cast<std::uintptr_t>(second), type::kByteSet);
  EXPECT_EQ(Contents(folder_ + "/奖品.bin"), std::string("ab\0cd", 5));

  const Value read = Call(cmd::ReadFile, name);
  EXPECT_EQ(read.type(), type::kByteSet);
  EXPECT_EQ(read.view(), std::string_view("ab\0cd", 5));

  // The copy overwrites an existing target.
  const std::string target = Name("\\copy.bin");
  std::ofstream(folder_ + "/copy.bin") << "old and longer contents";
  EXPECT_TRUE(Call(cmd::CopyFile, name, target).logical());
  EXPECT_EQ(Contents(folder_ + "/copy.bin"), std::string("ab\0cd", 5));
  // Copying a file onto itself keeps it whole.
  EXPECT_TRUE(Call(cmd::CopyFile, target, target).logical());
  EXPECT_EQ(Contents(folder_ + "/copy.bin"), std::string("ab\0cd", 5));

  EXPECT_TRUE(Call(cmd::DeleteFile, target).logical());
  EXPECT_FALSE(Call(cmd::DeleteFile, target).logical());
  EXPECT_EQ(Call(cmd::ReadFile, target).byteSet(), nullptr);
}

TEST_F(FileCommands, Failures) {
  EXPECT_EQ(Call(cmd::ReadFile, "").byteSet(), nullptr);
  EXPECT_EQ(Call(cmd::ReadFile, folder_).byteSet(), nullptr) << "a folder is not a file";
  std::ofstream(folder_ + "/empty");
  EXPECT_EQ(Call(cmd::ReadFile, Name("/empty")).byteSet(), nullptr) << "an empty file gives the empty byte set";
  EXPECT_FALSE(Call(cmd::WriteFile, "").logical());
  EXPECT_FALSE(Call(cmd::WriteFile, Name("/missing/x.bin")).logical());
  // The copy creates no folder and leaves nothing behind on failure.
  std::ofstream(folder_ + "/src") << "x";
  EXPECT_FALSE(Call(cmd::CopyFile, Name("/src"), Name("\\missing\\x.bin")).logical());
  EXPECT_FALSE(Call(cmd::CopyFile, Name("/nothing"), Name("/dst")).logical());
  EXPECT_NE(access((folder_ + "/dst").c_str(), F_OK), 0);
  EXPECT_FALSE(Call(cmd::CopyFile, Name("/src"), "").logical());
  EXPECT_FALSE(Call(cmd::DeleteFile, "").logical());
  EXPECT_FALSE(Call(cmd::DeleteFile, folder_).logical()) << "folders are not deleted";
}

TEST_F(FileCommands, WriteToAFullDeviceIsAFailure) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  const std::uint8_t* b = MakeByteSet("x", 1);
  EXPECT_FALSE(Call(cmd::WriteFile, "/dev/full", ByteSetArg{b}).logical());
  FreeValue(reinterpret_cast<std::uintptr_t>(b), type::kByteSet);
}

TEST(RunDirectory, IsTheFolderOfTheExecutable) {
  const Value dir = Call(cmd::RunDirectory);
  char exe[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
  std::string expected = exe;
  expected.resize(expected.rfind('/'));
  EXPECT_EQ(gbk::ToUtf8(dir.view()), expected);
  EXPECT_NE(dir.view().back(), '/');
  EXPECT_EQ(std::string(ProgramFileName()), "runtime_tests");
}

TEST(SplitCommandLine, WindowsQuoting) {
  struct Row {
    const char* line;
    std::vector<std::string> words;
  } rows[] = {
      {"a b  c", {"a", "b", "c"}},
      {"\"C:\\Program Files\\x.exe\" -v", {"C:\\Program Files\\x.exe", "-v"}},
      {"a\\\\\\\"b", {"a\\\"b"}},
      {"\"a\\\\\" b", {"a\\", "b"}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"   ", {}},
      {"x\\y\\z", {"x\\y\\z"}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(SplitCommandLine(rows[i].line), rows[i].words);
  }
}

using RunProgram = InTempFolder;

TEST_F(RunProgram, WaitsOrNot) {
  const std::string marker = folder_ + "/ran";
  EXPECT_TRUE(Call(cmd::RunProgram, "/bin/sh -c \"echo done > '" + marker + "'\"", true).logical());
  EXPECT_EQ(Contents(marker), "done\n") << "with wait the program has ended";

  const std::string later = folder_ + "/later";
  EXPECT_TRUE(Call(cmd::RunProgram, "/bin/sh -c \"echo later > '" + later + "'\"").logical());
  for (int i = 0; i < 500 && Contents(later).empty(); ++i) usleep(10000);
  EXPECT_EQ(Contents(later), "later\n");

  EXPECT_FALSE(Call(cmd::RunProgram, folder_ + "/no-such-program").logical());
  EXPECT_FALSE(Call(cmd::RunProgram, folder_ + "/no-such-program", true).logical());
  EXPECT_FALSE(Call(cmd::RunProgram, "").logical());
}

TEST(ReadRegistryText, CacheFolderAndDefaults) {
  const test::TempFolder temp("zorvel-cache");
  const std::string pattern = temp.path();
  setenv("XDG_CACHE_HOME", pattern.c_str(), 1);
  const char* path = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\Cache";
  const Value cache = Call(cmd::ReadRegistryText, 3, path);
  EXPECT_EQ(cache.str(), std::string(pattern) + "/zorvel/Temporary Internet Files");
  struct stat st {};
  EXPECT_EQ(stat((std::string(pattern) + "/zorvel/Temp").c_str(), &st), 0) << "the temporary folder exists";
  EXPECT_EQ(Call(cmd::ReadRegistryText, 0, "software\\microsoft\\windows\\currentversion\\explorer\\shell folders\\CACHE").str(),
            cache.str())
      << "keys match ignoring case; roots other than 1, 2, 4, 5 are the current user";
  EXPECT_EQ(Call(cmd::ReadRegistryText, 4, path, "none").str(), "none");
  EXPECT_EQ(Call(cmd::ReadRegistryText, 3, "Cache").text(), nullptr);
  EXPECT_EQ(Call(cmd::ReadRegistryText, 3, "Software\\Other\\Value", kAbsent).text(), nullptr);
  unsetenv("XDG_CACHE_HOME");
}

}  // namespace
}  // namespace zorvel
