// Reading private-profile files: a hand-made config.a in GBK, line endings, GBK trail
// bytes, the 10240-byte buffer and garbled input.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>

#include "platform/profile/profile.h"
#include "tests/support/temp_folder.h"
#include "text/gbk_literal.h"

namespace zorvel::profile {
namespace {
using namespace literals;

// A config.a as an operator might have edited it by hand: CR LF, a comment and a key
// before the first section, blanks and tabs around `=`, quotes, a header with blanks
// inside the brackets, sections in other cases, duplicates, and GBK names whose trail
// bytes are `]` (乚 = 81 5D), `\` (乗 = 81 5C), `A` (丄 = 81 41) and `a` (乤 = 81 61).
const std::string kConfig =
    "; 抽奖程序设置\r\n"
    "orphan=不属于任何节\r\n"
    "[ zbt ]\r\n"
    "主标题 = 购物有奖活动\r\n"
    "  副标题\t=\t---现场抽奖仪式---  \r\n"
    "界面大小=窗口\r\n"
    "quoted=\"  带引号  \"\r\n"
    "single='x'\r\n"
    "mixed=\"x'\r\n"
    "lone=\"\r\n"
    "empty=\r\n"
    "noequals line\r\n"
    "=no key\r\n"
    "LX=真\r\n"
    "lx=假\r\n"
    "a=b=c\r\n"
    "[YANSE]\r\n"
    "主标题字体颜色=255\r\n"
    "[zbt]\r\n"
    "late=只在第二个zbt节\r\n"
    "[乚]\r\n"
    "丄=upper\r\n"
    "[乗]\r\n"
    "k=backslash\r\n"
    "\r\n"_gbk;

struct ReadRow {
  std::string section, key, defaultValue, expected;
};

std::vector<ReadRow> ConfigRows() {
  return {
      {"zbt", "主标题"_gbk, "", "购物有奖活动"_gbk},               // `[ zbt ]` names zbt; blanks around `=` dropped
      {"ZBT", "副标题"_gbk, "", "---现场抽奖仪式---"_gbk},         // case of the section, tabs, trailing blanks
      {"  zbt\t", " 界面大小 "_gbk, "", "窗口"_gbk},               // the caller's names are trimmed too
      {"zbt", "QUOTED", "", "  带引号  "_gbk},                     // quotes go, blanks inside stay
      {"zbt", "single", "", "x"},                                  // single quotes too
      {"zbt", "mixed", "", "\"x'"},                                // different quotes stay
      {"zbt", "lone", "", "\""},                                   // one character is not a pair
      {"zbt", "empty", "dflt", ""},                                // present but empty: not the default
      {"zbt", "noequals line", "dflt", "dflt"},                    // a line without `=` is no key
      {"zbt", "lx", "", "真"_gbk},                                 // the first of two keys wins
      {"zbt", "a", "", "b=c"},                                     // the first `=` splits
      {"zbt", "late", "dflt", "dflt"},                             // a second zbt section is never read
      {"zbt", "orphan", "dflt", "dflt"},                           // lines before the first header: no section
      {"yanse", "主标题字体颜色"_gbk, "", "255"},                  // section stored in capitals
      {"乚"_gbk, "丄"_gbk, "", "upper"},                           // `]` as a trail byte does not close the header
      {"乚"_gbk, "乤"_gbk, "dflt", "dflt"},                        // trail bytes A and a are not folded
      {"乗"_gbk, "K", "", "backslash"},                            // `\` as a trail byte
      {"\x81", "丄"_gbk, "dflt", "dflt"},                          // a half character is not the section 乚
      {"nosuch", "k", "dflt", "dflt"},                             // missing section
      {"zbt", "nosuch", "dflt  \t", "dflt"},                       // the default loses its trailing blanks
      {"zbt", "nosuch", "  默认 "_gbk, "  默认"_gbk},              // ... and keeps its leading ones
      {"", "主标题"_gbk, "dflt", "dflt"},                          // empty section name
      {"zbt", "", "dflt", "dflt"},                                 // empty key name
      {"zbt", " \t ", "dflt", "dflt"},                             // a key of blanks is empty too
  };
}

void ExpectRows(const std::string& contents, const std::vector<ReadRow>& rows, const std::string& label) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ReadRow& r = rows[i];
    EXPECT_EQ(ReadFromContents(contents, r.section, r.key, r.defaultValue), r.expected)
        << label << " row " << i << ": [" << r.section << "] " << r.key;
  }
}

std::string WithBreaks(const std::string& crlf, const std::string& lineBreak) {
  std::string out;
  for (std::size_t i = 0; i < crlf.size(); ++i) {
    if (crlf.compare(i, 2, "\r\n") == 0) {
      out += lineBreak;
      ++i;
    } else {
      out += crlf[i];
    }
  }
  return out;
}

TEST(ProfileRead, HandMadeConfigWithEveryLineEnding) {
  ExpectRows(kConfig, ConfigRows(), "CR LF");
  ExpectRows(WithBreaks(kConfig, "\n"), ConfigRows(), "LF");
  ExpectRows(WithBreaks(kConfig, "\r"), ConfigRows(), "CR");
  // No line break after the last line, and ^Z, VT and FF at the ends of lines.
  std::string ragged = kConfig.substr(0, kConfig.size() - 4);
  ExpectRows(ragged, ConfigRows(), "no final break");
  ExpectRows("\x1a\f[zbt]\v\r\n\v主标题\f=\x1a购物有奖活动\x1a\r\n"_gbk, {ConfigRows()[0]}, "control blanks");
}

TEST(ProfileRead, FromFile) {
  test::TempFolder folder("zorvel-profile");
  const std::string path = folder / "config.a";
  EXPECT_EQ(ReadString(path, "zbt", "主标题"_gbk, "默认"_gbk), "默认"_gbk) << "missing file";
  ASSERT_TRUE(test::WriteBytes(path, kConfig));
  const auto rows = ConfigRows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(ReadString(path, rows[i].section, rows[i].key, rows[i].defaultValue), rows[i].expected) << "row " << i;
  }
  EXPECT_EQ(ReadString(folder.path(), "zbt", "k", "dflt"), "dflt") << "a folder reads as an empty file";
}

TEST(ProfileRead, HeaderAndCharacterScanning) {
  struct Row {
    std::string contents, section, key, expected;
  } rows[] = {
      // A lead byte that ends a line stands alone; the next line is not swallowed.
      {"[a]\r\nk=v\x81\r\nm=w\r\n", "a", "m", "w"},
      {"[a]\r\nk=v\x81\r\nm=w\r\n", "a", "k", "v\x81"},
      // `[乚` has no closing bracket (its `]` is a trail byte): the name runs to the end.
      {"[乚\r\nk=1\r\n"_gbk, "乚"_gbk, "k", "1"},
      // A header ends at its first `]`; what follows it is ignored.
      {"[a] ; note [b]\r\nk=1\r\n", "a", "k", "1"},
      {"  [ a b ]  \r\nk=1\r\n", "a b", "k", "1"},
      // A quote taken as the trail byte of a (broken) pair does not close a pair.
      {"[a]\r\nk=\"x\x81\"\r\n", "a", "k", "\"x\x81\""},
      // Blanks inside a key are part of it.
      {"[a]\r\nmy key = 1\r\n", "a", "MY KEY", "1"},
      // An empty header is a section nobody can ask for; its keys are in no section.
      {"[]\r\nk=1\r\n[a]\r\nk=2\r\n", "a", "k", "2"},
      // `=` as the first character: an empty key, which no lookup matches.
      {"[a]\r\n=1\r\nk=2\r\n", "a", "k", "2"},
      // A key line that starts with `[` is a header.
      {"[a]\r\n[k=1\r\nk=2\r\n", "a", "k", "dflt"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(ReadFromContents(rows[i].contents, rows[i].section, rows[i].key, "dflt"), rows[i].expected)
        << "row " << i;
  }
}

TEST(ProfileRead, NulBytesAreOrdinaryBytes) {
  using namespace std::string_literals;
  const std::string contents = "[a\0b]\r\nk\0=v\0w\r\nz=1\0\r\n"s;
  EXPECT_EQ(ReadFromContents(contents, "a\0b"s, "k\0"s, "dflt"), "v\0w"s);
  EXPECT_EQ(ReadFromContents(contents, "a\0b"s, "z", "dflt"), "1\0"s);
  EXPECT_EQ(ReadFromContents(contents, "a", "k", "dflt"), "dflt");
}

TEST(ProfileRead, ByteOrderMarkBeforeTheFirstHeader) {
  const std::string contents = "\xEF\xBB\xBF[zbt]\r\nlx=1\r\n";
  EXPECT_EQ(ReadFromContents(contents, "zbt", "lx", "dflt"), "1");
  std::string edited = contents;
  EXPECT_TRUE(EditContents(edited, "zbt", "lx", "2"));
  EXPECT_EQ(edited, "\xEF\xBB\xBF[zbt]\r\nlx=2\r\n") << "the mark stays and the section is found";
}

TEST(ProfileRead, BufferSizeCutsLongValues) {
  struct Row {
    std::string value;
    std::size_t bufferSize;
    std::string expected;
  } rows[] = {
      {std::string(10239, 'v'), 10240, std::string(10239, 'v')},
      {std::string(10240, 'v'), 10240, std::string(10239, 'v')},
      {std::string(50000, 'v'), 10240, std::string(10239, 'v')},
      // The quotes go first, then the cut: 10239 bytes inside quotes fit.
      {"\"" + std::string(10239, 'q') + "\"", 10240, std::string(10239, 'q')},
      // The cut is byte-wise, even through a double-byte character.
      {std::string(10238, 'v') + "中"_gbk, 10240, std::string(10238, 'v') + "\xD6"},
      {"abc", 1, ""},
      {"abc", 0, ""},
      {"abc", 3, "ab"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const std::string contents = "[a]\r\nk=" + rows[i].value + "\r\n";
    EXPECT_EQ(ReadFromContents(contents, "a", "k", "", rows[i].bufferSize), rows[i].expected) << "row " << i;
  }
  EXPECT_EQ(ReadFromContents("", "a", "k", std::string(20000, 'd')), std::string(10239, 'd')) << "the default too";
}

TEST(ProfileRead, GarbledInput) {
  // Binary junk before a real section: the section is still found.
  std::mt19937 random(1234);
  std::string junk(1 << 20, '\0');
  for (char& c : junk) c = static_cast<char>(random());
  EXPECT_EQ(ReadFromContents(junk + "\r\n[zz]\r\nk=v\r\n", "zz", "k", "dflt"), "v");
  EXPECT_EQ(ReadFromContents(junk, "zz", "k", "dflt"), "dflt");

  // One line of 10 MB without a break at its end.
  const std::string huge = "[a]\r\nk=" + std::string(10 << 20, 'x');
  EXPECT_EQ(ReadFromContents(huge, "a", "k", ""), std::string(10239, 'x'));
  const std::string hugeHeader = "[" + std::string(10 << 20, '\xB0');
  EXPECT_EQ(ReadFromContents(hugeHeader, "a", "k", "dflt"), "dflt");

  // Nothing but lead bytes, nothing but breaks, nothing at all.
  EXPECT_EQ(ReadFromContents(std::string(4097, '\xFE'), "a", "k", "dflt"), "dflt");
  EXPECT_EQ(ReadFromContents(std::string(4097, '\r'), "a", "k", "dflt"), "dflt");
  EXPECT_EQ(ReadFromContents("", "a", "k", "dflt"), "dflt");
}

}  // namespace
}  // namespace zorvel::profile
