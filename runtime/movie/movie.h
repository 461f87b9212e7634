// A movie read from SWF bytes: what its header says, the shapes it defines (built once
// into painter paths, in twips), and the control tags of its main timeline and of each
// sprite, frame by frame. A Movie is immutable after reading; any number of timelines
// and renderers may share it.
#pragma once

#include <QBrush>
#include <QRectF>
#include <QPainterPath>
#include <QTransform>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zorvel::movie {

// Limits that keep any input within time and memory.
inline constexpr std::size_t kMaxExpandedBytes = 64u << 20;  // an inflated movie
inline constexpr std::size_t kMaxTags = 1'000'000;           // tags in the whole file
inline constexpr std::size_t kMaxEdges = 2'000'000;          // shape edges in the whole file
inline constexpr std::size_t kMaxStyles = 1'000'000;         // fill and line styles in the whole file
inline constexpr int kMaxSpriteNesting = 16;                 // sprites inside sprites, when played
inline constexpr std::size_t kMaxInstances = 100'000;        // objects alive in one playback
inline constexpr double kDefaultFrameRate = 12.0;            // used for a stored rate of 0
inline constexpr double kMinFrameRate = 1.0;
inline constexpr double kMaxFrameRate = 120.0;

// Tag codes of the subset this player reads.
namespace tag {
inline constexpr int kEnd = 0;
inline constexpr int kShowFrame = 1;
inline constexpr int kDefineShape = 2;
inline constexpr int kPlaceObject = 4;
inline constexpr int kRemoveObject = 5;
inline constexpr int kSetBackgroundColor = 9;
inline constexpr int kDefineShape2 = 22;
inline constexpr int kPlaceObject2 = 26;
inline constexpr int kRemoveObject2 = 28;
inline constexpr int kDefineShape3 = 32;
inline constexpr int kDefineSprite = 39;
inline constexpr int kFileAttributes = 69;
}  // namespace tag

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

// Twips: 1/20 pixel.
struct TwipsRect {
  std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

// x' = a·x + c·y + tx, y' = b·x + d·y + ty (twips).
struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  QTransform ToTransform() const { return QTransform(a, b, c, d, tx, ty); }
  friend bool operator==(const Matrix&, const Matrix&) = default;
};

// c' = clamp(c·mult/256 + add, 0, 255) per channel, in the order R, G, B, A.
struct ColorTransform {
  std::array<std::int16_t, 4> mult{256, 256, 256, 256};
  std::array<std::int16_t, 4> add{0, 0, 0, 0};
  bool IsIdentity() const { return mult == std::array<std::int16_t, 4>{256, 256, 256, 256} && add == std::array<std::int16_t, 4>{}; }
  Rgba Apply(Rgba c) const;
  friend bool operator==(const ColorTransform&, const ColorTransform&) = default;
};

struct GradientStop {
  std::uint8_t ratio = 0;
  Rgba colour;
};

struct FillStyle {
  enum class Kind : std::uint8_t { kSolid, kLinear, kRadial, kBitmap, kUnknown };
  Kind kind = Kind::kSolid;
  Rgba colour;                       // kSolid
  Matrix matrix;                     // gradients and bitmaps
  std::vector<GradientStop> stops;   // gradients, in file order
  std::uint16_t bitmapId = 0;        // kBitmap (drawn as nothing)
};

struct LineStyle {
  std::uint16_t width = 0;  // twips
  Rgba colour;
};

// One style array with the outlines drawn in it: each NewStyles record starts a layer
// above the earlier ones. paths[i] belongs to style i (0-based; style index i + 1).
struct ShapeLayer {
  std::vector<FillStyle> fills;
  std::vector<QPainterPath> fillPaths;  // even-odd, closed loops
  std::vector<QBrush> fillBrushes;      // the brushes without a colour transform
  std::vector<LineStyle> lines;
  std::vector<QPainterPath> linePaths;  // open polylines
};

struct Shape {
  std::uint16_t id = 0;
  int version = 1;  // 1, 2 or 3
  TwipsRect bounds;
  std::vector<ShapeLayer> layers;
  std::size_t edgeCount = 0;
  QRectF drawn;  // twips: what the paths cover, half the widest stroke around them
  bool empty = true;  // no path to draw
};

// One control tag of a timeline.
struct Command {
  enum class Op : std::uint8_t {
    kPlace,    // a new object at the depth (replacing one that is there)
    kModify,   // change the object at the depth (only the given fields)
    kReplace,  // change the character at the depth, keeping what is not given
    kRemove,
  };
  Op op = Op::kPlace;
  bool hasMatrix = false;
  bool hasColorTransform = false;
  bool mask = false;  // placed with a clip depth: a mask, which is not drawn itself
  std::uint16_t depth = 0;
  std::uint16_t character = 0;
  Matrix matrix;
  ColorTransform colorTransform;
};

struct TimelineData {
  // frames[i] holds the commands before the (i + 1)th ShowFrame.
  std::vector<std::vector<Command>> frames;
};

struct Sprite {
  std::uint16_t id = 0;
  std::uint16_t headerFrameCount = 0;
  TimelineData timeline;
};

struct Character {
  enum class Kind : std::uint8_t { kNone, kShape, kSprite };
  Kind kind = Kind::kNone;
  std::uint32_t index = 0;  // into Movie::shapes or Movie::sprites
};

struct MovieInfo {
  std::string signature;  // "FWS" or "CWS"
  int version = 0;
  std::uint32_t fileLength = 0;  // as stored in the header
  std::size_t bodyBytes = 0;     // bytes after the 8-byte header that were read (inflated for CWS)
  TwipsRect stage;
  int widthPx = 0, heightPx = 0;
  std::uint16_t frameRateStored = 0;  // 8.8
  double frameRate = kDefaultFrameRate;  // what playback uses
  std::uint16_t headerFrameCount = 0;
  int frameCount = 0;  // ShowFrame tags of the main timeline
  Rgba background{255, 255, 255, 255};
  bool backgroundSet = false;
  bool hasFileAttributes = false;
  std::uint32_t fileAttributes = 0;
  bool truncated = false;  // the tags ended without an End tag, or a tag ran past the data
  std::map<int, int> tagCounts;  // tag code → tags seen (sprites included)
};

class Movie {
 public:
  const MovieInfo& info() const { return info_; }
  const std::vector<Shape>& shapes() const { return shapes_; }
  const std::vector<Sprite>& sprites() const { return sprites_; }
  const TimelineData& timeline() const { return main_; }
  // The character with the id; kind kNone when none is defined.
  Character character(std::uint16_t id) const { return characters_[id]; }

 private:
  friend class MovieReader;
  MovieInfo info_;
  std::vector<Shape> shapes_;
  std::vector<Sprite> sprites_;
  TimelineData main_;
  std::vector<Character> characters_ = std::vector<Character>(65536);
};

// Reads an SWF file. On refusal gives null and a one-line reason ("SWF: …").
std::unique_ptr<Movie> ReadMovie(const std::uint8_t* data, std::size_t size, std::string* reason = nullptr);

// The stored 8.8 frame rate as playback uses it: 0 gives the default, others are
// clamped to kMinFrameRate … kMaxFrameRate.
double UsableFrameRate(std::uint16_t stored);

}  // namespace zorvel::movie
