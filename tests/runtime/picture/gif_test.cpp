// GIF streams decoded to a picture record: layout, colour tables, transparency, the
// LZW decoder on every kind of stream, and streams that lie or stop short.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "tests/runtime/picture/gif_support.h"

namespace zorvel::test {
namespace {

const std::vector<GifRgb> kFour = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {255, 0, 128}};

TEST(GifPicture, KnownImageLayout) {
  // 5 x 3: rows of 8 bytes, the last three of each zero.
  const std::vector<std::uint8_t> indexes = {0, 1, 2, 3, 0,  //
                                             3, 3, 2, 2, 1,  //
                                             1, 0, 0, 0, 2};
  GifWriter writer(5, 3, kFour);
  writer.Image(GifPlainImage(5, 3, indexes));
  auto d = DecodeGif(writer.Finish());
  ASSERT_TRUE(d->ok) << d->reason;
  const Picture& p = d->picture;
  EXPECT_EQ(p.kind, PictureKind::kGif);
  EXPECT_EQ(p.width, 5);
  EXPECT_EQ(p.height, 3);
  EXPECT_EQ(p.pixelBytes, 40u + 1024u + 8u * 3u);
  EXPECT_EQ(p.transparentColour, kNoColour);
  EXPECT_EQ(p.icon, nullptr);

  // The bitmap-info header: size, width, height (negative: top-down), planes, bits,
  // compression, image size, resolutions, colours used, colours important.
  const std::uint32_t header[10] = {40, 5, static_cast<std::uint32_t>(-3), 1 | 8 << 16, 0, 24, 0, 0, 256, 0};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(GifU32At(p.pixels + i * 4), header[i]) << "header word " << i;
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t* e = p.pixels + 40 + i * 4;
    const GifRgb c = i < 4 ? kFour[i] : GifRgb{};
    EXPECT_EQ((std::vector<int>{e[0], e[1], e[2], e[3]}), (std::vector<int>{c.b, c.g, c.r, 0})) << "entry " << i;
  }
  const std::uint8_t* rows = p.pixels + 1064;
  for (int y = 0; y < 3; ++y) {
    std::vector<int> got(rows + y * 8, rows + y * 8 + 8);
    std::vector<int> want(indexes.begin() + y * 5, indexes.begin() + y * 5 + 5);
    want.insert(want.end(), 3, 0);
    EXPECT_EQ(got, want) << "row " << y;
  }
}

TEST(GifPicture, InterlacedEqualsProgressive) {
  // Heights around the pass steps (1 to 17) and widths on and off the row padding.
  int row = 0;
  for (int width : {1, 6, 8}) {
    for (int height = 1; height <= 17; ++height, ++row) {
      SCOPED_TRACE("row " + std::to_string(row) + ": " + std::to_string(width) + " x " + std::to_string(height));
      const auto indexes = GifNoise(static_cast<std::size_t>(width) * height, 16, 100 + row);
      GifImage image = GifPlainImage(width, height, indexes);
      GifWriter progressive(width, height, GifPalette(16));
      progressive.Image(image);
      image.interlaced = true;
      GifWriter interlaced(width, height, GifPalette(16));
      interlaced.Image(image);
      auto a = DecodeGif(progressive.Finish());
      auto b = DecodeGif(interlaced.Finish());
      ASSERT_TRUE(a->ok && b->ok);
      EXPECT_EQ(GifRecordOf(a->picture).indexes, indexes);
      EXPECT_EQ(GifRecordOf(b->picture).indexes, indexes);
      const GifPlayed played = PlayGif(interlaced.bytes);
      ASSERT_EQ(played.screens.size(), 1u);
      for (std::size_t i = 0; i < indexes.size(); ++i) {
        ASSERT_EQ(played.screens[0][i], GifArgb(GifPalette(16)[indexes[i]])) << "pixel " << i;
      }
    }
  }
}

// Which table the record takes and which colour it calls transparent.
TEST(GifPicture, ColourTablesAndTransparentColour) {
  const std::vector<GifRgb> global = kFour;
  const std::vector<GifRgb> local = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {11, 12, 13}, {14, 15, 16}};
  enum Blocks { kNone, kControl, kControlAndOthers, kControlThenPlainText, kControlAfterImage };
  struct Row {
    bool hasGlobal, hasLocal;
    Blocks blocks;
    int transparentIndex;  // for the control; -1 none
    const std::vector<GifRgb>* expectTable;
    std::uint32_t expectTransparent;
  } rows[] = {
      {true, false, kNone, -1, &global, kNoColour},
      {true, true, kNone, -1, &local, kNoColour},
      {false, true, kNone, -1, &local, kNoColour},
      {false, false, kNone, -1, nullptr, kNoColour},
      {true, false, kControl, 1, &global, GifColourRef(global[1])},
      {true, true, kControl, 4, &local, GifColourRef(local[4])},
      {true, false, kControl, -1, &global, kNoColour},
      {true, false, kControl, 200, &global, 0u},  // past the table: its zero entry
      {true, false, kControlAndOthers, 3, &global, GifColourRef(global[3])},
      {true, false, kControlThenPlainText, 3, &global, kNoColour},
      {true, false, kControlAfterImage, 3, &global, kNoColour},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    GifWriter writer(4, 2, r.hasGlobal ? global : std::vector<GifRgb>{});
    if (r.blocks == kControl || r.blocks == kControlAndOthers || r.blocks == kControlThenPlainText) {
      writer.Control(1, 7, r.transparentIndex);
    }
    if (r.blocks == kControlAndOthers) writer.Comment("made by a test").Loop(0);
    if (r.blocks == kControlThenPlainText) writer.PlainText("text");
    GifImage image = GifPlainImage(4, 2, {0, 1, 2, 3, 3, 2, 1, 0});
    if (r.hasLocal) image.localTable = local;
    writer.Image(image);
    if (r.blocks == kControlAfterImage) writer.Control(0, 0, r.transparentIndex).Image(image);
    auto d = DecodeGif(writer.Finish());
    ASSERT_TRUE(d->ok) << d->reason;
    const GifRecordImage got = GifRecordOf(d->picture);
    for (int e = 0; e < 256; ++e) {
      const bool used = r.expectTable && e < static_cast<int>(r.expectTable->size());
      const std::uint32_t want = used ? GifArgb((*r.expectTable)[e]) & 0xFFFFFF : 0;
      ASSERT_EQ(got.table[e], want) << "entry " << e;
    }
    EXPECT_EQ(d->picture.transparentColour, r.expectTransparent);
  }
}

TEST(GifPicture, ScreenLargerThanTheFirstImage) {
  GifWriter writer(20, 10, kFour);
  writer.Image(GifPlainImage(5, 4, GifNoise(20, 4), 3, 2));
  auto d = DecodeGif(writer.Finish());
  ASSERT_TRUE(d->ok) << d->reason;
  EXPECT_EQ(d->picture.width, 20);
  EXPECT_EQ(d->picture.height, 10);
  const GifRecordImage got = GifRecordOf(d->picture);
  EXPECT_EQ(got.width, 5);
  EXPECT_EQ(got.height, 4);
  EXPECT_EQ(got.indexes, GifNoise(20, 4));
}

// The LZW decoder against the writer's streams: code sizes 2 to 8, tables that fill
// many times over (noise of 256 colours: nearly one code per pixel, so 40000 pixels
// fill the 4096-entry table about ten times), with clears, with a full table kept
// without a clear, long strings crossing rows.
TEST(GifPicture, LzwStreams) {
  constexpr int kNever = INT_MAX;
  std::vector<std::uint8_t> flat(200 * 200, 5);
  std::vector<std::uint8_t> stripes(200 * 200);
  for (std::size_t i = 0; i < stripes.size(); ++i) stripes[i] = static_cast<std::uint8_t>((i / 37) % 3);
  struct Row {
    int width, height, colours;
    const std::vector<std::uint8_t>* fixed;  // else noise
    GifLzwOptions lzw;
  } rows[] = {
      {200, 200, 256, nullptr, {}},
      {200, 200, 256, nullptr, {0, true, kNever, true, 255}},  // full table kept to the end
      {200, 200, 256, nullptr, {0, true, 700, true, 255}},     // kept a while, then a clear
      {200, 200, 256, nullptr, {0, true, 0, true, 255}},
      {200, 200, 256, nullptr, {0, false, -1, true, 255}},     // no clear at the start
      {200, 200, 256, nullptr, {0, true, -1, false, 255}},     // no end code
      {200, 200, 256, nullptr, {0, true, -1, true, 1}},        // one-byte sub-blocks
      // Four colours: strings grow long, and once the table is full its entries (the
      // last one, 4095, among them) keep being used for 80000 more pixels.
      {400, 250, 4, nullptr, {0, true, kNever, true, 255}},
      {123, 77, 4, nullptr, {}},
      {123, 77, 8, nullptr, {}},
      {123, 77, 32, nullptr, {0, true, kNever, true, 255}},
      {123, 77, 128, nullptr, {}},
      {33, 17, 2, nullptr, {}},
      {7, 1000, 256, nullptr, {0, true, kNever, true, 200}},
      {8, 5000, 6, &flat, {}},    // strings of thousands of pixels over many rows
      {200, 200, 6, &flat, {0, true, kNever, true, 255}},
      {125, 320, 3, &stripes, {}},
      {2, 2, 256, nullptr, {8, true, -1, true, 255}},  // code size 8 for four pixels
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    const std::size_t count = static_cast<std::size_t>(r.width) * r.height;
    const std::vector<std::uint8_t> indexes = r.fixed ? *r.fixed : GifNoise(count, r.colours, 40 + i);
    ASSERT_EQ(indexes.size(), count);
    GifImage image = GifPlainImage(r.width, r.height, indexes);
    image.lzw = r.lzw;
    GifWriter writer(r.width, r.height, GifPalette(r.colours));
    writer.Image(image);
    auto d = DecodeGif(writer.Finish());
    ASSERT_TRUE(d->ok) << d->reason;
    const GifRecordImage got = GifRecordOf(d->picture);
    ASSERT_EQ(got.indexes.size(), count);
    std::size_t firstWrong = 0;
    while (firstWrong < count && got.indexes[firstWrong] == indexes[firstWrong]) ++firstWrong;
    EXPECT_EQ(firstWrong, count) << "first wrong pixel";
  }
}

// Codes packed by hand (minimum code size 2: clear 4, end 5, first free entry 6, codes
// of 3 bits until entry 8 is made) for the cases an encoder never writes.
std::vector<std::uint8_t> HandCoded(const std::vector<std::pair<unsigned, int>>& codes, int minCodeSize = 2) {
  std::vector<std::uint8_t> data;
  std::uint32_t bits = 0;
  int count = 0;
  for (auto [code, width] : codes) {
    bits |= code << count;
    count += width;
    while (count >= 8) {
      data.push_back(static_cast<std::uint8_t>(bits));
      bits >>= 8;
      count -= 8;
    }
  }
  if (count) data.push_back(static_cast<std::uint8_t>(bits));
  std::vector<std::uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0, 0x81, 0, 0};
  for (int c = 0; c < 4; ++c) gif.insert(gif.end(), {static_cast<std::uint8_t>(c), 0, 0});
  gif.insert(gif.end(), {0x2C, 0, 0, 0, 0, 4, 0, 2, 0, 0, static_cast<std::uint8_t>(minCodeSize),
                         static_cast<std::uint8_t>(data.size())});
  gif.insert(gif.end(), data.begin(), data.end());
  gif.insert(gif.end(), {0, 0x3B});
  return gif;
}

// Where the codes stop making sense the image stops; what was decoded stays and the
// rest is index 0.
TEST(GifPicture, HandMadeCodeStreams) {
  struct Row {
    std::vector<std::pair<unsigned, int>> codes;
    int minCodeSize;
    std::vector<std::uint8_t> expect;  // the 4 x 2 image
  } rows[] = {
      {{{4, 3}, {1, 3}, {2, 3}, {6, 3}, {5, 4}}, 2, {1, 2, 1, 2, 0, 0, 0, 0}},  // entry 8 made: 4 bits
      // KwKwK: code 6 arrives before it is defined: 1 then 1 1
      {{{4, 3}, {1, 3}, {6, 3}, {5, 3}}, 2, {1, 1, 1, 0, 0, 0, 0, 0}},
      {{{4, 3}, {1, 3}, {2, 3}, {7, 3}, {5, 4}}, 2, {1, 2, 2, 2, 0, 0, 0, 0}},  // KwKwK again
      // out of range: 7 when 6 is the next free entry
      {{{4, 3}, {1, 3}, {7, 3}, {1, 3}, {5, 3}}, 2, {1, 0, 0, 0, 0, 0, 0, 0}},
      // a first code after a clear that is not a plain index
      {{{4, 3}, {3, 3}, {2, 3}, {4, 3}, {7, 3}, {1, 3}}, 2, {3, 2, 0, 0, 0, 0, 0, 0}},
      // no clear at the start; a clear in the middle restarts the table
      {{{3, 3}, {3, 3}, {4, 3}, {2, 3}, {6, 3}, {5, 3}}, 2, {3, 3, 2, 2, 2, 0, 0, 0}},
      // more pixels than the image has
      {{{4, 3}, {1, 3}, {6, 3}, {7, 3}, {8, 4}, {5, 4}}, 2, {1, 1, 1, 1, 1, 1, 1, 1}},
      // missing end code: the data simply ends
      {{{4, 3}, {3, 3}, {2, 3}, {1, 3}}, 2, {3, 2, 1, 0, 0, 0, 0, 0}},
      // minimum code sizes above 8: clear 2^min, end 2^min + 1, codes of min + 1 bits
      {{{512, 10}, {1, 10}, {513, 10}}, 9, {1, 0, 0, 0, 0, 0, 0, 0}},
      {{{2048, 12}, {3, 12}, {2, 12}, {2050, 12}, {2049, 12}}, 11, {3, 2, 3, 2, 0, 0, 0, 0}},
      // clear codes before the first index
      {{{4, 3}, {4, 3}, {4, 3}, {2, 3}, {5, 3}}, 2, {2, 0, 0, 0, 0, 0, 0, 0}},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    auto d = DecodeGif(HandCoded(r.codes, r.minCodeSize));
    ASSERT_TRUE(d->ok) << d->reason;
    EXPECT_EQ(GifRecordOf(d->picture).indexes, r.expect);
  }
}

// Image data that ends early, one way or another: a prefix of the pixels, then index 0.
TEST(GifPicture, ImageDataEndingEarly) {
  const auto indexes = GifNoise(60 * 40, 255, 3, 1);  // no index 0, so zeros are undecoded pixels
  GifImage image = GifPlainImage(60, 40, indexes);
  GifWriter writer(60, 40, GifPalette(256));
  writer.Image(image);
  const std::vector<std::uint8_t> whole = writer.Finish();
  const std::size_t dataStart = 13 + 768 + 10 + 1;  // header, table, descriptor, code size
  struct Row {
    std::vector<std::uint8_t> bytes;
    const char* what;
  } rows[] = {
      {std::vector<std::uint8_t>(whole.begin(), whole.begin() + dataStart + 1 + 100), "stream ends in a sub-block"},
      {std::vector<std::uint8_t>(whole.begin(), whole.begin() + dataStart + 256 + 1), "stream ends after a sub-block"},
      // 24 bits: the clear code and the first index at 9 bits
      {std::vector<std::uint8_t>(whole.begin(), whole.begin() + dataStart + 1 + 3), "stream ends after 3 bytes of data"},
  };
  // (A stream that ends before the data gives no pixel: see FirstImageWithoutPixels.)
  // And a stream that closes its data early: a sub-block terminator after 300 bytes.
  std::vector<std::uint8_t> closed(whole.begin(), whole.begin() + dataStart + 256);
  closed.insert(closed.end(), {45});
  closed.insert(closed.end(), whole.begin() + dataStart + 257, whole.begin() + dataStart + 257 + 45);
  closed.insert(closed.end(), {0, 0x3B});
  int i = 0;
  for (const auto& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++) + ": " + r.what);
    auto d = DecodeGif(r.bytes);
    ASSERT_TRUE(d->ok) << d->reason;
    const GifRecordImage got = GifRecordOf(d->picture);
    ASSERT_EQ(got.indexes.size(), indexes.size());
    std::size_t decoded = 0;
    while (decoded < indexes.size() && got.indexes[decoded] == indexes[decoded]) ++decoded;
    for (std::size_t p = decoded; p < indexes.size(); ++p) ASSERT_EQ(got.indexes[p], 0) << "pixel " << p;
    EXPECT_LT(decoded, indexes.size());
  }
  auto d = DecodeGif(closed);
  ASSERT_TRUE(d->ok) << d->reason;
  const GifRecordImage got = GifRecordOf(d->picture);
  std::size_t decoded = 0;
  while (decoded < indexes.size() && got.indexes[decoded] == indexes[decoded]) ++decoded;
  EXPECT_GT(decoded, 150u) << "301 bytes of data hold about 200 codes";
  EXPECT_EQ(std::vector<std::uint8_t>(got.indexes.begin() + static_cast<long>(decoded), got.indexes.end()),
            std::vector<std::uint8_t>(indexes.size() - decoded, 0));
}

// Image data from which not one pixel comes: the record is refused with a reason that
// names what was wrong, and an animation shows no frame of it.
TEST(GifPicture, FirstImageWithoutPixels) {
  auto stream = [](int minCodeSize, std::vector<std::uint8_t> data, bool terminated = true) {
    std::vector<std::uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0, 0x81, 0, 0};
    for (int c = 0; c < 4; ++c) gif.insert(gif.end(), {static_cast<std::uint8_t>(c * 60), 0, 0});
    gif.insert(gif.end(), {0x2C, 0, 0, 0, 0, 4, 0, 2, 0, 0});
    if (minCodeSize >= 0) gif.push_back(static_cast<std::uint8_t>(minCodeSize));
    if (!data.empty()) gif.push_back(static_cast<std::uint8_t>(data.size()));
    gif.insert(gif.end(), data.begin(), data.end());
    if (terminated) gif.insert(gif.end(), {0, 0x3B});
    return gif;
  };
  const std::vector<std::uint8_t> somePixels = {0x4C, 0x01};  // clear, 1, end at min code size 2
  struct Row {
    std::vector<std::uint8_t> bytes;
    const char* reason;
  } rows[] = {
      {stream(0, somePixels), "GIF: LZW minimum code size 0 is not read"},
      {stream(1, somePixels), "GIF: LZW minimum code size 1 is not read"},
      {stream(12, somePixels), "GIF: LZW minimum code size 12 is not read"},
      {stream(13, somePixels), "GIF: LZW minimum code size 13 is not read"},
      {stream(255, somePixels), "GIF: LZW minimum code size 255 is not read"},
      {stream(-1, {}, false), "GIF: first image has no image data"},
      {stream(2, {}), "GIF: first image data is cut short before its first pixel"},
      {stream(2, {}, false), "GIF: first image data is cut short before its first pixel"},
      {stream(2, {0x24}), "GIF: first image data is cut short before its first pixel"},  // clear, clear, 2 bits
      {stream(2, {0x0D}), "GIF: first image data ends before its first pixel"},          // end code
      {stream(2, {0x34}), "GIF: first image data starts with a bad LZW code"},            // clear, then 6
      {stream(2, {0x07}), "GIF: first image data starts with a bad LZW code"},            // 7 first
      {stream(11, {0x00, 0x18, 0x80}), "GIF: first image data ends before its first pixel"},  // clear, end
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i) + ": " + rows[i].reason);
    auto d = DecodeGif(rows[i].bytes);
    EXPECT_FALSE(d->ok);
    EXPECT_EQ(d->reason, rows[i].reason);
    EXPECT_EQ(d->picture.pixels, nullptr);
    const GifPlayed played = PlayGif(rows[i].bytes);
    EXPECT_TRUE(played.opened);
    EXPECT_TRUE(played.frames.empty());
  }
  EXPECT_TRUE(DecodeGif(stream(2, somePixels))->ok);
  EXPECT_EQ(GifRecordOf(DecodeGif(stream(2, somePixels))->picture).indexes,
            (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 0, 0}));
}

// Minimum code sizes 9 to 11, which some files carry though their colours need fewer:
// the table starts further up and has room for fewer entries before it is full, and
// the first codes are wider. Every pixel comes out as written.
TEST(GifPicture, MinimumCodeSizesAboveEight) {
  constexpr int kNever = INT_MAX;
  std::vector<std::uint8_t> flat(150 * 90, 3);
  struct Row {
    int minCodeSize, width, height, colours;
    const std::vector<std::uint8_t>* fixed;  // else noise
    bool interlaced;
    int clearAfterFull;
  } rows[] = {
      {11, 4, 2, 4, nullptr, false, -1},    // as small as the files that carry 11
      {11, 123, 77, 4, nullptr, false, -1},
      {11, 200, 200, 256, nullptr, false, -1},  // 2046 entries a table: full again and again
      {11, 200, 200, 256, nullptr, false, kNever},  // and kept full at 12 bits to the end
      {11, 150, 90, 4, &flat, false, -1},
      {11, 61, 29, 16, nullptr, true, -1},
      {10, 123, 77, 16, nullptr, false, -1},
      {10, 200, 200, 256, nullptr, false, 300},
      {9, 123, 77, 256, nullptr, false, -1},
      {9, 40, 33, 2, nullptr, true, kNever},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE("row " + std::to_string(i) + ": code size " + std::to_string(r.minCodeSize));
    const std::size_t count = static_cast<std::size_t>(r.width) * r.height;
    const std::vector<std::uint8_t> indexes = r.fixed ? *r.fixed : GifNoise(count, r.colours, 60 + i);
    GifImage image = GifPlainImage(r.width, r.height, indexes);
    image.interlaced = r.interlaced;
    image.lzw.minCodeSize = r.minCodeSize;
    image.lzw.clearAfterFull = r.clearAfterFull;
    const std::vector<GifRgb> palette = GifPalette(r.colours);
    GifWriter writer(r.width, r.height, palette);
    writer.Image(image);
    const std::vector<std::uint8_t> bytes = writer.Finish();
    ASSERT_EQ(bytes[13 + 3 * (2 << (bytes[10] & 7)) + 10], r.minCodeSize) << "the code size the stream carries";
    auto d = DecodeGif(bytes);
    ASSERT_TRUE(d->ok) << d->reason;
    const GifRecordImage got = GifRecordOf(d->picture);
    ASSERT_EQ(got.indexes.size(), count);
    std::size_t firstWrong = 0;
    while (firstWrong < count && got.indexes[firstWrong] == indexes[firstWrong]) ++firstWrong;
    EXPECT_EQ(firstWrong, count) << "first wrong pixel";
    const GifPlayed played = PlayGif(bytes);
    ASSERT_EQ(played.screens.size(), 1u);
    for (std::size_t p = 0; p < count; ++p)
      ASSERT_EQ(played.screens[0][p], GifArgb(palette[indexes[p]])) << "pixel " << p;
  }
}

// Indexes of 256 and more lie past every colour table and show as opaque black, as
// indexes past a shorter table do; the record writes them as a byte past the table
// that is not the transparent index, or 0 when the table is full.
TEST(GifPicture, IndexesPastEveryColourTable) {
  const std::vector<std::uint16_t> wide = {0, 1, 2, 3, 256, 300, 511, 5};
  struct Row {
    int tableSize, minCodeSize, transparentIndex;
    std::vector<std::uint8_t> record;  // the record's indexes
  } rows[] = {
      {4, 9, -1, {0, 1, 2, 3, 255, 255, 255, 5}},
      {4, 9, 255, {0, 1, 2, 3, 254, 254, 254, 5}},
      {8, 11, 255, {0, 1, 2, 3, 254, 254, 254, 5}},
      {4, 10, 5, {0, 1, 2, 3, 255, 255, 255, 5}},
      {256, 9, -1, {0, 1, 2, 3, 0, 0, 0, 5}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE("row " + std::to_string(i));
    const std::vector<GifRgb> table = GifPalette(r.tableSize, 3);
    GifImage image = GifPlainImage(4, 2, {});
    image.wideIndexes = wide;
    image.lzw.minCodeSize = r.minCodeSize;
    GifWriter writer(4, 2, table);
    if (r.transparentIndex >= 0) writer.Control(0, 0, r.transparentIndex);
    writer.Image(image);
    const std::vector<std::uint8_t> bytes = writer.Finish();
    auto d = DecodeGif(bytes);
    ASSERT_TRUE(d->ok) << d->reason;
    const GifRecordImage got = GifRecordOf(d->picture);
    EXPECT_EQ(got.indexes, r.record);
    // The animation: each pixel in its colour, the transparent index left unpainted
    // (transparent on a new screen), past the table opaque black.
    const GifPlayed played = PlayGif(bytes);
    ASSERT_EQ(played.screens.size(), 1u);
    for (std::size_t p = 0; p < wide.size(); ++p) {
      const int index = wide[p];
      std::uint32_t want = 0xFF000000u;
      if (index < 256 && index == r.transparentIndex) want = 0;
      else if (index < r.tableSize) want = GifArgb(table[static_cast<std::size_t>(index)]);
      else if (index >= 256 && r.tableSize == 256) want = GifArgb(table[0]);
      EXPECT_EQ(played.screens[0][p], want) << "pixel " << p << ", index " << index;
    }
  }
}

TEST(GifPicture, RefusedStreams) {
  auto header = [](const char* signature, int w, int h, std::uint8_t flags) {
    std::vector<std::uint8_t> b(signature, signature + 6);
    b.insert(b.end(), {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8),
                       static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8), flags, 0, 0});
    return b;
  };
  auto withImage = [](std::vector<std::uint8_t> b, int w, int h, std::uint8_t flags = 0) {
    b.insert(b.end(), {0x2C, 0, 0, 0, 0, static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8),
                       static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8), flags, 2, 2, 0x4C, 0x01, 0,
                       0x3B});
    return b;
  };
  GifWriter good(4, 2, kFour);
  good.Image(GifPlainImage(4, 2, {0, 1, 2, 3, 0, 1, 2, 3}));
  const std::vector<std::uint8_t> goodBytes = good.Finish();
  struct Row {
    std::vector<std::uint8_t> bytes;
    const char* what;
    bool animationFrame = false;  // an animation still plays it (as an empty frame)
  } rows[] = {
      {{}, "empty"},
      {std::vector<std::uint8_t>(goodBytes.begin(), goodBytes.begin() + 13), "13 bytes"},
      {withImage(header("GIF88a", 4, 2, 0), 4, 2), "unknown version"},
      {withImage(header("GIF89b", 4, 2, 0), 4, 2), "bad signature"},
      {withImage(header("GIF89a", 0, 2, 0), 4, 2), "empty screen"},
      {withImage(header("GIF89a", 65535, 65535, 0), 4, 2), "screen 65535 x 65535"},
      {withImage(header("GIF89a", 16385, 1, 0), 4, 2), "screen 16385 wide"},
      {withImage(header("GIF89a", 16384, 16384, 0), 4, 2), "screen over 512 MiB at 4 bytes a pixel"},
      {header("GIF89a", 4, 2, 0x87), "global table past the end"},
      {withImage(header("GIF89a", 4, 2, 0), 4, 2, 0x87), "local table past the end"},
      {withImage(header("GIF89a", 4, 2, 0), 0, 2), "empty first image", true},
      {withImage(header("GIF89a", 4, 2, 0), 3, 0), "image of no rows", true},
      {withImage(header("GIF89a", 4, 2, 0), 16385, 1), "image 16385 wide"},
      {withImage(header("GIF89a", 4, 2, 0), 65535, 65535), "image 65535 x 65535"},
      {[&] {
         auto b = header("GIF89a", 4, 2, 0);
         b.push_back(0x3B);
         return b;
       }(), "no image before the trailer"},
      {[&] {
         auto b = header("GIF89a", 4, 2, 0);
         b.insert(b.end(), {0x21, 0xFE, 10, 'a'});
         return b;
       }(), "comment running past the end"},
      {[&] {
         auto b = header("GIF89a", 4, 2, 0);
         b.insert(b.end(), {0x00, 0x2C});
         return b;
       }(), "a byte that starts no block"},
      {std::vector<std::uint8_t>(goodBytes.begin(), goodBytes.begin() + 13 + 12 + 5), "descriptor cut off"},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++) + ": " + r.what);
    auto d = DecodeGif(r.bytes);
    EXPECT_FALSE(d->ok);
    EXPECT_FALSE(d->reason.empty());
    EXPECT_EQ(d->picture.pixels, nullptr);
    GifAnimation animation;
    GifFrame frame;
    if (animation.Open(r.bytes.data(), r.bytes.size())) {
      EXPECT_EQ(animation.Next(frame), r.animationFrame);
      EXPECT_EQ(animation.screen(), std::vector<std::uint32_t>(8, 0u));
    }
  }
  EXPECT_TRUE(DecodeGif(goodBytes)->ok);
  Picture none;
  EXPECT_FALSE(DecodeGifPicture(nullptr, 0, none, nullptr));
}

// Images that lie about where they are: the record takes the image at its own size
// wherever it says it lies; the animation draws only what falls on the screen.
TEST(GifPicture, ImagesOutsideTheScreen) {
  struct Row {
    int left, top, width, height;
  } rows[] = {{1000, 0, 3, 2}, {0, 900, 3, 2}, {2, 1, 9, 9}, {65535, 65535, 2, 2}, {3, 0, 1, 3}};
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    const auto indexes = GifNoise(static_cast<std::size_t>(r.width) * r.height, 4, 9, 1);
    GifWriter writer(4, 3, kFour);
    writer.Image(GifPlainImage(r.width, r.height, indexes, r.left, r.top));
    const auto bytes = writer.Finish();
    auto d = DecodeGif(bytes);
    ASSERT_TRUE(d->ok) << d->reason;
    EXPECT_EQ(GifRecordOf(d->picture).indexes, indexes);
    const GifPlayed played = PlayGif(bytes);
    ASSERT_EQ(played.screens.size(), 1u);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 4; ++x) {
        const bool inside = x >= r.left && x < r.left + r.width && y >= r.top && y < r.top + r.height;
        const std::uint32_t want =
            inside ? GifArgb(kFour[indexes[static_cast<std::size_t>((y - r.top) * r.width + (x - r.left))]]) : 0;
        EXPECT_EQ(played.screens[0][static_cast<std::size_t>(y * 4 + x)], want) << x << "," << y;
      }
    }
  }
}

// Every prefix of a three-frame stream: refused, or a picture whose decoded part is
// the whole stream's; the animation plays no more frames than the prefix holds.
TEST(GifPicture, EveryPrefixOfAMultiFrameStream) {
  GifWriter writer(9, 7, GifPalette(8));
  writer.Loop(0).Comment("three frames");
  writer.Control(1, 5, 2).Image(GifPlainImage(9, 7, GifNoise(63, 8, 1)));
  GifImage second = GifPlainImage(4, 4, GifNoise(16, 4, 2), 2, 2);
  second.localTable = GifPalette(4, 9);
  second.interlaced = true;
  writer.Control(2, 5).Image(second);
  writer.Control(3, 5, 0).Image(GifPlainImage(9, 2, GifNoise(18, 8, 3), 0, 5));
  const std::vector<std::uint8_t> whole = writer.Finish();
  auto full = DecodeGif(whole);
  ASSERT_TRUE(full->ok);
  const GifRecordImage fullImage = GifRecordOf(full->picture);
  const GifPlayed fullPlay = PlayGif(whole);
  ASSERT_EQ(fullPlay.frames.size(), 3u);

  std::size_t lastFrames = 0;
  for (std::size_t n = 0; n < whole.size(); ++n) {
    SCOPED_TRACE("prefix " + std::to_string(n));
    const std::vector<std::uint8_t> prefix(whole.begin(), whole.begin() + static_cast<long>(n));
    auto d = DecodeGif(prefix);
    if (d->ok) {
      const GifRecordImage got = GifRecordOf(d->picture);
      ASSERT_EQ(got.indexes.size(), fullImage.indexes.size());
      EXPECT_EQ(got.table, fullImage.table);
      for (std::size_t p = 0; p < got.indexes.size(); ++p) {
        ASSERT_TRUE(got.indexes[p] == fullImage.indexes[p] || got.indexes[p] == 0) << "pixel " << p;
      }
    } else {
      EXPECT_FALSE(d->reason.empty());
    }
    const GifPlayed played = PlayGif(prefix);
    EXPECT_LE(played.frames.size(), 3u);
    EXPECT_GE(played.frames.size(), lastFrames);
    lastFrames = played.frames.size();
    EXPECT_EQ(d->ok, !played.frames.empty()) << "the record and the first frame need the same bytes";
    // Frames before the last are whole, so they match the whole stream's screens.
    for (std::size_t f = 0; f + 1 < played.frames.size(); ++f) EXPECT_EQ(played.screens[f], fullPlay.screens[f]);
  }
  EXPECT_EQ(lastFrames, 3u);
}

}  // namespace
}  // namespace zorvel::test
