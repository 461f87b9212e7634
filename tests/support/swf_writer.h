// A small SWF writer for the movie tests: a bit writer (bit fields most-significant bit
// first across bytes), the records (RECT, MATRIX, CXFORM, styles, shape records) and
// the tags the player reads, assembled into FWS or CWS files.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Records and tags are designated initializers that name only what a case sets.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace zorvel::test::swf {

using Bytes = std::vector<std::uint8_t>;

class BitWriter {
 public:
  void Ub(std::uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) {
      if (bit_ == 0) bytes_.push_back(0);
      if ((value >> i) & 1u) bytes_.back() |= static_cast<std::uint8_t>(0x80u >> bit_);
      bit_ = (bit_ + 1) % 8;
    }
  }
  void Sb(std::int32_t value, int n) { Ub(static_cast<std::uint32_t>(value) & (n >= 32 ? ~0u : (1u << n) - 1), n); }
  void Fb(double value, int n) { Sb(static_cast<std::int32_t>(std::lround(value * 65536)), n); }
  void Align() { bit_ = 0; }
  void U8(std::uint8_t v) {
    Align();
    bytes_.push_back(v);
  }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void Append(const Bytes& more) {
    Align();
    bytes_.insert(bytes_.end(), more.begin(), more.end());
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  int bit_ = 0;
};

// The smallest n for SB[n] holding every value.
inline int SignedBits(std::initializer_list<std::int64_t> values) {
  int n = 0;
  for (std::int64_t v : values) {
    int bits = 1;
    while (!(v >= -(std::int64_t{1} << (bits - 1)) && v <= (std::int64_t{1} << (bits - 1)) - 1)) ++bits;
    if (v != 0) n = std::max(n, bits);
  }
  return n;
}
inline int FixedBits(std::initializer_list<double> values) {
  int n = 0;
  for (double v : values) n = std::max(n, SignedBits({std::lround(v * 65536)}));
  return n;
}

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
};

struct Mat {
  double a = 1, b = 0, c = 0, d = 1;
  std::int32_t tx = 0, ty = 0;
};

struct Cx {
  std::int16_t mult[4] = {256, 256, 256, 256};
  std::int16_t add[4] = {0, 0, 0, 0};
  bool hasMult = true, hasAdd = true;
};

inline void WriteRect(BitWriter& w, std::int32_t x0, std::int32_t x1, std::int32_t y0, std::int32_t y1) {
  w.Align();
  const int n = std::max(1, SignedBits({x0, x1, y0, y1}));
  w.Ub(static_cast<std::uint32_t>(n), 5);
  for (std::int32_t v : {x0, x1, y0, y1}) w.Sb(v, n);
  w.Align();
}

inline void WriteMatrix(BitWriter& w, const Mat& m) {
  w.Align();
  const bool scale = m.a != 1 || m.d != 1, rotate = m.b != 0 || m.c != 0;
  w.Ub(scale, 1);
  if (scale) {
    const int n = FixedBits({m.a, m.d});
    w.Ub(static_cast<std::uint32_t>(n), 5);
    w.Fb(m.a, n);
    w.Fb(m.d, n);
  }
  w.Ub(rotate, 1);
  if (rotate) {
    const int n = FixedBits({m.b, m.c});
    w.Ub(static_cast<std::uint32_t>(n), 5);
    w.Fb(m.b, n);
    w.Fb(m.c, n);
  }
  const int n = SignedBits({m.tx, m.ty});
  w.Ub(static_cast<std::uint32_t>(n), 5);
  w.Sb(m.tx, n);
  w.Sb(m.ty, n);
  w.Align();
}

inline void WriteCx(BitWriter& w, const Cx& cx, bool alpha) {
  w.Align();
  const int channels = alpha ? 4 : 3;
  int n = 1;
  for (int i = 0; i < channels; ++i) {
    if (cx.hasMult) n = std::max(n, SignedBits({cx.mult[i]}));
    if (cx.hasAdd) n = std::max(n, SignedBits({cx.add[i]}));
  }
  w.Ub(cx.hasAdd, 1);
  w.Ub(cx.hasMult, 1);
  w.Ub(static_cast<std::uint32_t>(n), 4);
  if (cx.hasMult)
    for (int i = 0; i < channels; ++i) w.Sb(cx.mult[i], n);
  if (cx.hasAdd)
    for (int i = 0; i < channels; ++i) w.Sb(cx.add[i], n);
  w.Align();
}

inline void WriteColour(BitWriter& w, Rgba c, bool alpha) {
  w.U8(c.r);
  w.U8(c.g);
  w.U8(c.b);
  if (alpha) w.U8(c.a);
}

struct Fill {
  std::uint8_t type = 0x00;  // 0x00 solid, 0x10 linear, 0x12 radial, 0x40… bitmap
  Rgba colour;
  Mat matrix;
  std::vector<std::pair<std::uint8_t, Rgba>> stops;
};
inline Fill Solid(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
  return {0x00, {r, g, b, a}, {}, {}};
}

struct Line {
  std::uint16_t width = 20;
  Rgba colour;
};

struct Styles {
  std::vector<Fill> fills;
  std::vector<Line> lines;
};

// SHAPEWITHSTYLE, record by record. Bit counts follow the style counts.
class ShapeWriter {
 public:
  ShapeWriter(int version, const Styles& styles) : version_(version) { WriteStyles(styles); }

  struct Change {
    std::optional<std::pair<std::int32_t, std::int32_t>> move;
    std::optional<std::uint32_t> fill0, fill1, line;
    const Styles* newStyles = nullptr;
  };
  ShapeWriter& Set(const Change& c) {
    w_.Ub(0, 1);
    w_.Ub(c.newStyles != nullptr, 1);
    w_.Ub(c.line.has_value(), 1);
    w_.Ub(c.fill1.has_value(), 1);
    w_.Ub(c.fill0.has_value(), 1);
    w_.Ub(c.move.has_value(), 1);
    if (c.move) {
      const int n = SignedBits({c.move->first, c.move->second});
      w_.Ub(static_cast<std::uint32_t>(n), 5);
      w_.Sb(c.move->first, n);
      w_.Sb(c.move->second, n);
    }
    if (c.fill0) w_.Ub(*c.fill0, fillBits_);
    if (c.fill1) w_.Ub(*c.fill1, fillBits_);
    if (c.line) w_.Ub(*c.line, lineBits_);
    if (c.newStyles) WriteStyles(*c.newStyles);
    return *this;
  }
  ShapeWriter& To(std::int32_t dx, std::int32_t dy) {  // a straight edge
    const int n = std::max(2, SignedBits({dx, dy}));
    w_.Ub(1, 1);
    w_.Ub(1, 1);
    w_.Ub(static_cast<std::uint32_t>(n - 2), 4);
    if (dx != 0 && dy != 0) {
      w_.Ub(1, 1);
      w_.Sb(dx, n);
      w_.Sb(dy, n);
    } else {
      w_.Ub(0, 1);
      w_.Ub(dx == 0, 1);
      w_.Sb(dx == 0 ? dy : dx, n);
    }
    return *this;
  }
  ShapeWriter& Curve(std::int32_t cdx, std::int32_t cdy, std::int32_t adx, std::int32_t ady) {
    const int n = std::max(2, SignedBits({cdx, cdy, adx, ady}));
    w_.Ub(1, 1);
    w_.Ub(0, 1);
    w_.Ub(static_cast<std::uint32_t>(n - 2), 4);
    for (std::int32_t v : {cdx, cdy, adx, ady}) w_.Sb(v, n);
    return *this;
  }
  // The end record and padding.
  Bytes End() {
    w_.Ub(0, 6);
    w_.Align();
    return w_.bytes();
  }

 private:
  static int BitsFor(std::size_t count) {
    int n = 0;
    while ((std::size_t{1} << n) <= count) ++n;
    return n;
  }
  void WriteCount(std::size_t count) {
    if (count >= 0xFF && version_ >= 2) {
      w_.U8(0xFF);
      w_.U16(static_cast<std::uint16_t>(count));
    } else {
      w_.U8(static_cast<std::uint8_t>(count));
    }
  }
  void WriteStyles(const Styles& s) {
    const bool alpha = version_ >= 3;
    WriteCount(s.fills.size());
    for (const Fill& f : s.fills) {
      w_.U8(f.type);
      if (f.type == 0x00) {
        WriteColour(w_, f.colour, alpha);
      } else if (f.type == 0x10 || f.type == 0x12) {
        WriteMatrix(w_, f.matrix);
        w_.U8(static_cast<std::uint8_t>(f.stops.size()));
        for (const auto& [ratio, colour] : f.stops) {
          w_.U8(ratio);
          WriteColour(w_, colour, alpha);
        }
      } else {
        w_.U16(1);
        WriteMatrix(w_, f.matrix);
      }
    }
    WriteCount(s.lines.size());
    for (const Line& l : s.lines) {
      w_.U16(l.width);
      WriteColour(w_, l.colour, alpha);
    }
    fillBits_ = BitsFor(s.fills.size());
    lineBits_ = BitsFor(s.lines.size());
    w_.U8(static_cast<std::uint8_t>(fillBits_ << 4 | lineBits_));
  }

  int version_;
  BitWriter w_;
  int fillBits_ = 0, lineBits_ = 0;
};

// A tag: short header under 63 bytes unless a long one is asked for.
inline Bytes Tag(int code, const Bytes& body, bool longHeader = false) {
  BitWriter w;
  if (body.size() < 63 && !longHeader) {
    w.U16(static_cast<std::uint16_t>(code << 6 | static_cast<int>(body.size())));
  } else {
    w.U16(static_cast<std::uint16_t>(code << 6 | 63));
    w.U32(static_cast<std::uint32_t>(body.size()));
  }
  w.Append(body);
  return w.bytes();
}

inline Bytes ShowFrame() { return Tag(1, {}); }
inline Bytes End() { return Tag(0, {}); }
inline Bytes Background(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return Tag(9, {r, g, b}); }

// DefineShape (version 1), DefineShape2 or DefineShape3 with bounds in twips.
inline Bytes DefineShape(std::uint16_t id, int version, const Bytes& shapeWithStyle,
                         std::int32_t x0 = 0, std::int32_t x1 = 400, std::int32_t y0 = 0, std::int32_t y1 = 400) {
  BitWriter w;
  w.U16(id);
  WriteRect(w, x0, x1, y0, y1);
  w.Append(shapeWithStyle);
  return Tag(version == 1 ? 2 : version == 2 ? 22 : 32, w.bytes());
}

// A rectangle filled with fill style 1 (fill1, clockwise on screen).
inline Bytes RectShape(int version, const Fill& fill, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  return ShapeWriter(version, {{fill}, {}})
      .Set({.move = std::pair{x, y}, .fill1 = 1})
      .To(w, 0)
      .To(0, h)
      .To(-w, 0)
      .To(0, -h)
      .End();
}

// A circle of radius r around the origin as 8 quadratic curves (anchors every 45°,
// control points on the bisectors at r / cos 22.5°), filled with fill style 1.
inline Bytes CircleShape(int version, const Fill& fill, int r) {
  const double k = r / std::cos(3.14159265358979323846 / 8);
  ShapeWriter circle(version, {{fill}, {}});
  circle.Set({.move = std::pair{r, 0}, .fill1 = 1});
  int px = r, py = 0;
  for (int i = 1; i <= 8; ++i) {
    const double a = i * 3.14159265358979323846 / 4, m = a - 3.14159265358979323846 / 8;
    const int cx = static_cast<int>(std::lround(k * std::cos(m))), cy = static_cast<int>(std::lround(k * std::sin(m)));
    const int ex = static_cast<int>(std::lround(r * std::cos(a))), ey = static_cast<int>(std::lround(r * std::sin(a)));
    circle.Curve(cx - px, cy - py, ex - cx, ey - cy);
    px = ex;
    py = ey;
  }
  return circle.End();
}

struct Place {
  std::uint16_t depth = 1;
  std::optional<std::uint16_t> character;
  std::optional<Mat> matrix;
  std::optional<Cx> cx;
  bool move = false;
  std::optional<std::uint16_t> ratio;
  std::optional<std::string> name;
  std::optional<std::uint16_t> clipDepth;
};
inline Bytes PlaceObject2(const Place& p) {
  BitWriter w;
  std::uint8_t flags = 0;
  if (p.move) flags |= 0x01;
  if (p.character) flags |= 0x02;
  if (p.matrix) flags |= 0x04;
  if (p.cx) flags |= 0x08;
  if (p.ratio) flags |= 0x10;
  if (p.name) flags |= 0x20;
  if (p.clipDepth) flags |= 0x40;
  w.U8(flags);
  w.U16(p.depth);
  if (p.character) w.U16(*p.character);
  if (p.matrix) WriteMatrix(w, *p.matrix);
  if (p.cx) WriteCx(w, *p.cx, true);
  if (p.ratio) w.U16(*p.ratio);
  if (p.name) {
    for (char c : *p.name) w.U8(static_cast<std::uint8_t>(c));
    w.U8(0);
  }
  if (p.clipDepth) w.U16(*p.clipDepth);
  return Tag(26, w.bytes());
}
// Sparks: one circle (id 1) at depths 1 … count, placed with alpha in the first frame
// and moved with new alpha in each frame after, on a grid in quarter pixels.
inline std::vector<Bytes> SparkTags(int count, int frames, int r = 100) {
  std::vector<Bytes> tags = {Background(0, 0, 0), DefineShape(1, 3, CircleShape(3, Solid(255, 200, 40), r), -r, r, -r, r)};
  for (int frame = 0; frame < frames; ++frame) {
    for (int p = 0; p < count; ++p) {
      Place place;
      place.depth = static_cast<std::uint16_t>(p + 1);
      if (frame == 0) place.character = 1;
      place.move = frame > 0;
      place.matrix = Mat{.tx = 150 + (p % 8) * 215 + frame * 35, .ty = 150 + (p / 8) * 190 + frame * 5};
      place.cx = Cx{.mult = {256, 256, 256, static_cast<std::int16_t>(std::max(0, 250 - 37 * frame - p))},
                    .add = {0, 0, 0, 0}, .hasMult = true, .hasAdd = false};
      tags.push_back(PlaceObject2(place));
    }
    tags.push_back(ShowFrame());
  }
  return tags;
}

inline Bytes PlaceObject(std::uint16_t character, std::uint16_t depth, const Mat& m, const std::optional<Cx>& cx = {}) {
  BitWriter w;
  w.U16(character);
  w.U16(depth);
  WriteMatrix(w, m);
  if (cx) WriteCx(w, *cx, false);
  return Tag(4, w.bytes());
}
inline Bytes RemoveObject2(std::uint16_t depth) { return Tag(28, {static_cast<std::uint8_t>(depth), static_cast<std::uint8_t>(depth >> 8)}); }
inline Bytes RemoveObject(std::uint16_t character, std::uint16_t depth) {
  BitWriter w;
  w.U16(character);
  w.U16(depth);
  return Tag(5, w.bytes());
}
inline Bytes DefineSprite(std::uint16_t id, std::uint16_t frames, const std::vector<Bytes>& tags) {
  BitWriter w;
  w.U16(id);
  w.U16(frames);
  for (const Bytes& t : tags) w.Append(t);
  return Tag(39, w.bytes());
}

struct MovieOptions {
  int version = 6;
  std::int32_t widthTwips = 11000, heightTwips = 8000;
  std::uint16_t rate = 0x0C00;  // 12 fps
  std::optional<std::uint16_t> frameCount;  // else the ShowFrame tags given
  bool compressed = false;
  bool end = true;  // an End tag after the tags
};

// A whole file from its tags.
inline Bytes Movie(const std::vector<Bytes>& tags, const MovieOptions& o = {}) {
  BitWriter body;
  WriteRect(body, 0, o.widthTwips, 0, o.heightTwips);
  body.U16(o.rate);
  std::uint16_t frames = 0;
  for (const Bytes& t : tags) frames += t.size() >= 2 && t[0] == 0x40 && t[1] == 0x00;
  body.U16(o.frameCount.value_or(frames));
  for (const Bytes& t : tags) body.Append(t);
  if (o.end) body.Append(End());
  Bytes b = body.bytes();
  const std::uint32_t length = static_cast<std::uint32_t>(b.size() + 8);
  Bytes file = {static_cast<std::uint8_t>(o.compressed ? 'C' : 'F'), 'W', 'S', static_cast<std::uint8_t>(o.version),
                static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)};
  if (o.compressed) {
    uLongf size = compressBound(static_cast<uLong>(b.size()));
    Bytes packed(size);
    compress(packed.data(), &size, b.data(), static_cast<uLong>(b.size()));
    packed.resize(size);
    b = std::move(packed);
  }
  file.insert(file.end(), b.begin(), b.end());
  return file;
}

// The 66-byte movie: version 6, 550 × 400, 12 fps, white, a 20 × 20 red square at 0,0.
inline const Bytes kGoldenMovie = {
    0x46, 0x57, 0x53, 0x06, 0x42, 0x00, 0x00, 0x00, 0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00,
    0x00, 0x0C, 0x01, 0x00, 0x43, 0x02, 0xFF, 0xFF, 0xFF, 0x9A, 0x00, 0x01, 0x00, 0x50, 0x00, 0xC8, 0x00,
    0x0C, 0x80, 0x01, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x10, 0x13, 0xC0, 0xC8, 0x70, 0xB2, 0x1C, 0x13, 0x87,
    0x0C, 0xE0, 0x00, 0x86, 0x06, 0x06, 0x01, 0x00, 0x01, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00};

}  // namespace zorvel::test::swf
