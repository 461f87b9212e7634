// JPEG pictures: colour and grey-scale, baseline and progressive, the record's row
// order, and refusals.
#include <gtest/gtest.h>

#include "tests/runtime/picture/raster_support.h"

// Writer options are designated initializers that name only what a case changes.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace zorvel {
namespace {
using namespace test;

// Smooth pictures survive compression within a few levels.
std::vector<std::uint32_t> Smooth(int width, int height) {
  std::vector<std::uint32_t> out;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      out.push_back(0xFF000000u | static_cast<std::uint32_t>(x * 255 / (width - 1)) << 16 |
                    static_cast<std::uint32_t>(y * 255 / (height - 1)) << 8 | 0x60);
  return out;
}

// Patches the frame header's height and width.
Bytes WithFrameSize(Bytes jpeg, unsigned width, unsigned height) {
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8), jpeg[i + 6] = static_cast<std::uint8_t>(height);
      jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8), jpeg[i + 8] = static_cast<std::uint8_t>(width);
      break;
    }
  return jpeg;
}

TEST(JpegDecode, ColourWithinASmallTolerance) {
  struct Row {
    int width, height;
    JpegOptions options;
  } rows[] = {
      {64, 48, {.quality = 95, .subsample = false}},
      {37, 23, {.quality = 95, .subsample = false}},  // partial blocks at the edges
      {64, 48, {.quality = 95, .progressive = true, .subsample = false}},
      {40, 40, {.quality = 95}},                     // 2 × 2 chroma subsampling
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE("row " + std::to_string(i));
    const auto pixels = Smooth(r.width, r.height);
    Decoded d = Decode(WriteJpeg(r.width, r.height, pixels, r.options));
    ASSERT_TRUE(d) << d.reason;
    EXPECT_EQ(d->kind, PictureKind::kJpeg);
    EXPECT_EQ(d->width, r.width);
    EXPECT_EQ(d->height, r.height);
    EXPECT_EQ(d->pixelBytes, static_cast<std::uint32_t>(r.width * r.height * 3));
    EXPECT_LE(LargestChannelDifference(PixelsOf(*d.picture), pixels), 6);
  }
}

TEST(JpegDecode, RecordIsBlueGreenRedBottomUp) {
  // Top half red, bottom half blue.
  std::vector<std::uint32_t> pixels(16 * 16, 0xFF0000);
  std::fill(pixels.begin() + 16 * 8, pixels.end(), 0x0000FF);
  Decoded d = Decode(WriteJpeg(16, 16, pixels, {.quality = 100, .subsample = false}));
  ASSERT_TRUE(d) << d.reason;
  const std::uint8_t* first = d->pixels;                            // bottom-left
  const std::uint8_t* last = d->pixels + d->pixelBytes - 3;          // top-right
  EXPECT_GE(first[0], 250);  // blue
  EXPECT_LE(first[2], 5);
  EXPECT_LE(last[0], 5);
  EXPECT_GE(last[2], 250);  // red
}

TEST(JpegDecode, GreyGivesEqualChannels) {
  std::vector<std::uint32_t> grey;
  for (int i = 0; i < 24 * 10; ++i) grey.push_back(static_cast<std::uint32_t>(i % 24 * 10 + i / 24));
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive ? "progressive" : "baseline");
    Decoded d = Decode(WriteJpeg(24, 10, grey, {.quality = 98, .grey = true, .progressive = progressive}));
    ASSERT_TRUE(d) << d.reason;
    int unequal = 0;
    for (std::uint32_t i = 0; i < d->pixelBytes; i += 3)
      unequal += d->pixels[i] != d->pixels[i + 1] || d->pixels[i] != d->pixels[i + 2];
    EXPECT_EQ(unequal, 0);
    std::vector<std::uint32_t> expected;
    for (std::uint32_t v : grey) expected.push_back(0xFF000000u | v * 0x010101);
    EXPECT_LE(LargestChannelDifference(PixelsOf(*d.picture), expected), 4);
  }
}

TEST(JpegDecode, Refusals) {
  const Bytes good = WriteJpeg(16, 16, Smooth(16, 16));
  Bytes noFrame = {0xFF, 0xD8, 0xFF, 0xD9, 0, 0, 0, 0};
  Bytes garbage = {0xFF, 0xD8, 0x12, 0x34, 0x56, 0x78, 0x9A};
  struct Row {
    Bytes file;
    const char* reason;
  } rows[] = {
      {WithFrameSize(good, 16385, 16), "JPEG: 16385 x 16 is too large"},
      {WithFrameSize(good, 16384, 16384), "JPEG: 16384 x 16384 is too large"},
      {WithFrameSize(good, 0, 16), "JPEG: Empty JPEG image (DNL not supported)"},
      {Bytes(good.begin(), good.begin() + 100), "JPEG: JPEG datastream contains no image"},  // inside the tables
      {noFrame, "JPEG: JPEG datastream contains no image"},
      {garbage, "JPEG: JPEG datastream contains no image"},
      {Bytes{0xFF, 0xD8, 0xFF, 0xC0, 0, 0}, "JPEG: Bogus marker length"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    Decoded d = Decode(rows[i].file);
    EXPECT_FALSE(d);
    EXPECT_EQ(d.reason, rows[i].reason);
  }
}

TEST(JpegDecode, ImageDataCutShortStillGivesThePicture) {
  // The library fills what is missing (a warning, not an error).
  const Bytes good = WriteJpeg(64, 64, Smooth(64, 64));
  Decoded d = Decode(Bytes(good.begin(), good.end() - 200));
  ASSERT_TRUE(d) << d.reason;
  EXPECT_EQ(d->width, 64);
}

}  // namespace
}  // namespace zorvel
