// Encoders for tests, benchmarks and fuzz seeds: BMP (every depth, either row order),
// PCX (8-bit with its palette, 1-bit, run-length coded), icon and cursor files (bitmap
// and PNG images), PNG through libpng's writer and JPEG through libjpeg's compressor.
// Every field a decoder must cope with can be set, so tests make exactly the file
// they need. Colours are 0xRRGGBB, or 0xAARRGGBB where alpha matters; pixel lists are
// rows top-down.
#pragma once

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace zorvel::test {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
inline void Patch32(Bytes& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.at(at + i) = static_cast<std::uint8_t>(v >> 8 * i);
}

// ---------------------------------------------------------------------------- BMP

// Rows of `bits`-per-pixel samples, padded to 4 bytes, bottom row first unless topDown.
// Samples are palette indexes for 1, 4 and 8 bits, colours otherwise; the fourth byte
// of a 32-bit pixel is its alpha (or junk, for a decoder to ignore).
inline Bytes PackRows(int width, int height, int bits, const std::vector<std::uint32_t>& samples, bool topDown) {
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  Bytes rows(stride * height, 0);
  for (int r = 0; r < height; ++r) {
    const int y = topDown ? r : height - 1 - r;
    std::uint8_t* out = rows.data() + r * stride;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = samples[static_cast<std::size_t>(y) * width + x];
      if (bits >= 24) {
        std::uint8_t* p = out + x * (bits / 8);
        p[0] = v & 0xFF, p[1] = v >> 8 & 0xFF, p[2] = v >> 16 & 0xFF;
        if (bits == 32) p[3] = v >> 24 & 0xFF;
      } else {
        const int perByte = 8 / bits;
        out[x / perByte] |= static_cast<std::uint8_t>(v << (8 - bits * (1 + x % perByte)));
      }
    }
  }
  return rows;
}

struct BmpOptions {
  int bits = 24;
  bool topDown = false;
  std::vector<std::uint32_t> palette;  // written as the colour table (1, 4, 8 bits)
  std::uint32_t compression = 0;
  std::uint32_t coloursUsed = 0;       // the header's field; 0 means 2^bits
  std::uint32_t headerBytes = 40;      // 40, or 108 / 124 for the later headers (zero-filled)
  std::uint32_t gap = 0;               // bytes between the colour table and the pixels
};

inline Bytes WriteBmp(int width, int height, const std::vector<std::uint32_t>& samples, const BmpOptions& o = {}) {
  Bytes rows = PackRows(width, height, o.bits, samples, o.topDown);
  const std::uint32_t tableBytes = static_cast<std::uint32_t>(o.palette.size() * 4);
  const std::uint32_t offset = 14 + o.headerBytes + tableBytes + o.gap;
  Bytes out;
  out.push_back('B'), out.push_back('M');
  Put32(out, static_cast<std::uint32_t>(offset + rows.size()));
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, o.headerBytes);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(o.topDown ? -height : height));
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(o.bits));
  Put32(out, o.compression);
  Put32(out, static_cast<std::uint32_t>(rows.size()));
  Put32(out, 2835), Put32(out, 2835);
  Put32(out, o.coloursUsed);
  Put32(out, 0);
  out.resize(14 + o.headerBytes, 0);
  for (std::uint32_t c : o.palette) Put32(out, c & 0xFFFFFF);
  out.resize(offset, 0);
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}

// ---------------------------------------------------------------------------- PCX

struct PcxOptions {
  int bits = 8;              // 8 or 1
  int version = 5;
  int planes = 1;
  int lineBytes = 0;         // 0: the width's bytes rounded up to even
  int xmin = 0, ymin = 0;
  bool runsCrossLines = false;  // one run-length stream over all lines, runs crossing them
  bool palette = true;       // the 256-colour palette at the end (8 bits)
  int paletteGap = 0;        // bytes between the pixel data and the palette marker
};

// Run-length codes bytes the ZSoft way: runs of up to 63, and any byte with both top
// bits set written as a run of one.
inline void PcxRunLength(const std::uint8_t* in, std::size_t n, Bytes& out) {
  for (std::size_t i = 0; i < n;) {
    std::size_t run = 1;
    while (i + run < n && run < 63 && in[i + run] == in[i]) ++run;
    if (run > 1 || (in[i] & 0xC0) == 0xC0) out.push_back(static_cast<std::uint8_t>(0xC0 | run));
    out.push_back(in[i]);
    i += run;
  }
}

// Samples are palette indexes (8 bits) or 0 / 1 (1 bit); the palette has up to 256 colours.
inline Bytes WritePcx(int width, int height, const std::vector<std::uint32_t>& samples,
                      const std::vector<std::uint32_t>& palette, const PcxOptions& o = {}) {
  const int minimum = (width * o.bits + 7) / 8;
  const int lineBytes = o.lineBytes ? o.lineBytes : minimum + minimum % 2;
  Bytes out(128, 0);
  out[0] = 0x0A, out[1] = static_cast<std::uint8_t>(o.version), out[2] = 1, out[3] = static_cast<std::uint8_t>(o.bits);
  const int window[4] = {o.xmin, o.ymin, o.xmin + width - 1, o.ymin + height - 1};
  for (int i = 0; i < 4; ++i) out[4 + 2 * i] = window[i] & 0xFF, out[5 + 2 * i] = window[i] >> 8 & 0xFF;
  out[12] = 72, out[14] = 72;
  out[16 + 3] = out[16 + 4] = out[16 + 5] = 0xFF;  // header colours 0 black, 1 white
  out[65] = static_cast<std::uint8_t>(o.planes);
  out[66] = lineBytes & 0xFF, out[67] = static_cast<std::uint8_t>(lineBytes >> 8);
  out[68] = 1;
  Bytes all;
  for (int y = 0; y < height; ++y)
    for (int p = 0; p < o.planes; ++p) {
      Bytes line(lineBytes, 0);
      for (int x = 0; x < width; ++x) {
        const std::uint32_t v = samples[static_cast<std::size_t>(y) * width + x];
        if (o.bits == 8)
          line[x] = static_cast<std::uint8_t>(v);
        else if (v)
          line[x / 8] |= static_cast<std::uint8_t>(0x80 >> x % 8);
      }
      if (o.runsCrossLines)
        all.insert(all.end(), line.begin(), line.end());
      else
        PcxRunLength(line.data(), line.size(), out);
    }
  if (o.runsCrossLines) PcxRunLength(all.data(), all.size(), out);
  if (o.bits == 8 && o.palette) {
    out.resize(out.size() + o.paletteGap, 0);
    out.push_back(12);
    for (int i = 0; i < 256; ++i) {
      const std::uint32_t c = i < static_cast<int>(palette.size()) ? palette[i] : 0;
      out.push_back(c >> 16 & 0xFF), out.push_back(c >> 8 & 0xFF), out.push_back(c & 0xFF);
    }
  }
  return out;
}

// ------------------------------------------------------------------ icons, cursors

struct IconEntry {
  std::uint8_t widthByte = 32, heightByte = 32, colourCount = 0;
  std::uint16_t planes = 1, bitCount = 32;  // a cursor's hot spot x and y
  Bytes image;
};

// The directory (type 1 icon, 2 cursor) and the images after it, in entry order.
inline Bytes WriteIconFile(int type, const std::vector<IconEntry>& entries) {
  Bytes out;
  Put16(out, 0), Put16(out, static_cast<unsigned>(type)), Put16(out, static_cast<unsigned>(entries.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
  for (const IconEntry& e : entries) {
    out.push_back(e.widthByte), out.push_back(e.heightByte), out.push_back(e.colourCount), out.push_back(0);
    Put16(out, e.planes), Put16(out, e.bitCount);
    Put32(out, static_cast<std::uint32_t>(e.image.size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(e.image.size());
  }
  for (const IconEntry& e : entries) out.insert(out.end(), e.image.begin(), e.image.end());
  return out;
}

// A bitmap image for an icon: the info header (height doubled), the colour table, the
// colour rows and the AND mask, bottom-up. `samples` as for WriteBmp; `masked` marks
// the pixels whose mask bit is set (empty: none).
inline Bytes IconBitmap(int width, int height, int bits, const std::vector<std::uint32_t>& samples,
                        const std::vector<std::uint32_t>& palette = {}, const std::vector<bool>& masked = {}) {
  Bytes out;
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height * 2));
  Put16(out, 1), Put16(out, static_cast<unsigned>(bits));
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  // A full colour table for the depth, as icon files carry.
  std::vector<std::uint32_t> table = palette;
  if (bits <= 8) table.resize(std::size_t{1} << bits, 0);
  for (std::uint32_t c : table) Put32(out, c & 0xFFFFFF);
  Bytes rows = PackRows(width, height, bits, samples, false);
  out.insert(out.end(), rows.begin(), rows.end());
  std::vector<std::uint32_t> maskBits(static_cast<std::size_t>(width) * height, 0);
  for (std::size_t i = 0; i < masked.size() && i < maskBits.size(); ++i) maskBits[i] = masked[i];
  Bytes mask = PackRows(width, height, 1, maskBits, false);
  out.insert(out.end(), mask.begin(), mask.end());
  return out;
}

// ---------------------------------------------------------------------------- PNG

struct PngOptions {
  int colourType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlace = false;
  std::vector<std::uint32_t> palette;     // PLTE
  std::vector<std::uint8_t> paletteAlpha;  // tRNS of a palette image
  int transparentGrey = -1;                // tRNS of a grey image
  std::int64_t transparentRgb = -1;        // tRNS of a colour image, 0xRRGGBB in sample units (8 bits)
  bool background = false;                // bKGD
  png_color_16 backgroundColour{};         // index, or grey, or red, green, blue in sample units
};

namespace detail {
inline void AppendPng(png_structp png, png_bytep data, std::size_t n) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
inline void FlushPng(png_structp) {}

// libpng leaves by longjmp on error: nothing here has a destructor.
inline bool RunPngWriter(png_structp png, png_infop info, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  return true;
}
}  // namespace detail

// Samples per pixel as the colour type has them (1 grey or index, 2 grey + alpha,
// 3 red green blue, 4 with alpha), each below 2^bitDepth, rows top-down.
inline Bytes WritePng(int width, int height, const std::vector<std::uint16_t>& samples, const PngOptions& o = {}) {
  const int channels = o.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                       : o.colourType == PNG_COLOR_TYPE_RGB     ? 3
                       : o.colourType == PNG_COLOR_TYPE_GA      ? 2
                                                                : 1;
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * channels * o.bitDepth + 7) / 8;
  Bytes packed(rowBytes * height, 0);
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < width * channels; ++i) {
      const unsigned v = samples[static_cast<std::size_t>(y) * width * channels + i];
      std::uint8_t* row = packed.data() + y * rowBytes;
      if (o.bitDepth == 16) {
        row[2 * i] = static_cast<std::uint8_t>(v >> 8), row[2 * i + 1] = static_cast<std::uint8_t>(v);
      } else if (o.bitDepth == 8) {
        row[i] = static_cast<std::uint8_t>(v);
      } else {
        const int perByte = 8 / o.bitDepth;
        row[i / perByte] |= static_cast<std::uint8_t>(v << (8 - o.bitDepth * (1 + i % perByte)));
      }
    }
  std::vector<png_bytep> rows(height);
  for (int y = 0; y < height; ++y) rows[y] = packed.data() + y * rowBytes;

  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, detail::AppendPng, detail::FlushPng);
  png_set_IHDR(png, info, width, height, o.bitDepth, o.colourType,
               o.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> plte;
  for (std::uint32_t c : o.palette)
    plte.push_back({static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8), static_cast<png_byte>(c)});
  if (!plte.empty()) png_set_PLTE(png, info, plte.data(), static_cast<int>(plte.size()));
  png_color_16 trans{};
  if (!o.paletteAlpha.empty()) {
    png_set_tRNS(png, info, o.paletteAlpha.data(), static_cast<int>(o.paletteAlpha.size()), nullptr);
  } else if (o.transparentGrey >= 0) {
    trans.gray = static_cast<png_uint_16>(o.transparentGrey);
    png_set_tRNS(png, info, nullptr, 0, &trans);
  } else if (o.transparentRgb >= 0) {
    trans.red = o.transparentRgb >> 16 & 0xFF, trans.green = o.transparentRgb >> 8 & 0xFF;
    trans.blue = o.transparentRgb & 0xFF;
    png_set_tRNS(png, info, nullptr, 0, &trans);
  }
  png_color_16 background = o.backgroundColour;
  if (o.background) png_set_bKGD(png, info, &background);
  if (o.interlace) png_set_interlace_handling(png);
  if (!detail::RunPngWriter(png, info, rows.data())) out.clear();
  png_destroy_write_struct(&png, &info);
  return out;
}

// 8-bit samples from 0xAARRGGBB pixels for WritePng (alpha used for RGBA only).
inline std::vector<std::uint16_t> PngSamples(const std::vector<std::uint32_t>& argb, bool alpha) {
  std::vector<std::uint16_t> s;
  for (std::uint32_t c : argb) {
    s.push_back(c >> 16 & 0xFF), s.push_back(c >> 8 & 0xFF), s.push_back(c & 0xFF);
    if (alpha) s.push_back(c >> 24);
  }
  return s;
}

// --------------------------------------------------------------------------- JPEG

struct JpegOptions {
  int quality = 90;
  bool grey = false;         // one component (samples are the grey level in the low byte)
  bool progressive = false;
  bool subsample = true;     // 2 × 2 chroma subsampling; false keeps full chroma
};

namespace detail {
struct JpegWriteError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};
[[noreturn]] inline void JpegWriteFailed(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegWriteError*>(info->err)->jump, 1);
}
// Nothing here has a destructor: a library error comes back through longjmp.
inline bool RunJpegWriter(const std::uint8_t* rgb, int width, int height, const JpegOptions* o, unsigned char** buffer,
                          unsigned long* size) {
  jpeg_compress_struct info;
  JpegWriteError error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegWriteFailed;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, buffer, size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = o->grey ? 1 : 3;
  info.in_color_space = o->grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, o->quality, TRUE);
  if (!o->grey && !o->subsample)
    for (int c = 0; c < 3; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  if (o->progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * (o->grey ? 1 : 3);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<std::uint8_t*>(rgb + info.next_scanline * rowBytes);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}
}  // namespace detail

// From 0xRRGGBB pixels (grey: the low byte of each).
inline Bytes WriteJpeg(int width, int height, const std::vector<std::uint32_t>& rgb, const JpegOptions& o = {}) {
  Bytes samples;
  samples.reserve(rgb.size() * 3);
  for (std::uint32_t c : rgb) {
    if (o.grey) {
      samples.push_back(c & 0xFF);
    } else {
      samples.push_back(c >> 16 & 0xFF), samples.push_back(c >> 8 & 0xFF), samples.push_back(c & 0xFF);
    }
  }
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  Bytes out;
  if (detail::RunJpegWriter(samples.data(), width, height, &o, &buffer, &size)) out.assign(buffer, buffer + size);
  std::free(buffer);
  return out;
}

}  // namespace zorvel::test
