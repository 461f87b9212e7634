// zorvel-movie FILE [--info] [--frame N OUT.png] [--frames DIR] [--size WxH]
//
// Reads an SWF movie with the program's own player. --info (also what it does when no
// picture is asked for) prints the header, the tags seen and the frames counted.
// --frame writes frame N (1-based from the start of playback; past the last frame the
// movie has looped) as a PNG; --frames writes every frame of one pass as
// DIR/frame-001.png, …; both at the movie's size or the --size given, with the stage
// background. Exit status 0 on success, 1 when the movie is refused or a file cannot be
// written (one line on stderr), 2 on bad usage.
#include <QImage>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "runtime/movie/movie.h"
#include "runtime/movie/render.h"
#include "runtime/movie/timeline.h"

namespace {

using namespace zorvel::movie;

int Usage() {
  std::fprintf(stderr, "usage: zorvel-movie FILE [--info] [--frame N OUT.png] [--frames DIR] [--size WxH]\n");
  return 2;
}

int Refused(const std::string& file, const std::string& reason) {
  std::fprintf(stderr, "zorvel-movie: %s: %s\n", file.c_str(), reason.c_str());
  return 1;
}

const char* TagName(int code) {
  switch (code) {
    case 0: return "End";
    case 1: return "ShowFrame";
    case 2: return "DefineShape";
    case 4: return "PlaceObject";
    case 5: return "RemoveObject";
    case 9: return "SetBackgroundColor";
    case 12: return "DoAction";
    case 22: return "DefineShape2";
    case 26: return "PlaceObject2";
    case 28: return "RemoveObject2";
    case 32: return "DefineShape3";
    case 39: return "DefineSprite";
    case 43: return "FrameLabel";
    case 46: return "DefineMorphShape";
    case 69: return "FileAttributes";
    case 70: return "PlaceObject3";
    case 77: return "Metadata";
    case 83: return "DefineShape4";
    case 86: return "DefineSceneAndFrameLabelData";
    default: return "";
  }
}

void PrintInfo(const Movie& movie) {
  const MovieInfo& i = movie.info();
  std::printf("signature %s, version %d, file length %u (body %zu bytes read)%s\n", i.signature.c_str(), i.version,
              i.fileLength, i.bodyBytes, i.truncated ? ", truncated" : "");
  std::printf("stage %d,%d … %d,%d twips: %d x %d pixels\n", i.stage.xMin, i.stage.yMin, i.stage.xMax, i.stage.yMax,
              i.widthPx, i.heightPx);
  std::printf("frame rate %u/256 = %g fps stored, %g fps used\n", i.frameRateStored, i.frameRateStored / 256.0,
              i.frameRate);
  std::printf("frames: %u in the header, %d counted\n", i.headerFrameCount, i.frameCount);
  std::printf("background #%02x%02x%02x%s\n", i.background.r, i.background.g, i.background.b,
              i.backgroundSet ? "" : " (not set: white)");
  if (i.hasFileAttributes) std::printf("file attributes 0x%08x\n", i.fileAttributes);
  std::printf("shapes %zu, sprites %zu\n", movie.shapes().size(), movie.sprites().size());
  std::printf("tags:\n");
  for (const auto& [code, count] : i.tagCounts) std::printf("  %3d %-28s %d\n", code, TagName(code), count);
}

bool ParseSize(const std::string& text, QSize& size) {
  const auto x = text.find('x');
  if (x == std::string::npos) return false;
  char* end = nullptr;
  const long w = std::strtol(text.c_str(), &end, 10);
  if (end != text.c_str() + x) return false;
  const long h = std::strtol(text.c_str() + x + 1, &end, 10);
  if (*end != '\0' || w < 1 || h < 1 || w > 16384 || h > 16384) return false;
  size = QSize(static_cast<int>(w), static_cast<int>(h));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string file = argv[1];
  bool info = false;
  std::optional<long long> frame;
  std::string frameOut, framesDir;
  QSize size;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--info") {
      info = true;
    } else if (arg == "--frame" && i + 2 < argc) {
      char* end = nullptr;
      errno = 0;
      const long long n = std::strtoll(argv[i + 1], &end, 10);
      if (*end != '\0' || errno != 0 || n < 1 || n > 100'000'000) return Usage();
      frame = n;
      frameOut = argv[i + 2];
      i += 2;
    } else if (arg == "--frames" && i + 1 < argc) {
      framesDir = argv[++i];
    } else if (arg == "--size" && i + 1 < argc) {
      if (!ParseSize(argv[++i], size)) return Usage();
    } else {
      return Usage();
    }
  }

  std::ifstream in(file, std::ios::binary);
  if (!in) return Refused(file, "cannot be read");
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string reason;
  const auto movie = ReadMovie(bytes.data(), bytes.size(), &reason);
  if (!movie) return Refused(file, reason);

  if (info || (!frame && framesDir.empty())) PrintInfo(*movie);
  if (size.isEmpty()) {
    size = QSize(movie->info().widthPx, movie->info().heightPx);
    if (size.isEmpty() || size.width() > 16384 || size.height() > 16384)
      return Refused(file, "the stage has no usable size; give --size");
  }
  Timeline timeline(*movie);
  Renderer renderer(*movie);
  QImage image = MakeFrameImage(size);
  if (frame) {
    timeline.GoTo(*frame);
    renderer.Render(timeline, image, true);
    if (!image.save(QString::fromStdString(frameOut), "PNG")) return Refused(frameOut, "cannot be written");
  }
  if (!framesDir.empty()) {
    timeline.Restart();
    const int count = std::max(1, movie->info().frameCount);
    for (int n = 1; n <= count; ++n) {
      if (n > 1) timeline.Next();
      renderer.Render(timeline, image, true);
      char name[32];
      std::snprintf(name, sizeof name, "/frame-%03d.png", n);
      if (!image.save(QString::fromStdString(framesDir + name), "PNG"))
        return Refused(framesDir + name, "cannot be written");
    }
    std::printf("%d frames written to %s\n", count, framesDir.c_str());
  }
  return 0;
}
