#include "tools/swf_writer.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace zorvel::tools::swf {

void BitWriter::Unsigned(int bits, std::uint32_t value) {
  for (int i = bits - 1; i >= 0; --i) {
    if (used_ == 0) bytes_.push_back('\0');
    if ((value >> i) & 1u) bytes_.back() = static_cast<char>(bytes_.back() | (0x80 >> used_));
    used_ = (used_ + 1) % 8;
  }
}

void BitWriter::Signed(int bits, std::int32_t value) {
  if ((bits == 0 && value != 0) || (bits > 0 && SignedBits(value) > bits)) throw std::logic_error("swf: a signed value does not fit its bit count");
  Unsigned(bits, static_cast<std::uint32_t>(value));
}

void BitWriter::Align() { used_ = 0; }

void BitWriter::U8(std::uint8_t value) {
  Align();
  bytes_.push_back(static_cast<char>(value));
}

void BitWriter::U16(std::uint16_t value) {
  U8(static_cast<std::uint8_t>(value & 0xFF));
  U8(static_cast<std::uint8_t>(value >> 8));
}

void BitWriter::U32(std::uint32_t value) {
  U16(static_cast<std::uint16_t>(value & 0xFFFF));
  U16(static_cast<std::uint16_t>(value >> 16));
}

void BitWriter::Bytes(std::string_view bytes) {
  Align();
  bytes_ += bytes;
}

const std::string& BitWriter::Finish() {
  Align();
  return bytes_;
}

int SignedBits(std::int64_t value) {
  int n = 1;
  while (value < -(std::int64_t{1} << (n - 1)) || value > (std::int64_t{1} << (n - 1)) - 1) ++n;
  return n;
}

int UnsignedBits(std::uint32_t value) {
  int n = 0;
  while (n < 32 && (value >> n) != 0) ++n;
  return n;
}

namespace {

int SharedBits(std::initializer_list<std::int32_t> values) {
  int n = 0;
  for (const std::int32_t v : values) n = std::max(n, SignedBits(v));
  return n;
}

void WriteRgba(BitWriter& out, const Rgba& c, bool alpha) {
  out.U8(c.r);
  out.U8(c.g);
  out.U8(c.b);
  if (alpha) out.U8(c.a);
}

void WriteFillStyle(BitWriter& out, const FillStyle& fill, bool alpha) {
  if (!fill.radial) {
    out.U8(0x00);
    WriteRgba(out, fill.colour, alpha);
    return;
  }
  if (fill.stops.empty() || fill.stops.size() > 15) throw std::logic_error("swf: a gradient has 1 to 15 stops");
  out.U8(0x12);
  WriteMatrix(out, fill.matrix);
  out.U8(static_cast<std::uint8_t>(fill.stops.size()));  // pad and linear RGB: both 0
  for (const GradientStop& stop : fill.stops) {
    out.U8(stop.ratio);
    WriteRgba(out, stop.colour, alpha);
  }
}

// An edge's bit count: the largest of its deltas', at least 2, at most 17.
int EdgeBits(std::initializer_list<std::int32_t> deltas) {
  const int n = std::max(2, SharedBits(deltas));
  if (n > 17) throw std::logic_error("swf: an edge delta needs more than 17 bits");
  return n;
}

std::string ShapeTag(TagCode code, std::uint16_t id, const Shape& shape) {
  const bool alpha = code == kDefineShape3;
  BitWriter out;
  out.U16(id);
  WriteRect(out, shape.Bounds());
  if (shape.fills.size() < 0xFF) {
    out.U8(static_cast<std::uint8_t>(shape.fills.size()));
  } else if (code != kDefineShape && shape.fills.size() <= 0xFFFF) {
    out.U8(0xFF);
    out.U16(static_cast<std::uint16_t>(shape.fills.size()));
  } else {
    throw std::logic_error("swf: too many fill styles");
  }
  for (const FillStyle& fill : shape.fills) WriteFillStyle(out, fill, alpha);
  out.U8(0);  // no line styles
  const int fillBits = UnsignedBits(static_cast<std::uint32_t>(shape.fills.size()));
  out.U8(static_cast<std::uint8_t>(fillBits << 4));

  std::int32_t penX = 0, penY = 0;
  int fill1 = 0;
  for (const Path& path : shape.paths) {
    if (path.fill < 1 || path.fill > static_cast<int>(shape.fills.size())) {
      throw std::logic_error("swf: a path names a fill style the shape does not have");
    }
    const bool moveTo = path.startX != penX || path.startY != penY;
    const bool newFill = path.fill != fill1;
    // A path that goes on from where the pen is with the same fill needs no style
    // change: one without any of its flags would be the end of the shape.
    if (moveTo || newFill) {
      out.Unsigned(1, 0);  // a style change
      out.Unsigned(1, 0);  // no new styles
      out.Unsigned(1, 0);  // no line style
      out.Unsigned(1, newFill ? 1 : 0);
      out.Unsigned(1, 0);  // fill style 0 stays none
      out.Unsigned(1, moveTo ? 1 : 0);
      if (moveTo) {
        const int n = SharedBits({path.startX, path.startY});
        out.Unsigned(5, static_cast<std::uint32_t>(n));
        out.Signed(n, path.startX);
        out.Signed(n, path.startY);
      }
      if (newFill) out.Unsigned(fillBits, static_cast<std::uint32_t>(path.fill));
    }
    penX = path.startX;
    penY = path.startY;
    fill1 = path.fill;
    for (const Segment& s : path.segments) {
      out.Unsigned(1, 1);  // an edge
      if (s.curved) {
        const std::int32_t cx = s.controlX - penX, cy = s.controlY - penY;
        const std::int32_t ax = s.x - s.controlX, ay = s.y - s.controlY;
        const int n = EdgeBits({cx, cy, ax, ay});
        out.Unsigned(1, 0);
        out.Unsigned(4, static_cast<std::uint32_t>(n - 2));
        out.Signed(n, cx);
        out.Signed(n, cy);
        out.Signed(n, ax);
        out.Signed(n, ay);
      } else {
        const std::int32_t dx = s.x - penX, dy = s.y - penY;
        out.Unsigned(1, 1);
        if (dx != 0 && dy != 0) {
          const int n = EdgeBits({dx, dy});
          out.Unsigned(4, static_cast<std::uint32_t>(n - 2));
          out.Unsigned(1, 1);  // general
          out.Signed(n, dx);
          out.Signed(n, dy);
        } else {
          const bool vertical = dx == 0;
          const std::int32_t d = vertical ? dy : dx;
          const int n = EdgeBits({d});
          out.Unsigned(4, static_cast<std::uint32_t>(n - 2));
          out.Unsigned(1, 0);
          out.Unsigned(1, vertical ? 1 : 0);
          out.Signed(n, d);
        }
      }
      penX = s.x;
      penY = s.y;
    }
  }
  out.Unsigned(6, 0);  // the end record
  return Tag(code, out.Finish());
}

}  // namespace

void WriteRect(BitWriter& out, const Rect& rect) {
  out.Align();
  const int n = SharedBits({rect.xMin, rect.xMax, rect.yMin, rect.yMax});
  out.Unsigned(5, static_cast<std::uint32_t>(n));
  out.Signed(n, rect.xMin);
  out.Signed(n, rect.xMax);
  out.Signed(n, rect.yMin);
  out.Signed(n, rect.yMax);
  out.Align();
}

Matrix Matrix::Translate(std::int32_t x, std::int32_t y) {
  Matrix m;
  m.translateX = x;
  m.translateY = y;
  return m;
}

Matrix Matrix::ScaleTranslate(std::int32_t scale, std::int32_t x, std::int32_t y) {
  Matrix m = Translate(x, y);
  if (scale != 65536) {
    m.hasScale = true;
    m.scaleX = m.scaleY = scale;
  }
  return m;
}

void WriteMatrix(BitWriter& out, const Matrix& m) {
  out.Align();
  out.Unsigned(1, m.hasScale ? 1 : 0);
  if (m.hasScale) {
    const int n = SharedBits({m.scaleX, m.scaleY});
    out.Unsigned(5, static_cast<std::uint32_t>(n));
    out.Fixed(n, m.scaleX);
    out.Fixed(n, m.scaleY);
  }
  out.Unsigned(1, m.hasRotate ? 1 : 0);
  if (m.hasRotate) {
    const int n = SharedBits({m.rotate0, m.rotate1});
    out.Unsigned(5, static_cast<std::uint32_t>(n));
    out.Fixed(n, m.rotate0);
    out.Fixed(n, m.rotate1);
  }
  const int n = m.translateX == 0 && m.translateY == 0 ? 0 : SharedBits({m.translateX, m.translateY});
  out.Unsigned(5, static_cast<std::uint32_t>(n));
  out.Signed(n, m.translateX);
  out.Signed(n, m.translateY);
  out.Align();
}

void WriteColourTransform(BitWriter& out, const ColourTransform& cx, bool withAlpha) {
  out.Align();
  const int channels = withAlpha ? 4 : 3;
  int n = 0;
  for (int i = 0; i < channels; ++i) {
    if (cx.hasMult) n = std::max(n, SignedBits(cx.mult[i]));
    if (cx.hasAdd) n = std::max(n, SignedBits(cx.add[i]));
  }
  if (n > 15) throw std::logic_error("swf: a colour transform value needs more than 15 bits");
  out.Unsigned(1, cx.hasAdd ? 1 : 0);
  out.Unsigned(1, cx.hasMult ? 1 : 0);
  out.Unsigned(4, static_cast<std::uint32_t>(n));
  if (cx.hasMult) {
    for (int i = 0; i < channels; ++i) out.Signed(n, cx.mult[i]);
  }
  if (cx.hasAdd) {
    for (int i = 0; i < channels; ++i) out.Signed(n, cx.add[i]);
  }
  out.Align();
}

FillStyle FillStyle::Solid(Rgba colour) {
  FillStyle f;
  f.colour = colour;
  return f;
}

FillStyle FillStyle::Radial(std::int32_t x, std::int32_t y, std::int32_t radius, std::vector<GradientStop> stops) {
  FillStyle f;
  f.radial = true;
  // The gradient square's half-side, 16384, becomes radius twips: radius / 16384 in 16.16.
  f.matrix = Matrix::ScaleTranslate(radius * 4, x, y);
  f.stops = std::move(stops);
  return f;
}

Rect Shape::Bounds() const {
  bool any = false;
  Rect r;
  auto take = [&](std::int32_t x, std::int32_t y) {
    if (!any) {
      r = {x, x, y, y};
      any = true;
      return;
    }
    r.xMin = std::min(r.xMin, x);
    r.xMax = std::max(r.xMax, x);
    r.yMin = std::min(r.yMin, y);
    r.yMax = std::max(r.yMax, y);
  };
  for (const Path& p : paths) {
    take(p.startX, p.startY);
    for (const Segment& s : p.segments) {
      if (s.curved) take(s.controlX, s.controlY);
      take(s.x, s.y);
    }
  }
  return r;
}

std::string TagHeader(TagCode code, std::uint32_t length) {
  BitWriter out;
  if (length < 63) {
    out.U16(static_cast<std::uint16_t>((code << 6) | length));
  } else {
    out.U16(static_cast<std::uint16_t>((code << 6) | 63));
    out.U32(length);
  }
  return out.Finish();
}

std::string Tag(TagCode code, std::string_view body) {
  return TagHeader(code, static_cast<std::uint32_t>(body.size())) + std::string(body);
}

std::string ShowFrame() { return Tag(kShowFrame, {}); }
std::string End() { return Tag(kEnd, {}); }

std::string SetBackgroundColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  const char body[3] = {static_cast<char>(r), static_cast<char>(g), static_cast<char>(b)};
  return Tag(kSetBackgroundColor, std::string_view(body, 3));
}

std::string FileAttributes(std::uint32_t flags) {
  BitWriter out;
  out.U32(flags);
  return Tag(kFileAttributes, out.Finish());
}

std::string Metadata(std::string_view text) { return Tag(kMetadata, std::string(text) + '\0'); }

std::string DefineShape(std::uint16_t id, const Shape& shape) { return ShapeTag(kDefineShape, id, shape); }
std::string DefineShape3(std::uint16_t id, const Shape& shape) { return ShapeTag(kDefineShape3, id, shape); }

std::string RemoveObject2(std::uint16_t depth) {
  BitWriter out;
  out.U16(depth);
  return Tag(kRemoveObject2, out.Finish());
}

std::string PlaceObject2(const Placement& p) {
  BitWriter out;
  std::uint8_t flags = 0;
  if (p.colour) flags |= 0x08;
  if (p.matrix) flags |= 0x04;
  if (p.character) flags |= 0x02;
  if (p.move) flags |= 0x01;
  out.U8(flags);
  out.U16(p.depth);
  if (p.character) out.U16(*p.character);
  if (p.matrix) WriteMatrix(out, *p.matrix);
  if (p.colour) WriteColourTransform(out, *p.colour, true);
  return Tag(kPlaceObject2, out.Finish());
}

void MovieWriter::ShowFrame() {
  Add(swf::ShowFrame());
  ++frames_;
}

namespace {
std::string Body(const MovieHeader& h, int frames, const std::string& tags) {
  BitWriter out;
  WriteRect(out, {0, h.width * 20, 0, h.height * 20});
  out.U16(h.frameRate);
  out.U16(static_cast<std::uint16_t>(frames));
  out.Bytes(tags);
  return out.Finish();
}
}  // namespace

std::size_t MovieWriter::LengthWithEnd() const {
  return 8 + Body(header_, frames_, tags_).size() + End().size();
}

std::string MovieWriter::Finish() {
  const std::string body = Body(header_, frames_, tags_ + End());
  BitWriter out;
  out.Bytes(header_.compressed ? "CWS" : "FWS");
  out.U8(header_.version);
  out.U32(static_cast<std::uint32_t>(8 + body.size()));
  if (!header_.compressed) {
    out.Bytes(body);
    return out.Finish();
  }
  uLongf size = compressBound(static_cast<uLong>(body.size()));
  std::string packed(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(body.data()),
                static_cast<uLong>(body.size()), Z_BEST_COMPRESSION) != Z_OK) {
    throw std::runtime_error("swf: zlib could not compress the movie");
  }
  packed.resize(size);
  out.Bytes(packed);
  return out.Finish();
}

}  // namespace zorvel::tools::swf
