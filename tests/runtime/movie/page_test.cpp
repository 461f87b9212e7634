// Reading the page that embeds a movie: the first <embed> tag's src, size and
// background, in the spellings a page may use, and the pages that are refused.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "runtime/movie/page.h"

namespace zorvel::movie {
namespace {

constexpr char kEffectPage[] =
    "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\"></head>\n"
    "<body style=\"margin:0;padding:0;border:0;overflow:hidden;background-color:#000000\" scroll=\"no\">\n"
    "<embed src=\"qarn-1234.swf\" width=\"1920\" height=\"1080\" bgcolor=\"#000000\" quality=\"high\" "
    "type=\"application/x-shockwave-flash\">\n"
    "</body></html>\n";

struct Row {
  std::string page;
  std::optional<std::string> source;  // none: refused
  int width = 0, height = 0;
  std::optional<Rgba> background;
  std::string reason;  // of a refusal
};

TEST(MoviePage, ReadsAndRefusesTable) {
  const Row rows[] = {
      {kEffectPage, "qarn-1234.swf", 1920, 1080, Rgba{0, 0, 0, 255}, ""},
      // Upper case, single quotes, unquoted values, blanks around "=".
      {"<EMBED SRC='a b.swf' WIDTH=640 height = '480' BGCOLOR=#1a2B3c>", "a b.swf", 640, 480, Rgba{0x1A, 0x2B, 0x3C, 255}, ""},
      // No size: the window's; a bad colour counts as none; the first src wins.
      {"<embed src=m.swf bgcolor=\"#12345\" src=\"other.swf\">", "m.swf", 0, 0, std::nullopt, ""},
      {"<embed src=m.swf bgcolor=red/>", "m.swf", 0, 0, std::nullopt, ""},
      // "<embedded" is another tag; the second, real one counts. A ">" inside quotes
      // does not end the tag.
      {"<embedded src=\"no.swf\"><embed type=\"a>b\" src=\"yes.swf\" width=\"1\" height=\"16384\">", "yes.swf", 1, 16384, std::nullopt, ""},
      // A GBK character whose trail byte is 0x5C is part of the name.
      {"<embed src=\"\xB1\x5C.swf\">", "\xB1\x5C.swf", 0, 0, std::nullopt, ""},
      // An unterminated quote runs to the end of the page.
      {"<embed width=5 src=\"cut.swf", "cut.swf", 5, 0, std::nullopt, ""},
      {"<html><body>no movie</body></html>", std::nullopt, 0, 0, std::nullopt, "page: no <embed> tag"},
      {"", std::nullopt, 0, 0, std::nullopt, "page: no <embed> tag"},
      {"<embed width=5>", std::nullopt, 0, 0, std::nullopt, "page: the <embed> tag has no src"},
      {"<embed src=\"\">", std::nullopt, 0, 0, std::nullopt, "page: the movie's src is not a bare file name"},
      {"<embed src=\"../m.swf\">", std::nullopt, 0, 0, std::nullopt, "page: the movie's src is not a bare file name"},
      {"<embed src=\"sub/m.swf\">", std::nullopt, 0, 0, std::nullopt, "page: the movie's src is not a bare file name"},
      // A lead byte before "/" is no GBK character: the "/" is a separator.
      {"<embed src=\"\xF0/m.swf\">", std::nullopt, 0, 0, std::nullopt, "page: the movie's src is not a bare file name"},
      {"<embed src=\"sub\\m.swf\">", std::nullopt, 0, 0, std::nullopt, "page: the movie's src is not a bare file name"},
      {"<embed src=m.swf width=0>", std::nullopt, 0, 0, std::nullopt, "page: the width is not a whole number from 1 to 16384"},
      {"<embed src=m.swf width=16385>", std::nullopt, 0, 0, std::nullopt, "page: the width is not a whole number from 1 to 16384"},
      {"<embed src=m.swf width=100%>", std::nullopt, 0, 0, std::nullopt, "page: the width is not a whole number from 1 to 16384"},
      {"<embed src=m.swf height=-3>", std::nullopt, 0, 0, std::nullopt, "page: the height is not a whole number from 1 to 16384"},
      {"<embed src=m.swf>" + std::string(kMaxPageBytes, ' '), std::nullopt, 0, 0, std::nullopt, "page: longer than 64 KiB"},
  };
  int n = 0;
  for (const Row& row : rows) {
    ++n;
    std::string reason;
    const auto page = ReadMoviePage(row.page, &reason);
    ASSERT_EQ(page.has_value(), row.source.has_value()) << "row " << n << ": " << reason;
    if (!page) {
      EXPECT_EQ(reason, row.reason) << "row " << n;
      continue;
    }
    EXPECT_EQ(page->source, *row.source) << "row " << n;
    EXPECT_EQ(page->width, row.width) << "row " << n;
    EXPECT_EQ(page->height, row.height) << "row " << n;
    EXPECT_EQ(page->background.has_value(), row.background.has_value()) << "row " << n;
    if (page->background && row.background) {
      EXPECT_EQ(page->background->r, row.background->r) << "row " << n;
      EXPECT_EQ(page->background->g, row.background->g) << "row " << n;
      EXPECT_EQ(page->background->b, row.background->b) << "row " << n;
    }
  }
}

// Pages of the largest size made of what a slow reader would rescan: they are read or
// refused like any other, without quadratic work (the test would take minutes).
TEST(MoviePage, WorstCasePagesReadInOnePass) {
  const std::string almost(kMaxPageBytes - 16, '<');
  EXPECT_FALSE(ReadMoviePage(almost));
  std::string attributes = "<embed";
  while (attributes.size() < kMaxPageBytes - 20) attributes += " a=1";
  attributes += " src=m.swf>";
  const auto page = ReadMoviePage(attributes);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->source, "m.swf");
  std::string embeds;
  while (embeds.size() < kMaxPageBytes - 8) embeds += "<embe";
  EXPECT_FALSE(ReadMoviePage(embeds));
}

}  // namespace
}  // namespace zorvel::movie
