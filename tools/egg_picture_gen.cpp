// zorvel-egg-pictures OUTDIR
//
// Writes the pictures of the nine golden eggs: egg-1.gif … egg-9.gif (a glossy golden egg
// with a red bow and its number) and smash.gif (the egg broken open, its top flying off,
// banknotes, coins and butterflies bursting out). Each is a 200 × 188 GIF89a whose
// palette entry 255 is white and transparent and is the only white entry: the egg
// buttons cut their outline at white, so every pixel outside the egg is 255 and no pixel
// of the egg may be white.
//
// Each pixel is sampled 5 × 5 times. A pixel at least half covered belongs to the egg;
// its colour is the mean of the covered samples, blended by the uncovered share toward
// a dark red-brown that sits between the red window and a dark background, so the
// smoothed edge never shows a light fringe. The colours are reduced to 255 by median cut
// and LZW-coded. Exit status 0 on success, 1 when a file cannot be written, 2 on bad
// usage.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tools/egg_shapes.h"
#include "tools/indexed_gif.h"

namespace {

using namespace zorvel::tools::eggs;
using zorvel::tools::Rgb;

constexpr int kWidth = 200, kHeight = 188;
constexpr int kSubsamples = 5;

// What a sample of a picture shows: nothing (outside the egg) or a colour.
struct Hit {
  bool covered = false;
  Colour colour;
};
Hit Paint(const Colour& c) { return {true, c}; }

// The tone the edge pixels blend toward.
const Colour kEdgeTone{112, 40, 14};
// The brightest colour any highlight reaches: short of white in every channel.
const Colour kHighlight{254, 250, 235};

// ---------------------------------------------------------------------------------------
// The egg's body: a surface of revolution about the vertical axis through (cx, cy), a
// half-width a, a half-height b, widening toward the bottom by k. With u = (x − cx) / a
// and v = (y − cy) / b the outline is u² / (1 + k v)² + v² = 1.

struct EggBody {
  double cx, cy, a, b, k;

  double Field(double x, double y) const {
    const double u = (x - cx) / a, v = (y - cy) / b, f = 1 + k * v;
    return u * u / (f * f) + v * v - 1;
  }
  bool Contains(double x, double y) const { return Field(x, y) <= 0; }
  // Approximate signed distance to the outline in pixels (negative inside).
  double Distance(double x, double y) const {
    const double u = (x - cx) / a, v = (y - cy) / b, f = 1 + k * v;
    const double gx = 2 * u / (f * f) / a;
    const double gy = (-2 * u * u * k / (f * f * f) + 2 * v) / b;
    const double g = std::sqrt(gx * gx + gy * gy);
    return g > 0 ? Field(x, y) / g : -a;
  }
  // The surface normal facing the viewer (x right, y down, z toward the viewer).
  Vec3 Normal(double x, double y) const {
    const double X = x - cx, v = (y - cy) / b, f = 1 + k * v;
    const double radius2 = a * a * f * f * (1 - v * v);
    const double z2 = std::max(0.0, radius2 - X * X);
    const double af2 = a * a * f * f;
    const double gx = 2 * X / af2, gz = 2 * std::sqrt(z2) / af2;
    const double gy = (-2 * (X * X + z2) * k / (a * a * f * f * f) + 2 * v) / b;
    return Normalised({gx, gy, gz});
  }
};

// Polished gold: a key light from the upper left, the surroundings mirrored in the
// metal (a bright sky above the horizon, a dark band at it, a warm floor below), a warm
// rim along the lower right, a broad sheen and a sharp highlight that stops short of
// white.
Colour Gold(const Vec3& n) {
  static const Vec3 kKey = Normalised({-0.55, -0.7, 0.6});
  static const Vec3 kKeyHalf = Normalised({-0.5, -0.3, 0.83});
  static const Vec3 kRim = Normalised({0.75, 0.6, -0.1});
  const double diffuse = std::max(0.0, Dot(n, kKey));
  // The mirrored direction's vertical part: negative looks up, positive looks down.
  const double down = 2 * n.z * n.y;
  const double mirrored = Profile({{-1.0, 0.95}, {-0.1, 0.85}, {0.3, 0.42}, {0.6, 0.36}, {1.0, 0.55}}, down);
  const double light = 0.5 * diffuse + 0.5 * mirrored;
  Colour c = Ramp({{0.0, {92, 36, 0}},
                   {0.22, {150, 72, 2}},
                   {0.45, {212, 130, 8}},
                   {0.65, {246, 184, 28}},
                   {0.82, {255, 214, 64}},
                   {1.0, {255, 236, 140}}},
                  light);
  // Warm light bounced in along the lower-right rim.
  const double rim = Power(std::max(0.0, Dot(n, kRim)), 2) * (1 - n.z);
  c = Mix(c, {255, 140, 16}, rim * 0.9);
  const double key = std::max(0.0, Dot(n, kKeyHalf));
  c = Mix(c, {255, 240, 176}, Power(key, 6) * 0.35);
  return Mix(c, kHighlight, Power(key, 60));
}

// Lacquered red for the bow: lit from the upper left, t from 0 (deep) to 1 (light).
Colour Red(double t) {
  return Ramp({{0.0, {92, 0, 10}}, {0.35, {156, 6, 20}}, {0.65, {212, 24, 32}}, {0.9, {246, 70, 62}},
               {1.0, {252, 128, 112}}},
              t);
}

// ---------------------------------------------------------------------------------------
// The number on the egg: bold red strokes with a thin dark red outline and a bevelled
// edge, over a soft shadow on the gold.

class Digit {
 public:
  Digit(int digit, double cx, double cy, double height)
      : strokes_(DigitStrokes(digit)),
        scale_(height / kDigitBoxHeight),
        left_(cx - kDigitBoxWidth / 2 * scale_),
        top_(cy - kDigitBoxHeight / 2 * scale_) {}

  static constexpr double kOutline = 2.0;  // pixels

  // The digit's own paint (fill or outline) at (x, y), if any.
  Hit Shade(double x, double y) const {
    const double ux = (x - left_) / scale_, uy = (y - top_) / scale_;
    const double half = kDigitStroke / 2, outline = kOutline / scale_;
    if (strokes_.FarOutside(ux, uy, half + outline)) return {};
    double nx, ny;
    const double d = strokes_.Distance(ux, uy, nx, ny);
    if (d > half + outline) return {};
    if (d > half) return Paint({104, 0, 8});
    // Flat in the middle of the stroke, rising toward its edge: lighter where the edge
    // faces the light, darker where it faces away.
    const double edge = Smooth(half * 0.45, half, d);
    double facing = 0;
    if (d > 0) facing = ((ux - nx) * -0.6 + (uy - ny) * -0.8) / d;
    const double vertical = uy / kDigitBoxHeight;  // 0 top … 1 bottom
    const double t = 0.78 - 0.22 * vertical + edge * facing * 0.3 - edge * 0.12;
    return Paint(Ramp({{0.0, {110, 0, 8}}, {0.5, {196, 12, 20}}, {0.75, {232, 30, 30}}, {1.0, {255, 92, 72}}}, t));
  }
  // How much of the digit's drop shadow falls on the egg at (x, y): 0 … 1.
  double Shadow(double x, double y) const {
    const double ux = (x - 2.5 - left_) / scale_, uy = (y - 3.5 - top_) / scale_;
    const double reach = kDigitStroke / 2 + (kOutline + 3) / scale_;
    if (strokes_.FarOutside(ux, uy, reach)) return 0;
    double nx, ny;
    const double d = strokes_.Distance(ux, uy, nx, ny);
    return 1 - Smooth(kDigitStroke / 2, reach, d);
  }

 private:
  Strokes strokes_;
  double scale_, left_, top_;
};

// ---------------------------------------------------------------------------------------
// The red ribbon bow on top of the egg: two loops with the inside of each fold showing,
// two tails with notched ends, and the knot.

// A tail: a ribbon strip from (x0, y0) to its end, widening from w0 to w1, its end cut
// with a V notch.
struct Tail {
  double x0, y0, x1, y1, w0, w1, notch;

  // Strip coordinates: s along the strip (0 … length), t across it in pixels.
  void Local(double x, double y, double& s, double& t, double& length) const {
    const double dx = x1 - x0, dy = y1 - y0;
    length = std::sqrt(dx * dx + dy * dy);
    s = ((x - x0) * dx + (y - y0) * dy) / length;
    t = ((x - x0) * dy - (y - y0) * dx) / length;
  }
  bool Contains(double x, double y, double& along, double& across) const {
    double s, t, length;
    Local(x, y, s, t, length);
    if (s < 0) return false;
    const double half = (w0 + (w1 - w0) * Clamp01(s / length)) / 2;
    if (std::fabs(t) > half) return false;
    if (s > length - notch * (1 - std::fabs(t) / half)) return false;
    along = s / length;
    across = t / half;
    return true;
  }
};

class Bow {
 public:
  Bow(double cx, double cy)
      : knot_{cx, cy, 10.5, 12},
        leftLoop_{cx - 27, cy - 8, 29, 15, Turn::HalfTangent(0.19)},
        rightLoop_{cx + 27, cy - 8, 29, 15, Turn::HalfTangent(-0.19)},
        leftFold_{cx - 33, cy - 10, 15, 7, Turn::HalfTangent(0.19)},
        rightFold_{cx + 33, cy - 10, 15, 7, Turn::HalfTangent(-0.19)},
        leftTail_{cx - 3, cy + 4, cx - 24, cy + 44, 15, 19, 7},
        rightTail_{cx + 3, cy + 4, cx + 22, cy + 47, 15, 19, 7} {}

  Hit Shade(double x, double y) const {
    if (y < knot_.cy - 40 || y > knot_.cy + 52 || std::fabs(x - knot_.cx) > 62) return {};
    // The knot: a squarish cushion (|u|⁴ + |v|⁴ ≤ 1), rounded across, with a fold on
    // either side where the loops leave it.
    {
      const double u = (x - knot_.cx) / knot_.rx, v = (y - knot_.cy) / knot_.ry;
      const double u2 = u * u, v2 = v * v, r4 = u2 * u2 + v2 * v2;
      if (r4 <= 1) {
        if (r4 > 0.8) return Paint({84, 0, 8});
        double t = 0.8 - 0.45 * u * u - 0.3 * u - 0.25 * v;
        if (std::fabs(std::fabs(u) - 0.55) < 0.09) t -= 0.25;
        return Paint(Red(t));
      }
    }
    for (int side = 0; side < 2; ++side) {
      const Ellipse& loop = side == 0 ? leftLoop_ : rightLoop_;
      const Ellipse& fold = side == 0 ? leftFold_ : rightFold_;
      if (!loop.Contains(x, y)) continue;
      const double edge = loop.Distance(x, y);
      if (edge > -1.1) return Paint({84, 0, 8});
      double u, v;
      loop.Local(x, y, u, v);
      const double out = std::fabs(u) / loop.rx;  // 0 at the loop's middle … 1 at its ends
      // The inside of the loop, seen through its opening: deep red, darker toward the knot.
      if (fold.Contains(x, y)) {
        if (fold.Distance(x, y) > -1.0) return Paint({120, 2, 14});
        double fu, fv;
        fold.Local(x, y, fu, fv);
        return Paint(Red(0.12 + 0.2 * (fv / fold.ry + 1) / 2 + 0.06 * (side == 0 ? -fu : fu) / fold.rx));
      }
      // The outside: lit on its upper edge, shaded toward the knot and the lower edge,
      // with a highlight ridge along the top.
      const double across = v / loop.ry;  // −1 top … 1 bottom
      double t = 0.72 - 0.32 * across - 0.22 * (1 - out) * (1 - out);
      const double ridge = 1 - std::fabs(across + 0.5) / 0.22;
      if (ridge > 0) t += ridge * 0.22 * out;
      return Paint(Red(t));
    }
    for (int side = 0; side < 2; ++side) {
      const Tail& tail = side == 0 ? leftTail_ : rightTail_;
      double along, across;
      if (!tail.Contains(x, y, along, across)) continue;
      if (std::fabs(across) > 0.86) return Paint({84, 0, 8});
      // A gentle twist: the lit side changes along the ribbon.
      const double twist = along * 2 - 1;
      double t = 0.6 + 0.18 * across * (side == 0 ? 1 : -1) * twist - 0.25 * along + 0.12 * (1 - along);
      return Paint(Red(t));
    }
    return {};
  }
  // The bow's soft shadow on the egg: 0 … 1.
  double Shadow(double x, double y) const {
    const Ellipse spread{knot_.cx + 3, knot_.cy + 14, 46, 18};
    const double d = spread.Distance(x, y);
    double shade = (1 - Smooth(-10, 8, d)) * 0.6;
    double along, across;
    for (const Tail* tail : {&leftTail_, &rightTail_}) {
      if (tail->Contains(x - 3, y - 4, along, across)) shade = std::max(shade, 0.85);
    }
    return shade;
  }

 private:
  Ellipse knot_, leftLoop_, rightLoop_, leftFold_, rightFold_;
  Tail leftTail_, rightTail_;
};

// The surface of an egg at (x, y): shaded gold with a dark amber rim line, darkened
// where a shadow falls (0 … 1).
Colour EggSurface(const EggBody& egg, double x, double y, double shadow) {
  Colour c = Gold(egg.Normal(x, y));
  if (shadow > 0) c = Mix(c, Scale(c, 0.55), shadow);
  const double d = egg.Distance(x, y);
  return Mix(c, {118, 58, 4}, Smooth(-2.2, -0.6, d));
}

// ---------------------------------------------------------------------------------------
// The rest picture of egg n.

const EggBody kRestEgg{100, 104, 70, 82, 0.1};

std::function<Hit(double, double)> RestPicture(int number) {
  return [digit = Digit(number, 100, 118, 66), bow = Bow(100, 30)](double x, double y) -> Hit {
    if (Hit h = bow.Shade(x, y); h.covered) return h;
    if (!kRestEgg.Contains(x, y)) return {};
    if (Hit h = digit.Shade(x, y); h.covered) return h;
    const double shadow = std::max(digit.Shadow(x, y) * 0.55, bow.Shadow(x, y) * 0.5);
    return Paint(EggSurface(kRestEgg, x, y, shadow));
  };
}

// ---------------------------------------------------------------------------------------
// The smash picture: the lower shell with its jagged rim and the dark inside showing, the
// cap tipped and flying off to the upper right, red banknotes rising out of the opening,
// gold coins and butterflies around, a few sparkles.

// A jagged line across the egg: y as a function of x through the given corners (x
// ascending), held level beyond the first and last.
struct Jag {
  std::vector<std::pair<double, double>> corners;
  double At(double x) const {
    if (x <= corners.front().first) return corners.front().second;
    for (std::size_t i = 1; i < corners.size(); ++i) {
      const auto& [x1, y1] = corners[i];
      if (x <= x1) {
        const auto& [x0, y0] = corners[i - 1];
        return y0 + (y1 - y0) * (x - x0) / (x1 - x0);
      }
    }
    return corners.back().second;
  }
};

const EggBody kBrokenEgg{94, 118, 60, 70, 0.1};
// The front edge of the break and the back edge seen across the opening.
const Jag kFrontRim{{{30, 108}, {40, 100}, {49, 112}, {59, 101}, {70, 115}, {81, 103}, {92, 117},
                     {103, 102}, {114, 114}, {125, 100}, {136, 111}, {147, 99}, {158, 106}}};
const Jag kBackRim{{{30, 100}, {42, 92}, {53, 98}, {65, 88}, {77, 95}, {89, 86}, {101, 94}, {113, 85},
                    {125, 93}, {137, 86}, {149, 95}, {158, 98}}};

// The cap's place: turned about the point where the egg's top was and moved up and
// right. The cap is the part of the egg above the front rim.
constexpr double kCapPivotX = 94, kCapPivotY = 80;
constexpr double kCapX = 144, kCapY = 46;
const Turn kCapTurn = Turn::HalfTangent(0.2);

struct Note {
  double cx, cy, halfW, halfH;
  Turn turn;
};
struct Coin {
  double cx, cy, r, squash;
};
struct Butterfly {
  double cx, cy, size;
  Turn turn;
  Colour wing;
};

const Note kNotes[] = {
    {68, 62, 27, 14, Turn::HalfTangent(-0.42)},
    {94, 52, 27, 14, Turn::HalfTangent(-0.06)},
    {54, 84, 27, 14, Turn::HalfTangent(-0.75)},
    {122, 74, 27, 14, Turn::HalfTangent(0.3)},
};
const Coin kCoinsBehind[] = {{82, 82, 11, 0.9}, {108, 86, 10, 0.85}, {40, 52, 10, 0.9}, {118, 38, 9, 0.85}};
const Coin kCoinsInFront[] = {{22, 138, 12, 0.8}, {170, 150, 11, 0.8}, {30, 166, 9, 0.75}, {76, 24, 9, 0.9}};
const Butterfly kButterflies[] = {
    {28, 24, 1.0, Turn::HalfTangent(-0.3), {236, 60, 160}},
    {56, 14, 0.7, Turn::HalfTangent(0.2), {60, 150, 250}},
    {20, 84, 0.8, Turn::HalfTangent(-0.5), {150, 80, 230}},
    {172, 102, 0.85, Turn::HalfTangent(0.35), {40, 200, 150}},
    {110, 16, 0.75, Turn::HalfTangent(0.1), {255, 140, 20}},
};

// A red banknote: a darker edge, a pale inner frame, a round watermark field on its left
// and a portrait-sized darker panel on its right.
Hit NoteAt(const Note& n, double x, double y) {
  double u, v;
  n.turn.Undo(x - n.cx, y - n.cy, u, v);
  const double du = std::fabs(u) - n.halfW, dv = std::fabs(v) - n.halfH;
  if (du > 0 || dv > 0) return {};
  const double inside = -std::max(du, dv);  // distance to the edge
  if (inside < 1.0) return Paint({112, 0, 12});
  if (inside < 2.6) return Paint({250, 228, 206});
  const double lit = 0.62 - 0.2 * v / n.halfH - 0.08 * u / n.halfW;
  Colour c = Mix({168, 14, 28}, {230, 54, 58}, lit);
  if (inside > 4.2 && inside < 5.2) return Paint({244, 170, 150});
  const double wx = u + n.halfW * 0.5, wy = v;
  const double w = wx * wx + wy * wy;
  if (w < 7.5 * 7.5) {
    c = w > 6 * 6 ? Colour{246, 186, 164} : Mix({236, 120, 110}, {248, 204, 186}, 0.5 - 0.05 * wy);
  }
  if (u > n.halfW * 0.15 && u < n.halfW * 0.75 && std::fabs(v) < n.halfH * 0.55) c = Scale(c, 0.8);
  if (u > n.halfW * 0.2 && u < n.halfW * 0.7 && std::fabs(v + n.halfH * 0.72) < 0.8) c = {246, 186, 164};
  return Paint(c);
}

// A gold coin with a square hole's engraved outline, seen a little from the side.
Hit CoinAt(const Coin& coin, double x, double y) {
  const double u = (x - coin.cx) / coin.r, v = (y - coin.cy) / (coin.r * coin.squash);
  const double rr = u * u + v * v;
  if (rr > 1) return {};
  const double r = std::sqrt(rr);
  if (r > 0.92) return Paint({122, 64, 4});
  const Vec3 n = r > 0.72 ? Normalised({u * 2.2, v * 2.2, 1}) : Vec3{0, 0, 1};
  Colour c = Gold(Normalised({n.x - 0.1 * u, n.y - 0.1 * v, n.z}));
  if (r <= 0.72) c = Mix(c, Gold(Normalised({-0.25 * u - 0.1, -0.25 * v - 0.1, 1})), 0.5);
  const double sq = std::max(std::fabs(u), std::fabs(v));
  if (sq > 0.2 && sq < 0.3) c = Scale(c, 0.62);
  if (r > 0.7 && r < 0.76) c = Scale(c, 0.75);
  return Paint(c);
}

// A butterfly: a dark body and four wings coloured from deep at the body to light at the
// tips, with a dark edge and a pale spot on each upper wing.
Hit ButterflyAt(const Butterfly& b, double x, double y) {
  double u, v;
  b.turn.Undo(x - b.cx, y - b.cy, u, v);
  u /= b.size;
  v /= b.size;
  if (std::fabs(u) > 22 || std::fabs(v) > 18) return {};
  const Ellipse body{0, 0, 2.0, 9.5};
  if (body.Contains(u, v)) return Paint(Mix({40, 20, 24}, {90, 60, 50}, 0.5 - v / 20));
  const double au = std::fabs(u);
  // Antennae.
  double nx, ny;
  if (SegmentDistance(au, v, 1, -8, 6, -15, nx, ny) < 0.8) return Paint({40, 20, 24});
  const Ellipse upper{10, -6, 11, 7.5, Turn::HalfTangent(-0.3)};
  const Ellipse lower{8, 5.5, 7.5, 5.5, Turn::HalfTangent(0.35)};
  for (const Ellipse* wing : {&upper, &lower}) {
    if (!wing->Contains(au, v)) continue;
    const double edge = wing->Distance(au, v);
    if (edge > -1.1 / b.size) return Paint(Scale(b.wing, 0.35));
    const double out = Clamp01(std::sqrt((au * au + v * v)) / 20);
    Colour c = Mix(Scale(b.wing, 0.55), Mix(b.wing, {254, 246, 230}, 0.45), out);
    const Ellipse spot{13, -7, 3, 2.2};
    if (wing == &upper && spot.Contains(au, v)) c = Mix(b.wing, {254, 248, 236}, 0.7);
    return Paint(c);
  }
  return {};
}

// A four-pointed sparkle of radius r: |x|^½ + |y|^½ ≤ r^½.
bool SparkleAt(double cx, double cy, double r, double x, double y) {
  return std::sqrt(std::fabs(x - cx)) + std::sqrt(std::fabs(y - cy)) <= std::sqrt(r);
}

// The burst of light behind everything: a star of sixteen points around the opening,
// pale gold at its heart and deep orange at its points. Its outline follows cos 16θ of
// the direction, made from the direction's cosine by doubling, so no angle is computed.
constexpr double kBurstX = 96, kBurstY = 84, kBurstInner = 62, kBurstOuter = 86;

Hit BurstAt(double x, double y) {
  const double dx = x - kBurstX, dy = y - kBurstY;
  const double r = std::sqrt(dx * dx + dy * dy);
  if (r > kBurstOuter) return {};
  const double c1 = r > 0 ? dx / r : 1;
  double c = c1;
  for (int i = 0; i < 4; ++i) c = 2 * c * c - 1;  // cos 2θ, 4θ, 8θ, 16θ
  const double point = Power((1 + c) / 2, 3);
  const double reach = kBurstInner + (kBurstOuter - kBurstInner) * point;
  if (r > reach) return {};
  return Paint(Ramp({{0.0, {255, 236, 150}}, {0.55, {255, 196, 70}}, {1.0, {250, 128, 16}}}, r / kBurstOuter));
}

// The broken egg's inside: deep amber, darker low down and toward the front rim.
Colour Inside(double x, double y) {
  const double depth = Clamp01((y - kBackRim.At(x)) / 22);
  const double side = (x - kBrokenEgg.cx) / kBrokenEgg.a;
  return Ramp({{0.0, {214, 140, 30}}, {0.35, {150, 78, 8}}, {1.0, {86, 36, 2}}}, depth + 0.15 * side * side);
}

std::function<Hit(double, double)> SmashPicture() {
  return [](double x, double y) -> Hit {
    const double sparkles[][3] = {{66, 12, 9}, {152, 126, 7}, {10, 116, 7}, {188, 74, 8}, {130, 6, 6}};
    for (const auto& s : sparkles)
      if (SparkleAt(s[0], s[1], s[2], x, y)) return Paint({255, 244, 176});
    for (const Butterfly& b : kButterflies)
      if (Hit h = ButterflyAt(b, x, y); h.covered) return h;
    for (const Coin& c : kCoinsInFront)
      if (Hit h = CoinAt(c, x, y); h.covered) return h;
    // The cap, mapped back to where it sat on the egg.
    {
      double u, v;
      kCapTurn.Undo(x - kCapX, y - kCapY, u, v);
      const double ex = u + kCapPivotX, ey = v + kCapPivotY;
      if (kBrokenEgg.Contains(ex, ey) && ey < kFrontRim.At(ex)) {
        // The shell's broken edge shows as a pale band along the crack.
        if (kFrontRim.At(ex) - ey < 2.2) return Paint({250, 216, 120});
        Vec3 n = kBrokenEgg.Normal(ex, ey);
        double nx, ny;
        kCapTurn.Apply(n.x, n.y, nx, ny);
        Colour c = Gold({nx, ny, n.z});
        return Paint(Mix(c, {118, 58, 4}, Smooth(-2.2, -0.6, kBrokenEgg.Distance(ex, ey))));
      }
    }
    if (kBrokenEgg.Contains(x, y)) {
      const double front = kFrontRim.At(x);
      if (y >= front) {
        if (y - front < 2.2) return Paint({250, 216, 120});
        // The rim throws a little shadow just below the break.
        const double shadow = (1 - Smooth(0, 9, y - front)) * 0.25;
        return Paint(EggSurface(kBrokenEgg, x, y, shadow));
      }
    }
    for (const Coin& c : kCoinsBehind)
      if (Hit h = CoinAt(c, x, y); h.covered) return h;
    for (const Note& n : kNotes)
      if (Hit h = NoteAt(n, x, y); h.covered) return h;
    if (kBrokenEgg.Contains(x, y) && y >= kBackRim.At(x)) {
      if (y - kBackRim.At(x) < 1.8) return Paint({246, 204, 100});
      return Paint(Inside(x, y));
    }
    return BurstAt(x, y);
  };
}

// ---------------------------------------------------------------------------------------
// Rendering and writing.

std::uint8_t Channel(double v) { return static_cast<std::uint8_t>(std::clamp(std::floor(v + 0.5), 0.0, 254.0)); }

// The picture's colours (rows top-down) and which pixels belong to the egg.
struct Drawing {
  std::vector<Rgb> colours;
  std::vector<bool> opaque;
};

Drawing Render(const std::function<Hit(double, double)>& shade) {
  Drawing out;
  out.colours.resize(kWidth * kHeight);
  out.opaque.resize(kWidth * kHeight);
  constexpr int kSamples = kSubsamples * kSubsamples;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      Colour sum;
      int covered = 0;
      for (int j = 0; j < kSubsamples; ++j) {
        for (int i = 0; i < kSubsamples; ++i) {
          const Hit h = shade(x + (i + 0.5) / kSubsamples, y + (j + 0.5) / kSubsamples);
          if (!h.covered) continue;
          ++covered;
          sum.r += h.colour.r;
          sum.g += h.colour.g;
          sum.b += h.colour.b;
        }
      }
      const std::size_t at = static_cast<std::size_t>(y) * kWidth + x;
      if (covered * 2 < kSamples) continue;
      const Colour mean = Scale(sum, 1.0 / covered);
      const Colour c = Mix(kEdgeTone, mean, static_cast<double>(covered) / kSamples);
      out.colours[at] = {Channel(c.r), Channel(c.g), Channel(c.b)};
      out.opaque[at] = true;
    }
  }
  return out;
}

std::vector<std::uint8_t> Encode(const Drawing& drawing) {
  std::vector<Rgb> shown;
  for (std::size_t i = 0; i < drawing.colours.size(); ++i)
    if (drawing.opaque[i]) shown.push_back(drawing.colours[i]);
  const std::vector<Rgb> palette = zorvel::tools::MedianCutPalette(shown, zorvel::tools::kTransparentIndex);
  std::vector<std::uint8_t> indexes = zorvel::tools::NearestIndexes(drawing.colours, palette);
  for (std::size_t i = 0; i < indexes.size(); ++i)
    if (!drawing.opaque[i]) indexes[i] = zorvel::tools::kTransparentIndex;
  return zorvel::tools::TransparentGif(kWidth, kHeight, palette, indexes);
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zorvel-egg-pictures OUTDIR\n");
    return 2;
  }
  const std::string folder = argv[1];
  for (int n = 1; n <= 10; ++n) {
    const bool smash = n == 10;
    const std::string path = folder + (smash ? "/smash.gif" : "/egg-" + std::to_string(n) + ".gif");
    const Drawing drawing = Render(smash ? SmashPicture() : RestPicture(n));
    if (!WriteFile(path, Encode(drawing))) {
      std::fprintf(stderr, "zorvel-egg-pictures: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
