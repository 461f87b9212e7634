// PCX files: 8-bit single-plane pictures with their 256-colour palette (kind 6) and
// 1-bit single-plane pictures (kind 7), run-length encoded scan lines.
#include <cstring>

#include "runtime/memory.h"
#include "runtime/picture/decoders.h"

namespace zorvel::picture {

namespace {

constexpr std::size_t kHeaderBytes = 128;
constexpr std::size_t kPaletteBytes = 768;
constexpr std::uint8_t kPaletteMarker = 12;
// The bitmap-info header and 256-entry colour table in front of a kind-6 picture's rows.
constexpr std::size_t kInfoBytes = 40;
constexpr std::size_t kTableBytes = 256 * 4;

// Run-length decoding of the pixel data, one scan line at a time. A byte with both
// top bits set repeats the following byte (its low six bits are the count); any other
// byte stands for itself. A run that goes past the end of a scan line is carried on
// into the next one, so files whose encoder let runs cross lines still come out right.
class RunDecoder {
 public:
  RunDecoder(const std::uint8_t* data, std::size_t size, std::size_t start) : data_(data), size_(size), at_(start) {}

  // Fills one scan line; false when the data ends first.
  bool Line(std::uint8_t* out, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
      if (pending_ == 0) {
        if (at_ >= size_) return false;
        const std::uint8_t b = data_[at_++];
        if ((b & 0xC0) == 0xC0) {
          if (at_ >= size_) return false;
          pending_ = b & 0x3F;
          value_ = data_[at_++];
        } else {
          pending_ = 1;
          value_ = b;
        }
        continue;
      }
      const std::size_t n = pending_ < count - done ? pending_ : count - done;
      std::memset(out + done, value_, n);
      done += n;
      pending_ -= n;
    }
    return true;
  }
  std::size_t position() const { return at_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_;
  std::size_t pending_ = 0;
  std::uint8_t value_ = 0;
};

void PutLittle32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> 8 * i);
}

// The palette: a marker byte 12 and 768 bytes of red, green, blue, right after the
// pixel data, or else where the format puts it, 769 bytes before the end of the file.
const std::uint8_t* FindPalette(const std::uint8_t* data, std::size_t size, std::size_t afterPixels) {
  if (afterPixels < size && size - afterPixels > kPaletteBytes && data[afterPixels] == kPaletteMarker)
    return data + afterPixels + 1;
  if (size >= kHeaderBytes + 1 + kPaletteBytes && data[size - kPaletteBytes - 1] == kPaletteMarker)
    return data + size - kPaletteBytes;
  return nullptr;
}

}  // namespace

bool DecodePcxPicture(const std::uint8_t* data, std::size_t size, Picture& picture, std::string* reason) {
  if (size <= kHeaderBytes) return Refuse(reason, "PCX: header is cut short");
  const int bits = data[3];
  const std::int64_t xmin = U16At(data, size, 4), ymin = U16At(data, size, 6);
  const std::int64_t xmax = U16At(data, size, 8), ymax = U16At(data, size, 10);
  const int planes = data[65];
  const std::int64_t lineBytes = U16At(data, size, 66);
  if (xmax < xmin || ymax < ymin)
    return Refuse(reason, "PCX: window " + std::to_string(xmin) + "," + std::to_string(ymin) + " to " +
                              std::to_string(xmax) + "," + std::to_string(ymax) + " is empty");
  const std::int64_t width = xmax - xmin + 1, height = ymax - ymin + 1;
  if (planes != 1) return Refuse(reason, "PCX: " + std::to_string(planes) + " colour planes are not read");
  if (bits != 8 && bits != 1) return Refuse(reason, "PCX: " + std::to_string(bits) + " bits per pixel are not read");
  if (lineBytes * 8 < width * bits)
    return Refuse(reason, "PCX: scan lines of " + std::to_string(lineBytes) + " bytes are shorter than the width " +
                              std::to_string(width));

  const std::int64_t front = bits == 8 ? kInfoBytes + kTableBytes : 0;
  const auto blockBytes = [&] { return front + PaddedRowBytes(width, bits) * height; };
  if (!SizeFits(width, height, blockBytes, "PCX", reason)) return false;
  // Two coded bytes give at most 63 pixel bytes: data too short to hold every scan
  // line is refused before anything is allocated.
  if (static_cast<std::uint64_t>(lineBytes * height + 31) / 32 > size - kHeaderBytes)
    return Refuse(reason, "PCX: pixel data is cut short");
  const std::int64_t stride = PaddedRowBytes(width, bits);
  const std::int64_t bytes = blockBytes();
  auto* block = static_cast<std::uint8_t*>(AllocateUnchecked(static_cast<std::size_t>(bytes)));
  if (!block) return Refuse(reason, "PCX: out of memory");
  std::memset(block, 0, static_cast<std::size_t>(bytes));

  // Each scan line is decoded whole (lineBytes may exceed what the width shows); the
  // pixels the width covers are kept.
  auto* line = static_cast<std::uint8_t*>(AllocateUnchecked(static_cast<std::size_t>(lineBytes)));
  if (!line) {
    Free(block);
    return Refuse(reason, "PCX: out of memory");
  }
  RunDecoder runs(data, size, kHeaderBytes);
  const std::size_t keep = static_cast<std::size_t>((width * bits + 7) / 8);
  std::uint8_t* rows = block + front;
  bool complete = true;
  for (std::int64_t y = 0; y < height && complete; ++y) {
    complete = runs.Line(line, static_cast<std::size_t>(lineBytes));
    std::memcpy(rows + y * stride, line, keep);
  }
  Free(line);
  if (!complete) {
    Free(block);
    return Refuse(reason, "PCX: pixel data is cut short");
  }

  if (bits == 1) {
    // Bits past the width in the last byte of a row are cleared.
    if (width % 8 != 0) {
      const auto mask = static_cast<std::uint8_t>(0xFF << (8 - width % 8));
      for (std::int64_t y = 0; y < height; ++y) rows[y * stride + static_cast<std::int64_t>(keep) - 1] &= mask;
    }
  } else {
    const std::uint8_t* palette = FindPalette(data, size, runs.position());
    if (!palette) {
      Free(block);
      return Refuse(reason, "PCX: the 256-colour palette is missing");
    }
    // The bitmap-info header: 8 bits, 256 colours, rows top-down (negative height).
    PutLittle32(block, kInfoBytes);
    PutLittle32(block + 4, static_cast<std::uint32_t>(width));
    PutLittle32(block + 8, static_cast<std::uint32_t>(-height));
    block[12] = 1;  // planes
    block[14] = 8;  // bits per pixel
    PutLittle32(block + 20, static_cast<std::uint32_t>(stride * height));
    PutLittle32(block + 32, 256);  // colours used
    std::uint8_t* table = block + kInfoBytes;
    for (int i = 0; i < 256; ++i) {
      table[i * 4 + 0] = palette[i * 3 + 2];
      table[i * 4 + 1] = palette[i * 3 + 1];
      table[i * 4 + 2] = palette[i * 3 + 0];
    }
  }
  picture.width = static_cast<std::int32_t>(width);
  picture.height = static_cast<std::int32_t>(height);
  picture.pixels = block;
  picture.pixelBytes = static_cast<std::uint32_t>(bytes);
  return true;
}

}  // namespace zorvel::picture
