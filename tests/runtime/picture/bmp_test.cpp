// BMP files: every depth read, both row orders, and every refusal.
#include <gtest/gtest.h>

#include "tests/runtime/picture/raster_support.h"

// Writer options are designated initializers that name only what a case changes.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace zorvel {
namespace {
using namespace test;

const std::vector<std::uint32_t> kPalette16 = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                               0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                               0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

std::vector<std::uint32_t> Palette(int entries) {
  std::vector<std::uint32_t> out;
  for (int i = 0; i < entries; ++i) out.push_back(i < 16 ? kPalette16[i] : static_cast<std::uint32_t>(i * 0x010203));
  return out;
}

// Odd widths make every row padded in the file.
TEST(BmpDecode, EveryDepthBothRowOrders) {
  struct Row {
    int bits, width, height;
    bool topDown;
  } rows[] = {
      {1, 13, 5, false}, {1, 33, 3, true}, {4, 7, 4, false}, {4, 9, 2, true}, {8, 5, 6, false},
      {8, 3, 3, true},   {24, 7, 5, false}, {24, 1, 1, true}, {32, 6, 3, false}, {32, 5, 4, true},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE("row " + std::to_string(i) + ": " + std::to_string(r.bits) + " bits");
    std::vector<std::uint32_t> samples, expected;
    BmpOptions options{.bits = r.bits, .topDown = r.topDown};
    if (r.bits <= 8) {
      options.palette = Palette(1 << r.bits);
      samples = Indexes(r.width, r.height, 1u << r.bits, static_cast<unsigned>(i));
      expected = Lookup(samples, options.palette);
    } else {
      // The fourth byte of a 32-bit pixel is junk the decoder ignores.
      samples = Pattern(r.width, r.height, static_cast<unsigned>(i));
      for (auto& s : samples) s = (s & 0xFFFFFF) | 0x5A000000;
      expected = Opaque(samples);
    }
    Decoded d = Decode(WriteBmp(r.width, r.height, samples, options));
    ASSERT_TRUE(d) << d.reason;
    EXPECT_EQ(d->width, r.width);
    EXPECT_EQ(d->height, r.height);
    EXPECT_EQ(d->pixelBytes, static_cast<std::uint32_t>(r.width * r.height * 3));
    EXPECT_EQ(FirstDifference(PixelsOf(*d.picture), expected), "");
  }
}

TEST(BmpDecode, TopDownTwinGivesTheSameRecord) {
  const auto pixels = Pattern(11, 7);
  Decoded up = Decode(WriteBmp(11, 7, pixels));
  Decoded down = Decode(WriteBmp(11, 7, pixels, {.topDown = true}));
  ASSERT_TRUE(up && down);
  ASSERT_EQ(up->pixelBytes, down->pixelBytes);
  EXPECT_EQ(std::memcmp(up->pixels, down->pixels, up->pixelBytes), 0);
  // The record is bottom-up: its first pixel is the bottom-left one.
  const std::uint32_t bottomLeft = pixels[6 * 11];
  EXPECT_EQ(up->pixels[0], bottomLeft & 0xFF);
  EXPECT_EQ(up->pixels[2], bottomLeft >> 16 & 0xFF);
}

TEST(BmpDecode, ColourTableDetails) {
  // Fewer colours than the depth allows; indexes past them are black. A later (V5)
  // header is read by its length, and a gap before the pixels is skipped.
  const std::vector<std::uint32_t> samples = {0, 1, 2, 3, 4, 5};
  struct Row {
    BmpOptions options;
    std::vector<std::uint32_t> expected;
  } rows[] = {
      {{.bits = 8, .palette = {0x112233, 0x445566, 0x778899}, .coloursUsed = 3},
       {0x112233, 0x445566, 0x778899, 0, 0, 0}},
      {{.bits = 4, .palette = {0x112233, 0x445566}, .coloursUsed = 2}, {0x112233, 0x445566, 0, 0, 0, 0}},
      {{.bits = 8, .palette = Palette(6), .coloursUsed = 6, .headerBytes = 124, .gap = 10}, Palette(6)},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    Decoded d = Decode(WriteBmp(3, 2, samples, rows[i].options));
    ASSERT_TRUE(d) << d.reason;
    EXPECT_EQ(FirstDifference(PixelsOf(*d.picture), Opaque(rows[i].expected)), "");
  }
}

TEST(BmpDecode, NegativeWidthIsTakenAsItsSize) {
  Bytes file = WriteBmp(2, 1, {0x010203, 0x040506});
  Patch32(file, 18, static_cast<std::uint32_t>(-2));
  Decoded d = Decode(file);
  ASSERT_TRUE(d) << d.reason;
  EXPECT_EQ(PixelsOf(*d.picture), Opaque({0x010203, 0x040506}));
}

TEST(BmpDecode, Refusals) {
  const auto pixels = Pattern(4, 3);
  auto with = [&](auto change) {
    Bytes file = WriteBmp(4, 3, pixels);
    change(file);
    return file;
  };
  const Bytes palette8 = WriteBmp(4, 3, Indexes(4, 3, 4), {.bits = 8, .palette = Palette(4), .coloursUsed = 4});
  struct Row {
    Bytes file;
    const char* reason;
  } rows[] = {
      {with([](Bytes& f) { Patch32(f, 30, 1); }), "BMP: RLE8 compression is not read"},
      {with([](Bytes& f) { Patch32(f, 30, 2); }), "BMP: RLE4 compression is not read"},
      {with([](Bytes& f) { Patch32(f, 30, 3); }), "BMP: bit fields are not read"},
      {with([](Bytes& f) { Patch32(f, 30, 4); }), "BMP: an embedded JPEG is not read"},
      {with([](Bytes& f) { Patch32(f, 30, 5); }), "BMP: an embedded PNG is not read"},
      {with([](Bytes& f) { Patch32(f, 30, 6); }), "BMP: alpha bit fields are not read"},
      {with([](Bytes& f) { Patch32(f, 30, 0x7FFFFFFF); }), "BMP: compression 2147483647 is not read"},
      {with([](Bytes& f) { f[28] = 16; }), "BMP: 16 bits per pixel are not read"},
      {with([](Bytes& f) { f[28] = 0; }), "BMP: 0 bits per pixel are not read"},
      {with([](Bytes& f) { Patch32(f, 14, 12); }), "BMP: 12-byte bitmap header (OS/2) is not read"},
      {with([](Bytes& f) { Patch32(f, 18, 0); }), "BMP: 0 x 3 is no picture size"},
      {with([](Bytes& f) { Patch32(f, 22, 0); }), "BMP: 4 x 0 is no picture size"},
      {with([](Bytes& f) { Patch32(f, 18, 16385); }), "BMP: 16385 x 3 is too large"},
      {with([](Bytes& f) { Patch32(f, 22, 0x80000000u); }), "BMP: 4 x 2147483648 is too large"},
      // Both sides allowed, but 16384 × 16384 × 3 bytes is past the byte limit.
      {with([](Bytes& f) { Patch32(f, 18, 16384), Patch32(f, 22, 16384); }), "BMP: 16384 x 16384 is too large"},
      {with([](Bytes& f) { Patch32(f, 10, 40); }), "BMP: colour table runs past the pixel data"},
      {with([](Bytes& f) { Patch32(f, 18, 5); }), "BMP: pixel data is cut short"},
      {with([](Bytes& f) { f.pop_back(); }), "BMP: pixel data is cut short"},
      {with([](Bytes& f) { Patch32(f, 10, 0xFFFFFFF0u); }), "BMP: pixel data is cut short"},
      {with([](Bytes& f) { f.resize(53); }), "BMP: header is cut short"},
      // 256 colours claimed, 4 written: the table would run into the pixels.
      {[&] { Bytes f = palette8; Patch32(f, 46, 256); return f; }(), "BMP: colour table runs past the pixel data"},
      {[&] { Bytes f = palette8; Patch32(f, 46, 0xFFFFFFFFu); return f; }(),
       "BMP: colour table runs past the pixel data"},
      // The header claims a table and pixels far past the end of the data.
      {[&] { Bytes f = palette8; Patch32(f, 10, 4000); Patch32(f, 46, 900); f.resize(60); return f; }(),
       "BMP: colour table is cut short"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    Decoded d = Decode(rows[i].file);
    EXPECT_FALSE(d);
    EXPECT_EQ(d.reason, rows[i].reason);
  }
}

}  // namespace
}  // namespace zorvel
