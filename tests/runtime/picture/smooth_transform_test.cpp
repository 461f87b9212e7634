// Turning and scaling with smooth sampling: exact where nothing is resampled, blends
// between source pixels, edges that fade over one pixel, transparent outside, and the
// same picture inside as QPainter's own smooth transform.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

#include "runtime/picture/smooth_transform.h"

namespace zorvel {
namespace {

QImage Checker(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.setPixel(x, y, ((x / 4 + y / 4) % 2) != 0 ? qRgb(250, 200, 10) : qRgb(20, 40, 200));
  return image;
}

TEST(SmoothTransform, AWholePixelMoveCopiesThePictureExactly) {
  const QImage source = Checker(16, 12);
  QPoint at;
  const QImage out = SmoothTransformed(source, QTransform::fromTranslate(5, 7), QRect(0, 0, 100, 100), &at);
  ASSERT_FALSE(out.isNull());
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 16; ++x)
      ASSERT_EQ(out.pixel(x + 5 - at.x(), y + 7 - at.y()), source.pixel(x, y)) << x << "," << y;
  // Around the picture everything is transparent.
  EXPECT_EQ(qAlpha(out.pixel(4 - at.x(), 7 - at.y())), 0);
}

TEST(SmoothTransform, ScalingUpBlendsNeighboursInsteadOfRepeatingThem) {
  QImage source(2, 3, QImage::Format_RGB32);  // three equal rows
  for (int y = 0; y < 3; ++y) {
    source.setPixel(0, y, qRgb(0, 0, 0));
    source.setPixel(1, y, qRgb(200, 100, 40));
  }
  QPoint at;
  const QImage out = SmoothTransformed(source, QTransform::fromScale(8, 8), QRect(0, 0, 64, 64), &at);
  ASSERT_FALSE(out.isNull());
  // The centre of device pixel 8 maps to 8.5 / 8 − 0.5 = 0.5625 of the way from the
  // first source pixel's centre to the second's.
  const QRgb middle = out.pixel(8 - at.x(), 12 - at.y());
  EXPECT_NEAR(qRed(middle), 112, 2);
  EXPECT_NEAR(qGreen(middle), 56, 2);
  EXPECT_NEAR(qBlue(middle), 22, 2);
  EXPECT_EQ(qAlpha(middle), 255);
  // The values rise steadily from one pixel to the other.
  int previous = -1;
  for (int x = 4; x < 12; ++x) {
    const int red = qRed(out.pixel(x - at.x(), 12 - at.y()));
    EXPECT_GE(red, previous) << x;
    previous = red;
  }
}

TEST(SmoothTransform, TurnedEdgesFadeIntoWhatLiesBeneath) {
  const QImage source = Checker(200, 120);
  QTransform t;
  t.translate(150, 150);
  t.rotate(-30);
  t.translate(-100, -60);
  QImage screen(300, 300, QImage::Format_RGB32);
  screen.fill(qRgb(255, 0, 0));
  QPoint at;
  const QImage out = SmoothTransformed(source, t, screen.rect(), &at);
  ASSERT_FALSE(out.isNull());
  int partly = 0;
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) {
      const int a = qAlpha(out.pixel(x, y));
      if (a > 0 && a < 255) ++partly;
    }
  // A 200 × 120 rectangle has a border of about 640 pixels; each edge pixel is part-covered.
  EXPECT_GT(partly, 400);
  EXPECT_LT(partly, 1400);
  // Nothing is drawn outside the clip.
  const QImage clipped = SmoothTransformed(source, t, QRect(140, 140, 20, 10), &at);
  EXPECT_EQ(clipped.size(), QSize(20, 10));
  EXPECT_EQ(at, QPoint(140, 140));
}

TEST(SmoothTransform, InsideThePictureItAgreesWithQPaintersSmoothTransform) {
  const QImage source = Checker(240, 160);
  QTransform t;
  t.translate(160, 140);
  t.scale(0.63, 0.63);
  t.rotate(-140);
  t.translate(-120, -80);
  QImage ours(320, 280, QImage::Format_RGB32), theirs(320, 280, QImage::Format_RGB32);
  ours.fill(Qt::black);
  theirs.fill(Qt::black);
  QPoint at;
  const QImage out = SmoothTransformed(source, t, ours.rect(), &at);
  {
    QPainter p(&ours);
    p.drawImage(at, out);
  }
  {
    QPainter p(&theirs);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.setTransform(t);
    p.drawImage(QPointF(0, 0), source);
  }
  // Compare where the picture covers the pixel fully (alpha 255 in ours).
  int compared = 0, far = 0;
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) {
      if (qAlpha(out.pixel(x, y)) != 255) continue;
      const QRgb a = ours.pixel(x + at.x(), y + at.y()), b = theirs.pixel(x + at.x(), y + at.y());
      ++compared;
      if (std::abs(qRed(a) - qRed(b)) > 12 || std::abs(qGreen(a) - qGreen(b)) > 12 || std::abs(qBlue(a) - qBlue(b)) > 12)
        ++far;
    }
  EXPECT_GT(compared, 5000);
  EXPECT_LT(far, compared / 100);
}

TEST(SmoothTransform, NothingToDrawGivesAnEmptyPicture) {
  QPoint at(9, 9);
  EXPECT_TRUE(SmoothTransformed(QImage(), QTransform(), QRect(0, 0, 10, 10), &at).isNull());
  EXPECT_TRUE(SmoothTransformed(Checker(8, 8), QTransform::fromScale(0, 1), QRect(0, 0, 10, 10), &at).isNull());
  EXPECT_TRUE(SmoothTransformed(Checker(8, 8), QTransform::fromTranslate(50, 50), QRect(0, 0, 10, 10), &at).isNull());
  EXPECT_EQ(at, QPoint());
}

}  // namespace
}  // namespace zorvel
