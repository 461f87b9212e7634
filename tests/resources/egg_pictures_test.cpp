// The egg pictures built into the program are exactly the files kept in resources/eggs/:
// egg n's rest picture for n from 1 to 9, nothing for any other number, and the one
// smash picture.
#include "resources/egg_pictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const std::filesystem::path kEggs =
    std::filesystem::path(ZORVEL_SOURCE_DIR) / "resources/eggs";

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Bytes(std::span<const std::uint8_t> span) { return {span.begin(), span.end()}; }

TEST(EggPictureData, EachEggHasItsOwnFile) {
  for (int egg = 1; egg <= 9; ++egg) {
    const std::string kept = ReadBytes(kEggs / ("egg-" + std::to_string(egg) + ".gif"));
    ASSERT_FALSE(kept.empty()) << egg;
    EXPECT_TRUE(Bytes(zorvel::resources::EggRestPicture(egg)) == kept) << "egg " << egg;
  }
  const std::string smash = ReadBytes(kEggs / "smash.gif");
  ASSERT_FALSE(smash.empty());
  EXPECT_TRUE(Bytes(zorvel::resources::EggSmashPicture()) == smash);
  EXPECT_NE(Bytes(zorvel::resources::EggRestPicture(1)), Bytes(zorvel::resources::EggRestPicture(2)));
}

TEST(EggPictureData, OtherNumbersHaveNoPicture) {
  for (const int egg : {0, 10, -1, -9, 255, 1 << 30}) EXPECT_TRUE(zorvel::resources::EggRestPicture(egg).empty()) << egg;
}

}  // namespace
