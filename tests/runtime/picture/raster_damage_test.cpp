// Damaged files of every raster kind: every prefix of a small valid file, and every
// byte of it overwritten in turn, give either no picture or a consistent one; under
// the sanitizers a read out of bounds would stop the test.
#include <gtest/gtest.h>

#include "tests/runtime/picture/raster_support.h"

// Writer options are designated initializers that name only what a case changes.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace zorvel {
namespace {
using namespace test;

struct Sample {
  const char* name;
  Bytes file;
  bool png;  // read through the PNG decoders rather than as a picture
};

std::vector<Sample> Samples() {
  const std::vector<std::uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  std::vector<std::uint32_t> argb = Pattern(5, 4);
  argb[3] &= 0x00FFFFFF, argb[7] = (argb[7] & 0xFFFFFF) | 0x80000000;
  std::vector<Sample> s;
  s.push_back({"bmp 24", WriteBmp(5, 3, Pattern(5, 3)), false});
  s.push_back({"bmp 4 top-down", WriteBmp(7, 3, Indexes(7, 3, 5), {.bits = 4, .topDown = true, .palette = palette, .coloursUsed = 5}),
               false});
  s.push_back({"bmp 32", WriteBmp(3, 2, Pattern(3, 2), {.bits = 32}), false});
  s.push_back({"pcx 8", WritePcx(9, 4, Indexes(9, 4, 5), palette), false});
  s.push_back({"pcx 1", WritePcx(19, 3, Indexes(19, 3, 2), {}, {.bits = 1, .version = 3}), false});
  s.push_back({"icon bitmaps",
               WriteIconFile(1, {{.widthByte = 16, .colourCount = 16,
                                  .image = IconBitmap(5, 3, 8, Indexes(5, 3, 5), palette, {true, false, true})},
                                 {.image = IconBitmap(5, 4, 32, argb)}}),
               false});
  s.push_back({"icon png",
               WriteIconFile(1, {{.image = WritePng(5, 4, PngSamples(argb, true),
                                                    {.colourType = PNG_COLOR_TYPE_RGB_ALPHA, .interlace = true})}}),
               false});
  s.push_back({"cursor", WriteIconFile(2, {{.planes = 2, .bitCount = 3, .image = IconBitmap(3, 3, 1, Indexes(3, 3, 2),
                                                                                           {0, 0xFFFFFF})}}),
               false});
  s.push_back({"jpeg", WriteJpeg(17, 9, Pattern(17, 9), {.quality = 80}), false});
  s.push_back({"jpeg progressive grey", WriteJpeg(9, 17, Pattern(9, 17), {.grey = true, .progressive = true}), false});
  s.push_back({"png rgba interlaced",
               WritePng(5, 4, PngSamples(argb, true), {.colourType = PNG_COLOR_TYPE_RGB_ALPHA, .interlace = true}),
               true});
  s.push_back({"png palette alpha",
               WritePng(6, 3, std::vector<std::uint16_t>(18, 1), {.colourType = PNG_COLOR_TYPE_PALETTE,
                                                                  .bitDepth = 2, .palette = {1, 2, 3},
                                                                  .paletteAlpha = {0, 9}}),
               true});
  return s;
}

// Decodes and checks whatever comes out; true when something decoded.
bool DecodesConsistently(const Sample& sample, const std::uint8_t* data, std::size_t size) {
  if (sample.png) {
    PngImage image;
    const bool picture = DecodePng(data, size, image);
    if (picture) {
      EXPECT_EQ(PixelsOf(image).size(), static_cast<std::size_t>(image.width) * image.height);
    }
    std::int32_t w = 0, h = 0;
    std::vector<std::uint32_t> argb;
    const bool plain = DecodePngArgb(data, size, w, h, argb);
    if (plain) {
      EXPECT_EQ(argb.size(), static_cast<std::size_t>(w) * h);
    }
    EXPECT_EQ(picture, plain);
    return picture;
  }
  std::string reason;
  Picture* p = DecodePictureBytes(data, size, &reason);
  if (p) {
    EXPECT_EQ(PixelsOf(*p).size(), static_cast<std::size_t>(p->width) * p->height);
  } else {
    EXPECT_FALSE(reason.empty());
  }
  FreePicture(p);
  return p != nullptr;
}

TEST(RasterDamage, EveryPrefixOfEveryKind) {
  for (const Sample& s : Samples()) {
    SCOPED_TRACE(s.name);
    ASSERT_TRUE(DecodesConsistently(s, s.file.data(), s.file.size()));
    for (std::size_t n = 0; n < s.file.size(); ++n) {
      // Each prefix in a block of its own, so that the sanitizer sees any read past it.
      std::vector<std::uint8_t> prefix(s.file.begin(), s.file.begin() + static_cast<std::ptrdiff_t>(n));
      DecodesConsistently(s, prefix.data(), prefix.size());
    }
  }
}

TEST(RasterDamage, EveryByteOverwritten) {
  for (const Sample& s : Samples()) {
    SCOPED_TRACE(s.name);
    for (std::size_t i = 0; i < s.file.size(); ++i)
      for (std::uint8_t value : {0x00, 0x7F, 0x80, 0xFF}) {
        Bytes damaged = s.file;
        damaged[i] = value;
        DecodesConsistently(s, damaged.data(), damaged.size());
      }
  }
}

}  // namespace
}  // namespace zorvel
