// The zorvel-movie tool, run as a program: what it prints about a movie, the frames it
// writes (the loop past the last frame included), and its exit status on refusal and
// bad usage.
#include <gtest/gtest.h>

#include <QImage>
#include <string>

#include "tests/support/shell.h"
#include "tests/support/swf_writer.h"
#include "tests/support/temp_folder.h"

namespace {

namespace swf = zorvel::test::swf;
using zorvel::test::RunCommand;

const std::string kTool = std::string(ZORVEL_BINARY_DIR) + "/tools/zorvel-movie";

class ZorvelMovie : public testing::Test {
 protected:
  std::string Write(const std::string& name, const swf::Bytes& bytes) {
    const std::string path = temp_ / name;
    EXPECT_TRUE(zorvel::test::WriteBytes(path, std::string(bytes.begin(), bytes.end())));
    return path;
  }
  zorvel::test::TempFolder temp_{"zorvel-movie"};
};

TEST_F(ZorvelMovie, InfoFramesAndExitStatus) {
  const std::string golden = Write("golden.swf", swf::kGoldenMovie);
  std::string said;
  ASSERT_EQ(RunCommand(kTool + " " + golden, &said), 0) << said;
  for (const char* line : {"signature FWS, version 6, file length 66", "550 x 400 pixels", "12 fps used",
                           "frames: 1 in the header, 1 counted", "background #ffffff", " 26 PlaceObject2"})
    EXPECT_NE(said.find(line), std::string::npos) << line << " in:\n" << said;

  // Two frames: the square in the top left corner, then moved 20 px right; frame 3 is
  // frame 1 again.
  const std::string moving = Write(
      "moving.swf",
      swf::Movie({swf::DefineShape(1, 3, swf::RectShape(3, swf::Solid(255, 0, 0), 0, 0, 400, 400)),
                  swf::PlaceObject2({.depth = 1, .character = 1}), swf::ShowFrame(),
                  swf::PlaceObject2({.depth = 1, .matrix = swf::Mat{.tx = 400}, .move = true}), swf::ShowFrame()},
                 {.widthTwips = 1600, .heightTwips = 800}));
  ASSERT_EQ(RunCommand(kTool + " " + moving + " --frame 3 " + (temp_ / "f3.png") + " --size 160x80", &said), 0) << said;
  QImage f3(QString::fromStdString(temp_ / "f3.png"));
  ASSERT_EQ(f3.size(), QSize(160, 80));
  EXPECT_EQ(f3.pixel(10, 10), qRgb(255, 0, 0));   // doubled: 40 × 40 at the origin
  EXPECT_EQ(f3.pixel(50, 10), qRgb(255, 255, 255));
  EXPECT_TRUE(said.empty()) << said;  // no info unless asked

  ASSERT_EQ(RunCommand(kTool + " " + moving + " --info --frames " + temp_.path(), &said), 0) << said;
  EXPECT_NE(said.find("2 counted"), std::string::npos) << said;
  QImage f1(QString::fromStdString(temp_ / "frame-001.png")), f2(QString::fromStdString(temp_ / "frame-002.png"));
  ASSERT_EQ(f2.size(), QSize(80, 40));
  EXPECT_EQ(f1.pixel(5, 5), qRgb(255, 0, 0));
  EXPECT_EQ(f2.pixel(5, 5), qRgb(255, 255, 255));
  EXPECT_EQ(f2.pixel(25, 5), qRgb(255, 0, 0));

  const std::string zws = Write("lzma.swf", {'Z', 'W', 'S', 13, 20, 0, 0, 0, 0, 0, 0, 0});
  ASSERT_EQ(RunCommand(kTool + " " + zws + " 2>&1", &said), 1);
  EXPECT_EQ(said, "zorvel-movie: " + zws + ": SWF: LZMA-compressed movies are not read\n");
  EXPECT_EQ(RunCommand(kTool + " " + (temp_ / "missing.swf")), 1);
  for (const char* bad : {"", " --frame 0 x.png", " --frame 2", " --size 10", " --size 0x5", " --what"})
    EXPECT_EQ(RunCommand(kTool + (*bad ? " " + golden + bad : std::string())), 2) << bad;
}

}  // namespace
