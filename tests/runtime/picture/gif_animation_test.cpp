// GIF animations: frames composed onto the logical screen with each frame's disposal
// and transparent index, delays, rewinding, streams that break off.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/runtime/picture/gif_support.h"

namespace zorvel::test {
namespace {

// Screen colours: 0 black, 1 red, 2 green, 3 blue, 4 white.
const std::vector<GifRgb> kColours = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
constexpr std::uint32_t T = 0;  // transparent: nothing painted yet
constexpr std::uint32_t R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, W = 0xFFFFFFFF;

// Four frames on a 4 x 3 screen:
//   1 red over the whole screen, keep (1);
//   2 green 2 x 2 at (1, 1), restore to background (2);
//   3 blue and white 3 x 2 at (0, 0), white transparent, restore to previous (3);
//   4 green 1 x 1 at (3, 0), no disposal (0).
std::vector<std::uint8_t> FourFrames() {
  GifWriter writer(4, 3, kColours);
  writer.Loop(0);
  writer.Control(1, 10).Image(GifPlainImage(4, 3, std::vector<std::uint8_t>(12, 1)));
  writer.Control(2, 0).Image(GifPlainImage(2, 2, {2, 2, 2, 2}, 1, 1));
  writer.Comment("between frames");
  writer.Control(3, 25, 4).Image(GifPlainImage(3, 2, {3, 4, 3, 4, 3, 4}, 0, 0));
  writer.Control(0, 3).Image(GifPlainImage(1, 1, {2}, 3, 0));
  return writer.Finish();
}

TEST(GifAnimation, DisposalsStepByStep) {
  const std::vector<std::uint8_t> bytes = FourFrames();
  GifAnimation animation;
  ASSERT_TRUE(animation.Open(bytes.data(), bytes.size()));
  EXPECT_EQ(animation.width(), 4);
  EXPECT_EQ(animation.height(), 3);
  EXPECT_EQ(animation.screen(), std::vector<std::uint32_t>(12, T));
  struct Row {
    std::vector<std::uint32_t> screen;
    GifFrame frame;  // delay, disposal, transparent colour, rectangle
  } rows[] = {
      {{R, R, R, R,  //
        R, R, R, R,  //
        R, R, R, R},
       {100, 1, kNoColour, 0, 0, 4, 3}},
      {{R, R, R, R,  //
        R, G, G, R,  //
        R, G, G, R},
       {0, 2, kNoColour, 1, 1, 2, 2}},
      // Frame 2's square is transparent again; white pixels of frame 3 leave what was there.
      {{B, R, B, R,  //
        R, B, T, R,  //
        R, T, T, R},
       {250, 3, 0x00FFFFFF, 0, 0, 3, 2}},
      // Frame 3 is taken back to what lay under it.
      {{R, R, R, G,  //
        R, T, T, R,  //
        R, T, T, R},
       {30, 0, kNoColour, 3, 0, 1, 1}},
  };
  for (int pass = 0; pass < 2; ++pass) {
    int i = 0;
    for (const Row& r : rows) {
      SCOPED_TRACE("pass " + std::to_string(pass) + ", frame " + std::to_string(++i));
      GifFrame frame;
      ASSERT_TRUE(animation.Next(frame));
      EXPECT_EQ(animation.screen(), r.screen);
      EXPECT_EQ(frame.delayMs, r.frame.delayMs);
      EXPECT_EQ(frame.disposal, r.frame.disposal);
      EXPECT_EQ(frame.transparentColour, r.frame.transparentColour);
      EXPECT_EQ((std::vector<int>{frame.left, frame.top, frame.width, frame.height}),
                (std::vector<int>{r.frame.left, r.frame.top, r.frame.width, r.frame.height}));
    }
    GifFrame frame;
    EXPECT_FALSE(animation.Next(frame));
    EXPECT_FALSE(animation.Next(frame));
    EXPECT_EQ(animation.screen(), rows[3].screen) << "the last frame stays after the end";
    animation.Rewind();
    EXPECT_EQ(animation.screen(), std::vector<std::uint32_t>(12, T));
  }
}

TEST(GifAnimation, FrameOddities) {
  const auto red = std::vector<std::uint8_t>(4, 1);
  struct Row {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::vector<std::vector<std::uint32_t>> screens;  // 2 x 2 screen after each frame
  } rows[] = {
      {"local table of the second frame",
       [&] {
         GifWriter w(2, 2, kColours);
         w.Image(GifPlainImage(2, 2, red));
         GifImage second = GifPlainImage(2, 1, {0, 1});
         second.localTable = {{0, 0, 255}, {255, 255, 255}};
         w.Image(second);
         return w.Finish();
       }(),
       {{R, R, R, R}, {B, W, R, R}}},
      {"an empty frame still counts, and disposal 2 of it clears nothing",
       [&] {
         GifWriter w(2, 2, kColours);
         w.Image(GifPlainImage(2, 2, red));
         w.Control(2, 4).Image(GifPlainImage(0, 0, {}, 1, 1));
         w.Image(GifPlainImage(1, 1, {2}, 1, 0));
         return w.Finish();
       }(),
       {{R, R, R, R}, {R, R, R, R}, {R, G, R, R}}},
      {"a frame hanging over the edge",
       [&] {
         GifWriter w(2, 2, kColours);
         w.Control(2, 0).Image(GifPlainImage(3, 3, {1, 2, 3, 1, 2, 3, 1, 2, 3}, 1, 1));
         w.Image(GifPlainImage(1, 1, {3}));
         return w.Finish();
       }(),
       {{T, T, T, R}, {B, T, T, T}}},
      {"disposal 3 on the first frame gives back the empty screen",
       [&] {
         GifWriter w(2, 2, kColours);
         w.Control(3, 0).Image(GifPlainImage(2, 2, red));
         w.Control(0, 0, 0).Image(GifPlainImage(2, 1, {0, 2}));
         return w.Finish();
       }(),
       {{R, R, R, R}, {T, G, T, T}}},
      {"no colour table: opaque black",
       [&] {
         GifWriter w(2, 2);
         w.Image(GifPlainImage(2, 2, {0, 1, 2, 3}));
         return w.Finish();
       }(),
       {{0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000}}},
      {"undefined disposal 5 acts as none",
       [&] {
         GifWriter w(2, 2, kColours);
         w.Control(5, 0).Image(GifPlainImage(2, 2, red));
         w.Image(GifPlainImage(1, 1, {2}));
         return w.Finish();
       }(),
       {{R, R, R, R}, {G, R, R, R}}},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++) + ": " + r.what);
    const GifPlayed played = PlayGif(r.bytes);
    ASSERT_TRUE(played.opened);
    EXPECT_EQ(played.screens, r.screens);
  }
}

// A stream that breaks off: frames whose data is all there play as usual, a frame
// whose data is cut short shows what it has and is the last.
TEST(GifAnimation, StreamBreakingOff) {
  GifWriter writer(8, 8, kColours);
  writer.Control(1, 2).Image(GifPlainImage(8, 8, std::vector<std::uint8_t>(64, 1)));
  const std::size_t secondStart = writer.bytes.size();
  writer.Control(1, 2).Image(GifPlainImage(8, 8, GifNoise(64, 4, 5, 2)));
  const std::size_t secondEnd = writer.bytes.size();
  writer.Image(GifPlainImage(1, 1, {4}));
  const std::vector<std::uint8_t> whole = writer.Finish();
  struct Row {
    std::size_t length;
    std::size_t frames;
  } rows[] = {
      {secondStart, 1},       // ends between frames
      {secondStart + 4, 1},   // inside the graphic control
      {secondStart + 12, 1},  // inside the descriptor
      {secondStart + 24, 2},  // inside the image data: shown, then the end
      {secondEnd - 1, 2},     // the terminating zero missing
      {secondEnd, 2},
      {whole.size() - 1, 3},  // no trailer
      {whole.size(), 3},
  };
  const GifPlayed full = PlayGif(whole);
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    const GifPlayed played =
        PlayGif(std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<long>(r.length)));
    ASSERT_EQ(played.frames.size(), r.frames);
    if (r.length == secondStart + 24) {
      // Some of frame 2 is drawn, the rest is still frame 1's red.
      int second = 0, red = 0;
      for (std::size_t p = 0; p < 64; ++p) {
        second += played.screens[1][p] == full.screens[1][p] && full.screens[1][p] != R;
        red += played.screens[1][p] == R;
      }
      EXPECT_GT(second, 0);
      EXPECT_EQ(second + red, 64);
      EXPECT_LT(second, 32) << "four bytes of data hold a few codes";
    }
  }
}

// A frame whose data gives no pixel ends the animation before it is shown: the frame
// before stays on the screen as it was, its disposal not applied. A frame at code size
// 11 is shown like any other.
TEST(GifAnimation, FrameWithoutPixelsEndsTheAnimation) {
  struct Row {
    int minCodeSize;
    std::vector<std::uint8_t> data;
    std::size_t frames;
    std::vector<std::uint32_t> screen;  // once Next says no
  } rows[] = {
      {12, {0x4C, 0x01}, 1, {R, R}},
      {0, {0x4C, 0x01}, 1, {R, R}},
      {2, {0x0D}, 1, {R, R}},  // the end code first
      {2, {0x34}, 1, {R, R}},  // clear, then a code the table does not hold
      {2, {}, 1, {R, R}},      // no data
      // clear, index 1, end: the second frame paints one pixel on the cleared screen
      {2, {0x4C, 0x01}, 2, {R, T}},
      {11, {0x00, 0x18, 0x80}, 1, {R, R}},              // clear, end
      {11, {0x00, 0x28, 0x00, 0x01, 0x08}, 2, {G, T}},  // clear, index 2, end
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    GifWriter writer(2, 1, kColours);
    writer.Control(2, 5).Image(GifPlainImage(2, 1, {1, 1}));  // red, then restore to background
    writer.bytes.insert(writer.bytes.end(), {0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0});
    writer.bytes.push_back(static_cast<std::uint8_t>(rows[i].minCodeSize));
    if (!rows[i].data.empty()) writer.bytes.push_back(static_cast<std::uint8_t>(rows[i].data.size()));
    writer.bytes.insert(writer.bytes.end(), rows[i].data.begin(), rows[i].data.end());
    writer.bytes.push_back(0);
    const std::vector<std::uint8_t> bytes = writer.Finish();
    GifAnimation animation;
    ASSERT_TRUE(animation.Open(bytes.data(), bytes.size()));
    GifFrame frame;
    std::size_t frames = 0;
    while (frames < 3 && animation.Next(frame)) ++frames;
    EXPECT_EQ(frames, rows[i].frames);
    EXPECT_EQ(animation.screen(), rows[i].screen) << "after Next said no";
  }
}

// Hundreds of frames, one after the other, the screen the only picture kept.
TEST(GifAnimation, ManyFrames) {
  GifWriter writer(16, 16, GifPalette(256));
  for (int f = 0; f < 300; ++f) {
    writer.Control(1, f % 7).Image(GifPlainImage(1, 1, {static_cast<std::uint8_t>(f)}, f % 16, (f / 16) % 16));
  }
  const std::vector<std::uint8_t> bytes = writer.Finish();
  GifAnimation animation;
  ASSERT_TRUE(animation.Open(bytes.data(), bytes.size()));
  GifFrame frame;
  int count = 0;
  while (animation.Next(frame)) {
    ASSERT_EQ(frame.delayMs, (count % 7) * 10) << "frame " << count;
    ++count;
  }
  EXPECT_EQ(count, 300);
  // Frames 256 to 299 painted over the first 44 pixels.
  EXPECT_EQ(animation.screen()[0], GifArgb(GifPalette(256)[256 % 256]));
  EXPECT_EQ(animation.screen()[43], GifArgb(GifPalette(256)[299 % 256]));
  EXPECT_EQ(animation.screen()[44], GifArgb(GifPalette(256)[44]));
}

TEST(GifAnimation, MovedAndUnopened) {
  GifAnimation unopened;
  GifFrame frame;
  EXPECT_FALSE(unopened.Next(frame));
  EXPECT_EQ(unopened.width(), 0);
  EXPECT_TRUE(unopened.screen().empty());
  unopened.Rewind();

  const std::vector<std::uint8_t> bytes = FourFrames();
  GifAnimation first;
  ASSERT_TRUE(first.Open(bytes.data(), bytes.size()));
  ASSERT_TRUE(first.Next(frame));
  GifAnimation second = std::move(first);
  ASSERT_TRUE(second.Next(frame));
  EXPECT_EQ(frame.disposal, 2) << "the second frame follows";
  EXPECT_EQ(second.screen()[5], G);

  // A failed Open leaves nothing of the earlier stream.
  const std::uint8_t junk[20] = {'G', 'I', 'F'};
  std::string reason;
  EXPECT_FALSE(second.Open(junk, sizeof junk, &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_FALSE(second.Next(frame));
  EXPECT_EQ(second.width(), 0);
}

}  // namespace
}  // namespace zorvel::test
