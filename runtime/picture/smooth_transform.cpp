#include "runtime/picture/smooth_transform.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

namespace zorvel {

namespace {

// a + (b − a) × t / 256 on the four 8-bit channels of two premultiplied pixels at once,
// two channels per 32-bit lane pair (t from 0 to 256).
inline std::uint32_t Lerp(std::uint32_t a, std::uint32_t b, std::uint32_t t) {
  const std::uint32_t s = 256 - t;
  const std::uint32_t rb = (((a & 0x00FF00FFu) * s + (b & 0x00FF00FFu) * t) >> 8) & 0x00FF00FFu;
  const std::uint32_t ag = (((a >> 8) & 0x00FF00FFu) * s + ((b >> 8) & 0x00FF00FFu) * t) & 0xFF00FF00u;
  return rb | ag;
}

inline std::uint32_t Bilinear(std::uint32_t tl, std::uint32_t tr, std::uint32_t bl, std::uint32_t br, std::uint32_t fx,
                              std::uint32_t fy) {
  return Lerp(Lerp(tl, tr, fx), Lerp(bl, br, fx), fy);
}

// The part [from, to) of a row where x keeps start + x × step inside (low, high); the
// whole row when the step is zero and start is inside, none when it is outside.
void Narrow(double start, double step, double low, double high, double& from, double& to) {
  if (step == 0) {
    if (!(start > low && start < high)) to = from;
    return;
  }
  double a = (low - start) / step, b = (high - start) / step;
  if (a > b) std::swap(a, b);
  from = std::max(from, std::floor(a));
  to = std::min(to, std::ceil(b) + 1);
}

}  // namespace

QImage SmoothTransformed(const QImage& source, const QTransform& transform, const QRect& clip, QPoint* placed) {
  *placed = QPoint();
  if (source.isNull()) return {};
  bool invertible = false;
  const QTransform inverse = transform.inverted(&invertible);
  if (!invertible || transform.type() == QTransform::TxProject) return {};

  const QImage* pixels = &source;
  QImage converted;
  if (source.format() != QImage::Format_RGB32 && source.format() != QImage::Format_ARGB32_Premultiplied) {
    converted = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    pixels = &converted;
  }
  const int w = pixels->width(), h = pixels->height();
  const QRect area = transform.mapRect(QRectF(0, 0, w, h)).toAlignedRect().adjusted(-1, -1, 1, 1) & clip;
  if (area.isEmpty()) return {};

  QImage target(area.size(), QImage::Format_ARGB32_Premultiplied);
  if (target.isNull()) return {};
  // RGB32 keeps 0xFF in its top byte, so both formats read as premultiplied pixels.
  const auto* src = reinterpret_cast<const std::uint32_t*>(pixels->constBits());
  const std::size_t stride = static_cast<std::size_t>(pixels->bytesPerLine()) / 4;

  // The source point of a target pixel's centre, moved by half a pixel so that integer
  // coordinates are source pixel centres; in 16.16 fixed point along each row.
  constexpr double kOne = 65536.0;
  const double du = inverse.m11(), dv = inverse.m12();
  const auto stepU = static_cast<std::int64_t>(std::llround(du * kOne));
  const auto stepV = static_cast<std::int64_t>(std::llround(dv * kOne));
  const auto rows = [&](int firstRow, int endRow) {
    for (int row = firstRow; row < endRow; ++row) {
      auto* out = reinterpret_cast<std::uint32_t*>(target.scanLine(row));
      const double y = area.top() + row + 0.5;
      const double x0 = area.left() + 0.5;
      const double u0 = inverse.m11() * x0 + inverse.m21() * y + inverse.dx() - 0.5;
      const double v0 = inverse.m12() * x0 + inverse.m22() * y + inverse.dy() - 0.5;
      // Where the four source pixels around the point meet the picture at all, and,
      // a pixel narrower each side, where they all lie inside it.
      const auto span = [&](double low, double highU, double highV) {
        double from = 0, to = area.width();
        Narrow(u0, du, low, highU, from, to);
        Narrow(v0, dv, low, highV, from, to);
        const int a = static_cast<int>(std::clamp(from, 0.0, static_cast<double>(area.width())));
        return std::pair{a, std::max(a, static_cast<int>(std::clamp(to, 0.0, static_cast<double>(area.width()))))};
      };
      const auto [first, last] = span(-1.0, w, h);
      auto [innerFirst, innerLast] = span(0.0, w - 1, h - 1);
      innerFirst = std::clamp(innerFirst + 1, first, last);
      innerLast = std::clamp(innerLast - 2, innerFirst, last);
      std::memset(out, 0, static_cast<std::size_t>(first) * 4);
      std::memset(out + last, 0, static_cast<std::size_t>(area.width() - last) * 4);
      std::int64_t u = std::llround((u0 + first * du) * kOne);
      std::int64_t v = std::llround((v0 + first * dv) * kOne);
      // At the border the source pixels outside the picture are transparent.
      const auto border = [&](int x) {
        const std::int64_t ix = u >> 16, iy = v >> 16;
        const auto at = [&](std::int64_t px, std::int64_t py) -> std::uint32_t {
          if (px < 0 || py < 0 || px >= w || py >= h) return 0;
          return src[static_cast<std::size_t>(py) * stride + static_cast<std::size_t>(px)];
        };
        out[x] = Bilinear(at(ix, iy), at(ix + 1, iy), at(ix, iy + 1), at(ix + 1, iy + 1),
                          static_cast<std::uint32_t>((u >> 8) & 0xFF), static_cast<std::uint32_t>((v >> 8) & 0xFF));
        u += stepU;
        v += stepV;
      };
      int x = first;
      for (; x < innerFirst; ++x) border(x);
      for (; x < innerLast; ++x, u += stepU, v += stepV) {
        const std::uint32_t* p =
            src + static_cast<std::size_t>(v >> 16) * stride + static_cast<std::size_t>(u >> 16);
        out[x] = Bilinear(p[0], p[1], p[stride], p[stride + 1], static_cast<std::uint32_t>((u >> 8) & 0xFF),
                          static_cast<std::uint32_t>((v >> 8) & 0xFF));
      }
      for (; x < last; ++x) border(x);
    }
  };
  // Large pictures are shared out in bands of rows over the processor's cores.
  const int workers = area.width() * area.height() >= (1 << 18)
                          ? static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u))
                          : 1;
  std::vector<std::thread> helpers;
  const int band = (area.height() + workers - 1) / workers;
  for (int k = 1; k < workers; ++k)
    helpers.emplace_back(rows, std::min(area.height(), k * band), std::min(area.height(), (k + 1) * band));
  rows(0, std::min(area.height(), band));
  for (std::thread& t : helpers) t.join();
  *placed = area.topLeft();
  return target;
}

}  // namespace zorvel
