// The zorvel-picture tool, run as a program on files another program wrote: what it
// writes must be the pixels another decoder reads from the same file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"

namespace {

const std::string kTool = std::string(ZORVEL_BINARY_DIR) + "/tools/zorvel-picture";

using zorvel::test::RunCommand;

class ZorvelPicture : public testing::Test {
 protected:
  zorvel::test::TempFolder temp_{"zorvel-picture"};
  const std::string folder_ = temp_.path();
  const std::string magick_ = zorvel::test::ImageMagick();
};

// Opaque colours compared pixel by pixel; the count of differing pixels is reported.
int Differences(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return -1;
  const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
  int differing = 0;
  for (int row = 0; row < x.height(); ++row)
    for (int col = 0; col < x.width(); ++col) differing += x.pixel(col, row) != y.pixel(col, row);
  return differing;
}

TEST_F(ZorvelPicture, LosslessFilesComeOutAsAnotherDecoderReadsThem) {
  if (magick_.empty()) GTEST_SKIP() << "ImageMagick is not installed (apt-get install imagemagick)";
  // A picture with detail, written by ImageMagick in several lossless formats.
  ASSERT_EQ(RunCommand("cd '" + folder_ + "' && " + magick_ + " -size 97x61 plasma:fractal -seed 7 source.png"), 0);
  struct Row {
    const char* name;
    const char* convertArgs;
  } rows[] = {
      {"p24.bmp", "-type TrueColor -compress None BMP3:"},
      {"p8.bmp", "-colors 200 -type Palette -compress None BMP3:"},
      {"p.gif", "-colors 256 GIF:"},
      {"p.png", "PNG24:"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(std::string("row ") + std::to_string(i) + " " + rows[i].name);
    const std::string file = folder_ + "/" + rows[i].name;
    ASSERT_EQ(RunCommand("cd '" + folder_ + "' && " + magick_ + " source.png " + rows[i].convertArgs + "'" + file + "'"),
              0);
    const std::string out = file + ".out.png";
    std::string said;
    ASSERT_EQ(RunCommand("'" + kTool + "' '" + file + "' '" + out + "'", &said), 0) << said;
    const QImage ours(QString::fromStdString(out));
    const QImage theirs(QString::fromStdString(file));
    ASSERT_FALSE(theirs.isNull());
    EXPECT_EQ(Differences(ours, theirs), 0);
  }
}

TEST_F(ZorvelPicture, FramesAndRefusals) {
  if (magick_.empty()) GTEST_SKIP() << "ImageMagick is not installed (apt-get install imagemagick)";
  ASSERT_EQ(RunCommand("cd '" + folder_ + "' && " + magick_ + " -delay 20 -size 40x30 xc:red xc:green xc:blue anim.gif"),
            0);
  ASSERT_EQ(RunCommand("mkdir '" + folder_ + "/frames'"), 0);
  std::string said;
  ASSERT_EQ(RunCommand("'" + kTool + "' '" + folder_ + "/anim.gif' '" + folder_ + "/first.png' --frames '" + folder_ +
                "/frames'", &said), 0)
      << said;
  EXPECT_NE(said.find("frame 2: delay 200 ms"), std::string::npos) << said;
  const QImage third(QString::fromStdString(folder_ + "/frames/frame-002.png"));
  ASSERT_FALSE(third.isNull());
  EXPECT_EQ(third.pixel(5, 5), 0xFF0000FFu);
  EXPECT_EQ(QImage(QString::fromStdString(folder_ + "/first.png")).pixel(5, 5), 0xFFFF0000u);

  // Data that is not a picture: exit status 1 and a one-line reason.
  ASSERT_EQ(RunCommand("printf 'not a picture' > '" + folder_ + "/junk.bin'"), 0);
  EXPECT_EQ(RunCommand("'" + kTool + "' '" + folder_ + "/junk.bin' '" + folder_ + "/x.png'", &said), 1);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_EQ(RunCommand("'" + kTool + "' onlyone", &said), 2) << said;
}

}  // namespace
