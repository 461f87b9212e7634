// The movies built into the program, read and played by the program's own player: the
// headers the effect relies on, every frame of a pass drawn, black night around the
// fireworks and bright sparks in the busiest frame; the default movie on white.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <memory>
#include <string>

#include "resources/movies.h"
#include "runtime/movie/movie.h"
#include "runtime/movie/render.h"
#include "runtime/movie/timeline.h"

namespace {

using namespace zorvel;

std::unique_ptr<movie::Movie> Read(std::string_view bytes, std::string* reason) {
  return movie::ReadMovie(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), reason);
}

// The brightest pixel's lightness (0 … 255) in an image drawn with its background.
int Brightest(const QImage& image) {
  int most = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) most = std::max(most, QColor(image.pixel(x, y)).lightness());
  return most;
}

TEST(PlayedMovies, TheFireworksPlayAsTheEffectExpects) {
  const struct {
    int number;
    const char* signature;
    int version, width, height;
    double rate;
    int frames;
  } rows[] = {{1, "CWS", 8, 550, 400, 12, 91}, {2, "CWS", 6, 550, 400, 36, 60}, {3, "FWS", 5, 400, 400, 20, 35}};
  for (const auto& row : rows) {
    SCOPED_TRACE("movie " + std::to_string(row.number));
    std::string reason;
    const auto m = Read(resources::CelebrationMovie(row.number), &reason);
    ASSERT_NE(m, nullptr) << reason;
    const movie::MovieInfo& info = m->info();
    EXPECT_EQ(info.signature, row.signature);
    EXPECT_EQ(info.version, row.version);
    EXPECT_EQ(info.widthPx, row.width);
    EXPECT_EQ(info.heightPx, row.height);
    EXPECT_DOUBLE_EQ(info.frameRate, row.rate);
    EXPECT_EQ(info.frameCount, row.frames);
    EXPECT_EQ(info.headerFrameCount, row.frames);
    EXPECT_FALSE(info.truncated);
    EXPECT_TRUE(info.backgroundSet);
    EXPECT_EQ(QColor(info.background.r, info.background.g, info.background.b), QColor(Qt::black));

    // One pass, drawn at a quarter of the stage, and frame 1 again after it.
    movie::Timeline timeline(*m);
    movie::Renderer renderer(*m);
    QImage image = movie::MakeFrameImage(QSize(row.width / 2, row.height / 2));
    int busiest = 0, busiestFrame = 0;
    for (int frame = 1; frame <= row.frames; ++frame) {
      ASSERT_EQ(timeline.movieFrame(), frame);
      renderer.Render(timeline, image, true);
      if (renderer.drawnShapes() > busiest) {
        busiest = renderer.drawnShapes();
        busiestFrame = frame;
      }
      if (frame == 1) {
        for (const QPoint corner : {QPoint(0, 0), QPoint(image.width() - 1, 0), QPoint(0, image.height() - 1),
                                    QPoint(image.width() - 1, image.height() - 1)})
          EXPECT_EQ(QColor(image.pixel(corner)), QColor(Qt::black)) << corner.x() << "," << corner.y();
      }
      timeline.Next();
    }
    EXPECT_EQ(timeline.movieFrame(), 1);
    // Hundreds of sparks at the height of the show, some of them bright.
    EXPECT_GE(busiest, 200);
    timeline.GoTo(busiestFrame);
    renderer.Render(timeline, image, true);
    EXPECT_GE(Brightest(image), 200) << "frame " << busiestFrame;
    // Sparks and their tails copied from bitmaps look as drawn one by one: each lies
    // within a quarter pixel of its place, so only edge pixels differ, and little.
    movie::Renderer direct(*m);
    direct.setShapeCache(false);
    QImage fresh = movie::MakeFrameImage(image.size());
    direct.Render(timeline, fresh, true);
    EXPECT_GE(renderer.cachedShapes(), busiest / 2);
    double difference = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor a(image.pixel(x, y)), b(fresh.pixel(x, y));
        difference += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
      }
    EXPECT_LT(difference / (3.0 * image.width() * image.height()), 1.0) << "mean difference per channel";
  }
}

TEST(PlayedMovies, TheDefaultMovieIsOneFrameOnWhite) {
  std::string reason;
  const auto m = Read(resources::DefaultMovie(), &reason);
  ASSERT_NE(m, nullptr) << reason;
  EXPECT_EQ(m->info().signature, "FWS");
  EXPECT_EQ(m->info().version, 5);
  EXPECT_EQ(m->info().fileLength, 18547u);
  EXPECT_EQ(QSize(m->info().widthPx, m->info().heightPx), QSize(680, 350));
  EXPECT_EQ(m->info().frameCount, 1);
  movie::Timeline timeline(*m);
  movie::Renderer renderer(*m);
  QImage image = movie::MakeFrameImage(QSize(680, 350));
  renderer.Render(timeline, image, true);
  EXPECT_EQ(QColor(image.pixel(2, 2)), QColor(Qt::white));
  EXPECT_NE(QColor(image.pixel(340, 175)), QColor(Qt::white));  // the emblem in the middle
  // Every ray of the sunburst behind it, not only the first: straight up and down, and
  // to the left and to the right of the egg.
  for (const QPoint ray : {QPoint(340, 12), QPoint(340, 338), QPoint(200, 175), QPoint(480, 175)})
    EXPECT_NE(QColor(image.pixel(ray)), QColor(Qt::white)) << ray.x() << "," << ray.y();
}

}  // namespace
