// A GIF writer for tests, benchmarks and fuzz seeds: the LZW encoder with a growing
// code size, clear codes (or a full table kept without one, as real encoders do),
// interlaced output, global and local colour tables, graphic controls, comment,
// application and plain-text extensions, any number of images. Every choice that a
// decoder has to cope with is an option, so that tests can make the stream they need.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zorvel::test {

struct GifRgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

struct GifLzwOptions {
  int minCodeSize = 0;   // 0: the smallest that holds the table's indexes (at least 2)
  bool clearFirst = true;  // a clear code before the first code
  // When the table is full (4096 entries): -1 sends a clear code at once; N >= 0 keeps
  // coding with the full table at 12 bits and sends the clear only N codes later.
  int clearAfterFull = -1;
  bool endCode = true;     // the end code after the last code
  std::size_t subBlock = 255;  // length of the data sub-blocks (1 to 255)
};

// LZW-codes indexes (each below 2^minCodeSize) into a packed bit stream, without the
// sub-block framing. Indexes are bytes, or 16-bit for minimum code sizes above 8.
template <class Index>
std::vector<std::uint8_t> GifLzwEncode(const std::vector<Index>& indexes, int minCodeSize,
                                       const GifLzwOptions& options) {
  std::vector<std::uint8_t> out;
  std::uint32_t bits = 0;
  int bitCount = 0;
  const unsigned clear = 1u << minCodeSize, endCode = clear + 1;
  unsigned codeBits = static_cast<unsigned>(minCodeSize) + 1;
  unsigned next = clear + 2;
  // The table: for string code s followed by index i, the code of the longer string
  // (0 = none). The keys set are listed so that a clear resets only those, and the
  // table is left all zero for the next image.
  thread_local std::vector<std::uint16_t> child;
  if (child.size() < (std::size_t{4096} << minCodeSize)) child.assign(std::size_t{4096} << minCodeSize, 0);
  std::vector<std::uint32_t> used;

  auto put = [&](unsigned code) {
    bits |= code << bitCount;
    bitCount += static_cast<int>(codeBits);
    while (bitCount >= 8) {
      out.push_back(static_cast<std::uint8_t>(bits));
      bits >>= 8;
      bitCount -= 8;
    }
    // The decoder widens its codes once the next free entry no longer fits, and it
    // reads this code before it enters the entry this code completes.
    if (next > (1u << codeBits) - 1 && codeBits < 12) ++codeBits;
  };
  auto reset = [&]() {
    for (std::uint32_t key : used) child[key] = 0;
    used.clear();
    codeBits = static_cast<unsigned>(minCodeSize) + 1;
    next = clear + 2;
  };

  if (options.clearFirst) put(clear);
  int fullFor = 0;  // codes sent since the table filled up
  int current = -1;
  for (const Index index : indexes) {
    if (current < 0) {
      current = index;
      continue;
    }
    const std::uint32_t key = static_cast<std::uint32_t>(current) << minCodeSize | index;
    if (child[key]) {
      current = child[key];
      continue;
    }
    put(static_cast<unsigned>(current));
    current = index;
    if (next < 4096) {
      child[key] = static_cast<std::uint16_t>(next++);
      used.push_back(key);
      if (next == 4096 && options.clearAfterFull < 0) {
        put(clear);
        reset();
      }
    } else if (fullFor++ >= options.clearAfterFull) {
      put(clear);
      reset();
      fullFor = 0;
    }
  }
  if (current >= 0) put(static_cast<unsigned>(current));
  if (options.endCode) put(endCode);
  if (bitCount > 0) out.push_back(static_cast<std::uint8_t>(bits));
  reset();
  return out;
}

// Rows of an interlaced image in the order they are stored.
inline std::vector<int> GifInterlacedRows(int height) {
  std::vector<int> rows;
  const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = start[pass]; y < height; y += step[pass]) rows.push_back(y);
  }
  return rows;
}

struct GifImage {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<std::uint8_t> indexes;  // width * height, rows top-down
  std::vector<GifRgb> localTable;     // empty: none; padded to a power of two
  bool interlaced = false;
  GifLzwOptions lzw;
  // When not empty, written instead of indexes: indexes of 256 and more, which only a
  // minimum code size above 8 can carry (set lzw.minCodeSize).
  std::vector<std::uint16_t> wideIndexes;
};

class GifWriter {
 public:
  // An empty global table writes none.
  GifWriter(int width, int height, const std::vector<GifRgb>& global = {}, int background = 0,
            const char* signature = "GIF89a") {
    bytes.reserve(13 + 768);
    bytes.insert(bytes.end(), signature, signature + 6);
    U16(width);
    U16(height);
    bytes.push_back(static_cast<std::uint8_t>(global.empty() ? 0 : 0x80 | 0x70 | TableBits(global)));
    bytes.push_back(static_cast<std::uint8_t>(background));
    bytes.push_back(0);
    Table(global);
  }

  // A graphic control for the next image; transparentIndex -1 for none.
  GifWriter& Control(int disposal, int delay, int transparentIndex = -1) {
    const std::uint8_t packed = static_cast<std::uint8_t>((disposal & 7) << 2 | (transparentIndex >= 0 ? 1 : 0));
    bytes.insert(bytes.end(), {0x21, 0xF9, 4, packed});
    U16(delay);
    bytes.push_back(static_cast<std::uint8_t>(transparentIndex >= 0 ? transparentIndex : 0));
    bytes.push_back(0);
    return *this;
  }
  GifWriter& Comment(const std::string& text) {
    bytes.insert(bytes.end(), {0x21, 0xFE});
    SubBlocks(std::vector<std::uint8_t>(text.begin(), text.end()), 255);
    return *this;
  }
  // The usual looping block: application "NETSCAPE2.0", sub-block 1, loop count.
  GifWriter& Loop(int count) {
    bytes.insert(bytes.end(), {0x21, 0xFF, 11});
    const char* id = "NETSCAPE2.0";
    bytes.insert(bytes.end(), id, id + 11);
    bytes.insert(bytes.end(), {3, 1});
    U16(count);
    bytes.push_back(0);
    return *this;
  }
  GifWriter& PlainText(const std::string& text) {
    bytes.insert(bytes.end(), {0x21, 0x01, 12, 0, 0, 0, 0, 8, 0, 8, 0, 8, 8, 1, 0});
    SubBlocks(std::vector<std::uint8_t>(text.begin(), text.end()), 255);
    return *this;
  }

  GifWriter& Image(const GifImage& image) {
    bytes.push_back(0x2C);
    U16(image.left);
    U16(image.top);
    U16(image.width);
    U16(image.height);
    std::uint8_t flags = image.interlaced ? 0x40 : 0;
    if (!image.localTable.empty()) flags |= static_cast<std::uint8_t>(0x80 | TableBits(image.localTable));
    bytes.push_back(flags);
    Table(image.localTable);
    int minCodeSize = image.lzw.minCodeSize;
    if (minCodeSize == 0) {
      int used = 1;
      for (std::uint8_t i : image.indexes) used = std::max(used, i + 1);
      minCodeSize = 2;
      while ((1 << minCodeSize) < used) ++minCodeSize;
    }
    bytes.push_back(static_cast<std::uint8_t>(minCodeSize));
    if (image.wideIndexes.empty()) {
      SubBlocks(GifLzwEncode(InDataOrder(image, image.indexes), minCodeSize, image.lzw), image.lzw.subBlock);
    } else {
      SubBlocks(GifLzwEncode(InDataOrder(image, image.wideIndexes), minCodeSize, image.lzw), image.lzw.subBlock);
    }
    return *this;
  }

  std::vector<std::uint8_t> Finish() {
    bytes.push_back(0x3B);
    return bytes;
  }

  std::vector<std::uint8_t> bytes;

 private:
  // The indexes in the order the data carries them (interlaced: by passes).
  template <class Index>
  static std::vector<Index> InDataOrder(const GifImage& image, const std::vector<Index>& indexes) {
    if (!image.interlaced) return indexes;
    std::vector<Index> ordered;
    for (int y : GifInterlacedRows(image.height)) {
      auto row = indexes.begin() + static_cast<std::ptrdiff_t>(y) * image.width;
      ordered.insert(ordered.end(), row, row + image.width);
    }
    return ordered;
  }
  static int TableBits(const std::vector<GifRgb>& table) {
    int n = 0;
    while ((2u << n) < table.size()) ++n;
    return n;
  }
  void U16(int value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  void Table(const std::vector<GifRgb>& table) {
    if (table.empty()) return;
    const std::size_t count = std::size_t{2} << TableBits(table);
    for (std::size_t i = 0; i < count; ++i) {
      const GifRgb c = i < table.size() ? table[i] : GifRgb{};
      bytes.insert(bytes.end(), {c.r, c.g, c.b});
    }
  }
  void SubBlocks(const std::vector<std::uint8_t>& data, std::size_t size) {
    for (std::size_t at = 0; at < data.size(); at += size) {
      const std::size_t n = std::min(size, data.size() - at);
      bytes.push_back(static_cast<std::uint8_t>(n));
      bytes.insert(bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    bytes.push_back(0);
  }
};

}  // namespace zorvel::test
