// JPEG decoding: this runtime's decoder against Qt's reader of the same bytes, on a
// full-HD picture with real detail (gradients, stripes and noise, quality 90), and the
// peak memory of decoding a 6000 × 4000 picture.
//
// Run from a Release build; compare the two full-HD times (the goal is at most 1.1 times
// Qt's). The memory figures are counters: the decoder's peak resident growth beside the
// size of the decoded pixels.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "runtime/picture/picture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct EncodeError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void EncodeFailed(j_common_ptr info) { std::longjmp(reinterpret_cast<EncodeError*>(info->err)->jump, 1); }

// One scan line of the synthetic picture: smooth gradients, stripes and noise, so
// that the coder has detail everywhere. Rows are made one at a time, so that a large
// picture is never held whole while it is encoded.
void MakeRow(int y, int width, int height, std::mt19937& random, std::uint8_t* row) {
  for (int x = 0; x < width; ++x) {
    const int noise = static_cast<int>(random() % 33) - 16;
    const int stripe = ((x / 7 + y / 5) % 9) * 12;
    const int r = x * 255 / width + noise, g = y * 255 / height - noise / 2, b = stripe + noise;
    row[3 * x] = static_cast<std::uint8_t>(std::clamp(r, 0, 255));
    row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(g, 0, 255));
    row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(b, 0, 255));
  }
}

// Nothing here has a destructor: a library error comes back through longjmp.
bool RunEncoder(int width, int height, int quality, bool progressive, std::uint8_t* row, unsigned char** out,
                unsigned long* size) {
  jpeg_compress_struct info;
  EncodeError error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = EncodeFailed;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, out, size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::mt19937 random(42);
  while (info.next_scanline < info.image_height) {
    MakeRow(static_cast<int>(info.next_scanline), width, height, random, row);
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

Bytes MakeJpeg(int width, int height, int quality, bool progressive = false) {
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  Bytes out;
  if (RunEncoder(width, height, quality, progressive, row.data(), &buffer, &size)) out.assign(buffer, buffer + size);
  std::free(buffer);
  return out;
}

const Bytes& FullHd() {
  static const Bytes jpeg = MakeJpeg(1920, 1080, 90);
  return jpeg;
}

void BM_JpegFullHd_Zorvel(benchmark::State& state) {
  const Bytes& jpeg = FullHd();
  for (auto _ : state) {
    zorvel::Picture* p = zorvel::DecodePictureBytes(jpeg.data(), jpeg.size());
    if (!p) {
      state.SkipWithError("not decoded");
      break;
    }
    benchmark::DoNotOptimize(p->pixels);
    zorvel::FreePicture(p);
  }
  state.counters["jpeg_KiB"] = static_cast<double>(jpeg.size()) / 1024;
}
BENCHMARK(BM_JpegFullHd_Zorvel)->Unit(benchmark::kMillisecond);

void BM_JpegFullHd_Qt(benchmark::State& state) {
  const Bytes& jpeg = FullHd();
  const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(jpeg.data()),
                                                  static_cast<qsizetype>(jpeg.size()));
  for (auto _ : state) {
    QImage image = QImage::fromData(data, "JPEG");
    if (image.isNull()) {
      state.SkipWithError("not decoded");
      break;
    }
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_JpegFullHd_Qt)->Unit(benchmark::kMillisecond);

// Resident memory in KiB from /proc/self/status ("VmRSS:" now, "VmHWM:" the peak).
long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
  return -1;
}

// Resets the peak to the present resident size; false where the kernel does not allow it.
bool ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return clear.good();
}

const Bytes& Large(bool progressive) {
  static const Bytes baseline = MakeJpeg(6000, 4000, 90);
  static const Bytes stepwise = MakeJpeg(6000, 4000, 90, true);
  return progressive ? stepwise : baseline;
}

// The peak resident growth while one 6000 × 4000 picture is decoded and held.
template <typename Decode>
void MeasurePeak(benchmark::State& state, Decode decode, bool progressive = false) {
  const Bytes& jpeg = Large(progressive);
  double growthMiB = 0;
  for (auto _ : state) {
    if (!ResetPeak()) {
      state.SkipWithError("/proc/self/clear_refs cannot be written: the peak cannot be reset");
      break;
    }
    const long before = StatusKiB("VmRSS:");
    if (!decode(jpeg)) {
      state.SkipWithError("not decoded");
      break;
    }
    growthMiB = static_cast<double>(StatusKiB("VmHWM:") - before) / 1024;
  }
  state.counters["peak_growth_MiB"] = growthMiB;
  state.counters["pixels_MiB"] = 6000.0 * 4000 * 3 / (1 << 20);
  state.counters["jpeg_MiB"] = static_cast<double>(jpeg.size()) / (1 << 20);
}

void BM_JpegPeakMemory6000x4000_Zorvel(benchmark::State& state) {
  MeasurePeak(state, [](const Bytes& jpeg) {
    zorvel::Picture* p = zorvel::DecodePictureBytes(jpeg.data(), jpeg.size());
    const bool decoded = p != nullptr;
    zorvel::FreePicture(p);
    return decoded;
  });
}
BENCHMARK(BM_JpegPeakMemory6000x4000_Zorvel)->Unit(benchmark::kMillisecond)->Iterations(3);

// A progressive picture: the library holds every coefficient of the picture until the
// last scan (about as many bytes as the pixels for 2 × 2 chroma subsampling).
void BM_JpegPeakMemory6000x4000Progressive_Zorvel(benchmark::State& state) {
  MeasurePeak(
      state,
      [](const Bytes& jpeg) {
        zorvel::Picture* p = zorvel::DecodePictureBytes(jpeg.data(), jpeg.size());
        const bool decoded = p != nullptr;
        zorvel::FreePicture(p);
        return decoded;
      },
      true);
}
BENCHMARK(BM_JpegPeakMemory6000x4000Progressive_Zorvel)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_JpegPeakMemory6000x4000_Qt(benchmark::State& state) {
  MeasurePeak(state, [](const Bytes& jpeg) {
    const QImage image = QImage::fromData(
        QByteArray::fromRawData(reinterpret_cast<const char*>(jpeg.data()), static_cast<qsizetype>(jpeg.size())),
        "JPEG");
    return !image.isNull();
  });
}
BENCHMARK(BM_JpegPeakMemory6000x4000_Qt)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
