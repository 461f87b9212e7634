// What the picture decoders share: a bounded reader over the file bytes, the size
// limits checked before any pixel block is allocated, and the decoder of each kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "runtime/picture/picture.h"

namespace zorvel::picture {

// Reads little-endian numbers from a byte block. A read past the end gives zero and
// marks the reader as overrun; nothing outside the block is ever touched.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::size_t size() const { return size_; }
  std::size_t position() const { return at_; }
  std::size_t remaining() const { return at_ < size_ ? size_ - at_ : 0; }
  bool overrun() const { return overrun_; }
  // Positions past the end are allowed; reads there give zero.
  void Seek(std::uint64_t position) { at_ = position < size_ ? static_cast<std::size_t>(position) : size_ + 1; }
  void Skip(std::uint64_t count) { Seek(static_cast<std::uint64_t>(at_) + count); }

  std::uint8_t U8() {
    if (at_ >= size_) {
      overrun_ = true;
      return 0;
    }
    return data_[at_++];
  }
  std::uint16_t U16() {
    const std::uint16_t low = U8();
    return static_cast<std::uint16_t>(low | U8() << 8);
  }
  std::uint32_t U32() {
    const std::uint32_t low = U16();
    return low | static_cast<std::uint32_t>(U16()) << 16;
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

  // The next count bytes when they are all there, else null (the position stays).
  const std::uint8_t* Take(std::size_t count) {
    if (count > remaining()) {
      overrun_ = true;
      return nullptr;
    }
    const std::uint8_t* p = data_ + at_;
    at_ += count;
    return p;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  bool overrun_ = false;
};

// Little-endian fields at a fixed offset; zero past the end.
inline std::uint16_t U16At(const std::uint8_t* data, std::size_t size, std::size_t offset) {
  if (offset > size || size - offset < 2) return 0;
  return static_cast<std::uint16_t>(data[offset] | data[offset + 1] << 8);
}

// Sets the reason (when asked for) and gives false, so a refusal is one line.
inline bool Refuse(std::string* reason, std::string text) {
  if (reason) *reason = std::move(text);
  return false;
}

// Whether a picture of width × height may be allocated: both sides from 1 to
// kMaxPictureSide, and its decoded form at most kMaxPictureBytes. The size of the
// decoded form is asked for only once the sides are known to be in range, so that the
// products that give it (64-bit) cannot overflow.
bool SidesFit(std::int64_t width, std::int64_t height, const char* format, std::string* reason);
bool BytesFit(std::int64_t width, std::int64_t height, std::int64_t bytes, const char* format, std::string* reason);
template <typename DecodedBytes>
bool SizeFits(std::int64_t width, std::int64_t height, DecodedBytes decodedBytes, const char* format,
              std::string* reason) {
  return SidesFit(width, height, format, reason) && BytesFit(width, height, decodedBytes(), format, reason);
}

// Bytes in one row of `bits`-per-pixel pixels padded to 4 bytes (width within limits).
inline std::int64_t PaddedRowBytes(std::int64_t width, int bits) { return (width * bits + 31) / 32 * 4; }

// Each decoder fills a picture record from the file bytes. On failure it gives false
// with a reason and leaves no block in the record.
bool DecodeJpegPicture(const std::uint8_t* data, std::size_t size, Picture& picture, std::string* reason);
bool DecodeBmpPicture(const std::uint8_t* data, std::size_t size, Picture& picture, std::string* reason);
bool DecodePcxPicture(const std::uint8_t* data, std::size_t size, Picture& picture, std::string* reason);
bool DecodeIconPicture(const std::uint8_t* data, std::size_t size, Picture& picture, std::string* reason);
bool DecodePngPicture(const std::uint8_t* data, std::size_t size, Picture& picture, std::string* reason);

}  // namespace zorvel::picture
