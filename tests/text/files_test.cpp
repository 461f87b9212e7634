// The file layer: names in the Windows form, GBK, become the names the system sees.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_folder.h"
#include "text/files.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"

namespace zorvel {
namespace {
using namespace literals;
using namespace std::string_literals;

TEST(NativePath, BackslashesAndGbk) {
  struct Row {
    std::string gbkName;
    const char* native;
  } rows[] = {
      {"/opt/z\\wav\\dong.wav", "/opt/z/wav/dong.wav"},
      {"/opt/z/config.a", "/opt/z/config.a"},
      {"/opt/z"s + "\\奖品图片\\"_gbk + "1.jpg", "/opt/z/奖品图片/1.jpg"},
      // 琝 is 0xAC 0x5C: a trail byte 0x5C is not a separator.
      {"/opt/z\\"s + "琝"_gbk, "/opt/z/琝"},
  };
  ASSERT_EQ(std::string("琝"_gbk), "\xAC\x5C");
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(NativePath(rows[i].gbkName), rows[i].native);
  }
}

// A folder whose name is no GBK and not even UTF-8 (a byte 0xFF, a backslash): files
// named the program's way reach the system under the folder's exact bytes.
TEST(NativePath, FilesInAFolderOutsideGbk) {
  test::TempFolder temp{"zorvel-\xFF ñ 🎉 a\\b"};
  const std::string folder = gbk::FromNativePath(temp.path());
  ASSERT_EQ(folder.find('?'), std::string::npos);
  const std::string config = folder + "\\config.a";
  ASSERT_TRUE(ReplaceFileAtomically(NativePath(config), "[zbt]\r\n"));
  EXPECT_EQ(test::ReadBytes(temp / "config.a"), "[zbt]\r\n");
  std::string read;
  ASSERT_TRUE(ReadWholeFile(NativePath(config), read));
  EXPECT_EQ(read, "[zbt]\r\n");
  EXPECT_TRUE(CopyFileAtomically(NativePath(config), NativePath(folder + "\\副本.a"_gbk)));
  EXPECT_EQ(test::ReadBytes(temp / "副本.a"), "[zbt]\r\n");
}

}  // namespace
}  // namespace zorvel
