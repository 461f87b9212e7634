// The egg cursor generator, run as a program: it writes exactly the cursor file kept in
// resources/, and that file is a 64 × 64 cursor the program's own picture decoder reads
// (through zorvel-picture), transparent around the hammer, with its hot spot on it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"

namespace {

const std::string kGenerator = std::string(ZORVEL_BINARY_DIR) + "/tools/zorvel-egg-cursor";
const std::string kPictureTool = std::string(ZORVEL_BINARY_DIR) + "/tools/zorvel-picture";
const std::filesystem::path kKeptCursor =
    std::filesystem::path(ZORVEL_SOURCE_DIR) / "resources/cursors/egg.cur";

constexpr std::size_t kCursorBytes = 6 + 16 + 40 + 64 * 64 * 4 + 64 * 64 / 8;  // 16958

using zorvel::test::ReadBytes;
using zorvel::test::RunCommand;

std::uint32_t U16(const std::string& b, std::size_t at) {
  return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 1])) << 8;
}
std::uint32_t U32(const std::string& b, std::size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

class EggCursor : public testing::Test {
 protected:
  void SetUp() override {
    file_ = folder_ + "/egg.cur";
    std::string said;
    ASSERT_EQ(RunCommand("'" + kGenerator + "' '" + file_ + "'", &said), 0) << said;
    bytes_ = ReadBytes(file_);
  }
  zorvel::test::TempFolder temp_{"zorvel-egg-cursor"};
  const std::string folder_ = temp_.path();
  std::string file_, bytes_;
};

TEST_F(EggCursor, WritesTheFileKeptInResources) {
  EXPECT_EQ(bytes_.size(), kCursorBytes);
  const std::string kept = ReadBytes(kKeptCursor.string());
  ASSERT_EQ(kept.size(), kCursorBytes) << kKeptCursor << " is missing or not the generator's output";
  EXPECT_TRUE(bytes_ == kept) << "resources/cursors/egg.cur differs from what zorvel-egg-cursor writes";
}

TEST_F(EggCursor, HeaderFieldsDescribeOne64By64TrueColourCursor) {
  ASSERT_EQ(bytes_.size(), kCursorBytes);
  struct Row {
    const char* field;
    std::size_t at;
    int width;
    std::uint32_t expected;
  } rows[] = {
      {"reserved", 0, 2, 0},
      {"type (cursor)", 2, 2, 2},
      {"image count", 4, 2, 1},
      {"entry width", 6, 1, 64},
      {"entry height", 7, 1, 64},
      {"entry image bytes", 14, 4, kCursorBytes - 22},
      {"entry image offset", 18, 4, 22},
      {"header size", 22, 4, 40},
      {"bitmap width", 26, 4, 64},
      {"bitmap height (colour + mask rows)", 30, 4, 128},
      {"planes", 34, 2, 1},
      {"bits per pixel", 36, 2, 32},
      {"compression", 38, 4, 0},
  };
  for (const Row& row : rows) {
    const std::uint32_t value = row.width == 1   ? static_cast<std::uint8_t>(bytes_[row.at])
                                : row.width == 2 ? U16(bytes_, row.at)
                                                 : U32(bytes_, row.at);
    EXPECT_EQ(value, row.expected) << row.field;
  }
}

// The AND mask marks exactly the fully transparent pixels, and the hot spot lies on the
// drawing, not beside it.
TEST_F(EggCursor, MaskMatchesAlphaAndHotSpotIsOnTheHammer) {
  ASSERT_EQ(bytes_.size(), kCursorBytes);
  const std::size_t pixels = 62, mask = pixels + 64 * 64 * 4;
  auto alpha = [&](int x, int y) {  // y from the top; rows are stored bottom-up
    return static_cast<std::uint8_t>(bytes_[pixels + ((63 - y) * 64 + x) * 4 + 3]);
  };
  int mismatches = 0, opaque = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const bool maskBit = static_cast<std::uint8_t>(bytes_[mask + (63 - y) * 8 + x / 8]) >> (7 - x % 8) & 1;
      mismatches += maskBit != (alpha(x, y) == 0);
      opaque += alpha(x, y) == 255;
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(opaque, 400) << "the hammer covers too little of the cursor";
  const int hotX = static_cast<int>(U16(bytes_, 10)), hotY = static_cast<int>(U16(bytes_, 12));
  ASSERT_LT(hotX, 64);
  ASSERT_LT(hotY, 64);
  EXPECT_EQ(alpha(hotX, hotY), 255) << "hot spot " << hotX << "," << hotY;
}

TEST_F(EggCursor, TheProgramsDecoderReadsItAsA64By64CursorWithTransparentCorners) {
  const std::string png = folder_ + "/egg.png";
  std::string said;
  ASSERT_EQ(RunCommand("'" + kPictureTool + "' '" + file_ + "' '" + png + "'", &said), 0) << said;
  EXPECT_EQ(said, "kind 4, 64x64\n");  // kind 4: a cursor
  const QImage image = QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(image.width(), 64);
  ASSERT_EQ(image.height(), 64);
  const QPoint corners[] = {{0, 0}, {63, 0}, {0, 63}, {63, 63}};
  for (const QPoint& p : corners) EXPECT_EQ(qAlpha(image.pixel(p)), 0) << p.x() << "," << p.y();
  // The hammer's head is gold: red and green well above blue.
  const QRgb head = image.pixel(18, 18);
  EXPECT_EQ(qAlpha(head), 255);
  EXPECT_GT(qRed(head), qBlue(head) + 60);
  EXPECT_GT(qGreen(head), qBlue(head) + 40);
}

TEST(EggCursorUsage, BadUsageAndUnwritableOutput) {
  std::string said;
  EXPECT_EQ(RunCommand("'" + kGenerator + "'", &said), 2) << said;
  EXPECT_EQ(RunCommand("'" + kGenerator + "' a b", &said), 2) << said;
  EXPECT_EQ(RunCommand("'" + kGenerator + "' /nonexistent-folder/egg.cur", &said), 1) << said;
}

}  // namespace
