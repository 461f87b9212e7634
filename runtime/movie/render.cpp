#include "runtime/movie/render.h"

#include <QPen>
#include <algorithm>
#include <cmath>

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
  if (target.isNull()) return;
  const MovieInfo& info = movie_.info();
  target.fill(withBackground ? ToQColor(info.background) : QColor(Qt::transparent));
  const QRectF stage = StageRect(info, target.size());
  if (stage.isEmpty() || timeline.displayList().empty()) return;
  QPainter painter(&target);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setClipRect(stage);
  clip_ = stage;
  ColourChain chain;
  DrawList(painter, timeline.displayList(), StageTransform(info, target.size()), chain, 0);
}

void Renderer::DrawList(QPainter& painter, const DisplayList& list, const QTransform& parent, ColourChain& chain,
                        int nesting) {
  for (const Instance& instance : list) {
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
      DrawShape(painter, movie_.shapes()[instance.character.index], transform, chain);
    } else if (instance.sprite && nesting < kMaxSpriteNesting) {
      DrawList(painter, instance.sprite->list, transform, chain, nesting + 1);
    }
    if (own) {
      std::copy(chain.items + 1, chain.items + chain.count, chain.items);
      --chain.count;
    }
  }
}

void Renderer::DrawShape(QPainter& painter, const Shape& shape, const QTransform& transform, const ColourChain& chain) {
  if (shape.empty) return;
  // Scale of twips to pixels (the square root of the area scale).
  const double scale = std::sqrt(std::abs(transform.determinant()));
  const double onePixel = scale > 0 ? 1.0 / scale : 0;
  const QRectF reach = transform.mapRect(shape.drawn.adjusted(-onePixel, -onePixel, onePixel, onePixel));
  if (!reach.intersects(clip_)) return;
  ++drawn_;
  painter.setTransform(transform);
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
