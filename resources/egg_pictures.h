// The egg pictures built into the program: the GIF files of resources/eggs/ as constant
// data (200 × 188, index 255 transparent and white, the only white colour).
#pragma once

#include <cstdint>
#include <span>

namespace zorvel::resources {
// Rest picture of egg 1 … 9 (empty span for any other number), and the smash picture.
std::span<const std::uint8_t> EggRestPicture(int egg);
std::span<const std::uint8_t> EggSmashPicture();
}  // namespace zorvel::resources
