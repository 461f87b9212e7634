#include "windows/units/cartoon/cartoon_object.h"

#include <QFontMetrics>
#include <QPainter>
#include <cstring>

#include "runtime/picture/draw.h"
#include "runtime/picture/gif.h"
#include "runtime/picture/png.h"
#include "text/gbk.h"
#include "windows/font.h"

namespace zorvel::forms {
namespace {

using namespace cartoon_object;

constexpr QRgb RgbOf(std::uint32_t bgr) {
  return qRgb(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF), static_cast<int>((bgr >> 16) & 0xFF));
}

bool IsGif(std::string_view bytes) {
  return bytes.size() >= 6 && (bytes.substr(0, 6) == "GIF87a" || bytes.substr(0, 6) == "GIF89a");
}

// Straight 0xAARRGGBB pixels as a frame: RGB32 when every pixel is opaque.
QImage FrameFromArgb(const std::uint32_t* argb, int width, int height) {
  if (width <= 0 || height <= 0) return {};
  QImage image(width, height, QImage::Format_ARGB32);
  if (image.isNull()) return {};
  bool opaque = true;
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* in = argb + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    std::memcpy(image.scanLine(y), in, static_cast<std::size_t>(width) * 4);
    for (int x = 0; x < width && opaque; ++x) opaque = (in[x] >> 24) == 0xFF;
  }
  return image.convertToFormat(opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
}

// Pixels of exactly the key colour (and fully opaque) become transparent.
QImage KeyOut(const QImage& frame, QRgb key) {
  QImage keyed = frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  bool any = false;
  for (int y = 0; y < keyed.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
    for (int x = 0; x < keyed.width(); ++x) {
      if (qAlpha(row[x]) == 255 && (row[x] & 0xFFFFFF) == (key & 0xFFFFFF)) {
        row[x] = 0;
        any = true;
      }
    }
  }
  return any ? keyed : frame;
}

}  // namespace

std::vector<SpriteFrame> DecodeSpriteFrames(std::string_view bytes, bool topLeftTransparent,
                                            std::uint32_t transparentColour) {
  std::vector<SpriteFrame> frames;
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (IsGif(bytes)) {
    GifAnimation gif;
    if (gif.Open(data, bytes.size())) {
      GifFrame frame;
      while (gif.Next(frame)) {
        QImage image = FrameFromArgb(gif.screen().data(), gif.width(), gif.height());
        if (image.isNull()) break;
        frames.push_back(SpriteFrame{std::move(image), frame.delayMs});
      }
    }
  } else if (IsPng(data, bytes.size())) {
    std::int32_t width = 0, height = 0;
    std::vector<std::uint32_t> argb;
    if (DecodePngArgb(data, bytes.size(), width, height, argb)) {
      QImage image = FrameFromArgb(argb.data(), width, height);
      if (!image.isNull()) frames.push_back(SpriteFrame{std::move(image), 0});
    }
  } else if (!bytes.empty()) {
    Picture* picture = DecodePictureBytes(data, bytes.size());
    PreparedPicture prepared;
    if (PreparePicture(picture, prepared)) frames.push_back(SpriteFrame{std::move(prepared.image), 0});
    FreePicture(picture);
  }

  if (frames.size() == 1) {
    QImage& image = frames.front().image;
    if (topLeftTransparent) image = KeyOut(image, image.pixel(0, 0));
    else if (transparentColour != kNoColour) image = KeyOut(image, RgbOf(transparentColour));
  }
  return frames;
}

std::vector<SpriteFrame> TextSpriteFrames(std::string_view gbkText, std::string_view logFont, std::uint32_t colour) {
  if (gbkText.empty()) return {};
  const QString text = QString::fromStdString(gbk::ToUtf8(gbkText));
  const QFont font = ToQFont(logFont);
  const QFontMetrics metrics(font);
  const QRect box = metrics.boundingRect(QRect(0, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
  if (box.width() <= 0 || box.height() <= 0) return {};
  QImage image(box.size(), QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return {};
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setFont(font);
  painter.setPen(QColor(RgbOf(colour)));
  painter.drawText(QRect(QPoint(0, 0), box.size()), Qt::AlignLeft | Qt::AlignTop, text);
  painter.end();
  std::vector<SpriteFrame> frames;
  frames.push_back(SpriteFrame{std::move(image), 0});
  return frames;
}

CartoonObjectUnit::CartoonObjectUnit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId)
    : Unit(layout, windowId, unitId) {}

bool CartoonObjectUnit::Apply(int index) {
  switch (index) {
    case kText:
    case kFont:
    case kTextColour:
    case kPicture:
    case kTopLeftTransparent:
    case kTransparentColour:
      framesValid_ = false;
      frames_.clear();
      break;
    default:
      break;
  }
  return false;
}

const std::vector<SpriteFrame>& CartoonObjectUnit::Frames() {
  if (!framesValid_) {
    framesValid_ = true;
    if (!Property(kText).bytes.empty()) {
      frames_ = TextSpriteFrames(Property(kText).bytes, Property(kFont).bytes,
                                 static_cast<std::uint32_t>(Property(kTextColour).word));
    } else {
      frames_ = DecodeSpriteFrames(Property(kPicture).bytes, Property(kTopLeftTransparent).word != 0,
                                   static_cast<std::uint32_t>(Property(kTransparentColour).word));
    }
  }
  return frames_;
}

std::unique_ptr<Unit> CreateCartoonObject(const CreateArgs& args) {
  const UnitLayout* layout = FindUnitLayout(kCartoonObjectType);
  if (layout == nullptr) return nullptr;
  auto unit = std::make_unique<CartoonObjectUnit>(*layout, args.windowId, args.unitId);
  if (!unit->ReadStoredBlock(args.stored)) return nullptr;
  return unit;
}

}  // namespace zorvel::forms
