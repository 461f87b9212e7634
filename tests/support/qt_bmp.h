// A Qt image as a picture file: a BMP through the tests' one BMP writer
// (raster_writers.h), a 24-bit, bottom-up file of the image's colours (alpha is dropped);
// a JPEG through Qt's own writer.
#pragma once

#include <QBuffer>
#include <QImage>
#include <cstdint>
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

}  // namespace zorvel::test
