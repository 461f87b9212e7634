// The shapes the egg pictures are drawn from, each answering for one point whether it
// covers it and how far the point lies from its outline. Only + − × ÷, square roots and
// comparisons are used (angles are given by their cosine and sine, curves are flattened
// with fixed steps), so every build computes the same pictures bit for bit.
#pragma once

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace zorvel::tools::eggs {

struct Colour {
  double r = 0, g = 0, b = 0;
};

inline double Clamp01(double t) { return std::clamp(t, 0.0, 1.0); }

inline Colour Mix(const Colour& a, const Colour& b, double t) {
  t = Clamp01(t);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

inline Colour Scale(const Colour& c, double k) { return {c.r * k, c.g * k, c.b * k}; }

// Smooth step from 0 at e0 to 1 at e1.
inline double Smooth(double e0, double e1, double x) {
  const double t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

// x to a whole power (by repeated multiplication).
inline double Power(double x, int n) {
  double r = 1;
  for (int i = 0; i < n; ++i) r *= x;
  return r;
}

struct ColourStop {
  double at;
  Colour colour;
};

// A piecewise-linear ramp through stops given in ascending order.
inline Colour Ramp(std::initializer_list<ColourStop> stops, double t) {
  const ColourStop* previous = stops.begin();
  if (t <= previous->at) return previous->colour;
  for (const ColourStop* s = stops.begin() + 1; s != stops.end(); ++s) {
    if (t <= s->at) return Mix(previous->colour, s->colour, (t - previous->at) / (s->at - previous->at));
    previous = s;
  }
  return previous->colour;
}

struct ValueStop {
  double at, value;
};

// A piecewise-linear profile of a number through stops given in ascending order.
inline double Profile(std::initializer_list<ValueStop> stops, double t) {
  const ValueStop* previous = stops.begin();
  if (t <= previous->at) return previous->value;
  for (const ValueStop* s = stops.begin() + 1; s != stops.end(); ++s) {
    if (t <= s->at) return previous->value + (s->value - previous->value) * (t - previous->at) / (s->at - previous->at);
    previous = s;
  }
  return previous->value;
}

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

inline double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline Vec3 Normalised(const Vec3& v) {
  const double length = std::sqrt(Dot(v, v));
  return length > 0 ? Vec3{v.x / length, v.y / length, v.z / length} : Vec3{0, 0, 1};
}

// A turn in the picture plane, given by the tangent of half its angle (positive turns
// clockwise on the screen, where y runs down), so no trigonometry is needed.
struct Turn {
  double c = 1, s = 0;
  static Turn HalfTangent(double t) { return {(1 - t * t) / (1 + t * t), 2 * t / (1 + t * t)}; }
  void Apply(double x, double y, double& ox, double& oy) const {
    ox = c * x - s * y;
    oy = s * x + c * y;
  }
  void Undo(double x, double y, double& ox, double& oy) const {
    ox = c * x + s * y;
    oy = -s * x + c * y;
  }
};

// An ellipse with its own centre, half-axes and turn. Local coordinates run along its
// first half-axis (u) and across it (v).
struct Ellipse {
  double cx, cy, rx, ry;
  Turn turn{};

  void Local(double x, double y, double& u, double& v) const { turn.Undo(x - cx, y - cy, u, v); }
  // Approximate signed distance in pixels (negative inside), good near the outline.
  double Distance(double x, double y) const {
    double u, v;
    Local(x, y, u, v);
    const double f = u * u / (rx * rx) + v * v / (ry * ry) - 1;
    const double gu = 2 * u / (rx * rx), gv = 2 * v / (ry * ry);
    const double g = std::sqrt(gu * gu + gv * gv);
    return g > 0 ? f / g : -std::min(rx, ry);
  }
  bool Contains(double x, double y) const {
    double u, v;
    Local(x, y, u, v);
    return u * u / (rx * rx) + v * v / (ry * ry) <= 1;
  }
};

// Distance from (x, y) to the segment a–b, with the nearest point on it.
inline double SegmentDistance(double x, double y, double ax, double ay, double bx, double by, double& nx,
                              double& ny) {
  const double dx = bx - ax, dy = by - ay;
  const double length2 = dx * dx + dy * dy;
  const double t = length2 > 0 ? Clamp01(((x - ax) * dx + (y - ay) * dy) / length2) : 0;
  nx = ax + dx * t;
  ny = ay + dy * t;
  return std::sqrt((x - nx) * (x - nx) + (y - ny) * (y - ny));
}

// A closed polygon: even-odd inside test and distance to its edges.
struct Polygon {
  std::vector<double> xs, ys;

  Polygon(std::initializer_list<std::pair<double, double>> points) {
    for (const auto& [x, y] : points) {
      xs.push_back(x);
      ys.push_back(y);
    }
  }
  bool Contains(double x, double y) const {
    bool inside = false;
    for (std::size_t i = 0, j = xs.size() - 1; i < xs.size(); j = i++) {
      if ((ys[i] > y) != (ys[j] > y) && x < (xs[j] - xs[i]) * (y - ys[i]) / (ys[j] - ys[i]) + xs[i]) inside = !inside;
    }
    return inside;
  }
  // Signed distance (negative inside).
  double Distance(double x, double y) const {
    double best = 1e9, nx, ny;
    for (std::size_t i = 0, j = xs.size() - 1; i < xs.size(); j = i++)
      best = std::min(best, SegmentDistance(x, y, xs[j], ys[j], xs[i], ys[i], nx, ny));
    return Contains(x, y) ? -best : best;
  }
};

// Stroked lines: a set of polylines made from straight and cubic pieces (flattened into
// short segments), drawn with round ends at a given width.
class Strokes {
 public:
  void MoveTo(double x, double y) {
    lines_.push_back({});
    LineTo(x, y);
  }
  void LineTo(double x, double y) {
    lines_.back().push_back({x, y});
    Extend(x, y);
  }
  void CubicTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    const auto [x0, y0] = lines_.back().back();
    constexpr int kSteps = 20;
    for (int i = 1; i <= kSteps; ++i) {
      const double t = static_cast<double>(i) / kSteps, s = 1 - t;
      const double a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, d = t * t * t;
      LineTo(a * x0 + b * x1 + c * x2 + d * x3, a * y0 + b * y1 + c * y2 + d * y3);
    }
  }
  // A closed ellipse of four cubic quarters.
  void EllipseAt(double cx, double cy, double rx, double ry) {
    constexpr double k = 0.5522847498;  // control distance of a quarter circle
    MoveTo(cx + rx, cy);
    CubicTo(cx + rx, cy + ry * k, cx + rx * k, cy + ry, cx, cy + ry);
    CubicTo(cx - rx * k, cy + ry, cx - rx, cy + ry * k, cx - rx, cy);
    CubicTo(cx - rx, cy - ry * k, cx - rx * k, cy - ry, cx, cy - ry);
    CubicTo(cx + rx * k, cy - ry, cx + rx, cy - ry * k, cx + rx, cy);
  }

  // Distance to the nearest centre line, with the nearest point on it.
  double Distance(double x, double y, double& nx, double& ny) const {
    double best = 1e9;
    nx = x;
    ny = y;
    for (const auto& line : lines_) {
      for (std::size_t i = 0; i < line.size(); ++i) {
        const auto& a = line[i];
        const auto& b = line[i + 1 < line.size() ? i + 1 : i];
        double px, py;
        const double d = SegmentDistance(x, y, a.first, a.second, b.first, b.second, px, py);
        if (d < best) {
          best = d;
          nx = px;
          ny = py;
        }
      }
    }
    return best;
  }
  // Whether (x, y) lies farther than `margin` outside the box of all points.
  bool FarOutside(double x, double y, double margin) const {
    return x < left_ - margin || x > right_ + margin || y < top_ - margin || y > bottom_ + margin;
  }

 private:
  void Extend(double x, double y) {
    left_ = std::min(left_, x);
    right_ = std::max(right_, x);
    top_ = std::min(top_, y);
    bottom_ = std::max(bottom_, y);
  }
  std::vector<std::vector<std::pair<double, double>>> lines_;
  double left_ = 1e9, right_ = -1e9, top_ = 1e9, bottom_ = -1e9;
};

// The centre lines of the digits 1 … 9 in a box 62 wide and 100 high (y down), for a
// stroke 18 wide: the lines keep 9 from every side of the box.
inline Strokes DigitStrokes(int digit) {
  Strokes s;
  switch (digit) {
    case 1:
      s.MoveTo(14, 26);
      s.LineTo(33, 9);
      s.LineTo(33, 91);
      s.MoveTo(15, 91);
      s.LineTo(51, 91);
      break;
    case 2:
      s.MoveTo(10, 29);
      s.CubicTo(10, 16, 19, 9, 31, 9);
      s.CubicTo(44, 9, 52, 17, 52, 29);
      s.CubicTo(52, 47, 33, 60, 10, 91);
      s.LineTo(53, 91);
      break;
    case 3:
      s.MoveTo(11, 21);
      s.CubicTo(15, 13, 22, 9, 31, 9);
      s.CubicTo(43, 9, 51, 16, 51, 28);
      s.CubicTo(51, 40, 42, 48, 28, 48);
      s.CubicTo(44, 48, 53, 57, 53, 69);
      s.CubicTo(53, 83, 43, 91, 30, 91);
      s.CubicTo(20, 91, 12, 87, 9, 78);
      break;
    case 4:
      s.MoveTo(43, 91);
      s.LineTo(43, 9);
      s.LineTo(9, 66);
      s.LineTo(55, 66);
      break;
    case 5:
      s.MoveTo(51, 9);
      s.LineTo(17, 9);
      s.LineTo(13, 47);
      s.CubicTo(19, 41, 24, 39, 31, 39);
      s.CubicTo(45, 39, 53, 50, 53, 64);
      s.CubicTo(53, 80, 43, 91, 30, 91);
      s.CubicTo(20, 91, 12, 87, 9, 79);
      break;
    case 6:
      s.MoveTo(49, 15);
      s.CubicTo(44, 11, 38, 9, 33, 9);
      s.CubicTo(17, 9, 9, 28, 9, 60);
      s.EllipseAt(31, 67, 22, 24);
      break;
    case 7:
      s.MoveTo(9, 9);
      s.LineTo(53, 9);
      s.CubicTo(40, 30, 30, 55, 27, 91);
      break;
    case 8:
      s.EllipseAt(31, 29, 19, 20);
      s.EllipseAt(31, 68, 22, 23);
      break;
    case 9:
      s.EllipseAt(31, 33, 22, 24);
      s.MoveTo(53, 40);
      s.CubicTo(53, 72, 45, 91, 29, 91);
      s.CubicTo(24, 91, 18, 89, 13, 85);
      break;
    default: break;
  }
  return s;
}

inline constexpr double kDigitBoxWidth = 62, kDigitBoxHeight = 100, kDigitStroke = 18;

}  // namespace zorvel::tools::eggs
