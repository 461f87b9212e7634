// Shared by the movie tests: a movie read from written bytes, a frame of it rendered,
// and pixels compared with a tolerance for anti-aliasing and blending.
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cstdlib>
#include <memory>
#include <string>

#include "runtime/movie/movie.h"
#include "runtime/movie/render.h"
#include "runtime/movie/timeline.h"
#include "tests/support/swf_writer.h"

namespace zorvel::movie::test {

namespace swf = zorvel::test::swf;

inline std::unique_ptr<Movie> MustRead(const swf::Bytes& bytes) {
  std::string reason;
  auto movie = ReadMovie(bytes.data(), bytes.size(), &reason);
  EXPECT_TRUE(movie) << reason;
  return movie;
}

// Frame n of the movie in an image of the size (the stage's own size when empty).
inline QImage RenderFrame(const Movie& movie, std::int64_t n, QSize size = {}, bool background = true) {
  Timeline timeline(movie);
  timeline.GoTo(n);
  if (size.isEmpty()) size = QSize(movie.info().widthPx, movie.info().heightPx);
  QImage image = MakeFrameImage(size);
  Renderer renderer(movie);
  renderer.Render(timeline, image, background);
  return image;
}

// Unpremultiplied colour of a pixel as "r,g,b,a".
inline std::string Pixel(const QImage& image, int x, int y) {
  const QColor c = image.pixelColor(x, y);
  return std::to_string(c.red()) + "," + std::to_string(c.green()) + "," + std::to_string(c.blue()) + "," +
         std::to_string(c.alpha());
}

// Whether the pixel is the colour within the tolerance on every channel.
inline testing::AssertionResult Near(const QImage& image, int x, int y, QColor want, int tolerance = 2) {
  const QColor c = image.pixelColor(x, y);
  if (std::abs(c.red() - want.red()) <= tolerance && std::abs(c.green() - want.green()) <= tolerance &&
      std::abs(c.blue() - want.blue()) <= tolerance && std::abs(c.alpha() - want.alpha()) <= tolerance)
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "pixel " << x << "," << y << " is " << Pixel(image, x, y) << ", expected "
                                     << want.red() << "," << want.green() << "," << want.blue() << ","
                                     << want.alpha();
}

// A stage of w × h pixels.
inline swf::MovieOptions Stage(int w, int h) {
  swf::MovieOptions o;
  o.widthTwips = w * 20;
  o.heightTwips = h * 20;
  return o;
}

}  // namespace zorvel::movie::test
