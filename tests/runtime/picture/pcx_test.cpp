// PCX files: 8-bit pictures with their palette, 1-bit pictures, run-length coding
// and every refusal.
#include <gtest/gtest.h>

#include "tests/runtime/picture/raster_support.h"

// Writer options are designated initializers that name only what a case changes.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace zorvel {
namespace {
using namespace test;

std::vector<std::uint32_t> Palette256() {
  std::vector<std::uint32_t> out;
  for (std::uint32_t i = 0; i < 256; ++i) out.push_back((i * 0x9E3779B9u) >> 8 & 0xFFFFFF);
  return out;
}

TEST(PcxDecode, EightBitRecordLayout) {
  const auto palette = Palette256();
  const auto indexes = Indexes(5, 3, 256);
  Decoded d = Decode(WritePcx(5, 3, indexes, palette, {.xmin = 10, .ymin = 20}));
  ASSERT_TRUE(d) << d.reason;
  ASSERT_EQ(d->kind, PictureKind::kPcx8);
  EXPECT_EQ(d->width, 5);
  EXPECT_EQ(d->height, 3);
  ASSERT_EQ(d->pixelBytes, 40u + 1024u + 8u * 3u);
  const std::uint8_t* b = d->pixels;
  // The bitmap-info header: its size, width, negative height, 1 plane, 8 bits,
  // no compression, the image size, 256 colours.
  EXPECT_EQ(LittleU32(b), 40u);
  EXPECT_EQ(LittleU32(b + 4), 5u);
  EXPECT_EQ(static_cast<std::int32_t>(LittleU32(b + 8)), -3);
  EXPECT_EQ(b[12] | b[13] << 8, 1);
  EXPECT_EQ(b[14] | b[15] << 8, 8);
  EXPECT_EQ(LittleU32(b + 16), 0u);
  EXPECT_EQ(LittleU32(b + 20), 24u);
  EXPECT_EQ(LittleU32(b + 32), 256u);
  // The table holds blue, green, red, 0.
  for (int i = 0; i < 256; ++i) {
    SCOPED_TRACE("entry " + std::to_string(i));
    EXPECT_EQ(LittleU32(b + 40 + 4 * i), palette[i]);
  }
  // Rows are padded with zeros to 4 bytes.
  for (int y = 0; y < 3; ++y)
    for (int x = 5; x < 8; ++x) EXPECT_EQ(b[1064 + y * 8 + x], 0) << y << "," << x;
  EXPECT_EQ(FirstDifference(PixelsOf(*d.picture), Lookup(indexes, palette)), "");
}

TEST(PcxDecode, RunLengthVariants) {
  const auto palette = Palette256();
  // Long runs of 0xC0 and above, and runs that cover several lines.
  std::vector<std::uint32_t> runs(70 * 4, 0xC7);
  for (int i = 0; i < 70; ++i) runs[70 + i] = static_cast<std::uint32_t>(i % 3 ? 0xFF : 0x10);
  struct Row {
    int width, height;
    std::vector<std::uint32_t> indexes;
    PcxOptions options;
  } rows[] = {
      {70, 4, runs, {}},
      {70, 4, runs, {.runsCrossLines = true}},                  // runs carry on into the next line
      {7, 3, Indexes(7, 3, 256), {.lineBytes = 12}},           // bytes past the width are dropped
      {7, 3, Indexes(7, 3, 256), {.paletteGap = 5}},           // palette found from the end
      {7, 3, Indexes(7, 3, 256), {.version = 0}},              // any version up to 5
      {1, 1, {200}, {}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE("row " + std::to_string(i));
    Decoded d = Decode(WritePcx(r.width, r.height, r.indexes, palette, r.options));
    ASSERT_TRUE(d) << d.reason;
    EXPECT_EQ(FirstDifference(PixelsOf(*d.picture), Lookup(r.indexes, palette)), "");
  }
}

TEST(PcxDecode, OneBitPictures) {
  struct Row {
    int width, height;
    PcxOptions options;
  } rows[] = {
      {1, 1, {.bits = 1, .version = 3}},
      {13, 4, {.bits = 1, .version = 3}},
      {40, 3, {.bits = 1, .version = 3}},                       // two 4-byte words a row
      {9, 2, {.bits = 1, .version = 3, .lineBytes = 6}},
      {33, 5, {.bits = 1, .version = 3, .runsCrossLines = true}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE("row " + std::to_string(i));
    const auto bits = Indexes(r.width, r.height, 2, static_cast<unsigned>(i));
    Decoded d = Decode(WritePcx(r.width, r.height, bits, {}, r.options));
    ASSERT_TRUE(d) << d.reason;
    EXPECT_EQ(d->kind, PictureKind::kPcx1);
    const std::uint32_t stride = (static_cast<std::uint32_t>(r.width) + 31) / 32 * 4;
    EXPECT_EQ(d->pixelBytes, stride * static_cast<std::uint32_t>(r.height));
    // 1 is white; bits past the width are clear.
    EXPECT_EQ(FirstDifference(PixelsOf(*d.picture), Lookup(bits, {0x000000, 0xFFFFFF})), "");
    for (int y = 0; y < r.height; ++y)
      for (std::uint32_t x = static_cast<std::uint32_t>(r.width); x < stride * 8; ++x)
        EXPECT_EQ(d->pixels[y * stride + x / 8] >> (7 - x % 8) & 1, 0) << y << "," << x;
  }
}

TEST(PcxDecode, Refusals) {
  const auto palette = Palette256();
  const Bytes good = WritePcx(6, 4, Indexes(6, 4, 256), palette);
  auto with = [&](auto change) {
    Bytes file = good;
    change(file);
    return file;
  };
  auto setWord = [](Bytes& f, int at, int v) { f[at] = v & 0xFF, f[at + 1] = static_cast<std::uint8_t>(v >> 8); };
  struct Row {
    Bytes file;
    const char* reason;
  } rows[] = {
      {Bytes(good.begin(), good.begin() + 128), "PCX: header is cut short"},
      {with([&](Bytes& f) { setWord(f, 4, 6); }), "PCX: window 6,0 to 5,3 is empty"},
      {with([&](Bytes& f) { setWord(f, 6, 9); }), "PCX: window 0,9 to 5,3 is empty"},
      {with([&](Bytes& f) { f[65] = 3; }), "PCX: 3 colour planes are not read"},
      {with([&](Bytes& f) { f[65] = 0; }), "PCX: 0 colour planes are not read"},
      {with([&](Bytes& f) { setWord(f, 66, 5); }), "PCX: scan lines of 5 bytes are shorter than the width 6"},
      {with([&](Bytes& f) { setWord(f, 66, 0); }), "PCX: scan lines of 0 bytes are shorter than the width 6"},
      {with([&](Bytes& f) { setWord(f, 8, 16384), setWord(f, 66, 16386); }), "PCX: 16385 x 4 is too large"},
      {with([&](Bytes& f) { setWord(f, 10, 16000); }), "PCX: pixel data is cut short"},
      {with([&](Bytes& f) { f.resize(f.size() - 769); }), "PCX: the 256-colour palette is missing"},
      {with([&](Bytes& f) { f[f.size() - 769] = 11; }), "PCX: the 256-colour palette is missing"},
      {with([&](Bytes& f) { f.pop_back(); }), "PCX: the 256-colour palette is missing"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    Decoded d = Decode(rows[i].file);
    EXPECT_FALSE(d);
    EXPECT_EQ(d.reason, rows[i].reason);
  }
  // A 1-bit picture with more than one plane is not read either.
  Bytes planes = WritePcx(8, 2, Indexes(8, 2, 2), {}, {.bits = 1, .version = 3, .planes = 4});
  Decoded d = Decode(planes);
  EXPECT_FALSE(d);
  EXPECT_EQ(d.reason, "PCX: 4 colour planes are not read");
}

}  // namespace
}  // namespace zorvel
