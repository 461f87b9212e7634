// Picture file bytes from outside: every decoder takes any bytes without crashing,
// hanging or reading out of bounds, and whatever it gives back is consistent: a record
// whose block has the size its kind and dimensions call for, or null with a reason.
//
// The seeds in fuzz/corpus/picture/ are small files of every kind made by the tests'
// encoders: ZORVEL_PICTURE_SEEDS=fuzz/corpus/picture picture_tests --gtest_filter='PictureSeeds.*'
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/picture/picture.h"
#include "runtime/picture/png.h"

namespace {

using namespace zorvel;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Reads the first and the last byte of a block: the sanitizer stops at the last one
// when the block is shorter than claimed.
void Touch(const std::uint8_t* p, std::size_t n) {
  if (n == 0) return;
  volatile std::uint8_t ends = static_cast<std::uint8_t>(p[0] ^ p[n - 1]);
  (void)ends;
}

std::uint64_t ExpectedBytes(const Picture& p) {
  const std::uint64_t w = static_cast<std::uint64_t>(p.width), h = static_cast<std::uint64_t>(p.height);
  switch (p.kind) {
    case PictureKind::kJpeg:
    case PictureKind::kBmp:
      return w * h * 3;
    case PictureKind::kPcx8:
      return 40 + 1024 + (w + 3) / 4 * 4 * h;
    case PictureKind::kPcx1:
      return (w + 31) / 32 * 4 * h;
    case PictureKind::kPng:
      return w * h * 4;
    default:
      return 0;
  }
}

void CheckPicture(const std::uint8_t* data, std::size_t size) {
  std::string reason;
  Picture* p = DecodePictureBytes(data, size, &reason);
  if (!p) {
    Check(!reason.empty() || DetectPictureKind(data, size) == PictureKind::kGif);
    return;
  }
  Check(p->kind == DetectPictureKind(data, size));
  Check(p->width > 0 && p->height > 0 && p->width <= kMaxPictureSide && p->height <= kMaxPictureSide);
  if (p->kind == PictureKind::kIcon || p->kind == PictureKind::kCursor) {
    Check(p->icon && !p->pixels);
    Check(p->icon->width == p->width && p->icon->height == p->height);
    Check(p->icon->argb.size() == static_cast<std::size_t>(p->width) * static_cast<std::size_t>(p->height));
  } else if (p->kind != PictureKind::kGif) {
    Check(p->pixels && !p->icon);
    Check(p->pixelBytes == ExpectedBytes(*p));
  }
  if (p->kind == PictureKind::kPng) {
    // Premultiplied: no colour byte above its pixel's alpha.
    for (std::uint32_t i = 0; i + 3 < p->pixelBytes; i += 4)
      Check(p->pixels[i] <= p->pixels[i + 3] && p->pixels[i + 1] <= p->pixels[i + 3] &&
            p->pixels[i + 2] <= p->pixels[i + 3]);
  }
  if (p->pixels) Touch(p->pixels, p->pixelBytes);
  FreePicture(p);
}

void CheckPng(const std::uint8_t* data, std::size_t size) {
  PngImage image;
  std::string reason;
  const bool picture = DecodePng(data, size, image, &reason);
  if (picture) {
    const int bits = image.bitsPerPixel;
    Check(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32);
    Check(image.stride == (static_cast<std::int64_t>(image.width) * bits + 31) / 32 * 4);
    Check(image.rows.size() == static_cast<std::size_t>(image.stride) * static_cast<std::size_t>(image.height));
    Check(image.colourTable.size() == (bits <= 8 ? std::size_t{1} << bits : 0));
    Check(image.alpha.size() == (bits == 32 ? static_cast<std::size_t>(image.width) * image.height : 0));
    for (std::size_t i = 0; i < image.alpha.size(); ++i) {
      const std::size_t y = i / static_cast<std::size_t>(image.width), x = i % static_cast<std::size_t>(image.width);
      Check(image.rows[y * static_cast<std::size_t>(image.stride) + x * 4 + 3] == 255 - image.alpha[i]);
    }
  } else {
    Check(!reason.empty());
  }
  std::int32_t width = 0, height = 0;
  std::vector<std::uint32_t> argb;
  // The two layouts may part at the size limit (their blocks differ in size), never
  // in what they read.
  if (DecodePngArgb(data, size, width, height, argb)) {
    Check(argb.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    if (picture) Check(width == image.width && height == image.height);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckPicture(data, size);
  CheckPng(data, size);
  return 0;
}
