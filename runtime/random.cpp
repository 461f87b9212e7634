#include "runtime/random.h"

#include <sys/random.h>

#include <chrono>
#include <utility>

#include "runtime/commands.h"
#include "runtime/program.h"

namespace zorvel {

CrtRandom& ProgramRandom() {
  static CrtRandom generator;
  return generator;
}

std::uint64_t UniformBelow(CrtRandom& generator, std::uint64_t count) {
  if (count <= 1) return 0;
  constexpr std::uint64_t kLargest = std::uint64_t{1} << 60;
  if (count > kLargest) count = kLargest;
  // Draw enough 15-bit outputs to cover the count, then reject the values at the top
  // that would make the lower values more likely than the higher ones.
  int outputs = 1;
  while (outputs < 4 && (std::uint64_t{1} << (15 * outputs)) < count) ++outputs;
  const std::uint64_t span = std::uint64_t{1} << (15 * outputs);
  const std::uint64_t limit = span - span % count;
  for (;;) {
    std::uint64_t r = 0;
    for (int i = 0; i < outputs; ++i) r = r << 15 | static_cast<std::uint64_t>(generator.Next());
    if (r < limit) return r % count;
  }
}

namespace {

// 32 bits the system draws from its entropy pool; the high-resolution clock where the
// pool cannot be read.
std::uint32_t EntropyWord() {
  std::uint32_t word = 0;
  if (getrandom(&word, sizeof word, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof word)) return word;
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return static_cast<std::uint32_t>(now ^ (now >> 32));
}

}  // namespace

std::uint32_t NextAutomaticSeed() {
  static std::uint32_t counter = 0;
  const std::uint32_t seed = TickCount() + counter;
  counter += (seed & 0xFF) + 100;
  return seed ^ EntropyWord();
}

namespace cmd {

void SeedRandom(TypedValue*, int argc, const TypedValue* args) {
  const Arguments a(argc, args);
  ProgramRandom().Seed(a.present(0) ? static_cast<std::uint32_t>(a.integer(0)) : NextAutomaticSeed());
}

void RandomNumber(TypedValue* result, int argc, const TypedValue* args) {
  const Arguments a(argc, args);
  std::int64_t low = a.present(0) ? a.integer(0) : 0;
  std::int64_t high = a.present(1) ? a.integer(1) : 0x7FFFFFFF;
  if (low < 0) low = 0;
  if (high < 0) high = 0;
  if (low > high) std::swap(low, high);
  if (low == high) {
    *result = TypedValue::Integer(static_cast<std::int32_t>(low));
    return;
  }
  const auto count = static_cast<std::uint64_t>(high - low) + 1;
  *result = TypedValue::Integer(static_cast<std::int32_t>(low + UniformBelow(ProgramRandom(), count)));
}

}  // namespace cmd
}  // namespace zorvel
