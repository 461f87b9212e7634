// Pictures made ready for drawing, drawn with and without a transparent colour, and
// regions for shaped units.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/memory.h"
#include "runtime/picture/draw.h"

namespace zorvel {
namespace {

// A kind-2 record from top-down 0xRRGGBB pixels (stored blue, green, red, bottom-up).
Picture* BgrPicture(int width, int height, const std::vector<std::uint32_t>& rgb) {
  auto* p = new Picture;
  p->kind = PictureKind::kBmp;
  p->width = width;
  p->height = height;
  p->pixelBytes = static_cast<std::uint32_t>(width * height * 3);
  p->pixels = static_cast<std::uint8_t*>(Allocate(p->pixelBytes));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = rgb[y * width + x];
      std::uint8_t* out = p->pixels + ((height - 1 - y) * width + x) * 3;
      out[0] = c & 0xFF, out[1] = c >> 8 & 0xFF, out[2] = c >> 16 & 0xFF;
    }
  return p;
}

void Release(Picture* p) {
  Free(p->pixels);
  delete p->icon;
  delete p;
}

TEST(PreparePicture, BottomUpBgrComesOutTheRightWayUp) {
  Picture* p = BgrPicture(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x123456});
  PreparedPicture prepared;
  ASSERT_TRUE(PreparePicture(p, prepared));
  EXPECT_EQ(prepared.width, 2);
  EXPECT_EQ(prepared.image.pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(prepared.image.pixel(1, 0), 0xFF00FF00u);
  EXPECT_EQ(prepared.image.pixel(0, 1), 0xFF0000FFu);
  EXPECT_EQ(prepared.image.pixel(1, 1), 0xFF123456u);
  Release(p);
  EXPECT_FALSE(PreparePicture(nullptr, prepared));
  Picture empty;
  EXPECT_FALSE(PreparePicture(&empty, prepared));
}

TEST(PreparePicture, GifImageSitsTopLeftOnItsLogicalScreen) {
  // A 3 × 2 image (rows padded to 4) on a 5 × 4 logical screen.
  Picture p;
  p.kind = PictureKind::kGif;
  p.width = 5;
  p.height = 4;
  std::vector<std::uint8_t> bytes(40 + 1024 + 8, 0);
  const std::int32_t header[] = {40, 3, -2};
  std::memcpy(bytes.data(), header, sizeof header);
  const std::uint8_t colours[][4] = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};  // red, green, blue
  std::memcpy(bytes.data() + 40, colours, sizeof colours);
  const std::uint8_t rows[8] = {0, 1, 2, 9, 2, 1, 0, 9};
  std::memcpy(bytes.data() + 40 + 1024, rows, 8);
  p.pixels = bytes.data();
  p.pixelBytes = static_cast<std::uint32_t>(bytes.size());
  PreparedPicture prepared;
  ASSERT_TRUE(PreparePicture(&p, prepared));
  EXPECT_EQ(prepared.image.size(), QSize(5, 4));
  EXPECT_EQ(prepared.image.pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(prepared.image.pixel(2, 0), 0xFF0000FFu);
  EXPECT_EQ(prepared.image.pixel(0, 1), 0xFF0000FFu);
  EXPECT_EQ(prepared.image.pixel(4, 3), 0xFF000000u) << "the rest of the screen is black";
  p.pixelBytes = 40 + 1024 + 4;  // rows cut short
  EXPECT_FALSE(PreparePicture(&p, prepared));
  p.pixels = nullptr;
}

TEST(PreparePicture, MonochromeAndIcon) {
  Picture mono;
  mono.kind = PictureKind::kPcx1;
  mono.width = 9;
  mono.height = 2;
  std::uint8_t rows[8] = {0x80, 0x80, 0, 0, 0x7F, 0x00, 0, 0};
  mono.pixels = rows;
  mono.pixelBytes = 8;
  PreparedPicture prepared;
  ASSERT_TRUE(PreparePicture(&mono, prepared));
  EXPECT_EQ(prepared.image.pixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(prepared.image.pixel(8, 0), 0xFFFFFFFFu);
  EXPECT_EQ(prepared.image.pixel(1, 0), 0xFF000000u);
  EXPECT_EQ(prepared.image.pixel(0, 1), 0xFF000000u);
  EXPECT_EQ(prepared.image.pixel(7, 1), 0xFFFFFFFFu);
  mono.pixels = nullptr;

  Picture icon;
  icon.kind = PictureKind::kIcon;
  icon.icon = new IconImage{2, 1, 0, 0, {0x80FF0000u, 0x00000000u}};
  ASSERT_TRUE(PreparePicture(&icon, prepared));
  EXPECT_EQ(prepared.image.format(), QImage::Format_ARGB32_Premultiplied);
  EXPECT_EQ(qAlpha(prepared.image.pixel(0, 0)), 0x80);
  EXPECT_EQ(qAlpha(prepared.image.pixel(1, 0)), 0);
  delete icon.icon;
}

// A kind-8 record from premultiplied 0xAARRGGBB pixels, top-down.
Picture* PngPicture(int width, int height, const std::vector<std::uint32_t>& argb) {
  auto* p = new Picture;
  p->kind = PictureKind::kPng;
  p->width = width;
  p->height = height;
  p->pixelBytes = static_cast<std::uint32_t>(argb.size() * 4);
  p->pixels = static_cast<std::uint8_t*>(Allocate(p->pixelBytes));
  std::memcpy(p->pixels, argb.data(), p->pixelBytes);
  return p;
}

// A PNG record keeps its alpha only when a pixel is short of opaque; a block smaller
// than its size calls for is not drawn.
TEST(PreparePicture, PngWithAndWithoutAlpha) {
  struct Row {
    std::vector<std::uint32_t> argb;
    QImage::Format format;
  } rows[] = {
      {{0xFF102030, 0x80400000, 0x00000000, 0xFFFFFFFF}, QImage::Format_ARGB32_Premultiplied},
      {{0xFF102030, 0xFF405060, 0xFF000000, 0xFEFEFEFE}, QImage::Format_ARGB32_Premultiplied},
      {{0xFF102030, 0xFF405060, 0xFF000000, 0xFFFFFFFF}, QImage::Format_RGB32},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    Picture* p = PngPicture(2, 2, rows[i].argb);
    PreparedPicture prepared;
    ASSERT_TRUE(PreparePicture(p, prepared));
    EXPECT_EQ(prepared.kind, PictureKind::kPng);
    EXPECT_EQ(prepared.image.format(), rows[i].format);
    EXPECT_EQ(HasAlpha(prepared), rows[i].format != QImage::Format_RGB32);
    for (int k = 0; k < 4; ++k) {
      const QRgb stored = reinterpret_cast<const QRgb*>(prepared.image.constScanLine(k / 2))[k % 2];
      EXPECT_EQ(stored, rows[i].argb[static_cast<std::size_t>(k)]) << "pixel " << k;
    }
    p->pixelBytes -= 1;
    EXPECT_FALSE(PreparePicture(p, prepared));
    Release(p);
  }
}

QImage Canvas(int w, int h, QRgb fill) {
  QImage c(w, h, QImage::Format_RGB32);
  c.fill(fill);
  return c;
}

TEST(DrawPicture, CopiesStretchesAndKeepsTransparentPixelsOut) {
  // White pixels with a red centre cross.
  std::vector<std::uint32_t> rgb(5 * 5, 0xFFFFFF);
  for (int i = 0; i < 5; ++i) rgb[2 * 5 + i] = rgb[i * 5 + 2] = 0xFF0000;
  Picture* p = BgrPicture(5, 5, rgb);
  PreparedPicture prepared;
  ASSERT_TRUE(PreparePicture(p, prepared));

  QImage copy = Canvas(20, 20, 0xFF00FF00);
  {
    QPainter painter(&copy);
    DrawPicture(painter, prepared, 1, 1, -1, -1, 0);
  }
  EXPECT_EQ(copy.pixel(1, 1), 0xFFFFFFFFu) << "a plain copy draws white too";
  EXPECT_EQ(copy.pixel(3, 3), 0xFFFF0000u);
  EXPECT_EQ(copy.pixel(0, 0), 0xFF00FF00u);
  EXPECT_EQ(copy.pixel(6, 6), 0xFF00FF00u) << "own size: nothing past 5 × 5";

  // Transparent white, stretched three times: every background pixel under a white
  // picture pixel is untouched, every one under red is red.
  QImage keyed = Canvas(20, 20, 0xFF00FF00);
  {
    QPainter painter(&keyed);
    DrawPicture(painter, prepared, 0, 0, 15, 15, -0xFFFFFF);
  }
  int wrong = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool inside = x < 15 && y < 15;
      const bool red = inside && (x / 3 == 2 || y / 3 == 2);
      wrong += keyed.pixel(x, y) != (red ? 0xFFFF0000u : 0xFF00FF00u);
    }
  EXPECT_EQ(wrong, 0);

  // Another key colour is prepared again rather than reusing the white one.
  QImage redKeyed = Canvas(5, 5, 0xFF0000FF);
  {
    QPainter painter(&redKeyed);
    DrawPicture(painter, prepared, 0, 0, -1, -1, -0x0000FF);  // 0x00BBGGRR red
  }
  EXPECT_EQ(redKeyed.pixel(2, 2), 0xFF0000FFu);
  EXPECT_EQ(redKeyed.pixel(0, 0), 0xFFFFFFFFu);
  Release(p);
}

// A PNG with alpha is laid over what is drawn beneath, copied or with a transparent
// colour; the transparent colour leaves out only its opaque pixels.
TEST(DrawPicture, PngAlphaLiesOverTheTarget) {
  // Opaque red, half-transparent red (premultiplied), clear, opaque white.
  Picture* p = PngPicture(4, 1, {0xFFFF0000, 0x80800000, 0x00000000, 0xFFFFFFFF});
  PreparedPicture prepared;
  ASSERT_TRUE(PreparePicture(p, prepared));
  const QRgb green = 0xFF00FF00, mix = qRgb(128, 127, 0);
  struct Row {
    int rasterOp;
    QRgb expected[4];
  } rows[] = {
      {0, {0xFFFF0000, mix, green, 0xFFFFFFFF}},
      {-0xFFFFFF, {0xFFFF0000, mix, green, green}},  // white keyed out
      {-0x0000FF, {green, mix, green, 0xFFFFFFFF}},  // red keyed out; the half-transparent red stays
  };
  for (const Row& r : rows) {
    QImage canvas = Canvas(4, 1, green);
    {
      QPainter painter(&canvas);
      DrawPicture(painter, prepared, 0, 0, -1, -1, r.rasterOp);
    }
    for (int x = 0; x < 4; ++x) {
      const QRgb got = canvas.pixel(x, 0);
      EXPECT_LE(std::abs(qRed(got) - qRed(r.expected[x])) + std::abs(qGreen(got) - qGreen(r.expected[x])) +
                    std::abs(qBlue(got) - qBlue(r.expected[x])),
                2)
          << "raster op " << r.rasterOp << ", pixel " << x << ": " << std::hex << got;
    }
  }
  Release(p);
}

// The back colour and a back picture: an opaque picture covers its part and the colour
// fills the rest; a picture with alpha lies over the colour.
TEST(PaintBack, ColourBeneathAPictureWithAlpha) {
  Picture* opaque = PngPicture(2, 1, {0xFFFF0000, 0xFFFF0000});
  Picture* alpha = PngPicture(2, 1, {0xFFFF0000, 0x00000000});
  PreparedPicture prepared[2];
  ASSERT_TRUE(PreparePicture(opaque, prepared[0]));
  ASSERT_TRUE(PreparePicture(alpha, prepared[1]));
  const QColor blue(0, 0, 255);
  struct Row {
    const PreparedPicture* picture;
    int mode;
    QRgb expected[4];  // the row of a 4 x 1 area
  } rows[] = {
      {nullptr, 0, {0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF}},
      {&prepared[0], 0, {0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF}},
      {&prepared[1], 0, {0xFFFF0000, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF}},
      {&prepared[1], 1, {0xFFFF0000, 0xFF0000FF, 0xFFFF0000, 0xFF0000FF}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    QImage canvas = Canvas(4, 1, 0xFF00FF00);
    {
      QPainter painter(&canvas);
      PaintBack(painter, rows[i].picture, rows[i].mode, QSize(4, 1), QRect(0, 0, 4, 1), QRegion(0, 0, 4, 1), blue);
    }
    for (int x = 0; x < 4; ++x) EXPECT_EQ(canvas.pixel(x, 0), rows[i].expected[x]) << "pixel " << x;
  }
  Release(opaque);
  Release(alpha);
}

// An egg: an ellipse of varied colours on a white background.
QImage Egg(int w, int h) {
  QImage egg = Canvas(w, h, 0xFFFFFFFF);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = (x - w / 2.0 + 0.5) / (w / 2.0 - 4), dy = (y - h / 2.0 + 0.5) / (h / 2.0 - 4);
      if (dx * dx + dy * dy <= 1.0) egg.setPixel(x, y, qRgb(200 + (x % 50), 150 + (y % 100), 0));
    }
  return egg;
}

TEST(RegionFromBitmap, MatchesTheEggsOutlineExactly) {
  const QImage egg = Egg(200, 188);
  const QRegion region = RegionFromBitmap(egg, 0xFFFFFF);
  int wrong = 0, inside = 0;
  for (int y = 0; y < egg.height(); ++y)
    for (int x = 0; x < egg.width(); ++x) {
      const bool opaque = egg.pixel(x, y) != 0xFFFFFFFFu;
      inside += opaque;
      wrong += region.contains(QPoint(x, y)) != opaque;
    }
  EXPECT_GT(inside, 20000);
  EXPECT_EQ(wrong, 0) << "a click on a white pixel is outside, on any other inside";
  EXPECT_EQ(region.boundingRect(), QRect(4, 4, 192, 180)) << "the uniform white border is cut away";
}

TEST(RegionFromBitmap, EmptyAndManyRuns) {
  EXPECT_TRUE(RegionFromBitmap(Canvas(30, 30, 0xFFFFFFFF), 0xFFFFFF).isEmpty());
  EXPECT_TRUE(RegionFromBitmap(QImage(), 0).isEmpty());
  // A checkerboard of 200 × 60 gives 6000 runs: three batches of 2000.
  QImage board = Canvas(200, 60, 0xFF000000);
  for (int y = 0; y < 60; ++y)
    for (int x = (y & 1); x < 200; x += 2) board.setPixel(x, y, 0xFFFFFFFF);
  const QRegion region = RegionFromBitmap(board, 0x000000);
  EXPECT_EQ(region.rectCount(), 6000);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(region.contains(QPoint(x, y)), ((x + y) & 1) == 0) << x << "," << y;
  // The key colour is 0x00BBGGRR: pure blue is 0xFF0000.
  QImage blue = Canvas(4, 1, 0xFF0000FF);
  blue.setPixel(1, 0, 0xFFFF0000);
  EXPECT_EQ(RegionFromBitmap(blue, 0xFF0000), QRegion(1, 0, 1, 1));
}

// In an image with alpha, clear pixels are outside with or without a transparent
// colour, and the colour cuts only opaque pixels of it.
TEST(RegionFromBitmap, AlphaCutsClearPixels) {
  // Premultiplied: opaque white, clear, half-transparent white, opaque red, faint red.
  QImage image(5, 1, QImage::Format_ARGB32_Premultiplied);
  const QRgb pixels[5] = {0xFFFFFFFF, 0x00000000, 0x80808080, 0xFFFF0000, 0x01010000};
  for (int x = 0; x < 5; ++x) reinterpret_cast<QRgb*>(image.scanLine(0))[x] = pixels[x];
  struct Row {
    std::uint32_t transparentColour;
    bool inside[5];
  } rows[] = {
      {kNoColour, {true, false, true, true, true}},
      {0xFFFFFF, {false, false, true, true, true}},
      {0x0000FF, {true, false, true, false, true}},
      {0x000000, {true, false, true, true, true}},  // black: the clear pixel is outside for its alpha
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const QRegion region = RegionFromBitmap(image, rows[i].transparentColour);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(region.contains(QPoint(x, 0)), rows[i].inside[x]) << "row " << i << ", " << x;
  }
  // A straight ARGB image is read with its alpha too.
  QImage straight(2, 1, QImage::Format_ARGB32);
  straight.setPixel(0, 0, 0x00FFFFFF);
  straight.setPixel(1, 0, 0xFF000000);
  EXPECT_EQ(RegionFromBitmap(straight, kNoColour), QRegion(1, 0, 1, 1));
}

}  // namespace
}  // namespace zorvel
