#include "store/store.h"

#include "runtime/commands.h"
#include "runtime/program.h"

namespace zorvel::store {

namespace {
std::string InFolder(const char* suffix) { return std::string(RunDirectory()) + suffix; }

template <std::size_t N>
const char* Pick(const char* const (&table)[N], int oneBased) {
  return oneBased >= 1 && oneBased <= static_cast<int>(N) ? table[oneBased - 1] : nullptr;
}
}  // namespace

std::string ConfigPath() { return InFolder("/config.a"); }
std::string ResultsPath() { return InFolder("/jieguo.a"); }
std::string BackgroundPicturePath() { return InFolder("\\底图.jpg"_gbk); }
std::string SmashSoundPath() { return InFolder("\\wav\\dong.wav"); }
std::string PrizePicturePath(int level) {
  return InFolder("\\奖品图片\\"_gbk) + std::to_string(level) + ".jpg";
}

std::string ReadConfig(const char* section, const char* key, const char* fallback) {
  return Call(cmd::ReadIniItem, ConfigPath(), section, key, fallback).str();
}

bool WriteConfig(const char* section, const char* key, std::string_view value) {
  return Call(cmd::WriteIniItem, ConfigPath(), section, key, std::string(value)).logical();
}

std::string ReadWinCount(int level) {
  const char* key = WinCountKey(level);
  return key != nullptr ? Call(cmd::ReadIniItem, ResultsPath(), kResultsSection, key).str() : std::string();
}

bool WriteWinCount(int level, std::string_view value) {
  const char* key = WinCountKey(level);
  return key != nullptr && Call(cmd::WriteIniItem, ResultsPath(), kResultsSection, key, std::string(value)).logical();
}

double Number(std::string_view text) { return Call(cmd::ToNumber, std::string(text)).number(); }

std::string NumberText(double value) { return Call(cmd::ToText, value).str(); }

const char* EggLeftKey(int egg) {
  static const char* const kKeys[] = {"d1左边"_gbk, "d2左边"_gbk, "d3左边"_gbk, "d4左边"_gbk, "d5左边"_gbk,
                                      "d6左边"_gbk, "d7左边"_gbk, "d8左边"_gbk, "d9左边"_gbk};
  return Pick(kKeys, egg);
}

const char* EggTopKey(int egg) {
  static const char* const kKeys[] = {"d1顶边"_gbk, "d2顶边"_gbk, "d3顶边"_gbk, "d4顶边"_gbk, "d5顶边"_gbk,
                                      "d6顶边"_gbk, "d7顶边"_gbk, "d8顶边"_gbk, "d9顶边"_gbk};
  return Pick(kKeys, egg);
}

const char* PrizeQuantityKey(int level) {
  static const char* const kKeys[] = {"一"_gbk, "二"_gbk, "三"_gbk, "四"_gbk,
                                      "五"_gbk, "六"_gbk, "七"_gbk, "八"_gbk};
  return Pick(kKeys, level);
}

const char* WinCountKey(int level) {
  static const char* const kKeys[] = {"j1", "j2", "j3", "j4", "j5", "j6", "j7", "j8"};
  return Pick(kKeys, level);
}

}  // namespace zorvel::store
