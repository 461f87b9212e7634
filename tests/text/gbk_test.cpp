// The GBK codec at the edges and the compile-time literal converter.
#include <gtest/gtest.h>

#include <string>

#include "text/gbk.h"
#include "text/gbk_literal.h"

namespace zorvel {
namespace {
using namespace literals;

TEST(GbkLiteral, BytesOfKnownCharacters) {
  EXPECT_EQ(std::string("中文"_gbk), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(std::string("真"_gbk), "\xD5\xE6");
  EXPECT_EQ(std::string("假"_gbk), "\xBC\xD9");
  EXPECT_EQ(std::string("a\\b"_gbk), "a\\b");
  EXPECT_EQ(std::string("“”"_gbk), "\xA1\xB0\xA1\xB1");
  EXPECT_EQ(std::string(""_gbk), "");
}

TEST(GbkCodec, RoundTripsEveryCharacter) {
  int characters = 0;
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      const std::uint32_t cp = gbk::ToUnicode(lead << 8 | trail);
      if (!cp) continue;
      ++characters;
      const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      bool lossless = false;
      const std::string back = gbk::FromUtf8(gbk::ToUtf8(bytes), &lossless);
      // A few code points have two GBK codes; the lower one comes back.
      if (back != bytes) {
        EXPECT_EQ(gbk::ToUnicode(gbk::FromUnicode(cp)), cp) << std::hex << lead << trail;
      }
      EXPECT_TRUE(lossless);
    }
  }
  EXPECT_GT(characters, 21000);
}

TEST(GbkCodec, EdgeCases) {
  struct Row {
    std::string gbkBytes;
    std::string utf8;
  } rows[] = {
      {"plain ASCII\r\n", "plain ASCII\r\n"},
      {"\x80", "€"},
      {"\xAC\x5C", "琝"},           // trail byte 0x5C
      {"\xD6", "\xEF\xBF\xBD"},     // a lead byte at the end
      {"\xD6\x30", "\xEF\xBF\xBD" "0"},  // a lead byte before an invalid trail keeps the trail
      {"\xFF", "\xEF\xBF\xBD"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(gbk::ToUtf8(rows[i].gbkBytes), rows[i].utf8);
  }
  bool lossless = true;
  EXPECT_EQ(gbk::FromUtf8("a😀b", &lossless), "a?b");
  EXPECT_FALSE(lossless);
  EXPECT_EQ(gbk::FromUtf8("\xC3\x28x", &lossless), "?(x") << "a malformed sequence";
  EXPECT_FALSE(lossless);
  EXPECT_EQ(gbk::FromUtf8("\xE4\xB8", &lossless), "??") << "a truncated sequence";
  EXPECT_EQ(gbk::FromUtf8("\xED\xA0\x80", &lossless), "???") << "a surrogate is not a character";
  EXPECT_EQ(gbk::FromUtf8("\xC0\x80", &lossless), "??") << "an overlong form is not a character";
  EXPECT_EQ(gbk::FromUtf8("奖品图片", &lossless), "奖品图片"_gbk);
  EXPECT_TRUE(lossless);
}

}  // namespace
}  // namespace zorvel
