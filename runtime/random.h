// The program's random numbers: the C runtime's 15-bit linear congruential generator,
// which the seed command seeds and the random-number command draws from.
#pragma once

#include <cstdint>

namespace zorvel {

class CrtRandom {
 public:
  explicit CrtRandom(std::uint32_t seed = 1) : state_(seed) {}
  void Seed(std::uint32_t seed) { state_ = seed; }
  // state := state * 214013 + 2531011 (mod 2^32); the output is bits 16..30.
  int Next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>(state_ >> 16 & 0x7FFF);
  }

 private:
  std::uint32_t state_;
};

// The generator the commands use; starts seeded with 1, as the C runtime does.
CrtRandom& ProgramRandom();

// A value of [0, count) with every value equally likely, for count from 1 to 2^60
// (a larger count is taken as 2^60): as many 15-bit outputs as the count needs, the
// uneven top of the range rejected.
std::uint64_t UniformBelow(CrtRandom& generator, std::uint64_t count);

// The seed the seed command takes when it is given none: the tick count plus a
// counter that grows by (seed & 0xFF) + 100 each time, so that two seeds in the same
// millisecond differ, mixed with 32 bits of the system's entropy, so that one seed
// cannot be told from the one before (the draw's seed from the celebration's, taken a
// moment later) nor from the clock.
std::uint32_t NextAutomaticSeed();

}  // namespace zorvel
