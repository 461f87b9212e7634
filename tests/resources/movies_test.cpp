// The movies built into the program are exactly the files kept in resources/movies/:
// celebration movie n for n from 1 to 3, nothing for any other number, and the default
// movie.
#include "resources/movies.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const std::filesystem::path kMovies = std::filesystem::path(ZORVEL_SOURCE_DIR) / "resources/movies";

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(MovieData, EachNumberHasItsOwnFile) {
  for (int n = 1; n <= 3; ++n) {
    const std::string kept = ReadBytes(kMovies / ("fireworks-" + std::to_string(n) + ".swf"));
    ASSERT_FALSE(kept.empty()) << n;
    EXPECT_TRUE(zorvel::resources::CelebrationMovie(n) == kept) << "movie " << n;
  }
  const std::string kept = ReadBytes(kMovies / "default.swf");
  ASSERT_EQ(kept.size(), 18547u);
  EXPECT_TRUE(zorvel::resources::DefaultMovie() == kept);
}

TEST(MovieData, OtherNumbersHaveNoMovie) {
  for (const int n : {0, 4, -1, 255, 1 << 30}) EXPECT_TRUE(zorvel::resources::CelebrationMovie(n).empty()) << n;
}

}  // namespace
