// Frames drawn against expected pixels: small movies written here, each checking one
// rule of filling, stroking, colouring or fitting the stage.
#include <gtest/gtest.h>

#include "tests/runtime/movie/movie_support.h"

namespace zorvel::movie {
namespace {

using namespace test;

const QColor kRed(255, 0, 0), kBlue(0, 0, 255), kWhite(255, 255, 255), kNone(0, 0, 0, 0);

swf::Bytes OneShape(const swf::Bytes& records, int w, int h, int version = 3, const swf::Place& place = {.character = 1}) {
  return swf::Movie({swf::DefineShape(1, version, records, 0, w * 20, 0, h * 20), swf::PlaceObject2(place),
                     swf::ShowFrame()},
                    Stage(w, h));
}

TEST(MovieRender, GoldenMovieIsARedSquareOnWhite) {
  auto movie = MustRead(swf::kGoldenMovie);
  const QImage image = RenderFrame(*movie, 1);
  ASSERT_EQ(image.size(), QSize(550, 400));
  for (int y = 0; y < 400; y += 3) {
    for (int x = 0; x < 550; x += 3) {
      ASSERT_TRUE(Near(image, x, y, x < 20 && y < 20 ? kRed : kWhite, 0));
    }
  }
  EXPECT_TRUE(Near(image, 19, 19, kRed, 0));
  EXPECT_TRUE(Near(image, 20, 19, kWhite, 0));
  EXPECT_TRUE(Near(image, 19, 20, kWhite, 0));
}

TEST(MovieRender, FillSidesEvenOddAndCurves) {
  // Two squares sharing an edge: red (fill 1) on the left, blue (fill 2) on the right;
  // the middle edge runs down with red on its right (fill1) and blue on its left (fill0).
  const swf::Styles two{{swf::Solid(255, 0, 0), swf::Solid(0, 0, 255)}, {}};
  const swf::Bytes sides = swf::ShapeWriter(3, two)
                               .Set({.move = std::pair{0, 0}, .fill0 = 0, .fill1 = 1})
                               .To(400, 0)
                               .Set({.fill1 = 2})
                               .To(400, 0).To(0, 400).To(-400, 0)
                               .Set({.fill1 = 1})
                               .To(-400, 0).To(0, -400)
                               .Set({.move = std::pair{400, 0}, .fill0 = 2, .fill1 = 1})
                               .To(0, 400)
                               .End();
  // A square with a square hole: both loops run the same way, even-odd makes the hole.
  const swf::Bytes hole = swf::ShapeWriter(3, {{swf::Solid(255, 0, 0)}, {}})
                              .Set({.move = std::pair{0, 0}, .fill1 = 1})
                              .To(800, 0).To(0, 800).To(-800, 0).To(0, -800)
                              .Set({.move = std::pair{200, 200}})
                              .To(400, 0).To(0, 400).To(-400, 0).To(0, -400)
                              .End();
  // A quarter lens: top and left edges straight, the third a curve from (40,0) through
  // (30,30) to (0,40), its control point at (40,40); a straight edge would pass (20,20).
  const swf::Bytes curve = swf::ShapeWriter(3, {{swf::Solid(255, 0, 0)}, {}})
                               .Set({.move = std::pair{0, 0}, .fill1 = 1})
                               .To(800, 0)
                               .Curve(0, 800, -800, 0)
                               .To(0, -800)
                               .End();
  // The same square drawn counter-clockwise with fill0: the same pixels as with fill1.
  const swf::Bytes left = swf::ShapeWriter(3, {{swf::Solid(0, 0, 255)}, {}})
                              .Set({.move = std::pair{0, 0}, .fill0 = 1})
                              .To(0, 400).To(400, 0).To(0, -400).To(-400, 0)
                              .End();
  struct Probe {
    int x, y;
    QColor colour;
  };
  struct Row {
    const char* name;
    swf::Bytes records;
    int w, h;
    std::vector<Probe> probes;
  } rows[] = {
      {"sides", sides, 60, 20, {{10, 10, kRed}, {2, 18, kRed}, {19, 10, kRed}, {20, 10, kBlue}, {30, 10, kBlue},
                                {39, 2, kBlue}, {45, 10, kWhite}}},
      {"hole", hole, 40, 40, {{5, 5, kRed}, {20, 20, kWhite}, {12, 12, kWhite}, {9, 20, kRed}, {35, 35, kRed}}},
      {"curve", curve, 40, 40, {{5, 5, kRed}, {27, 27, kRed}, {20, 30, kRed}, {33, 33, kWhite}, {38, 38, kWhite}}},
      {"fill0", left, 30, 30, {{5, 5, kBlue}, {19, 19, kBlue}, {21, 21, kWhite}}},
  };
  for (const Row& row : rows) {
    auto movie = MustRead(OneShape(row.records, row.w, row.h));
    const QImage image = RenderFrame(*movie, 1);
    for (const Probe& p : row.probes) EXPECT_TRUE(Near(image, p.x, p.y, p.colour)) << row.name;
  }
}

TEST(MovieRender, GradientsEndsMiddleAndSteps) {
  // The gradient square (−16384 … 16384) mapped onto the 64-pixel width.
  const swf::Mat across{.a = 1280.0 / 32768, .d = 1280.0 / 32768, .tx = 640, .ty = 80};
  swf::Fill linear{0x10, {}, across, {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 255}}}};
  // Out of order: 64 after 128 counts as 128, a step from white to red in the middle.
  swf::Fill stepped{0x10, {}, across, {{0, {0, 0, 0, 255}}, {128, {255, 255, 255, 255}}, {64, {255, 0, 0, 255}},
                                        {255, {255, 0, 0, 255}}}};
  // Radial: red at the centre, blue at radius 16 px and, padded, beyond.
  swf::Fill radial{0x12, {}, {.a = 320.0 / 16384, .d = 320.0 / 16384, .tx = 640, .ty = 80},
                   {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 255}}}};
  struct Probe {
    int x;
    QColor colour;
    int tolerance;
  };
  struct Row {
    const char* name;
    swf::Fill fill;
    std::vector<Probe> probes;
  } rows[] = {
      {"linear", linear, {{0, QColor(253, 0, 2), 3}, {63, QColor(2, 0, 253), 3}, {32, QColor(126, 0, 129), 4}}},
      {"stepped", stepped, {{0, QColor(2, 2, 2), 3}, {30, QColor(240, 240, 240), 8}, {33, kRed, 1}, {63, kRed, 1}}},
      {"radial", radial, {{32, QColor(244, 0, 11), 6}, {40, QColor(119, 0, 136), 6}, {50, kBlue, 1}, {2, kBlue, 1}}},
  };
  for (const Row& row : rows) {
    auto movie = MustRead(OneShape(swf::RectShape(3, row.fill, 0, 0, 1280, 160), 64, 8));
    const QImage image = RenderFrame(*movie, 1);
    for (const Probe& p : row.probes) EXPECT_TRUE(Near(image, p.x, 4, p.colour, p.tolerance)) << row.name;
  }
}

TEST(MovieRender, StrokesHaveWidthRoundCapsAndAtLeastOnePixel) {
  // A 5-pixel blue line from (10,20) to (50,20) px, a hairline (width 0) along y = 40.5.
  const swf::Styles styles{{}, {{100, {0, 0, 255, 255}}, {0, {255, 0, 0, 255}}}};
  const swf::Bytes records = swf::ShapeWriter(3, styles)
                                 .Set({.move = std::pair{200, 400}, .line = 1})
                                 .To(800, 0)
                                 .Set({.move = std::pair{200, 810}, .line = 2})
                                 .To(800, 0)
                                 .End();
  auto movie = MustRead(OneShape(records, 60, 50));
  const QImage image = RenderFrame(*movie, 1);
  EXPECT_TRUE(Near(image, 30, 20, kBlue, 0));
  EXPECT_TRUE(Near(image, 30, 18, kBlue, 0));
  EXPECT_TRUE(Near(image, 30, 21, kBlue, 0));
  EXPECT_TRUE(Near(image, 30, 16, kWhite, 0));
  EXPECT_TRUE(Near(image, 30, 24, kWhite, 0));
  EXPECT_TRUE(Near(image, 51, 20, kBlue, 20));  // the round cap reaches 2.5 px past the end
  EXPECT_TRUE(Near(image, 52, 17, kWhite, 2));  // … but not this corner, which a square cap would
  EXPECT_TRUE(Near(image, 30, 40, kRed, 0));    // the hairline: one full pixel row
  EXPECT_TRUE(Near(image, 30, 39, kWhite, 0));
  EXPECT_TRUE(Near(image, 30, 41, kWhite, 0));
}

TEST(MovieRender, DepthOrderColourTransformsAndNesting) {
  // Blue at depth 1 placed after red at depth 2: red is drawn over it.
  const swf::Bytes red = swf::DefineShape(1, 3, swf::RectShape(3, swf::Solid(255, 0, 0), 0, 0, 400, 400));
  const swf::Bytes blue = swf::DefineShape(2, 3, swf::RectShape(3, swf::Solid(0, 0, 255), 0, 0, 400, 400));
  // A mask (placed with a clip depth) over both is not drawn itself.
  auto order = MustRead(swf::Movie({red, blue, swf::PlaceObject2({.depth = 2, .character = 1}),
                                    swf::PlaceObject2({.depth = 1, .character = 2, .matrix = swf::Mat{.tx = 200}}),
                                    swf::PlaceObject2({.depth = 3, .character = 2, .matrix = swf::Mat{.a = 3, .d = 3},
                                                       .clipDepth = 9}),
                                    swf::ShowFrame()},
                                   Stage(40, 20)));
  const QImage image = RenderFrame(*order, 1);
  EXPECT_TRUE(Near(image, 15, 10, kRed, 0));
  EXPECT_TRUE(Near(image, 25, 10, kBlue, 0));

  // The check value: (102,255,255) through mult (256,256,256,151), add (255,255,255,0)
  // over the background (204,255,0) is (234,255,150).
  const swf::Cx check{.mult = {256, 256, 256, 151}, .add = {255, 255, 255, 0}};
  auto fade = MustRead(swf::Movie({swf::Background(204, 255, 0),
                                   swf::DefineShape(1, 3, swf::RectShape(3, swf::Solid(102, 255, 255), 0, 0, 400, 400)),
                                   swf::PlaceObject2({.depth = 1, .character = 1, .cx = check}), swf::ShowFrame()},
                                  Stage(20, 20)));
  EXPECT_TRUE(Near(RenderFrame(*fade, 1), 10, 10, QColor(234, 255, 150), 1));

  // Nested: a sprite halving alpha holds a shape that turns red to green; child first
  // (green), then the parent (half alpha) over white gives (127,255,127).
  const swf::Cx toGreen{.mult = {0, 0, 0, 256}, .add = {0, 255, 0, 0}};
  const swf::Cx half{.mult = {256, 256, 256, 128}, .add = {0, 0, 0, 0}, .hasMult = true, .hasAdd = false};
  auto nested = MustRead(swf::Movie({red,
                                     swf::DefineSprite(5, 1, {swf::PlaceObject2({.depth = 1, .character = 1, .cx = toGreen}),
                                                              swf::ShowFrame(), swf::End()}),
                                     swf::PlaceObject2({.depth = 1, .character = 5, .matrix = swf::Mat{.a = 2, .d = 2}, .cx = half}),
                                     swf::ShowFrame()},
                                    Stage(40, 40)));
  const QImage n = RenderFrame(*nested, 1);
  EXPECT_TRUE(Near(n, 39 - 1, 38, QColor(127, 255, 127), 2));  // scaled ×2 by the sprite: 40 px
  EXPECT_TRUE(Near(n, 10, 10, QColor(127, 255, 127), 2));
}

TEST(MovieRender, WithoutBackgroundAndStageFitting) {
  auto golden = MustRead(swf::kGoldenMovie);
  // Without the background: transparent where nothing is drawn, red where the square is.
  const QImage bare = RenderFrame(*golden, 1, {}, false);
  EXPECT_TRUE(Near(bare, 5, 5, kRed, 0));
  EXPECT_TRUE(Near(bare, 100, 100, kNone, 0));
  // A half-covered edge keeps its colour with half the alpha.
  auto edge = MustRead(OneShape(swf::RectShape(3, swf::Solid(255, 0, 0), 0, 0, 210, 200), 20, 20));
  const QImage half = RenderFrame(*edge, 1, {}, false);
  EXPECT_TRUE(Near(half, 10, 5, QColor(255, 0, 0, 128), 3));

  // 550 × 400 into 1100 × 400: the stage centred at 275…825, margins in the background.
  auto blueStage = MustRead(swf::Movie({swf::Background(0, 0, 255),
                                        swf::DefineShape(1, 1, swf::RectShape(1, swf::Solid(255, 0, 0), -400, 0, 800, 400),
                                                         -400, 400, 0, 400),
                                        swf::PlaceObject2({.depth = 1, .character = 1}), swf::ShowFrame()}));
  struct Row {
    QSize size;
    bool background;
    std::vector<std::pair<QPoint, QColor>> probes;
  } rows[] = {
      // The square reaches 20 px left of the stage: the margin stays the background.
      {{1100, 400}, true, {{{270, 5}, kBlue}, {{280, 5}, kRed}, {{294, 19}, kRed}, {{296, 5}, kBlue}, {{830, 5}, kBlue}}},
      {{1100, 400}, false, {{{270, 5}, kNone}, {{280, 5}, kRed}, {{296, 5}, kNone}, {{830, 5}, kNone}}},
      // Taller: scale 1, 200 px above and below.
      {{550, 800}, true, {{{5, 195}, kBlue}, {{5, 205}, kRed}, {{5, 221}, kBlue}}},
      // Half size: the 20 px square is 10 px.
      {{275, 200}, true, {{{4, 4}, kRed}, {{12, 4}, kBlue}}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const QImage image = RenderFrame(*blueStage, 1, rows[i].size, rows[i].background);
    ASSERT_EQ(image.size(), rows[i].size);
    for (const auto& [at, colour] : rows[i].probes) EXPECT_TRUE(Near(image, at.x(), at.y(), colour, 0)) << "row " << i;
  }
}

}  // namespace
}  // namespace zorvel::movie

namespace zorvel::movie {
namespace {

using namespace test;

// Sparks: one circle of 8 curves placed at many depths with alpha, moved each frame to
// quarter-pixel positions. Drawn from the shape cache they match the shapes drawn one
// by one; drawn into the same image frame after frame (clearing only what was drawn)
// they match each frame drawn afresh, also after the image was changed in between.
TEST(MovieRender, ShapeCacheAndPartialClearingMatchDrawingAfresh) {
  auto movie = MustRead(swf::Movie(swf::SparkTags(40, 3), Stage(100, 60)));
  auto largest = [](const QImage& a, const QImage& b) {
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x)
        for (int shift : {0, 8, 16, 24})
          most = std::max(most, std::abs(static_cast<int>(a.pixel(x, y) >> shift & 255) -
                                         static_cast<int>(b.pixel(x, y) >> shift & 255)));
    return most;
  };
  for (bool background : {true, false}) {
    Timeline timeline(*movie);
    Renderer cached(*movie), direct(*movie);
    direct.setShapeCache(false);
    QImage reused = MakeFrameImage({100, 60});
    for (int n = 1; n <= 4; ++n) {
      if (n == 3) reused.fill(Qt::green);  // changed by someone else: drawn whole again
      cached.Render(timeline, reused, background);
      EXPECT_EQ(cached.drawnShapes(), 40) << n;
      EXPECT_EQ(cached.cachedShapes(), 40) << n;
      QImage fresh = MakeFrameImage({100, 60});
      direct.Render(timeline, fresh, background);
      EXPECT_EQ(direct.cachedShapes(), 0);
      EXPECT_LE(largest(reused, fresh), 2) << "frame " << n << (background ? "" : " without background");
      timeline.Next();
    }
  }
}

}  // namespace
}  // namespace zorvel::movie
