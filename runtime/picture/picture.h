// Pictures as units hold them: the bytes of a picture file decoded into one heap
// record. Decoders never crash on bad data: they give null and a short reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zorvel {

enum class PictureKind : std::int32_t {
  kNone = 0,
  kJpeg = 1,
  kBmp = 2,
  kIcon = 3,
  kCursor = 4,
  kGif = 5,
  kPcx8 = 6,  // 8 bits per pixel
  kPcx1 = 7,  // 1 bit per pixel
  kPng = 8,
};

// The kind from the first bytes (at least 6 are needed; fewer is never a picture). A
// PNG is known by its 8-byte signature, looked for after every other kind.
PictureKind DetectPictureKind(const std::uint8_t* data, std::size_t size);

// No colour: what a transparent colour holds when there is none.
inline constexpr std::uint32_t kNoColour = 0xFF000000;

// The image of an icon or cursor file: straight (not premultiplied) 0xAARRGGBB
// pixels, rows top-down, and for a cursor the hot spot.
struct IconImage {
  std::int32_t width = 0, height = 0;
  std::int32_t hotX = 0, hotY = 0;
  std::vector<std::uint32_t> argb;
};

// The decoded picture.
//   kinds 1, 2: 24-bit pixels, blue, green, red, rows bottom-up, no padding
//               (pixelBytes = width * height * 3);
//   kinds 5, 6: a 40-byte bitmap-info header (8 bits, 256 colours, negative height:
//               rows top-down), a 256-entry colour table (blue, green, red, 0), then
//               8-bit rows padded to 4 bytes; for a GIF the image is the first image
//               at its own size, while width and height are the logical screen;
//   kind 7:     1-bit rows, top-down, high bit first, each padded to 4 bytes, 1 = white;
//   kind 8:     premultiplied 0xAARRGGBB pixels (blue, green, red, alpha bytes), rows
//               top-down, no padding (pixelBytes = width * height * 4);
//   kinds 3, 4: no pixels; icon holds the image.
struct Picture {
  PictureKind kind = PictureKind::kNone;
  std::int32_t width = 0, height = 0;
  IconImage* icon = nullptr;
  std::uint8_t* pixels = nullptr;  // runtime heap
  std::uint32_t pixelBytes = 0;
  // A GIF's transparent colour (0x00BBGGRR) when its graphic control marks one.
  std::uint32_t transparentColour = kNoColour;
};

// Pictures larger than this are refused rather than allocated.
inline constexpr std::int64_t kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPictureBytes = std::int64_t{512} << 20;

// Decodes picture file bytes; null (with *reason set when given) when they are not a
// picture this runtime reads.
Picture* DecodePictureBytes(const std::uint8_t* data, std::size_t size, std::string* reason = nullptr);
// Reads and decodes a file named by a GBK path in the Windows form; an empty path
// gives null.
Picture* DecodePictureFile(const char* gbkPath, std::string* reason = nullptr);
void FreePicture(Picture* picture);

}  // namespace zorvel
