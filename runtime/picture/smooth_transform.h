// A picture turned and scaled with smooth (bilinear) sampling, for sprites that are
// seen large on a big screen: every target pixel blends the four source pixels around
// the point it maps to, so neither the picture nor its edges show stair steps.
#pragma once

#include <QImage>
#include <QRect>
#include <QTransform>

namespace zorvel {

// Renders source (RGB32, ARGB32 or ARGB32_Premultiplied) as transform maps it onto the
// device, limited to clip (device pixels). The result is premultiplied ARGB32 and is to
// be drawn unscaled at *placed (its top-left; an empty result when nothing of the
// picture falls in clip, or the transform cannot be inverted). Outside the source is
// transparent, so the picture's border fades over one pixel into whatever lies beneath.
QImage SmoothTransformed(const QImage& source, const QTransform& transform, const QRect& clip, QPoint* placed);

}  // namespace zorvel
