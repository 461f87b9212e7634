// GIF streams from outside: the picture record and the animation take any bytes
// without crashing, hanging or reading out of bounds, and what they give is
// consistent: a record's size matches its own header, an animation's screen is the
// logical screen, frames report sane values, and a rewound animation plays the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/memory.h"
#include "runtime/picture/gif.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::uint32_t U32(const std::uint8_t* at) {
  return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24;
}

void CheckRecord(const std::uint8_t* data, std::size_t size) {
  zorvel::Picture picture;
  std::string reason;
  if (!zorvel::DecodeGifPicture(data, size, picture, &reason)) {
    Check(!reason.empty() && picture.pixels == nullptr);
    return;
  }
  Check(picture.kind == zorvel::PictureKind::kGif);
  Check(picture.width > 0 && picture.width <= zorvel::kMaxPictureSide);
  Check(picture.height > 0 && picture.height <= zorvel::kMaxPictureSide);
  const std::int64_t width = U32(picture.pixels + 4);
  const std::int64_t height = -static_cast<std::int32_t>(U32(picture.pixels + 8));
  Check(width > 0 && height > 0);
  Check(picture.pixelBytes == 1064 + ((width + 3) & ~3) * height);
  zorvel::Free(picture.pixels);
}

// At most this many frames per input, so that one input cannot run for long.
constexpr int kMaxFrames = 64;

std::vector<std::uint32_t> Play(zorvel::GifAnimation& animation, int& frames) {
  std::vector<std::uint32_t> first;
  zorvel::GifFrame frame;
  frames = 0;
  while (frames < kMaxFrames && animation.Next(frame)) {
    Check(frame.disposal >= 0 && frame.disposal <= 3);
    Check(frame.delayMs >= 0 && frame.delayMs <= 655350);
    Check(frame.width >= 0 && frame.height >= 0);
    Check(animation.screen().size() ==
          static_cast<std::size_t>(animation.width()) * static_cast<std::size_t>(animation.height()));
    if (frames++ == 0) first = animation.screen();
  }
  return first;
}

// Pictures over 4 Mpixel are allowed (up to 512 MiB), but clearing one costs more
// than a whole run of small inputs, and the tests cover the sizes at the limits. So
// inputs whose logical screen or first image is larger skip that part. These two
// read just enough of the stream to tell.
constexpr std::uint64_t kMaxFuzzPixels = std::uint64_t{1} << 22;

std::uint64_t ScreenPixels(const std::uint8_t* data, std::size_t size) {
  if (size < 10) return 0;
  return std::uint64_t(data[6] | data[7] << 8) * std::uint64_t(data[8] | data[9] << 8);
}

std::uint64_t FirstImagePixels(const std::uint8_t* data, std::size_t size) {
  if (size < 13) return 0;
  std::size_t at = 13 + ((data[10] & 0x80) ? std::size_t{3} << ((data[10] & 7) + 1) : 0);
  while (at < size && data[at] == 0x21) {
    at += 2;  // introducer and label, then sub-blocks
    while (at < size && data[at] != 0) at += 1 + data[at];
    ++at;
  }
  if (at + 9 > size || data[at] != 0x2C) return 0;
  return std::uint64_t(data[at + 5] | data[at + 6] << 8) * std::uint64_t(data[at + 7] | data[at + 8] << 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (FirstImagePixels(data, size) <= kMaxFuzzPixels) CheckRecord(data, size);
  if (ScreenPixels(data, size) > kMaxFuzzPixels) return 0;

  zorvel::GifAnimation animation;
  std::string reason;
  if (!animation.Open(data, size, &reason)) {
    Check(!reason.empty());
    return 0;
  }
  Check(animation.width() > 0 && animation.height() > 0);
  int frames = 0;
  const std::vector<std::uint32_t> first = Play(animation, frames);
  animation.Rewind();
  for (std::uint32_t pixel : animation.screen()) Check(pixel == 0);
  if (frames > 0) {
    zorvel::GifFrame frame;
    Check(animation.Next(frame));
    Check(animation.screen() == first);
  }
  return 0;
}
