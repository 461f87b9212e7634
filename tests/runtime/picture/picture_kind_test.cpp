// The kind of picture data from its first bytes, decoding by kind, and reading a named
// file through the file layer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/runtime/picture/raster_support.h"
#include "tests/support/temp_folder.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"

// Writer options are designated initializers that name only what a case changes.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace zorvel {
namespace {
using namespace test;
using namespace literals;

TEST(DetectPictureKind, FirstBytesInTableOrder) {
  struct Row {
    Bytes head;
    PictureKind kind;
  } rows[] = {
      {{0xFF, 0xD8, 0xFF, 0xE0, 0, 0}, PictureKind::kJpeg},
      {{0xFF, 0xD8, 0, 0, 0, 0}, PictureKind::kJpeg},
      {{'B', 'M', 0, 0, 0, 0}, PictureKind::kBmp},
      {{0, 0, 1, 0, 1, 0}, PictureKind::kIcon},
      {{0, 0, 1, 0, 0, 1}, PictureKind::kIcon},  // 256 images
      {{0, 0, 1, 0, 0, 0}, PictureKind::kNone},  // no images
      {{0, 0, 2, 0, 3, 0}, PictureKind::kCursor},
      {{0, 0, 2, 0, 0, 0}, PictureKind::kNone},
      {{0, 0, 3, 0, 1, 0}, PictureKind::kNone},
      {{1, 0, 1, 0, 1, 0}, PictureKind::kNone},
      {{'G', 'I', 'F', '8', '9', 'a'}, PictureKind::kGif},
      {{'G', 'I', 'F', '8', '7', 'a'}, PictureKind::kGif},
      {{'G', 'I', 'F', '8', '8', 'a'}, PictureKind::kNone},
      {{'G', 'I', 'F', '8', '9', 'b'}, PictureKind::kNone},
      {{0x0A, 5, 1, 8, 0, 0}, PictureKind::kPcx8},
      {{0x0A, 0, 1, 8, 0, 0}, PictureKind::kPcx8},
      {{0x0A, 6, 1, 8, 0, 0}, PictureKind::kNone},  // version above 5
      {{0x0A, 5, 0, 8, 0, 0}, PictureKind::kNone},  // not run-length encoded
      {{0x0A, 3, 1, 1, 0, 0}, PictureKind::kPcx1},
      {{0x0A, 5, 1, 1, 0, 0}, PictureKind::kNone},  // 1 bit only with version 3
      {{0x0A, 3, 1, 4, 0, 0}, PictureKind::kNone},
      {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, PictureKind::kPng},
      {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, 0}, PictureKind::kNone},
      {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A}, PictureKind::kNone},  // 7 bytes of the signature
      {{0, 0, 0, 0, 0, 0}, PictureKind::kNone},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(DetectPictureKind(rows[i].head.data(), rows[i].head.size()), rows[i].kind);
  }
}

TEST(DetectPictureKind, FiveBytesAreNeverAPicture) {
  const Bytes heads[] = {
      {0xFF, 0xD8, 0xFF, 0xE0, 0}, {'B', 'M', 0, 0, 0}, {0, 0, 1, 0, 1},     {0, 0, 2, 0, 1},
      {'G', 'I', 'F', '8', '9'},   {0x0A, 5, 1, 8, 0},  {0x0A, 3, 1, 1, 0}, {0x89, 'P', 'N', 'G', '\r'},
  };
  const char* reasons[] = {"no picture data",
                           "picture data too short to tell its kind (1 byte)",
                           "picture data too short to tell its kind (2 bytes)",
                           "picture data too short to tell its kind (3 bytes)",
                           "picture data too short to tell its kind (4 bytes)",
                           "picture data too short to tell its kind (5 bytes)"};
  for (std::size_t i = 0; i < std::size(heads); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    for (std::size_t n = 0; n <= 5; ++n) {
      EXPECT_EQ(DetectPictureKind(heads[i].data(), n), PictureKind::kNone) << n << " bytes";
      std::string reason;
      EXPECT_EQ(DecodePictureBytes(heads[i].data(), n, &reason), nullptr) << n << " bytes";
      EXPECT_EQ(reason, reasons[n]);
    }
  }
  EXPECT_EQ(DetectPictureKind(nullptr, 100), PictureKind::kNone);
}

TEST(DecodePictureBytes, DispatchesByKind) {
  const std::vector<std::uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  const std::vector<std::uint32_t> indexes = {0, 1, 2, 3, 3, 2};
  struct Row {
    Bytes file;
    PictureKind kind;
    int width, height;
  } rows[] = {
      {WriteJpeg(3, 2, Pattern(3, 2)), PictureKind::kJpeg, 3, 2},
      {WriteBmp(3, 2, Pattern(3, 2)), PictureKind::kBmp, 3, 2},
      {WriteIconFile(1, {{.image = IconBitmap(3, 2, 32, Pattern(3, 2))}}), PictureKind::kIcon, 3, 2},
      {WriteIconFile(2, {{.image = IconBitmap(3, 2, 24, Pattern(3, 2))}}), PictureKind::kCursor, 3, 2},
      {WritePcx(3, 2, indexes, palette), PictureKind::kPcx8, 3, 2},
      {WritePcx(3, 2, {1, 0, 1, 0, 1, 0}, {}, {.bits = 1, .version = 3}), PictureKind::kPcx1, 3, 2},
      {WritePng(3, 2, PngSamples(Pattern(3, 2), true), {.colourType = PNG_COLOR_TYPE_RGB_ALPHA}), PictureKind::kPng, 3,
       2},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    Decoded d = Decode(rows[i].file);
    ASSERT_TRUE(d) << d.reason;
    EXPECT_EQ(d->kind, rows[i].kind);
    EXPECT_EQ(d->width, rows[i].width);
    EXPECT_EQ(d->height, rows[i].height);
    EXPECT_EQ(PixelsOf(*d.picture).size(), 6u) << "block size matches the kind";
  }
}
TEST(DecodePictureBytes, UnknownKindsNameTheirFirstBytes) {
  struct Row {
    Bytes bytes;
    const char* reason;
  } rows[] = {
      {{'R', 'I', 'F', 'F', 0x24, 0}, "unknown kind of picture (first bytes 52 49 46 46 24 00)"},
      {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, 0, 0}, "unknown kind of picture (first bytes 89 50 4E 47 0D 0A)"},
      {{0, 0, 0, 0, 0, 0, 0}, "unknown kind of picture (first bytes 00 00 00 00 00 00)"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    Decoded d = Decode(rows[i].bytes);
    EXPECT_FALSE(d);
    EXPECT_EQ(d.reason, rows[i].reason);
  }
}

TEST(DecodePictureFile, ReadsThroughTheFileLayer) {
  const TempFolder temp("zorvel-picture");
  const std::string folder = temp.path();
  ASSERT_TRUE(std::filesystem::create_directory(folder + "/奖品图片"));
  const Bytes bmp = WriteBmp(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
  {
    std::ofstream out(folder + "/奖品图片/1.bmp", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
  }
  const std::string gbkFolder = gbk::FromUtf8(folder);
  struct Row {
    std::string gbkPath;
    bool decodes;
    const char* reason;
  } rows[] = {
      {gbkFolder + "\\奖品图片\\1.bmp"_gbk, true, ""},
      {gbkFolder + "/奖品图片/1.bmp"_gbk, true, ""},
      {gbkFolder + "\\奖品图片\\2.bmp"_gbk, false, "the file cannot be read"},
      {gbkFolder, false, "the file cannot be read"},  // a folder
      {"", false, "no file name"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    std::string reason;
    Picture* p = DecodePictureFile(rows[i].gbkPath.c_str(), &reason);
    EXPECT_EQ(p != nullptr, rows[i].decodes);
    EXPECT_EQ(reason, rows[i].reason);
    if (p) {
      EXPECT_EQ(PixelsOf(*p), Opaque({0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}));
    }
    FreePicture(p);
  }
  EXPECT_EQ(DecodePictureFile(nullptr), nullptr);
  FreePicture(nullptr);
}

}  // namespace
}  // namespace zorvel
