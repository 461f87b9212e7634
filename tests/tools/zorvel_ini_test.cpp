// The zorvel-ini tool, run as a program: UTF-8 in and out, GBK in the file, exit
// status 0 / 1 / 2.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"
#include "text/gbk_literal.h"

extern char** environ;

namespace zorvel {
namespace {
using namespace literals;

const std::string kTool = std::string(ZORVEL_BINARY_DIR) + "/tools/zorvel-ini";

using test::ReadBytes;

using Outcome = test::ProgramOutcome;

// Runs the tool with args (the folder argument is where the tool's files are; the tool
// runs in the test's own working folder).
Outcome RunTool(const std::string&, const std::vector<std::string>& args) { return test::RunProgram(kTool, args); }

class ZorvelIni : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(access(kTool.c_str(), X_OK), 0) << "no tool at " << kTool; }
  test::TempFolder temp_{"zorvel-ini"};
  const std::string folder_ = temp_.path();
};

TEST_F(ZorvelIni, CommandsInSequence) {
  const std::string file = folder_ + "/config.a";
  struct Row {
    std::vector<std::string> args;  // FILE is put in place of "@"
    int status;
    std::string out;
    std::string errHas;                // a piece of stderr ("" for none at all)
    std::optional<std::string> bytes;  // the file afterwards, when checked
  } rows[] = {
      {{"get", "@", "zbt", "主标题", "购物有奖活动"}, 0, "购物有奖活动\n", "", std::nullopt},
      {{"set", "@", "zbt", "主标题", "新年抽奖"}, 0, "", "", "[zbt]\r\n主标题=新年抽奖\r\n"_gbk},
      {{"set", "@", "yanse", "主标题字体", "宋体"}, 0, "", "",
       "[zbt]\r\n主标题=新年抽奖\r\n[yanse]\r\n主标题字体=宋体\r\n"_gbk},
      {{"get", "@", "ZBT", "主标题"}, 0, "新年抽奖\n", "", std::nullopt},
      {{"get", "@", "zbt", "副标题", "默认  "}, 0, "默认\n", "", std::nullopt},
      {{"set", "@", "zbt", "乚", "trail"}, 0, "", "", std::nullopt},
      {{"get", "@", "zbt", "乚"}, 0, "trail\n", "", std::nullopt},
      {{"delete", "@", "zbt", "乚"}, 0, "", "", "[zbt]\r\n主标题=新年抽奖\r\n[yanse]\r\n主标题字体=宋体\r\n"_gbk},
      {{"delete", "@", "yanse"}, 0, "", "", "[zbt]\r\n主标题=新年抽奖\r\n"_gbk},
      {{"delete", "@", "nosuch", "k"}, 0, "", "", "[zbt]\r\n主标题=新年抽奖\r\n"_gbk},
      // Characters without a GBK code are written as the program's escapes and read back
      // as themselves (😀 is F8A8 FAD1 FAE5).
      {{"set", "@", "zbt", "主标题", "😀"}, 0, "", "", std::string("[zbt]\r\n主标题="_gbk) + "\xF8\xA8\xFA\xD1\xFA\xE5\r\n"},
      {{"get", "@", "zbt", "主标题"}, 0, "😀\n", "", std::nullopt},
      {{"get", "@", "zbt😀", "k", "ñ 한국"}, 0, "ñ 한국\n", "", std::nullopt},
      {{"set", "@", "zbt", "主标题", "新年抽奖"}, 0, "", "", "[zbt]\r\n主标题=新年抽奖\r\n"_gbk},
      // Wrong shapes.
      {{}, 2, "", "usage: zorvel-ini [--folder DIR] get", std::nullopt},
      {{"get", "@", "zbt"}, 2, "", "usage:", std::nullopt},
      {{"set", "@", "zbt", "k"}, 2, "", "usage:", std::nullopt},
      {{"delete", "@"}, 2, "", "usage:", std::nullopt},
      {{"remove", "@", "zbt"}, 2, "", "unknown command", std::nullopt},
      {{"set", "@", "", "k", "v"}, 2, "", "empty section name", std::nullopt},
      // An empty or blank name reads as the empty text, whatever the default, as the
      // program's own read answers; leading blanks are skipped before a name is looked up.
      {{"get", "@", "", "主标题", "默认"}, 0, "\n", "", std::nullopt},
      {{"get", "@", "zbt", " \t ", "默认"}, 0, "\n", "", std::nullopt},
      {{"get", "@", " \tzbt", " 主标题", "默认"}, 0, "新年抽奖\n", "", std::nullopt},
      {{"set", "@", "zbt", "k", "a\nb"}, 2, "", "line break in the value", "[zbt]\r\n主标题=新年抽奖\r\n"_gbk},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    std::vector<std::string> args = r.args;
    for (std::string& a : args) {
      if (a == "@") a = file;
    }
    const Outcome got = RunTool(folder_, args);
    EXPECT_EQ(got.status, r.status) << "row " << i << " stderr: " << got.err;
    EXPECT_EQ(got.out, r.out) << "row " << i;
    if (r.errHas.empty()) {
      EXPECT_EQ(got.err, "") << "row " << i;
    } else {
      EXPECT_NE(got.err.find(r.errHas), std::string::npos) << "row " << i << " stderr: " << got.err;
      EXPECT_EQ(got.err.find('\n'), got.err.size() - 1) << "row " << i << ": one line";
    }
    if (r.bytes) {
      EXPECT_EQ(ReadBytes(file), *r.bytes) << "row " << i;
    }
  }
}

TEST_F(ZorvelIni, FailedWriteExitsWithOne) {
  const Outcome got = RunTool(folder_, {"set", folder_ + "/missing/config.a", "zbt", "k", "v"});
  EXPECT_EQ(got.status, 1);
  EXPECT_NE(got.err.find("cannot write"), std::string::npos) << got.err;
  EXPECT_FALSE(std::filesystem::exists(folder_ + "/missing"));
}

TEST_F(ZorvelIni, PrintsGbkFileAsUtf8) {
  const std::string file = folder_ + "/jieguo.a";
  std::ofstream(file, std::ios::binary) << "[ zjjg ]\r\nj1 = \"3.7\"\r\n名称 = 一等奖\r\n"_gbk;
  EXPECT_EQ(RunTool(folder_, {"get", file, "zjjg", "j1"}).out, "3.7\n");
  EXPECT_EQ(RunTool(folder_, {"get", file, "zjjg", "名称"}).out, "一等奖\n");
  EXPECT_EQ(RunTool(folder_, {"get", folder_ + "/none.a", "zjjg", "j1", "0"}).out, "0\n") << "missing file";
}

// --folder DIR finds a relative FILE in the program folder DIR; an absolute FILE stays as
// it is; a folder that is not there, or none given, is bad usage.
TEST_F(ZorvelIni, FolderOptionNamesTheProgramFolder) {
  const std::string program = folder_ + "/用户";
  ASSERT_TRUE(std::filesystem::create_directory(program));
  Outcome got = RunTool(folder_, {"--folder", program, "set", "config.a", "zbt", "lx", "假"});
  EXPECT_EQ(got.status, 0) << got.err;
  EXPECT_EQ(ReadBytes(program + "/config.a"), "[zbt]\r\nlx=假\r\n"_gbk);
  got = RunTool(folder_, {"--folder=" + program, "get", "config.a", "zbt", "lx"});
  EXPECT_EQ(got.out, "假\n");
  got = RunTool(folder_, {"--folder", program, "set", folder_ + "/jieguo.a", "zjjg", "j1", "2"});
  EXPECT_EQ(got.status, 0) << got.err;
  EXPECT_EQ(ReadBytes(folder_ + "/jieguo.a"), "[zjjg]\r\nj1=2\r\n");
  EXPECT_FALSE(std::filesystem::exists(program + "/jieguo.a"));
  struct Row {
    std::vector<std::string> args;
    std::string errHas;
  };
  const Row rows[] = {
      {{"--folder"}, "--folder needs a folder"},
      {{"--folder", "", "get", "config.a", "zbt", "lx"}, "--folder needs a folder"},
      {{"--folder=", "get", "config.a", "zbt", "lx"}, "--folder needs a folder"},
      {{"--folder", folder_ + "/none", "get", "config.a", "zbt", "lx"}, "not a folder"},
      {{"--folder", program}, "usage:"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    got = RunTool(folder_, rows[i].args);
    EXPECT_EQ(got.status, 2) << "row " << i;
    EXPECT_NE(got.err.find(rows[i].errHas), std::string::npos) << "row " << i << " stderr: " << got.err;
  }
  EXPECT_FALSE(std::filesystem::exists(folder_ + "/none"));
}

}  // namespace
}  // namespace zorvel
