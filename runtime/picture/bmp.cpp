// BMP files: uncompressed 1-, 4-, 8-, 24- and 32-bit pixels, stored bottom-up or
// top-down, decoded into 24-bit blue, green, red rows, bottom-up, unpadded.
#include <cstring>

#include "runtime/memory.h"
#include "runtime/picture/decoders.h"

namespace zorvel::picture {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::uint32_t kInfoHeaderBytes = 40;

// One file row (4-byte padded) into one unpadded blue, green, red row.
void ConvertRow(const std::uint8_t* in, std::uint8_t* out, std::int64_t width, int bits,
                const std::uint8_t (*table)[3]) {
  switch (bits) {
    case 24:
      std::memcpy(out, in, static_cast<std::size_t>(width) * 3);
      break;
    case 32:
      for (std::int64_t x = 0; x < width; ++x, in += 4, out += 3) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
      }
      break;
    default: {
      // Indexes into the colour table, the high bits of a byte first.
      const int perByte = 8 / bits;
      const unsigned mask = (1u << bits) - 1;
      for (std::int64_t x = 0; x < width; ++x, out += 3) {
        const int shift = 8 - bits * (1 + static_cast<int>(x % perByte));
        const unsigned index = in[x / perByte] >> shift & mask;
        std::memcpy(out, table[index], 3);
      }
      break;
    }
  }
}

// The refusal of a compressed bitmap, by its compression field.
std::string CompressionRefused(std::uint32_t compression) {
  switch (compression) {
    case 1: return "BMP: RLE8 compression is not read";
    case 2: return "BMP: RLE4 compression is not read";
    case 3: return "BMP: bit fields are not read";
    case 4: return "BMP: an embedded JPEG is not read";
    case 5: return "BMP: an embedded PNG is not read";
    case 6: return "BMP: alpha bit fields are not read";
    default: return "BMP: compression " + std::to_string(compression) + " is not read";
  }
}

}  // namespace

bool DecodeBmpPicture(const std::uint8_t* data, std::size_t size, Picture& picture, std::string* reason) {
  if (size < kFileHeaderBytes + kInfoHeaderBytes) return Refuse(reason, "BMP: header is cut short");
  ByteReader in(data, size);
  in.Seek(10);
  const std::uint32_t pixelOffset = in.U32();
  const std::uint32_t headerBytes = in.U32();
  const std::int64_t width = in.I32();
  const std::int64_t height = in.I32();
  in.Skip(2);  // planes
  const int bits = in.U16();
  const std::uint32_t compression = in.U32();
  in.Skip(12);  // image size, resolution
  const std::uint32_t coloursUsed = in.U32();

  if (headerBytes < kInfoHeaderBytes)
    return Refuse(reason, "BMP: " + std::to_string(headerBytes) + "-byte bitmap header (OS/2) is not read");
  if (compression != 0) return Refuse(reason, CompressionRefused(compression));
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    return Refuse(reason, "BMP: " + std::to_string(bits) + " bits per pixel are not read");
  // A negative height stores the top row first.
  const bool topDown = height < 0;
  const std::int64_t w = width < 0 ? -width : width;
  const std::int64_t h = height < 0 ? -height : height;
  if (!SizeFits(w, h, [&] { return w * h * 3; }, "BMP", reason)) return false;

  // The colour table follows the info header and must end before the pixel data.
  const std::uint64_t tableStart = kFileHeaderBytes + std::uint64_t{headerBytes};
  std::uint64_t colours = 0;
  if (bits <= 8) colours = coloursUsed ? coloursUsed : 1u << bits;
  if (tableStart + colours * 4 > pixelOffset) return Refuse(reason, "BMP: colour table runs past the pixel data");

  // Pixels past the table's colours are black.
  std::uint8_t table[256][3] = {};
  in.Seek(tableStart);
  for (std::uint64_t i = 0; i < colours && i < 256; ++i) {
    table[i][0] = in.U8();
    table[i][1] = in.U8();
    table[i][2] = in.U8();
    in.U8();
  }
  if (in.overrun()) return Refuse(reason, "BMP: colour table is cut short");

  // Every row but the last is read with its padding; the last needs only its pixels.
  const std::int64_t stride = PaddedRowBytes(w, bits);
  const std::int64_t lastRow = (w * bits + 7) / 8;
  if (static_cast<std::uint64_t>(pixelOffset) + static_cast<std::uint64_t>(stride * (h - 1) + lastRow) > size)
    return Refuse(reason, "BMP: pixel data is cut short");

  const std::int64_t outRow = w * 3;
  const std::int64_t bytes = outRow * h;
  auto* pixels = static_cast<std::uint8_t*>(AllocateUnchecked(static_cast<std::size_t>(bytes)));
  if (!pixels) return Refuse(reason, "BMP: out of memory");
  // File row r is the r-th from the bottom (or from the top, when stored top-down);
  // the record keeps rows bottom-up.
  for (std::int64_t r = 0; r < h; ++r) {
    const std::uint8_t* source = data + pixelOffset + r * stride;
    const std::int64_t fromBottom = topDown ? h - 1 - r : r;
    ConvertRow(source, pixels + fromBottom * outRow, w, bits, table);
  }
  picture.width = static_cast<std::int32_t>(w);
  picture.height = static_cast<std::int32_t>(h);
  picture.pixels = pixels;
  picture.pixelBytes = static_cast<std::uint32_t>(bytes);
  return true;
}

}  // namespace zorvel::picture
