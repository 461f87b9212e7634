// zorvel-egg-cursor OUTPUT
//
// Writes the mouse pointer the nine eggs carry: a golden hammer, 64 × 64 pixels, as a
// cursor file. The hammer's head lies at the top left with its striking face turned
// down-left, the red handle runs to the bottom right; the hot spot is the centre of the
// striking face, so the point that "hits" is the point that clicks.
//
// File layout: a 6-byte directory header (type 2, one entry), one 16-byte entry holding
// the hot spot, then the image: a 40-byte bitmap-info header whose height counts the
// colour rows and the mask rows, 64 × 64 32-bit pixels (blue, green, red, alpha;
// straight alpha; rows bottom-up) and the 64 × 64 1-bit AND mask (1 = transparent).
// Everything is computed with + − × ÷ and square roots only, so every build writes the
// same bytes. Exit status 0 on success, 1 when the file cannot be written, 2 on bad usage.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSide = 64;
constexpr int kSubsamples = 4;  // per axis: 16 samples a pixel for the antialiased edge

struct Colour {
  double r = 0, g = 0, b = 0;
};

Colour Mix(const Colour& a, const Colour& b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour Scale(const Colour& c, double k) { return {c.r * k, c.g * k, c.b * k}; }

const double kRootHalf = std::sqrt(0.5);

// The head: a rounded rectangle centred at (18, 18) whose long axis runs from the
// down-left striking face to the up-right back end.
constexpr double kHeadX = 18, kHeadY = 18;
constexpr double kHeadHalfLength = 17, kHeadHalfWidth = 9, kHeadCorner = 3;

// The handle: a capsule from inside the head to the bottom-right corner.
constexpr double kHandleX0 = 21, kHandleY0 = 21, kHandleX1 = 57, kHandleY1 = 57;
constexpr double kHandleRadius = 3.6;

constexpr double kOutline = 1.3;  // width of the dark rim around the whole shape

struct Sample {
  bool covered = false;
  Colour colour;
};

// Head coordinates: a along the long axis (positive towards the striking face), b across
// it (negative on the lit upper-left side).
void HeadCoordinates(double x, double y, double& a, double& b) {
  const double dx = x - kHeadX, dy = y - kHeadY;
  a = (-dx + dy) * kRootHalf;
  b = (dx + dy) * kRootHalf;
}

// Signed distance to the head's outline (negative inside).
double HeadDistance(double x, double y) {
  double a, b;
  HeadCoordinates(x, y, a, b);
  const double qa = std::fabs(a) - (kHeadHalfLength - kHeadCorner);
  const double qb = std::fabs(b) - (kHeadHalfWidth - kHeadCorner);
  const double oa = std::max(qa, 0.0), ob = std::max(qb, 0.0);
  return std::sqrt(oa * oa + ob * ob) + std::min(std::max(qa, qb), 0.0) - kHeadCorner;
}

// Position along the handle (0 at the head, 1 at the end) and signed distance across it.
void HandleCoordinates(double x, double y, double& along, double& across) {
  const double ux = kHandleX1 - kHandleX0, uy = kHandleY1 - kHandleY0;
  const double length2 = ux * ux + uy * uy;
  along = ((x - kHandleX0) * ux + (y - kHandleY0) * uy) / length2;
  across = ((x - kHandleX0) * uy - (y - kHandleY0) * ux) / std::sqrt(length2);
}

double HandleDistance(double x, double y) {
  double along, across;
  HandleCoordinates(x, y, along, across);
  const double t = std::clamp(along, 0.0, 1.0);
  const double px = kHandleX0 + (kHandleX1 - kHandleX0) * t - x;
  const double py = kHandleY0 + (kHandleY1 - kHandleY0) * t - y;
  return std::sqrt(px * px + py * py) - kHandleRadius;
}

const Colour kGoldLight{255, 224, 96};
const Colour kGoldDark{168, 108, 12};
const Colour kGoldShine{255, 250, 214};
const Colour kRedLight{236, 86, 70};
const Colour kRedDark{118, 14, 14};
const Colour kRim{78, 42, 0};

// Polished gold: light on the upper-left side, dark on the lower-right, a shine stripe
// and two darker bands near the ends.
Colour HeadColour(double x, double y) {
  double a, b;
  HeadCoordinates(x, y, a, b);
  const double t = b / kHeadHalfWidth;  // −1 lit side … 1 shaded side
  Colour c = Mix(kGoldLight, kGoldDark, (t + 1) / 2);
  const double shine = 1 - std::fabs(t + 0.45) / 0.22;
  if (shine > 0) c = Mix(c, kGoldShine, shine * 0.85);
  const double fromEnd = kHeadHalfLength - std::fabs(a);
  if (fromEnd > 3.5 && fromEnd < 5.5) c = Scale(c, 0.78);
  return c;
}

// Red lacquered handle, lit along one side, with a gold cap at its end.
Colour HandleColour(double x, double y) {
  double along, across;
  HandleCoordinates(x, y, along, across);
  const double t = across / kHandleRadius;  // −1 … 1 across the handle
  const Colour base = along > 0.88 ? Mix(kGoldLight, kGoldDark, (t + 1) / 2) : Mix(kRedLight, kRedDark, (t + 1) / 2);
  const double shine = 1 - std::fabs(t + 0.35) / 0.3;
  return shine > 0 ? Mix(base, kGoldShine, shine * 0.5) : base;
}

Sample Shade(double x, double y) {
  const double head = HeadDistance(x, y);
  if (head <= 0) return {true, HeadColour(x, y)};
  const double handle = HandleDistance(x, y);
  if (handle <= 0) return {true, HandleColour(x, y)};
  if (std::min(head, handle) <= kOutline) return {true, kRim};
  return {};
}

std::uint8_t ToByte(double v) { return static_cast<std::uint8_t>(std::clamp(std::floor(v + 0.5), 0.0, 255.0)); }

// The pixels, rows top-down, as straight blue, green, red, alpha.
std::vector<std::array<std::uint8_t, 4>> Draw() {
  std::vector<std::array<std::uint8_t, 4>> pixels(kSide * kSide);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      double r = 0, g = 0, b = 0;
      int covered = 0;
      for (int j = 0; j < kSubsamples; ++j) {
        for (int i = 0; i < kSubsamples; ++i) {
          const Sample s = Shade(x + (i + 0.5) / kSubsamples, y + (j + 0.5) / kSubsamples);
          if (!s.covered) continue;
          ++covered;
          r += s.colour.r;
          g += s.colour.g;
          b += s.colour.b;
        }
      }
      auto& out = pixels[y * kSide + x];
      if (covered == 0) {
        out = {0, 0, 0, 0};
        continue;
      }
      // Colour is the average over the covered samples (straight alpha); alpha the share
      // of samples covered.
      out = {ToByte(b / covered), ToByte(g / covered), ToByte(r / covered),
             ToByte(255.0 * covered / (kSubsamples * kSubsamples))};
    }
  }
  return pixels;
}

// The hot spot: the centre of the striking face.
constexpr int kHotX = 6, kHotY = 30;

void PutU16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8 & 0xFF);
}
void PutU32(std::string& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

std::string CursorFile() {
  const auto pixels = Draw();
  constexpr std::uint32_t kHeaderBytes = 40;
  constexpr std::uint32_t kColourBytes = kSide * kSide * 4;
  constexpr std::uint32_t kMaskStride = kSide / 8;  // 8 bytes a row: already a multiple of 4
  constexpr std::uint32_t kMaskBytes = kMaskStride * kSide;
  constexpr std::uint32_t kImageBytes = kHeaderBytes + kColourBytes + kMaskBytes;
  constexpr std::uint32_t kImageOffset = 6 + 16;

  std::string out;
  // Directory: reserved, type 2 (cursor), one image.
  PutU16(out, 0);
  PutU16(out, 2);
  PutU16(out, 1);
  // Entry: width, height, colour count, reserved, hot spot x and y, image size, offset.
  out += static_cast<char>(kSide);
  out += static_cast<char>(kSide);
  out += '\0';
  out += '\0';
  PutU16(out, kHotX);
  PutU16(out, kHotY);
  PutU32(out, kImageBytes);
  PutU32(out, kImageOffset);
  // Bitmap-info header; the height counts colour rows and mask rows.
  PutU32(out, kHeaderBytes);
  PutU32(out, kSide);
  PutU32(out, kSide * 2);
  PutU16(out, 1);   // planes
  PutU16(out, 32);  // bits per pixel
  PutU32(out, 0);   // no compression
  PutU32(out, kColourBytes + kMaskBytes);
  PutU32(out, 0);  // resolution
  PutU32(out, 0);
  PutU32(out, 0);  // colours used
  PutU32(out, 0);  // colours important
  for (int row = kSide - 1; row >= 0; --row)
    for (int x = 0; x < kSide; ++x)
      for (const std::uint8_t byte : pixels[row * kSide + x]) out += static_cast<char>(byte);
  for (int row = kSide - 1; row >= 0; --row) {
    for (std::uint32_t k = 0; k < kMaskStride; ++k) {
      std::uint8_t bits = 0;
      for (int bit = 0; bit < 8; ++bit)
        if (pixels[row * kSide + k * 8 + bit][3] == 0) bits |= static_cast<std::uint8_t>(0x80 >> bit);
      out += static_cast<char>(bits);
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zorvel-egg-cursor OUTPUT\n");
    return 2;
  }
  const std::string bytes = CursorFile();
  std::FILE* file = std::fopen(argv[1], "wb");
  if (!file) {
    std::fprintf(stderr, "zorvel-egg-cursor: cannot write %s\n", argv[1]);
    return 1;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "zorvel-egg-cursor: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
