// A bounded reader of SWF data: little-endian integers on byte boundaries and bit fields
// packed most-significant bit first across bytes. Reading past the end gives zeros and
// marks the reader as overrun; it never touches a byte outside its range.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace zorvel::movie {

class BitReader {
 public:
  BitReader() = default;
  BitReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // Byte-aligned values (each starts at the next byte boundary).
  std::uint8_t U8() {
    Align();
    if (pos_ >= size_) {
      overrun_ = true;
      return 0;
    }
    return data_[pos_++];
  }
  std::uint16_t U16() {
    const std::uint16_t low = U8();
    return static_cast<std::uint16_t>(low | U8() << 8);
  }
  std::uint32_t U32() {
    const std::uint32_t low = U16();
    return low | static_cast<std::uint32_t>(U16()) << 16;
  }

  // UB[n] for n = 0 … 32; n = 0 is 0.
  std::uint32_t Ub(int n) {
    // Up to a byte's remaining bits at a time; past the end the bits are 0.
    std::uint64_t value = 0;
    while (n > 0) {
      const int take = std::min(n, 8 - bit_);
      std::uint32_t bits = 0;
      if (pos_ < size_) {
        bits = (static_cast<std::uint32_t>(data_[pos_]) >> (8 - bit_ - take)) & ((1u << take) - 1u);
      } else {
        overrun_ = true;
      }
      value = value << take | bits;
      n -= take;
      bit_ += take;
      if (bit_ == 8) {
        bit_ = 0;
        ++pos_;
      }
    }
    return static_cast<std::uint32_t>(value);
  }
  // SB[n]: two's complement in n bits (n = 0 … 32).
  std::int32_t Sb(int n) {
    if (n <= 0) return 0;
    const std::uint32_t raw = Ub(n);
    if (n >= 32) return static_cast<std::int32_t>(raw);
    const std::uint32_t sign = 1u << (n - 1);
    return static_cast<std::int32_t>(static_cast<std::int64_t>(raw ^ sign) - static_cast<std::int64_t>(sign));
  }
  // FB[n]: 16.16 fixed point stored as SB[n].
  double Fb(int n) { return Sb(n) / 65536.0; }

  // Moves to the next byte boundary (nothing when already on one).
  void Align() {
    if (bit_ != 0) {
      bit_ = 0;
      ++pos_;
    }
  }

  // Skips n bytes from the next byte boundary.
  void Skip(std::size_t n) {
    Align();
    if (n > Remaining()) {
      overrun_ = true;
      pos_ = size_;
    } else {
      pos_ += n;
    }
  }

  std::size_t position() const { return pos_; }
  std::size_t Remaining() const { return pos_ < size_ ? size_ - pos_ : 0; }
  bool overrun() const { return overrun_; }
  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t pos_ = 0;
  int bit_ = 0;
  bool overrun_ = false;
};

}  // namespace zorvel::movie
