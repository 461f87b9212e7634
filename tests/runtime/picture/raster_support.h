// What the raster decoder tests share: decoding into a record that frees itself,
// reading a record or a PNG image back as 0xAARRGGBB pixels top-down, and test images.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "runtime/picture/picture.h"
#include "runtime/picture/png.h"
#include "tests/support/raster_writers.h"

namespace zorvel::test {

struct Decoded {
  Picture* picture = nullptr;
  std::string reason;
  Decoded() = default;
  Decoded(const Decoded&) = delete;
  Decoded& operator=(const Decoded&) = delete;
  Decoded(Decoded&& other) noexcept : picture(other.picture), reason(std::move(other.reason)) { other.picture = nullptr; }
  ~Decoded() { FreePicture(picture); }
  explicit operator bool() const { return picture != nullptr; }
  const Picture* operator->() const { return picture; }
};

inline Decoded Decode(const Bytes& bytes) {
  Decoded d;
  d.picture = DecodePictureBytes(bytes.data(), bytes.size(), &d.reason);
  return d;
}

inline std::uint32_t LittleU32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// The pixels of any record as opaque 0xFFRRGGBB (icons: their ARGB; PNG: its
// premultiplied ARGB), top-down. Empty when the record's block does not have the size
// its kind and dimensions call for.
inline std::vector<std::uint32_t> PixelsOf(const Picture& p) {
  std::vector<std::uint32_t> out;
  const std::size_t w = static_cast<std::size_t>(p.width), h = static_cast<std::size_t>(p.height);
  switch (p.kind) {
    case PictureKind::kJpeg:
    case PictureKind::kBmp:
      if (!p.pixels || p.pixelBytes != w * h * 3) return out;
      for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x) {
          const std::uint8_t* q = p.pixels + ((h - 1 - y) * w + x) * 3;
          out.push_back(0xFF000000u | std::uint32_t{q[2]} << 16 | std::uint32_t{q[1]} << 8 | q[0]);
        }
      return out;
    case PictureKind::kPcx8: {
      const std::size_t stride = (w + 3) & ~std::size_t{3};
      if (!p.pixels || p.pixelBytes != 40 + 1024 + stride * h) return out;
      for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x) {
          const std::uint8_t* e = p.pixels + 40 + 4 * p.pixels[40 + 1024 + y * stride + x];
          out.push_back(0xFF000000u | std::uint32_t{e[2]} << 16 | std::uint32_t{e[1]} << 8 | e[0]);
        }
      return out;
    }
    case PictureKind::kPcx1: {
      const std::size_t stride = (w + 31) / 32 * 4;
      if (!p.pixels || p.pixelBytes != stride * h) return out;
      for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x)
          out.push_back(p.pixels[y * stride + x / 8] >> (7 - x % 8) & 1 ? 0xFFFFFFFFu : 0xFF000000u);
      return out;
    }
    case PictureKind::kIcon:
    case PictureKind::kCursor:
      if (!p.icon || p.icon->argb.size() != w * h) return out;
      return p.icon->argb;
    case PictureKind::kPng:
      if (!p.pixels || p.pixelBytes != w * h * 4) return out;
      for (std::size_t i = 0; i < w * h; ++i) out.push_back(LittleU32(p.pixels + i * 4));
      return out;
    default:
      return out;
  }
}

// A PNG image as 0xAARRGGBB: indexes through the table, BGR opaque, BGRA with its
// alpha plane (checked against the inverted alpha bytes).
inline std::vector<std::uint32_t> PixelsOf(const PngImage& image) {
  std::vector<std::uint32_t> out;
  const int bits = image.bitsPerPixel;
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* row = image.rows.data() + static_cast<std::size_t>(y) * image.stride;
    for (int x = 0; x < image.width; ++x) {
      if (bits <= 8) {
        const int perByte = 8 / bits;
        const unsigned index = row[x / perByte] >> (8 - bits * (1 + x % perByte)) & ((1u << bits) - 1);
        out.push_back(0xFF000000u | image.colourTable.at(index));
      } else {
        const std::uint8_t* q = row + x * (bits / 8);
        std::uint32_t c = std::uint32_t{q[2]} << 16 | std::uint32_t{q[1]} << 8 | q[0];
        if (bits == 32) {
          const std::uint8_t a = image.alpha.at(static_cast<std::size_t>(y) * image.width + x);
          if (q[3] != 255 - a) return {};  // the two alpha forms disagree
          c |= std::uint32_t{a} << 24;
        } else {
          c |= 0xFF000000u;
        }
        out.push_back(c);
      }
    }
  }
  return out;
}

// Opaque test pictures with detail everywhere: every pixel a different mix.
inline std::vector<std::uint32_t> Pattern(int width, int height, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::vector<std::uint32_t> out;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out.push_back(0xFF000000u | (random() & 0xFFFFFF));
  return out;
}

// Palette indexes below `colours`.
inline std::vector<std::uint32_t> Indexes(int width, int height, unsigned colours, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::vector<std::uint32_t> out;
  for (int i = 0; i < width * height; ++i) out.push_back(random() % colours);
  return out;
}

inline std::vector<std::uint32_t> Lookup(const std::vector<std::uint32_t>& indexes,
                                         const std::vector<std::uint32_t>& palette) {
  std::vector<std::uint32_t> out;
  for (std::uint32_t i : indexes) out.push_back(0xFF000000u | (i < palette.size() ? palette[i] : 0));
  return out;
}

// Straight 0xAARRGGBB pixels premultiplied, each colour rounded to the nearest.
inline std::vector<std::uint32_t> Premultiplied(std::vector<std::uint32_t> pixels) {
  for (auto& p : pixels) {
    const double a = static_cast<double>(p >> 24);
    std::uint32_t out = p & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
      out |= static_cast<std::uint32_t>(std::lround((p >> shift & 0xFF) * a / 255.0)) << shift;
    p = out;
  }
  return pixels;
}

inline std::vector<std::uint32_t> Opaque(std::vector<std::uint32_t> pixels) {
  for (auto& p : pixels) p |= 0xFF000000u;
  return pixels;
}

// The first pixel where two lists differ, for messages ("" when equal).
inline std::string FirstDifference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  if (a.size() != b.size()) return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) {
      char text[80];
      std::snprintf(text, sizeof text, "pixel %zu: %08X and %08X", i, a[i], b[i]);
      return text;
    }
  return "";
}

// The largest difference of any channel between two lists of the same size (-1 when
// the sizes differ).
inline int LargestChannelDifference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  if (a.size() != b.size()) return -1;
  int most = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    for (int shift = 0; shift < 32; shift += 8) {
      const int d = static_cast<int>(a[i] >> shift & 0xFF) - static_cast<int>(b[i] >> shift & 0xFF);
      most = std::max(most, d < 0 ? -d : d);
    }
  return most;
}

}  // namespace zorvel::test
