// PNG data: every colour type and depth in both layouts, transparency and background
// colours, interlacing, and refusals.
#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/runtime/picture/raster_support.h"

// Writer options are designated initializers that name only what a case changes.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace zorvel {
namespace {
using namespace test;

// Replaces the width and height in a PNG's header and mends its checksum.
Bytes WithHeaderSize(Bytes png, std::uint32_t width, std::uint32_t height) {
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
    png[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
  }
  const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, png.data() + 12, 17));
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  return png;
}

struct PngCase {
  const char* name;
  int width, height;
  std::vector<std::uint16_t> samples;
  PngOptions options;
  int bits;                                 // the picture layout's bits per pixel
  std::size_t tableEntries;                 // its colour table
  std::vector<std::uint32_t> picture;       // what the picture layout shows
  std::vector<std::uint32_t> argb;          // what the ARGB layout shows
};

std::vector<PngCase> Cases() {
  const std::vector<std::uint32_t> four = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
  std::vector<std::uint32_t> sixteen, many;
  for (std::uint32_t i = 0; i < 16; ++i) sixteen.push_back(i * 0x0F0E0D);
  for (std::uint32_t i = 0; i < 200; ++i) many.push_back(i * 0x010101 ^ 0x3C0000);
  const auto g = [](std::uint32_t v) { return 0xFF000000u | v * 0x010101; };
  std::vector<PngCase> c;
  c.push_back({"palette 1", 3, 1, {0, 1, 1}, {.colourType = PNG_COLOR_TYPE_PALETTE, .bitDepth = 1,
               .palette = {0x123456, 0xABCDEF}}, 1, 2, Opaque({0x123456, 0xABCDEF, 0xABCDEF}), {}});
  c.push_back({"palette 2", 5, 1, {0, 1, 2, 3, 2}, {.colourType = PNG_COLOR_TYPE_PALETTE, .bitDepth = 2,
               .palette = four}, 4, 16, Lookup({0, 1, 2, 3, 2}, four), {}});
  c.push_back({"palette 4", 3, 2, {0, 15, 7, 8, 1, 14}, {.colourType = PNG_COLOR_TYPE_PALETTE, .bitDepth = 4,
               .palette = sixteen}, 4, 16, Lookup({0, 15, 7, 8, 1, 14}, sixteen), {}});
  c.push_back({"palette 8", 2, 2, {0, 199, 100, 5}, {.colourType = PNG_COLOR_TYPE_PALETTE, .bitDepth = 8,
               .palette = many}, 8, 256, Lookup({0, 199, 100, 5}, many), {}});
  c.push_back({"grey 1", 3, 1, {1, 0, 1}, {.colourType = PNG_COLOR_TYPE_GRAY, .bitDepth = 1}, 1, 2,
               {g(255), g(0), g(255)}, {}});
  c.push_back({"grey 2", 4, 1, {0, 1, 2, 3}, {.colourType = PNG_COLOR_TYPE_GRAY, .bitDepth = 2}, 4, 16,
               {g(0), g(85), g(170), g(255)}, {}});
  c.push_back({"grey 4", 3, 1, {0, 7, 15}, {.colourType = PNG_COLOR_TYPE_GRAY, .bitDepth = 4}, 4, 16,
               {g(0), g(7 * 17), g(255)}, {}});
  c.push_back({"grey 8", 3, 1, {0, 77, 255}, {.colourType = PNG_COLOR_TYPE_GRAY, .bitDepth = 8}, 8, 256,
               {g(0), g(77), g(255)}, {}});
  // 16-bit samples are scaled to 8 bits with rounding: v / 257.
  c.push_back({"grey 16", 4, 1, {0, 128, 129, 65535}, {.colourType = PNG_COLOR_TYPE_GRAY, .bitDepth = 16}, 8, 256,
               {g(0), g(0), g(1), g(255)}, {}});
  c.push_back({"rgb 8", 2, 1, {1, 2, 3, 250, 251, 252}, {.colourType = PNG_COLOR_TYPE_RGB}, 24, 0,
               {0xFF010203, 0xFFFAFBFC}, {}});
  c.push_back({"rgb 16", 1, 1, {0x1234, 0xFFFF, 0x0080}, {.colourType = PNG_COLOR_TYPE_RGB, .bitDepth = 16}, 24, 0,
               {0xFF12FF00}, {}});
  c.push_back({"rgba 8", 2, 1, {1, 2, 3, 0, 4, 5, 6, 200}, {.colourType = PNG_COLOR_TYPE_RGB_ALPHA}, 32, 0,
               {0x00010203, 0xC8040506}, {}});
  c.push_back({"rgba 16", 1, 1, {0x0101, 0x0202, 0x0303, 0x8080}, {.colourType = PNG_COLOR_TYPE_RGB_ALPHA,
               .bitDepth = 16}, 32, 0, {0x80010203}, {}});
  c.push_back({"grey alpha", 2, 1, {10, 0, 20, 255}, {.colourType = PNG_COLOR_TYPE_GA}, 32, 0,
               {0x000A0A0A, 0xFF141414}, {}});
  // A transparent colour or palette alpha becomes an alpha channel.
  c.push_back({"palette alpha", 3, 1, {0, 1, 3}, {.colourType = PNG_COLOR_TYPE_PALETTE, .bitDepth = 2,
               .palette = four, .paletteAlpha = {0, 128}}, 32, 0, {0x00102030, 0x80405060, 0xFFA0B0C0}, {}});
  c.push_back({"grey transparent", 3, 1, {64, 65, 64}, {.colourType = PNG_COLOR_TYPE_GRAY, .transparentGrey = 64}, 32,
               0, {0x00404040, 0xFF414141, 0x00404040}, {}});
  c.push_back({"grey 1 transparent", 2, 1, {0, 1}, {.colourType = PNG_COLOR_TYPE_GRAY, .bitDepth = 1,
               .transparentGrey = 1}, 32, 0, {0xFF000000, 0x00FFFFFF}, {}});
  c.push_back({"rgb transparent", 2, 1, {1, 2, 3, 1, 2, 4}, {.colourType = PNG_COLOR_TYPE_RGB,
               .transparentRgb = 0x010203}, 32, 0, {0x00010203, 0xFF010204}, {}});
  // With a background colour, transparent parts lie on it and the alpha goes; the
  // ARGB layout keeps the alpha.
  c.push_back({"rgba background", 3, 1, {10, 20, 30, 0, 10, 20, 30, 255, 200, 100, 0, 0},
               {.colourType = PNG_COLOR_TYPE_RGB_ALPHA, .background = true,
                .backgroundColour = {0, 0xAA, 0xBB, 0xCC, 0}}, 24, 0, {0xFFAABBCC, 0xFF0A141E, 0xFFAABBCC},
               {0x000A141E, 0xFF0A141E, 0x00C86400}});
  c.push_back({"palette alpha background", 3, 1, {0, 1, 2}, {.colourType = PNG_COLOR_TYPE_PALETTE, .bitDepth = 8,
               .palette = {0x111111, 0x222222, 0x333333}, .paletteAlpha = {0, 255}, .background = true,
               .backgroundColour = {2, 0, 0, 0, 0}}, 8, 256, {0xFF333333, 0xFF222222, 0xFF333333},
               {0x00111111, 0xFF222222, 0xFF333333}});
  c.push_back({"grey transparent background", 2, 1, {9, 8}, {.colourType = PNG_COLOR_TYPE_GRAY,
               .transparentGrey = 9, .background = true, .backgroundColour = {0, 0, 0, 0, 200}}, 8, 256,
               {g(200), g(8)}, {0x00090909, g(8)}});
  return c;
}

TEST(PngDecode, PictureLayoutByColourTypeAndDepth) {
  const std::vector<PngCase> cases = Cases();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const PngCase& k = cases[i];
    SCOPED_TRACE("row " + std::to_string(i) + ": " + k.name);
    const Bytes file = WritePng(k.width, k.height, k.samples, k.options);
    ASSERT_FALSE(file.empty());
    PngImage image;
    std::string reason;
    ASSERT_TRUE(DecodePng(file.data(), file.size(), image, &reason)) << reason;
    EXPECT_EQ(image.width, k.width);
    EXPECT_EQ(image.height, k.height);
    EXPECT_EQ(image.bitsPerPixel, k.bits);
    EXPECT_EQ(image.colourTable.size(), k.tableEntries);
    EXPECT_EQ(image.stride, (k.width * k.bits + 31) / 32 * 4);
    EXPECT_EQ(image.rows.size(), static_cast<std::size_t>(image.stride) * k.height);
    EXPECT_EQ(image.alpha.size(), k.bits == 32 ? static_cast<std::size_t>(k.width) * k.height : 0u);
    EXPECT_EQ(FirstDifference(PixelsOf(image), k.picture), "");
  }
}

// The ARGB layout, and the picture record that units show (kind 8): the same pixels,
// premultiplied.
TEST(PngDecode, ArgbLayoutAndPictureRecordByColourTypeAndDepth) {
  const std::vector<PngCase> cases = Cases();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const PngCase& k = cases[i];
    SCOPED_TRACE("row " + std::to_string(i) + ": " + k.name);
    const Bytes file = WritePng(k.width, k.height, k.samples, k.options);
    std::int32_t width = 0, height = 0;
    std::vector<std::uint32_t> argb;
    std::string reason;
    ASSERT_TRUE(DecodePngArgb(file.data(), file.size(), width, height, argb, &reason)) << reason;
    EXPECT_EQ(width, k.width);
    EXPECT_EQ(height, k.height);
    const std::vector<std::uint32_t>& expected = k.argb.empty() ? k.picture : k.argb;
    EXPECT_EQ(FirstDifference(argb, expected), "");

    Decoded d = Decode(file);
    ASSERT_TRUE(d) << d.reason;
    EXPECT_EQ(d->kind, PictureKind::kPng);
    EXPECT_EQ(d->width, k.width);
    EXPECT_EQ(d->height, k.height);
    EXPECT_EQ(d->icon, nullptr);
    EXPECT_EQ(FirstDifference(PixelsOf(*d.picture), Premultiplied(expected)), "");
  }
}

// Every alpha with colours across the range: the record's premultiplied colours are
// rounded to the nearest.
TEST(PngDecode, PictureRecordPremultipliesEveryAlpha) {
  std::vector<std::uint32_t> straight;
  for (std::uint32_t a = 0; a < 256; ++a)
    for (std::uint32_t c : {0u, 1u, 127u, 128u, 254u, 255u}) straight.push_back(a << 24 | c << 16 | (255 - c) << 8 | 77);
  const int width = 6, height = 256;
  Decoded d = Decode(WritePng(width, height, PngSamples(straight, true), {.colourType = PNG_COLOR_TYPE_RGB_ALPHA}));
  ASSERT_TRUE(d) << d.reason;
  EXPECT_EQ(FirstDifference(PixelsOf(*d.picture), Premultiplied(straight)), "");
}

TEST(PngDecode, PartialAlphaOnABackgroundIsBlended) {
  const Bytes file = WritePng(1, 1, {200, 0, 100, 128}, {.colourType = PNG_COLOR_TYPE_RGB_ALPHA, .background = true,
                                                        .backgroundColour = {0, 0, 200, 100, 0}});
  PngImage image;
  ASSERT_TRUE(DecodePng(file.data(), file.size(), image));
  const std::vector<std::uint32_t> blended = {0xFF646464u};
  EXPECT_LE(LargestChannelDifference(PixelsOf(image), blended), 1);
}

TEST(PngDecode, InterlacedImagesMatchTheirPlainTwins) {
  struct Row {
    int colourType, bitDepth, width, height;
  } rows[] = {
      {PNG_COLOR_TYPE_RGB, 8, 13, 11},   {PNG_COLOR_TYPE_RGB_ALPHA, 8, 9, 17}, {PNG_COLOR_TYPE_GRAY, 2, 10, 9},
      {PNG_COLOR_TYPE_RGB, 16, 7, 7},    {PNG_COLOR_TYPE_GRAY, 1, 1, 1},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE("row " + std::to_string(i));
    const int channels = r.colourType == PNG_COLOR_TYPE_RGB ? 3 : r.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 1;
    std::vector<std::uint16_t> samples;
    std::mt19937 random(static_cast<unsigned>(i));
    for (int k = 0; k < r.width * r.height * channels; ++k)
      samples.push_back(static_cast<std::uint16_t>(random() & ((1u << r.bitDepth) - 1)));
    PngOptions options{.colourType = r.colourType, .bitDepth = r.bitDepth};
    const Bytes plain = WritePng(r.width, r.height, samples, options);
    options.interlace = true;
    const Bytes interlaced = WritePng(r.width, r.height, samples, options);
    ASSERT_NE(plain, interlaced);
    PngImage a, b;
    ASSERT_TRUE(DecodePng(plain.data(), plain.size(), a));
    ASSERT_TRUE(DecodePng(interlaced.data(), interlaced.size(), b));
    EXPECT_EQ(FirstDifference(PixelsOf(a), PixelsOf(b)), "");
    EXPECT_EQ(a.rows, b.rows);
  }
}

TEST(PngDecode, Refusals) {
  const Bytes small = WritePng(2, 2, PngSamples(Pattern(2, 2), true), {.colourType = PNG_COLOR_TYPE_RGB_ALPHA});
  Bytes badChecksum = small;
  badChecksum[30] ^= 0xFF;
  Bytes noData = small;
  noData.resize(45);
  struct Row {
    Bytes file;
    const char* reason;
  } rows[] = {
      {{}, "PNG: no PNG signature"},
      {Bytes(small.begin(), small.begin() + 7), "PNG: no PNG signature"},
      {WriteBmp(1, 1, {0}), "PNG: no PNG signature"},
      {Bytes(small.begin(), small.begin() + 8), "PNG: data is cut short"},
      {noData, "PNG: data is cut short"},
      {badChecksum, "PNG: IHDR: CRC error"},
      {WritePng(16385, 1, std::vector<std::uint16_t>(16385 * 3, 0)), "PNG: Invalid IHDR data"},
      // Within the side limit, but 16384 × 16384 × 4 bytes is past the byte limit.
      {WithHeaderSize(small, 16384, 16384), "PNG: 16384 x 16384 is too large"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    PngImage image;
    std::string reason;
    EXPECT_FALSE(DecodePng(rows[i].file.data(), rows[i].file.size(), image, &reason));
    EXPECT_EQ(reason, rows[i].reason);
    EXPECT_TRUE(image.rows.empty());
    std::int32_t width = -1, height = -1;
    std::vector<std::uint32_t> argb;
    reason.clear();
    EXPECT_FALSE(DecodePngArgb(rows[i].file.data(), rows[i].file.size(), width, height, argb, &reason));
    EXPECT_EQ(reason, rows[i].reason);
    EXPECT_EQ(width, 0);
    EXPECT_TRUE(argb.empty());
    // The picture record of the same bytes: refused for the same reason, once they are
    // known as a PNG by their signature.
    if (IsPng(rows[i].file.data(), rows[i].file.size())) {
      Decoded d = Decode(rows[i].file);
      EXPECT_FALSE(d);
      EXPECT_EQ(d.reason, rows[i].reason);
    }
  }
  EXPECT_FALSE(IsPng(nullptr, 8));
  EXPECT_TRUE(IsPng(small.data(), 8));
}

}  // namespace
}  // namespace zorvel
