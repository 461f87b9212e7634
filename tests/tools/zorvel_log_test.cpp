// The zorvel-log tool, run as a program on program folders of its own: the odds against
// the draw's own pool builder, verify and head on a record and a ledger, the summary's
// CSV, the current folder as the default.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/draw/draw_record.h"
#include "app/draw/prize_pool.h"
#include "platform/profile/profile.h"
#include "runtime/program.h"
#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"
#include "text/gbk.h"

extern char** environ;

namespace zorvel {
namespace {

const std::string kTool = std::string(ZORVEL_BINARY_DIR) + "/tools/zorvel-log";

using Outcome = test::ProgramOutcome;

// Runs the tool with args in the working folder cwd.
Outcome RunLog(const std::string& cwd, const std::vector<std::string>& args) { return test::RunProgram(kTool, args, cwd); }

class ZorvelLog : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(access(kTool.c_str(), X_OK), 0) << "no tool at " << kTool; }
  void TearDown() override { SetRunDirectory(""); }
  void Set(const std::string& file, const std::string& section, const std::string& key, const std::string& value) {
    ASSERT_TRUE(profile::WriteString(folder_ + "/" + file, gbk::FromUtf8(section), gbk::FromUtf8(key),
                                     gbk::FromUtf8(value)));
  }
  test::TempFolder temp_{"zorvel-log"};
  const std::string folder_ = temp_.path();
};

TEST_F(ZorvelLog, TheOddsAreTheDrawsOwnPool) {
  const char* numerals[] = {"一", "二", "三", "四", "五", "六", "七", "八"};
  const struct {
    const char* name;
    std::vector<std::string> numbers;  // "一" … "八"; empty: none stored
    std::vector<std::string> won;      // j1 … j8; empty: no ledger
    const char* mode;                  // lx
    std::vector<std::uint64_t> tickets;
  } rows[] = {
      {"no settings at all", {}, {}, "", {0, 0, 0, 0, 0, 0, 0, 0}},
      {"by quantity, the wins taken off", {"1", "2", "4", "8", "10", "15", "20", "50"}, {"1", "1", "5", "", "abc", "0", "-3", "49"}, "假",
       {0, 1, 0, 8, 10, 15, 23, 1}},
      {"by quantity, negative and fractional", {"-2", "2.9", "0", "x", "3", "0", "0", "0"}, {}, "", {0, 2, 0, 0, 3, 0, 0, 0}},
      {"by probability, weights", {"1", "0", "-7", "1000", "3", "0", "0", "2"}, {"9", "9", "9", "9", "9", "9", "9", "9"}, "真",
       {1, 0, 0, 1000, 3, 0, 0, 2}},
      {"by probability without 一: the start-up defaults", {"", "5", "5", "5", "5", "5", "5", "5"}, {}, "真",
       {1, 2, 4, 8, 10, 15, 20, 50}},
  };
  for (const auto& r : rows) {
    std::filesystem::remove(folder_ + "/config.a");
    std::filesystem::remove(folder_ + "/jieguo.a");
    for (std::size_t n = 0; n < r.numbers.size(); ++n)
      if (!r.numbers[n].empty()) Set("config.a", "zbt", numerals[n], r.numbers[n]);
    for (std::size_t n = 0; n < r.won.size(); ++n)
      if (!r.won[n].empty()) Set("jieguo.a", "zjjg", "j" + std::to_string(n + 1), r.won[n]);
    if (*r.mode) Set("config.a", "zbt", "lx", r.mode);
    // The draw's own pool, built here on the same folder.
    SetRunDirectory(gbk::FromUtf8(folder_));
    draw::LevelCounts counts = draw::StartUpLevelCounts();
    const draw::PrizePool pool = draw::BuildPrizePool(counts);
    std::string expected = "level,tickets,chance %\n";
    for (int level = 1; level <= 8; ++level) {
      EXPECT_EQ(pool.TicketsOfLevel(level), r.tickets[level - 1]) << r.name << ", level " << level;
      char chance[32];
      std::snprintf(chance, sizeof chance, "%.4f",
                    pool.Tickets() > 0 ? 100.0 * pool.TicketsOfLevel(level) / pool.Tickets() : 0.0);
      expected += std::to_string(level) + "," + std::to_string(r.tickets[level - 1]) + "," + chance + "\n";
    }
    const Outcome csv = RunLog("/", {"odds", "--csv", "--folder", folder_});
    EXPECT_EQ(csv.status, 0) << r.name << csv.err;
    EXPECT_EQ(csv.out, expected) << r.name;
    const Outcome table = RunLog(folder_, {"odds"});  // the current folder
    EXPECT_EQ(table.status, 0) << r.name;
    EXPECT_NE(table.out.find(r.mode == std::string("真") ? "by probability" : "by quantity"), std::string::npos)
        << table.out;
  }
}

TEST_F(ZorvelLog, VerifyHeadAndSummaryOnARecord) {
  const std::string path = folder_ + "/" + record::kFileName;
  const std::array<double, 8> zero{};
  ASSERT_EQ(record::Append(path, "start", record::Fields().Add("ledger", std::span<const double>(zero))), "");
  for (int i = 1; i <= 3; ++i)
    ASSERT_EQ(record::Append(path, "draw",
                             record::Fields()
                                 .Add("counts", std::span<const std::int32_t>(std::array<std::int32_t, 8>{0, 0, 0, 9}))
                                 .Add("level", 4)
                                 .Add("ledger", i)),
              "");
  Set("jieguo.a", "zjjg", "j4", "3");
  const std::string lastTime = record::ParseLine(*record::LastLine(path)).time;

  Outcome verify = RunLog("/", {"verify", "--folder", folder_});
  EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
  const std::string firstTime = record::ParseLine(test::ReadBytes(path).substr(0, test::ReadBytes(path).find('\n'))).time;
  EXPECT_EQ(verify.out, "ok, 4 entries, 3 draws since " + firstTime + "\n");

  const Outcome head = RunLog(folder_, {"head"});
  EXPECT_EQ(head.status, 0);
  const std::string hash = record::Sha256Hex(*record::LastLine(path));
  EXPECT_EQ(head.out, "head " + hash + "\nentry 4, " + lastTime + "\n");
  EXPECT_EQ(RunLog(folder_, {"verify", "--head", hash}).status, 0);
  const Outcome wrongHead = RunLog(folder_, {"verify", "--head", std::string(64, 'a')});
  EXPECT_EQ(wrongHead.status, 1);
  EXPECT_NE(wrongHead.out.find("no entry has the head"), std::string::npos) << wrongHead.out;

  const Outcome csv = RunLog(folder_, {"summary", "--csv"});
  EXPECT_EQ(csv.status, 0);
  EXPECT_EQ(csv.out, "hour,draws,level 1,level 2,level 3,level 4,level 5,level 6,level 7,level 8\n" +
                         firstTime.substr(0, 13) + ",3,0,0,0,3,0,0,0,0\nall,3,0,0,0,3,0,0,0,0\n" +
                         "expected,3,0.000,0.000,0.000,3.000,0.000,0.000,0.000,0.000\n");

  // The ledger edited by hand.
  Set("jieguo.a", "zjjg", "j4", "4");
  verify = RunLog(folder_, {"verify"});
  EXPECT_EQ(verify.status, 1);
  EXPECT_EQ(verify.out, "ledger differs: jieguo.a holds level 4: 4 (the record gives 3)\n");

  EXPECT_EQ(RunLog(folder_, {"summary", "--since", "not a time"}).status, 2);
  EXPECT_EQ(RunLog(folder_, {"odds", "--head", hash}).status, 2);
  EXPECT_EQ(RunLog(folder_, {"verify", "--folder", folder_ + "/missing"}).status, 2);
  EXPECT_EQ(RunLog(folder_, {}).status, 2);
}

}  // namespace
}  // namespace zorvel
