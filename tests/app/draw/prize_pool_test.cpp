// The prize pool and the ticket pick, without windows: the tickets of every count, the
// pool builder on real settings files, and the odds the draws come out with.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>

#include "app/draw/prize_pool.h"
#include "platform/profile/profile.h"
#include "runtime/commands.h"
#include "text/gbk.h"
#include "runtime/program.h"
#include "runtime/random.h"
#include "tests/support/temp_folder.h"

namespace zorvel::draw {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(PrizePool, TicketsRunThroughTheLevelsInAscendingOrder) {
  const struct {
    LevelCounts counts;
    std::uint64_t tickets;
    std::vector<std::pair<std::uint64_t, int>> ticketLevels;  // ticket → level
  } rows[] = {
      {{1, 2, 4, 8, 10, 15, 20, 50}, 110, {{1, 1}, {2, 2}, {3, 2}, {4, 3}, {7, 3}, {8, 4}, {60, 7}, {61, 8}, {110, 8}, {111, 0}, {0, 0}}},
      {{0, 0, 3, 0, 0, 0, 0, 0}, 3, {{1, 3}, {3, 3}, {4, 0}}},
      {{-5, 2, 0, -1, 1, 0, 0, 0}, 3, {{1, 2}, {2, 2}, {3, 5}}},
      {{0, 0, 0, 0, 0, 0, 0, 0}, 0, {{1, 0}}},
      {{kMax, kMax, kMax, kMax, kMax, kMax, kMax, kMax},
       8ull * kMax,
       {{1, 1}, {static_cast<std::uint64_t>(kMax), 1}, {kMax + 1ull, 2}, {8ull * kMax, 8}, {7ull * kMax + 1, 8}}},
  };
  int row = 0;
  for (const auto& r : rows) {
    ++row;
    const PrizePool pool(r.counts);
    EXPECT_EQ(pool.Tickets(), r.tickets) << "row " << row;
    for (const auto& [ticket, level] : r.ticketLevels)
      EXPECT_EQ(pool.LevelOfTicket(ticket), level) << "row " << row << ", ticket " << ticket;
    std::uint64_t sum = 0;
    for (int level = 1; level <= 8; ++level) {
      const std::int32_t c = r.counts[level - 1];
      EXPECT_EQ(pool.TicketsOfLevel(level), c > 0 ? static_cast<std::uint64_t>(c) : 0u) << "row " << row;
      sum += pool.TicketsOfLevel(level);
    }
    EXPECT_EQ(sum, r.tickets) << "row " << row;
  }
}

TEST(PrizePool, SettingsBecomeCountsByTruncationWithoutWrappingAround) {
  const struct {
    double value;
    std::int32_t count;
  } rows[] = {{2.9, 2},       {-2.9, -2},         {0, 0},          {2147483647.0, kMax}, {2147483648.0, kMax},
              {3e9, kMax},    {1e300, kMax},      {-3e9, -kMax - 1}, {std::numeric_limits<double>::quiet_NaN(), 0},
              {-0.5, 0},      {2147483646.9, 2147483646}};
  for (const auto& r : rows) EXPECT_EQ(CountFromNumber(r.value), r.count) << r.value;
  EXPECT_EQ(RemainingCount(1, 1), 0);
  EXPECT_EQ(RemainingCount(3, 5), -2);
  EXPECT_EQ(RemainingCount(3e9, 1), kMax);
}

class PoolFiles : public ::testing::Test {
 protected:
  void SetUp() override { SetRunDirectory(gbk::FromUtf8(folder_.path())); }
  void TearDown() override {
    SetRunDirectory("");
    SetTickSource(nullptr);
  }
  void Set(const char* file, const char* section, const std::string& key, const std::string& value) {
    ASSERT_TRUE(profile::WriteString(folder_ / file, section, gbk::FromUtf8(key), gbk::FromUtf8(value)));
  }
  void SetLevels(const std::array<const char*, 8>& values) {
    const char* numerals[] = {"一", "二", "三", "四", "五", "六", "七", "八"};
    for (int n = 0; n < 8; ++n) Set("config.a", "zbt", numerals[n], values[n]);
  }
  zorvel::test::TempFolder folder_;
};

TEST_F(PoolFiles, ByQuantityTheCountsAreWhatIsLeftOfEachPrize) {
  SetLevels({"1", "2.9", "3", "abc", "", "-4", "3000000000", "0"});
  Set("jieguo.a", "zjjg", "j1", "1");
  Set("jieguo.a", "zjjg", "j3", "5");  // more won than configured: nothing, no error
  Set("jieguo.a", "zjjg", "j7", "1.5");
  LevelCounts counts{9, 9, 9, 9, 9, 9, 9, 9};
  const PrizePool pool = BuildPrizePool(counts);
  EXPECT_EQ(counts, (LevelCounts{0, 2, -2, 0, 0, -4, kMax, 0}));
  EXPECT_EQ(pool.Tickets(), 2u + kMax);
  EXPECT_EQ(pool.TicketsOfLevel(1), 0u);
  EXPECT_EQ(pool.TicketsOfLevel(3), 0u);
}

TEST_F(PoolFiles, ByProbabilityTheCountsInMemoryAreUsedAsTheyStand) {
  SetLevels({"5", "5", "5", "5", "5", "5", "5", "5"});
  Set("config.a", "zbt", "lx", "真");
  LevelCounts counts{1, 0, 0, 0, 0, 0, 0, 7};
  const PrizePool pool = BuildPrizePool(counts);
  EXPECT_EQ(counts, (LevelCounts{1, 0, 0, 0, 0, 0, 0, 7}));
  EXPECT_EQ(pool.Tickets(), 8u);
  // Anything but exactly "真" is the quantity mode.
  for (const char* mode : {"假", "", "true", "真 真"}) {
    Set("config.a", "zbt", "lx", mode);
    EXPECT_EQ(ReadDrawMode(), DrawMode::kByQuantity) << mode;
  }
}

TEST_F(PoolFiles, StartUpCountsComeFromTheSettingsOnlyWhenTheFirstIsSet) {
  EXPECT_EQ(StartUpLevelCounts(), (LevelCounts{1, 2, 4, 8, 10, 15, 20, 50}));
  SetLevels({"", "7", "7", "7", "7", "7", "7", "7"});
  EXPECT_EQ(StartUpLevelCounts(), (LevelCounts{1, 2, 4, 8, 10, 15, 20, 50}));
  SetLevels({"0", "7.5", "", "x", "-1", "1e3", "2", "3"});
  EXPECT_EQ(StartUpLevelCounts(), (LevelCounts{0, 7, 0, 0, -1, 1000, 2, 3}));
}

std::uint32_t g_ticks = 0;
std::uint32_t TestTicks() { return g_ticks += 17; }

// χ² of observed counts against expected shares; 7 degrees of freedom.
double ChiSquare(const std::array<double, 8>& observed, const std::array<double, 8>& expected) {
  double chi = 0;
  for (int i = 0; i < 8; ++i) chi += (observed[i] - expected[i]) * (observed[i] - expected[i]) / expected[i];
  return chi;
}
constexpr double kChiSquare7At999 = 24.322;  // the 0.999 quantile with 7 degrees of freedom

TEST_F(PoolFiles, DrawsFollowTheWeightsReseededFromTheTickCountEveryTime) {
  Set("config.a", "zbt", "lx", "真");
  SetTickSource(TestTicks);
  const LevelCounts weights{1, 2, 4, 8, 10, 15, 20, 50};
  constexpr int kDraws = 20000;
  std::array<double, 8> observed{};
  for (int i = 0; i < kDraws; ++i) {
    Call(cmd::SeedRandom);  // as every draw does: a seed from the tick count
    LevelCounts counts = weights;
    const PrizePool pool = BuildPrizePool(counts);
    const int level = pool.LevelOfTicket(DrawTicket(pool.Tickets()));
    ASSERT_GE(level, 1);
    observed[level - 1] += 1;
  }
  std::array<double, 8> expected{};
  for (int n = 0; n < 8; ++n) expected[n] = kDraws * weights[n] / 110.0;
  EXPECT_LT(ChiSquare(observed, expected), kChiSquare7At999);
}

TEST(DrawTicket, EveryTicketOfAPoolBeyond32BitsCanBeDrawn) {
  ProgramRandom().Seed(12345);
  const PrizePool pool(LevelCounts{kMax, kMax, kMax, kMax, kMax, kMax, kMax, kMax});
  constexpr int kDraws = 16000;
  std::array<double, 8> observed{};
  for (int i = 0; i < kDraws; ++i) {
    const std::uint64_t ticket = DrawTicket(pool.Tickets());
    ASSERT_GE(ticket, 1u);
    ASSERT_LE(ticket, pool.Tickets());
    observed[pool.LevelOfTicket(ticket) - 1] += 1;
  }
  std::array<double, 8> expected;
  expected.fill(kDraws / 8.0);
  EXPECT_LT(ChiSquare(observed, expected), kChiSquare7At999);
  EXPECT_EQ(DrawTicket(0), 0u);
  EXPECT_EQ(DrawTicket(1), 1u);
}

TEST(DrawTicket, WithinTheCommandsRangeTheRandomNumberCommandDrawsIt) {
  // The same seed gives the same ticket through the command as through the draw.
  for (const std::uint64_t n : {2ull, 110ull, 32768ull, 40000ull, 2147483647ull}) {
    ProgramRandom().Seed(99);
    const std::int32_t byCommand = Call(cmd::RandomNumber, 1, static_cast<std::int32_t>(n)).integer();
    ProgramRandom().Seed(99);
    EXPECT_EQ(DrawTicket(n), static_cast<std::uint64_t>(byCommand)) << n;
  }
  // Past 32768 tickets the last ones come up too (the highest levels of the pool).
  ProgramRandom().Seed(7);
  std::uint64_t highest = 0;
  for (int i = 0; i < 2000; ++i) highest = std::max(highest, DrawTicket(40000));
  EXPECT_GT(highest, 39000u);
}

}  // namespace
}  // namespace zorvel::draw
