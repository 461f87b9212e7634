#include "app/draw/prize_pool.h"

#include <cmath>
#include <limits>

#include "runtime/commands.h"
#include "runtime/random.h"
#include "store/store.h"

namespace zorvel::draw {

std::int32_t CountFromNumber(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
  constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
  if (value >= kHighest) return std::numeric_limits<std::int32_t>::max();
  if (value <= kLowest) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(std::trunc(value));
}

PrizePool::PrizePool(const LevelCounts& counts) {
  std::uint64_t total = 0;
  for (int n = 0; n < kLevels; ++n) {
    if (counts[n] > 0) total += static_cast<std::uint64_t>(counts[n]);
    upTo_[n] = total;
  }
}

int PrizePool::LevelOfTicket(std::uint64_t ticket) const {
  if (ticket < 1 || ticket > Tickets()) return 0;
  for (int n = 0; n < kLevels; ++n)
    if (ticket <= upTo_[n]) return n + 1;
  return 0;
}

std::uint64_t PrizePool::TicketsOfLevel(int level) const {
  if (level < 1 || level > kLevels) return 0;
  return upTo_[level - 1] - (level > 1 ? upTo_[level - 2] : 0);
}

std::uint64_t DrawTicket(std::uint64_t tickets) {
  if (tickets == 0) return 0;
  constexpr std::uint64_t kCommandRange = std::numeric_limits<std::int32_t>::max();
  if (tickets <= kCommandRange)
    return static_cast<std::uint64_t>(Call(cmd::RandomNumber, 1, static_cast<std::int32_t>(tickets)).integer());
  return 1 + UniformBelow(ProgramRandom(), tickets);
}

DrawMode ReadDrawMode() {
  return store::ReadConfig(store::kMainSection, store::kDrawByProbability) == store::kTrue ? DrawMode::kByProbability
                                                                                          : DrawMode::kByQuantity;
}

LevelCounts& ProgramLevelCounts() {
  static LevelCounts counts{};
  return counts;
}

LevelCounts StartUpLevelCounts() {
  LevelCounts counts;
  if (store::ReadConfig(store::kMainSection, store::PrizeQuantityKey(1)).empty()) {
    for (int n = 0; n < kLevels; ++n) counts[n] = store::kDefaultPrizeQuantities[n];
    return counts;
  }
  for (int n = 1; n <= kLevels; ++n)
    counts[n - 1] = CountFromNumber(store::Number(store::ReadConfig(store::kMainSection, store::PrizeQuantityKey(n))));
  return counts;
}

std::int32_t RemainingCount(double configured, double won) { return CountFromNumber(configured - won); }

PrizePool BuildPrizePool(LevelCounts& counts) {
  if (ReadDrawMode() == DrawMode::kByQuantity) {
    for (int n = 1; n <= kLevels; ++n) {
      const double configured = store::Number(store::ReadConfig(store::kMainSection, store::PrizeQuantityKey(n)));
      const double won = store::Number(store::ReadWinCount(n));
      counts[n - 1] = RemainingCount(configured, won);
    }
  }
  return PrizePool(counts);
}

}  // namespace zorvel::draw
