#include "resources/movies.h"

#include <cstdint>
#include <span>

namespace zorvel::resources {

namespace embedded {
// fireworks-1.swf … fireworks-3.swf, then default.swf (written at build time by
// embed_files.cmake).
extern const std::span<const std::uint8_t> kMovies[4];
}  // namespace embedded

namespace {
std::string_view View(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}
}  // namespace

std::string_view CelebrationMovie(int number) {
  if (number < 1 || number > 3) return {};
  return View(embedded::kMovies[number - 1]);
}

std::string_view DefaultMovie() { return View(embedded::kMovies[3]); }

}  // namespace zorvel::resources
