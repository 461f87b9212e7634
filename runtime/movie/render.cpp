#include "runtime/movie/render.h"

#include <QPen>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace zorvel::movie {

namespace {

// Transforms beyond this are no picture: their objects are not drawn.
constexpr double kLargestCoefficient = 1e9;

bool Drawable(const QTransform& t) {
  for (double v : {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()})
    if (!std::isfinite(v) || std::abs(v) > kLargestCoefficient) return false;
  return true;
}

QColor ToQColor(Rgba c) { return QColor(c.r, c.g, c.b, c.a); }

}  // namespace

QRectF StageRect(const MovieInfo& info, QSize size) {
  const double w = (static_cast<double>(info.stage.xMax) - info.stage.xMin) / 20.0;
  const double h = (static_cast<double>(info.stage.yMax) - info.stage.yMin) / 20.0;
  if (w <= 0 || h <= 0 || size.isEmpty()) return QRectF();
  const double scale = std::min(size.width() / w, size.height() / h);
  return QRectF((size.width() - w * scale) / 2, (size.height() - h * scale) / 2, w * scale, h * scale);
}

QTransform StageTransform(const MovieInfo& info, QSize size) {
  const QRectF stage = StageRect(info, size);
  if (stage.isEmpty()) return QTransform();
  const double scale = stage.width() / ((static_cast<double>(info.stage.xMax) - info.stage.xMin) / 20.0) / 20.0;
  return QTransform(scale, 0, 0, scale, stage.left() - info.stage.xMin * scale, stage.top() - info.stage.yMin * scale);
}

QImage MakeFrameImage(QSize size) { return QImage(size, QImage::Format_ARGB32_Premultiplied); }

void Renderer::Render(const Timeline& timeline, QImage& target, bool withBackground) {
  drawn_ = 0;
  cachedDrawn_ = 0;
  newBitmaps_ = 0;
  if (target.isNull()) return;
  const MovieInfo& info = movie_.info();
  const QColor background = withBackground ? ToQColor(info.background) : QColor(Qt::transparent);
  const bool partial = !dirtyAll_ && target.cacheKey() == lastImage_ && withBackground == lastBackground_;
  if (!partial) target.fill(background);
  const QRectF stage = StageRect(info, target.size());
  {
    QPainter painter(&target);
    if (partial) {
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      for (const QRect& r : dirty_) painter.fillRect(r, background);
      painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    dirty_.clear();
    dirtyAll_ = false;
    if (!stage.isEmpty() && !timeline.displayList().empty()) {
      painter.setRenderHint(QPainter::Antialiasing);
      painter.setClipRect(stage);
      clip_ = stage;
      ColourChain chain;
      DrawList(painter, timeline.displayList(), StageTransform(info, target.size()), chain, 0);
    }
  }
  // Many small rectangles cost more to clear than the whole image.
  if (dirty_.size() > 4096) dirtyAll_ = true;
  lastImage_ = target.cacheKey();
  lastBackground_ = withBackground;
}

void Renderer::DrawList(QPainter& painter, const DisplayList& list, const QTransform& parent, ColourChain& chain,
                        int nesting) {
  for (const Instance& instance : list) {
    if (instance.mask) continue;
    const QTransform transform = instance.matrix.ToTransform() * parent;
    if (!Drawable(transform)) continue;
    const bool own = !instance.colorTransform.IsIdentity() && chain.count < static_cast<int>(std::size(chain.items));
    if (own) {
      // The object's own transform comes first, then its parents'.
      std::copy_backward(chain.items, chain.items + chain.count, chain.items + chain.count + 1);
      chain.items[0] = &instance.colorTransform;
      ++chain.count;
    }
    if (instance.character.kind == Character::Kind::kShape) {
      DrawShape(painter, instance.character.index, transform, chain);
    } else if (instance.sprite && nesting < kMaxSpriteNesting) {
      DrawList(painter, instance.sprite->list, transform, chain, nesting + 1);
    }
    if (own) {
      std::copy(chain.items + 1, chain.items + chain.count, chain.items);
      --chain.count;
    }
  }
}

std::size_t Renderer::CacheKeyHash::operator()(const CacheKey& k) const {
  std::size_t h = k.shape * 0x9E3779B97F4A7C15ull;
  auto mix = [&h](std::uint64_t v) { h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2); };
  for (const std::int64_t v : {k.a, k.b, k.c, k.d}) mix(static_cast<std::uint64_t>(v));
  mix(static_cast<std::uint64_t>(k.fx) << 8 | k.fy);
  for (std::int16_t v : k.colour) mix(static_cast<std::uint16_t>(v));
  return h;
}

void Renderer::DrawShape(QPainter& painter, std::uint32_t index, const QTransform& transform, const ColourChain& chain) {
  const Shape& shape = movie_.shapes()[index];
  if (shape.empty) return;
  // Scale of twips to pixels (the square root of the area scale).
  const double scale = std::sqrt(std::abs(transform.determinant()));
  const double onePixel = scale > 0 ? 1.0 / scale : 0;
  const QRectF reach = transform.mapRect(shape.drawn.adjusted(-onePixel, -onePixel, onePixel, onePixel));
  if (!reach.intersects(clip_)) return;
  ++drawn_;
  if (cacheOn_ && DrawCached(painter, index, transform, chain, reach)) {
    ++cachedDrawn_;
    return;
  }
  dirty_.push_back((reach & clip_).toAlignedRect().adjusted(-1, -1, 1, 1));
  painter.setTransform(transform);
  DrawPaths(painter, shape, transform, chain);
}

// The shape from its bitmap when it is small and its colour can be kept with the
// bitmap: for a shape of one path, colour transforms that scale alpha only (their colour
// parts, if any, in one of them), since group opacity is then the same as the alpha of
// its one colour; for a shape of several paths, one colour transform at most, drawn into
// the bitmap with the shape.
bool Renderer::DrawCached(QPainter& painter, std::uint32_t index, const QTransform& transform,
                          const ColourChain& chain, const QRectF& reach) {
  constexpr int kLargest = 160;       // pixels a side
  constexpr std::size_t kEntries = 4096;
  const Shape& shape = movie_.shapes()[index];
  if (reach.width() > kLargest || reach.height() > kLargest) return false;
  int paths = 0;
  for (const ShapeLayer& layer : shape.layers) {
    for (const QPainterPath& p : layer.fillPaths) paths += !p.isEmpty();
    for (const QPainterPath& p : layer.linePaths) paths += !p.isEmpty();
  }
  double opacity = 1;
  ColorTransform kept;  // the colour transform drawn into the bitmap
  if (paths == 1) {
    const ColorTransform* coloured = nullptr;
    for (int i = 0; i < chain.count; ++i) {
      const ColorTransform& cx = *chain.items[i];
      if (cx.add[3] != 0 || cx.mult[3] < 0 || cx.mult[3] > 256) return false;
      opacity *= cx.mult[3] / 256.0;
      const bool rgb = cx.mult[0] != 256 || cx.mult[1] != 256 || cx.mult[2] != 256 || cx.add[0] != 0 ||
                       cx.add[1] != 0 || cx.add[2] != 0;
      if (rgb && coloured) return false;
      if (rgb) coloured = &cx;
    }
    if (opacity <= 0) return true;  // nothing to draw
    if (coloured) {
      kept = *coloured;
      kept.mult[3] = 256;
      kept.add[3] = 0;
    }
  } else {
    if (chain.count > 1) return false;
    if (chain.count == 1) kept = *chain.items[0];
  }

  // Whole pixels and a quarter-pixel remainder of the shape's position; the matrix in
  // steps that move the shape's farthest point by an eighth of a pixel at most.
  const QRectF& drawn = shape.drawn;
  const double extent = std::max({1.0, std::abs(drawn.left()), std::abs(drawn.right()), std::abs(drawn.top()),
                                  std::abs(drawn.bottom())});
  const double quantum = 0.125 / extent;
  const auto step = [quantum](double v) { return static_cast<std::int64_t>(std::llround(v / quantum)); };
  const double qx = std::floor(transform.dx() * 4 + 0.5), qy = std::floor(transform.dy() * 4 + 0.5);
  const double wholeX = std::floor(qx / 4), wholeY = std::floor(qy / 4);
  CacheKey key{index,
               step(transform.m11()),
               step(transform.m12()),
               step(transform.m21()),
               step(transform.m22()),
               static_cast<std::uint8_t>(qx - wholeX * 4),
               static_cast<std::uint8_t>(qy - wholeY * 4),
               {kept.mult[0], kept.mult[1], kept.mult[2], kept.mult[3], kept.add[0], kept.add[1], kept.add[2],
                kept.add[3]}};
  auto it = cache_.find(key);
  if (it == cache_.end()) {
    if (cache_.size() >= kEntries) cache_.clear();
    // The shape at the remainder offset, drawn into a bitmap just large enough.
    const QTransform at(static_cast<double>(key.a) * quantum, static_cast<double>(key.b) * quantum,
                        static_cast<double>(key.c) * quantum, static_cast<double>(key.d) * quantum, key.fx / 4.0,
                        key.fy / 4.0);
    const double scale = std::sqrt(std::abs(at.determinant()));
    const double onePixel = scale > 0 ? 1.0 / scale : 0;
    const QRectF area = at.mapRect(drawn.adjusted(-onePixel, -onePixel, onePixel, onePixel));
    // Far from its own origin (a shape away from its origin, placed back by the
    // translation) the offset would not fit in pixel coordinates: drawn directly.
    constexpr double kFarthest = 1 << 24;
    if (!(std::abs(area.left()) < kFarthest && std::abs(area.top()) < kFarthest)) return false;
    const QRect box = area.toAlignedRect().adjusted(-1, -1, 1, 1);
    Cached cached{QImage(box.size(), QImage::Format_ARGB32_Premultiplied), box.topLeft()};
    cached.image.fill(Qt::transparent);
    {
      QPainter p(&cached.image);
      p.setRenderHint(QPainter::Antialiasing);
      const QTransform local = at * QTransform::fromTranslate(-box.left(), -box.top());
      p.setTransform(local);
      ColourChain keptChain;
      if (!kept.IsIdentity()) {
        keptChain.items[0] = &kept;
        keptChain.count = 1;
      }
      DrawPaths(p, shape, local, keptChain);
    }
    it = cache_.emplace(key, std::move(cached)).first;
    ++newBitmaps_;
  }
  const QPoint where(static_cast<int>(wholeX) + it->second.origin.x(), static_cast<int>(wholeY) + it->second.origin.y());
  dirty_.push_back(QRect(where, it->second.image.size()));
  painter.resetTransform();
  painter.setOpacity(opacity);
  painter.drawImage(where, it->second.image);
  painter.setOpacity(1);
  return true;
}

void Renderer::DrawPaths(QPainter& painter, const Shape& shape, const QTransform& transform, const ColourChain& chain) {
  const double scale = std::sqrt(std::abs(transform.determinant()));
  const double onePixel = scale > 0 ? 1.0 / scale : 0;
  const bool plain = chain.count == 0;
  for (const ShapeLayer& layer : shape.layers) {
    for (std::size_t i = 0; i < layer.fills.size(); ++i) {
      const QPainterPath& path = layer.fillPaths[i];
      if (path.isEmpty()) continue;
      const FillStyle& fill = layer.fills[i];
      if (fill.kind == FillStyle::Kind::kSolid) {
        const Rgba c = plain ? fill.colour : chain.Apply(fill.colour);
        if (c.a == 0) continue;
        painter.fillPath(path, ToQColor(c));
      } else if (plain) {
        if (layer.fillBrushes[i].style() != Qt::NoBrush) painter.fillPath(path, layer.fillBrushes[i]);
      } else {
        const QBrush brush = BrushFor(fill, &chain);
        if (brush.style() != Qt::NoBrush) painter.fillPath(path, brush);
      }
    }
    for (std::size_t i = 0; i < layer.lines.size(); ++i) {
      const QPainterPath& path = layer.linePaths[i];
      if (path.isEmpty()) continue;
      const LineStyle& line = layer.lines[i];
      const Rgba c = plain ? line.colour : chain.Apply(line.colour);
      if (c.a == 0) continue;
      // At least one pixel wide, whatever the scale.
      const double width = std::max(static_cast<double>(line.width), onePixel);
      QPen pen(ToQColor(c), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
      painter.strokePath(path, pen);
    }
  }
}

}  // namespace zorvel::movie
