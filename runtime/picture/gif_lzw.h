// The LZW decoder of GIF image data and the order in which an image's rows arrive.
//
// The decoder writes every string it decodes straight into the row where it belongs:
// a string that fits in what is left of the current row is written backwards along
// its prefix chain; one that crosses a row end is unwound onto a stack first and
// copied out row by row. Where a row lives is the caller's business (a target), so the
// same loop fills a picture record's padded rows and an animation's single row buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zorvel::gif {

// Rows of an image in the order its data delivers them: top to bottom, or for an
// interlaced image the four passes (every 8th row from 0, every 8th from 4, every 4th
// from 2, every 2nd from 1).
class RowOrder {
 public:
  RowOrder(std::int32_t height, bool interlaced)
      : height_(height), interlaced_(interlaced), step_(interlaced ? 8 : 1), row_(height > 0 ? 0 : -1) {}
  // The row the data fills next; -1 once every row has been filled.
  std::int32_t row() const { return row_; }
  void Advance() {
    row_ += step_;
    if (row_ < height_) return;
    if (!interlaced_) {
      row_ = -1;
      return;
    }
    static constexpr std::int32_t kStart[4] = {0, 4, 2, 1};
    static constexpr std::int32_t kStep[4] = {8, 8, 4, 2};
    while (row_ >= height_) {
      if (++pass_ >= 4) {
        row_ = -1;
        return;
      }
      row_ = kStart[pass_];
      step_ = kStep[pass_];
    }
  }

 private:
  std::int32_t height_;
  bool interlaced_;
  std::int32_t step_;
  std::int32_t row_;
  int pass_ = 0;
};

inline constexpr unsigned kMaxCodes = 4096;  // 12-bit codes
inline constexpr unsigned kMaxCodeBits = 12;
// The minimum code sizes the decoder reads. Encoders write 2 to 8; streams with up to
// 11 exist and stay within 12-bit codes (the first codes are min + 1 bits wide, the
// clear code is 2^min, the end code 2^min + 1). Below 2 the first free entry already
// needs wider codes than the first ones, and encoders differ on when they widen; from
// 12 on the clear code itself needs 13 bits.
inline constexpr int kMinCodeSizeLow = 2;
inline constexpr int kMinCodeSizeHigh = 11;
inline constexpr bool UsableMinCodeSize(int minCodeSize) {
  return minCodeSize >= kMinCodeSizeLow && minCodeSize <= kMinCodeSizeHigh;
}
// Bytes that must be readable (and zero) after the data given to DecodeLzw: codes are
// fetched four bytes at a time.
inline constexpr std::size_t kLzwPadding = 4;

// The code table: each entry is its prefix code plus one last index, with the length
// of the whole string. Reused from image to image; about 24 KiB.
struct LzwTables {
  std::uint16_t prefix[kMaxCodes];
  std::uint16_t length[kMaxCodes];
  std::uint8_t suffix[kMaxCodes];
  std::uint8_t stack[kMaxCodes];
};

enum class LzwStop {
  kEndCode,    // the end code was read
  kFull,       // every pixel of the image was filled (what follows is not read)
  kDataEnded,  // the data ran out before either
  kBadCode,    // a code the table does not hold yet, or an unusable minimum code size
};

struct LzwResult {
  LzwStop stop = LzwStop::kEndCode;
  std::uint64_t pixels = 0;  // pixels written, in data order
};

// What the image data (padded as for DecodeLzw) gives before its first pixel: kFull
// when its first code after any clear codes is a plain index, so that a pixel comes;
// otherwise the stop that comes first (kDataEnded, kEndCode, or kBadCode also for an
// unusable minimum code size). Until the first entry is made the codes keep their
// first width, so the first pixel is known without decoding.
inline LzwStop FirstCodeStop(const std::uint8_t* data, std::size_t size, int minCodeSize) {
  if (!UsableMinCodeSize(minCodeSize)) return LzwStop::kBadCode;
  const unsigned clear = 1u << minCodeSize;
  const unsigned codeBits = static_cast<unsigned>(minCodeSize) + 1;
  const std::uint64_t totalBits = static_cast<std::uint64_t>(size) * 8;
  for (std::uint64_t bitPos = 0; bitPos + codeBits <= totalBits; bitPos += codeBits) {
    const std::uint8_t* p = data + (bitPos >> 3);
    const std::uint32_t word = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                               static_cast<std::uint32_t>(p[2]) << 16;
    const unsigned code = (word >> (bitPos & 7)) & ((1u << codeBits) - 1);
    if (code == clear) continue;
    if (code < clear) return LzwStop::kFull;
    return code == clear + 1 ? LzwStop::kEndCode : LzwStop::kBadCode;
  }
  return LzwStop::kDataEnded;
}

// Decodes the image data (sub-blocks already joined; kLzwPadding zero bytes readable
// after size) of a width x height image into target:
//   std::uint8_t* Row(std::int32_t y)             where row y's width indexes go;
//   void RowDone(std::int32_t y, std::int32_t n)  row y is finished with n pixels
//                                                 (n < width only for a row the data
//                                                 left unfinished).
// A table that has reached 4096 entries stays as it is, at 12-bit codes, until a clear
// code: encoders rely on that. A code beyond the next free entry, or a first code (at
// the start or after a clear) that is not a plain index, stops the image.
// Indexes are written as bytes. With a minimum code size above 8 a plain index may be
// 256 or more, which no colour table reaches: such an index is written as wideIndex,
// a byte the caller picks to stand for "past the colour table".
template <class Target>
LzwResult DecodeLzw(const std::uint8_t* data, std::size_t size, int minCodeSize, std::int32_t width,
                    std::int32_t height, bool interlaced, LzwTables& t, Target& target,
                    std::uint8_t wideIndex) {
  LzwResult result;
  if (width <= 0 || height <= 0) {
    result.stop = LzwStop::kFull;
    return result;
  }
  if (!UsableMinCodeSize(minCodeSize)) {
    result.stop = LzwStop::kBadCode;
    return result;
  }
  const unsigned clear = 1u << minCodeSize;
  const unsigned endCode = clear + 1;
  for (unsigned c = 0; c < clear; ++c) t.length[c] = 1;

  unsigned codeBits = static_cast<unsigned>(minCodeSize) + 1;
  unsigned mask = (1u << codeBits) - 1;
  unsigned next = clear + 2;
  unsigned prev = kMaxCodes;  // none: the next code must be a plain index
  unsigned prevFirst = 0;     // the first index of prev's string

  const std::uint64_t totalBits = static_cast<std::uint64_t>(size) * 8;
  std::uint64_t bitPos = 0;
  RowOrder rows(height, interlaced);
  std::int32_t y = rows.row();
  std::uint8_t* out = target.Row(y);
  std::int32_t x = 0;
  std::uint64_t pixels = 0;

  // Moves to the next row after a full one; false when the image is complete.
  auto nextRow = [&]() {
    target.RowDone(y, width);
    rows.Advance();
    y = rows.row();
    if (y < 0) return false;
    out = target.Row(y);
    x = 0;
    return true;
  };
  auto finish = [&](LzwStop stop) {
    if (y >= 0 && x > 0) target.RowDone(y, x);
    result.stop = stop;
    result.pixels = pixels;
    return result;
  };

  for (;;) {
    if (bitPos + codeBits > totalBits) return finish(LzwStop::kDataEnded);
    const std::uint8_t* p = data + (bitPos >> 3);
    const std::uint32_t word = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                               static_cast<std::uint32_t>(p[2]) << 16;
    const unsigned code = (word >> (bitPos & 7)) & mask;
    bitPos += codeBits;

    if (code == clear) {
      codeBits = static_cast<unsigned>(minCodeSize) + 1;
      mask = (1u << codeBits) - 1;
      next = clear + 2;
      prev = kMaxCodes;
      continue;
    }
    if (code == endCode) return finish(LzwStop::kEndCode);

    bool addAfter = false;  // add prev's string + this string's first index once written
    bool added = false;
    if (prev == kMaxCodes) {
      if (code > clear) return finish(LzwStop::kBadCode);
    } else if (code < next) {
      addAfter = next < kMaxCodes;
    } else if (code == next) {
      // The string this very code defines: prev's string plus its own first index.
      // Entered first, it is then written like any known string. (code is at most
      // 4095, so the table has room.)
      t.prefix[next] = static_cast<std::uint16_t>(prev);
      t.suffix[next] = static_cast<std::uint8_t>(prevFirst);
      t.length[next] = static_cast<std::uint16_t>(t.length[prev] + 1);
      ++next;
      added = true;
    } else {
      return finish(LzwStop::kBadCode);
    }

    // Write the string of code; first becomes its first index.
    const unsigned length = t.length[code];
    unsigned first;
    if (length <= static_cast<unsigned>(width - x)) {
      std::uint8_t* w = out + x + length;
      unsigned c = code;
      while (c >= clear) {
        *--w = t.suffix[c];
        c = t.prefix[c];
      }
      first = c < 256 ? c : wideIndex;
      *--w = static_cast<std::uint8_t>(first);
      x += static_cast<std::int32_t>(length);
      pixels += length;
      if (x == width && !nextRow()) return finish(LzwStop::kFull);
    } else {
      std::uint8_t* s = t.stack + length;
      unsigned c = code;
      while (c >= clear) {
        *--s = t.suffix[c];
        c = t.prefix[c];
      }
      first = c < 256 ? c : wideIndex;
      *--s = static_cast<std::uint8_t>(first);
      unsigned left = length;
      while (left > 0) {
        const unsigned room = static_cast<unsigned>(width - x);
        const unsigned n = left < room ? left : room;
        std::memcpy(out + x, s, n);
        x += static_cast<std::int32_t>(n);
        s += n;
        left -= n;
        pixels += n;
        if (x == width && !nextRow()) return finish(LzwStop::kFull);
      }
    }

    if (addAfter) {
      t.prefix[next] = static_cast<std::uint16_t>(prev);
      t.suffix[next] = static_cast<std::uint8_t>(first);
      t.length[next] = static_cast<std::uint16_t>(t.length[prev] + 1);
      ++next;
      added = true;
    }
    if (added && next > mask && codeBits < kMaxCodeBits) {
      ++codeBits;
      mask = (1u << codeBits) - 1;
    }
    prev = code;
    prevFirst = first;
  }
}

}  // namespace zorvel::gif
