// SWF movie bytes from outside: the reader takes any bytes without crashing, hanging or
// reading out of bounds, and gives either a movie whose figures agree with each other
// or null with a one-line reason; a movie read plays and draws a few frames (forward,
// past its end and back) at a small size within the player's limits.
//
// The seeds in fuzz/corpus/movie/ are small movies made by the tests' writer:
//   ZORVEL_MOVIE_SEEDS=fuzz/corpus/movie movie_tests --gtest_filter='MovieSeeds.*'
#include <cstdint>
#include <cstdlib>
#include <string>

#include "runtime/movie/movie.h"
#include "runtime/movie/render.h"
#include "runtime/movie/timeline.h"

namespace {

using namespace zorvel::movie;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string reason;
  const auto movie = ReadMovie(data, size, &reason);
  if (!movie) {
    Check(reason.rfind("SWF: ", 0) == 0 && reason.find('\n') == std::string::npos);
    return 0;
  }
  const MovieInfo& info = movie->info();
  Check(info.signature == "FWS" || info.signature == "CWS");
  Check(info.frameRate >= kMinFrameRate && info.frameRate <= kMaxFrameRate);
  Check(static_cast<std::size_t>(info.frameCount) == movie->timeline().frames.size());
  Check(info.bodyBytes <= kMaxExpandedBytes);
  for (const Shape& shape : movie->shapes()) {
    for (const ShapeLayer& layer : shape.layers) {
      Check(layer.fillPaths.size() == layer.fills.size() && layer.fillBrushes.size() == layer.fills.size());
      Check(layer.linePaths.size() == layer.lines.size());
    }
  }

  Timeline timeline(*movie);
  Renderer renderer(*movie);
  QImage image = MakeFrameImage({64, 48});
  for (int n = 1; n <= 3; ++n) {
    Check(timeline.frame() == n);
    Check(timeline.instanceCount() <= kMaxInstances);
    renderer.Render(timeline, image, n != 2);
    timeline.Next();
  }
  timeline.GoTo(2);
  Check(timeline.frame() == 2);
  renderer.Render(timeline, image, true);
  return 0;
}
