// zorvel-picture FILE OUT.png [--frames DIR]
//
// Decodes FILE the way a unit does and writes what the unit would show as a PNG (for a
// GIF the logical screen with its first image). With --frames, every frame of a GIF,
// composed onto its logical screen, goes to DIR/frame-000.png, DIR/frame-001.png, …
// Exit status 0 on success, 1 when the data is refused (with a one-line reason), 2 on
// bad usage.
#include <QImage>
#include <cstdio>
#include <string>

#include "runtime/picture/draw.h"
#include "runtime/picture/gif.h"
#include "runtime/picture/picture.h"
#include "text/files.h"
#include "text/gbk.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: zorvel-picture FILE OUT.png [--frames DIR]\n");
  return 2;
}

int Refused(const std::string& file, const std::string& reason) {
  std::fprintf(stderr, "zorvel-picture: %s: %s\n", file.c_str(), reason.empty() ? "not a picture" : reason.c_str());
  return 1;
}

int WriteFrames(const std::string& file, const std::string& folder) {
  std::string bytes;
  if (!zorvel::ReadWholeFile(file, bytes)) return Refused(file, "cannot be read");
  zorvel::GifAnimation animation;
  std::string reason;
  if (!animation.Open(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &reason))
    return Refused(file, reason);
  zorvel::GifFrame frame;
  int count = 0;
  while (animation.Next(frame)) {
    const QImage screen(reinterpret_cast<const uchar*>(animation.screen().data()), animation.width(),
                        animation.height(), animation.width() * 4, QImage::Format_ARGB32);
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%03d.png", count);
    if (!screen.save(QString::fromStdString(folder + name), "PNG")) {
      std::fprintf(stderr, "zorvel-picture: cannot write %s%s\n", folder.c_str(), name);
      return 1;
    }
    std::printf("frame %d: delay %d ms, disposal %d, at %d,%d size %dx%d\n", count, frame.delayMs, frame.disposal,
                frame.left, frame.top, frame.width, frame.height);
    ++count;
  }
  return count > 0 ? 0 : Refused(file, "no frame");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 5 && std::string(argv[3]) == "--frames")) return Usage();
  const std::string file = argv[1];
  const std::string out = argv[2];

  // The file goes through the program's own file layer, as the program opens it.
  std::string reason;
  const std::string gbkName = zorvel::gbk::FromNativePath(file);
  zorvel::Picture* picture = zorvel::DecodePictureFile(gbkName.c_str(), &reason);
  if (!picture) return Refused(file, reason);
  zorvel::PreparedPicture prepared;
  const bool ready = zorvel::PreparePicture(picture, prepared);
  const zorvel::PictureKind kind = picture->kind;
  zorvel::FreePicture(picture);
  if (!ready) return Refused(file, "cannot be drawn");
  if (!prepared.image.save(QString::fromStdString(out), "PNG")) {
    std::fprintf(stderr, "zorvel-picture: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("kind %d, %dx%d\n", static_cast<int>(kind), prepared.width, prepared.height);
  if (argc == 5) {
    if (kind != zorvel::PictureKind::kGif) return Refused(file, "--frames needs a GIF");
    return WriteFrames(file, argv[4]);
  }
  return 0;
}
