// Files written by another program (ImageMagick, made here from its built-in pictures)
// decode to the same pixels as Qt's image readers give: exactly for the lossless
// formats, within a level or two for JPEG. PCX files, which Qt does not read, are
// compared with ImageMagick's own reading of them. Skipped when ImageMagick is missing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "tests/runtime/picture/raster_support.h"
#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"

namespace zorvel {
namespace {
using namespace test;

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  const std::string text = s.str();
  return Bytes(text.begin(), text.end());
}

// Opaque pixels made opaque, fully transparent ones made 0: what is left is what shows.
std::vector<std::uint32_t> Shown(const QImage& image, bool keepAlpha) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  std::vector<std::uint32_t> out;
  for (int y = 0; y < argb.height(); ++y)
    for (int x = 0; x < argb.width(); ++x) {
      const std::uint32_t c = argb.pixel(x, y);
      out.push_back(!keepAlpha ? c | 0xFF000000u : (c >> 24) == 0 ? 0 : c);
    }
  return out;
}
std::vector<std::uint32_t> Shown(std::vector<std::uint32_t> argb) {
  for (auto& c : argb)
    if ((c >> 24) == 0) c = 0;
  return argb;
}

class ReferenceFiles : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    magick_ = ImageMagick();
    if (!magick_.empty()) folder_ = std::make_unique<TempFolder>("zorvel-reference");
  }
  static void TearDownTestSuite() { folder_.reset(); }
  void SetUp() override {
    if (magick_.empty())
      GTEST_SKIP() << "ImageMagick is not installed (apt-get install imagemagick): files written by another "
                      "program are not checked";
  }
  // Runs ImageMagick with the arguments, which end in the output format ("PNG24:"), and
  // the output file named right after it; gives the output's bytes.
  static Bytes Convert(const std::string& arguments, const std::string& output) {
    const std::string path = *folder_ / output;
    const std::string command = "cd '" + folder_->path() + "' && " + magick_ + " " + arguments + "'" + path + "'";
    std::string said;
    EXPECT_EQ(RunCommand(command, &said), 0) << command << "\n" << said;
    return ReadFile(path);
  }
  static QImage QtImage(const Bytes& bytes, const char* format, QSize size = {}) {
    QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer, format);
    // An icon file holds several images: the one of the wanted size.
    for (int i = 0; i < std::max(1, reader.imageCount()); ++i) {
      if (i > 0 && !reader.jumpToImage(i)) break;
      QImage image = reader.read();
      if (!size.isValid() || image.size() == size) return image;
    }
    return {};
  }

  static inline std::string magick_;
  static inline std::unique_ptr<TempFolder> folder_;
};

TEST_F(ReferenceFiles, BmpExactlyAsQtReadsIt) {
  struct Row {
    const char* arguments;
    int bits;
  } rows[] = {
      {"rose: -compress None BMP3:", 24},
      {"rose: -type TrueColor BMP:", 24},  // a 124-byte header
      {"rose: -colors 200 -type Palette -compress None BMP3:", 8},
      {"rose: -colors 16 -compress None BMP3:", 4},
      {"rose: -monochrome -compress None BMP3:", 1},
      {"-seed 3 -size 61x37 plasma: -alpha set -channel A -evaluate set 50% +channel -define bmp3:alpha=true BMP3:",
       32},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i) + ": " + rows[i].arguments);
    const Bytes file = Convert(rows[i].arguments, "bmp" + std::to_string(i) + ".bmp");
    ASSERT_GT(file.size(), 54u);
    EXPECT_EQ(file[28], rows[i].bits) << "convert wrote another depth";
    Decoded d = Decode(file);
    ASSERT_TRUE(d) << d.reason;
    const QImage qt = QtImage(file, "bmp");
    ASSERT_FALSE(qt.isNull());
    EXPECT_EQ(FirstDifference(PixelsOf(*d.picture), Shown(qt, false)), "");
  }
}

TEST_F(ReferenceFiles, BmpWithBitFieldsIsRefused) {
  // convert writes 32-bit pixels with alpha as bit fields.
  const Bytes file = Convert("rose: -alpha set BMP:", "bitfields.bmp");
  Decoded d = Decode(file);
  EXPECT_FALSE(d);
  EXPECT_EQ(d.reason, "BMP: bit fields are not read");
}

TEST_F(ReferenceFiles, PcxAsConvertReadsIt) {
  const char* rows[] = {
      "rose: -colors 200 -type Palette PCX:",
      "-seed 5 -size 77x31 plasma: -colors 256 -type Palette PCX:",
      "-size 1x1 xc:orange -type Palette PCX:",
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i) + ": " + rows[i]);
    const std::string name = "pcx" + std::to_string(i) + ".pcx";
    const Bytes file = Convert(rows[i], name);
    Decoded d = Decode(file);
    ASSERT_TRUE(d) << d.reason;
    EXPECT_EQ(d->kind, PictureKind::kPcx8);
    const Bytes reference = Convert(name + " PNG24:", name + ".png");
    const QImage qt = QtImage(reference, "png");
    ASSERT_FALSE(qt.isNull());
    EXPECT_EQ(FirstDifference(PixelsOf(*d.picture), Shown(qt, false)), "");
  }
  // convert writes true colour as three planes, which this runtime does not read.
  Decoded planes = Decode(Convert("rose: PCX:", "planes.pcx"));
  EXPECT_FALSE(planes);
  EXPECT_EQ(planes.reason, "PCX: 3 colour planes are not read");
}

TEST_F(ReferenceFiles, IconsAndCursorsExactlyAsQtReadsThem) {
  struct Row {
    const char* arguments;
    const char* format;
    int width;  // the image this runtime shows
  } rows[] = {
      {"rose: -resize 32x32! ICO:", "ico", 32},
      {"rose: -define icon:auto-resize=48,32,16 ICO:", "ico", 16},  // none of 16 colours: the last
      {"-size 48x48 radial-gradient:red-none ICO:", "ico", 48},     // alpha
      {"rose: -resize 256x256! ICO:", "ico", 256},                  // a PNG image
      {"-size 20x20 radial-gradient:blue-none CUR:", "cur", 20},
      {"rose: -resize 32x32! -colors 16 -type Palette ICO:", "ico", 32},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i) + ": " + rows[i].arguments);
    const Bytes file = Convert(rows[i].arguments, "icon" + std::to_string(i) + "." + rows[i].format);
    Decoded d = Decode(file);
    ASSERT_TRUE(d) << d.reason;
    EXPECT_EQ(d->width, rows[i].width);
    const QImage qt = QtImage(file, rows[i].format, QSize(d->width, d->height));
    ASSERT_FALSE(qt.isNull());
    EXPECT_EQ(FirstDifference(Shown(d->icon->argb), Shown(qt, true)), "");
  }
}

TEST_F(ReferenceFiles, PngExactlyAsQtReadsIt) {
  struct Row {
    const char* arguments;
    bool alpha;
  } rows[] = {
      {"rose: PNG24:", false},
      {"rose: -interlace PNG PNG24:", false},
      {"rose: -colors 100 PNG8:", false},
      {"rose: -colorspace Gray -depth 8 PNG:", false},
      {"rose: -colorspace Gray -depth 16 PNG:", false},
      {"rose: -monochrome PNG:", false},
      {"rose: -depth 16 PNG48:", false},
      {"-size 40x30 radial-gradient:red-none -define png:exclude-chunk=bKGD PNG32:", true},
      {"-size 40x30 radial-gradient:red-none -interlace PNG -define png:exclude-chunk=bKGD PNG32:", true},
      {"-size 40x30 radial-gradient:red-none -depth 16 -define png:exclude-chunk=bKGD PNG64:", true},
      {"-size 33x17 radial-gradient:white-none -colorspace Gray -define png:exclude-chunk=bKGD PNG:", true},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i) + ": " + rows[i].arguments);
    const Bytes file = Convert(rows[i].arguments, "png" + std::to_string(i) + ".png");
    const QImage qt = QtImage(file, "png");
    ASSERT_FALSE(qt.isNull());
    const auto expected = Shown(qt, rows[i].alpha);
    std::int32_t width = 0, height = 0;
    std::vector<std::uint32_t> argb;
    std::string reason;
    ASSERT_TRUE(DecodePngArgb(file.data(), file.size(), width, height, argb, &reason)) << reason;
    EXPECT_EQ(FirstDifference(Shown(argb), expected), "") << "ARGB";
    PngImage image;
    ASSERT_TRUE(DecodePng(file.data(), file.size(), image, &reason)) << reason;
    EXPECT_EQ(FirstDifference(Shown(PixelsOf(image)), expected), "") << "picture";
  }
}

TEST_F(ReferenceFiles, JpegWithinALevelOfQt) {
  const char* rows[] = {
      "rose: -quality 90 JPG:",
      "rose: -quality 75 -sampling-factor 2x2 JPG:",
      "rose: -quality 90 -interlace JPEG JPG:",
      "rose: -colorspace Gray -quality 85 JPG:",
      "-seed 9 -size 333x111 plasma: -quality 60 JPG:",
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i) + ": " + rows[i]);
    const Bytes file = Convert(rows[i], "jpeg" + std::to_string(i) + ".jpg");
    Decoded d = Decode(file);
    ASSERT_TRUE(d) << d.reason;
    const QImage qt = QtImage(file, "jpeg");
    ASSERT_FALSE(qt.isNull());
    EXPECT_LE(LargestChannelDifference(PixelsOf(*d.picture), Shown(qt, false)), 1);
  }
  // Four-component (CMYK) pictures are not converted.
  Decoded cmyk = Decode(Convert("rose: -colorspace CMYK JPG:", "cmyk.jpg"));
  EXPECT_FALSE(cmyk);
  EXPECT_EQ(cmyk.reason, "JPEG: CMYK colour (as YCCK) is not read");
}

}  // namespace
}  // namespace zorvel
