// zorvel-sample-kit OUTDIR
//
// Writes the sample kit the build lays into the program folder, so that a first run
// shows a real draw:
//   OUTDIR/底图.jpg               the festive background, 1920 × 1080
//   OUTDIR/奖品图片/1.jpg … 8.jpg  the prize cards 一等奖 … 八等奖, 1600 × 900
//   OUTDIR/wav/dong.wav           the smash sound: a crack, then a gong (16-bit PCM,
//                                 44100 Hz, mono, about 1.3 s, peaking at −3 dBFS)
// The folders are made when missing; files already there are written over (the build
// keeps the kit in a folder of its own and copies only what the program folder lacks).
// The pictures are painted with Qt on the offscreen platform unless another is chosen.
// Exit status 0 on success, 1 when a file cannot be written, 2 on bad usage.
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// libjpeg's header expects size_t and FILE to be declared before it.
#include <jpeglib.h>

#include "tools/sample_kit_pictures.h"

namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------
// JPEG through libjpeg, baseline, quality 90.

struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf escape;
};

[[noreturn]] void JpegFailed(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->escape, 1); }

bool WriteJpeg(const fs::path& path, const QImage& picture) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  jpeg_compress_struct info{};
  JpegErrors errors{};
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JpegFailed;
  if (setjmp(errors.escape)) {
    jpeg_destroy_compress(&info);
    std::fclose(file);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(rgb.width());
  info.image_height = static_cast<JDIMENSION>(rgb.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
  return std::fclose(file) == 0 && flushed;
}

// ---------------------------------------------------------------------------------------
// The smash sound.

constexpr int kRate = 44100;
constexpr double kSeconds = 1.3;

// Mono samples in −1 … 1: the shell cracking (bursts of bright noise over a short low
// thump) and a gong struck with it (inharmonic partials, each with a slightly detuned
// twin so that it beats slowly, the higher ones dying away faster), faded out at the end.
std::vector<double> SmashSound() {
  const int count = static_cast<int>(kRate * kSeconds);
  std::vector<double> out(static_cast<std::size_t>(count));
  // Crack: three noise bursts, the first the loudest, through a one-pole high-pass.
  struct Burst {
    double start, level, decay;
  } bursts[] = {{0.0, 1.0, 0.016}, {0.024, 0.55, 0.012}, {0.052, 0.35, 0.010}};
  std::uint32_t noise = 0x2545F491;
  double previousIn = 0, previousOut = 0;
  struct Partial {
    double ratio, level, decay;
  } partials[] = {{1.0, 1.0, 0.95}, {1.52, 0.55, 0.62}, {2.16, 0.42, 0.45},
                  {2.87, 0.3, 0.34}, {3.56, 0.2, 0.25}, {4.72, 0.12, 0.18}};
  constexpr double kFundamental = 174.0, kBeat = 1.4, kGongStart = 0.018;
  for (int i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / kRate;
    noise ^= noise << 13;
    noise ^= noise >> 17;
    noise ^= noise << 5;
    const double white = noise / 2147483648.0 - 1.0;
    double crackLevel = 0;
    for (const Burst& b : bursts)
      if (t >= b.start) crackLevel += b.level * std::exp(-(t - b.start) / b.decay);
    const double high = 0.86 * (previousOut + white - previousIn);
    previousIn = white;
    previousOut = high;
    const double thump = std::sin(2 * M_PI * 92 * t) * std::exp(-t / 0.045);
    double gong = 0;
    if (t >= kGongStart) {
      const double g = t - kGongStart;
      const double attack = g < 0.004 ? 0.5 - 0.5 * std::cos(M_PI * g / 0.004) : 1.0;
      for (const Partial& p : partials) {
        const double f = kFundamental * p.ratio;
        const double tone = std::sin(2 * M_PI * f * g) + 0.5 * std::sin(2 * M_PI * (f + kBeat * p.ratio) * g);
        gong += p.level * tone * std::exp(-g / p.decay);
      }
      gong *= attack;
    }
    const double fade = t > kSeconds - 0.15 ? (kSeconds - t) / 0.15 : 1.0;
    out[static_cast<std::size_t>(i)] = (0.8 * crackLevel * high + 0.4 * thump + 0.42 * gong) * fade;
  }
  return out;
}

void PutU16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8 & 0xFF);
}
void PutU32(std::string& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

// A canonical RIFF/WAVE file: "fmt " (PCM, mono, 16 bits) and "data", the samples
// scaled so that the loudest one sits at −3 dBFS.
std::string WaveFile(const std::vector<double>& samples) {
  double peak = 0;
  for (const double s : samples) peak = std::max(peak, std::fabs(s));
  const double scale = peak > 0 ? 32767.0 * std::pow(10.0, -3.0 / 20) / peak : 0;
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
  std::string out = "RIFF";
  PutU32(out, 36 + dataBytes);
  out += "WAVEfmt ";
  PutU32(out, 16);
  PutU16(out, 1);          // PCM
  PutU16(out, 1);          // channels
  PutU32(out, kRate);      // samples a second
  PutU32(out, kRate * 2);  // bytes a second
  PutU16(out, 2);          // bytes a frame
  PutU16(out, 16);         // bits a sample
  out += "data";
  PutU32(out, dataBytes);
  for (const double s : samples) {
    const long v = std::lround(s * scale);
    PutU16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(v, -32768L, 32767L))));
  }
  return out;
}

bool WriteBytes(const fs::path& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

int CannotWrite(const fs::path& path) {
  std::fprintf(stderr, "zorvel-sample-kit: cannot write %s\n", path.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zorvel-sample-kit OUTDIR\n");
    return 2;
  }
  const fs::path folder = argv[1];
  const fs::path cards = folder / "奖品图片", sounds = folder / "wav";
  std::error_code error;
  for (const fs::path& f : {folder, cards, sounds}) {
    fs::create_directories(f, error);
    if (!fs::is_directory(f)) return CannotWrite(f);
  }
  // The sound needs no window system: it is written first.
  if (!WriteBytes(sounds / "dong.wav", WaveFile(SmashSound()))) return CannotWrite(sounds / "dong.wav");

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (!WriteJpeg(folder / "底图.jpg", zorvel::tools::kit::Background())) return CannotWrite(folder / "底图.jpg");
  for (int level = 1; level <= 8; ++level) {
    const fs::path card = cards / (std::to_string(level) + ".jpg");
    if (!WriteJpeg(card, zorvel::tools::kit::PrizeCard(level))) return CannotWrite(card);
  }
  return 0;
}
