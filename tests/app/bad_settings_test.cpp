// The program on settings and ledger files nobody would write by hand: random bytes,
// numbers beyond every range, negative counts, ten megabytes of lines or one line of ten
// megabytes. Each row starts the real program on a scratch folder holding the files, lets
// the draw hook smash three eggs and waits (at most 60 s) for its orderly end. It must
// draw, or refuse with its own message, and never crash, hang or lose a count the ledger
// held before.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/profile/profile.h"
#include "tests/support/temp_folder.h"
#include "text/gbk_literal.h"
#include "tools/reliability.h"

namespace zorvel::app {
namespace {

using namespace literals;
using namespace std::chrono_literals;

constexpr long kDraws = 3;
constexpr std::size_t kTenMegabytes = 10u << 20;

// Bytes of a fixed seed: the same file on every run.
std::string RandomBytes(std::uint32_t seed, std::size_t size = 64u << 10) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(generator() & 0xFF);
  return bytes;
}

// Prize settings that draw by probability with only the first prize possible: every draw
// is a first prize, so the ledger's j1 counts them all.
std::string FirstPrizeOnly() {
  return std::string("[zbt]\r\nlx=真\r\n一=1\r\n二=0\r\n三=0\r\n四=0\r\n五=0\r\n六=0\r\n七=0\r\n八=0\r\n"_gbk);
}

// Many sections of a few keys each, about ten megabytes, before the text that follows.
std::string TenMegabytesOfLines(const std::string& after) {
  std::string text;
  text.reserve(kTenMegabytes + after.size() + 64);
  for (int section = 0; text.size() < kTenMegabytes; ++section) {
    text += "[s" + std::to_string(section) + "]\r\n";
    for (int key = 0; key < 8; ++key) text += "k" + std::to_string(key) + "=value of some length\r\n";
  }
  return text + after;
}

const char* const kEmptyPoolMessage = "zorvel: message box: Zorvel信息提示: 1．如果是第一次运行程序";

struct Row {
  const char* what;
  std::optional<std::string> config, ledger;  // the files' bytes (none: no file)
  std::vector<std::string> kinds;             // the record's entries between start and end
  // [zjjg] keys and their texts afterwards, when the row knows them.
  std::vector<std::pair<std::string, std::string>> ledgerAfter = {};
  // The earlier ledger is still the start of the file, byte for byte.
  bool ledgerKept = false;
  // The whole ledger afterwards, when the row knows it.
  std::optional<std::string> ledgerBytes = std::nullopt;
};

std::vector<std::string> Times(int n, const char* kind) { return std::vector<std::string>(n, kind); }

TEST(BadSettings, TheProgramDrawsOrRefusesAndEndsInOrder) {
  const std::string garbageLedger =
      "[zjjg]\r\nj1=7\r\n\x01\x02\xFF\xFE no key here\r\nj2=abc\r\n=\r\nj3=2 apples\r\n\r\n; j4=9\r\n"
      "[zjjg\r\n";
  std::string garbageCounted = garbageLedger;
  garbageCounted.replace(garbageCounted.find("j1=7"), 4, "j1=10");
  const Row rows[] = {
      // Random bytes hold no prize settings: quantity mode with no prizes left, so every
      // egg answers with the empty pool's message.
      {"config.a of random bytes", RandomBytes(1), std::nullopt, Times(kDraws, "empty"), {}, false},
      {"jieguo.a of random bytes", FirstPrizeOnly(), RandomBytes(2), Times(kDraws, "draw"), {{"j1", "3"}}, true},
      {"both of random bytes", RandomBytes(3), RandomBytes(4), Times(kDraws, "empty"), {}, true},
      {"huge numbers in config.a",
       std::string("[zbt]\r\n一=99999999999999999999\r\n二=2147483648\r\n三=9223372036854775808\r\n四=1e308\r\n"
                   "五=1e309\r\n六=-1e308\r\n七=18446744073709551616\r\n八=4294967296\r\n"
                   "金蛋个数=99999999999999999999\r\n主标题左边=1e308\r\n主标题顶边=-99999999999999999999\r\n"
                   "副标题左边=2147483648\r\nd1左边=9223372036854775808\r\nd1顶边=1e308\r\nd2左边=-1e308\r\n"
                   "[yanse]\r\n主标题字体=宋体\r\n主标题字体大小=1e308\r\n主标题字体颜色=99999999999999999999\r\n"
                   "副标题字体大小=2147483648\r\n副标题字体颜色=-9223372036854775809\r\n"_gbk),
       std::nullopt, Times(kDraws, "draw"), {}, false},
      // Wins beyond every count leave nothing to draw in quantity mode.
      {"huge numbers in jieguo.a",
       std::string("[zbt]\r\n一=1\r\n二=1\r\n三=1\r\n四=1\r\n五=1\r\n六=1\r\n七=1\r\n八=1\r\n"_gbk),
       "[zjjg]\r\nj1=99999999999999999999\r\nj2=2147483648\r\nj3=9223372036854775808\r\nj4=1e308\r\nj5=1e309\r\n"
       "j6=4294967296\r\nj7=2147483647\r\nj8=18446744073709551616\r\n",
       Times(kDraws, "empty"), {{"j1", "99999999999999999999"}, {"j5", "1e309"}}, true},
      // Counts beyond what the ledger's numbers hold exactly, at the level drawn: the draws
      // go on and every other line stays (the count itself is as far as the numbers reach).
      {"huge counts at the level drawn", FirstPrizeOnly(),
       "[zjjg]\r\nj1=99999999999999999999\r\nj2=1e309\r\nj3=-1e309\r\n", Times(kDraws, "draw"),
       {{"j2", "1e309"}, {"j3", "-1e309"}}, false},
      // Negative counts are no prizes; the one positive level is drawn.
      {"negative numbers in config.a",
       std::string("[zbt]\r\n一=-1\r\n二=5\r\n三=-2147483649\r\n四=-1e308\r\n五=-0.5\r\n六=-3\r\n七=-99999999999999999999\r\n"
                   "八=-7\r\n金蛋个数=-3\r\nd1左边=-40\r\nd1顶边=-2147483649\r\n"_gbk),
       std::nullopt, Times(kDraws, "draw"), {{"j2", "3"}}},
      // A negative win count gives prizes back: two first prizes, then none left.
      {"negative numbers in jieguo.a", std::string("[zbt]\r\n一=0\r\n"_gbk), "[zjjg]\r\nj1=-2\r\n",
       {"draw", "draw", "empty"}, {{"j1", "0"}}},
      {"10 MB of lines in config.a", TenMegabytesOfLines(FirstPrizeOnly()), std::nullopt, Times(kDraws, "draw"),
       {{"j1", "3"}}},
      {"10 MB of lines in jieguo.a", FirstPrizeOnly(), TenMegabytesOfLines("[zjjg]\r\nj1=4\r\n"), Times(kDraws, "draw"),
       {{"j1", "7"}}},
      {"one 10 MB line in config.a", FirstPrizeOnly() + "主标题="_gbk + std::string(kTenMegabytes, 'x'), std::nullopt,
       Times(kDraws, "draw"), {{"j1", "3"}}},
      {"one 10 MB line in jieguo.a", FirstPrizeOnly(), std::string(kTenMegabytes, 'z'), Times(kDraws, "draw"),
       {{"j1", "3"}}, true},
      // Garbage around earlier counts: the counts go on from where they were and every
      // other line stays as it was.
      {"garbage around the ledger's counts", FirstPrizeOnly(), garbageLedger, Times(kDraws, "draw"),
       {{"j1", "10"}, {"j2", "abc"}, {"j3", "2 apples"}}, false, garbageCounted},
  };
  const std::string program = ZORVEL_PROGRAM;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE(testing::Message() << "row " << i << ": " << r.what);
    const test::TempFolder temp("zorvel-bad-settings");
    const std::filesystem::path folder = temp / "folder", cache = temp / "cache", output = temp / "output";
    std::filesystem::create_directory(folder);
    if (r.config) {
      ASSERT_TRUE(test::WriteBytes(folder / "config.a", *r.config));
    }
    if (r.ledger) {
      ASSERT_TRUE(test::WriteBytes(folder / "jieguo.a", *r.ledger));
    }

    const pid_t pid = reliability::StartProgram(program, folder, cache, kDraws, false, output);
    ASSERT_GT(pid, 0);
    const std::optional<int> status = reliability::WaitFor(pid, 60s);
    const std::string said = reliability::ReadAll(output);
    ASSERT_TRUE(status.has_value()) << "still running after 60 s; it said: " << said;
    EXPECT_EQ(*status, 0) << said;

    std::vector<std::string> kinds = {"start"};
    kinds.insert(kinds.end(), r.kinds.begin(), r.kinds.end());
    kinds.push_back("end");
    EXPECT_EQ(reliability::RecordKinds(folder / "draws.log"), kinds);
    const bool refused = std::find(r.kinds.begin(), r.kinds.end(), "empty") != r.kinds.end();
    EXPECT_EQ(said.find(kEmptyPoolMessage) != std::string::npos, refused) << said;

    const std::string ledger = test::ReadBytes(folder / "jieguo.a");
    for (const auto& [key, text] : r.ledgerAfter)
      EXPECT_EQ(profile::ReadFromContents(ledger, "zjjg", key, "(none)"), text) << key;
    if (r.ledgerKept) {
      EXPECT_EQ(ledger.substr(0, r.ledger->size()), *r.ledger) << "the earlier ledger was changed";
    }
    if (r.ledgerBytes) {
      EXPECT_EQ(ledger, *r.ledgerBytes);
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "jieguo.a.tmp"));
    EXPECT_FALSE(std::filesystem::exists(folder / "config.a.tmp"));
  }
}

}  // namespace
}  // namespace zorvel::app
