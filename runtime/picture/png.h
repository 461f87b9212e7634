// PNG data for animation objects and icons (through libpng). The picture record of a
// PNG (kind 8) is made by the decoder of every picture kind, DecodePictureBytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zorvel {

// A PNG as a top-down device-independent bitmap.
//   bitsPerPixel 1, 4, 8: palette indexes; colourTable has 2, 16 or 256 entries
//     (blue, green, red, 0 bytes; the file's palette, or a grey ramp);
//   bitsPerPixel 24: blue, green, red bytes;
//   bitsPerPixel 32: blue, green, red, 255 - alpha bytes, and alpha holds the straight
//     alpha of every pixel (width × height, top-down).
// Rows are padded to 4 bytes (stride). A file's background colour (bKGD), when it has
// one, is applied: transparent parts are laid over it and no alpha is kept. Without one,
// a transparent colour or palette alpha (tRNS) gives 32-bit pixels with alpha, as an
// alpha channel does. 16-bit samples are scaled to 8 bits with rounding; interlaced
// images come out whole.
struct PngImage {
  std::int32_t width = 0, height = 0;
  int bitsPerPixel = 0;
  std::int32_t stride = 0;
  std::vector<std::uint8_t> rows;
  std::vector<std::uint32_t> colourTable;
  std::vector<std::uint8_t> alpha;
};

bool IsPng(const std::uint8_t* data, std::size_t size);
bool DecodePng(const std::uint8_t* data, std::size_t size, PngImage& image, std::string* reason = nullptr);

// The same data as straight 0xAARRGGBB pixels, top-down (for icons and sprites). The
// background colour is not applied here: every kind of transparency becomes alpha.
bool DecodePngArgb(const std::uint8_t* data, std::size_t size, std::int32_t& width, std::int32_t& height,
                   std::vector<std::uint32_t>& argb, std::string* reason = nullptr);

}  // namespace zorvel
