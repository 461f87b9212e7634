// A Qt image as a picture file: a BMP through the tests' one BMP writer
// (raster_writers.h), a 24-bit, bottom-up file of the image's colours (alpha is dropped);
// a JPEG through Qt's own writer; a PNG through Qt's own writer, alpha kept.
#pragma once

#include <QBuffer>
#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/raster_writers.h"

namespace zorvel::test {

inline std::string BmpFile(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  std::vector<std::uint32_t> samples;
  samples.reserve(static_cast<std::size_t>(rgb.width()) * static_cast<std::size_t>(rgb.height()));
  for (int y = 0; y < rgb.height(); ++y)
    for (int x = 0; x < rgb.width(); ++x) samples.push_back(rgb.pixel(x, y) & 0xFFFFFFu);
  const Bytes file = WriteBmp(rgb.width(), rgb.height(), samples);
  return std::string(file.begin(), file.end());
}

inline std::string JpegFile(const QImage& image, int quality = 90) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG", quality);
  return bytes.toStdString();
}

inline std::string PngFile(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

// A picture for the alpha tests: a w x h image whose left half is fully transparent
// and whose right half is the colour at the given alpha (straight 0xRRGGBB).
inline QImage HalfTransparent(int width, int height, QRgb colour, int alpha) {
  QImage image(width, height, QImage::Format_ARGB32);
  const QRgb right = qRgba(qRed(colour), qGreen(colour), qBlue(colour), alpha);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, x < width / 2 ? 0u : right);
  return image;
}

// colour laid at alpha over an opaque back colour, as source-over composing gives it.
inline QRgb Over(QRgb colour, int alpha, QRgb back) {
  const auto mix = [alpha](int c, int b) { return (c * alpha + b * (255 - alpha) + 127) / 255; };
  return qRgb(mix(qRed(colour), qRed(back)), mix(qGreen(colour), qGreen(back)), mix(qBlue(colour), qBlue(back)));
}

// Whether two colours are within a few levels of each other on every channel
// (composing rounds in its own way).
inline bool NearColour(QRgb a, QRgb b, int levels = 2) {
  return std::abs(qRed(a) - qRed(b)) <= levels && std::abs(qGreen(a) - qGreen(b)) <= levels &&
         std::abs(qBlue(a) - qBlue(b)) <= levels && std::abs(qAlpha(a) - qAlpha(b)) <= levels;
}

}  // namespace zorvel::test
