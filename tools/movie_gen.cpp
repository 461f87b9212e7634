// zorvel-movies OUTDIR
// zorvel-movies --preview DIR [FRAME-STEP]
//
// Writes the program's movies, kept in resources/movies/: fireworks-1.swf,
// fireworks-2.swf and fireworks-3.swf (the celebration movies) and default.swf (shown
// when no movie is given). With --preview it writes no movie but paints the same scenes
// with QPainter, every FRAME-STEP-th frame (default 4) as a 1920 × 1080 PNG, the stage
// fitted into it as a player shows it, and prints each movie's sizes and its busiest
// frame. Exit status 0 on success, 1 when a file cannot be written, 2 on bad usage.
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "tools/movies.h"

namespace {

using namespace zorvel::tools;

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

struct Movie {
  const char* name;
  movies::Scene scene;
};

std::vector<Movie> AllMovies() {
  std::vector<Movie> all;
  all.push_back({"fireworks-1.swf", movies::Fireworks(1)});
  all.push_back({"fireworks-2.swf", movies::Fireworks(2)});
  all.push_back({"fireworks-3.swf", movies::Fireworks(3)});
  all.push_back({"default.swf", movies::DefaultScene()});
  return all;
}

// A colour as an object's colour transform leaves it.
QColor Transformed(const swf::Rgba& c, const movies::Object& o, bool alpha) {
  const swf::ColourTransform cx = o.ColourTransform();
  const int in[4] = {c.r, c.g, c.b, alpha ? c.a : 255};
  int out[4];
  for (int i = 0; i < 4; ++i) out[i] = std::clamp(in[i] * cx.mult[i] / 256 + (cx.hasAdd ? cx.add[i] : 0), 0, 255);
  return QColor(out[0], out[1], out[2], out[3]);
}

void PaintFrame(QImage& image, const movies::Scene& scene, std::size_t index) {
  const swf::Rgba& bg = scene.background;
  image.fill(QColor(bg.r, bg.g, bg.b));
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  // The whole stage, as large as fits, in the middle.
  const double fit = std::min(image.width() / (scene.header.width * 20.0), image.height() / (scene.header.height * 20.0));
  const QTransform view = QTransform::fromTranslate((image.width() - scene.header.width * 20.0 * fit) / 2,
                                                    (image.height() - scene.header.height * 20.0 * fit) / 2)
                              .scale(fit, fit);
  for (const movies::Object& o : scene.frames[index]) {
    const swf::Shape& shape = scene.shapes[o.character - 1u];
    const double s = o.scale / 65536.0;
    painter.setTransform(QTransform(s, 0, 0, s, o.x, o.y) * view);
    for (std::size_t f = 0; f < shape.fills.size(); ++f) {
      QPainterPath path;
      path.setFillRule(Qt::OddEvenFill);
      for (const swf::Path& p : shape.paths) {
        if (p.fill != static_cast<int>(f + 1)) continue;
        path.moveTo(p.startX, p.startY);
        for (const swf::Segment& seg : p.segments) {
          if (seg.curved) {
            path.quadTo(seg.controlX, seg.controlY, seg.x, seg.y);
          } else {
            path.lineTo(seg.x, seg.y);
          }
        }
        path.closeSubpath();
      }
      const swf::FillStyle& fill = shape.fills[f];
      const bool alpha = !scene.version1Shapes;
      if (!fill.radial) {
        painter.fillPath(path, Transformed(fill.colour, o, alpha));
        continue;
      }
      QRadialGradient gradient(fill.matrix.translateX, fill.matrix.translateY, fill.matrix.scaleX / 4.0);
      for (const swf::GradientStop& stop : fill.stops) gradient.setColorAt(stop.ratio / 255.0, Transformed(stop.colour, o, alpha));
      painter.fillPath(path, gradient);
    }
  }
}

int Preview(int argc, char** argv) {
  if (argc < 3 || argc > 4) return 2;
  const std::string folder = argv[2];
  const int step = argc == 4 ? std::max(1, std::atoi(argv[3])) : 4;
  int fake = 1;
  char name[] = "zorvel-movies";
  char* fakeArgv[] = {name, nullptr};
  QGuiApplication app(fake, fakeArgv);
  QImage image(1920, 1080, QImage::Format_RGB32);
  for (const Movie& m : AllMovies()) {
    const std::string bytes = movies::WriteMovie(m.scene);
    const std::uint32_t expanded = static_cast<std::uint8_t>(bytes[4]) | static_cast<std::uint8_t>(bytes[5]) << 8 |
                                   static_cast<std::uint8_t>(bytes[6]) << 16 |
                                   static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[7])) << 24;
    std::printf("%s: %zu bytes, %u expanded, %zu frames, busiest frame %zu objects\n", m.name, bytes.size(), expanded,
                m.scene.frames.size(), movies::BusiestFrame(m.scene));
    const std::string stem = std::string(m.name).substr(0, std::string(m.name).find('.'));
    for (std::size_t f = 0; f < m.scene.frames.size(); f += static_cast<std::size_t>(step)) {
      PaintFrame(image, m.scene, f);
      char file[64];
      std::snprintf(file, sizeof file, "/%s-%03zu.png", stem.c_str(), f);
      if (!image.save(QString::fromStdString(folder + file))) return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "--preview") {
    const int status = Preview(argc, argv);
    if (status == 2) std::fprintf(stderr, "usage: zorvel-movies --preview DIR [FRAME-STEP]\n");
    return status;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: zorvel-movies OUTDIR\n       zorvel-movies --preview DIR [FRAME-STEP]\n");
    return 2;
  }
  const std::string folder = argv[1];
  for (const Movie& m : AllMovies()) {
    const std::string path = folder + "/" + m.name;
    if (!WriteFile(path, movies::WriteMovie(m.scene))) {
      std::fprintf(stderr, "zorvel-movies: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
