// Editing private-profile contents and writing files: exact bytes of every edit, where
// new keys and sections go, removal, untouched files and failed writes.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/profile/profile.h"
#include "tests/support/temp_folder.h"
#include "text/gbk_literal.h"

namespace zorvel::profile {

// How GoogleTest shows an outcome in a failure message.
void PrintTo(EditOutcome outcome, std::ostream* out) {
  switch (outcome) {
    case EditOutcome::kChanged: *out << "changed"; return;
    case EditOutcome::kUnchanged: *out << "unchanged"; return;
    case EditOutcome::kRefused: *out << "refused"; return;
  }
}

namespace {
using namespace literals;
using std::nullopt;

struct EditRow {
  std::string before;
  std::string section;
  std::optional<std::string> key, value;
  std::string after;
  EditOutcome outcome;
};

void ExpectEdits(const std::vector<EditRow>& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const EditRow& r = rows[i];
    std::string contents = r.before;
    std::optional<std::string_view> key, value;
    if (r.key) key = *r.key;
    if (r.value) value = *r.value;
    EXPECT_EQ(Edit(contents, r.section, key, value), r.outcome) << "row " << i;
    EXPECT_EQ(contents, r.after) << "row " << i;
    std::string again = r.before;
    EXPECT_EQ(EditContents(again, r.section, key, value), r.outcome == EditOutcome::kChanged) << "row " << i;
  }
}

constexpr auto kChanged = EditOutcome::kChanged;
constexpr auto kUnchanged = EditOutcome::kUnchanged;
constexpr auto kRefused = EditOutcome::kRefused;

TEST(ProfileEdit, SetsKeys) {
  ExpectEdits({
      // A new file: exactly header and key, CR LF, no blanks.
      {"", "zbt", "界面大小"_gbk, "全屏"_gbk, "[zbt]\r\n界面大小=全屏\r\n"_gbk, kChanged},
      {"", " zbt ", " k ", " v", "[zbt]\r\nk= v\r\n", kChanged},
      // An existing key: the key keeps its spelling in the file, the line its break.
      {"[a]\r\n  X = old  \r\ny=1\r\n", "A", "x", "new", "[a]\r\nX=new\r\ny=1\r\n", kChanged},
      {"[a]\r\nx=old\ny=1\r", "a", "x", "", "[a]\r\nx=\ny=1\r", kChanged},
      // The first key of the first section of the name is the one updated.
      {"[a]\r\nk=1\r\nK=2\r\n[A]\r\nk=3\r\n", "a", "k", "9", "[a]\r\nk=9\r\nK=2\r\n[A]\r\nk=3\r\n", kChanged},
      // The value it holds already, blanks around it or not: nothing to do.
      {"[a]\r\n k = v \r\n", "a", "K", "v", "[a]\r\n k = v \r\n", kUnchanged},
      {"[a]\r\nk= v\r\n", "a", "k", " v", "[a]\r\nk= v\r\n", kUnchanged},
      // Quotes are part of what the file holds: the same text without them is new.
      {"[a]\r\nk=\"v\"\r\n", "a", "k", "\"v\"", "[a]\r\nk=\"v\"\r\n", kUnchanged},
      {"[a]\r\nk=\"v\"\r\n", "a", "k", "v", "[a]\r\nk=v\r\n", kChanged},
      // GBK: 乤 (81 61) is not 丄 (81 41) in another case.
      {"[乚]\r\n丄=1\r\n"_gbk, "乚"_gbk, "乤"_gbk, "2", "[乚]\r\n丄=1\r\n乤=2\r\n"_gbk, kChanged},
      {"[乚]\r\n丄=1\r\n"_gbk, "乚"_gbk, "丄"_gbk, "2", "[乚]\r\n丄=2\r\n"_gbk, kChanged},
  });
}

TEST(ProfileEdit, PlacesNewKeysAndSections) {
  ExpectEdits({
      // After the last key line: blank lines and the comment about the next section
      // stay below the new key.
      {"[a]\r\nx=1\r\n\r\n; about b\r\n[b]\r\ny=2\r\n", "a", "z", "3",
       "[a]\r\nx=1\r\nz=3\r\n\r\n; about b\r\n[b]\r\ny=2\r\n", kChanged},
      // Lines without `=` between keys stay where they are.
      {"[a]\r\nx=1\r\nnote\r\ny=2\r\nnote\r\n", "a", "z", "3", "[a]\r\nx=1\r\nnote\r\ny=2\r\nz=3\r\nnote\r\n", kChanged},
      // A section without keys: right after its header.
      {"[a]\r\n; nothing yet\r\n[b]\r\n", "a", "z", "3", "[a]\r\nz=3\r\n; nothing yet\r\n[b]\r\n", kChanged},
      // The first section of the name, not a later one.
      {"[a]\r\nx=1\r\n[b]\r\n[a]\r\ny=2\r\n", "a", "z", "3", "[a]\r\nx=1\r\nz=3\r\n[b]\r\n[a]\r\ny=2\r\n", kChanged},
      // The anchor line is the last one and has no break: one is added before the key.
      {"[a]", "a", "k", "v", "[a]\r\nk=v\r\n", kChanged},
      {"[a]\r\nx=1", "a", "k", "v", "[a]\r\nx=1\r\nk=v\r\n", kChanged},
      // New sections go at the end, after a break of their own when the file lacks one.
      {"[a]\r\nx=1\r\n", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n", kChanged},
      {"[a]\r\nx=1", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n", kChanged},
      {"[a]\r\nx=1\r\n\r\n; end\r\n", "b", "k", "v", "[a]\r\nx=1\r\n\r\n; end\r\n[b]\r\nk=v\r\n", kChanged},
      // Keys before the first header are in no section.
      {"k=1\r\n", "a", "k", "2", "k=1\r\n[a]\r\nk=2\r\n", kChanged},
      // Added lines end like the file's first line break.
      {"[a]\nx=1\n", "a", "k", "v", "[a]\nx=1\nk=v\n", kChanged},
      {"[a]\nx=1", "b", "k", "v", "[a]\nx=1\n[b]\nk=v\n", kChanged},
      {"[a]\rx=1\r", "a", "k", "v", "[a]\rx=1\rk=v\r", kChanged},
      // The header `[乚]` is closed by its own `]`, not by the trail byte of 乚.
      {"[乚]\r\n[b]\r\n"_gbk, "乚"_gbk, "k", "v", "[乚]\r\nk=v\r\n[b]\r\n"_gbk, kChanged},
  });
}

TEST(ProfileEdit, RemovesKeysAndSections) {
  const std::string file = "; top\r\n[a]\r\nx=1\r\nk=2\r\n; c\r\n\r\n[b]\r\ny=2\r\n[A]\r\nk=3\r\n";
  ExpectEdits({
      {file, "a", "K", nullopt, "; top\r\n[a]\r\nx=1\r\n; c\r\n\r\n[b]\r\ny=2\r\n[A]\r\nk=3\r\n", kChanged},
      {file, "a", "nosuch", nullopt, file, kUnchanged},
      {file, "nosuch", "k", nullopt, file, kUnchanged},
      {"", "a", "k", nullopt, "", kUnchanged},
      // The header stays when its last key goes.
      {"[a]\r\nk=1\r\n[b]\r\n", "a", "k", nullopt, "[a]\r\n[b]\r\n", kChanged},
      {"[a]\r\nk=1", "a", "k", nullopt, "[a]\r\n", kChanged},
      // Only the first of two keys goes (first wins for removing as for updating).
      {"[a]\r\nk=1\r\nk=2\r\n", "a", "k", nullopt, "[a]\r\nk=2\r\n", kChanged},
      // A whole section: header and every line up to the next header; the first one only.
      {file, "A", nullopt, nullopt, "; top\r\n[b]\r\ny=2\r\n[A]\r\nk=3\r\n", kChanged},
      {file, "b", nullopt, "ignored", "; top\r\n[a]\r\nx=1\r\nk=2\r\n; c\r\n\r\n[A]\r\nk=3\r\n", kChanged},
      {"[a]\r\nx=1", "a", nullopt, nullopt, "", kChanged},
      {file, "nosuch", nullopt, nullopt, file, kUnchanged},
  });
}

TEST(ProfileEdit, RefusesWhatCannotBeWritten) {
  const std::string file = "[a]\r\nk=1\r\n";
  ExpectEdits({
      {file, "", "k", "v", file, kRefused},
      {file, " \t", "k", "v", file, kRefused},
      {file, "", nullopt, nullopt, file, kRefused},
      {file, "a", "", "v", file, kRefused},
      {file, "a", " ", nullopt, file, kRefused},
      {file, "a", "k", "two\r\n[lines]", file, kRefused},
      {file, "a", "k\n", "v", file, kRefused},
      {file, "a\rb", "k", "v", file, kRefused},
  });
  EXPECT_STREQ(EditProblem("", "k", "v"), "empty section name");
  EXPECT_STREQ(EditProblem("a", "k", "x\ny"), "line break in the value");
  EXPECT_EQ(EditProblem("a", nullopt, nullopt), nullptr);
}

TEST(ProfileEdit, KeepsUntouchedLinesByteForByte) {
  using namespace std::string_literals;
  // NUL bytes, a lone lead byte, ^Z and mixed breaks in lines the edit does not touch.
  const std::string file = "junk\0line\r\n[a]\rx=\x81\n; \x1a\r\nk=1\r\n[b]\n"s;
  std::string contents = file;
  ASSERT_TRUE(EditContents(contents, "a", "k", "2"));
  EXPECT_EQ(contents, "junk\0line\r\n[a]\rx=\x81\n; \x1a\r\nk=2\r\n[b]\n"s);
  ASSERT_TRUE(EditContents(contents, "a", "new", "3"));
  EXPECT_EQ(contents, "junk\0line\r\n[a]\rx=\x81\n; \x1a\r\nk=2\r\nnew=3\r\n[b]\n"s);
}

TEST(ProfileEdit, LargeAndGarbledFiles) {
  // A 10 MB line without a break and binary junk: edits land where they belong.
  std::string huge = "[a]\r\nk=" + std::string(10 << 20, 'x');
  ASSERT_TRUE(EditContents(huge, "a", "z", "1"));
  EXPECT_EQ(huge.size(), 7u + (10u << 20) + 7u);
  EXPECT_EQ(huge.substr(huge.size() - 7), "\r\nz=1\r\n");
  EXPECT_EQ(ReadFromContents(huge, "a", "z", ""), "1");

  std::string junk;
  for (int i = 0; i < 1 << 16; ++i) junk += static_cast<char>((i * 7919) >> 3);
  std::string edited = junk;
  ASSERT_TRUE(EditContents(edited, "zz", "k", "v"));
  EXPECT_EQ(edited.compare(0, junk.size(), junk), 0) << "the junk stays as it was";
  EXPECT_EQ(ReadFromContents(edited, "zz", "k", ""), "v");
}

// ---- Files ---------------------------------------------------------------------

struct FileId {
  ino_t inode;
  timespec modified;
};

FileId IdOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return {st.st_ino, st.st_mtim};
}

TEST(ProfileFile, WritesExactBytes) {
  test::TempFolder folder("zorvel-profile");
  const std::string path = folder / "config.a";
  ASSERT_TRUE(WriteString(path, "zbt", "界面大小"_gbk, "全屏"_gbk));
  EXPECT_EQ(test::ReadBytes(path), "[zbt]\r\n界面大小=全屏\r\n"_gbk);
  ASSERT_TRUE(WriteString(path, "yanse", "主标题字体颜色"_gbk, "-16777216"));
  ASSERT_TRUE(WriteString(path, "zbt", "主标题"_gbk, "购物有奖活动"_gbk));
  ASSERT_TRUE(WriteString(path, "ZBT", "界面大小"_gbk, "窗口"_gbk));
  EXPECT_EQ(test::ReadBytes(path),
            "[zbt]\r\n界面大小=窗口\r\n主标题=购物有奖活动\r\n[yanse]\r\n主标题字体颜色=-16777216\r\n"_gbk);
  EXPECT_EQ(ReadString(path, "zbt", "主标题"_gbk, ""), "购物有奖活动"_gbk);
  ASSERT_TRUE(WriteString(path, "zbt", "主标题"_gbk, nullopt));
  ASSERT_TRUE(WriteString(path, "yanse", nullopt, nullopt));
  EXPECT_EQ(test::ReadBytes(path), "[zbt]\r\n界面大小=窗口\r\n"_gbk);
  EXPECT_EQ(test::EntryCount(folder.path()), 1) << "nothing but the file is left in the folder";
}

TEST(ProfileFile, SameValueOrAbsentRemovalLeavesFileUntouched) {
  test::TempFolder folder("zorvel-profile");
  const std::string path = folder / "jieguo.a";
  ASSERT_TRUE(test::WriteBytes(path, "[zjjg]\r\nj1 = 3\r\n"));
  const FileId before = IdOf(path);
  struct Row {
    std::string section;
    std::optional<std::string> key, value;
  } rows[] = {
      {"zjjg", "j1", "3"}, {"ZJJG", "J1", "3"}, {"zjjg", "j2", nullopt}, {"nosuch", "j1", nullopt}, {"nosuch", nullopt, nullopt},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    std::optional<std::string_view> key, value;
    if (rows[i].key) key = *rows[i].key;
    if (rows[i].value) value = *rows[i].value;
    EXPECT_TRUE(WriteString(path, rows[i].section, key, value)) << "row " << i;
    const FileId after = IdOf(path);
    EXPECT_EQ(after.inode, before.inode) << "row " << i;
    EXPECT_EQ(after.modified.tv_sec, before.modified.tv_sec) << "row " << i;
    EXPECT_EQ(after.modified.tv_nsec, before.modified.tv_nsec) << "row " << i;
  }
  // A real change does replace the file, so the checks above would have seen one.
  ASSERT_TRUE(WriteString(path, "zjjg", "j1", "4"));
  EXPECT_NE(IdOf(path).inode, before.inode);
  EXPECT_EQ(test::ReadBytes(path), "[zjjg]\r\nj1=4\r\n");
  // Removing from a missing file creates nothing.
  EXPECT_TRUE(WriteString(folder / "missing.a", "zjjg", "j1", nullopt));
  EXPECT_EQ(access((folder / "missing.a").c_str(), F_OK), -1);
}

// Makes a folder refuse new entries, even for root (the immutable flag), or, where
// that flag cannot be set, through its permission bits; undone on destruction.
class LockedFolder {
 public:
  explicit LockedFolder(const std::string& folder) : folder_(folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags |= FS_IMMUTABLE_FL;
      immutable_ = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0) close(fd);
    if (!immutable_ && geteuid() != 0) readOnly_ = chmod(folder.c_str(), 0555) == 0;
  }
  ~LockedFolder() {
    if (immutable_) {
      const int fd = open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
      int flags = 0;
      if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags &= ~FS_IMMUTABLE_FL;
        ioctl(fd, FS_IOC_SETFLAGS, &flags);
      }
      if (fd >= 0) close(fd);
    }
    if (readOnly_) chmod(folder_.c_str(), 0755);
  }
  bool Locked() const { return immutable_ || readOnly_; }

 private:
  std::string folder_;
  bool immutable_ = false, readOnly_ = false;
};

TEST(ProfileFile, FailedWritesLeaveNoTrace) {
  test::TempFolder folder("zorvel-profile");
  const std::string path = folder / "config.a";
  const std::string old = "[zbt]\r\nk=old\r\n";
  ASSERT_TRUE(test::WriteBytes(path, old));
  ASSERT_TRUE(test::WriteBytes(folder / "plain", "x"));

  EXPECT_FALSE(WriteString(folder / "missing/config.a", "zbt", "k", "v")) << "missing folder";
  EXPECT_FALSE(WriteString(folder / "plain/config.a", "zbt", "k", "v")) << "folder is a file";
  EXPECT_FALSE(WriteString(folder.path(), "zbt", "k", "v")) << "the path is a folder";
  EXPECT_FALSE(WriteString("", "zbt", "k", "v")) << "empty path";
  EXPECT_FALSE(WriteString(path, "", "k", "v")) << "empty section";
  EXPECT_FALSE(WriteString(path, "zbt", "k", "a\r\nb")) << "line break in the value";
  EXPECT_EQ(test::ReadBytes(path), old);
  EXPECT_EQ(test::EntryCount(folder.path()), 2);

  {
    LockedFolder locked(folder.path());
    if (!locked.Locked()) GTEST_SKIP() << "cannot make a folder refuse writes here";
    EXPECT_FALSE(WriteString(path, "zbt", "k", "new")) << "folder refuses new files";
    EXPECT_FALSE(WriteString(folder / "other.a", "zbt", "k", "new"));
    EXPECT_TRUE(WriteString(path, "zbt", "k", "old")) << "nothing to write is no failure";
  }
  EXPECT_EQ(test::ReadBytes(path), old);
  EXPECT_EQ(test::EntryCount(folder.path()), 2);
}

}  // namespace
}  // namespace zorvel::profile
