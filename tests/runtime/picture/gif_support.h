// What the GIF tests share: decoding into a record that frees itself, reading the
// record's rows back, playing an animation to its end, and test images.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "runtime/memory.h"
#include "runtime/picture/gif.h"
#include "tests/support/gif_writer.h"

namespace zorvel::test {

struct GifDecoded {
  bool ok = false;
  Picture picture;
  std::string reason;
  GifDecoded() = default;
  GifDecoded(const GifDecoded&) = delete;
  GifDecoded& operator=(const GifDecoded&) = delete;
  ~GifDecoded() { Free(picture.pixels); }
};

inline std::unique_ptr<GifDecoded> DecodeGif(const std::vector<std::uint8_t>& bytes) {
  auto decoded = std::make_unique<GifDecoded>();
  decoded->ok = DecodeGifPicture(bytes.data(), bytes.size(), decoded->picture, &decoded->reason);
  return decoded;
}

inline std::uint32_t GifU32At(const std::uint8_t* at) {
  return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24;
}

// The record's image as width * height indexes (padding left out); its size comes from
// the record's own header.
struct GifRecordImage {
  std::int32_t width = 0, height = 0;
  std::vector<std::uint8_t> indexes;
  std::vector<std::uint32_t> table;  // the 256 entries as stored (0x00RRGGBB from b, g, r, 0)
};

inline GifRecordImage GifRecordOf(const Picture& picture) {
  GifRecordImage image;
  if (!picture.pixels || picture.pixelBytes < 40 + 1024) return image;
  image.width = static_cast<std::int32_t>(GifU32At(picture.pixels + 4));
  image.height = -static_cast<std::int32_t>(GifU32At(picture.pixels + 8));
  const std::size_t stride = (static_cast<std::size_t>(image.width) + 3) & ~std::size_t{3};
  if (picture.pixelBytes != 40 + 1024 + stride * static_cast<std::size_t>(image.height)) return GifRecordImage{};
  for (int i = 0; i < 256; ++i) image.table.push_back(GifU32At(picture.pixels + 40 + i * 4));
  const std::uint8_t* rows = picture.pixels + 40 + 1024;
  for (std::int32_t y = 0; y < image.height; ++y) {
    image.indexes.insert(image.indexes.end(), rows + y * stride, rows + y * stride + image.width);
  }
  return image;
}

inline std::uint32_t GifArgb(const GifRgb& c) {
  return 0xFF000000u | std::uint32_t{c.r} << 16 | std::uint32_t{c.g} << 8 | c.b;
}
inline std::uint32_t GifColourRef(const GifRgb& c) {
  return std::uint32_t{c.r} | std::uint32_t{c.g} << 8 | std::uint32_t{c.b} << 16;
}

// Every frame's screen, and the frames, until Next says no (at most limit frames).
struct GifPlayed {
  bool opened = false;
  std::vector<GifFrame> frames;
  std::vector<std::vector<std::uint32_t>> screens;
};

inline GifPlayed PlayGif(const std::vector<std::uint8_t>& bytes, std::size_t limit = 1000) {
  GifPlayed played;
  GifAnimation animation;
  played.opened = animation.Open(bytes.data(), bytes.size());
  if (!played.opened) return played;
  GifFrame frame;
  while (played.frames.size() < limit && animation.Next(frame)) {
    played.frames.push_back(frame);
    played.screens.push_back(animation.screen());
  }
  return played;
}

// count distinct colours, each made different from the others.
inline std::vector<GifRgb> GifPalette(int count, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::vector<GifRgb> palette;
  for (int i = 0; i < count; ++i) {
    palette.push_back(GifRgb{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(random()),
                             static_cast<std::uint8_t>(255 - i)});
  }
  return palette;
}

// Indexes below colours drawn at random: the hardest case for LZW (short strings, the
// table fills fast).
inline std::vector<std::uint8_t> GifNoise(std::size_t count, int colours, unsigned seed = 7, int lowest = 0) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pick(lowest, colours - 1);
  std::vector<std::uint8_t> indexes(count);
  for (std::uint8_t& i : indexes) i = static_cast<std::uint8_t>(pick(random));
  return indexes;
}

inline GifImage GifPlainImage(int width, int height, std::vector<std::uint8_t> indexes, int left = 0, int top = 0) {
  GifImage image;
  image.left = left;
  image.top = top;
  image.width = width;
  image.height = height;
  image.indexes = std::move(indexes);
  return image;
}

}  // namespace zorvel::test
