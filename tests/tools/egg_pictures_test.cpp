// The egg picture generator, run as a program, writes exactly the ten GIF files kept in
// resources/eggs/; the program's own GIF decoder reads each as a 200 × 188 picture whose
// only white colour is the transparent index 255, so that a button that cuts its outline
// at white shows the whole egg and nothing around it, without a light fringe. With
// ZORVEL_EGG_PREVIEW=FILE.png the test that cuts them as a button does also writes all
// ten at twice their size on red and on near-black.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "runtime/picture/draw.h"
#include "runtime/picture/picture.h"

namespace {

const std::string kGenerator = std::string(ZORVEL_BINARY_DIR) + "/tools/zorvel-egg-pictures";
const std::filesystem::path kKeptFolder =
    std::filesystem::path(ZORVEL_SOURCE_DIR) / "resources/eggs";

constexpr int kWidth = 200, kHeight = 188;
constexpr std::uint32_t kWhite = 0x00FFFFFF;  // 0x00BBGGRR

const std::array<std::string, 10> kNames = {"egg-1.gif", "egg-2.gif", "egg-3.gif", "egg-4.gif", "egg-5.gif",
                                            "egg-6.gif", "egg-7.gif", "egg-8.gif", "egg-9.gif", "smash.gif"};

int Shell(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  char buffer[256];
  std::string text;
  while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
  const int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A picture as the program decodes it: its colour table and its index rows.
struct Decoded {
  std::uint32_t transparentColour = 0;
  std::array<std::array<std::uint8_t, 3>, 256> table{};  // red, green, blue
  std::vector<std::uint8_t> indexes;                      // kWidth × kHeight
  std::uint8_t At(int x, int y) const { return indexes[static_cast<std::size_t>(y) * kWidth + x]; }
  bool Opaque(int x, int y) const { return At(x, y) != 255; }
};

// Decodes with the runtime's GIF decoder; fails the test when it is not a 200 × 188 GIF.
void Decode(const std::string& bytes, Decoded& out, const std::string& name) {
  std::string reason;
  std::unique_ptr<zorvel::Picture, void (*)(zorvel::Picture*)> picture(
      zorvel::DecodePictureBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &reason),
      zorvel::FreePicture);
  ASSERT_NE(picture, nullptr) << name << ": " << reason;
  ASSERT_EQ(picture->kind, zorvel::PictureKind::kGif) << name;
  ASSERT_EQ(picture->width, kWidth) << name;
  ASSERT_EQ(picture->height, kHeight) << name;
  // A 40-byte header, 256 table entries (blue, green, red, 0), rows of 200 bytes.
  ASSERT_EQ(picture->pixelBytes, 40u + 1024u + kWidth * kHeight) << name;
  out.transparentColour = picture->transparentColour;
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t* entry = picture->pixels + 40 + 4 * i;
    out.table[i] = {entry[2], entry[1], entry[0]};
  }
  out.indexes.assign(picture->pixels + 40 + 1024, picture->pixels + picture->pixelBytes);
}

// The files as kept in resources/eggs/ (and embedded in the program); the first test
// shows that the generator writes exactly these.
class EggPictures : public testing::Test {
 protected:
  void SetUp() override {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      bytes_[i] = ReadBytes(kKeptFolder / kNames[i]);
      ASSERT_FALSE(bytes_[i].empty()) << kKeptFolder / kNames[i] << " is missing";
    }
  }
  std::array<std::string, 10> bytes_;
};

TEST_F(EggPictures, GeneratorWritesTheFilesKeptInResources) {
  char pattern[] = "/tmp/zorvel-egg-pictures-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  std::string said;
  EXPECT_EQ(Shell("'" + kGenerator + "' '" + folder + "'", &said), 0) << said;
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    const std::string written = ReadBytes(folder + "/" + kNames[i]);
    EXPECT_EQ(written.size(), bytes_[i].size()) << kNames[i];
    EXPECT_TRUE(written == bytes_[i]) << "resources/eggs/" << kNames[i] << " differs from what zorvel-egg-pictures writes";
  }
  std::filesystem::remove_all(folder);
}

// Index 255 is transparent and white, and no other entry is white: the button's cut at
// white then removes exactly the pixels around the egg.
TEST_F(EggPictures, OnlyTheTransparentIndexIsWhite) {
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    const std::string& b = bytes_[i];
    ASSERT_GT(b.size(), 13u + 768u + 8u) << kNames[i];
    EXPECT_EQ(b.substr(0, 6), "GIF89a") << kNames[i];
    // The graphic control right after the 256-entry global table: transparent flag set,
    // index 255.
    EXPECT_EQ(static_cast<std::uint8_t>(b[10]) & 0x87, 0x87) << kNames[i] << ": a global table of 256 entries";
    const std::size_t control = 13 + 768;
    EXPECT_EQ(static_cast<std::uint8_t>(b[control]), 0x21) << kNames[i];
    EXPECT_EQ(static_cast<std::uint8_t>(b[control + 1]), 0xF9) << kNames[i];
    EXPECT_EQ(static_cast<std::uint8_t>(b[control + 3]) & 1, 1) << kNames[i];
    EXPECT_EQ(static_cast<std::uint8_t>(b[control + 6]), 255) << kNames[i];

    Decoded d;
    ASSERT_NO_FATAL_FAILURE(Decode(b, d, kNames[i]));
    EXPECT_EQ(d.transparentColour, kWhite) << kNames[i];
    EXPECT_EQ(d.table[255], (std::array<std::uint8_t, 3>{255, 255, 255})) << kNames[i];
    for (int e = 0; e < 255; ++e) {
      const auto& c = d.table[e];
      EXPECT_FALSE(c[0] == 255 && c[1] == 255 && c[2] == 255) << kNames[i] << ": entry " << e << " is white";
    }
  }
}

// Each picture is an upright shape: between 40 % and 85 % of it opaque, its centre
// opaque, its corners transparent; and its edge pixels are dark or coloured, never the
// near-white that would show as a fringe on a red or dark ground.
TEST_F(EggPictures, OutlineIsAnEggWithoutALightFringe) {
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    Decoded d;
    ASSERT_NO_FATAL_FAILURE(Decode(bytes_[i], d, kNames[i]));
    int opaque = 0, edge = 0, lightEdge = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        if (!d.Opaque(x, y)) continue;
        ++opaque;
        const bool onEdge = x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1 || !d.Opaque(x - 1, y) ||
                            !d.Opaque(x + 1, y) || !d.Opaque(x, y - 1) || !d.Opaque(x, y + 1);
        if (!onEdge) continue;
        ++edge;
        const auto& c = d.table[d.At(x, y)];
        if (std::min({c[0], c[1], c[2]}) > 200) ++lightEdge;
      }
    }
    const double share = static_cast<double>(opaque) / (kWidth * kHeight);
    EXPECT_GE(share, 0.40) << kNames[i];
    EXPECT_LE(share, 0.85) << kNames[i];
    EXPECT_TRUE(d.Opaque(kWidth / 2, kHeight / 2)) << kNames[i];
    for (const auto& [x, y] : {std::pair{0, 0}, {kWidth - 1, 0}, {0, kHeight - 1}, {kWidth - 1, kHeight - 1}})
      EXPECT_FALSE(d.Opaque(x, y)) << kNames[i] << " corner " << x << "," << y;
    EXPECT_GT(edge, 300) << kNames[i];
    EXPECT_EQ(lightEdge, 0) << kNames[i] << ": edge pixels close to white";
  }
}

// The nine rest pictures are one egg: they agree everywhere but around the number, where
// each shows a different red figure.
TEST_F(EggPictures, RestPicturesDifferOnlyByTheirNumber) {
  std::array<Decoded, 9> eggs;
  for (int n = 0; n < 9; ++n) ASSERT_NO_FATAL_FAILURE(Decode(bytes_[n], eggs[n], kNames[n]));
  const QRect numberBox(62, 74, 76, 90);
  for (int n = 0; n < 9; ++n) {
    int red = 0;
    for (int y = numberBox.top(); y <= numberBox.bottom(); ++y) {
      for (int x = numberBox.left(); x <= numberBox.right(); ++x) {
        const auto& c = eggs[n].table[eggs[n].At(x, y)];
        red += c[0] > 150 && c[1] < 80 && c[2] < 80;
      }
    }
    EXPECT_GT(red, 500) << kNames[n] << ": the red number";
    for (int m = n + 1; m < 9; ++m) {
      double outside = 0, inside = 0;
      int outsideCount = 0, insideCount = 0;
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          const auto& a = eggs[n].table[eggs[n].At(x, y)];
          const auto& b = eggs[m].table[eggs[m].At(x, y)];
          const double difference = std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
          if (numberBox.contains(x, y)) {
            inside += difference;
            ++insideCount;
          } else {
            outside += difference;
            ++outsideCount;
          }
        }
      }
      EXPECT_LT(outside / outsideCount, 3.0) << kNames[n] << " and " << kNames[m] << " away from the number";
      EXPECT_GT(inside / insideCount, 15.0) << kNames[n] << " and " << kNames[m] << " around the number";
    }
  }
}

// Cut and drawn exactly as a picture button does (the region of the pixels that are not
// white, the picture drawn inside it) on a red and on a near-black ground: the region is
// the opaque pixels, so the egg has no holes, and nothing outside it is painted.
TEST_F(EggPictures, CutAtWhiteAsAButtonDoes) {
  const QColor grounds[] = {QColor(255, 0, 0), QColor(24, 8, 10)};
  constexpr int kZoom = 2;
  QImage preview(5 * kWidth * kZoom, 4 * kHeight * kZoom, QImage::Format_RGB32);
  QPainter sheet(&preview);
  for (int g = 0; g < 2; ++g) {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      const auto prepared = zorvel::PreparePictureBytes(bytes_[i]);
      ASSERT_NE(prepared, nullptr) << kNames[i];
      const QRegion region = zorvel::RegionFromBitmap(prepared->image, kWhite);
      Decoded d;
      ASSERT_NO_FATAL_FAILURE(Decode(bytes_[i], d, kNames[i]));
      QImage button(kWidth, kHeight, QImage::Format_RGB32);
      button.fill(grounds[g]);
      {
        QPainter painter(&button);
        painter.setClipRegion(region);
        zorvel::DrawPicture(painter, *prepared, 0, 0, -1, -1);
      }
      int mismatches = 0, paintedOutside = 0;
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          mismatches += region.contains(QPoint(x, y)) != d.Opaque(x, y);
          paintedOutside += !d.Opaque(x, y) && button.pixel(x, y) != grounds[g].rgb();
        }
      }
      EXPECT_EQ(mismatches, 0) << kNames[i];
      EXPECT_EQ(paintedOutside, 0) << kNames[i];
      const QRect cell(static_cast<int>(i % 5) * kWidth * kZoom,
                       (2 * g + static_cast<int>(i / 5)) * kHeight * kZoom, kWidth * kZoom, kHeight * kZoom);
      sheet.drawImage(cell, button);
    }
  }
  sheet.end();
  if (const char* file = std::getenv("ZORVEL_EGG_PREVIEW")) {
    EXPECT_TRUE(preview.save(file, "PNG")) << file;
  }
}

TEST(EggPicturesUsage, BadUsageAndUnwritableFolder) {
  std::string said;
  EXPECT_EQ(Shell("'" + kGenerator + "'", &said), 2) << said;
  EXPECT_EQ(Shell("'" + kGenerator + "' a b", &said), 2) << said;
  EXPECT_EQ(Shell("'" + kGenerator + "' /nonexistent-folder", &said), 1) << said;
}

}  // namespace
