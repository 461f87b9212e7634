// Icon and cursor files: one image chosen from the directory, decoded into straight
// ARGB. An image is either a device-independent bitmap (colour pixels followed by a
// 1-bit AND mask, the header's height counting both) or a whole PNG file.
#include <new>

#include "runtime/picture/decoders.h"
#include "runtime/picture/png.h"

namespace zorvel::picture {

namespace {

constexpr std::size_t kDirectoryBytes = 6;
constexpr std::size_t kEntryBytes = 16;

struct Entry {
  std::uint8_t width = 0, colourCount = 0;
  std::uint16_t planes = 0, bitCount = 0;  // the hot spot x and y, for a cursor
  std::uint32_t bytes = 0, offset = 0;
};

// The entry a unit shows: the first 32-pixel-wide image with 16 colours or more (a
// colour-count byte of 0, as stored for 256-colour and true-colour images, does not
// count), otherwise the last entry in the directory. Entries cut off by the end of
// the data are not read. False when no entry is complete.
bool ChooseEntry(const std::uint8_t* data, std::size_t size, Entry& chosen) {
  const std::size_t count = U16At(data, size, 4);
  bool any = false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = kDirectoryBytes + i * kEntryBytes;
    if (at + kEntryBytes > size) break;
    ByteReader in(data + at, kEntryBytes);
    Entry e;
    e.width = in.U8();
    in.U8();  // height
    e.colourCount = in.U8();
    in.U8();  // reserved
    e.planes = in.U16();
    e.bitCount = in.U16();
    e.bytes = in.U32();
    e.offset = in.U32();
    chosen = e;
    any = true;
    if (e.width == 32 && e.colourCount > 15) break;
  }
  return any;
}

// A device-independent bitmap with its AND mask. Pixels whose mask bit is set are
// transparent (0x00000000); a 32-bit image that carries any alpha uses its alpha
// instead and ignores the mask.
bool DecodeBitmapImage(const std::uint8_t* data, std::size_t size, IconImage& image, const std::string& format,
                       std::string* reason) {
  ByteReader in(data, size);
  const std::uint32_t headerBytes = in.U32();
  const std::int64_t width = in.I32();
  const std::int64_t doubledHeight = in.I32();
  in.U16();  // planes
  const int bits = in.U16();
  const std::uint32_t compression = in.U32();
  in.Skip(12);  // image size, resolution
  const std::uint32_t coloursUsed = in.U32();
  if (in.overrun()) return Refuse(reason, format + ": image header is cut short");
  if (headerBytes < 40)
    return Refuse(reason, format + ": " + std::to_string(headerBytes) + "-byte image header is not read");
  if (compression != 0)
    return Refuse(reason, format + ": bitmap compression " + std::to_string(compression) + " is not read");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    return Refuse(reason, format + ": " + std::to_string(bits) + " bits per pixel are not read");
  const std::int64_t height = doubledHeight / 2;
  if (!SizeFits(width, height, [&] { return width * height * 4; }, format.c_str(), reason)) return false;

  // Entries are stored blue, green, red, 0: read little-endian, 0x00RRGGBB.
  std::uint32_t table[256] = {};
  std::uint64_t colours = 0;
  if (bits <= 8) colours = coloursUsed ? coloursUsed : 1u << bits;
  in.Seek(headerBytes);
  for (std::uint64_t i = 0; i < colours; ++i) {
    const std::uint32_t rgb = in.U32() & 0xFFFFFF;
    if (i < 256) table[i] = rgb;
    if (in.overrun()) return Refuse(reason, format + ": colour table is cut short");
  }

  const std::int64_t stride = PaddedRowBytes(width, bits);
  const std::int64_t maskStride = PaddedRowBytes(width, 1);
  const std::uint8_t* pixels = in.Take(static_cast<std::size_t>(stride * height));
  if (!pixels) return Refuse(reason, format + ": image data is cut short");
  // The mask may be left off the end; missing mask bytes count as opaque.
  const std::size_t maskStart = in.position();

  image.width = static_cast<std::int32_t>(width);
  image.height = static_cast<std::int32_t>(height);
  image.argb.assign(static_cast<std::size_t>(width * height), 0);

  bool anyAlpha = false;
  if (bits == 32)
    for (std::int64_t i = 0; i < stride * height && !anyAlpha; i += 4) anyAlpha = pixels[i + 3] != 0;

  // Rows are stored bottom-up.
  for (std::int64_t r = 0; r < height; ++r) {
    const std::uint8_t* row = pixels + r * stride;
    const std::size_t maskRow = maskStart + static_cast<std::size_t>(r * maskStride);
    std::uint32_t* out = image.argb.data() + (height - 1 - r) * width;
    for (std::int64_t x = 0; x < width; ++x) {
      std::uint32_t colour;
      switch (bits) {
        case 32:
        case 24: {
          const std::uint8_t* p = row + x * (bits / 8);
          colour = static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
          if (anyAlpha) colour |= static_cast<std::uint32_t>(p[3]) << 24;
          break;
        }
        default: {
          const int perByte = 8 / bits;
          const int shift = 8 - bits * (1 + static_cast<int>(x % perByte));
          colour = table[row[x / perByte] >> shift & ((1u << bits) - 1)];
          break;
        }
      }
      if (!anyAlpha) {
        const std::size_t maskByte = maskRow + static_cast<std::size_t>(x / 8);
        const bool transparent = maskByte < size && (data[maskByte] >> (7 - x % 8) & 1);
        colour = transparent ? 0 : colour | 0xFF000000u;
      }
      out[x] = colour;
    }
  }
  return true;
}

bool DecodeImage(const std::uint8_t* data, std::size_t size, IconImage& image, const std::string& format,
                 std::string* reason) {
  if (IsPng(data, size)) {
    std::string why;
    if (!DecodePngArgb(data, size, image.width, image.height, image.argb, &why))
      return Refuse(reason, format + ": " + why);
    return true;
  }
  return DecodeBitmapImage(data, size, image, format, reason);
}

}  // namespace

bool DecodeIconPicture(const std::uint8_t* data, std::size_t size, Picture& picture, std::string* reason) {
  const bool cursor = U16At(data, size, 2) == 2;
  const std::string format = cursor ? "cursor" : "icon";
  Entry entry;
  if (!ChooseEntry(data, size, entry)) return Refuse(reason, format + ": directory is cut short");
  // The image's extent comes from the entry; bytes the entry claims past the end of
  // the file are not there, and the image decoder sees only what is.
  if (entry.offset >= size || entry.bytes == 0) return Refuse(reason, format + ": image lies outside the file");
  const std::size_t available = size - entry.offset;
  const std::size_t imageBytes = entry.bytes < available ? entry.bytes : available;

  auto* image = new (std::nothrow) IconImage;
  if (!image) return Refuse(reason, format + ": out of memory");
  bool decoded;
  try {
    decoded = DecodeImage(data + entry.offset, imageBytes, *image, format, reason);
  } catch (const std::bad_alloc&) {
    decoded = Refuse(reason, format + ": out of memory");
  }
  if (!decoded) {
    delete image;
    return false;
  }
  // A cursor's entry holds its hot spot where an icon's holds planes and bit count;
  // an icon's hot spot is its centre.
  if (cursor) {
    image->hotX = entry.planes;
    image->hotY = entry.bitCount;
  } else {
    image->hotX = image->width / 2;
    image->hotY = image->height / 2;
  }
  picture.width = image->width;
  picture.height = image->height;
  picture.icon = image;
  return true;
}

}  // namespace zorvel::picture
