// Timelines and the clocked player: objects placed, moved, replaced and removed across
// frames, the main timeline looping to frame 1, sprites playing and looping on their
// own, frames reached forward and back, and drawing only when the frame changes.
#include <gtest/gtest.h>

#include <chrono>

#include "runtime/movie/player.h"
#include "tests/runtime/movie/movie_support.h"

namespace zorvel::movie {
namespace {

using namespace test;
using namespace std::chrono_literals;

const QColor kRed(255, 0, 0), kBlue(0, 0, 255);

swf::Bytes Square(std::uint16_t id, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return swf::DefineShape(id, 3, swf::RectShape(3, swf::Solid(r, g, b), 0, 0, 200, 200), 0, 200, 0, 200);
}

// Where a 10-pixel square of the colour lies in a row of 10-pixel cells: the cell
// whose middle has the colour, -1 for none, -2 for more than one.
int CellOf(const QImage& image, QColor colour, int y = 5) {
  int found = -1;
  for (int cell = 0; cell * 10 < image.width(); ++cell) {
    if (!Near(image, cell * 10 + 5, y, colour, 0)) continue;
    found = found == -1 ? cell : -2;
  }
  return found;
}

swf::Mat Cell(int cell) { return {.tx = cell * 200}; }

TEST(MovieTimeline, PlaceMoveReplaceRemoveAndLoop) {
  // Frame 1 places red in cell 0; frame 2 moves it to cell 2 and places blue at depth 2
  // in cell 5; frame 3 replaces red by blue keeping its place; frame 4 removes depth 1.
  auto movie = MustRead(swf::Movie(
      {Square(1, 255, 0, 0), Square(2, 0, 0, 255),
       swf::PlaceObject2({.depth = 1, .character = 1, .matrix = Cell(0)}), swf::ShowFrame(),
       swf::PlaceObject2({.depth = 1, .matrix = Cell(2), .move = true}),
       swf::PlaceObject2({.depth = 2, .character = 2, .matrix = Cell(5)}), swf::ShowFrame(),
       swf::PlaceObject2({.depth = 1, .character = 2, .move = true}), swf::ShowFrame(),
       swf::RemoveObject2(1), swf::ShowFrame()},
      Stage(80, 10)));
  struct Row {
    int red, blue;  // cells, -1 none, -2 several
    std::size_t objects;
  } rows[] = {
      {0, -1, 1}, {2, 5, 2}, {-1, -2, 2}, {-1, 5, 1},
      // Looped: frame 1 again, the object placed in frame 2 gone, red back in cell 0.
      {0, -1, 1}, {2, 5, 2}, {-1, -2, 2}, {-1, 5, 1}, {0, -1, 1},
  };
  Timeline timeline(*movie);
  Renderer renderer(*movie);
  QImage image = MakeFrameImage({80, 10});
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    if (i > 0) timeline.Next();
    EXPECT_EQ(timeline.frame(), static_cast<std::int64_t>(i + 1));
    EXPECT_EQ(timeline.movieFrame(), static_cast<int>(i % 4 + 1));
    renderer.Render(timeline, image, true);
    EXPECT_EQ(CellOf(image, kRed), rows[i].red) << "frame " << i + 1;
    EXPECT_EQ(CellOf(image, kBlue), rows[i].blue) << "frame " << i + 1;
    EXPECT_EQ(timeline.displayList().size(), rows[i].objects) << "frame " << i + 1;
    EXPECT_EQ(timeline.instanceCount(), rows[i].objects) << "frame " << i + 1;
    // Any frame reached directly, forward or back, looks the same.
    EXPECT_EQ(RenderFrame(*movie, static_cast<std::int64_t>(i + 1)), image) << "frame " << i + 1;
  }
  // Far past the end: frame 1 000 001 is frame 1 of a pass.
  EXPECT_EQ(RenderFrame(*movie, 1'000'001), RenderFrame(*movie, 1));
  EXPECT_EQ(RenderFrame(*movie, 1'000'003), RenderFrame(*movie, 3));
  Timeline back(*movie);
  back.GoTo(7);
  back.GoTo(2);
  EXPECT_EQ(back.frame(), 2);
  EXPECT_EQ(back.displayList().size(), 2u);
}

TEST(MovieTimeline, SpritesPlayAndLoopOnTheirOwn) {
  // A sprite of 3 frames moving a red square through cells 0, 1, 2; the main timeline
  // has 2 frames, places the sprite in frame 1 and a blue square in frame 2. Through
  // the main timeline's loop the sprite keeps its own playhead.
  const swf::Bytes sprite = swf::DefineSprite(
      3, 3,
      {swf::PlaceObject2({.depth = 1, .character = 1, .matrix = Cell(0)}), swf::ShowFrame(),
       swf::PlaceObject2({.depth = 1, .matrix = Cell(1), .move = true}), swf::ShowFrame(),
       swf::PlaceObject2({.depth = 1, .matrix = Cell(2), .move = true}), swf::ShowFrame(), swf::End()});
  auto movie = MustRead(swf::Movie({Square(1, 255, 0, 0), Square(2, 0, 0, 255), sprite,
                                    swf::PlaceObject2({.depth = 1, .character = 3, .matrix = swf::Mat{.ty = 200}}),
                                    swf::ShowFrame(), swf::PlaceObject2({.depth = 2, .character = 2, .matrix = Cell(6)}),
                                    swf::ShowFrame()},
                                   Stage(80, 20)));
  Timeline timeline(*movie);
  Renderer renderer(*movie);
  QImage image = MakeFrameImage({80, 20});
  for (int n = 1; n <= 8; ++n) {
    if (n > 1) timeline.Next();
    renderer.Render(timeline, image, true);
    EXPECT_EQ(CellOf(image, kRed, 15), (n - 1) % 3) << "frame " << n;
    EXPECT_EQ(CellOf(image, kBlue), n % 2 == 0 ? 6 : -1) << "frame " << n;
    ASSERT_TRUE(timeline.displayList()[0].sprite) << "frame " << n;
    EXPECT_EQ(timeline.displayList()[0].sprite->frame, static_cast<std::size_t>((n - 1) % 3)) << "frame " << n;
  }
  // Frame 1000 directly: the sprite at (1000 − 1) mod 3 = 0, the main timeline at 2.
  const QImage far = RenderFrame(*movie, 1000);
  EXPECT_EQ(CellOf(far, kRed, 15), 0);
  EXPECT_EQ(CellOf(far, kBlue), 6);

  // The main timeline replaces the sprite by a new instance of it at frame 2 (remove,
  // place): the new instance starts at its own frame 1.
  auto again = MustRead(swf::Movie({Square(1, 255, 0, 0), sprite, swf::PlaceObject2({.depth = 1, .character = 3}),
                                    swf::ShowFrame(), swf::ShowFrame(), swf::RemoveObject2(1),
                                    swf::PlaceObject2({.depth = 1, .character = 3}), swf::ShowFrame()},
                                   Stage(80, 10)));
  const int expected[] = {0, 1, 0, 1, 2, 0};  // frames 1…6: restarted at 3, looped main at 4
  for (int n = 1; n <= 6; ++n) EXPECT_EQ(CellOf(RenderFrame(*again, n), kRed), expected[n - 1]) << "frame " << n;
}

TEST(MovieTimeline, RecursiveSpritesAreBounded) {
  // A sprite that places itself at two depths: nesting stops at the limit, the count of
  // objects stays bounded, and stepping goes on.
  const swf::Bytes self = swf::DefineSprite(
      2, 2,
      {swf::PlaceObject2({.depth = 1, .character = 1}), swf::PlaceObject2({.depth = 2, .character = 2}),
       swf::PlaceObject2({.depth = 3, .character = 2, .matrix = swf::Mat{.a = 0.5, .d = 0.5}}), swf::ShowFrame(),
       swf::ShowFrame(), swf::End()});
  auto movie = MustRead(swf::Movie({Square(1, 255, 0, 0), self, swf::PlaceObject2({.depth = 1, .character = 2}),
                                    swf::ShowFrame()},
                                   Stage(20, 20)));
  Timeline timeline(*movie);
  EXPECT_LE(timeline.instanceCount(), kMaxInstances);
  EXPECT_GT(timeline.instanceCount(), 1000u);
  for (int i = 0; i < 3; ++i) timeline.Next();
  EXPECT_LE(timeline.instanceCount(), kMaxInstances);
  QImage image = MakeFrameImage({20, 20});
  Renderer(*movie).Render(timeline, image, true);
  EXPECT_TRUE(Near(image, 5, 5, kRed, 0));
}

TEST(MoviePlayer, AdvancesByTheClockAndDrawsOnlyOnChange) {
  // 4 frames at 10 fps, the red square one cell further each frame.
  auto movie = MustRead(swf::Movie({Square(1, 255, 0, 0), swf::PlaceObject2({.depth = 1, .character = 1}),
                                    swf::ShowFrame(), swf::PlaceObject2({.depth = 1, .matrix = Cell(1), .move = true}),
                                    swf::ShowFrame(), swf::PlaceObject2({.depth = 1, .matrix = Cell(2), .move = true}),
                                    swf::ShowFrame(), swf::PlaceObject2({.depth = 1, .matrix = Cell(3), .move = true}),
                                    swf::ShowFrame()},
                                   [] {
                                     auto o = Stage(40, 10);
                                     o.rate = 0x0A00;
                                     return o;
                                   }()));
  Player player(*movie, {40, 10});
  struct Row {
    std::chrono::milliseconds at;
    bool drawn;
    std::int64_t frame;
    int cell;
  } rows[] = {
      {0ms, true, 1, 0},    {50ms, false, 1, 0},  {99ms, false, 1, 0}, {100ms, true, 2, 1},
      {250ms, true, 3, 2},  {399ms, true, 4, 3},  {400ms, true, 5, 0},  {401ms, false, 5, 0},
      {1050ms, true, 11, 2}, {120ms, true, 2, 1},  // back in time: replayed
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(player.Update(rows[i].at), rows[i].drawn) << "row " << i;
    EXPECT_EQ(player.frame(), rows[i].frame) << "row " << i;
    EXPECT_EQ(CellOf(player.image(), kRed), rows[i].cell) << "row " << i;
  }
  player.Resize({80, 20});
  EXPECT_TRUE(player.Update(120ms));
  EXPECT_EQ(player.image().size(), QSize(80, 20));
  EXPECT_TRUE(Near(player.image(), 25, 5, kRed, 0));
}

}  // namespace
}  // namespace zorvel::movie
