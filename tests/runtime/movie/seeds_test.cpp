// The seed files of the movie fuzz target: the 66-byte movie and small movies of every
// tag and record the player reads. Every seed must be read, with the frames it was
// written with, and draw something other than its background. With ZORVEL_MOVIE_SEEDS
// set to a folder, the seeds are written there as well:
//   ZORVEL_MOVIE_SEEDS=fuzz/corpus/movie movie_tests --gtest_filter='MovieSeeds.*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tests/runtime/movie/movie_support.h"

namespace zorvel::movie {
namespace {

using namespace test;

struct Seed {
  const char* name;
  swf::Bytes file;
  int frames;
};

std::vector<Seed> Seeds() {
  const swf::Styles styles{{swf::Solid(255, 0, 0, 200),
                            {0x10, {}, {.a = 0.02, .d = 0.02, .tx = 300}, {{0, {0, 0, 0, 255}}, {200, {0, 255, 0, 128}}, {90, {1, 2, 3, 255}}}},
                            {0x12, {}, {.a = 0.01, .b = 0.005, .c = -0.005, .d = 0.01, .tx = 200, .ty = 200},
                             {{0, {255, 255, 0, 255}}, {255, {0, 0, 255, 0}}}},
                            {0x41, {}, {}, {}}},
                           {{60, {0, 0, 0, 255}}, {0, {9, 9, 9, 90}}}};
  const swf::Styles more{{swf::Solid(0, 0, 255, 255)}, {{20, {255, 255, 255, 255}}}};
  const swf::Bytes shape3 = swf::ShapeWriter(3, styles)
                                .Set({.move = std::pair{0, 0}, .fill0 = 2, .fill1 = 1, .line = 1})
                                .To(600, 0).Curve(100, 300, -100, 300).To(-600, 0)
                                .Set({.fill0 = 3, .line = 2})
                                .To(0, -600)
                                .Set({.move = std::pair{100, 100}, .fill0 = 0, .fill1 = 4})
                                .To(50, 50).To(-50, 0).To(0, -50)
                                .Set({.newStyles = &more})
                                .Set({.move = std::pair{-100, -100}, .fill1 = 1, .line = 1})
                                .To(80, 0).To(0, 80).To(-80, 0).To(0, -80)
                                .End();
  const swf::Bytes square = swf::DefineShape(1, 3, swf::RectShape(3, swf::Solid(0, 128, 255), 0, 0, 200, 200), 0, 200, 0, 200);
  const swf::Cx fade{.mult = {256, 256, 256, 100}, .add = {10, 0, -10, 0}};
  const swf::Bytes sprite = swf::DefineSprite(
      3, 2,
      {swf::PlaceObject2({.depth = 1, .character = 1}), swf::ShowFrame(),
       swf::PlaceObject2({.depth = 1, .matrix = swf::Mat{.tx = 100}, .cx = fade, .move = true}), swf::ShowFrame(),
       swf::End()});
  std::vector<swf::Bytes> timeline = {
      square, sprite, swf::Background(20, 30, 40),
      swf::PlaceObject2({.depth = 1, .character = 3, .matrix = swf::Mat{.a = 1.5, .b = 0.5, .c = -0.5, .d = 1.5, .tx = 400}}),
      swf::PlaceObject(1, 2, {.tx = 40, .ty = 500}, swf::Cx{.mult = {128, 256, 256, 256}, .add = {0, 0, 0, 0}, .hasAdd = false}),
      swf::ShowFrame(),
      swf::PlaceObject2({.depth = 5, .character = 1, .matrix = swf::Mat{.tx = 20}, .cx = fade}),
      swf::PlaceObject2({.depth = 2, .character = 3, .move = true}), swf::ShowFrame(),
      swf::RemoveObject(1, 5), swf::RemoveObject2(2), swf::Tag(43, {'f', 0}), swf::ShowFrame()};
  return {
      {"golden.swf", swf::kGoldenMovie, 1},
      {"shape3_styles.swf",
       swf::Movie({swf::DefineShape(7, 3, shape3, -100, 700, -100, 600), swf::PlaceObject2({.depth = 1, .character = 7}),
                   swf::ShowFrame()},
                  Stage(40, 30)),
       1},
      {"shape1_styles.swf",
       swf::Movie({swf::DefineShape(2, 1, swf::RectShape(1, swf::Solid(9, 99, 199), 20, 20, 300, 200)),
                   swf::DefineShape(4, 2, swf::RectShape(2, swf::Solid(200, 9, 99), 100, 100, 300, 200)),
                   swf::PlaceObject2({.depth = 3, .character = 2}), swf::PlaceObject2({.depth = 4, .character = 4}),
                   swf::ShowFrame()},
                  Stage(20, 20)),
       1},
      {"timeline_sprite.swf", swf::Movie(timeline, Stage(50, 40)), 3},
      {"sparks.swf", swf::Movie(swf::SparkTags(24, 3), Stage(100, 60)), 3},
      {"timeline_sprite_cws.swf", swf::Movie(timeline, [] {
         auto o = Stage(50, 40);
         o.compressed = true;
         o.version = 8;
         return o;
       }()), 3},
  };
}

TEST(MovieSeeds, EverySeedIsReadAndDrawn) {
  const char* folder = std::getenv("ZORVEL_MOVIE_SEEDS");
  for (const Seed& seed : Seeds()) {
    std::string reason;
    auto movie = ReadMovie(seed.file.data(), seed.file.size(), &reason);
    ASSERT_TRUE(movie) << seed.name << ": " << reason;
    EXPECT_EQ(movie->info().frameCount, seed.frames) << seed.name;
    EXPECT_FALSE(movie->info().truncated) << seed.name;
    const QImage image = RenderFrame(*movie, 1, {64, 48});
    const QRgb background = image.pixel(0, 0);
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) drawn += image.pixel(x, y) != background;
    EXPECT_GT(drawn, 0) << seed.name;
    if (folder) {
      std::ofstream out(std::string(folder) + "/" + seed.name, std::ios::binary);
      out.write(reinterpret_cast<const char*>(seed.file.data()), static_cast<std::streamsize>(seed.file.size()));
      EXPECT_TRUE(out.good()) << seed.name;
    }
  }
}

}  // namespace
}  // namespace zorvel::movie
