// Drawing decoded pictures with Qt, and regions for shaped units.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <memory>
#include <string_view>

#include "runtime/picture/picture.h"

namespace zorvel {

// A picture made ready for drawing: its pixels as one image (for a GIF the logical
// screen with the first image at the top-left; an icon its straight-alpha image).
struct PreparedPicture {
  PictureKind kind = PictureKind::kNone;
  int width = 0, height = 0;
  QImage image;
  // The image with one colour keyed out, made once per colour and kept.
  mutable QImage keyed;
  mutable std::uint32_t keyedColour = kNoColour;
};

// False when there is no picture or it cannot be made into an image.
bool PreparePicture(const Picture* picture, PreparedPicture& prepared);

// Whether the picture has pixels that are not opaque (icons, cursors, PNG pictures
// with alpha): it is then drawn over what lies beneath (its image is premultiplied).
bool HasAlpha(const PreparedPicture& prepared);

// Draws at (x, y) with the given size (-1: the picture's own). A raster operation of 0
// or above copies (a picture with alpha is laid over the target); a negative one, -c,
// draws with transparent colour c (0x00BBGGRR): pixels of exactly that colour (opaque
// ones, for a PNG with alpha) leave the target untouched. Icons and cursors are always
// laid over the target with their own transparency.
void DrawPicture(QPainter& painter, const PreparedPicture& prepared, int x, int y, int width, int height,
                 int rasterOp = 0);

// Decodes picture file bytes and makes them ready for drawing; null when there are no
// bytes or they are not a picture this runtime reads.
std::unique_ptr<PreparedPicture> PreparePictureBytes(std::string_view bytes);

// One ring of a one-pixel edge: topLeft along the top and left, bottomRight along the
// bottom and right of box (colours 0xAARRGGBB). An empty box draws nothing.
void DrawEdgeRing(QPainter& painter, const QRect& box, QRgb topLeft, QRgb bottomRight);

// A back picture laid over an area of the given size, by mode: 0 at the top-left at its
// natural size, 1 tiled from the top-left (only the tiles that meet the clip box are
// drawn), 2 centred at its natural size when it fits, otherwise shrunk to fit with its
// aspect kept, 3 stretched over the whole area. Answers the part of rest (the region
// still to be filled) that the picture left uncovered; other modes draw nothing.
QRegion DrawBackPicture(QPainter& painter, const PreparedPicture& picture, int mode, QSize area, const QRect& clip,
                        QRegion rest);

// A unit's background over region: the back colour, and the back picture (null: none)
// laid over the area by mode as DrawBackPicture does. An opaque picture is drawn first
// and the colour fills only what it leaves uncovered; a picture with alpha lies over
// the colour.
void PaintBack(QPainter& painter, const PreparedPicture* picture, int mode, QSize area, const QRect& clip,
               const QRegion& region, const QColor& colour);

// The region of the pixels whose colour differs from the transparent colour
// (0x00BBGGRR): one rectangle per run of such pixels in a row, united in batches of
// 2000. An image entirely of that colour gives an empty region. In an image with
// alpha, pixels of alpha 0 lie outside too, and the colour cuts only opaque pixels
// (kNoColour: alpha alone cuts).
QRegion RegionFromBitmap(const QImage& bitmap, std::uint32_t transparentColour);

}  // namespace zorvel
