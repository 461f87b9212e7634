// The face names the program and the operator use stand for installed CJK faces: every
// row of the substitution table, under its Chinese and English name, reaches a family
// that is installed and draws the Chinese of a title (no boxes).
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>

#include "text/gbk_literal.h"
#include "windows/font.h"

namespace zorvel::forms {
namespace {

using namespace zorvel::literals;

TEST(FontSubstitution, EveryChineseFaceReachesAnInstalledCjkFamily) {
  struct Row {
    std::string face;  // GBK, as stored
    const char* family;
  };
  const Row rows[] = {
      {"宋体"_gbk, "Noto Serif CJK SC"},     {"SimSun", "Noto Serif CJK SC"},
      {"simsun", "Noto Serif CJK SC"},       {"新宋体"_gbk, "Noto Serif CJK SC"},
      {"NSimSun", "Noto Serif CJK SC"},      {"黑体"_gbk, "Noto Sans CJK SC"},
      {"SimHei", "Noto Sans CJK SC"},        {"微软雅黑"_gbk, "Noto Sans CJK SC"},
      {"Microsoft YaHei", "Noto Sans CJK SC"}, {"MICROSOFT YAHEI", "Noto Sans CJK SC"},
      {"楷体"_gbk, "AR PL UKai CN"},          {"KaiTi", "AR PL UKai CN"},
      {"隶书"_gbk, "AR PL UKai CN"},          {"LiSu", "AR PL UKai CN"},
      {"仿宋"_gbk, "AR PL UKai CN"},          {"FangSong", "AR PL UKai CN"},
  };
  const QString title = QString::fromUtf8("砸金蛋抽奖一等奖");
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const QString family = SubstituteFace(rows[i].face);
    EXPECT_EQ(family.toStdString(), rows[i].family) << "row " << i;
    EXPECT_TRUE(QFontDatabase::hasFamily(family)) << "row " << i << ": " << family.toStdString() << " is not installed";
    // A stored logical font with this face: the Qt font is the installed family itself
    // and it has a glyph for every character of the title.
    FontFields fields;
    fields.height = -36;
    fields.face = rows[i].face;
    const QFont font = ToQFont(WriteLogFont(fields));
    EXPECT_EQ(QFontInfo(font).family().toStdString(), rows[i].family) << "row " << i;
    const QFontMetrics metrics(font);
    for (const QChar c : title) EXPECT_TRUE(metrics.inFont(c)) << "row " << i << ": no glyph for U+" << std::hex << static_cast<unsigned>(c.unicode());
  }
}

TEST(FontSubstitution, OtherNamesPassAsTheyAre) {
  EXPECT_EQ(SubstituteFace("DejaVu Sans").toStdString(), "DejaVu Sans");
  EXPECT_EQ(SubstituteFace("文泉驿"_gbk).toStdString(), "文泉驿");
  EXPECT_EQ(SubstituteFace("SimSunX").toStdString(), "SimSunX");
  EXPECT_EQ(SubstituteFace("").toStdString(), "");
  // The default GUI font is 宋体.
  EXPECT_EQ(ToQFont("").family().toStdString(), "Noto Serif CJK SC");
}

}  // namespace
}  // namespace zorvel::forms
