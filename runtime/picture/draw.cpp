#include "runtime/picture/draw.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zorvel {

namespace {

// 0x00BBGGRR as Qt's 0xAARRGGBB without alpha.
constexpr QRgb RgbOf(std::uint32_t colour) {
  return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

std::uint32_t ReadLe32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

constexpr std::size_t kInfoHeader = 40;
constexpr std::size_t kColourTable = 256 * 4;

// Kinds 1 and 2: blue, green, red, rows bottom-up, no padding.
QImage FromBgrBottomUp(const Picture& p) {
  const std::size_t rowBytes = static_cast<std::size_t>(p.width) * 3;
  if (p.width <= 0 || p.height <= 0 || p.pixelBytes < rowBytes * static_cast<std::size_t>(p.height)) return {};
  QImage image(p.width, p.height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  for (int y = 0; y < p.height; ++y) {
    const std::uint8_t* in = p.pixels + static_cast<std::size_t>(p.height - 1 - y) * rowBytes;
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    int x = 0;
    // Four pixels from three little-endian words: B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3.
    for (; x + 4 <= p.width; x += 4, in += 12) {
      std::uint32_t a, b, c;
      std::memcpy(&a, in, 4);
      std::memcpy(&b, in + 4, 4);
      std::memcpy(&c, in + 8, 4);
      out[x] = 0xFF000000u | (a & 0xFFFFFFu);
      out[x + 1] = 0xFF000000u | a >> 24 | (b & 0xFFFFu) << 8;
      out[x + 2] = 0xFF000000u | b >> 16 | (c & 0xFFu) << 16;
      out[x + 3] = 0xFF000000u | c >> 8;
    }
    for (; x < p.width; ++x, in += 3) out[x] = 0xFF000000u | in[2] << 16 | in[1] << 8 | in[0];
  }
  return image;
}

// Kinds 5 and 6: a bitmap-info header, 256 colours, 8-bit rows top-down padded to 4
// bytes. A GIF's image lies at the top-left of its logical screen; the rest of the
// screen is black, as a new device bitmap is.
QImage FromIndexed(const Picture& p) {
  if (p.pixelBytes < kInfoHeader + kColourTable) return {};
  const auto width = static_cast<std::int32_t>(ReadLe32(p.pixels + 4));
  const std::int32_t rawHeight = static_cast<std::int32_t>(ReadLe32(p.pixels + 8));
  const std::int64_t height = rawHeight < 0 ? -static_cast<std::int64_t>(rawHeight) : rawHeight;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return {};
  const std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
  if (p.pixelBytes < kInfoHeader + kColourTable + stride * static_cast<std::size_t>(height)) return {};
  QRgb table[256];
  const std::uint8_t* entry = p.pixels + kInfoHeader;
  for (int i = 0; i < 256; ++i, entry += 4) table[i] = 0xFF000000u | entry[2] << 16 | entry[1] << 8 | entry[0];

  const int screenWidth = p.kind == PictureKind::kGif ? p.width : width;
  const int screenHeight = p.kind == PictureKind::kGif ? p.height : static_cast<int>(height);
  if (screenWidth <= 0 || screenHeight <= 0) return {};
  QImage image(screenWidth, screenHeight, QImage::Format_RGB32);
  if (image.isNull()) return {};
  image.fill(Qt::black);
  const int rows = std::min<int>(screenHeight, static_cast<int>(height));
  const int columns = std::min(screenWidth, width);
  const std::uint8_t* pixels = p.pixels + kInfoHeader + kColourTable;
  // Rows are stored top-down when the header's height is negative, as it is for the
  // pictures the decoders make.
  for (int y = 0; y < rows; ++y) {
    const std::size_t sourceRow = rawHeight < 0 ? y : static_cast<std::size_t>(height - 1 - y);
    const std::uint8_t* in = pixels + sourceRow * stride;
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < columns; ++x) out[x] = table[in[x]];
  }
  return image;
}

// Kind 7: 1-bit rows, high bit first, padded to 4 bytes, 1 = white.
QImage FromMonochrome(const Picture& p) {
  const std::size_t stride = ((static_cast<std::size_t>(p.width) + 31) / 32) * 4;
  if (p.width <= 0 || p.height <= 0 || p.pixelBytes < stride * static_cast<std::size_t>(p.height)) return {};
  QImage image(p.width, p.height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  for (int y = 0; y < p.height; ++y) {
    const std::uint8_t* in = p.pixels + static_cast<std::size_t>(y) * stride;
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < p.width; ++x) out[x] = (in[x >> 3] >> (7 - (x & 7)) & 1) ? 0xFFFFFFFFu : 0xFF000000u;
  }
  return image;
}

QImage FromIcon(const Picture& p) {
  const IconImage* icon = p.icon;
  if (!icon || icon->width <= 0 || icon->height <= 0 ||
      icon->argb.size() < static_cast<std::size_t>(icon->width) * static_cast<std::size_t>(icon->height))
    return {};
  QImage image(reinterpret_cast<const uchar*>(icon->argb.data()), icon->width, icon->height,
               icon->width * 4, QImage::Format_ARGB32);
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Kind 8: premultiplied 0xAARRGGBB rows, top-down, unpadded. A picture without a
// pixel short of opaque comes out without alpha, and is then drawn as the other
// opaque kinds are.
QImage FromPremultiplied(const Picture& p) {
  const std::size_t count = static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height);
  if (p.width <= 0 || p.height <= 0 || p.pixelBytes < count * 4) return {};
  QImage image(p.width, p.height, QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return {};
  const std::size_t rowBytes = static_cast<std::size_t>(p.width) * 4;
  std::uint32_t all = 0xFF000000u;
  for (int y = 0; y < p.height; ++y) {
    const std::uint8_t* in = p.pixels + static_cast<std::size_t>(y) * rowBytes;
    std::memcpy(image.scanLine(y), in, rowBytes);
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < p.width; ++x) all &= row[x];
  }
  if ((all & 0xFF000000u) == 0xFF000000u) image.reinterpretAsFormat(QImage::Format_RGB32);
  return image;
}

// The image with every pixel of colour c made fully transparent.
QImage KeyOut(const QImage& source, std::uint32_t colour) {
  QImage keyed = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const QRgb key = RgbOf(colour);
  for (int y = 0; y < keyed.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
    for (int x = 0; x < keyed.width(); ++x)
      if ((row[x] & 0xFFFFFF) == key && qAlpha(row[x]) == 255) row[x] = 0;
  }
  return keyed;
}

// Gathers one-pixel-high rectangles into a region, in batches of 2000.
class RegionRuns {
 public:
  RegionRuns() { rects_.reserve(kBatch); }
  void Add(int x, int y, int width) {
    rects_.emplace_back(x, y, width, 1);
    if (static_cast<int>(rects_.size()) == kBatch) Flush();
  }
  QRegion Finish() {
    Flush();
    return std::move(result_);
  }

 private:
  static constexpr int kBatch = 2000;
  void Flush() {
    if (rects_.empty()) return;
    QRegion batch;
    batch.setRects(rects_.data(), static_cast<int>(rects_.size()));
    result_ += batch;
    rects_.clear();
  }
  std::vector<QRect> rects_;
  QRegion result_;
};

// The region of an image with alpha: pixels of alpha 0 lie outside, and so do opaque
// pixels of the transparent colour (0x00BBGGRR; kNoColour: none), the pixels that
// drawing with that colour keys out.
QRegion RegionFromAlpha(const QImage& bitmap, std::uint32_t transparentColour) {
  const QImage image = bitmap.format() == QImage::Format_ARGB32_Premultiplied
                           ? bitmap
                           : bitmap.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  // An opaque pixel of the key: 0xFF and the colour; with no key a value no pixel has
  // (alpha 0 with colour bits set is not premultiplied).
  const QRgb key = transparentColour == kNoColour ? 0x00FFFFFFu : 0xFF000000u | RgbOf(transparentColour);
  const auto inside = [key](QRgb pixel) { return qAlpha(pixel) != 0 && pixel != key; };
  RegionRuns runs;
  const int width = image.width();
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < width;) {
      while (x < width && !inside(row[x])) ++x;
      const int start = x;
      while (x < width && inside(row[x])) ++x;
      if (x > start) runs.Add(start, y, x - start);
    }
  }
  return runs.Finish();
}

}  // namespace

bool HasAlpha(const PreparedPicture& prepared) { return prepared.image.hasAlphaChannel(); }

bool PreparePicture(const Picture* picture, PreparedPicture& prepared) {
  prepared = PreparedPicture{};
  if (!picture) return false;
  QImage image;
  switch (picture->kind) {
    case PictureKind::kJpeg:
    case PictureKind::kBmp:
      if (picture->pixels) image = FromBgrBottomUp(*picture);
      break;
    case PictureKind::kGif:
    case PictureKind::kPcx8:
      if (picture->pixels) image = FromIndexed(*picture);
      break;
    case PictureKind::kPcx1:
      if (picture->pixels) image = FromMonochrome(*picture);
      break;
    case PictureKind::kIcon:
    case PictureKind::kCursor:
      image = FromIcon(*picture);
      break;
    case PictureKind::kPng:
      if (picture->pixels) image = FromPremultiplied(*picture);
      break;
    case PictureKind::kNone:
      break;
  }
  if (image.isNull()) return false;
  prepared.kind = picture->kind;
  prepared.width = image.width();
  prepared.height = image.height();
  prepared.image = std::move(image);
  return true;
}

void DrawPicture(QPainter& painter, const PreparedPicture& prepared, int x, int y, int width, int height,
                 int rasterOp) {
  if (prepared.image.isNull()) return;
  if (width == -1) width = prepared.width;
  if (height == -1) height = prepared.height;
  if (width <= 0 || height <= 0) return;
  const QRect target(x, y, width, height);
  const bool icon = prepared.kind == PictureKind::kIcon || prepared.kind == PictureKind::kCursor;
  painter.save();
  if (icon || rasterOp >= 0) {
    // A plain copy is stretched with smoothing, as a half-tone stretch would be. A
    // picture with alpha lies over what is there; others replace it.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (!HasAlpha(prepared)) painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(target, prepared.image);
  } else {
    // With a transparent colour the stretch picks pixels, so that pixels of exactly
    // that colour are left out and nothing of them blends into their neighbours.
    const auto colour = static_cast<std::uint32_t>(-static_cast<std::int64_t>(rasterOp));
    if (prepared.keyed.isNull() || prepared.keyedColour != colour) {
      prepared.keyed = KeyOut(prepared.image, colour);
      prepared.keyedColour = colour;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, prepared.keyed);
  }
  painter.restore();
}

QRegion RegionFromBitmap(const QImage& bitmap, std::uint32_t transparentColour) {
  if (bitmap.isNull()) return QRegion();
  if (bitmap.hasAlphaChannel()) return RegionFromAlpha(bitmap, transparentColour);
  const QImage image = bitmap.format() == QImage::Format_RGB32 ? bitmap : bitmap.convertToFormat(QImage::Format_RGB32);
  const QRgb key = RgbOf(transparentColour);
  RegionRuns runs;
  const int width = image.width();
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < width;) {
      while (x < width && (row[x] & 0xFFFFFF) == key) ++x;
      const int start = x;
      while (x < width && (row[x] & 0xFFFFFF) != key) ++x;
      if (x > start) runs.Add(start, y, x - start);
    }
  }
  return runs.Finish();
}

QRegion DrawBackPicture(QPainter& painter, const PreparedPicture& picture, int mode, QSize area, const QRect& clip,
                        QRegion rest) {
  const int cw = area.width(), ch = area.height();
  const int pw = picture.width, ph = picture.height;
  if (pw <= 0 || ph <= 0) return rest;
  switch (mode) {
    case 0:
      DrawPicture(painter, picture, 0, 0, -1, -1);
      return rest - QRect(0, 0, pw, ph);
    case 1:
      for (int y = std::max(0, clip.top()) / ph * ph; y < ch && y <= clip.bottom(); y += ph) {
        for (int x = std::max(0, clip.left()) / pw * pw; x < cw && x <= clip.right(); x += pw) {
          DrawPicture(painter, picture, x, y, -1, -1);
        }
      }
      return QRegion();
    case 2: {
      int w = pw, h = ph;
      if (pw > cw || ph > ch) {
        const double scale = std::min(static_cast<double>(cw) / pw, static_cast<double>(ch) / ph);
        w = static_cast<int>(pw * scale);
        h = static_cast<int>(ph * scale);
      }
      const QRect drawn((cw - w) / 2, (ch - h) / 2, w, h);
      DrawPicture(painter, picture, drawn.x(), drawn.y(), drawn.width(), drawn.height());
      return rest - drawn;
    }
    case 3:
      DrawPicture(painter, picture, 0, 0, cw, ch);
      return QRegion();
    default:
      return rest;
  }
}

void PaintBack(QPainter& painter, const PreparedPicture* picture, int mode, QSize area, const QRect& clip,
               const QRegion& region, const QColor& colour) {
  if (picture == nullptr || picture->width <= 0 || picture->height <= 0) {
    for (const QRect& r : region) painter.fillRect(r, colour);
    return;
  }
  if (HasAlpha(*picture)) {
    for (const QRect& r : region) painter.fillRect(r, colour);
    DrawBackPicture(painter, *picture, mode, area, clip, region);
    return;
  }
  const QRegion rest = DrawBackPicture(painter, *picture, mode, area, clip, region);
  for (const QRect& r : rest) painter.fillRect(r, colour);
}

std::unique_ptr<PreparedPicture> PreparePictureBytes(std::string_view bytes) {
  if (bytes.empty()) return nullptr;
  Picture* picture = DecodePictureBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  if (picture == nullptr) return nullptr;
  auto prepared = std::make_unique<PreparedPicture>();
  const bool ok = PreparePicture(picture, *prepared);
  FreePicture(picture);
  if (!ok) return nullptr;
  return prepared;
}

void DrawEdgeRing(QPainter& painter, const QRect& box, QRgb topLeft, QRgb bottomRight) {
  if (box.width() <= 0 || box.height() <= 0) return;
  painter.setPen(QColor::fromRgb(topLeft));
  painter.drawLine(box.topLeft(), box.topRight());
  painter.drawLine(box.topLeft(), box.bottomLeft());
  painter.setPen(QColor::fromRgb(bottomRight));
  painter.drawLine(box.bottomLeft(), box.bottomRight());
  painter.drawLine(box.topRight(), box.bottomRight());
}

}  // namespace zorvel
