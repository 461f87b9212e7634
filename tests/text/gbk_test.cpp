// The GBK codec at the edges and the compile-time literal converter.
#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "text/files.h"
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
      bool allGbk = false;
      const std::string back = gbk::FromUtf8(gbk::ToUtf8(bytes), &allGbk);
      // A few code points have two GBK codes; the lower one comes back.
      if (back != bytes) {
        EXPECT_EQ(gbk::ToUnicode(gbk::FromUnicode(cp)), cp) << std::hex << lead << trail;
      }
      EXPECT_TRUE(allGbk);
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
  bool allGbk = true;
  EXPECT_EQ(gbk::FromUtf8("奖品图片", &allGbk), "奖品图片"_gbk);
  EXPECT_TRUE(allGbk);
  EXPECT_EQ(gbk::FromUtf8("a😀b", &allGbk), "a\xF8\xA8\xFA\xD1\xFA\xE5" "b");
  EXPECT_FALSE(allGbk);
}

// Names GBK cannot hold take escapes and come back byte for byte. The escape bytes are
// written out: files hold them, so they must not change between versions.
TEST(GbkCodec, EscapesRoundTrip) {
  struct Row {
    std::string native;  // UTF-8, or any bytes
    std::string gbk;     // what the runtime holds
    std::string shown;   // ToUtf8 read as UTF-8 for the screen (QString's decoding)
  } rows[] = {
      {"ñ", "\xF8\xA1\xF9\xC4\xFB\xF8", "ñ"},  // U+00F1: parts 0, 1, 0x71
      {"ß", "\xF8\xA1\xF9\xC4\xFB\xE6", "ß"},
      {"한국", "\xF8\xA4\xF9\xED\xFB\xE3\xF8\xA3\xFA\xBF\xFB\xF4", "한국"},
      {"🎉", "\xF8\xA8\xFA\xCC\xFA\xEE", "🎉"},
      {"\xFF", "\xFD\xCA", "\xEF\xBF\xBD"},  // a lone byte that is not UTF-8
      {"a\x80\xC0/", "a\xFC\xA9\xFC\xE9/", "a\xEF\xBF\xBD\xEF\xBF\xBD/"},
      {"\xE4\xB8", "\xFD\xAF\xFC\xE1", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // a cut UTF-8 sequence
      {"\xED\xA0\x80", "\xFD\xB8\xFC\xC9\xFC\xA9", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
      {"奖品🎉图片", std::string("奖品"_gbk) + "\xF8\xA8\xFA\xCC\xFA\xEE" + "图片"_gbk, "奖品🎉图片"},
      {"/tmp/抽奖 € ü", std::string("/tmp/抽奖 "_gbk) + "\x80 \xA8\xB9", "/tmp/抽奖 € ü"},  // plain GBK unchanged
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE("row " + std::to_string(i) + ": " + r.shown);
    EXPECT_EQ(gbk::FromUtf8(r.native), r.gbk);
    EXPECT_EQ(gbk::FromNativePath(r.native), r.gbk);
    EXPECT_EQ(gbk::ToUtf8(r.gbk), r.native);
    EXPECT_EQ(NativePath(r.gbk), r.native);
    EXPECT_EQ(QString::fromStdString(gbk::ToUtf8(r.gbk)).toStdString(), r.shown);
  }
}

// Paths: the runtime's backslashes become slashes, a backslash of the native name (a
// Linux folder "a\b") does not, and trail bytes 0x5C stay what they are.
TEST(GbkCodec, PathsKeepTheirBackslashes) {
  const std::string folder = gbk::FromNativePath("/tmp/a\\b 한");
  EXPECT_EQ(folder.find('\\'), std::string::npos);
  EXPECT_EQ(NativePath(folder + "\\奖品图片\\1.jpg"_gbk), "/tmp/a\\b 한/奖品图片/1.jpg");
  EXPECT_EQ(gbk::FromUtf8("a\\b"), "a\\b") << "typed text keeps its backslash";
  EXPECT_EQ(NativePath("\xAC\x5C\\x"), "琝/x");
}

// A text command that cuts a name between the characters of an escape leaves pieces
// that read as U+FFFD; an escape is never split inside a character, since its bytes are
// all 0xA1 or above.
TEST(GbkCodec, CutEscapes) {
  const std::string grin = gbk::FromUtf8("😀");
  ASSERT_EQ(grin.size(), gbk::kCodePointEscapeSize);
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ(gbk::ToUtf8(grin.substr(0, 4) + "x"), r + r + "x");
  EXPECT_EQ(gbk::ToUtf8("x" + grin.substr(2)), "x" + r + r);
  EXPECT_EQ(gbk::ToUtf8(grin.substr(2, 2) + grin), r + "😀");
  EXPECT_EQ(gbk::ToUtf8(grin.substr(0, 5)), r + r + r);
  for (char c : grin) EXPECT_GE(static_cast<unsigned char>(c), 0xA1);
  // Three parts that make no code point (above U+10FFFF, or a surrogate) are not one.
  EXPECT_EQ(gbk::ToUtf8("\xF8\xE6\xF9\xC3\xFA\xE5"), r + r + r);
  EXPECT_EQ(gbk::ToUtf8("\xF8\xA4\xF9\xF3\xFA\xE5"), r + r + r);
  EXPECT_EQ(gbk::EncodedSize('a'), 1u);
  EXPECT_EQ(gbk::EncodedSize(U'奖'), 2u);
  EXPECT_EQ(gbk::EncodedSize(U'🎉'), 6u);
}

// No character of the code page table lies on an escape code, so that no GBK text
// that meant a character reads differently.
TEST(GbkCodec, EscapeCodesHoldNoCharacter) {
  int escapes = 0;
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail)
      if (gbk::IsEscape(static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail))) {
        ++escapes;
        EXPECT_EQ(gbk::ToUnicode(lead << 8 | trail), 0u) << std::hex << lead << trail;
      }
  EXPECT_EQ(escapes, 512);
}

}  // namespace
}  // namespace zorvel
