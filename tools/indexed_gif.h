// Turning a true-colour drawing into a one-image GIF89a whose last palette entry is the
// transparent one: a median-cut palette, nearest-colour indexes and an LZW-coded image.
// Everything is integer arithmetic, so the same pixels always give the same bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace zorvel::tools {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// The transparent index of the pictures this writes, and the colour that entry holds.
inline constexpr int kTransparentIndex = 255;
inline constexpr Rgb kTransparentColour{255, 255, 255};

// At most `count` colours for the pixels by median cut: the box of colours whose pixel
// count times its longest side is largest is split at its weighted median along that
// side, until there are `count` boxes or no box can be split; each entry is its box's
// pixel-weighted mean. The entries come in the order the boxes were made.
std::vector<Rgb> MedianCutPalette(const std::vector<Rgb>& pixels, int count);

// The palette index nearest to each pixel (squared distance; the lower index on a tie).
std::vector<std::uint8_t> NearestIndexes(const std::vector<Rgb>& pixels, const std::vector<Rgb>& palette);

// The LZW code stream of indexes (each below 2^minCodeSize) without sub-block framing:
// a clear code first, the code size growing to 12 bits, a clear code whenever the
// table fills, the end code last.
std::vector<std::uint8_t> LzwEncode(const std::vector<std::uint8_t>& indexes, int minCodeSize);

// A GIF89a of one width × height image: a 256-entry global table holding the palette
// (at most 255 entries, the unused ones black) with entry 255 white, a graphic control
// that marks index 255 transparent, and the indexes (rows top-down, not interlaced).
std::vector<std::uint8_t> TransparentGif(int width, int height, const std::vector<Rgb>& palette,
                                         const std::vector<std::uint8_t>& indexes);

}  // namespace zorvel::tools
