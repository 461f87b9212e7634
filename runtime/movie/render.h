// Drawing a timeline's display list into an image of any size: the stage fitted as a
// browser page shows a movie (all of it visible, aspect ratio kept, centred), with or
// without the stage background, anti-aliased.
#pragma once

#include <QImage>
#include <QPainter>
#include <QTransform>

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
  explicit Renderer(const Movie& movie) : movie_(movie) {}

  // Draws the timeline's current frame over the whole target. With the background, the
  // image is first filled with the stage colour (margins included); without, it is
  // made transparent, and what is drawn keeps its coverage and alpha so that it blends
  // with what lies beneath. The target is best Format_ARGB32_Premultiplied.
  void Render(const Timeline& timeline, QImage& target, bool withBackground);

  // Objects drawn by the last Render (shapes only; those outside the image are not).
  int drawnShapes() const { return drawn_; }

 private:
  void DrawList(QPainter& painter, const DisplayList& list, const QTransform& parent, ColourChain& chain, int nesting);
  void DrawShape(QPainter& painter, const Shape& shape, const QTransform& transform, const ColourChain& chain);

  const Movie& movie_;
  QRectF clip_;
  int drawn_ = 0;
};

}  // namespace zorvel::movie
