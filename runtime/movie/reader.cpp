// Reading SWF bytes into a Movie: the header (inflating a zlib body), then the tags by
// length, keeping the shapes, sprites and control tags of the subset the player draws
// and skipping every other tag.
#include <zlib.h>

#include <QLinearGradient>
#include <QRadialGradient>
#include <algorithm>
#include <cstring>
#include <optional>
#include <tuple>
#include <utility>

#include "runtime/movie/bits.h"
#include "runtime/movie/movie.h"
#include "runtime/movie/records.h"

namespace zorvel::movie {

Rgba ColorTransform::Apply(Rgba c) const {
  auto channel = [](int value, int mult, int add) {
    return static_cast<std::uint8_t>(std::clamp(value * mult / 256 + add, 0, 255));
  };
  return {channel(c.r, mult[0], add[0]), channel(c.g, mult[1], add[1]), channel(c.b, mult[2], add[2]),
          channel(c.a, mult[3], add[3])};
}

double UsableFrameRate(std::uint16_t stored) {
  if (stored == 0) return kDefaultFrameRate;
  return std::clamp(stored / 256.0, kMinFrameRate, kMaxFrameRate);
}

TwipsRect ReadRect(BitReader& r) {
  r.Align();
  const int n = static_cast<int>(r.Ub(5));
  TwipsRect rect;
  rect.xMin = r.Sb(n);
  rect.xMax = r.Sb(n);
  rect.yMin = r.Sb(n);
  rect.yMax = r.Sb(n);
  r.Align();
  return rect;
}

Matrix ReadMatrix(BitReader& r) {
  r.Align();
  Matrix m;
  if (r.Ub(1)) {
    const int n = static_cast<int>(r.Ub(5));
    m.a = r.Fb(n);
    m.d = r.Fb(n);
  }
  if (r.Ub(1)) {
    const int n = static_cast<int>(r.Ub(5));
    m.b = r.Fb(n);
    m.c = r.Fb(n);
  }
  const int n = static_cast<int>(r.Ub(5));
  m.tx = r.Sb(n);
  m.ty = r.Sb(n);
  r.Align();
  return m;
}

ColorTransform ReadColorTransform(BitReader& r, bool withAlpha) {
  r.Align();
  ColorTransform cx;
  const bool hasAdd = r.Ub(1) != 0;
  const bool hasMult = r.Ub(1) != 0;
  const int n = static_cast<int>(r.Ub(4));
  const int channels = withAlpha ? 4 : 3;
  if (hasMult)
    for (int i = 0; i < channels; ++i) cx.mult[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(r.Sb(n));
  if (hasAdd)
    for (int i = 0; i < channels; ++i) cx.add[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(r.Sb(n));
  r.Align();
  return cx;
}

Rgba ReadColour(BitReader& r, bool withAlpha) {
  Rgba c;
  c.r = r.U8();
  c.g = r.U8();
  c.b = r.U8();
  c.a = withAlpha ? r.U8() : 255;
  return c;
}

QGradientStops GradientStopsFor(const std::vector<GradientStop>& stops, const ColourChain* cx) {
  QGradientStops out;
  out.reserve(static_cast<qsizetype>(stops.size()));
  int highest = 0;
  for (const GradientStop& s : stops) {
    // A ratio below the largest one before it counts as that one: a step. Stops at one
    // position would replace each other in a QGradient, so a later one goes a hair
    // further (a step narrower than a pixel of any gradient drawn); at the end the
    // last one counts.
    highest = std::max(highest, static_cast<int>(s.ratio));
    const Rgba c = cx ? cx->Apply(s.colour) : s.colour;
    double position = highest / 255.0;
    if (!out.isEmpty() && position <= out.back().first) position = out.back().first + 1e-6;
    if (position >= 1.0 && !out.isEmpty() && out.back().first >= 1.0) {
      out.back().second = QColor(c.r, c.g, c.b, c.a);
      continue;
    }
    out.append({std::min(position, 1.0), QColor(c.r, c.g, c.b, c.a)});
  }
  return out;
}

QBrush BrushFor(const FillStyle& fill, const ColourChain* cx) {
  switch (fill.kind) {
    case FillStyle::Kind::kSolid: {
      const Rgba c = cx ? cx->Apply(fill.colour) : fill.colour;
      return QBrush(QColor(c.r, c.g, c.b, c.a));
    }
    case FillStyle::Kind::kLinear:
    case FillStyle::Kind::kRadial: {
      if (fill.stops.empty()) return QBrush();
      QGradient gradient = fill.kind == FillStyle::Kind::kLinear
                               ? static_cast<QGradient>(QLinearGradient(-16384, 0, 16384, 0))
                               : static_cast<QGradient>(QRadialGradient(0, 0, 16384));
      gradient.setSpread(QGradient::PadSpread);
      gradient.setStops(GradientStopsFor(fill.stops, cx));
      QBrush brush(gradient);
      brush.setTransform(fill.matrix.ToTransform());
      return brush;
    }
    default:
      return QBrush();
  }
}

namespace {

constexpr char kPrefix[] = "SWF: ";

// A directed edge of a fill, in twips.
struct Edge {
  std::int64_t x0, y0, cx, cy, x1, y1;
  bool curve;
};

// Joins the edges of one fill style into closed loops on exact endpoints. With the
// even-odd rule the area does not depend on which loops the edges are joined into, as
// long as each loop closes.
QPainterPath JoinLoops(const std::vector<Edge>& edges) {
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  const std::size_t n = edges.size();
  if (n == 0) return path;
  auto before = [&](std::uint32_t i, std::uint32_t j) {
    return std::tie(edges[i].x0, edges[i].y0, i) < std::tie(edges[j].x0, edges[j].y0, j);
  };
  std::vector<std::uint32_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(i);
  std::sort(order.begin(), order.end(), before);
  // skip[p]: the first position at or after p (in the same start point) that may be unused.
  std::vector<std::uint32_t> skip(n);
  for (std::size_t i = 0; i < n; ++i) skip[i] = static_cast<std::uint32_t>(i);
  std::vector<bool> used(n, false);

  auto find = [&](std::int64_t x, std::int64_t y) -> std::int64_t {
    auto it = std::lower_bound(order.begin(), order.end(), std::pair{x, y},
                               [&](std::uint32_t e, const std::pair<std::int64_t, std::int64_t>& p) {
                                 return std::pair{edges[e].x0, edges[e].y0} < p;
                               });
    if (it == order.end()) return -1;
    const std::size_t head = static_cast<std::size_t>(it - order.begin());
    std::size_t p = skip[head];
    while (p < n && used[order[p]] && edges[order[p]].x0 == x && edges[order[p]].y0 == y) ++p;
    skip[head] = static_cast<std::uint32_t>(p);
    if (p < n && edges[order[p]].x0 == x && edges[order[p]].y0 == y) return order[p];
    return -1;
  };

  for (std::size_t first = 0; first < n; ++first) {
    if (used[first]) continue;
    const Edge& e0 = edges[first];
    path.moveTo(static_cast<double>(e0.x0), static_cast<double>(e0.y0));
    std::size_t cur = first;
    while (true) {
      used[cur] = true;
      const Edge& e = edges[cur];
      if (e.curve)
        path.quadTo(static_cast<double>(e.cx), static_cast<double>(e.cy), static_cast<double>(e.x1),
                    static_cast<double>(e.y1));
      else
        path.lineTo(static_cast<double>(e.x1), static_cast<double>(e.y1));
      if (e.x1 == e0.x0 && e.y1 == e0.y0) break;
      std::int64_t next = -1;
      if (cur + 1 < n && !used[cur + 1] && edges[cur + 1].x0 == e.x1 && edges[cur + 1].y0 == e.y1)
        next = static_cast<std::int64_t>(cur + 1);
      else
        next = find(e.x1, e.y1);
      if (next < 0) break;
      cur = static_cast<std::size_t>(next);
    }
    path.closeSubpath();
  }
  return path;
}

}  // namespace

class MovieReader {
 public:
  explicit MovieReader(Movie& movie) : movie_(movie) {}

  bool Read(const std::uint8_t* data, std::size_t size, std::string* reason) {
    if (size < 8) return Fail(reason, "the file is too short for a header (" + std::to_string(size) + " bytes)");
    MovieInfo& info = movie_.info_;
    const std::string signature(reinterpret_cast<const char*>(data), 3);
    if (signature == "ZWS") return Fail(reason, "LZMA-compressed movies are not read");
    if (signature != "FWS" && signature != "CWS") return Fail(reason, "not an SWF file (no FWS or CWS signature)");
    info.signature = signature;
    info.version = data[3];
    info.fileLength = static_cast<std::uint32_t>(data[4]) | static_cast<std::uint32_t>(data[5]) << 8 |
                      static_cast<std::uint32_t>(data[6]) << 16 | static_cast<std::uint32_t>(data[7]) << 24;
    const std::uint8_t* body = data + 8;
    std::size_t bodySize = size - 8;
    if (signature == "CWS") {
      if (!Inflate(data + 8, size - 8, reason)) return false;
      body = inflated_.data();
      bodySize = inflated_.size();
    } else if (bodySize > kMaxExpandedBytes) {
      return Fail(reason, "the movie is larger than 64 MiB");
    }
    info.bodyBytes = bodySize;

    BitReader r(body, bodySize);
    info.stage = ReadRect(r);
    info.frameRateStored = r.U16();
    info.headerFrameCount = r.U16();
    if (r.overrun()) return Fail(reason, "the header is truncated");
    const std::int64_t w = static_cast<std::int64_t>(info.stage.xMax) - info.stage.xMin;
    const std::int64_t h = static_cast<std::int64_t>(info.stage.yMax) - info.stage.yMin;
    info.widthPx = static_cast<int>(std::max<std::int64_t>(0, w / 20));
    info.heightPx = static_cast<int>(std::max<std::int64_t>(0, h / 20));
    info.frameRate = UsableFrameRate(info.frameRateStored);

    if (!ReadTags(r, movie_.main_, false)) return Fail(reason, failure_);
    info.frameCount = static_cast<int>(movie_.main_.frames.size());
    return true;
  }

 private:
  bool Fail(std::string* reason, const std::string& why) {
    if (reason) *reason = kPrefix + why;
    return false;
  }

  bool Inflate(const std::uint8_t* data, std::size_t size, std::string* reason) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return Fail(reason, "the compressed body cannot be inflated");
    std::size_t given = 0;
    int status = Z_OK;
    inflated_.resize(std::min<std::size_t>(std::max<std::size_t>(movie_.info_.fileLength, 64), 1u << 20));
    std::size_t produced = 0;
    while (status == Z_OK) {
      if (produced == inflated_.size()) {
        if (inflated_.size() >= kMaxExpandedBytes) {
          inflateEnd(&z);
          return Fail(reason, "the inflated movie is larger than 64 MiB");
        }
        inflated_.resize(std::min(inflated_.size() * 2, kMaxExpandedBytes));
      }
      if (z.avail_in == 0 && given < size) {
        const std::size_t chunk = std::min<std::size_t>(size - given, 1u << 30);
        z.next_in = const_cast<Bytef*>(data + given);
        z.avail_in = static_cast<uInt>(chunk);
        given += chunk;
      }
      const std::size_t room = std::min<std::size_t>(inflated_.size() - produced, 1u << 30);
      z.next_out = inflated_.data() + produced;
      z.avail_out = static_cast<uInt>(room);
      status = inflate(&z, Z_NO_FLUSH);
      produced += room - z.avail_out;
      if (status == Z_BUF_ERROR && z.avail_in == 0 && given == size) break;  // the data ends early
      if (status == Z_BUF_ERROR) status = Z_OK;
    }
    inflateEnd(&z);
    inflated_.resize(produced);
    if (status != Z_STREAM_END) movie_.info_.truncated = true;
    if (produced == 0) return Fail(reason, "the compressed body cannot be inflated");
    return true;
  }

  bool ReadTags(BitReader& r, TimelineData& timeline, bool inSprite) {
    MovieInfo& info = movie_.info_;
    std::vector<Command> pending;
    while (true) {
      if (r.Remaining() < 2) {
        info.truncated = true;
        break;
      }
      const std::uint16_t header = r.U16();
      const int code = header >> 6;
      std::size_t length = header & 63u;
      if (length == 63) {
        if (r.Remaining() < 4) {
          info.truncated = true;
          break;
        }
        length = r.U32();
      }
      if (length > r.Remaining()) {
        info.truncated = true;
        break;
      }
      if (++tags_ > kMaxTags) {
        failure_ = "more than " + std::to_string(kMaxTags) + " tags";
        return false;
      }
      ++info.tagCounts[code];
      BitReader t(r.data() + r.position(), length);
      r.Skip(length);
      switch (code) {
        case tag::kEnd:
          return true;
        case tag::kShowFrame:
          timeline.frames.push_back(std::move(pending));
          pending.clear();
          break;
        case tag::kDefineShape:
        case tag::kDefineShape2:
        case tag::kDefineShape3:
          if (!inSprite && !ReadShape(t, code == tag::kDefineShape ? 1 : code == tag::kDefineShape2 ? 2 : 3))
            return false;
          break;
        case tag::kPlaceObject:
          pending.push_back(ReadPlaceObject(t));
          break;
        case tag::kPlaceObject2:
          if (auto command = ReadPlaceObject2(t)) pending.push_back(*command);
          break;
        case tag::kRemoveObject: {
          Command c;
          c.op = Command::Op::kRemove;
          c.character = t.U16();
          c.depth = t.U16();
          pending.push_back(c);
          break;
        }
        case tag::kRemoveObject2: {
          Command c;
          c.op = Command::Op::kRemove;
          c.depth = t.U16();
          pending.push_back(c);
          break;
        }
        case tag::kSetBackgroundColor:
          if (!inSprite && !info.backgroundSet) {
            info.background = ReadColour(t, false);
            info.backgroundSet = true;
          }
          break;
        case tag::kFileAttributes:
          if (!inSprite) {
            info.hasFileAttributes = true;
            info.fileAttributes = t.U32();
          }
          break;
        case tag::kDefineSprite:
          if (!inSprite && !ReadSprite(t)) return false;
          break;
        default:
          break;  // skipped by length
      }
    }
    return true;
  }

  bool ReadSprite(BitReader& t) {
    Sprite sprite;
    sprite.id = t.U16();
    sprite.headerFrameCount = t.U16();
    // A sprite's own tags end with its End tag or with the DefineSprite tag.
    const bool truncatedBefore = movie_.info_.truncated;
    if (!ReadTags(t, sprite.timeline, true)) return false;
    movie_.info_.truncated = truncatedBefore;
    Character& slot = movie_.characters_[sprite.id];
    if (slot.kind != Character::Kind::kNone) return true;  // the first definition of an id counts
    slot = {Character::Kind::kSprite, static_cast<std::uint32_t>(movie_.sprites_.size())};
    movie_.sprites_.push_back(std::move(sprite));
    return true;
  }

  static Command ReadPlaceObject(BitReader& t) {
    Command c;
    c.op = Command::Op::kPlace;
    c.character = t.U16();
    c.depth = t.U16();
    c.hasMatrix = true;
    c.matrix = ReadMatrix(t);
    if (t.Remaining() > 0) {
      c.hasColorTransform = true;
      c.colorTransform = ReadColorTransform(t, false);
    }
    return c;
  }

  static std::optional<Command> ReadPlaceObject2(BitReader& t) {
    const std::uint8_t flags = t.U8();
    const bool move = flags & 0x01, hasCharacter = flags & 0x02;
    Command c;
    c.depth = t.U16();
    if (hasCharacter) c.character = t.U16();
    if (flags & 0x04) {
      c.hasMatrix = true;
      c.matrix = ReadMatrix(t);
    }
    if (flags & 0x08) {
      c.hasColorTransform = true;
      c.colorTransform = ReadColorTransform(t, true);
    }
    // The ratio and the name do not change what is drawn here; an object with a clip
    // depth is a mask: it is not drawn (what it would clip is drawn whole).
    if (flags & 0x10) t.U16();
    if (flags & 0x20)
      while (!t.overrun() && t.U8() != 0) continue;
    if (flags & 0x40) {
      t.U16();
      c.mask = !t.overrun();
    }
    if (!move && !hasCharacter) return std::nullopt;
    c.op = !move ? Command::Op::kPlace : hasCharacter ? Command::Op::kReplace : Command::Op::kModify;
    return c;
  }

  // A count of fill or line styles: 0xFF announces a UI16 count from DefineShape2 on.
  static std::size_t ReadCount(BitReader& t, int version) {
    std::size_t count = t.U8();
    if (count == 0xFF && version >= 2) count = t.U16();
    return count;
  }

  bool ReadGradient(BitReader& t, FillStyle& fill, bool withAlpha) {
    const std::uint8_t packed = t.U8();  // spread and interpolation: always pad, linear RGB here
    const int count = packed & 0x0F;
    for (int i = 0; i < count; ++i) {
      GradientStop stop;
      stop.ratio = t.U8();
      stop.colour = ReadColour(t, withAlpha);
      fill.stops.push_back(stop);
    }
    return !t.overrun();
  }

  bool ReadStyles(BitReader& t, int version, ShapeLayer& layer) {
    const bool alpha = version >= 3;
    const std::size_t fills = ReadCount(t, version);
    if (!Budget(styles_, fills, kMaxStyles, "fill and line styles")) return false;
    for (std::size_t i = 0; i < fills && !t.overrun(); ++i) {
      FillStyle fill;
      const std::uint8_t type = t.U8();
      if (type == 0x00) {
        fill.kind = FillStyle::Kind::kSolid;
        fill.colour = ReadColour(t, alpha);
      } else if (type == 0x10 || type == 0x12 || type == 0x13) {
        fill.kind = type == 0x10 ? FillStyle::Kind::kLinear : FillStyle::Kind::kRadial;
        fill.matrix = ReadMatrix(t);
        ReadGradient(t, fill, alpha);
        if (type == 0x13) t.U16();  // focal point, drawn as a plain radial gradient
      } else if (type >= 0x40 && type <= 0x43) {
        fill.kind = FillStyle::Kind::kBitmap;
        fill.bitmapId = t.U16();
        fill.matrix = ReadMatrix(t);
      } else {
        // An unknown fill type: its length is unknown, so the rest of the shape cannot be read.
        return false;
      }
      layer.fills.push_back(std::move(fill));
    }
    const std::size_t lines = ReadCount(t, version);
    if (!Budget(styles_, lines, kMaxStyles, "fill and line styles")) return false;
    for (std::size_t i = 0; i < lines && !t.overrun(); ++i) {
      LineStyle line;
      line.width = t.U16();
      line.colour = ReadColour(t, alpha);
      layer.lines.push_back(line);
    }
    return !t.overrun();
  }

  bool Budget(std::size_t& used, std::size_t more, std::size_t limit, const char* what) {
    used += more;
    if (used <= limit) return true;
    failure_ = std::string("more than ") + std::to_string(limit) + " " + what;
    return false;
  }

  // Finishes a layer: each fill style's edges joined into loops, the brushes made.
  static void FinishLayer(ShapeLayer& layer, std::vector<std::vector<Edge>>& fillEdges) {
    layer.fillPaths.resize(layer.fills.size());
    layer.fillBrushes.resize(layer.fills.size());
    for (std::size_t i = 0; i < layer.fills.size(); ++i) {
      if (i < fillEdges.size()) layer.fillPaths[i] = JoinLoops(fillEdges[i]);
      layer.fillBrushes[i] = BrushFor(layer.fills[i], nullptr);
    }
    fillEdges.clear();
  }

  bool ReadShape(BitReader& t, int version) {
    Shape shape;
    shape.id = t.U16();
    shape.version = version;
    shape.bounds = ReadRect(t);
    shape.layers.emplace_back();
    bool stylesRead = ReadStyles(t, version, shape.layers.back());
    if (failure_.size()) return false;
    std::vector<std::vector<Edge>> fillEdges;
    if (stylesRead) {
      t.Align();
      const std::uint8_t bits = t.U8();
      int fillBits = bits >> 4, lineBits = bits & 15;
      shape.layers.back().linePaths.resize(shape.layers.back().lines.size());
      fillEdges.resize(shape.layers.back().fills.size());
      std::int64_t x = 0, y = 0;
      std::uint32_t fill0 = 0, fill1 = 0, line = 0;
      bool lineOpen = false;
      while (!t.overrun()) {
        ShapeLayer* layer = &shape.layers.back();
        if (t.Ub(1) == 0) {
          const std::uint32_t flags = t.Ub(5);
          if (flags == 0) break;  // end record
          if (flags & 0x01) {
            const int n = static_cast<int>(t.Ub(5));
            x = t.Sb(n);
            y = t.Sb(n);
            lineOpen = false;
          }
          if (flags & 0x02) fill0 = t.Ub(fillBits);
          if (flags & 0x04) fill1 = t.Ub(fillBits);
          if (flags & 0x08) {
            line = t.Ub(lineBits);
            lineOpen = false;
          }
          if (flags & 0x10) {
            FinishLayer(*layer, fillEdges);
            shape.layers.emplace_back();
            layer = &shape.layers.back();
            const bool ok = ReadStyles(t, version, *layer);
            if (!failure_.empty()) return false;
            if (!ok) break;
            t.Align();
            const std::uint8_t newBits = t.U8();
            fillBits = newBits >> 4;
            lineBits = newBits & 15;
            layer->linePaths.resize(layer->lines.size());
            fillEdges.resize(layer->fills.size());
            lineOpen = false;
          }
          continue;
        }
        if (!Budget(edges_, 1, kMaxEdges, "shape edges")) return false;
        ++shape.edgeCount;
        Edge e{};
        e.x0 = x;
        e.y0 = y;
        const bool straight = t.Ub(1) != 0;
        const int n = static_cast<int>(t.Ub(4)) + 2;
        if (straight) {
          std::int64_t dx = 0, dy = 0;
          if (t.Ub(1)) {
            dx = t.Sb(n);
            dy = t.Sb(n);
          } else if (t.Ub(1)) {
            dy = t.Sb(n);
          } else {
            dx = t.Sb(n);
          }
          e.x1 = x + dx;
          e.y1 = y + dy;
        } else {
          e.curve = true;
          e.cx = x + t.Sb(n);
          e.cy = y + t.Sb(n);
          e.x1 = e.cx + t.Sb(n);
          e.y1 = e.cy + t.Sb(n);
        }
        if (t.overrun()) break;
        x = e.x1;
        y = e.y1;
        const std::size_t fills = layer->fills.size();
        const bool zeroLength = e.x0 == e.x1 && e.y0 == e.y1 && (!e.curve || (e.cx == e.x0 && e.cy == e.y0));
        if (fill0 != fill1 && !zeroLength) {  // an edge with one style on both sides cancels
          if (fill1 >= 1 && fill1 <= fills) fillEdges[fill1 - 1].push_back(e);
          if (fill0 >= 1 && fill0 <= fills) {
            Edge reversed = e;
            std::swap(reversed.x0, reversed.x1);
            std::swap(reversed.y0, reversed.y1);
            fillEdges[fill0 - 1].push_back(reversed);
          }
        }
        if (line >= 1 && line <= layer->lines.size()) {
          QPainterPath& path = layer->linePaths[line - 1];
          if (!lineOpen) path.moveTo(static_cast<double>(e.x0), static_cast<double>(e.y0));
          lineOpen = true;
          if (e.curve)
            path.quadTo(static_cast<double>(e.cx), static_cast<double>(e.cy), static_cast<double>(e.x1),
                        static_cast<double>(e.y1));
          else
            path.lineTo(static_cast<double>(e.x1), static_cast<double>(e.y1));
        }
      }
    }
    FinishLayer(shape.layers.back(), fillEdges);
    double widest = 0;
    for (ShapeLayer& layer : shape.layers) {
      layer.linePaths.resize(layer.lines.size());
      for (const QPainterPath& path : layer.fillPaths)
        if (!path.isEmpty()) shape.drawn = shape.drawn.united(path.controlPointRect()), shape.empty = false;
      for (std::size_t i = 0; i < layer.lines.size(); ++i) {
        if (layer.linePaths[i].isEmpty()) continue;
        shape.drawn = shape.drawn.united(layer.linePaths[i].controlPointRect());
        shape.empty = false;
        widest = std::max(widest, static_cast<double>(layer.lines[i].width));
      }
    }
    // Strokes are at least one pixel wide whatever the scale: the renderer widens its
    // test by a pixel as well.
    shape.drawn.adjust(-widest / 2, -widest / 2, widest / 2, widest / 2);
    Character& slot = movie_.characters_[shape.id];
    if (slot.kind != Character::Kind::kNone) return true;  // the first definition of an id counts
    slot = {Character::Kind::kShape, static_cast<std::uint32_t>(movie_.shapes_.size())};
    movie_.shapes_.push_back(std::move(shape));
    return true;
  }

  Movie& movie_;
  std::vector<std::uint8_t> inflated_;
  std::size_t tags_ = 0, edges_ = 0, styles_ = 0;
  std::string failure_;
};

std::unique_ptr<Movie> ReadMovie(const std::uint8_t* data, std::size_t size, std::string* reason) {
  auto movie = std::make_unique<Movie>();
  MovieReader reader(*movie);
  if (!reader.Read(data, size, reason)) return nullptr;
  return movie;
}

}  // namespace zorvel::movie
