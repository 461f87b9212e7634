#include "tools/indexed_gif.h"

#include <algorithm>
#include <cstddef>
#include <unordered_map>

namespace zorvel::tools {
namespace {

std::uint32_t Pack(const Rgb& c) { return static_cast<std::uint32_t>(c.r) << 16 | c.g << 8 | c.b; }

int Channel(std::uint32_t packed, int channel) { return static_cast<int>(packed >> (16 - 8 * channel) & 0xFF); }

struct Entry {
  std::uint32_t colour;  // packed 0xRRGGBB
  std::uint32_t count;   // pixels of that colour
};

// A box of the median cut: a run of the entries, with its longest side.
struct Box {
  std::size_t begin, end;
  std::uint64_t pixels = 0;
  int side = 0;     // longest extent over the three channels
  int channel = 0;  // the channel of that extent (0 red, 1 green, 2 blue)
};

void Measure(const std::vector<Entry>& entries, Box& box) {
  int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
  box.pixels = 0;
  for (std::size_t i = box.begin; i < box.end; ++i) {
    box.pixels += entries[i].count;
    for (int c = 0; c < 3; ++c) {
      low[c] = std::min(low[c], Channel(entries[i].colour, c));
      high[c] = std::max(high[c], Channel(entries[i].colour, c));
    }
  }
  box.side = 0;
  box.channel = 0;
  for (int c = 0; c < 3; ++c) {
    if (high[c] - low[c] > box.side) {
      box.side = high[c] - low[c];
      box.channel = c;
    }
  }
}

}  // namespace

std::vector<Rgb> MedianCutPalette(const std::vector<Rgb>& pixels, int count) {
  // The histogram: distinct colours in ascending order with their pixel counts.
  std::vector<std::uint32_t> packed;
  packed.reserve(pixels.size());
  for (const Rgb& p : pixels) packed.push_back(Pack(p));
  std::sort(packed.begin(), packed.end());
  std::vector<Entry> entries;
  for (std::uint32_t colour : packed) {
    if (!entries.empty() && entries.back().colour == colour) ++entries.back().count;
    else entries.push_back({colour, 1});
  }
  if (entries.empty() || count <= 0) return {};

  std::vector<Box> boxes(1, Box{0, entries.size()});
  Measure(entries, boxes[0]);
  while (static_cast<int>(boxes.size()) < count) {
    // The box to split: the most pixels times the longest side; the first on a tie.
    std::size_t pick = boxes.size();
    std::uint64_t best = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].end - boxes[i].begin < 2) continue;
      const std::uint64_t score = boxes[i].pixels * static_cast<std::uint64_t>(boxes[i].side);
      if (pick == boxes.size() || score > best) {
        pick = i;
        best = score;
      }
    }
    if (pick == boxes.size()) break;
    Box& box = boxes[pick];
    const int channel = box.channel;
    // Colours are distinct, so ordering by the channel and then the whole colour is a
    // total order: the result does not depend on the sort's algorithm.
    std::sort(entries.begin() + static_cast<std::ptrdiff_t>(box.begin),
              entries.begin() + static_cast<std::ptrdiff_t>(box.end), [channel](const Entry& a, const Entry& b) {
                const int ca = Channel(a.colour, channel), cb = Channel(b.colour, channel);
                return ca != cb ? ca < cb : a.colour < b.colour;
              });
    // Split where the running count first reaches half, keeping both halves non-empty.
    std::uint64_t running = 0;
    std::size_t split = box.begin + 1;
    for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
      running += entries[i].count;
      split = i + 1;
      if (running * 2 >= box.pixels) break;
    }
    Box upper{split, box.end};
    box.end = split;
    Measure(entries, box);
    Measure(entries, upper);
    boxes.push_back(upper);
  }

  std::vector<Rgb> palette;
  for (const Box& box : boxes) {
    std::uint64_t sum[3] = {0, 0, 0};
    for (std::size_t i = box.begin; i < box.end; ++i)
      for (int c = 0; c < 3; ++c) sum[c] += static_cast<std::uint64_t>(Channel(entries[i].colour, c)) * entries[i].count;
    auto mean = [&](int c) { return static_cast<std::uint8_t>((sum[c] + box.pixels / 2) / box.pixels); };
    palette.push_back({mean(0), mean(1), mean(2)});
  }
  return palette;
}

std::vector<std::uint8_t> NearestIndexes(const std::vector<Rgb>& pixels, const std::vector<Rgb>& palette) {
  std::unordered_map<std::uint32_t, std::uint8_t> known;
  std::vector<std::uint8_t> indexes;
  indexes.reserve(pixels.size());
  for (const Rgb& p : pixels) {
    const auto [at, added] = known.try_emplace(Pack(p), 0);
    if (added) {
      int best = -1;
      for (std::size_t i = 0; i < palette.size() && i < 256; ++i) {
        const int dr = p.r - palette[i].r, dg = p.g - palette[i].g, db = p.b - palette[i].b;
        const int distance = dr * dr + dg * dg + db * db;
        if (best < 0 || distance < best) {
          best = distance;
          at->second = static_cast<std::uint8_t>(i);
        }
      }
    }
    indexes.push_back(at->second);
  }
  return indexes;
}

std::vector<std::uint8_t> LzwEncode(const std::vector<std::uint8_t>& indexes, int minCodeSize) {
  std::vector<std::uint8_t> out;
  std::uint32_t bits = 0;
  int bitCount = 0;
  const unsigned clear = 1u << minCodeSize, endCode = clear + 1;
  unsigned codeBits = static_cast<unsigned>(minCodeSize) + 1;
  unsigned next = clear + 2;
  // For the string of code s followed by index i, the code of the longer string (0:
  // none yet). The keys in use are listed so that a clear code resets only those.
  std::vector<std::uint16_t> child(std::size_t{4096} << minCodeSize, 0);
  std::vector<std::uint32_t> used;

  auto put = [&](unsigned code) {
    bits |= code << bitCount;
    bitCount += static_cast<int>(codeBits);
    while (bitCount >= 8) {
      out.push_back(static_cast<std::uint8_t>(bits));
      bits >>= 8;
      bitCount -= 8;
    }
    // A decoder widens its codes once the next free entry no longer fits; it reads this
    // code before it adds the entry this code completes.
    if (next > (1u << codeBits) - 1 && codeBits < 12) ++codeBits;
  };
  auto reset = [&]() {
    for (std::uint32_t key : used) child[key] = 0;
    used.clear();
    codeBits = static_cast<unsigned>(minCodeSize) + 1;
    next = clear + 2;
  };

  put(clear);
  int current = -1;
  for (std::uint8_t index : indexes) {
    if (current < 0) {
      current = index;
      continue;
    }
    const std::uint32_t key = static_cast<std::uint32_t>(current) << minCodeSize | index;
    if (child[key] != 0) {
      current = child[key];
      continue;
    }
    put(static_cast<unsigned>(current));
    current = index;
    child[key] = static_cast<std::uint16_t>(next++);
    used.push_back(key);
    if (next == 4096) {
      put(clear);
      reset();
    }
  }
  if (current >= 0) put(static_cast<unsigned>(current));
  put(endCode);
  if (bitCount > 0) out.push_back(static_cast<std::uint8_t>(bits));
  return out;
}

std::vector<std::uint8_t> TransparentGif(int width, int height, const std::vector<Rgb>& palette,
                                         const std::vector<std::uint8_t>& indexes) {
  std::vector<std::uint8_t> out{'G', 'I', 'F', '8', '9', 'a'};
  auto u16 = [&](int v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8 & 0xFF));
  };
  u16(width);
  u16(height);
  out.push_back(0xF7);  // global table of 256 entries, 8 bits of colour resolution
  out.push_back(static_cast<std::uint8_t>(kTransparentIndex));  // background index
  out.push_back(0);                                             // no aspect ratio
  for (int i = 0; i < 256; ++i) {
    Rgb c;
    if (i == kTransparentIndex) c = kTransparentColour;
    else if (i < static_cast<int>(palette.size())) c = palette[static_cast<std::size_t>(i)];
    out.insert(out.end(), {c.r, c.g, c.b});
  }
  // Graphic control: no disposal, no delay, the transparent flag with index 255.
  out.insert(out.end(), {0x21, 0xF9, 4, 0x01, 0, 0, static_cast<std::uint8_t>(kTransparentIndex), 0});
  out.push_back(0x2C);
  u16(0);
  u16(0);
  u16(width);
  u16(height);
  out.push_back(0);  // no local table, not interlaced
  constexpr int kMinCodeSize = 8;
  out.push_back(kMinCodeSize);
  const std::vector<std::uint8_t> codes = LzwEncode(indexes, kMinCodeSize);
  for (std::size_t at = 0; at < codes.size(); at += 255) {
    const std::size_t n = std::min<std::size_t>(255, codes.size() - at);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), codes.begin() + static_cast<std::ptrdiff_t>(at),
               codes.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  out.push_back(0);
  out.push_back(0x3B);
  return out;
}

}  // namespace zorvel::tools
