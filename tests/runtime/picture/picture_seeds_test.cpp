// The seed files of the picture fuzz target: small valid files of every raster kind
// and PNG layout, made by the encoders the tests use. Every seed must decode as a
// picture record, a PNG also into its picture layout. With ZORVEL_PICTURE_SEEDS set to
// a folder, the seeds are written there as well:
//   ZORVEL_PICTURE_SEEDS=fuzz/corpus/picture picture_tests --gtest_filter='PictureSeeds.*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tests/runtime/picture/raster_support.h"

// Writer options are designated initializers that name only what a case changes.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace zorvel {
namespace {
using namespace test;

struct Seed {
  const char* name;
  Bytes file;
};

std::vector<Seed> Seeds() {
  const std::vector<std::uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x808080};
  std::vector<std::uint32_t> argb = Pattern(6, 5);
  for (std::size_t i = 0; i < argb.size(); ++i) argb[i] = (argb[i] & 0xFFFFFF) | static_cast<std::uint32_t>(i * 9) << 24;
  std::vector<std::uint16_t> grey16;
  for (int i = 0; i < 7 * 3; ++i) grey16.push_back(static_cast<std::uint16_t>(i * 3121));
  return {
      {"bmp1.bmp", WriteBmp(13, 3, Indexes(13, 3, 2), {.bits = 1, .palette = {0, 0xFFFFFF}})},
      {"bmp4_top_down.bmp", WriteBmp(7, 4, Indexes(7, 4, 6), {.bits = 4, .topDown = true, .palette = palette,
                                                               .coloursUsed = 6})},
      {"bmp8.bmp", WriteBmp(5, 5, Indexes(5, 5, 6), {.bits = 8, .palette = palette, .coloursUsed = 6})},
      {"bmp24.bmp", WriteBmp(6, 4, Pattern(6, 4))},
      {"bmp32_v5_top_down.bmp", WriteBmp(4, 3, Pattern(4, 3), {.bits = 32, .topDown = true, .headerBytes = 124})},
      {"pcx8.pcx", WritePcx(9, 6, Indexes(9, 6, 6), palette)},
      {"pcx8_runs_cross_lines.pcx", WritePcx(70, 3, std::vector<std::uint32_t>(210, 0xC1), palette,
                                             {.runsCrossLines = true})},
      {"pcx1.pcx", WritePcx(21, 5, Indexes(21, 5, 2), {}, {.bits = 1, .version = 3})},
      {"icon_bitmaps.ico",
       WriteIconFile(1, {{.widthByte = 16, .colourCount = 16,
                          .image = IconBitmap(4, 4, 4, Indexes(4, 4, 6), palette, {true, false, false, true})},
                         {.widthByte = 32, .colourCount = 0, .image = IconBitmap(6, 5, 32, argb)}})},
      {"icon_png.ico", WriteIconFile(1, {{.widthByte = 0, .image = WritePng(6, 5, PngSamples(argb, true),
                                                                            {.colourType = PNG_COLOR_TYPE_RGB_ALPHA})}})},
      {"cursor.cur", WriteIconFile(2, {{.planes = 1, .bitCount = 2,
                                        .image = IconBitmap(5, 3, 1, Indexes(5, 3, 2), {0, 0xFFFFFF},
                                                            {false, true, false, true})}})},
      {"baseline.jpg", WriteJpeg(19, 11, Pattern(19, 11), {.quality = 70})},
      {"progressive_grey.jpg", WriteJpeg(16, 9, Pattern(16, 9), {.quality = 60, .grey = true, .progressive = true})},
      {"full_chroma.jpg", WriteJpeg(8, 8, Pattern(8, 8), {.quality = 50, .subsample = false})},
      {"palette_alpha.png", WritePng(6, 5, std::vector<std::uint16_t>(30, 2), {.colourType = PNG_COLOR_TYPE_PALETTE,
                                                                               .bitDepth = 4, .palette = palette,
                                                                               .paletteAlpha = {0, 128, 255}})},
      {"grey2_background.png", WritePng(7, 3, std::vector<std::uint16_t>(21, 3), {.colourType = PNG_COLOR_TYPE_GRAY,
                                                                                  .bitDepth = 2, .transparentGrey = 3,
                                                                                  .background = true})},
      {"grey16.png", WritePng(7, 3, grey16, {.colourType = PNG_COLOR_TYPE_GRAY, .bitDepth = 16})},
      {"rgba_interlaced.png", WritePng(6, 5, PngSamples(argb, true), {.colourType = PNG_COLOR_TYPE_RGB_ALPHA,
                                                                      .interlace = true})},
      {"rgb_transparent.png", WritePng(4, 2, PngSamples(Pattern(4, 2), false), {.transparentRgb = 0x102030})},
      {"grey_alpha.png", WritePng(3, 3, std::vector<std::uint16_t>(18, 100), {.colourType = PNG_COLOR_TYPE_GA})},
      // Units show PNG pictures with their alpha: plain RGBA, opaque RGB, a full palette.
      {"rgba_alpha_ramp.png", WritePng(6, 5, PngSamples(argb, true), {.colourType = PNG_COLOR_TYPE_RGB_ALPHA})},
      {"rgb_opaque.png", WritePng(7, 4, PngSamples(Pattern(7, 4), false))},
      {"palette8_opaque.png", WritePng(9, 4, std::vector<std::uint16_t>(36, 5), {.colourType = PNG_COLOR_TYPE_PALETTE,
                                                                                  .bitDepth = 8, .palette = palette})},
      {"rgba16.png", WritePng(2, 2, std::vector<std::uint16_t>{0, 1000, 65535, 32768, 65535, 0, 0, 65535, 1, 2, 3, 0,
                                                              40000, 40000, 40000, 20000},
                              {.colourType = PNG_COLOR_TYPE_RGB_ALPHA, .bitDepth = 16})},
  };
}

TEST(PictureSeeds, EverySeedDecodes) {
  const char* folder = std::getenv("ZORVEL_PICTURE_SEEDS");
  for (const Seed& seed : Seeds()) {
    SCOPED_TRACE(seed.name);
    EXPECT_LT(seed.file.size(), 4096u) << "seeds stay small";
    if (IsPng(seed.file.data(), seed.file.size())) {
      PngImage image;
      std::string reason;
      EXPECT_TRUE(DecodePng(seed.file.data(), seed.file.size(), image, &reason)) << reason;
    }
    Decoded d = Decode(seed.file);
    EXPECT_TRUE(d) << d.reason;
    if (folder && *folder) {
      std::ofstream out(std::string(folder) + "/" + seed.name, std::ios::binary);
      out.write(reinterpret_cast<const char*>(seed.file.data()), static_cast<std::streamsize>(seed.file.size()));
      EXPECT_TRUE(out.good()) << "cannot write into " << folder;
    }
  }
}

}  // namespace
}  // namespace zorvel
