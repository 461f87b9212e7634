#include "resources/egg_pictures.h"

namespace zorvel::resources {

namespace embedded {
// egg-1.gif … egg-9.gif, then smash.gif (written at build time by embed_files.cmake).
extern const std::span<const std::uint8_t> kEggPictures[10];
}  // namespace embedded

std::span<const std::uint8_t> EggRestPicture(int egg) {
  if (egg < 1 || egg > 9) return {};
  return embedded::kEggPictures[egg - 1];
}

std::span<const std::uint8_t> EggSmashPicture() { return embedded::kEggPictures[9]; }

}  // namespace zorvel::resources
