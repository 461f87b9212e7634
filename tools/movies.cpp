#include "tools/movies.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>

// Every quantity below comes from +, −, ×, ÷ and square roots of doubles (no library
// sine, cosine or power, whose last bits may differ between C libraries) and the
// generator is built with -ffp-contract=off, so every machine writes the same bytes.

namespace zorvel::tools::movies {

using swf::Rgba;

swf::ColourTransform Object::ColourTransform() const {
  swf::ColourTransform cx;
  if (alpha != 256) {
    cx.hasMult = true;
    cx.mult[3] = alpha;
  }
  if (whiten != 0) {
    cx.hasAdd = true;
    cx.add[0] = cx.add[1] = cx.add[2] = whiten;
  }
  return cx;
}

namespace {

constexpr double kPi = 3.14159265358979323846;

// Sine by a Taylor series after reducing the angle to −π/2 … π/2.
double Sin(double x) {
  x -= 2 * kPi * std::floor(x / (2 * kPi) + 0.5);  // −π … π
  if (x > kPi / 2) x = kPi - x;
  if (x < -kPi / 2) x = -kPi - x;
  const double x2 = x * x;
  double term = x, sum = x;
  for (int k = 1; k <= 9; ++k) {
    term = -term * x2 / ((2 * k) * (2 * k + 1));
    sum += term;
  }
  return sum;
}
double Cos(double x) { return Sin(x + kPi / 2); }

std::int32_t Twips(double pixels) { return static_cast<std::int32_t>(std::lround(pixels * 20)); }

// splitmix64: a small generator of our own with a fixed seed per movie.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }  // [0, 1)
  double Range(double low, double high) { return low + (high - low) * Uniform(); }

 private:
  std::uint64_t state_;
};

// ---------------------------------------------------------------------------------------
// Shapes.

// An ellipse of radii rx, ry twips about (cx, cy): eight quadratic curves, anchors every
// 45°, control points on the bisectors at r / cos 22.5°, clockwise on the screen.
swf::Path Ellipse(std::int32_t cx, std::int32_t cy, double rx, double ry, int fill) {
  swf::Path path;
  path.fill = fill;
  path.startX = cx + static_cast<std::int32_t>(std::lround(rx));
  path.startY = cy;
  const double stretch = 1 / Cos(kPi / 8);
  for (int k = 0; k < 8; ++k) {
    const double a = (k + 0.5) * kPi / 4, b = (k + 1) * kPi / 4;
    swf::Segment s;
    s.curved = true;
    s.controlX = cx + static_cast<std::int32_t>(std::lround(rx * stretch * Cos(a)));
    s.controlY = cy + static_cast<std::int32_t>(std::lround(ry * stretch * Sin(a)));
    s.x = k == 7 ? path.startX : cx + static_cast<std::int32_t>(std::lround(rx * Cos(b)));
    s.y = k == 7 ? path.startY : cy + static_cast<std::int32_t>(std::lround(ry * Sin(b)));
    path.segments.push_back(s);
  }
  return path;
}
swf::Path Circle(std::int32_t cx, std::int32_t cy, double r, int fill) { return Ellipse(cx, cy, r, r, fill); }

swf::Shape SolidDisc(double radius, Rgba colour) {
  swf::Shape shape;
  shape.fills.push_back(swf::FillStyle::Solid(colour));
  shape.paths.push_back(Circle(0, 0, radius, 1));
  return shape;
}

// ---------------------------------------------------------------------------------------
// Fireworks.

struct Rgb {
  std::uint8_t r, g, b;
};

enum Hue { kGold, kRed, kGreen, kBlue, kPurple, kWhite, kOrange, kCyan, kPink, kHues };
constexpr Rgb kPalette[kHues] = {
    {255, 196, 64},   // gold
    {255, 56, 48},    // red
    {72, 255, 96},    // green
    {64, 136, 255},   // blue
    {196, 88, 255},   // purple
    {255, 250, 236},  // white
    {255, 136, 24},   // orange
    {72, 236, 255},   // cyan
    {255, 104, 200},  // pink
};

// The characters of a fireworks movie: a spark disc per hue (ids 1 … 9), then a glow
// per hue (ids 10 … 18): a radial gradient from a white-hot centre through the hue to
// nothing.
constexpr double kSparkRadius = 40;  // twips: 2 pixels at scale 1
constexpr double kGlowRadius = 700;  // twips
std::uint16_t SparkId(int hue) { return static_cast<std::uint16_t>(1 + hue); }
std::uint16_t GlowId(int hue) { return static_cast<std::uint16_t>(1 + kHues + hue); }

std::vector<swf::Shape> FireworkShapes() {
  std::vector<swf::Shape> shapes;
  for (const Rgb& c : kPalette) shapes.push_back(SolidDisc(kSparkRadius, {c.r, c.g, c.b, 255}));
  for (const Rgb& c : kPalette) {
    swf::Shape glow;
    const auto r = static_cast<std::int32_t>(kGlowRadius);
    glow.fills.push_back(swf::FillStyle::Radial(0, 0, r,
                                                {{0, {255, 255, 240, 170}},
                                                 {50, {c.r, c.g, c.b, 110}},
                                                 {140, {c.r, c.g, c.b, 36}},
                                                 {255, {c.r, c.g, c.b, 0}}}));
    glow.paths.push_back(Circle(0, 0, kGlowRadius, 1));
    shapes.push_back(glow);
  }
  return shapes;
}

enum class Burst { kPeony, kRing, kWillow };

// One rocket: launched from the bottom edge at launchX, rising for flight seconds to
// (x, y) pixels, where it bursts.
struct Shell {
  double launch, launchX, x, y, flight;
  Burst kind;
  int hue, pistilHue;  // pistilHue: an inner, slower sphere of another hue (−1: none)
  int sparks;
  double speed;  // pixels a second
  double life;   // seconds, the sparks' mean
  bool streak;   // the outer sparks draw a fading tail behind them
  bool glitter;  // the outer sparks twinkle as they fade
  double tilt = 0, flatten = 1;  // rings: the ring's turn and its squash
};

struct Physics {
  double gravity;  // pixels / s²
  double drag;     // 1 / s
};

struct Show {
  swf::MovieHeader header;
  bool attributes;
  int frames;
  std::uint64_t seed;
  Physics physics;
  std::size_t cap;  // objects on the stage at most
  std::vector<Shell> shells;
};

constexpr int kStepsPerSecond = 360;  // the simulation's step; every frame rate divides it
constexpr int kRocketTrail = 4;       // dots behind a rocket
constexpr double kRocketTrailGap = 0.035;  // seconds between a rocket's trail dots
constexpr double kGlowLife = 0.16;         // seconds
constexpr double kWhiteHot = 0.08;         // seconds a new spark takes to reach its hue
constexpr int kDirections = 16;            // the tails' directions, 22.5° apart
constexpr double kShrinkFrom = 0.45;       // the share of its life after which a spark shrinks
constexpr double kFadeFrom = 0.65;         // … and after which it fades

struct Spark {
  double x, y, vx, vy;
  double born, life;
  int hue;
  int direction;  // the tail's, −1: no tail
  double size;    // scale at birth
  bool glitter;
  std::uint16_t depth;
};

struct Glow {
  double x, y, born;
  int hue;
  std::uint16_t depth;
};

struct Rocket {
  const Shell* shell;
  std::vector<std::uint16_t> depths;  // the head, then the trail
  bool burst = false;
};

std::int32_t Scale(double s) { return static_cast<std::int32_t>(std::lround(s * 65536)); }
// Alpha multipliers in steps of 1/8, so that a fading object changes its colour
// transform every few frames rather than every frame.
std::int32_t Alpha(double a) { return 32 * static_cast<std::int32_t>(std::lround(std::clamp(a, 0.0, 1.0) * 8)); }

// A spark with its tail, flying toward direction k (of kDirections, clockwise from the
// right): a disc, over two tapering triangles behind it, the longer one fainter.
swf::Shape StreakShape(int hue, int k) {
  const Rgb c = kPalette[hue];
  const double a = 2 * kPi * k / kDirections, ux = Cos(a), uy = Sin(a);
  swf::Shape shape;
  shape.fills.push_back(swf::FillStyle::Solid({c.r, c.g, c.b, 60}));
  shape.fills.push_back(swf::FillStyle::Solid({c.r, c.g, c.b, 120}));
  shape.fills.push_back(swf::FillStyle::Solid({c.r, c.g, c.b, 255}));
  for (const auto& [length, fill] : {std::pair{6.0, 1}, std::pair{3.0, 2}}) {
    // From one side of the disc to the tip behind it and back to the other side:
    // clockwise on the screen for every direction.
    const double half = 0.8 * kSparkRadius;
    swf::Path tail;
    tail.fill = fill;
    tail.startX = static_cast<std::int32_t>(std::lround(half * uy));
    tail.startY = static_cast<std::int32_t>(std::lround(-half * ux));
    tail.segments.push_back({false, 0, 0, static_cast<std::int32_t>(std::lround(half * -uy)),
                             static_cast<std::int32_t>(std::lround(half * ux))});
    tail.segments.push_back({false, 0, 0, static_cast<std::int32_t>(std::lround(-length * kSparkRadius * ux)),
                             static_cast<std::int32_t>(std::lround(-length * kSparkRadius * uy))});
    tail.segments.push_back({false, 0, 0, tail.startX, tail.startY});
    shape.paths.push_back(tail);
  }
  shape.paths.push_back(Circle(0, 0, kSparkRadius, 3));
  return shape;
}

Scene Simulate(const Show& show) {
  Scene scene;
  scene.header = show.header;
  scene.attributes = show.attributes;
  scene.background = {0, 0, 0, 255};
  scene.shapes = FireworkShapes();
  std::map<std::pair<int, int>, std::uint16_t> streakIds;  // (hue, direction) → id
  auto streakId = [&](int hue, int direction) {
    const auto [at, added] =
        streakIds.emplace(std::pair{hue, direction}, static_cast<std::uint16_t>(scene.shapes.size() + 1));
    if (added) scene.shapes.push_back(StreakShape(hue, direction));
    return at->second;
  };

  Random random(show.seed);
  const double fps = show.header.frameRate / 256.0;
  const int stepsPerFrame = kStepsPerSecond / static_cast<int>(fps);
  const double h = 1.0 / kStepsPerSecond;
  const double height = show.header.height;

  std::uint16_t nextDepth = 1;
  std::vector<Rocket> rockets;
  std::vector<Spark> sparks;
  std::vector<Glow> glows;
  std::size_t nextShell = 0;

  auto burst = [&](const Shell& shell, double t) {
    glows.push_back({shell.x, shell.y, t, shell.pistilHue >= 0 ? shell.pistilHue : shell.hue, nextDepth++});
    const std::size_t live = glows.size() + sparks.size() + rockets.size() * (kRocketTrail + 1);
    const std::size_t room = show.cap > live ? show.cap - live : 0;
    const int count = static_cast<int>(std::min<std::size_t>(room, static_cast<std::size_t>(shell.sparks)));
    const int pistil = shell.pistilHue >= 0 ? count / 3 : 0;
    for (int i = 0; i < count; ++i) {
      const bool inner = i >= count - pistil;
      double dx, dy, speed = shell.speed;
      if (shell.kind == Burst::kRing && !inner) {
        const double a = 2 * kPi * i / (count - pistil) + random.Range(-0.03, 0.03);
        const double rx = Cos(a), ry = Sin(a) * shell.flatten;
        dx = rx * Cos(shell.tilt) - ry * Sin(shell.tilt);
        dy = rx * Sin(shell.tilt) + ry * Cos(shell.tilt);
        speed *= random.Range(0.97, 1.03);
      } else {
        // A direction on the sphere seen from the side: denser toward the rim.
        const double z = random.Range(-1, 1), a = random.Range(0, 2 * kPi), r = std::sqrt(1 - z * z);
        dx = r * Cos(a);
        dy = r * Sin(a);
        speed *= inner ? random.Range(0.42, 0.5) : random.Range(0.9, 1.04);
      }
      Spark s;
      s.x = shell.x;
      s.y = shell.y;
      s.vx = dx * speed;
      s.vy = dy * speed;
      s.born = t;
      s.life = shell.life * random.Range(0.8, 1.1) * (inner ? 0.75 : 1.0);
      s.hue = inner ? shell.pistilHue : shell.hue;
      s.direction = -1;
      if (shell.streak && !inner) {
        // The nearest of the tails' directions (the angle's octant, then the nearer half).
        double best = -2;
        for (int k = 0; k < kDirections; ++k) {
          const double a = 2 * kPi * k / kDirections;
          const double dot = Cos(a) * dx + Sin(a) * dy;
          if (dot > best) {
            best = dot;
            s.direction = k;
          }
        }
      }
      s.size = shell.kind == Burst::kWillow ? 0.8 : inner ? 0.85 : 1.0;
      s.glitter = shell.glitter && !inner;
      s.depth = nextDepth++;
      sparks.push_back(s);
    }
  };

  auto rocketAt = [&](const Shell& shell, double t) {
    const double u = std::clamp((t - shell.launch) / shell.flight, 0.0, 1.0);
    const double x = shell.launchX + (shell.x - shell.launchX) * u + 1.2 * Sin((t - shell.launch) * 31);
    const double y = height + 4 + (shell.y - height - 4) * (1 - (1 - u) * (1 - u));
    return std::pair{x, y};
  };

  const int steps = show.frames * stepsPerFrame;
  for (int step = 0; step < steps; ++step) {
    const double t = step * h;
    // Launches and bursts due by now.
    while (nextShell < show.shells.size() && show.shells[nextShell].launch <= t) {
      Rocket r{&show.shells[nextShell++], {}};
      for (int k = 0; k <= kRocketTrail; ++k) r.depths.push_back(nextDepth++);
      rockets.push_back(std::move(r));
    }
    for (Rocket& r : rockets) {
      if (t >= r.shell->launch + r.shell->flight) {
        r.burst = true;
        burst(*r.shell, t);
      }
    }
    std::erase_if(rockets, [](const Rocket& r) { return r.burst; });
    std::erase_if(sparks, [&](const Spark& s) { return t - s.born >= s.life || s.y > height + 10; });
    std::erase_if(glows, [&](const Glow& g) { return t - g.born >= kGlowLife; });

    if (step % stepsPerFrame == 0) {
      std::vector<Object> frame;
      for (const Glow& g : glows) {
        const double u = (t - g.born) / kGlowLife;
        frame.push_back({g.depth, GlowId(g.hue), Twips(g.x), Twips(g.y), Scale(0.7 + 0.5 * u), Alpha(1 - u * u), 0});
      }
      for (const Rocket& r : rockets) {
        const Shell& sh = *r.shell;
        for (int k = 0; k <= kRocketTrail; ++k) {
          const auto [x, y] = rocketAt(sh, std::max(sh.launch, t - k * kRocketTrailGap));
          const double fade = 1 - k / (kRocketTrail + 1.0);
          frame.push_back({r.depths[static_cast<std::size_t>(k)], SparkId(k == 0 ? kWhite : kGold), Twips(x), Twips(y),
                           Scale(k == 0 ? 0.9 : 0.75 * fade + 0.2), Alpha(k == 0 ? 1.0 : 0.55 * fade), 0});
        }
      }
      for (const Spark& s : sparks) {
        const double age = t - s.born, u = age / s.life;
        // Full size and brightness for the first part of its life, then fading and shrinking.
        const double late = u < kShrinkFrom ? 0 : (u - kShrinkFrom) / (1 - kShrinkFrom);
        const double fading = u < kFadeFrom ? 0 : (u - kFadeFrom) / (1 - kFadeFrom);
        double alpha = 1 - 0.75 * fading;
        if (s.glitter && fading > 0 && random.Uniform() < 0.5) alpha *= 0.3;
        const double scale = s.size * (1 - 0.6 * late);
        const double whiten = age < kWhiteHot ? 200 * (1 - age / kWhiteHot) : 0;
        const std::uint16_t id = s.direction >= 0 ? streakId(s.hue, s.direction) : SparkId(s.hue);
        frame.push_back({s.depth, id, Twips(s.x), Twips(s.y), Scale(scale), Alpha(alpha),
                         static_cast<std::int32_t>(std::lround(whiten))});
      }
      std::sort(frame.begin(), frame.end(), [](const Object& a, const Object& b) { return a.depth < b.depth; });
      scene.frames.push_back(std::move(frame));
    }

    // Gravity and drag; willow sparks hang back more and droop.
    for (Spark& s : sparks) {
      const double keep = 1 - (s.size < 0.9 && s.direction >= 0 ? 1.6 : 1) * show.physics.drag * h;
      s.vx *= keep;
      s.vy = s.vy * keep + show.physics.gravity * h;
      s.x += s.vx * h;
      s.y += s.vy * h;
    }
  }
  if (nextDepth < 2) throw std::logic_error("a fireworks movie without objects");
  return scene;
}

swf::MovieHeader Header(bool compressed, int version, int width, int height, int fps) {
  swf::MovieHeader h;
  h.compressed = compressed;
  h.version = static_cast<std::uint8_t>(version);
  h.width = width;
  h.height = height;
  h.frameRate = static_cast<std::uint16_t>(fps << 8);
  return h;
}

// Movie 1: a slow show of large bursts in four waves over 7.6 seconds, 12 frames a
// second; the outer sparks draw tails, which carry the motion between the far-apart
// frames. Busiest frame: 278 objects; 137 197 bytes (234 850 expanded).
Show ShowOne() {
  Show s{Header(true, 8, 550, 400, 12), true, 91, 0x5EED0001, {55, 1.5}, 300, {}};
  //  launch launchX  x    y   flight kind          hue      pistil  sparks speed life streak glitter
  s.shells = {
      {0.00, 180, 165, 150, 0.85, Burst::kPeony, kGold, kRed, 96, 175, 1.5, true, false},
      {0.30, 380, 395, 125, 0.90, Burst::kPeony, kBlue, kWhite, 90, 165, 1.5, true, false},
      {1.75, 270, 280, 110, 0.90, Burst::kPeony, kGreen, kGold, 96, 180, 1.5, true, false},
      {2.20, 120, 130, 175, 0.80, Burst::kPeony, kPurple, -1, 72, 150, 1.4, true, false},
      {2.35, 450, 440, 190, 0.80, Burst::kPeony, kRed, kGold, 84, 155, 1.4, true, false},
      {3.55, 290, 275, 135, 0.90, Burst::kPeony, kWhite, -1, 100, 185, 1.6, true, true},
      {3.90, 150, 150, 115, 0.85, Burst::kPeony, kCyan, kPink, 84, 155, 1.4, true, false},
      {4.00, 420, 415, 145, 0.85, Burst::kPeony, kPink, kGold, 84, 155, 1.4, true, false},
      {5.20, 200, 190, 125, 0.80, Burst::kPeony, kOrange, kGreen, 90, 170, 1.4, true, false},
      {5.55, 280, 280, 175, 0.75, Burst::kPeony, kGold, kPurple, 96, 180, 1.1, true, true},
  };
  return s;
}

// Movie 2: fast and dense, 36 frames a second for 1.7 seconds: six bursts within half
// a second, short-lived sparks. Busiest frame: 375 objects; 89 623 bytes (152 821
// expanded).
Show ShowTwo() {
  Show s{Header(true, 6, 550, 400, 36), false, 60, 0x5EED0002, {95, 2.6}, 380, {}};
  s.shells = {
      {0.00, 260, 275, 150, 0.28, Burst::kPeony, kGold, kRed, 96, 270, 0.75, true, false},
      {0.08, 150, 135, 120, 0.28, Burst::kPeony, kBlue, kWhite, 84, 250, 0.75, true, false},
      {0.14, 400, 415, 130, 0.28, Burst::kPeony, kGreen, kGold, 84, 250, 0.75, true, false},
      {0.30, 210, 195, 215, 0.26, Burst::kRing, kPurple, kCyan, 72, 230, 0.7, true, false, 0.3, 0.55},
      {0.38, 360, 365, 200, 0.26, Burst::kPeony, kWhite, -1, 84, 240, 0.7, true, true},
      {0.56, 280, 280, 95, 0.28, Burst::kPeony, kRed, kGold, 72, 260, 0.62, true, false},
  };
  return s;
}

// Movie 3: a square stage, 20 frames a second for 1.75 seconds: rings and willows.
// Busiest frame: 335 objects; 106 429 bytes.
Show ShowThree() {
  Show s{Header(false, 5, 400, 400, 20), false, 35, 0x5EED0003, {70, 1.8}, 340, {}};
  s.shells = {
      {0.00, 190, 200, 140, 0.35, Burst::kRing, kCyan, kWhite, 72, 190, 0.9, true, false, -0.35, 0.45},
      {0.10, 110, 105, 175, 0.40, Burst::kWillow, kGold, -1, 56, 150, 1.1, true, true},
      {0.20, 300, 300, 165, 0.40, Burst::kWillow, kGold, -1, 56, 150, 1.05, true, true},
      {0.45, 210, 205, 110, 0.35, Burst::kRing, kRed, kPink, 72, 200, 0.8, true, false, 0.25, 0.6},
      {0.60, 150, 140, 200, 0.30, Burst::kRing, kGreen, -1, 56, 170, 0.75, true, false, 0.9, 0.35},
      {0.75, 270, 270, 210, 0.30, Burst::kRing, kPurple, -1, 48, 170, 0.7, true, false, -0.8, 0.35},
  };
  return s;
}

}  // namespace

Scene Fireworks(int number) {
  switch (number) {
    case 1:
      return Simulate(ShowOne());
    case 2:
      return Simulate(ShowTwo());
    case 3:
      return Simulate(ShowThree());
    default:
      throw std::invalid_argument("fireworks movies are numbered 1 to 3");
  }
}

std::size_t BusiestFrame(const Scene& scene) {
  std::size_t most = 0;
  for (const auto& frame : scene.frames) most = std::max(most, frame.size());
  return most;
}

std::string WriteMovie(const Scene& scene) {
  swf::MovieWriter movie(scene.header);
  if (scene.attributes) movie.Add(swf::FileAttributes(0));
  movie.Add(swf::SetBackgroundColor(scene.background.r, scene.background.g, scene.background.b));
  for (std::size_t i = 0; i < scene.shapes.size(); ++i) {
    const auto id = static_cast<std::uint16_t>(i + 1);
    movie.Add(scene.version1Shapes ? swf::DefineShape(id, scene.shapes[i]) : swf::DefineShape3(id, scene.shapes[i]));
  }
  std::map<std::uint16_t, Object> shown;
  for (const auto& frame : scene.frames) {
    std::map<std::uint16_t, Object> next;
    for (const Object& o : frame) next.emplace(o.depth, o);
    for (const auto& [depth, o] : shown) {
      if (!next.contains(depth)) movie.Add(swf::RemoveObject2(depth));
    }
    for (const auto& [depth, o] : next) {
      const auto before = shown.find(depth);
      swf::Placement p;
      p.depth = depth;
      if (before == shown.end()) {
        p.character = o.character;
        p.matrix = o.Matrix();
        p.colour = o.ColourTransform();
      } else {
        if (before->second.character != o.character) throw std::logic_error("an object changes its shape");
        const bool moved = !(before->second.Matrix() == o.Matrix());
        const bool recoloured = !(before->second.ColourTransform() == o.ColourTransform());
        if (!moved && !recoloured) continue;
        p.move = true;
        if (moved) p.matrix = o.Matrix();
        if (recoloured) p.colour = o.ColourTransform();
      }
      movie.Add(swf::PlaceObject2(p));
    }
    movie.ShowFrame();
    shown = std::move(next);
  }
  if (scene.exactLength != 0) {
    // A Metadata tag holds the description, padded with spaces so that the file comes to
    // exactly the length wanted (its header is the long form from 63 bytes on).
    const std::size_t before = movie.LengthWithEnd();
    const std::size_t room = scene.exactLength - before;
    std::string text = scene.description;
    if (scene.exactLength < before + 2 + text.size() + 1) throw std::logic_error("the movie is too long");
    const std::size_t header = room - 2 < 63 ? 2 : 6;
    if (room < header + text.size() + 1) throw std::logic_error("the movie is too long");
    text.resize(room - header - 1, ' ');
    movie.Add(swf::Metadata(text));
  }
  return movie.Finish();
}

}  // namespace zorvel::tools::movies

namespace zorvel::tools::movies {

namespace {

// The default movie's stage and the egg's middle, in pixels.
constexpr int kDefaultWidth = 680, kDefaultHeight = 350;
constexpr double kEggX = 340, kEggY = 170, kEggHalfWidth = 78, kEggHalfHeight = 104, kEggWiden = 0.12;
// The size every default movie has: its picture, and a Metadata tag that says what the
// movie is, padded with spaces to the rest.
constexpr std::uint32_t kDefaultLength = 18547;

// A point of the egg's outline and its direction of travel at parameter t (clockwise
// on the screen as t grows): x = a cos t (1 + k sin t), y = b sin t about the middle,
// widest below the middle.
std::pair<double, double> EggPoint(double t) {
  return {kEggX + kEggHalfWidth * Cos(t) * (1 + kEggWiden * Sin(t)), kEggY + kEggHalfHeight * Sin(t)};
}
std::pair<double, double> EggDirection(double t) {
  return {kEggHalfWidth * (-Sin(t) * (1 + kEggWiden * Sin(t)) + kEggWiden * Cos(t) * Cos(t)), kEggHalfHeight * Cos(t)};
}

// The egg's outline as 16 quadratic curves: each control point where the tangents at the
// curve's two ends meet.
swf::Path EggOutline(int fill) {
  constexpr int kCurves = 16;
  swf::Path path;
  path.fill = fill;
  const auto [x0, y0] = EggPoint(0);
  path.startX = Twips(x0);
  path.startY = Twips(y0);
  for (int k = 0; k < kCurves; ++k) {
    const double t0 = 2 * kPi * k / kCurves, t1 = 2 * kPi * (k + 1) / kCurves;
    const auto [ax, ay] = EggPoint(t0);
    const auto [bx, by] = EggPoint(t1);
    const auto [dx0, dy0] = EggDirection(t0);
    const auto [dx1, dy1] = EggDirection(t1);
    // a + s·d0 = b − u·d1, solved for s by Cramer's rule.
    const double det = dx0 * (-dy1) - dy0 * (-dx1);
    const double s = ((bx - ax) * (-dy1) - (by - ay) * (-dx1)) / det;
    swf::Segment seg;
    seg.curved = true;
    seg.controlX = Twips(ax + s * dx0);
    seg.controlY = Twips(ay + s * dy0);
    seg.x = k == kCurves - 1 ? path.startX : Twips(bx);
    seg.y = k == kCurves - 1 ? path.startY : Twips(by);
    path.segments.push_back(seg);
  }
  return path;
}

// A five-pointed star about (x, y) pixels, outer radius r, first point straight up.
swf::Path Star(double x, double y, double r, int fill) {
  swf::Path path;
  path.fill = fill;
  for (int k = 0; k <= 10; ++k) {
    const double a = -kPi / 2 + kPi * (k % 10) / 5, radius = k % 2 == 0 ? r : 0.42 * r;
    const std::int32_t px = Twips(x + radius * Cos(a)), py = Twips(y + radius * Sin(a));
    if (k == 0) {
      path.startX = px;
      path.startY = py;
    } else {
      path.segments.push_back({false, 0, 0, px, py});
    }
  }
  return path;
}

}  // namespace

Scene DefaultScene() {
  Scene scene;
  scene.header = Header(false, 5, kDefaultWidth, kDefaultHeight, 12);
  scene.background = {255, 255, 255, 255};
  scene.version1Shapes = true;
  const std::int32_t cx = Twips(kEggX), cy = Twips(kEggY);

  // 1: a sunburst of 24 rays behind the egg, pale gold fading into the white.
  swf::Shape rays;
  rays.fills.push_back(swf::FillStyle::Radial(cx, cy, Twips(300), {{0, {255, 224, 140}}, {255, {255, 255, 255}}}));
  for (int k = 0; k < 24; ++k) {
    const double a = 2 * kPi * k / 24, w = kPi / 48;
    swf::Path ray;
    ray.startX = cx;
    ray.startY = cy;
    for (const double e : {a - w, a + w}) {
      ray.segments.push_back({false, 0, 0, Twips(kEggX + 360 * Cos(e)), Twips(kEggY + 360 * Sin(e))});
    }
    ray.segments.push_back({false, 0, 0, cx, cy});
    rays.paths.push_back(ray);
  }
  scene.shapes.push_back(rays);

  // 2: the egg's shadow on the ground.
  swf::Shape shadow;
  shadow.fills.push_back(swf::FillStyle::Radial(cx, Twips(kEggY + 112), Twips(92),
                                                {{0, {190, 170, 130}}, {160, {230, 220, 200}}, {255, {255, 250, 236}}}));
  shadow.paths.push_back(Ellipse(cx, Twips(kEggY + 112), Twips(90), Twips(13), 1));
  scene.shapes.push_back(shadow);

  // 3: the golden egg, lit from the upper left.
  swf::Shape egg;
  egg.fills.push_back(swf::FillStyle::Radial(Twips(kEggX - 28), Twips(kEggY - 44), Twips(172),
                                             {{0, {255, 250, 214}},
                                              {70, {255, 222, 110}},
                                              {170, {236, 170, 36}},
                                              {255, {176, 106, 8}}}));
  egg.paths.push_back(EggOutline(1));
  scene.shapes.push_back(egg);

  // 4: the shine on the egg.
  swf::Shape shine;
  shine.fills.push_back(swf::FillStyle::Radial(Twips(kEggX - 34), Twips(kEggY - 52), Twips(30),
                                               {{0, {255, 255, 248}}, {150, {255, 248, 206}}, {255, {255, 236, 160}}}));
  shine.paths.push_back(Ellipse(Twips(kEggX - 34), Twips(kEggY - 52), Twips(15), Twips(24), 1));
  scene.shapes.push_back(shine);

  // 5: twelve stars around the egg in gold, red and orange.
  swf::Shape stars;
  for (const Rgb c : {kPalette[kGold], kPalette[kRed], kPalette[kOrange]}) {
    stars.fills.push_back(swf::FillStyle::Solid({c.r, c.g, c.b, 255}));
  }
  for (int k = 0; k < 12; ++k) {
    const double a = 2 * kPi * k / 12 + kPi / 12;
    const double r = k % 3 == 0 ? 13 : k % 3 == 1 ? 9 : 11;
    stars.paths.push_back(Star(kEggX + 175 * Cos(a), kEggY + 128 * Sin(a), r, 1 + k % 3));
  }
  scene.shapes.push_back(stars);

  std::vector<Object> frame;
  for (std::size_t i = 0; i < scene.shapes.size(); ++i) {
    const auto id = static_cast<std::uint16_t>(i + 1);
    frame.push_back({id, id, 0, 0, 65536, 256, 0});
  }
  scene.frames.push_back(frame);
  scene.exactLength = kDefaultLength;
  scene.description =
      "Zorvel default movie: shown when no celebration movie is given. A golden egg in a sunburst, "
      "ringed by stars, on white; 680 x 350, one frame.";
  return scene;
}

}  // namespace zorvel::tools::movies
