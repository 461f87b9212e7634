// Drawing a timeline's display list into an image of any size: the stage fitted as a
// browser page shows a movie (all of it visible, aspect ratio kept, centred), with or
// without the stage background, anti-aliased.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QTransform>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "runtime/movie/movie.h"
#include "runtime/movie/records.h"
#include "runtime/movie/timeline.h"

namespace zorvel::movie {

// Where the stage lies in an image of the size: twips to the image's pixels. Stage
// pixels outside the image (a stage without area) give the identity.
QTransform StageTransform(const MovieInfo& info, QSize size);
// The stage's rectangle in an image of the size, in pixels.
QRectF StageRect(const MovieInfo& info, QSize size);

// An image the renderer draws fastest into.
QImage MakeFrameImage(QSize size);

class Renderer {
 public:
  // The movie must outlive the renderer.
  explicit Renderer(const Movie& movie) : movie_(movie) {}

  // Draws the timeline's current frame over the whole target. With the background, the
  // image is first filled with the stage colour (margins included); without, it is
  // made transparent, and what is drawn keeps its coverage and alpha so that it blends
  // with what lies beneath. The target is best Format_ARGB32_Premultiplied.
  void Render(const Timeline& timeline, QImage& target, bool withBackground);

  // Objects drawn by the last Render (shapes only; those outside the image are not).
  int drawnShapes() const { return drawn_; }
  // Of those, the ones copied from the shape cache.
  int cachedShapes() const { return cachedDrawn_; }
  // Of those, the shapes whose bitmap the last Render had to draw first.
  int newBitmaps() const { return newBitmaps_; }

  // Small shapes (a firework's spark, with or without its tail) are drawn once per
  // scale, rotation, quarter-pixel offset and colour into a bitmap of their own, and
  // then copied with their alpha; the copy lies within a quarter pixel of where the
  // shape would be drawn, and its size within an eighth of a pixel. A shape of one fill
  // or one stroke takes its alpha from the copy's opacity; a shape of several takes its
  // colour transform into the bitmap, since overlapping parts blend with each other
  // first. On by default.
  void setShapeCache(bool on) { cacheOn_ = on; }

 private:
  struct CacheKey {
    std::uint32_t shape;
    std::int64_t a, b, c, d;  // the matrix in steps of the shape's quantum
    std::uint8_t fx, fy;
    std::array<std::int16_t, 8> colour;  // multipliers, then addends
    bool operator==(const CacheKey&) const = default;
  };
  struct CacheKeyHash {
    std::size_t operator()(const CacheKey& k) const;
  };
  struct Cached {
    QImage image;
    QPoint origin;  // of the image, relative to the whole-pixel position of the shape
  };

  void DrawList(QPainter& painter, const DisplayList& list, const QTransform& parent, ColourChain& chain, int nesting);
  void DrawShape(QPainter& painter, std::uint32_t index, const QTransform& transform, const ColourChain& chain);
  void DrawPaths(QPainter& painter, const Shape& shape, const QTransform& transform, const ColourChain& chain);
  bool DrawCached(QPainter& painter, std::uint32_t index, const QTransform& transform, const ColourChain& chain,
                  const QRectF& reach);

  const Movie& movie_;
  QRectF clip_;
  int drawn_ = 0, cachedDrawn_ = 0, newBitmaps_ = 0;
  bool cacheOn_ = true;
  std::unordered_map<CacheKey, Cached, CacheKeyHash> cache_;
  // What the last Render drew into, to clear only that when the same image comes back
  // untouched (its cache key unchanged) for the next frame.
  std::vector<QRect> dirty_;
  bool dirtyAll_ = true;
  qint64 lastImage_ = 0;
  bool lastBackground_ = false;
};

}  // namespace zorvel::movie
