// Writers that die mid-write and writers that run at once: the file is always whole and
// no update is lost.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "platform/profile/profile.h"
#include "tests/support/temp_folder.h"
#include "text/gbk_literal.h"

namespace zorvel::profile {
namespace {
using namespace literals;

constexpr int kKeys = 8;

std::string KeyName(int i) { return "主标题" + std::to_string(i); }
// Old and new values differ in length, so a file cut short or spliced together from
// two versions cannot pass for a whole one.
std::string OldValue(int i) { return std::string(700 + 13 * i, static_cast<char>('a' + i)) + "旧"_gbk; }
std::string NewValue(int i) { return std::string(1500 + 29 * i, static_cast<char>('A' + i)) + "新"_gbk; }

// Checks that contents are exactly the file some sequence of whole writes makes, and
// counts the keys that hold their new value.
void ExpectWholeFile(const std::string& contents, int round, int& newValues) {
  std::string expected = "[zbt]\r\n";
  for (int i = 0; i < kKeys; ++i) {
    const std::string key = KeyName(i);
    const std::string value = ReadFromContents(contents, "zbt", key, "<missing>");
    const bool isNew = value == NewValue(i);
    EXPECT_TRUE(isNew || value == OldValue(i)) << "round " << round << " key " << i << " holds " << value.size()
                                               << " bytes: " << value.substr(0, 40);
    newValues += isNew;
    expected += key + "=" + (isNew ? NewValue(i) : OldValue(i)) + "\r\n";
  }
  EXPECT_EQ(contents.size(), expected.size()) << "round " << round;
  EXPECT_TRUE(contents == expected) << "round " << round << ": the file is not exactly a whole version";
}

TEST(ProfileCrash, WriterKilledAtRandomLeavesOldOrNewValues) {
  test::TempFolder folder("zorvel-profile");
  const std::string path = folder / "config.a";
  for (int i = 0; i < kKeys; ++i) ASSERT_TRUE(WriteString(path, "zbt", KeyName(i), OldValue(i)));

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pause(0, 15000);  // microseconds before the kill
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int rounds = 0, newValues = 0;
  for (; rounds < 300 && std::chrono::steady_clock::now() < deadline; ++rounds) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      alarm(20);  // a child that somehow outlives its kill ends anyway
      for (unsigned n = 1;; ++n) {
        for (int i = 0; i < kKeys; ++i) WriteString(path, "zbt", KeyName(i), (n & 1) ? NewValue(i) : OldValue(i));
      }
    }
    usleep(static_cast<useconds_t>(pause(random)));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "round " << rounds;
    ExpectWholeFile(test::ReadBytes(path), rounds, newValues);
    if (HasFailure()) break;
  }
  EXPECT_GE(rounds, 50);
  EXPECT_GT(newValues, 0) << "the children never got a write done";
  // The lock of a killed writer is gone: this write does not wait forever, and it
  // clears the temporary files that killed writers left behind.
  EXPECT_TRUE(WriteString(path, "zbt", KeyName(0), "done"));
  EXPECT_EQ(test::EntryCount(folder.path()), 1) << "only the settings file is left in the folder";
  std::cout << rounds << " writers killed; " << newValues << " new values seen\n";
}

TEST(ProfileCrash, ConcurrentWritersLoseNoUpdate) {
  test::TempFolder folder("zorvel-profile");
  const std::string path = folder / "jieguo.a";  // missing at first: both race to create it
  constexpr int kWriters = 3, kKeysEach = 12, kWrites = 60;
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      alarm(60);
      close(start[1]);
      char go;
      if (read(start[0], &go, 1) != 0) _exit(3);  // wait until every writer is ready
      bool ok = true;
      for (int n = 0; n < kWrites; ++n) {
        const std::string key = "w" + std::to_string(w) + "k" + std::to_string(n % kKeysEach);
        ok = WriteString(path, "zjjg", key, std::to_string(n)) && ok;
      }
      _exit(ok ? 0 : 1);
    }
    children.push_back(child);
  }
  close(start[0]);
  close(start[1]);  // every writer sees the end of the pipe at once
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
  }
  const std::string contents = test::ReadBytes(path);
  for (int w = 0; w < kWriters; ++w) {
    for (int k = 0; k < kKeysEach; ++k) {
      const std::string key = "w" + std::to_string(w) + "k" + std::to_string(k);
      const int last = kWrites - kKeysEach + k;  // the last n with n % kKeysEach == k
      EXPECT_EQ(ReadFromContents(contents, "zjjg", key, "<lost>"), std::to_string(last)) << key;
    }
  }
  EXPECT_EQ(contents.find("[zjjg]"), 0u);
  EXPECT_EQ(contents.find("[zjjg]", 1), std::string::npos) << "one section, created once";
  EXPECT_EQ(test::EntryCount(folder.path()), 1);
}

}  // namespace
}  // namespace zorvel::profile
