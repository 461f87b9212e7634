// PNG data through libpng, read from memory: the pictures units show, animation
// objects and icons. libpng reports errors by longjmp, so the two steps that call into
// it (reading the header and setting up the transformations, then reading the rows)
// live in functions that hold nothing with a destructor; the buffers they fill are
// allocated between the two steps by the caller.
#include "runtime/picture/png.h"

#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include "runtime/memory.h"
#include "runtime/picture/decoders.h"

namespace zorvel {

namespace {

static_assert(std::endian::native == std::endian::little, "ARGB pixels are filled as blue, green, red, alpha bytes");

// The state libpng's callbacks reach: the input, and the first error's message.
struct PngSession {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t at = 0;
  char message[128] = {};
  png_structp png = nullptr;
  png_infop info = nullptr;
  // The image as libpng will deliver it, after the transformations.
  std::uint32_t width = 0, height = 0;
  int colourType = 0, bitDepth = 0;
  std::size_t rowBytes = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, std::size_t count) {
  auto* session = static_cast<PngSession*>(png_get_io_ptr(png));
  if (count > session->size - session->at) png_error(png, "data is cut short");
  std::memcpy(out, session->data + session->at, count);
  session->at += count;
}

[[noreturn]] void StopReading(png_structp png, png_const_charp message) {
  auto* session = static_cast<PngSession*>(png_get_error_ptr(png));
  std::snprintf(session->message, sizeof session->message, "%s", message ? message : "error");
  png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

enum class Layout {
  kPicture,  // palette indexes, grey indexes, BGR or BGRA with inverted alpha; a background colour applied
  kArgb,     // blue, green, red, alpha bytes
};

// Reads the header and sets up the transformations for the layout. Holds nothing with
// a destructor: libpng leaves it by longjmp on any error.
bool ReadHeader(PngSession* session, Layout layout) {
  png_structp png = session->png;
  png_infop info = session->info;
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, static_cast<std::uint32_t>(kMaxPictureSide), static_cast<std::uint32_t>(kMaxPictureSide));
  png_read_info(png, info);
  const int colourType = png_get_color_type(png, info);
  const int bitDepth = png_get_bit_depth(png, info);
  const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  const bool grey = (colourType & PNG_COLOR_MASK_COLOR) == 0;
  if (layout == Layout::kArgb) {
    png_set_expand(png);  // palette to colour, low grey depths to 8, tRNS to alpha
    if (grey) png_set_gray_to_rgb(png);
    if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && !transparency) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  } else {
    png_color_16p background = nullptr;
    if (png_get_bKGD(png, info, &background) && background) {
      // Transparent parts are laid over the file's background colour; the alpha goes.
      png_set_background(png, background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else if (transparency) {
      // A transparent colour or palette alpha becomes an alpha channel, kept as for
      // any image with alpha.
      png_set_tRNS_to_alpha(png);
      if (grey) png_set_gray_to_rgb(png);
    } else if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
      png_set_gray_to_rgb(png);
    }
    png_set_invert_alpha(png);
  }
  if (bitDepth == 16) png_set_scale_16(png);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  session->width = png_get_image_width(png, info);
  session->height = png_get_image_height(png, info);
  session->colourType = png_get_color_type(png, info);
  session->bitDepth = png_get_bit_depth(png, info);
  session->rowBytes = png_get_rowbytes(png, info);
  return true;
}

// Reads every row (all interlace passes) through the row pointers. Holds nothing with
// a destructor, like ReadHeader.
bool ReadRows(PngSession* session, png_bytepp rows) {
  png_structp png = session->png;
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  return true;
}

// Owns libpng's structures for one decode.
class PngReader {
 public:
  PngReader(const std::uint8_t* data, std::size_t size) {
    session_.data = data;
    session_.size = size;
    session_.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &session_, StopReading, IgnoreWarning);
    if (session_.png) session_.info = png_create_info_struct(session_.png);
    if (session_.info) png_set_read_fn(session_.png, &session_, ReadFromMemory);
  }
  ~PngReader() {
    if (session_.png) png_destroy_read_struct(&session_.png, session_.info ? &session_.info : nullptr, nullptr);
  }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  bool ready() const { return session_.info != nullptr; }
  PngSession& session() { return session_; }
  std::string Why() const { return std::string("PNG: ") + session_.message; }

 private:
  PngSession session_;
};

bool Fail(std::string* reason, const std::string& text) { return picture::Refuse(reason, text); }

// The refusal of pixels that come out of the library in a layout no reader here takes.
std::string LayoutRefused(const PngSession& s) {
  return "PNG: colour type " + std::to_string(s.colourType) + " at " + std::to_string(s.bitDepth) +
         " bits is not read";
}

// Reads rows of rowBytes each into a block with the given stride.
bool ReadInto(PngSession& session, std::uint8_t* block, std::size_t stride) {
  std::vector<png_bytep> rows(session.height);
  for (std::uint32_t y = 0; y < session.height; ++y) rows[y] = block + y * stride;
  return ReadRows(&session, rows.data());
}

// Index rows of 1, 2, 4 or 8 bits as the picture keeps them (2-bit indexes widened to
// 4 bits), with the colour table.
bool FillIndexed(PngReader& reader, PngImage& image, std::string* reason) {
  PngSession& s = reader.session();
  const bool grey = s.colourType == PNG_COLOR_TYPE_GRAY;
  const int depth = s.bitDepth;
  image.bitsPerPixel = depth == 2 ? 4 : depth;
  const std::int64_t stride = picture::PaddedRowBytes(s.width, image.bitsPerPixel);
  if (!picture::SizeFits(s.width, s.height, [&] { return stride * s.height; }, "PNG", reason)) return false;
  image.stride = static_cast<std::int32_t>(stride);
  image.rows.assign(static_cast<std::size_t>(stride * s.height), 0);
  if (depth != 2) {
    if (!ReadInto(s, image.rows.data(), static_cast<std::size_t>(stride))) return Fail(reason, reader.Why());
  } else {
    std::vector<std::uint8_t> packed(s.rowBytes * s.height);
    if (!ReadInto(s, packed.data(), s.rowBytes)) return Fail(reason, reader.Why());
    // A grey 2-bit value v becomes index 5v of the 16-step grey ramp (the same grey);
    // a palette index stays itself.
    const int scale = grey ? 5 : 1;
    for (std::uint32_t y = 0; y < s.height; ++y) {
      const std::uint8_t* in = packed.data() + y * s.rowBytes;
      std::uint8_t* out = image.rows.data() + y * stride;
      for (std::uint32_t x = 0; x < s.width; ++x) {
        const int v = (in[x / 4] >> (6 - 2 * (x % 4)) & 3) * scale;
        out[x / 2] |= static_cast<std::uint8_t>(x % 2 ? v : v << 4);
      }
    }
  }
  const int entries = 1 << image.bitsPerPixel;
  image.colourTable.assign(static_cast<std::size_t>(entries), 0);
  png_colorp palette = nullptr;
  int paletteSize = 0;
  if (!grey && png_get_PLTE(s.png, s.info, &palette, &paletteSize) && palette) {
    for (int i = 0; i < paletteSize && i < entries; ++i)
      image.colourTable[static_cast<std::size_t>(i)] =
          static_cast<std::uint32_t>(palette[i].red) << 16 | palette[i].green << 8 | palette[i].blue;
  } else {
    for (int i = 0; i < entries; ++i) {
      const std::uint32_t v = static_cast<std::uint32_t>(i * 255 / (entries - 1));
      image.colourTable[static_cast<std::size_t>(i)] = v << 16 | v << 8 | v;
    }
  }
  return true;
}

bool FillColour(PngReader& reader, PngImage& image, std::string* reason) {
  PngSession& s = reader.session();
  const bool alpha = s.colourType == PNG_COLOR_TYPE_RGB_ALPHA;
  image.bitsPerPixel = alpha ? 32 : 24;
  const std::int64_t stride = picture::PaddedRowBytes(s.width, image.bitsPerPixel);
  const auto bytes = [&] { return stride * s.height + (alpha ? std::int64_t{s.width} * s.height : 0); };
  if (!picture::SizeFits(s.width, s.height, bytes, "PNG", reason)) return false;
  image.stride = static_cast<std::int32_t>(stride);
  image.rows.assign(static_cast<std::size_t>(stride * s.height), 0);
  if (!ReadInto(s, image.rows.data(), static_cast<std::size_t>(stride))) return Fail(reason, reader.Why());
  if (alpha) {
    image.alpha.resize(std::size_t{s.width} * s.height);
    for (std::uint32_t y = 0; y < s.height; ++y) {
      const std::uint8_t* row = image.rows.data() + y * stride;
      std::uint8_t* out = image.alpha.data() + std::size_t{y} * s.width;
      for (std::uint32_t x = 0; x < s.width; ++x) out[x] = static_cast<std::uint8_t>(255 - row[x * 4 + 3]);
    }
  }
  return true;
}

}  // namespace

bool IsPng(const std::uint8_t* data, std::size_t size) {
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return data && size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0;
}

bool DecodePng(const std::uint8_t* data, std::size_t size, PngImage& image, std::string* reason) {
  image = PngImage{};
  if (!IsPng(data, size)) return Fail(reason, "PNG: no PNG signature");
  try {
    PngReader reader(data, size);
    if (!reader.ready()) return Fail(reason, "PNG: out of memory");
    PngSession& s = reader.session();
    if (!ReadHeader(&s, Layout::kPicture)) return Fail(reason, reader.Why());
    bool filled;
    if (s.bitDepth != 8 && s.bitDepth != 4 && s.bitDepth != 2 && s.bitDepth != 1) {
      filled = Fail(reason, "PNG: " + std::to_string(s.bitDepth) + "-bit samples are not read");
    } else if (s.colourType == PNG_COLOR_TYPE_PALETTE || s.colourType == PNG_COLOR_TYPE_GRAY) {
      filled = FillIndexed(reader, image, reason);
    } else if (s.bitDepth == 8 && (s.colourType == PNG_COLOR_TYPE_RGB || s.colourType == PNG_COLOR_TYPE_RGB_ALPHA)) {
      filled = FillColour(reader, image, reason);
    } else {
      filled = Fail(reason, LayoutRefused(s));
    }
    if (!filled) {
      image = PngImage{};
      return false;
    }
    image.width = static_cast<std::int32_t>(s.width);
    image.height = static_cast<std::int32_t>(s.height);
    return true;
  } catch (const std::bad_alloc&) {
    image = PngImage{};
    return Fail(reason, "PNG: out of memory");
  }
}

namespace picture {

// The record of a PNG: the pixels come out of the library as straight blue, green,
// red, alpha bytes straight into the record's block, and are premultiplied there.
bool DecodePngPicture(const std::uint8_t* data, std::size_t size, Picture& picture, std::string* reason) {
  if (!IsPng(data, size)) return Fail(reason, "PNG: no PNG signature");
  try {
    PngReader reader(data, size);
    if (!reader.ready()) return Fail(reason, "PNG: out of memory");
    PngSession& s = reader.session();
    if (!ReadHeader(&s, Layout::kArgb)) return Fail(reason, reader.Why());
    if (s.bitDepth != 8 || s.rowBytes != std::size_t{s.width} * 4) return Fail(reason, LayoutRefused(s));
    if (!SizeFits(s.width, s.height, [&] { return std::int64_t{s.width} * s.height * 4; }, "PNG", reason))
      return false;
    const std::size_t count = std::size_t{s.width} * s.height;
    auto* pixels = static_cast<std::uint8_t*>(AllocateUnchecked(count * 4));
    if (!pixels) return Fail(reason, "PNG: out of memory");
    if (!ReadInto(s, pixels, s.rowBytes)) {
      Free(pixels);
      return Fail(reason, reader.Why());
    }
    // c * a / 255, rounded to the nearest.
    for (std::size_t i = 0; i < count; ++i) {
      std::uint8_t* p = pixels + i * 4;
      const unsigned a = p[3];
      if (a == 255) continue;
      for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>((p[c] * a + 127) / 255);
    }
    picture.width = static_cast<std::int32_t>(s.width);
    picture.height = static_cast<std::int32_t>(s.height);
    picture.pixels = pixels;
    picture.pixelBytes = static_cast<std::uint32_t>(count * 4);
    return true;
  } catch (const std::bad_alloc&) {
    return Fail(reason, "PNG: out of memory");
  }
}

}  // namespace picture

bool DecodePngArgb(const std::uint8_t* data, std::size_t size, std::int32_t& width, std::int32_t& height,
                   std::vector<std::uint32_t>& argb, std::string* reason) {
  width = height = 0;
  argb.clear();
  if (!IsPng(data, size)) return Fail(reason, "PNG: no PNG signature");
  try {
    PngReader reader(data, size);
    if (!reader.ready()) return Fail(reason, "PNG: out of memory");
    PngSession& s = reader.session();
    if (!ReadHeader(&s, Layout::kArgb)) return Fail(reason, reader.Why());
    if (s.bitDepth != 8 || s.rowBytes != std::size_t{s.width} * 4) return Fail(reason, LayoutRefused(s));
    if (!picture::SizeFits(s.width, s.height, [&] { return std::int64_t{s.width} * s.height * 4; }, "PNG", reason))
      return false;
    argb.assign(std::size_t{s.width} * s.height, 0);
    if (!ReadInto(s, reinterpret_cast<std::uint8_t*>(argb.data()), s.rowBytes)) {
      argb.clear();
      return Fail(reason, reader.Why());
    }
    width = static_cast<std::int32_t>(s.width);
    height = static_cast<std::int32_t>(s.height);
    return true;
  } catch (const std::bad_alloc&) {
    argb.clear();
    return Fail(reason, "PNG: out of memory");
  }
}

}  // namespace zorvel
