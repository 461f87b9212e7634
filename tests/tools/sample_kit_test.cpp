// The sample kit: the generator writes the same kit the build made (build/…/kit), the
// program's own decoders read its pictures at their sizes, the eight prize cards are
// told apart by their colours, the smash sound is a short PCM sound the WAV player's
// chunk reader accepts, and laying the kit into a program folder never replaces a file
// that is already there.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "runtime/picture/picture.h"
#ifdef ZORVEL_HAVE_SOUND
#include "runtime/sound/wav_player.h"
#endif

namespace {

namespace fs = std::filesystem;

const std::string kGenerator = std::string(ZORVEL_BINARY_DIR) + "/tools/zorvel-sample-kit";
const fs::path kBuiltKit = fs::path(ZORVEL_BINARY_DIR) / "kit";
const fs::path kLayScript =
    fs::path(ZORVEL_SOURCE_DIR) / "resources/lay_missing.cmake";

std::vector<std::string> KitFiles() {
  std::vector<std::string> names = {"底图.jpg", "wav/dong.wav"};
  for (int n = 1; n <= 8; ++n) names.push_back("奖品图片/" + std::to_string(n) + ".jpg");
  return names;
}

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

// The generator paints with Qt; fontconfig keeps its caches to the end, so a sanitized
// build checks it without the leak report.
std::string RunGenerator(const std::string& folder) {
  return "QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 '" + kGenerator + "' '" + folder + "'";
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/zorvel-kit-XXXXXX";
    if (mkdtemp(pattern)) path_ = pattern;
  }
  ~TempFolder() {
    if (!path_.empty()) fs::remove_all(path_);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

using PicturePtr = std::unique_ptr<zorvel::Picture, void (*)(zorvel::Picture*)>;

PicturePtr Decode(const fs::path& file) {
  const std::string bytes = ReadBytes(file);
  std::string reason;
  PicturePtr picture(
      zorvel::DecodePictureBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &reason),
      zorvel::FreePicture);
  EXPECT_NE(picture, nullptr) << file << ": " << reason;
  return picture;
}

TEST(SampleKit, GeneratorWritesTheKitTheBuildMade) {
  TempFolder folder;
  ASSERT_FALSE(folder.path().empty());
  std::string said;
  ASSERT_EQ(Shell(RunGenerator(folder.path().string()), &said), 0) << said;
  for (const std::string& name : KitFiles()) {
    const std::string fresh = ReadBytes(folder.path() / name);
    const std::string built = ReadBytes(kBuiltKit / name);
    EXPECT_GT(fresh.size(), 10000u) << name;
    EXPECT_TRUE(fresh == built) << name << " differs from the build's kit in " << kBuiltKit;
  }
}

// JPEG pictures (kind 1) of the sizes the program shows them at.
TEST(SampleKit, PicturesDecodeWithTheProgramsDecoder) {
  struct Row {
    std::string name;
    int width, height;
  };
  std::vector<Row> rows = {{"底图.jpg", 1920, 1080}};
  for (int n = 1; n <= 8; ++n) rows.push_back({"奖品图片/" + std::to_string(n) + ".jpg", 1600, 900});
  for (const Row& row : rows) {
    const PicturePtr picture = Decode(kBuiltKit / row.name);
    if (!picture) continue;
    EXPECT_EQ(picture->kind, zorvel::PictureKind::kJpeg) << row.name;
    EXPECT_EQ(picture->width, row.width) << row.name;
    EXPECT_EQ(picture->height, row.height) << row.name;
  }
}

// Each card has colours of its own: the mean colours of any two lie far apart.
TEST(SampleKit, PrizeCardsDifferClearlyInColour) {
  std::array<std::array<double, 3>, 8> means{};
  for (int n = 1; n <= 8; ++n) {
    const PicturePtr picture = Decode(kBuiltKit / ("奖品图片/" + std::to_string(n) + ".jpg"));
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->pixelBytes, 1600u * 900u * 3u);
    double sum[3] = {0, 0, 0};  // blue, green, red
    for (std::uint32_t i = 0; i < picture->pixelBytes; ++i) sum[i % 3] += picture->pixels[i];
    for (int c = 0; c < 3; ++c) means[n - 1][c] = sum[c] / (1600.0 * 900.0);
  }
  auto rgb = [&](int card) {
    return std::to_string(static_cast<int>(means[card][2])) + "," + std::to_string(static_cast<int>(means[card][1])) +
           "," + std::to_string(static_cast<int>(means[card][0]));
  };
  for (int a = 0; a < 8; ++a) {
    for (int b = a + 1; b < 8; ++b) {
      double d2 = 0;
      for (int c = 0; c < 3; ++c) d2 += (means[a][c] - means[b][c]) * (means[a][c] - means[b][c]);
      EXPECT_GT(std::sqrt(d2), 50.0) << "cards " << a + 1 << " (" << rgb(a) << ") and " << b + 1 << " (" << rgb(b) << ")";
    }
  }
}

// A mono 16-bit PCM sound at 44100 Hz lasting 1 to 1.5 s, loudest at −3 dBFS, loud at
// the crack and quiet by its end.
TEST(SampleKit, SmashSoundIsAShortPcmGong) {
  const std::string wav = ReadBytes(kBuiltKit / "wav/dong.wav");
  ASSERT_GT(wav.size(), 44u);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(wav.data());
  auto u16 = [](const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | p[1] << 8); };
  auto u32 = [&](const std::uint8_t* p) { return u16(p) | u16(p + 2) << 16; };
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(wav.substr(8, 4), "WAVE");
  EXPECT_EQ(u32(bytes + 4), wav.size() - 8);
  std::span<const std::uint8_t> format(bytes + 20, 16), samples(bytes + 44, wav.size() - 44);
#ifdef ZORVEL_HAVE_SOUND
  zorvel::wav::Chunks chunks;
  ASSERT_TRUE(zorvel::wav::FindChunks({bytes, wav.size()}, chunks));
  format = chunks.format;
  samples = chunks.samples;
#endif
  ASSERT_GE(format.size(), 16u);
  EXPECT_EQ(u16(&format[0]), 1u);       // PCM
  EXPECT_EQ(u16(&format[2]), 1u);       // mono
  EXPECT_EQ(u32(&format[4]), 44100u);   // samples a second
  EXPECT_EQ(u32(&format[8]), 88200u);   // bytes a second
  EXPECT_EQ(u16(&format[12]), 2u);      // bytes a frame
  EXPECT_EQ(u16(&format[14]), 16u);     // bits a sample
  const std::size_t count = samples.size() / 2;
  EXPECT_EQ(samples.size(), wav.size() - 44);
  EXPECT_GE(count, 44100u);
  EXPECT_LE(count, 66150u);
  std::vector<double> s(count);
  int peak = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const auto v = static_cast<std::int16_t>(u16(&samples[2 * i]));
    s[i] = v;
    peak = std::max(peak, std::abs(static_cast<int>(v)));
  }
  const double peakDb = 20 * std::log10(peak / 32768.0);
  EXPECT_NEAR(peakDb, -3.0, 0.3);
  auto rms = [&](double from, double to) {
    double sum = 0;
    const auto a = static_cast<std::size_t>(from * 44100), b = std::min(count, static_cast<std::size_t>(to * 44100));
    for (std::size_t i = a; i < b; ++i) sum += s[i] * s[i];
    return std::sqrt(sum / static_cast<double>(b - a));
  };
  const double durationS = count / 44100.0;
  EXPECT_GT(rms(0.0, 0.08), rms(0.3, 0.5)) << "the crack is the loudest part";
  EXPECT_LT(rms(durationS - 0.2, durationS), rms(0.05, 0.35) * 0.15) << "the gong has died away at the end";
  EXPECT_GT(rms(0.5, 0.8), rms(durationS - 0.2, durationS)) << "the gong rings on between";
}

// The build's lay step with the kit and a program folder that already holds the
// operator's background and sound, and a link where card 5 would go: those stay as
// they are; the missing cards are laid. A card removed afterwards comes back with the
// next run, and nothing else changes.
TEST(SampleKit, LayingTheKitNeverReplacesAFile) {
  TempFolder program;
  ASSERT_FALSE(program.path().empty());
  const fs::path& to = program.path();
  WriteBytes(to / "底图.jpg", "the operator's own background");
  WriteBytes(to / "wav/dong.wav", "the operator's own sound");
  fs::create_directories(to / "奖品图片");
  fs::create_symlink("/nonexistent/picture.jpg", to / "奖品图片/5.jpg");
  const std::string lay =
      "'" + std::string(ZORVEL_CMAKE_COMMAND) + "' -DFROM='" + kBuiltKit.string() + "' -DTO='" + to.string() +
      "' -P '" + kLayScript.string() + "'";
  std::string said;
  ASSERT_EQ(Shell(lay, &said), 0) << said;
  EXPECT_EQ(ReadBytes(to / "底图.jpg"), "the operator's own background");
  EXPECT_EQ(ReadBytes(to / "wav/dong.wav"), "the operator's own sound");
  EXPECT_TRUE(fs::is_symlink(to / "奖品图片/5.jpg"));
  for (int n = 1; n <= 8; ++n) {
    if (n == 5) continue;
    const std::string name = "奖品图片/" + std::to_string(n) + ".jpg";
    EXPECT_TRUE(ReadBytes(to / name) == ReadBytes(kBuiltKit / name)) << name;
  }

  fs::remove(to / "奖品图片/3.jpg");
  WriteBytes(to / "奖品图片/4.jpg", "the operator's card 4");
  ASSERT_EQ(Shell(lay, &said), 0) << said;
  EXPECT_TRUE(ReadBytes(to / "奖品图片/3.jpg") == ReadBytes(kBuiltKit / "奖品图片/3.jpg"));
  EXPECT_EQ(ReadBytes(to / "奖品图片/4.jpg"), "the operator's card 4");
  EXPECT_EQ(ReadBytes(to / "底图.jpg"), "the operator's own background");
}

TEST(SampleKit, BadUsageAndUnwritableFolder) {
  TempFolder folder;
  ASSERT_FALSE(folder.path().empty());
  WriteBytes(folder.path() / "plain", "a file, not a folder");
  std::string said;
  EXPECT_EQ(Shell("'" + kGenerator + "'", &said), 2) << said;
  EXPECT_EQ(Shell("'" + kGenerator + "' a b", &said), 2) << said;
  EXPECT_EQ(Shell(RunGenerator((folder.path() / "plain/kit").string()), &said), 1) << said;
}

}  // namespace
