// The SWF records shared by the reader, the renderer and their tests: rectangles,
// matrices, colour transforms, colours, and the brushes made from fill styles.
#pragma once

#include <QBrush>
#include <QGradient>
#include <vector>

#include "runtime/movie/bits.h"
#include "runtime/movie/movie.h"

namespace zorvel::movie {

TwipsRect ReadRect(BitReader& r);
Matrix ReadMatrix(BitReader& r);
// CXFORM (withAlpha false) or CXFORMWITHALPHA (true).
ColorTransform ReadColorTransform(BitReader& r, bool withAlpha);
Rgba ReadColour(BitReader& r, bool withAlpha);

// The colour transforms an object is drawn through, its own first, then its parents'
// outwards.
struct ColourChain {
  const ColorTransform* items[kMaxSpriteNesting + 2] = {};
  int count = 0;
  Rgba Apply(Rgba c) const {
    for (int i = 0; i < count; ++i) c = items[i]->Apply(c);
    return c;
  }
};

// Gradient stops in file order, each ratio raised to the largest one before it (so an
// out-of-order ratio makes a step), colours through the chain when given.
QGradientStops GradientStopsFor(const std::vector<GradientStop>& stops, const ColourChain* chain);
// The brush of a fill style in the shape's twips, colours through the chain when given;
// no brush for bitmap fills and gradients without stops.
QBrush BrushFor(const FillStyle& fill, const ColourChain* chain);

}  // namespace zorvel::movie
