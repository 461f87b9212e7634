// The settings files: paths, keys, and the reading and writing idiom of the handlers
// run through the library commands on real files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "runtime/commands.h"
#include "runtime/program.h"
#include "store/store.h"
#include "tests/support/temp_folder.h"
#include "text/gbk.h"

namespace zorvel {
namespace {
using namespace literals;

TEST(StorePaths, BuiltFromTheProgramFolder) {
  const std::string folder = RunDirectory();
  EXPECT_EQ(store::ConfigPath(), folder + "/config.a");
  EXPECT_EQ(store::ResultsPath(), folder + "/jieguo.a");
  EXPECT_EQ(gbk::ToUtf8(store::PrizePicturePath(3)), gbk::ToUtf8(folder) + "\\奖品图片\\3.jpg");
  EXPECT_EQ(gbk::ToUtf8(store::BackgroundPicturePath()), gbk::ToUtf8(folder) + "\\底图.jpg");
  EXPECT_EQ(store::SmashSoundPath(), folder + "\\wav\\dong.wav");
}

TEST(StoreKeys, NumberedKeys) {
  EXPECT_EQ(gbk::ToUtf8(store::EggLeftKey(1)), "d1左边");
  EXPECT_EQ(gbk::ToUtf8(store::EggTopKey(9)), "d9顶边");
  EXPECT_EQ(gbk::ToUtf8(store::PrizeQuantityKey(1)), "一");
  EXPECT_EQ(gbk::ToUtf8(store::PrizeQuantityKey(8)), "八");
  EXPECT_STREQ(store::WinCountKey(8), "j8");
  for (int outside : {0, -1, 10}) {
    EXPECT_EQ(store::EggLeftKey(outside), nullptr) << outside;
    EXPECT_EQ(store::EggTopKey(outside), nullptr) << outside;
  }
  EXPECT_EQ(store::PrizeQuantityKey(9), nullptr);
  EXPECT_EQ(store::WinCountKey(0), nullptr);

  // No two keys of one section may collide, even ignoring ASCII case as the files do.
  std::set<std::string> zbt;
  for (const char* k : {store::kWindowMode, store::kMainTitle, store::kSubTitle, store::kMainTitleLeft,
                        store::kMainTitleTop, store::kSubTitleLeft, store::kSubTitleTop, store::kEggCount,
                        store::kDrawByProbability, store::kEffectsDisabled, store::kPassword})
    EXPECT_TRUE(zbt.insert(Call(cmd::ToLower, k).str()).second) << gbk::ToUtf8(k);
  for (int n = 1; n <= store::kEggs; ++n) {
    EXPECT_TRUE(zbt.insert(store::EggLeftKey(n)).second);
    EXPECT_TRUE(zbt.insert(store::EggTopKey(n)).second);
  }
  for (int n = 1; n <= store::kPrizeLevels; ++n) EXPECT_TRUE(zbt.insert(store::PrizeQuantityKey(n)).second);
}

class SettingsFiles : public testing::Test {
 protected:
  std::string Bytes(const std::string& path) { return test::ReadBytes(path); }
  std::string Read(const std::string& file, const char* section, const char* key) {
    return Call(cmd::ReadIniItem, file, section, key).str();
  }
  test::TempFolder temp_{"zorvel-store"};
  const std::string folder_ = temp_.path();
  const std::string config_ = folder_ + "/config.a";
  const std::string results_ = folder_ + "/jieguo.a";
};

TEST_F(SettingsFiles, FreshFolderReadsDefaultsAndFirstWriteCreatesTheFile) {
  EXPECT_EQ(Read(config_, store::kMainSection, store::kWindowMode), "");
  EXPECT_EQ(Read(config_, store::kMainSection, store::PrizeQuantityKey(1)), "");
  EXPECT_EQ(Read(results_, store::kResultsSection, store::WinCountKey(1)), "");
  EXPECT_NE(access(config_.c_str(), F_OK), 0) << "reading never creates the file";

  EXPECT_TRUE(Call(cmd::WriteIniItem, config_, store::kMainSection, store::kWindowMode, store::kFullScreen).logical());
  EXPECT_EQ(Bytes(config_), "[zbt]\r\n界面大小=全屏\r\n"_gbk);
  EXPECT_EQ(Read(config_, store::kMainSection, store::kWindowMode), store::kFullScreen);
}

TEST_F(SettingsFiles, WinCountIsReadAsANumberAndWrittenBackAsText) {
  // The draw reads the level's count, adds one and writes it back with to-text.
  std::ofstream(results_) << "[zjjg]\r\nj2=3.7\r\n";
  const Value before = Call(cmd::ReadIniItem, results_, store::kResultsSection, store::WinCountKey(2));
  const double count = Call(cmd::ToNumber, before).number();
  EXPECT_EQ(count, 3.7);
  const Value text = Call(cmd::ToText, count + 1);
  EXPECT_TRUE(Call(cmd::WriteIniItem, results_, store::kResultsSection, store::WinCountKey(2), text).logical());
  EXPECT_EQ(Bytes(results_), "[zjjg]\r\nj2=4.7\r\n");

  // A whole count has no decimal point.
  const Value whole = Call(cmd::ToText, 5.0);
  EXPECT_EQ(whole.str(), "5");
}

TEST_F(SettingsFiles, LongValuesAreCutAt10239Bytes) {
  const std::string exact(10239, 'x'), longer(20000, 'y');
  EXPECT_TRUE(Call(cmd::WriteIniItem, config_, store::kMainSection, store::kMainTitle, exact).logical());
  EXPECT_EQ(Read(config_, store::kMainSection, store::kMainTitle), exact);
  EXPECT_TRUE(Call(cmd::WriteIniItem, config_, store::kMainSection, store::kMainTitle, longer).logical());
  EXPECT_EQ(Read(config_, store::kMainSection, store::kMainTitle), longer.substr(0, 10239));
}

TEST_F(SettingsFiles, ReadIniItemArgumentRules) {
  std::ofstream(config_) << "[zbt]\r\nlx=" << store::kTrue << "\r\n";
  EXPECT_EQ(Call(cmd::ReadIniItem, config_, store::kMainSection, "", "dflt").text(), nullptr)
      << "an empty key gives the empty text even with a default";
  EXPECT_EQ(Call(cmd::ReadIniItem, config_, " \t", "lx", "dflt").text(), nullptr) << "a section of blanks is empty";
  EXPECT_EQ(Call(cmd::ReadIniItem, "  " + config_, "  zbt", "\tlx").str(), store::kTrue)
      << "leading blanks and control characters are skipped in file, section and key";
  EXPECT_EQ(Call(cmd::ReadIniItem, config_, "zbt", "missing", "dflt  ").str(), "dflt") << "a default loses trailing blanks";
  EXPECT_EQ(Call(cmd::ReadIniItem, config_, "zbt", "missing").text(), nullptr);
  EXPECT_EQ(Call(cmd::ReadIniItem, folder_ + "/none.a", "zbt", "lx", "d").str(), "d");
}

TEST_F(SettingsFiles, WriteIniItemRemovesKeysAndSections) {
  EXPECT_TRUE(Call(cmd::WriteIniItem, config_, "zbt", "a", "1").logical());
  EXPECT_TRUE(Call(cmd::WriteIniItem, config_, "zbt", "b", "2").logical());
  EXPECT_TRUE(Call(cmd::WriteIniItem, config_, "yanse", "c", "3").logical());
  EXPECT_TRUE(Call(cmd::WriteIniItem, config_, "zbt", "a", kAbsent).logical());
  EXPECT_EQ(Bytes(config_), "[zbt]\r\nb=2\r\n[yanse]\r\nc=3\r\n");
  EXPECT_TRUE(Call(cmd::WriteIniItem, config_, "zbt", "a", kAbsent).logical()) << "removing an absent key succeeds";
  EXPECT_TRUE(Call(cmd::WriteIniItem, config_, "ZBT", kAbsent, kAbsent).logical());
  EXPECT_EQ(Bytes(config_), "[yanse]\r\nc=3\r\n");
  EXPECT_FALSE(Call(cmd::WriteIniItem, "", "zbt", "a", "1").logical());
  EXPECT_FALSE(Call(cmd::WriteIniItem, folder_ + "/missing/config.a", "zbt", "a", "1").logical());
}

}  // namespace
}  // namespace zorvel
