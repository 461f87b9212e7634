// Icon and cursor files: which image is shown, bitmap images with their masks, PNG
// images, hot spots and refusals.
#include <gtest/gtest.h>

#include "tests/runtime/picture/raster_support.h"

// Writer options are designated initializers that name only what a case changes.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace zorvel {
namespace {
using namespace test;

// A solid 24-bit image whose width tells the entries apart.
IconEntry Solid(std::uint8_t widthByte, std::uint8_t colourCount, int width, std::uint32_t colour) {
  IconEntry e{.widthByte = widthByte, .colourCount = colourCount};
  e.image = IconBitmap(width, 2, 24, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * 2, colour));
  return e;
}

TEST(IconDecode, ChoosesTheFirst32PixelImageOf16ColoursOrMoreElseTheLast) {
  struct Row {
    std::vector<std::pair<int, int>> entries;  // width byte, colour-count byte
    int chosen;
  } rows[] = {
      {{{16, 16}, {32, 16}, {48, 16}}, 1},
      {{{32, 0}, {32, 16}}, 1},        // 0 colours (256 or true colour) does not count
      {{{32, 15}, {16, 0}}, 1},        // none qualifies: the last
      {{{16, 16}, {48, 0}, {32, 0}}, 2},
      {{{32, 255}, {32, 16}}, 0},
      {{{32, 16}, {32, 16}}, 0},
      {{{0, 0}}, 0},
      {{{32, 2}, {32, 8}, {24, 16}, {64, 0}}, 3},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    std::vector<IconEntry> entries;
    for (std::size_t k = 0; k < rows[i].entries.size(); ++k)
      entries.push_back(Solid(static_cast<std::uint8_t>(rows[i].entries[k].first),
                              static_cast<std::uint8_t>(rows[i].entries[k].second), static_cast<int>(k) + 1,
                              0x100000u * static_cast<std::uint32_t>(k + 1)));
    Decoded d = Decode(WriteIconFile(1, entries));
    ASSERT_TRUE(d) << d.reason;
    EXPECT_EQ(d->width, rows[i].chosen + 1);
    EXPECT_EQ(d->height, 2);
    EXPECT_EQ(d->icon->argb.at(0), 0xFF000000u | 0x100000u * static_cast<std::uint32_t>(rows[i].chosen + 1));
  }
}

TEST(IconDecode, BitmapImagesWithTheirMasks) {
  const std::vector<std::uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  const std::vector<bool> mask = {false, true, false, false, true, false};  // 3 × 2
  const std::vector<std::uint32_t> indexes = {0, 1, 2, 3, 2, 1};
  const std::vector<std::uint32_t> rgb = {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x0F0F0F};
  // Masked pixels are fully transparent; the rest opaque.
  const std::vector<std::uint32_t> fromIndexes = {0xFF000000, 0, 0xFF00FF00, 0xFF0000FF, 0, 0xFFFF0000};
  const std::vector<std::uint32_t> fromRgb = {0xFF102030, 0, 0xFF708090, 0xFFA0B0C0, 0, 0xFF0F0F0F};
  // A 32-bit image with alpha keeps it and ignores the mask.
  const std::vector<std::uint32_t> withAlpha = {0xFF102030, 0x80405060, 0x00708090, 0x01A0B0C0, 0xFED0E0F0, 0x7F0F0F0F};
  struct Row {
    int bits;
    std::vector<std::uint32_t> samples, palette, expected;
  } rows[] = {
      {1, {0, 1, 1, 0, 0, 1}, {0x000000, 0xFFFFFF}, {0xFF000000, 0, 0xFFFFFFFF, 0xFF000000, 0, 0xFFFFFFFF}},
      {4, indexes, palette, fromIndexes},
      {8, indexes, palette, fromIndexes},
      {24, rgb, {}, fromRgb},
      {32, rgb, {}, fromRgb},  // alpha all zero: the mask decides
      {32, withAlpha, {}, withAlpha},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i) + ": " + std::to_string(rows[i].bits) + " bits");
    Decoded d = Decode(WriteIconFile(1, {{.image = IconBitmap(3, 2, rows[i].bits, rows[i].samples, rows[i].palette,
                                                               mask)}}));
    ASSERT_TRUE(d) << d.reason;
    EXPECT_EQ(FirstDifference(d->icon->argb, rows[i].expected), "");
  }
}

TEST(IconDecode, MaskLeftOffTheEndCountsAsOpaque) {
  Bytes image = IconBitmap(3, 2, 24, {1, 2, 3, 4, 5, 6});
  image.resize(image.size() - 8);  // the two mask rows
  Decoded d = Decode(WriteIconFile(1, {{.image = image}}));
  ASSERT_TRUE(d) << d.reason;
  EXPECT_EQ(d->icon->argb, Opaque({1, 2, 3, 4, 5, 6}));
}

TEST(IconDecode, PngImages) {
  const std::vector<std::uint32_t> argb = {0xFF112233, 0x80445566, 0x00778899, 0x01AABBCC, 0xFFFFFFFF, 0x7F000000};
  const Bytes png = WritePng(3, 2, PngSamples(argb, true), {.colourType = PNG_COLOR_TYPE_RGB_ALPHA});
  // A 256-pixel PNG image (width byte 0) beside a 16-pixel bitmap: none qualifies, the
  // last (the PNG) is shown.
  Decoded d = Decode(WriteIconFile(1, {Solid(16, 16, 4, 0x123456), {.widthByte = 0, .image = png}}));
  ASSERT_TRUE(d) << d.reason;
  EXPECT_EQ(d->width, 3);
  EXPECT_EQ(d->height, 2);
  EXPECT_EQ(FirstDifference(d->icon->argb, argb), "");
  // A broken PNG image gives the PNG decoder's reason.
  Bytes broken = png;
  broken[20] ^= 1;  // the header's checksum no longer matches
  Decoded bad = Decode(WriteIconFile(1, {{.image = broken}}));
  EXPECT_FALSE(bad);
  EXPECT_EQ(bad.reason.rfind("icon: PNG: ", 0), 0u) << bad.reason;
}

TEST(IconDecode, HotSpots) {
  IconEntry e = Solid(32, 16, 5, 0xFFFFFF);
  e.planes = 3, e.bitCount = 1;  // a cursor's hot spot
  Decoded cursor = Decode(WriteIconFile(2, {e}));
  ASSERT_TRUE(cursor) << cursor.reason;
  EXPECT_EQ(cursor->kind, PictureKind::kCursor);
  EXPECT_EQ(cursor->icon->hotX, 3);
  EXPECT_EQ(cursor->icon->hotY, 1);
  Decoded icon = Decode(WriteIconFile(1, {e}));
  ASSERT_TRUE(icon) << icon.reason;
  EXPECT_EQ(icon->kind, PictureKind::kIcon);
  EXPECT_EQ(icon->icon->hotX, 2);  // the centre of 5 × 2
  EXPECT_EQ(icon->icon->hotY, 1);
}

TEST(IconDecode, Refusals) {
  const Bytes good = WriteIconFile(1, {Solid(32, 16, 4, 0x123456)});
  auto with = [&](auto change) {
    Bytes file = good;
    change(file);
    return file;
  };
  constexpr std::size_t kImage = 6 + 16;  // where the one image starts
  struct Row {
    Bytes file;
    const char* reason;
  } rows[] = {
      {with([](Bytes& f) { Patch32(f, 18, 5000); }), "icon: image lies outside the file"},
      {with([](Bytes& f) { Patch32(f, 14, 0); }), "icon: image lies outside the file"},
      {with([](Bytes& f) { f.resize(20); }), "icon: directory is cut short"},
      {with([](Bytes& f) { Patch32(f, kImage, 12); }), "icon: 12-byte image header is not read"},
      {with([](Bytes& f) { f.resize(kImage + 30); Patch32(f, 14, 30); }), "icon: image header is cut short"},
      {with([](Bytes& f) { Patch32(f, kImage + 16, 1); }), "icon: bitmap compression 1 is not read"},
      {with([](Bytes& f) { f[kImage + 14] = 16; }), "icon: 16 bits per pixel are not read"},
      {with([](Bytes& f) { Patch32(f, kImage + 4, 16385); }), "icon: 16385 x 2 is too large"},
      {with([](Bytes& f) { Patch32(f, kImage + 4, 0); }), "icon: 0 x 2 is no picture size"},
      {with([](Bytes& f) { Patch32(f, kImage + 8, 1); }), "icon: 4 x 0 is no picture size"},  // halved: 0
      {with([](Bytes& f) { Patch32(f, kImage + 4, 16384), Patch32(f, kImage + 8, 32768); }),
       "icon: 16384 x 16384 is too large"},
      {with([](Bytes& f) { Patch32(f, kImage + 8, 40); }), "icon: image data is cut short"},
      {with([](Bytes& f) { Patch32(f, kImage + 32, 0x40000000); f[kImage + 14] = 8; }),
       "icon: colour table is cut short"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    Decoded d = Decode(rows[i].file);
    EXPECT_FALSE(d);
    EXPECT_EQ(d.reason, rows[i].reason);
  }
  // A cursor file's refusals name the cursor.
  Bytes cursor = with([](Bytes& f) { Patch32(f, kImage + 16, 3); });
  cursor[2] = 2;
  Decoded d = Decode(cursor);
  EXPECT_FALSE(d);
  EXPECT_EQ(d.reason, "cursor: bitmap compression 3 is not read");
}

}  // namespace
}  // namespace zorvel
