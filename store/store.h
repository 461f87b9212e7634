// Where the prize draw keeps its state: the two settings files in the program folder,
// their sections and keys, and the other files of the program folder. Handlers build
// the path, read the one key they need and convert it at the moment they need it;
// nothing here caches a value.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "text/gbk_literal.h"

namespace zorvel::store {

using namespace zorvel::literals;

// Paths, rebuilt for every access from the program folder. The settings files are
// joined with a forward slash, the picture and sound files with backslashes, as the
// program has always named them; the file layer makes both native.
std::string ConfigPath();                  // folder + "/config.a"
std::string ResultsPath();                 // folder + "/jieguo.a"
std::string BackgroundPicturePath();       // folder + "\底图.jpg"
std::string PrizePicturePath(int level);   // folder + "\奖品图片\" + level + ".jpg"
std::string SmashSoundPath();              // folder + "\wav\dong.wav"

// Reading and writing one key as every handler does: the path is built anew and the key
// goes through the runtime's INI commands, so a value is cut at 10239 bytes and loses
// the blanks around it, and a missing file, section or key reads as the fallback. A
// write creates the file and section when they are missing and reports whether it
// reached the file.
std::string ReadConfig(const char* section, const char* key, const char* fallback = "");
bool WriteConfig(const char* section, const char* key, std::string_view value);
// The ledger: the win count of prize level 1 … 8 exactly as the file holds it.
std::string ReadWinCount(int level);
bool WriteWinCount(int level, std::string_view value);

// A settings text as a number, by the runtime's conversion: empty or non-numeric text
// is 0, a leading number is taken ("12abc" is 12).
double Number(std::string_view text);
// A number as the settings files hold it: an integral value without decimals, others
// with up to 13 significant digits.
std::string NumberText(double value);

// Sections.
inline constexpr const char* kMainSection = "zbt";       // config.a: everything but title fonts
inline constexpr const char* kColourSection = "yanse";   // config.a: title fonts and colours
inline constexpr const char* kResultsSection = "zjjg";   // jieguo.a: win counts

// config.a, section zbt.
inline const char* const kWindowMode = "界面大小"_gbk;      // "全屏" or "窗口"; anything but 窗口 is full screen
inline const char* const kFullScreen = "全屏"_gbk;
inline const char* const kWindowed = "窗口"_gbk;
inline const char* const kMainTitle = "主标题"_gbk;
inline const char* const kSubTitle = "副标题"_gbk;
inline const char* const kMainTitleLeft = "主标题左边"_gbk;
inline const char* const kMainTitleTop = "主标题顶边"_gbk;
inline const char* const kSubTitleLeft = "副标题左边"_gbk;
inline const char* const kSubTitleTop = "副标题顶边"_gbk;
inline const char* const kEggCount = "金蛋个数"_gbk;          // 1 … 9
inline const char* const kDrawByProbability = "lx"_gbk;       // "真": by probability; else by quantity
inline const char* const kEffectsDisabled = "禁用特效"_gbk;   // "真": no celebration effect
inline const char* const kPassword = "password"_gbk;          // enciphered settings password

// What the input boxes offer for a title that was never set.
inline const char* const kDefaultMainTitle = "购物有奖活动"_gbk;
inline const char* const kDefaultSubTitle = "---现场抽奖仪式---"_gbk;

// Logical values as the settings files hold them.
inline const char* const kTrue = "真"_gbk;
inline const char* const kFalse = "假"_gbk;

// Egg n (1 … 9) left and top: "d1左边" … "d9左边", "d1顶边" … "d9顶边".
inline constexpr int kEggs = 9;
const char* EggLeftKey(int egg);
const char* EggTopKey(int egg);

// Prize level n (1 … 8): its quantity or weight under "一" … "八" in zbt, its win
// count under "j1" … "j8" in zjjg of jieguo.a.
inline constexpr int kPrizeLevels = 8;
const char* PrizeQuantityKey(int level);
const char* WinCountKey(int level);
// Quantities used when "一" is absent.
inline constexpr std::array<int, kPrizeLevels> kDefaultPrizeQuantities = {1, 2, 4, 8, 10, 15, 20, 50};

// config.a, section yanse: face name, size and colour of each title. The colour key
// guards the three: without it, none is applied.
inline const char* const kMainTitleFont = "主标题字体"_gbk;
inline const char* const kMainTitleFontSize = "主标题字体大小"_gbk;
inline const char* const kMainTitleColour = "主标题字体颜色"_gbk;
inline const char* const kSubTitleFont = "副标题字体"_gbk;
inline const char* const kSubTitleFontSize = "副标题字体大小"_gbk;
inline const char* const kSubTitleColour = "副标题字体颜色"_gbk;

}  // namespace zorvel::store
