// The prize pool of a draw: the eight level counts it is built from, the tickets it
// holds and the ticket that picks a prize level. No window system here, so the tools
// that print the odds use the very functions the draw uses.
//
// The pool holds level N exactly count_N times, levels in ascending order (all 1s, then
// all 2s, …); a count of zero or less holds nothing. It is kept as the running totals of
// the counts, not one entry per ticket, so a weight of two thousand million costs no
// more memory than a weight of one, and the ticket → level mapping is the same.
#pragma once

#include <array>
#include <cstdint>

namespace zorvel::draw {

inline constexpr int kLevels = 8;

// Element N − 1 is the count of prize level N.
using LevelCounts = std::array<std::int32_t, kLevels>;

// A number read from the settings as a level count: truncated toward zero; a value of
// 2^31 or more counts as 2^31 − 1 (not as a negative count that would silently disable
// its level), one below −2^31 as −2^31, and a value that is not a number as 0.
std::int32_t CountFromNumber(double value);

class PrizePool {
 public:
  PrizePool() = default;
  explicit PrizePool(const LevelCounts& counts);

  // The number of tickets: the sum of the positive counts (at most 8 × (2^31 − 1)).
  std::uint64_t Tickets() const { return upTo_[kLevels - 1]; }
  // The level of ticket 1 … Tickets(); 0 for a ticket outside the pool.
  int LevelOfTicket(std::uint64_t ticket) const;
  // How many tickets of the pool carry the level (0 for a level outside 1 … 8).
  std::uint64_t TicketsOfLevel(int level) const;

 private:
  // upTo_[N − 1]: the tickets of levels 1 … N together.
  std::array<std::uint64_t, kLevels> upTo_{};
};

// Draws a ticket of 1 … tickets, every ticket equally likely, from the program's random
// generator: through the random-number command while the pool fits its 32-bit range,
// and by the same uniform draw widened to 64 bits beyond it. 0 for an empty pool.
std::uint64_t DrawTicket(std::uint64_t tickets);

// The draw mode stored as "lx": by probability when it is exactly "真".
enum class DrawMode { kByQuantity, kByProbability };
DrawMode ReadDrawMode();

// The level counts the program keeps while it runs: set at start-up, when the prize
// settings are confirmed, and by every draw by quantity (the remaining counts).
LevelCounts& ProgramLevelCounts();

// What start-up puts into the level counts: the eight settings "一" … "八" when "一" is
// set, else 1, 2, 4, 8, 10, 15, 20, 50.
LevelCounts StartUpLevelCounts();

// The remaining count of a level drawn by quantity: configured minus won.
std::int32_t RemainingCount(double configured, double won);

// The pool builder of every draw: by quantity it first sets each level count to what
// remains of the configured quantity after the wins in the ledger (levels 1 … 8 in
// order); by probability it leaves the counts as they are. Then the pool is made from
// the counts.
PrizePool BuildPrizePool(LevelCounts& counts);

}  // namespace zorvel::draw
