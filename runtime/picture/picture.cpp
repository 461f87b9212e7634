// Picture records: the kind from the first bytes, decoding by kind, reading a named
// file, freeing.
#include "runtime/picture/picture.h"

#include <cstdio>
#include <new>

#include "runtime/memory.h"
#include "runtime/picture/decoders.h"
#include "runtime/picture/gif.h"
#include "runtime/picture/png.h"
#include "text/files.h"

namespace zorvel {

namespace picture {

bool SidesFit(std::int64_t width, std::int64_t height, const char* format, std::string* reason) {
  if (width <= 0 || height <= 0)
    return Refuse(reason, std::string(format) + ": " + std::to_string(width) + " x " + std::to_string(height) +
                              " is no picture size");
  if (width > kMaxPictureSide || height > kMaxPictureSide)
    return Refuse(reason, std::string(format) + ": " + std::to_string(width) + " x " + std::to_string(height) +
                              " is too large");
  return true;
}

bool BytesFit(std::int64_t width, std::int64_t height, std::int64_t bytes, const char* format, std::string* reason) {
  if (bytes > kMaxPictureBytes)
    return Refuse(reason, std::string(format) + ": " + std::to_string(width) + " x " + std::to_string(height) +
                              " is too large");
  return true;
}

}  // namespace picture

PictureKind DetectPictureKind(const std::uint8_t* data, std::size_t size) {
  if (!data || size < 6) return PictureKind::kNone;
  const auto word = [data](int i) { return static_cast<unsigned>(data[i] | data[i + 1] << 8); };
  if (data[0] == 0xFF && data[1] == 0xD8) return PictureKind::kJpeg;
  if (data[0] == 'B' && data[1] == 'M') return PictureKind::kBmp;
  if (word(0) == 0 && word(2) == 1 && word(4) != 0) return PictureKind::kIcon;
  if (word(0) == 0 && word(2) == 2 && word(4) != 0) return PictureKind::kCursor;
  if (data[0] == 'G' && data[1] == 'I' && data[2] == 'F' && data[3] == '8' && (data[4] == '7' || data[4] == '9') &&
      data[5] == 'a')
    return PictureKind::kGif;
  if (data[0] == 0x0A && data[1] <= 5 && data[2] == 1 && data[3] == 8) return PictureKind::kPcx8;
  if (data[0] == 0x0A && data[1] == 3 && data[2] == 1 && data[3] == 1) return PictureKind::kPcx1;
  if (IsPng(data, size)) return PictureKind::kPng;
  return PictureKind::kNone;
}

namespace {

// Why bytes of no known kind are refused, naming what they start with.
std::string UnknownKind(const std::uint8_t* data, std::size_t size) {
  if (!data || size == 0) return "no picture data";
  if (size < 6)
    return "picture data too short to tell its kind (" + std::to_string(size) + (size == 1 ? " byte)" : " bytes)");
  std::string text = "unknown kind of picture (first bytes";
  for (std::size_t i = 0; i < 6; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", data[i]);
    text += hex;
  }
  return text + ")";
}

// Whatever blocks a decoder left in a record it refused.
void ReleaseBlocks(Picture& picture) {
  delete picture.icon;
  picture.icon = nullptr;
  Free(picture.pixels);
  picture.pixels = nullptr;
  picture.pixelBytes = 0;
}

}  // namespace

Picture* DecodePictureBytes(const std::uint8_t* data, std::size_t size, std::string* reason) {
  const PictureKind kind = DetectPictureKind(data, size);
  if (kind == PictureKind::kNone) {
    if (reason) *reason = UnknownKind(data, size);
    return nullptr;
  }
  auto* record = new (std::nothrow) Picture;
  if (!record) {
    if (reason) *reason = "out of memory";
    return nullptr;
  }
  record->kind = kind;
  bool decoded = false;
  switch (kind) {
    case PictureKind::kJpeg:
      decoded = picture::DecodeJpegPicture(data, size, *record, reason);
      break;
    case PictureKind::kBmp:
      decoded = picture::DecodeBmpPicture(data, size, *record, reason);
      break;
    case PictureKind::kIcon:
    case PictureKind::kCursor:
      decoded = picture::DecodeIconPicture(data, size, *record, reason);
      break;
    case PictureKind::kGif:
      decoded = DecodeGifPicture(data, size, *record, reason);
      break;
    case PictureKind::kPcx8:
    case PictureKind::kPcx1:
      decoded = picture::DecodePcxPicture(data, size, *record, reason);
      break;
    case PictureKind::kPng:
      decoded = picture::DecodePngPicture(data, size, *record, reason);
      break;
    case PictureKind::kNone:
      break;
  }
  if (!decoded) {
    ReleaseBlocks(*record);
    delete record;
    return nullptr;
  }
  record->kind = kind;
  return record;
}

Picture* DecodePictureFile(const char* gbkPath, std::string* reason) {
  if (!gbkPath || !*gbkPath) {
    if (reason) *reason = "no file name";
    return nullptr;
  }
  std::string contents;
  if (!ReadWholeFile(NativePath(gbkPath), contents)) {
    if (reason) *reason = "the file cannot be read";
    return nullptr;
  }
  return DecodePictureBytes(reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size(), reason);
}

void FreePicture(Picture* picture) {
  if (!picture) return;
  ReleaseBlocks(*picture);
  delete picture;
}

}  // namespace zorvel
