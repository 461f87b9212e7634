// GIF decoding speed: the egg pictures (200 x 188, decoded at start-up) and a
// full-screen picture, ours against giflib doing the same work: the first image
// decoded to its indexes. Both GIFs are made here by the test writer.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "runtime/memory.h"
#include "runtime/picture/gif.h"
#include "tests/support/gif_writer.h"

namespace {

using zorvel::test::GifImage;
using zorvel::test::GifRgb;
using zorvel::test::GifWriter;

// A golden egg lit from the upper left, on a white background that is transparent:
// 254 shades of gold, ordered dithering between them, white at index 255.
std::vector<std::uint8_t> EggGif() {
  constexpr int kWidth = 200, kHeight = 188;
  std::vector<GifRgb> palette;
  for (int i = 0; i < 255; ++i) {
    const double t = i / 254.0;  // dark amber to pale gold
    palette.push_back(GifRgb{static_cast<std::uint8_t>(90 + 165 * t),
                             static_cast<std::uint8_t>(50 + 180 * t * t + 20 * t),
                             static_cast<std::uint8_t>(5 + 120 * t * t * t)});
  }
  palette.push_back(GifRgb{255, 255, 255});
  static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  GifImage image;
  image.width = kWidth;
  image.height = kHeight;
  image.indexes.resize(kWidth * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      // An egg: an ellipse whose upper half is narrower.
      const double ny = (y - 100.0) / 86.0;
      const double half = 74.0 * (ny < 0 ? 0.86 + 0.14 * (1 + ny) : 1.0);
      const double nx = (x - 100.0) / half;
      const double r2 = nx * nx + ny * ny;
      std::uint8_t index = 255;
      if (r2 <= 1.0) {
        const double nz = std::sqrt(1.0 - r2);
        const double light = std::max(0.0, -0.45 * nx - 0.55 * ny + 0.70 * nz);
        const double highlight = std::pow(std::max(0.0, -0.3 * nx - 0.4 * ny + 0.87 * nz), 40.0);
        const double level = std::min(1.0, 0.18 + 0.72 * light + 0.6 * highlight) * 253.0;
        const double dithered = level + (kBayer[y & 3][x & 3] / 16.0 - 0.5);
        index = static_cast<std::uint8_t>(std::clamp(dithered, 0.0, 254.0));
      }
      image.indexes[static_cast<std::size_t>(y) * kWidth + x] = index;
    }
  }
  GifWriter writer(kWidth, kHeight, palette);
  writer.Control(0, 0, 255).Image(image);
  return writer.Finish();
}

// A full-screen picture with detail: soft colour fields, rings and fine stripes,
// dithered with noise onto a 256-colour palette (6 x 7 x 6 levels plus greys).
std::vector<std::uint8_t> ScreenGif() {
  constexpr int kWidth = 1920, kHeight = 1080;
  std::vector<GifRgb> palette;
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 7; ++g) {
      for (int b = 0; b < 6; ++b) {
        palette.push_back(GifRgb{static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 42),
                                 static_cast<std::uint8_t>(b * 51)});
      }
    }
  }
  while (palette.size() < 256) {
    const auto v = static_cast<std::uint8_t>((palette.size() - 252) * 60 + 20);
    palette.push_back(GifRgb{v, v, v});
  }
  std::mt19937 random(42);
  std::uniform_real_distribution<double> noise(-0.5, 0.5);
  GifImage image;
  image.width = kWidth;
  image.height = kHeight;
  image.indexes.resize(static_cast<std::size_t>(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double u = x / 1920.0, v = y / 1080.0;
      const double rings = std::sin(std::hypot(x - 700.0, y - 500.0) / 9.0);
      const double stripes = (x / 3 + y / 5) % 7 == 0 ? 0.3 : 0.0;
      double r = 0.5 + 0.4 * std::sin(6 * u + 2 * v) + 0.1 * rings;
      double g = 0.5 + 0.35 * std::cos(5 * v - 3 * u) + stripes;
      double b = 0.5 + 0.3 * std::sin(9 * u * v + 1) - 0.1 * rings;
      auto level = [&](double c, int levels) {
        return std::clamp(static_cast<int>(c * (levels - 1) + 0.5 + noise(random) * 0.8), 0, levels - 1);
      };
      image.indexes[static_cast<std::size_t>(y) * kWidth + x] =
          static_cast<std::uint8_t>(level(r, 6) * 42 + level(g, 7) * 6 + level(b, 6));
    }
  }
  GifWriter writer(kWidth, kHeight, palette);
  writer.Image(image);
  return writer.Finish();
}

const std::vector<std::uint8_t>& Egg() {
  static const std::vector<std::uint8_t> bytes = EggGif();
  return bytes;
}
const std::vector<std::uint8_t>& Screen() {
  static const std::vector<std::uint8_t> bytes = ScreenGif();
  return bytes;
}

void Ours(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
  for (auto _ : state) {
    zorvel::Picture picture;
    if (!zorvel::DecodeGifPicture(bytes.data(), bytes.size(), picture, nullptr)) state.SkipWithError("refused");
    benchmark::DoNotOptimize(picture.pixels);
    zorvel::Free(picture.pixels);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

struct Memory {
  const std::uint8_t* data;
  std::size_t size, pos;
};

int ReadMemory(GifFileType* file, GifByteType* to, int length) {
  auto* memory = static_cast<Memory*>(file->UserData);
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(length), memory->size - memory->pos);
  std::memcpy(to, memory->data + memory->pos, n);
  memory->pos += n;
  return static_cast<int>(n);
}

// giflib reading the whole file into its saved images.
void GiflibSlurp(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
  for (auto _ : state) {
    Memory memory{bytes.data(), bytes.size(), 0};
    int error = 0;
    GifFileType* file = DGifOpen(&memory, ReadMemory, &error);
    if (!file || DGifSlurp(file) != GIF_OK) state.SkipWithError("giflib refused");
    benchmark::DoNotOptimize(file->SavedImages[0].RasterBits);
    DGifCloseFile(file, &error);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// giflib record by record: the first image's lines into one buffer.
void GiflibLines(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
  std::vector<GifPixelType> indexes;
  for (auto _ : state) {
    Memory memory{bytes.data(), bytes.size(), 0};
    int error = 0;
    GifFileType* file = DGifOpen(&memory, ReadMemory, &error);
    GifRecordType record;
    bool done = false;
    while (!done && DGifGetRecordType(file, &record) == GIF_OK) {
      if (record == EXTENSION_RECORD_TYPE) {
        int code;
        GifByteType* block;
        DGifGetExtension(file, &code, &block);
        while (block) DGifGetExtensionNext(file, &block);
      } else if (record == IMAGE_DESC_RECORD_TYPE) {
        DGifGetImageDesc(file);
        const int width = file->Image.Width, height = file->Image.Height;
        indexes.resize(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y) DGifGetLine(file, indexes.data() + static_cast<std::size_t>(y) * width, width);
        done = true;
      } else {
        done = true;
      }
    }
    benchmark::DoNotOptimize(indexes.data());
    DGifCloseFile(file, &error);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// Our animation drawing a frame onto its screen (for scale: the decoding above plus
// the colour lookup).
void OursAnimationFrame(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
  zorvel::GifAnimation animation;
  if (!animation.Open(bytes.data(), bytes.size())) state.SkipWithError("refused");
  zorvel::GifFrame frame;
  for (auto _ : state) {
    animation.Rewind();
    if (!animation.Next(frame)) state.SkipWithError("no frame");
    benchmark::DoNotOptimize(animation.screen().data());
  }
}

BENCHMARK_CAPTURE(Ours, Egg, Egg());
BENCHMARK_CAPTURE(GiflibSlurp, Egg, Egg());
BENCHMARK_CAPTURE(GiflibLines, Egg, Egg());
BENCHMARK_CAPTURE(OursAnimationFrame, Egg, Egg());
BENCHMARK_CAPTURE(Ours, Screen, Screen())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(GiflibSlurp, Screen, Screen())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(GiflibLines, Screen, Screen())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OursAnimationFrame, Screen, Screen())->Unit(benchmark::kMillisecond);

}  // namespace
