// A writer of SWF movies, for the movie generator: bit fields, the records (RECT,
// MATRIX, colour transforms, colours, fill styles, shape records), the tags the program's
// movies use, and the file itself, uncompressed (FWS) or zlib-compressed (CWS).
//
// Every bit field is written with the smallest bit count that holds its value; fields
// that share one count use the largest of theirs. Coordinates are twips (1/20 pixel).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvel::tools::swf {

// Bit fields, most significant bit first, running across bytes; the byte-aligned
// integers are little-endian and first pad the bit field to a whole byte.
class BitWriter {
 public:
  void Unsigned(int bits, std::uint32_t value);  // UB[bits]
  void Signed(int bits, std::int32_t value);     // SB[bits], two's complement
  void Fixed(int bits, std::int32_t value) { Signed(bits, value); }  // FB[bits], 16.16
  void Align();                                  // zero bits up to the next byte
  void U8(std::uint8_t value);
  void U16(std::uint16_t value);
  void U32(std::uint32_t value);
  void Bytes(std::string_view bytes);
  // The bytes written, padded to a whole byte.
  const std::string& Finish();

 private:
  std::string bytes_;
  int used_ = 0;  // bits of the last byte already written (0 = byte-aligned)
};

// The smallest n with −2^(n−1) ≤ v ≤ 2^(n−1) − 1 (1 for 0).
int SignedBits(std::int64_t value);
// The smallest n with v < 2^n (0 for 0).
int UnsignedBits(std::uint32_t value);

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Rgba&) const = default;
};

struct Rect {
  std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
};
void WriteRect(BitWriter& out, const Rect& rect);

// x' = scaleX·x + rotate1·y + translateX, y' = rotate0·x + scaleY·y + translateY; the
// four factors are 16.16 fixed point (65536 = 1).
struct Matrix {
  bool hasScale = false;
  std::int32_t scaleX = 65536, scaleY = 65536;
  bool hasRotate = false;
  std::int32_t rotate0 = 0, rotate1 = 0;
  std::int32_t translateX = 0, translateY = 0;

  static Matrix Translate(std::int32_t x, std::int32_t y);
  // Scales both ways by scale (16.16) about the origin, then moves by (x, y); without a
  // scale field when scale is 1.
  static Matrix ScaleTranslate(std::int32_t scale, std::int32_t x, std::int32_t y);
  bool operator==(const Matrix&) const = default;
};
void WriteMatrix(BitWriter& out, const Matrix& matrix);

// c' = clamp(c · mult / 256 + add, 0, 255) per channel; alpha is written only in the
// with-alpha form (PlaceObject2).
struct ColourTransform {
  bool hasMult = false;
  std::int32_t mult[4] = {256, 256, 256, 256};  // red, green, blue, alpha
  bool hasAdd = false;
  std::int32_t add[4] = {0, 0, 0, 0};
  bool operator==(const ColourTransform&) const = default;
};
void WriteColourTransform(BitWriter& out, const ColourTransform& cx, bool withAlpha);

// A fill style: a solid colour, or a radial gradient through up to 15 stops (ratio
// 0 … 255 from the centre outwards) over the gradient square −16384 … 16384 placed by
// the matrix.
struct GradientStop {
  std::uint8_t ratio = 0;
  Rgba colour;
};
struct FillStyle {
  bool radial = false;
  Rgba colour;  // solid
  Matrix matrix;
  std::vector<GradientStop> stops;

  static FillStyle Solid(Rgba colour);
  // A radial gradient whose ratio 255 lies at radius twips from (x, y).
  static FillStyle Radial(std::int32_t x, std::int32_t y, std::int32_t radius, std::vector<GradientStop> stops);
};

// A shape's outline as closed paths in twips, each filled with one style (1-based
// index into the fills). A path runs clockwise on the screen (y down) so that its
// inside lies to the right of every edge: it is written as FillStyle1.
struct Segment {
  bool curved = false;
  std::int32_t controlX = 0, controlY = 0;  // curved only: the control point
  std::int32_t x = 0, y = 0;                // the end point
};
struct Path {
  int fill = 1;
  std::int32_t startX = 0, startY = 0;
  std::vector<Segment> segments;
};
struct Shape {
  std::vector<FillStyle> fills;
  std::vector<Path> paths;
  // The bounds of all the points (anchors and control points).
  Rect Bounds() const;
};

// Tags: the header (short form for bodies under 63 bytes, the long form otherwise)
// and the body.
enum TagCode : std::uint16_t {
  kEnd = 0,
  kShowFrame = 1,
  kDefineShape = 2,
  kSetBackgroundColor = 9,
  kPlaceObject2 = 26,
  kRemoveObject2 = 28,
  kDefineShape3 = 32,
  kFileAttributes = 69,
  kMetadata = 77,
};
std::string Tag(TagCode code, std::string_view body);
// The header alone of a tag with a body of length bytes.
std::string TagHeader(TagCode code, std::uint32_t length);

std::string ShowFrame();
std::string End();
std::string SetBackgroundColor(std::uint8_t r, std::uint8_t g, std::uint8_t b);
std::string FileAttributes(std::uint32_t flags);
std::string Metadata(std::string_view text);  // UTF-8, zero-terminated in the tag
// DefineShape (version 1: colours without alpha) or DefineShape3 (colours with alpha).
std::string DefineShape(std::uint16_t id, const Shape& shape);
std::string DefineShape3(std::uint16_t id, const Shape& shape);
std::string RemoveObject2(std::uint16_t depth);

// PlaceObject2: with a character and without move, a new object at the depth; with
// move and without a character, a change of the object at the depth (only the fields
// given change).
struct Placement {
  std::uint16_t depth = 1;
  bool move = false;
  std::optional<std::uint16_t> character;
  std::optional<Matrix> matrix;
  std::optional<ColourTransform> colour;
};
std::string PlaceObject2(const Placement& placement);

// A movie: the header's fields, then tags added in order; ShowFrame tags are counted
// into the frame count. Finish appends End and gives the file.
struct MovieHeader {
  bool compressed = false;  // CWS (zlib) rather than FWS
  std::uint8_t version = 6;
  int width = 550, height = 400;  // pixels
  std::uint16_t frameRate = 12 << 8;  // 8.8 fixed point
};
class MovieWriter {
 public:
  explicit MovieWriter(const MovieHeader& header) : header_(header) {}
  void Add(std::string_view tag) { tags_ += tag; }
  void ShowFrame();
  int frames() const { return frames_; }
  // The length of the uncompressed file so far, with the End still to come.
  std::size_t LengthWithEnd() const;
  std::string Finish();

 private:
  MovieHeader header_;
  std::string tags_;
  int frames_ = 0;
};

}  // namespace zorvel::tools::swf
