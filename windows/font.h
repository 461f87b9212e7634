// Logical fonts: the 60-byte records the form data and the font properties hold, and
// their conversion to Qt fonts for whatever is shown.
//
// Layout (little-endian): height int32 @0, width @4, escapement @8 (tenths of a degree),
// orientation @12, weight @16 (400 normal, 700 bold), italic @20, underline @21,
// strike-out @22, character set @23 (134 GB2312), precisions and quality @24-26, pitch
// and family @27, face name @28-59 (GBK, zero-terminated, at most 31 bytes).
#pragma once

#include <QFont>
#include <cstdint>
#include <string>
#include <string_view>

namespace zorvel::forms {

inline constexpr std::size_t kLogFontSize = 60;

struct FontFields {
  std::int32_t height = -12;
  std::int32_t escapement = 0;
  std::int32_t weight = 400;
  bool italic = false, underline = false, strikeOut = false;
  std::uint8_t charset = 134;
  std::string face;  // GBK
};

// The fields of a logical font; bytes that are not 60 long give the default GUI font.
FontFields ReadLogFont(std::string_view bytes);
std::string WriteLogFont(const FontFields& fields);

// The system's default GUI font: 宋体 9 pt (height −12, character set 134).
std::string DefaultGuiFont();

// Screen pixels per inch (96 when no screen answers) and the conversions between point
// sizes and heights: height = −MulDiv(points, dpi, 72); points = MulDiv(|height|, 72, dpi).
int ScreenDpi();
std::int32_t HeightFromPoints(std::int32_t points, int dpi = ScreenDpi());
std::int32_t PointsFromHeight(std::int32_t height, int dpi = ScreenDpi());
// MulDiv: a × b / c rounded half away from zero; c = 0 gives -1.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c);

// The installed family that stands for a face name the program knows, under its Chinese
// or English name, English letters in any case (宋体 / 新宋体 → Noto Serif CJK SC, 黑体 /
// 微软雅黑 → Noto Sans CJK SC, 楷体 / 隶书 / 仿宋 → AR PL UKai CN); other names pass as
// they are (UTF-8).
QString SubstituteFace(std::string_view gbkFace);
// A Qt font for a logical font (empty bytes: the default GUI font). Sizes are in pixels,
// as the height says.
QFont ToQFont(std::string_view logFont);

}  // namespace zorvel::forms
