// The seed streams of the GIF fuzz target, made by the test writer: each must decode
// and play as described here. With ZORVEL_WRITE_GIF_SEEDS set to a folder (the
// target's corpus folder, fuzz/corpus/gif), they are also written there.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/runtime/picture/gif_support.h"

namespace zorvel::test {
namespace {

struct Seed {
  const char* name;
  std::vector<std::uint8_t> bytes;
  std::size_t frames;  // the animation plays this many
};

std::vector<Seed> Seeds() {
  std::vector<Seed> seeds;
  {
    GifWriter w(4, 2, GifPalette(4));
    w.Image(GifPlainImage(4, 2, {0, 1, 2, 3, 3, 2, 1, 0}));
    seeds.push_back({"tiny", w.Finish(), 1});
  }
  {
    GifWriter w(13, 11, GifPalette(16), 0, "GIF87a");
    GifImage image = GifPlainImage(13, 11, GifNoise(143, 16, 1));
    image.interlaced = true;
    w.Image(image);
    seeds.push_back({"interlaced-87a", w.Finish(), 1});
  }
  {
    GifWriter w(10, 8, GifPalette(8));
    GifImage image = GifPlainImage(6, 5, GifNoise(30, 32, 2), 2, 1);
    image.localTable = GifPalette(32, 5);
    w.Comment("local table").Control(0, 0, 3).Image(image);
    seeds.push_back({"local-transparent", w.Finish(), 1});
  }
  {
    GifWriter w(12, 9, GifPalette(8));
    w.Loop(0).Control(1, 10).Image(GifPlainImage(12, 9, GifNoise(108, 8, 3)));
    w.Control(2, 5).Image(GifPlainImage(4, 4, GifNoise(16, 8, 4), 3, 3));
    w.PlainText("hello").Control(3, 7, 1).Image(GifPlainImage(6, 3, GifNoise(18, 8, 5), 6, 6));
    w.Control(0, 0).Image(GifPlainImage(20, 20, GifNoise(400, 8, 6), 5, 5));  // over the edge
    seeds.push_back({"frames", w.Finish(), 4});
  }
  {
    GifWriter w(72, 60, GifPalette(256));
    GifImage image = GifPlainImage(72, 60, GifNoise(72 * 60, 256, 7));
    image.lzw.clearAfterFull = INT_MAX;  // the full table kept without a clear
    w.Image(image);
    seeds.push_back({"full-table", w.Finish(), 1});
  }
  {
    GifWriter w(30, 30, GifPalette(2));
    GifImage image = GifPlainImage(30, 30, GifNoise(900, 2, 8));
    image.lzw.subBlock = 1;
    image.lzw.clearFirst = false;
    image.lzw.endCode = false;
    w.Image(image);
    seeds.push_back({"two-colours-small-blocks", w.Finish(), 1});
  }
  {
    GifWriter w(40, 30, GifPalette(4));
    w.Control(1, 3).Image(GifPlainImage(40, 30, std::vector<std::uint8_t>(1200, 2)));
    w.Control(1, 3).Image(GifPlainImage(40, 30, GifNoise(1200, 4, 9)));
    std::vector<std::uint8_t> bytes = w.Finish();
    bytes.resize(bytes.size() - 40);  // the second frame's data runs past the end
    seeds.push_back({"cut-short", bytes, 2});
  }
  {
    // Minimum code size 11, as some files carry it: a first frame of four colours and a
    // second whose indexes reach past every colour table.
    GifWriter w(16, 12, GifPalette(4));
    GifImage first = GifPlainImage(16, 12, GifNoise(192, 4, 10));
    first.lzw.minCodeSize = 11;
    w.Control(1, 4).Image(first);
    GifImage second = GifPlainImage(8, 6, {}, 4, 3);
    for (int i = 0; i < 48; ++i) second.wideIndexes.push_back(static_cast<std::uint16_t>(i * 41 % 2048));
    second.lzw.minCodeSize = 11;
    w.Control(0, 4, 2).Image(second);
    seeds.push_back({"code-size-11", w.Finish(), 2});
  }
  return seeds;
}

TEST(GifSeeds, EverySeedDecodesAndPlays) {
  const char* folder = std::getenv("ZORVEL_WRITE_GIF_SEEDS");
  int i = 0;
  for (const Seed& seed : Seeds()) {
    SCOPED_TRACE("row " + std::to_string(i++) + ": " + seed.name);
    EXPECT_LT(seed.bytes.size(), 8000u) << "seeds stay small";
    auto d = DecodeGif(seed.bytes);
    EXPECT_TRUE(d->ok) << d->reason;
    EXPECT_EQ(PlayGif(seed.bytes).frames.size(), seed.frames);
    if (folder && *folder) {
      std::ofstream out(std::string(folder) + "/" + seed.name + ".gif", std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(seed.bytes.data()), static_cast<std::streamsize>(seed.bytes.size()));
      EXPECT_TRUE(out.good()) << "cannot write into " << folder;
    }
  }
}

}  // namespace
}  // namespace zorvel::test
