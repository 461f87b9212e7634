// Settings files edited by hand: whatever config.a and jieguo.a hold, the pool builder
// makes a pool whose tickets are exactly the positive counts, every ticket maps to a level
// in ascending order, and a drawn ticket lies in the pool.
//
// The input is split at its first 0xFF byte: config.a before it, jieguo.a after.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/draw/prize_pool.h"
#include "runtime/program.h"
#include "runtime/random.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

const std::string& Folder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/zorvel-pool-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    Check(made != nullptr);
    zorvel::SetRunDirectory(made);
    return std::string(made);
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\xFF');
  std::ofstream(Folder() + "/config.a", std::ios::binary | std::ios::trunc) << input.substr(0, split);
  std::ofstream(Folder() + "/jieguo.a", std::ios::binary | std::ios::trunc)
      << (split == std::string::npos ? std::string() : input.substr(split + 1));

  zorvel::draw::LevelCounts counts = zorvel::draw::StartUpLevelCounts();
  const zorvel::draw::PrizePool pool = zorvel::draw::BuildPrizePool(counts);
  std::uint64_t sum = 0;
  for (int level = 1; level <= zorvel::draw::kLevels; ++level) {
    const std::int32_t c = counts[level - 1];
    Check(pool.TicketsOfLevel(level) == (c > 0 ? static_cast<std::uint64_t>(c) : 0));
    sum += pool.TicketsOfLevel(level);
  }
  Check(pool.Tickets() == sum);
  Check(pool.LevelOfTicket(0) == 0 && pool.LevelOfTicket(sum + 1) == 0);
  if (sum == 0) return 0;
  Check(pool.LevelOfTicket(1) >= 1 && pool.LevelOfTicket(sum) <= zorvel::draw::kLevels);
  Check(pool.LevelOfTicket(1) <= pool.LevelOfTicket(sum));
  zorvel::ProgramRandom().Seed(static_cast<std::uint32_t>(size));
  const std::uint64_t ticket = zorvel::draw::DrawTicket(sum);
  Check(ticket >= 1 && ticket <= sum);
  const int level = pool.LevelOfTicket(ticket);
  Check(level >= 1 && counts[level - 1] > 0);
  return 0;
}
