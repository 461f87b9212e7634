#include "windows/font.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>
#include <cstring>

#include "text/gbk.h"
#include "text/gbk_literal.h"

namespace zorvel::forms {

using namespace zorvel::literals;

namespace {

std::int32_t Word(std::string_view b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(b[at + static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(v);
}

void PutWord(std::string& b, std::size_t at, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

FontFields ReadLogFont(std::string_view b) {
  if (b.size() != kLogFontSize) return ReadLogFont(DefaultGuiFont());
  FontFields f;
  f.height = Word(b, 0);
  f.escapement = Word(b, 8);
  f.weight = Word(b, 16);
  f.italic = b[20] != 0;
  f.underline = b[21] != 0;
  f.strikeOut = b[22] != 0;
  f.charset = static_cast<std::uint8_t>(b[23]);
  const std::string_view face = b.substr(28, 32);
  f.face = std::string(face.substr(0, std::min(face.find('\0'), std::size_t{31})));
  return f;
}

std::string WriteLogFont(const FontFields& f) {
  std::string b(kLogFontSize, '\0');
  PutWord(b, 0, f.height);
  PutWord(b, 8, f.escapement);
  PutWord(b, 12, f.escapement);
  PutWord(b, 16, f.weight);
  b[20] = f.italic ? 1 : 0;
  b[21] = f.underline ? 1 : 0;
  b[22] = f.strikeOut ? 1 : 0;
  b[23] = static_cast<char>(f.charset);
  const std::size_t n = std::min(f.face.size(), std::size_t{31});
  std::memcpy(b.data() + 28, f.face.data(), n);
  return b;
}

std::string DefaultGuiFont() {
  FontFields f;
  f.face = "宋体"_gbk;
  return WriteLogFont(f);
}

int ScreenDpi() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      const int dpi = static_cast<int>(screen->logicalDotsPerInchY() + 0.5);
      if (dpi > 0) return dpi;
    }
  }
  return 96;
}

std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
  if (c == 0) return -1;
  const std::int64_t p = static_cast<std::int64_t>(a) * b;
  const std::int64_t half = std::llabs(c) / 2;
  const std::int64_t q = ((p < 0) != (c < 0)) ? (p - (p < 0 ? half : -half)) / c : (p + (p < 0 ? -half : half)) / c;
  return static_cast<std::int32_t>(q);
}

std::int32_t HeightFromPoints(std::int32_t points, int dpi) { return -MulDiv(points, dpi, 72); }
std::int32_t PointsFromHeight(std::int32_t height, int dpi) { return MulDiv(std::abs(height), 72, dpi); }

namespace {

// Face names as the system compares them: ASCII letters without regard to case, every
// other byte (GBK included) as it is.
bool SameFace(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

}  // namespace

QString SubstituteFace(std::string_view face) {
  struct Row {
    std::string_view windowsName;
    const char* family;
  };
  // Each Chinese face under its Chinese and its English name.
  static const Row kRows[] = {
      {"宋体"_gbk, "Noto Serif CJK SC"},   {"SimSun", "Noto Serif CJK SC"},
      {"新宋体"_gbk, "Noto Serif CJK SC"}, {"NSimSun", "Noto Serif CJK SC"},
      {"黑体"_gbk, "Noto Sans CJK SC"},    {"SimHei", "Noto Sans CJK SC"},
      {"微软雅黑"_gbk, "Noto Sans CJK SC"}, {"Microsoft YaHei", "Noto Sans CJK SC"},
      {"楷体"_gbk, "AR PL UKai CN"},       {"KaiTi", "AR PL UKai CN"},
      {"隶书"_gbk, "AR PL UKai CN"},       {"LiSu", "AR PL UKai CN"},
      {"仿宋"_gbk, "AR PL UKai CN"},       {"FangSong", "AR PL UKai CN"},
  };
  for (const Row& r : kRows) {
    if (SameFace(r.windowsName, face)) return QString::fromLatin1(r.family);
  }
  return QString::fromStdString(gbk::ToUtf8(face));
}

QFont ToQFont(std::string_view logFont) {
  const FontFields f = ReadLogFont(logFont.empty() ? std::string_view(DefaultGuiFont()) : logFont);
  QFont font(SubstituteFace(f.face.empty() ? std::string_view("宋体"_gbk) : std::string_view(f.face)));
  // A negative height is the character height, a positive one the cell height; both
  // are pixel sizes here, the cell height a little larger than the glyphs.
  int pixels = f.height < 0 ? -f.height : (f.height > 0 ? f.height * 7 / 8 : 12);
  font.setPixelSize(std::max(1, pixels));
  font.setWeight(f.weight >= 700 ? QFont::Bold : (f.weight > 0 && f.weight < 400 ? QFont::Light : QFont::Normal));
  font.setItalic(f.italic);
  font.setUnderline(f.underline);
  font.setStrikeOut(f.strikeOut);
  return font;
}

}  // namespace zorvel::forms
