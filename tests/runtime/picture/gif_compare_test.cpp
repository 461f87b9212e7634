// The GIF decoder against another one (Qt's reader) on streams it did not write:
// files made by ImageMagick (skipped when ImageMagick is not installed), and the test
// writer's own streams, which also shows that the writer makes streams others read.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/runtime/picture/gif_support.h"
#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"

namespace zorvel::test {
namespace {

// Every frame as Qt's reader composes it: straight ARGB, the logical screen's size.
std::vector<QImage> QtFrames(const std::vector<std::uint8_t>& bytes) {
  QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "gif");
  std::vector<QImage> frames;
  for (QImage image; reader.read(&image);) frames.push_back(image.convertToFormat(QImage::Format_ARGB32));
  return frames;
}

// The first place where our screen and Qt's frame differ, or "" when they agree.
// Pixels transparent in both agree whatever colour bits they carry. The one choice
// made differently: where a frame was restored to the background (disposal 2, marked
// in cleared) we leave the pixels transparent while Qt paints a background colour.
std::string Difference(const std::vector<std::uint32_t>& ours, std::int32_t width, const QImage& theirs,
                       const std::vector<bool>& cleared) {
  if (theirs.width() != width || static_cast<std::size_t>(theirs.width()) * theirs.height() != ours.size()) {
    return "size " + std::to_string(theirs.width()) + " x " + std::to_string(theirs.height());
  }
  for (int y = 0; y < theirs.height(); ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t at = static_cast<std::size_t>(y) * width + x;
      const std::uint32_t a = ours[at];
      const std::uint32_t b = theirs.pixel(x, y);
      if (a == b || (a >> 24 == 0 && b >> 24 == 0) || (a == 0 && cleared[at])) continue;
      char text[80];
      std::snprintf(text, sizeof text, "at %d,%d ours %08X Qt %08X", x, y, a, b);
      return text;
    }
  }
  return "";
}

// Plays our animation and Qt's frames side by side; frames must agree in number and
// pixels. The record's first image must agree with Qt's first frame where it lies.
void ExpectSameAsQt(const std::vector<std::uint8_t>& bytes, std::size_t expectFrames) {
  const std::vector<QImage> theirs = QtFrames(bytes);
  const GifPlayed ours = PlayGif(bytes);
  ASSERT_TRUE(ours.opened);
  ASSERT_EQ(theirs.size(), expectFrames) << "Qt's frames";
  ASSERT_EQ(ours.frames.size(), expectFrames);
  GifAnimation animation;
  ASSERT_TRUE(animation.Open(bytes.data(), bytes.size()));
  std::vector<bool> cleared(ours.screens[0].size());
  for (std::size_t f = 0; f < expectFrames; ++f) {
    if (f > 0 && ours.frames[f - 1].disposal == 2) {
      const GifFrame& d = ours.frames[f - 1];
      for (int y = d.top; y < d.top + d.height && y < animation.height(); ++y) {
        for (int x = d.left; x < d.left + d.width && x < animation.width(); ++x) {
          cleared[static_cast<std::size_t>(y) * animation.width() + x] = true;
        }
      }
    }
    EXPECT_EQ(Difference(ours.screens[f], animation.width(), theirs[f], cleared), "") << "frame " << f;
  }
  auto record = DecodeGif(bytes);
  ASSERT_TRUE(record->ok) << record->reason;
  const GifRecordImage image = GifRecordOf(record->picture);
  const GifFrame& first = ours.frames[0];
  for (int y = 0; y < image.height && y + first.top < theirs[0].height(); ++y) {
    for (int x = 0; x < image.width && x + first.left < theirs[0].width(); ++x) {
      const std::uint8_t index = image.indexes[static_cast<std::size_t>(y) * image.width + x];
      const std::uint32_t qt = theirs[0].pixel(x + first.left, y + first.top);
      if (record->picture.transparentColour != kNoColour && qt >> 24 == 0) continue;
      ASSERT_EQ(0xFF000000u | image.table[index], qt) << "record pixel " << x << "," << y;
    }
  }
}

TEST(GifAgainstQt, FilesMadeByImageMagick) {
  const std::string magick = test::ImageMagick();
  if (magick.empty()) {
    GTEST_SKIP() << "ImageMagick is not installed (apt-get install imagemagick): "
                    "no GIFs made by another program to compare with";
  }
  test::TempFolder folder("zorvel-gif-compare");
  struct Row {
    const char* name;
    const char* arguments;  // the output file name follows
    std::size_t frames;
  } rows[] = {
      {"plasma.gif", "-size 150x100 -seed 7 plasma:fractal -colors 256", 1},
      {"interlaced.gif", "-size 150x100 -seed 7 plasma:fractal -colors 256 -interlace GIF", 1},
      {"large.gif", "-size 400x300 -seed 11 plasma:fractal -colors 256", 1},
      {"gradient.gif", "-size 64x48 gradient:black-white -colors 4", 1},
      {"old.gif", "-size 40x30 -seed 5 plasma:fractal -colors 16 GIF87:", 1},
      {"transparent.gif",
       "-size 70x50 xc:none -fill orange -draw \"circle 35,25 35,5\" -fill navy -draw \"rectangle 0,0 20,12\"", 1},
      {"optimized.gif",
       "-size 120x90 -seed 3 plasma:fractal -colors 64 ( +clone -roll +13+7 ) ( +clone -roll +13+7 ) "
       "( +clone -roll +13+7 ) -set delay 7 -loop 0 -layers Optimize",
       4},
      {"disposals.gif",
       "-delay 5 -dispose None -size 60x40 xc:yellow -dispose Background -page +10+5 -size 20x20 -seed 2 plasma: "
       "-dispose Previous -page +30+15 ( -size 15x10 xc:none -fill blue -draw \"circle 7,5 12,5\" ) "
       "-dispose None -page +0+0 -size 5x5 xc:green -loop 0",
       4},
      {"previous.gif",
       "-delay 10 -dispose Background -size 60x40 xc:none -fill red -draw \"circle 20,20 30,20\" "
       "( -size 60x40 xc:none -fill blue -draw \"rectangle 35,5 55,30\" ) "
       "( -size 60x40 xc:none -fill green -draw \"rectangle 5,25 25,38\" ) -layers OptimizeFrame",
       3},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++) + ": " + r.name);
    std::string arguments = r.arguments;
    std::string output = folder / r.name;
    // A format prefix ends the arguments and goes in front of the file name.
    if (arguments.size() > 0 && arguments.back() == ':') {
      const std::size_t space = arguments.rfind(' ');
      output = arguments.substr(space + 1) + output;
      arguments.erase(space);
    }
    std::string command = magick + " ";
    for (char c : arguments) {
      if (c == '(' || c == ')') command += '\\';  // parentheses reach the program, not the shell
      command += c;
    }
    command += " " + output;
    std::string said;
    ASSERT_EQ(test::RunCommand(command, &said), 0) << command << "\n" << said;
    const std::string bytes = test::ReadBytes(folder / r.name);
    ExpectSameAsQt(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), r.frames);
  }
}

// The writer's streams, read by Qt: a full table cleared at once, kept without a
// clear, kept for a while; interlaced; tiny sub-blocks; frames with every disposal.
TEST(GifAgainstQt, WriterStreams) {
  struct Row {
    int width, height, colours;
    GifLzwOptions lzw;
    bool interlaced;
  } rows[] = {
      {173, 131, 256, {}, false},
      {173, 131, 256, {0, true, INT_MAX, true, 255}, false},
      {173, 131, 256, {0, true, 300, true, 255}, false},
      {400, 250, 4, {0, true, INT_MAX, true, 255}, false},
      {173, 131, 256, {}, true},
      {173, 131, 256, {0, true, -1, true, 7}, true},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    GifImage image = GifPlainImage(r.width, r.height, GifNoise(std::size_t(r.width) * r.height, r.colours, 60 + i));
    image.lzw = r.lzw;
    image.interlaced = r.interlaced;
    GifWriter writer(r.width, r.height, GifPalette(r.colours, 3));
    writer.Image(image);
    ExpectSameAsQt(writer.Finish(), 1);
  }
  SCOPED_TRACE("frames");
  GifWriter writer(30, 20, GifPalette(16));
  writer.Loop(0);
  writer.Control(1, 4).Image(GifPlainImage(30, 20, GifNoise(600, 16, 1)));
  writer.Control(3, 4, 5).Image(GifPlainImage(10, 10, GifNoise(100, 16, 2), 3, 4));
  writer.Control(1, 4, 5).Image(GifPlainImage(12, 9, GifNoise(108, 16, 3), 15, 8));
  GifImage local = GifPlainImage(8, 8, GifNoise(64, 4, 4), 20, 0);
  local.localTable = GifPalette(4, 8);
  writer.Control(0, 4).Image(local);
  ExpectSameAsQt(writer.Finish(), 4);
}

}  // namespace
}  // namespace zorvel::test
