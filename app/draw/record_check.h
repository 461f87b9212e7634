// Checking a draw record and counting its draws: the chain and the sequence numbers,
// the ledger each run started from against what the record left, the ledger now against
// the draws recorded, and the wins per level and per hour against the odds each draw
// was made with. What zorvel-log prints; no window system.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvel::record {

// The eight win counts of jieguo.a as numbers (element N − 1: level N).
using Ledger = std::array<double, 8>;

struct Break {
  std::size_t line = 0;  // 1-based; 0 for the ledger file itself
  std::string what;
};

struct Verdict {
  std::vector<Break> breaks;
  std::size_t entries = 0;
  std::size_t draws = 0;        // draw entries not taken back by an interrupted entry
  std::string firstTime;        // of the first entry
  std::string headHash;         // SHA-256 of the last line
  std::int64_t headSeq = 0;
  bool ok() const { return breaks.empty(); }
};

// Checks every line of the record: one entry per line, each "prev" the hash of the line
// before, sequence numbers one up from the line before (from 1), every start's ledger
// equal to what the entries before it left, every clear's values before equal to them
// too, every draw's ledger value one up from them; then, when the ledger is given, that
// it equals what the record leaves. With a head hash: that some entry has exactly that
// hash, so the history up to it is still in the record.
Verdict Verify(std::string_view record, const std::optional<Ledger>& ledger, std::string_view head = {});

// The draws of a record from a time on, counted per level and per hour, with what the
// odds of each draw lead one to expect.
struct HourCount {
  std::string hour;  // "2026-05-01T14"
  std::size_t draws = 0;
  std::array<std::size_t, 8> wins{};
};
struct Summary {
  std::size_t draws = 0;
  std::array<std::size_t, 8> wins{};
  std::array<double, 8> expected{};  // the sum over the draws of each draw's own chance
  std::vector<HourCount> hours;      // in order of time
  double chiSquare = 0;              // over the levels expected at least a little
  int degreesOfFreedom = 0;
  double pValue = 1;                 // chance of a χ² this large by luck alone
  std::string firstTime, lastTime;
};
// Draws before since (ISO 8601; without an offset: local time) are left out; an empty
// since takes them all. False when since is not a time.
bool Summarize(std::string_view record, std::string_view since, Summary* summary);

// P(χ² ≥ x) for k degrees of freedom.
double ChiSquareTail(double x, int k);

}  // namespace zorvel::record
