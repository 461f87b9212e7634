// GIF87a / GIF89a streams.
//
// A stream is a 6-byte signature, the logical screen descriptor (7 bytes) and an
// optional global colour table, then blocks until the trailer (0x3B): extensions
// (0x21, a label, data sub-blocks) and images (0x2C, a 9-byte descriptor, an optional
// local colour table, the LZW minimum code size and data sub-blocks). A sub-block is a
// length byte and that many bytes; a zero length ends the run.
//
// Everything is read through a cursor that gives zero past the end and notes that it
// went there. Every loop either consumes at least one byte or stops at the end, so no
// input can make a read hang.
//
// Choices where a stream is short or odd:
// - Picture record: pixels the image data never reaches (it ends early, runs past the
//   end of the stream, or stops at a bad code) are index 0. An image whose data gives
//   no pixel at all (no data, an end code or a bad code first, a minimum code size
//   outside 2 to 11) is refused: a record of nothing but index 0 is no picture.
// - Animation: such pixels are not painted; the screen keeps what was there. A frame
//   whose data gives no pixel at all ends the animation before it is shown.
// - An image without any colour table shows its indexes as opaque black; indexes past
//   the end of a table likewise (the record's unused table entries are zero).
// - Minimum code sizes 9 to 11 are read like the others (4096 entries hold them).
//   Their plain indexes of 256 or more lie past every colour table, so they too show
//   as opaque black: they are written as a byte past the image's table that is not its
//   transparent index. A table of 256 entries leaves no such byte; with one they are
//   written as index 0.
// - Disposal 2 (restore to background) makes the frame's rectangle transparent: the
//   unit's own back colour then shows, as it does around the frames. The stream's
//   background colour index is not used.
// - Disposal values 4 to 7 are undefined and act as 0 (nothing to undo).
// - A frame larger than the picture limits on a side ends the animation there.
// - A plain-text extension consumes the graphic control before it, as the format
//   says; its text is not drawn.
#include "runtime/picture/gif.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "runtime/memory.h"
#include "runtime/picture/gif_lzw.h"

namespace zorvel {
namespace {

using gif::LzwTables;

bool Fail(std::string* reason, std::string text) {
  if (reason) *reason = std::move(text);
  return false;
}

std::string Size(std::int64_t width, std::int64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// Reads bytes from a block of memory; past the end it gives zero and remembers it.
class Cursor {
 public:
  Cursor(const std::uint8_t* data, std::size_t size, std::size_t pos = 0)
      : data_(data), size_(size), pos_(std::min(pos, size)) {}
  std::uint8_t U8() {
    if (pos_ < size_) return data_[pos_++];
    overrun_ = true;
    return 0;
  }
  std::uint16_t U16() {
    const std::uint16_t low = U8();
    return static_cast<std::uint16_t>(low | U8() << 8);
  }
  // Points at n bytes and steps over them; null (and at the end) when fewer remain.
  const std::uint8_t* Take(std::size_t n) {
    if (size_ - pos_ < n) {
      pos_ = size_;
      overrun_ = true;
      return nullptr;
    }
    const std::uint8_t* at = data_ + pos_;
    pos_ += n;
    return at;
  }
  std::size_t pos() const { return pos_; }
  std::size_t remaining() const { return size_ - pos_; }
  bool overrun() const { return overrun_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_;
  bool overrun_ = false;
};

// A colour table in the stream: count entries of red, green, blue.
struct ColourTable {
  const std::uint8_t* rgb = nullptr;
  int count = 0;
};

struct Screen {
  std::int32_t width = 0, height = 0;
  ColourTable global;
};

// What a graphic control extension says about the next image.
struct Control {
  int disposal = 0;
  bool transparent = false;
  std::uint8_t transparentIndex = 0;
  std::int32_t delay = 0;  // hundredths of a second
};

struct Image {
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  ColourTable local;
  Control control;
};

bool ReadTable(Cursor& in, std::uint8_t flags, ColourTable& table) {
  if (!(flags & 0x80)) return true;
  const int count = 2 << (flags & 7);
  table.rgb = in.Take(static_cast<std::size_t>(count) * 3);
  table.count = table.rgb ? count : 0;
  return table.rgb != nullptr;
}

// The screen, at 4 bytes a pixel, must be within the limits: animations hold it and
// the record is drawn through a bitmap of that size.
bool ScreenWithinLimits(std::int64_t width, std::int64_t height) {
  return width <= kMaxPictureSide && height <= kMaxPictureSide && width * height * 4 <= kMaxPictureBytes;
}

bool ReadScreen(Cursor& in, std::size_t size, Screen& screen, std::string* reason) {
  if (size < 14) return Fail(reason, "GIF: header cut short (" + std::to_string(size) + " bytes)");
  const std::uint8_t* signature = in.Take(6);
  if (std::memcmp(signature, "GIF87a", 6) != 0 && std::memcmp(signature, "GIF89a", 6) != 0) {
    return Fail(reason, "GIF: not a GIF87a or GIF89a signature");
  }
  screen.width = in.U16();
  screen.height = in.U16();
  const std::uint8_t flags = in.U8();
  in.U8();  // background colour index
  in.U8();  // pixel aspect ratio
  if (screen.width == 0 || screen.height == 0)
    return Fail(reason, "GIF: logical screen " + Size(screen.width, screen.height) + " is empty");
  if (!ScreenWithinLimits(screen.width, screen.height))
    return Fail(reason, "GIF: logical screen " + Size(screen.width, screen.height) + " is too large");
  if (!ReadTable(in, flags, screen.global)) return Fail(reason, "GIF: global colour table is cut short");
  return true;
}

// Steps over data sub-blocks up to and including the zero length; false when they run
// past the end of the stream.
bool SkipSubBlocks(Cursor& in) {
  for (;;) {
    const std::uint8_t length = in.U8();
    if (in.overrun()) return false;
    if (length == 0) return true;
    if (!in.Take(length)) return false;
  }
}

enum class Found { kImage, kTrailer, kBroken };

// Reads blocks up to the next image descriptor and its local colour table, collecting
// the graphic control that applies to it. kTrailer at the trailer, kBroken where the
// stream ends or holds something that is no block.
Found NextImage(Cursor& in, Image& image) {
  Control control;
  for (;;) {
    const std::uint8_t introducer = in.U8();
    if (in.overrun()) return Found::kBroken;
    if (introducer == 0x3B) return Found::kTrailer;
    if (introducer == 0x2C) break;
    if (introducer != 0x21) return Found::kBroken;
    const std::uint8_t label = in.U8();
    if (label == 0xF9) {
      // Graphic control: one sub-block of 4 bytes (packed fields, delay, index).
      const std::uint8_t length = in.U8();
      const std::uint8_t* body = in.Take(length);
      if (!body) return Found::kBroken;
      if (length >= 4) {
        control.disposal = (body[0] >> 2) & 7;
        if (control.disposal > 3) control.disposal = 0;
        control.transparent = (body[0] & 1) != 0;
        control.delay = body[1] | body[2] << 8;
        control.transparentIndex = body[3];
      }
      if (length == 0) continue;  // that zero length already ended the block
    } else if (label == 0x01) {
      control = Control{};  // the plain text it governed is not drawn
    }
    if (!SkipSubBlocks(in)) return Found::kBroken;
  }
  image.left = in.U16();
  image.top = in.U16();
  image.width = in.U16();
  image.height = in.U16();
  const std::uint8_t flags = in.U8();
  if (in.overrun()) return Found::kBroken;
  image.interlaced = (flags & 0x40) != 0;
  image.local = ColourTable{};
  if (!ReadTable(in, flags, image.local)) return Found::kBroken;
  image.control = control;
  return Found::kImage;
}

// Joins an image's LZW data sub-blocks into data, followed by the zero bytes the
// decoder reads ahead. A sub-block cut off by the end of the stream gives what it has.
// False when the sub-blocks run past the end of the stream.
bool GatherImageData(Cursor& in, std::vector<std::uint8_t>& data) {
  // The size first, so that the data is copied once into one block.
  std::size_t total = 0;
  bool complete = false;
  Cursor scan = in;
  for (;;) {
    const std::uint8_t length = scan.U8();
    if (scan.overrun()) break;
    if (length == 0) {
      complete = true;
      break;
    }
    const std::size_t have = std::min<std::size_t>(length, scan.remaining());
    scan.Take(have);
    total += have;
    if (have < length) break;
  }
  data.resize(total + gif::kLzwPadding);
  std::uint8_t* to = data.data();
  for (;;) {
    const std::uint8_t length = in.U8();
    if (in.overrun() || length == 0) break;
    const std::size_t have = std::min<std::size_t>(length, in.remaining());
    std::memcpy(to, in.Take(have), have);
    to += have;
    if (have < length) {
      in.Take(length);  // marks the end as reached
      break;
    }
  }
  std::memset(to, 0, gif::kLzwPadding);
  return complete;
}

// The 256-entry table of 0xAARRGGBB colours an image's indexes map to.
void OpaqueColours(const ColourTable& table, std::uint32_t (&colours)[256]) {
  int i = 0;
  for (; i < table.count; ++i) {
    const std::uint8_t* rgb = table.rgb + i * 3;
    colours[i] = 0xFF000000u | std::uint32_t{rgb[0]} << 16 | std::uint32_t{rgb[1]} << 8 | rgb[2];
  }
  for (; i < 256; ++i) colours[i] = 0xFF000000u;
}

// The byte that plain indexes of 256 or more are written as (see the choices above):
// the highest byte past the table that is not the transparent index (-1: none).
std::uint8_t WideIndexByte(const ColourTable& table, int transparent) {
  for (int b = 255; b >= table.count; --b) {
    if (b != transparent) return static_cast<std::uint8_t>(b);
  }
  return 0;
}

// 0x00BBGGRR of an index in a table; 0 for an index past its end.
std::uint32_t ColourRef(const ColourTable& table, int index) {
  if (index >= table.count) return 0;
  const std::uint8_t* rgb = table.rgb + index * 3;
  return std::uint32_t{rgb[0]} | std::uint32_t{rgb[1]} << 8 | std::uint32_t{rgb[2]} << 16;
}

void PutU32(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
  at[2] = static_cast<std::uint8_t>(value >> 16);
  at[3] = static_cast<std::uint8_t>(value >> 24);
}

// The record's rows: straight into the block, nothing to do when a row is done.
struct RecordRows {
  std::uint8_t* base;
  std::size_t stride;
  std::uint8_t* Row(std::int32_t y) const { return base + static_cast<std::size_t>(y) * stride; }
  void RowDone(std::int32_t, std::int32_t) const {}
};

}  // namespace

bool DecodeGifPicture(const std::uint8_t* data, std::size_t size, Picture& picture, std::string* reason) {
  if (!data) size = 0;
  Cursor in(data, size);
  Screen screen;
  if (!ReadScreen(in, size, screen, reason)) return false;
  Image image;
  switch (NextImage(in, image)) {
    case Found::kImage: break;
    case Found::kTrailer: return Fail(reason, "GIF: no image before the trailer");
    case Found::kBroken: return Fail(reason, "GIF: blocks before the first image are cut short or broken");
  }
  if (image.width == 0 || image.height == 0)
    return Fail(reason, "GIF: first image " + Size(image.width, image.height) + " is empty");
  if (image.width > kMaxPictureSide || image.height > kMaxPictureSide)
    return Fail(reason, "GIF: first image " + Size(image.width, image.height) + " is too large");
  // The minimum code size follows the descriptor and its local colour table.
  const int minCodeSize = in.U8();
  if (in.overrun()) return Fail(reason, "GIF: first image has no image data");
  if (!gif::UsableMinCodeSize(minCodeSize))
    return Fail(reason, "GIF: LZW minimum code size " + std::to_string(minCodeSize) + " is not read");
  std::vector<std::uint8_t> lzw;
  try {
    GatherImageData(in, lzw);
  } catch (const std::bad_alloc&) {
    return Fail(reason, "GIF: out of memory");
  }
  switch (gif::FirstCodeStop(lzw.data(), lzw.size() - gif::kLzwPadding, minCodeSize)) {
    case gif::LzwStop::kFull: break;
    case gif::LzwStop::kBadCode: return Fail(reason, "GIF: first image data starts with a bad LZW code");
    case gif::LzwStop::kEndCode: return Fail(reason, "GIF: first image data ends before its first pixel");
    case gif::LzwStop::kDataEnded: return Fail(reason, "GIF: first image data is cut short before its first pixel");
  }

  constexpr std::size_t kHeaderBytes = 40 + 256 * 4;
  const std::size_t stride = (static_cast<std::size_t>(image.width) + 3) & ~std::size_t{3};
  const std::uint64_t rowBytes = std::uint64_t{stride} * static_cast<std::uint64_t>(image.height);
  const std::uint64_t total = rowBytes + kHeaderBytes;
  if (total > static_cast<std::uint64_t>(kMaxPictureBytes))
    return Fail(reason, "GIF: first image " + Size(image.width, image.height) + " is too large");
  auto* pixels = static_cast<std::uint8_t*>(AllocateUnchecked(static_cast<std::size_t>(total)));
  if (!pixels) return Fail(reason, "GIF: out of memory");

  std::memset(pixels, 0, static_cast<std::size_t>(total));
  PutU32(pixels + 0, 40);
  PutU32(pixels + 4, static_cast<std::uint32_t>(image.width));
  PutU32(pixels + 8, static_cast<std::uint32_t>(-image.height));
  pixels[12] = 1;  // planes
  pixels[14] = 8;  // bits per pixel
  PutU32(pixels + 20, static_cast<std::uint32_t>(rowBytes));
  PutU32(pixels + 32, 256);  // colours used
  const ColourTable& table = image.local.count ? image.local : screen.global;
  for (int i = 0; i < table.count; ++i) {
    std::uint8_t* entry = pixels + 40 + i * 4;
    entry[0] = table.rgb[i * 3 + 2];
    entry[1] = table.rgb[i * 3 + 1];
    entry[2] = table.rgb[i * 3];
  }

  const int transparent = image.control.transparent ? image.control.transparentIndex : -1;
  LzwTables tables;  // every entry used is written first
  RecordRows rows{pixels + kHeaderBytes, stride};
  gif::DecodeLzw(lzw.data(), lzw.size() - gif::kLzwPadding, minCodeSize, image.width, image.height, image.interlaced,
                 tables, rows, WideIndexByte(table, transparent));

  picture.kind = PictureKind::kGif;
  picture.width = screen.width;
  picture.height = screen.height;
  picture.pixels = pixels;
  picture.pixelBytes = static_cast<std::uint32_t>(total);
  picture.transparentColour =
      image.control.transparent ? ColourRef(table, image.control.transparentIndex) : kNoColour;
  return true;
}

// ---------------------------------------------------------------------------------
// Animation

struct GifAnimation::State {
  std::vector<std::uint8_t> stream;  // the copy every frame is read from
  std::int32_t width = 0, height = 0;
  ColourTable global;                 // points into stream
  std::size_t firstBlock = 0;         // where the blocks after the header start
  std::size_t pos = 0;                // where the next block starts
  bool ended = true;
  std::vector<std::uint32_t> screen;
  // The disposal the shown frame asked for, over its rectangle clipped to the screen;
  // for disposal 3 what lay under it is kept in saved.
  int disposal = 0;
  std::int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  std::vector<std::uint32_t> saved;
  // Scratch reused from frame to frame.
  std::vector<std::uint8_t> lzw;
  std::vector<std::uint8_t> row;
  LzwTables tables;
};

namespace {

// An animation frame's rows: each finished row goes onto the screen at once, through
// the frame's colours, leaving out the transparent index and what lies off the screen.
struct ScreenRows {
  std::uint8_t* row;
  std::uint32_t* screen;
  std::int32_t screenWidth;
  std::int32_t left, top;    // the frame's place
  std::int32_t visibleWidth; // of each row, on the screen
  std::int32_t visibleRows;  // rows y below this lie on the screen (at top + y)
  const std::uint32_t* colours;
  int transparent;           // -1 for none
  std::uint8_t* Row(std::int32_t) const { return row; }
  void RowDone(std::int32_t y, std::int32_t count) const {
    if (y >= visibleRows) return;
    const std::int32_t n = std::min(count, visibleWidth);
    std::uint32_t* to = screen + static_cast<std::size_t>(top + y) * static_cast<std::size_t>(screenWidth) + left;
    if (transparent < 0) {
      for (std::int32_t x = 0; x < n; ++x) to[x] = colours[row[x]];
    } else {
      for (std::int32_t x = 0; x < n; ++x) {
        if (row[x] != transparent) to[x] = colours[row[x]];
      }
    }
  }
};

}  // namespace

GifAnimation::GifAnimation() : state_(std::make_unique<State>()) {}
GifAnimation::~GifAnimation() = default;
GifAnimation::GifAnimation(GifAnimation&&) noexcept = default;
GifAnimation& GifAnimation::operator=(GifAnimation&&) noexcept = default;

bool GifAnimation::Open(const std::uint8_t* data, std::size_t size, std::string* reason) {
  if (!data) size = 0;
  try {
    auto state = std::make_unique<State>();
    state->stream.assign(data, data + size);
    Cursor in(state->stream.data(), size);
    Screen screen;
    if (!ReadScreen(in, size, screen, reason)) {
      state_ = std::make_unique<State>();
      return false;
    }
    state->width = screen.width;
    state->height = screen.height;
    state->global = screen.global;
    state->firstBlock = in.pos();
    state->screen.resize(static_cast<std::size_t>(screen.width) * static_cast<std::size_t>(screen.height));
    state_ = std::move(state);
  } catch (const std::bad_alloc&) {
    state_ = std::make_unique<State>();
    return Fail(reason, "GIF: out of memory");
  }
  Rewind();
  return true;
}

std::int32_t GifAnimation::width() const { return state_ ? state_->width : 0; }
std::int32_t GifAnimation::height() const { return state_ ? state_->height : 0; }

const std::vector<std::uint32_t>& GifAnimation::screen() const {
  static const std::vector<std::uint32_t> kNone;
  return state_ ? state_->screen : kNone;
}

void GifAnimation::Rewind() {
  if (!state_) return;
  State& s = *state_;
  s.pos = s.firstBlock;
  s.ended = s.stream.empty();
  s.disposal = 0;
  std::fill(s.screen.begin(), s.screen.end(), 0u);
}

bool GifAnimation::Next(GifFrame& frame) {
  if (!state_ || state_->ended) return false;
  try {
    return NextFrame(*state_, frame);
  } catch (const std::bad_alloc&) {
    state_->ended = true;
    return false;
  }
}

bool GifAnimation::NextFrame(State& s, GifFrame& frame) {
  Cursor in(s.stream.data(), s.stream.size(), s.pos);
  Image image;
  if (NextImage(in, image) != Found::kImage || image.width > kMaxPictureSide || image.height > kMaxPictureSide) {
    s.ended = true;  // the shown frame stays on the screen
    return false;
  }
  const int minCodeSize = in.U8();
  if (in.overrun()) {
    s.ended = true;
    return false;
  }
  const bool complete = GatherImageData(in, s.lzw);
  const std::size_t lzwBytes = s.lzw.size() - gif::kLzwPadding;
  // A frame that would paint nothing at all ends the animation before it is shown (an
  // empty rectangle paints nothing and is still a frame).
  if (image.width > 0 && image.height > 0 &&
      gif::FirstCodeStop(s.lzw.data(), lzwBytes, minCodeSize) != gif::LzwStop::kFull) {
    s.ended = true;
    return false;
  }
  if (!complete) s.ended = true;  // shown with what it has; nothing follows
  s.pos = in.pos();

  // Undo the shown frame as it asked.
  const std::size_t screenWidth = static_cast<std::size_t>(s.width);
  if (s.disposal == 2 || s.disposal == 3) {
    const std::uint32_t* from = s.saved.data();
    for (std::int32_t y = s.y0; y < s.y1; ++y) {
      std::uint32_t* to = s.screen.data() + static_cast<std::size_t>(y) * screenWidth + s.x0;
      const std::size_t n = static_cast<std::size_t>(s.x1 - s.x0);
      if (s.disposal == 2) {
        std::fill(to, to + n, 0u);
      } else {
        std::copy(from, from + n, to);
        from += n;
      }
    }
  }

  // The frame's rectangle on the screen.
  s.disposal = image.control.disposal;
  s.x0 = std::min(image.left, s.width);
  s.y0 = std::min(image.top, s.height);
  s.x1 = std::min(image.left + image.width, s.width);
  s.y1 = std::min(image.top + image.height, s.height);
  if (s.disposal == 3) {
    s.saved.clear();
    for (std::int32_t y = s.y0; y < s.y1; ++y) {
      const std::uint32_t* from = s.screen.data() + static_cast<std::size_t>(y) * screenWidth + s.x0;
      s.saved.insert(s.saved.end(), from, from + (s.x1 - s.x0));
    }
  }

  const ColourTable& table = image.local.count ? image.local : s.global;
  std::uint32_t colours[256];
  OpaqueColours(table, colours);
  const int transparent = image.control.transparent ? image.control.transparentIndex : -1;
  s.row.resize(static_cast<std::size_t>(image.width));
  ScreenRows rows{s.row.data(), s.screen.data(), s.width, s.x0, s.y0, s.x1 - s.x0, s.y1 - s.y0,
                  colours, transparent};
  gif::DecodeLzw(s.lzw.data(), lzwBytes, minCodeSize, image.width, image.height, image.interlaced, s.tables, rows,
                 WideIndexByte(table, transparent));

  frame.delayMs = image.control.delay * 10;
  frame.disposal = image.control.disposal;
  frame.transparentColour = transparent >= 0 ? ColourRef(table, transparent) : kNoColour;
  frame.left = image.left;
  frame.top = image.top;
  frame.width = image.width;
  frame.height = image.height;
  return true;
}

}  // namespace zorvel
