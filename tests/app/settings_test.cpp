// The prize settings window on real windows and files: filling it, the modes stored at
// the click, the pictures chosen through the dialog (into a missing folder, refused,
// not copied), the chances shown as the operator types, and confirming.
#include <QBuffer>
#include <QCoreApplication>
#include <QTest>

#include "app/draw/prize_pool.h"
#include "app/main_window.h"
#include "app/settings_window.h"
#include "runtime/ui/message_box.h"
#include "tests/app/app_test.h"
#include "windows/units/check_box/check_box.h"
#include "windows/units/common_dialog/common_dialog.h"
#include "windows/units/edit_box/edit_box.h"
#include "windows/units/label/label.h"
#include "windows/units/pic_box/pic_box.h"

namespace zorvel::app::testing {
namespace {

namespace settings = ids::settings;
using settings_window::kChances;
using settings_window::kNumbers;
using settings_window::kPictures;
namespace edit = forms::edit_box_property;
namespace choice = forms::choice_property;

class SettingsTest : public AppTest {
 protected:
  // The settings window as the password window opens it, but without its modal loop.
  void OpenSettings() {
    ASSERT_TRUE(forms::LoadAndShowWindow(settings::kWindow.window, nullptr, false));
  }
  std::string Typed(UnitName unit) { return gbk::ToUtf8(TextProperty(unit, edit::kContent)); }
  void Type(UnitName unit, const std::string& utf8) { SetTextProperty(unit, edit::kContent, gbk::FromUtf8(utf8)); }
  std::string Shown(UnitName label) { return gbk::ToUtf8(TextProperty(label, forms::label_property::kTitle)); }
  bool Checked(UnitName unit) { return IntegerProperty(unit, choice::kChecked) != 0; }
  void ChooseFile(const std::string& utf8Path) {
    forms::CommonDialogAnswer answer;
    answer.kind = forms::CommonDialogAnswer::Kind::kFile;
    answer.path = utf8Path;
    forms::QueueCommonDialogAnswer(answer);
  }
  void DoubleClickPicture(int level) { forms::Fire(settings::kWindow.window, kPictures[level - 1].id, -3, {5, 5, 0}); }
};

TEST_F(SettingsTest, AnEmptyFolderShowsTheDesignValuesAndTheirChances) {
  StartProgram();
  OpenSettings();
  const char* design[] = {"1", "2", "4", "8", "10", "15", "20", "50"};
  for (int level = 1; level <= 8; ++level) EXPECT_EQ(Typed(kNumbers[level - 1]), design[level - 1]) << level;
  EXPECT_EQ(Typed(settings::kEggCount), "9");
  EXPECT_TRUE(Checked(settings::kQuantityMode));
  EXPECT_FALSE(Checked(settings::kProbabilityMode));
  EXPECT_FALSE(Checked(settings::kEffectsDisabled));
  // 110 prizes left: level 1 holds 1 of them, level 8 holds 50.
  EXPECT_EQ(Shown(kChances[0]), "0.91%");
  EXPECT_EQ(Shown(kChances[7]), "45.45%");
  EXPECT_EQ(Shown(settings::kTickets), "剩余奖品总数：110");
  EXPECT_FALSE(Exists("config.a") && Get("config.a", "zbt", "一") != "");
}

TEST_F(SettingsTest, AFullConfigurationFillsTheWindow) {
  SetConfig("金蛋个数", "5");
  SetConfig("一", "3");
  SetConfig("二", "abc");  // shown as stored
  SetConfig("lx", "真");
  SetConfig("禁用特效", "真");
  WritePrizePictures();
  StartProgram();
  OpenSettings();
  EXPECT_EQ(Typed(settings::kEggCount), "5");
  EXPECT_EQ(Typed(kNumbers[0]), "3");
  EXPECT_EQ(Typed(kNumbers[1]), "abc");
  EXPECT_EQ(Typed(kNumbers[2]), "");  // "一" is set, so every number is read, empty ones too
  EXPECT_TRUE(Checked(settings::kProbabilityMode));
  EXPECT_FALSE(Checked(settings::kQuantityMode));
  EXPECT_TRUE(Checked(settings::kEffectsDisabled));
  for (int level = 1; level <= 8; ++level)
    EXPECT_EQ(TextProperty(kPictures[level - 1], forms::pic_box_property::kPicture), PrizePicture(level)) << level;
  // By probability the weights count: only level 1's 3 tickets.
  EXPECT_EQ(Shown(kChances[0]), "100.00%");
  EXPECT_EQ(Shown(kChances[1]), "0.00%");
  EXPECT_EQ(Shown(settings::kTickets), "奖券总数：3");
}

TEST_F(SettingsTest, TheChancesFollowTheTypingTheModeAndTheWins) {
  Set("jieguo.a", "zjjg", "j1", "1");
  StartProgram();
  OpenSettings();
  Type(kNumbers[0], "3");  // by quantity: 3 − 1 won = 2 left
  for (int level = 2; level <= 8; ++level) Type(kNumbers[level - 1], level == 4 ? "6" : "0");
  EXPECT_EQ(Shown(kChances[0]), "25.00%");
  EXPECT_EQ(Shown(kChances[3]), "75.00%");
  EXPECT_EQ(Shown(settings::kTickets), "剩余奖品总数：8");
  forms::Fire(settings::kWindow.window, settings::kProbabilityMode.id, 0);
  EXPECT_EQ(Shown(kChances[0]), "33.33%");
  EXPECT_EQ(Shown(settings::kTickets), "奖券总数：9");
  Type(kNumbers[3], "0");
  Type(kNumbers[0], "-1");
  EXPECT_EQ(Shown(kChances[0]), "");
  EXPECT_EQ(Shown(settings::kTickets), "奖券总数：0");
}

TEST_F(SettingsTest, AModeIsStoredAtTheClickEvenWithoutConfirming) {
  StartProgram();
  const draw::LevelCounts before = draw::ProgramLevelCounts();
  OpenSettings();
  Type(kNumbers[0], "77");
  forms::Fire(settings::kWindow.window, settings::kProbabilityMode.id, 0);
  EXPECT_EQ(Get("config.a", "zbt", "lx"), "真");
  EXPECT_TRUE(Checked(settings::kProbabilityMode));
  EXPECT_FALSE(Checked(settings::kQuantityMode));
  forms::RequestClose(settings::kWindow.window);
  EXPECT_EQ(Get("config.a", "zbt", "一"), "");
  EXPECT_EQ(draw::ProgramLevelCounts(), before);
  OpenSettings();
  forms::Fire(settings::kWindow.window, settings::kQuantityMode.id, 0);
  EXPECT_EQ(Get("config.a", "zbt", "lx"), "假");
}

TEST_F(SettingsTest, AnEggCountOutsideOneToNineIsRefusedAndNothingIsWritten) {
  const struct {
    const char* count;
    bool accepted;
    int eggsShown;
  } rows[] = {{"0", false, 0},  {"10", false, 0},         {"", false, 0},          {"abc", false, 0},
              {"-3", false, 0}, {"0.99999995", true, 9},  {"9.00000005", true, 9}, {"2.5", true, 2},
              {"1", true, 1}};
  StartProgram();
  for (const auto& row : rows) {
    std::filesystem::remove(Path("config.a"));
    OpenSettings();
    Type(settings::kEggCount, row.count);
    zorvel::test::ResetTestHooks();
    ui::QueueMessageBoxAnswer(ui::kAnswerOk);
    forms::Fire(settings::kWindow.window, settings::kConfirmButton.id, 0);
    QCoreApplication::processEvents();
    const ui::MessageBoxRequest& box = ui::LastMessageBoxRequest();
    if (row.accepted) {
      EXPECT_EQ(box.text, "设置成功！") << row.count;
      EXPECT_EQ(forms::FindLoadedWindow(settings::kWindow.window), nullptr) << row.count;
      EXPECT_EQ(Get("config.a", "zbt", "金蛋个数"), row.count) << "stored as typed";
      for (int egg = 1; egg <= 9; ++egg)
        EXPECT_EQ(IsVisible(main_window::kEggs[egg - 1]), egg <= row.eggsShown) << row.count << " egg " << egg;
    } else {
      EXPECT_EQ(box.text, "界面显示金蛋个数必须是1到9之间的整数！请重新设置") << row.count;
      EXPECT_EQ(box.flags, 0u | 0x2000u);  // OK only; the box adds task-modal
      EXPECT_FALSE(Exists("config.a")) << row.count;
      EXPECT_NE(forms::FindLoadedWindow(settings::kWindow.window), nullptr) << row.count;
      forms::RequestClose(settings::kWindow.window);
    }
  }
}

TEST_F(SettingsTest, ConfirmingWritesTheKeysInOrderAndSetsTheCounts) {
  StartProgram();
  OpenSettings();
  const char* typed[] = {"1", "2.9", "0", "abc", "-2", "5", "6", "3000000000"};
  for (int level = 1; level <= 8; ++level) Type(kNumbers[level - 1], typed[level - 1]);
  Type(settings::kEggCount, "7");
  SetIntegerProperty(settings::kEffectsDisabled, choice::kChecked, 1);
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);
  forms::Fire(settings::kWindow.window, settings::kConfirmButton.id, 0);
  EXPECT_EQ(gbk::ToUtf8(ReadFile("config.a")),
            "[zbt]\r\n界面大小=全屏\r\n禁用特效=真\r\n金蛋个数=7\r\n一=1\r\n二=2.9\r\n三=0\r\n四=abc\r\n五=-2\r\n"
            "六=5\r\n七=6\r\n八=3000000000\r\n");
  EXPECT_EQ(draw::ProgramLevelCounts(), (draw::LevelCounts{1, 2, 0, 0, -2, 5, 6, 2147483647}));
  for (int egg = 1; egg <= 9; ++egg) EXPECT_EQ(IsVisible(main_window::kEggs[egg - 1]), egg <= 7) << egg;
}

TEST_F(SettingsTest, APictureChosenGoesIntoItsFolderAtOnceEvenIfTheFolderIsMissing) {
  StartProgram();
  OpenSettings();
  const std::string chosen = SolidPicture(40, 30, Qt::blue);
  WriteFile("elsewhere/我的奖品.png", chosen);  // any name, any ending: the content counts
  ASSERT_FALSE(Exists("奖品图片"));
  ChooseFile(Path("elsewhere/我的奖品.png"));
  DoubleClickPicture(3);
  EXPECT_EQ(ReadFile("奖品图片/3.jpg"), chosen);
  EXPECT_EQ(TextProperty(kPictures[2], forms::pic_box_property::kPicture), chosen);
  EXPECT_EQ(forms::LastCommonDialogRequest().filter,
            "图形文件(*.jpg)|*.jpg|图形文件(*.jpg;*.jpeg;*.png;*.bmp;*.gif)|"
            "*.jpg;*.jpeg;*.png;*.bmp;*.gif;*.JPG;*.JPEG;*.PNG;*.BMP;*.GIF||");
  // A PNG with transparent parts is a picture too, kept under its stored name.
  QImage png(40, 30, QImage::Format_ARGB32);
  png.fill(QColor(255, 0, 0, 128));
  QByteArray pngBytes;
  QBuffer buffer(&pngBytes);
  ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && png.save(&buffer, "PNG"));
  WriteFile("elsewhere/logo.png", pngBytes.toStdString());
  ChooseFile(Path("elsewhere/logo.png"));
  ui::ClearMessageBoxAnswers();
  DoubleClickPicture(4);
  EXPECT_EQ(ui::LastMessageBoxRequest().text, "");
  EXPECT_EQ(ReadFile("奖品图片/4.jpg"), pngBytes.toStdString());
  // Closing without confirming keeps the pictures.
  forms::RequestClose(settings::kWindow.window);
  EXPECT_EQ(ReadFile("奖品图片/3.jpg"), chosen);
  // A cancelled dialog changes nothing.
  OpenSettings();
  forms::QueueCommonDialogAnswer({});
  DoubleClickPicture(3);
  EXPECT_EQ(ReadFile("奖品图片/3.jpg"), chosen);
}

TEST_F(SettingsTest, AFileThatIsNoPictureOrCannotBeCopiedKeepsTheOldPicture) {
  WritePrizePictures();
  StartProgram();
  OpenSettings();
  const struct {
    const char* name;
    std::string bytes;
  } refused[] = {{"note.jpg", "%PDF-1.4 not a picture"}, {"cut.jpg", PrizePicture(1).substr(0, 20)}, {"empty.jpg", ""}};
  for (const auto& file : refused) {
    WriteFile(std::string("elsewhere/") + file.name, file.bytes);
    ChooseFile(Path(std::string("elsewhere/") + file.name));
    ui::QueueMessageBoxAnswer(ui::kAnswerOk);
    DoubleClickPicture(5);
    EXPECT_EQ(ui::LastMessageBoxRequest().text, "不是可用的图片文件") << file.name;
    EXPECT_EQ(ReadFile("奖品图片/5.jpg"), PrizePicture(5)) << file.name;
  }
  // The copy cannot replace a folder that stands where the picture goes.
  std::filesystem::remove(Path("奖品图片/6.jpg"));
  std::filesystem::create_directories(Path("奖品图片/6.jpg"));
  WriteFile("elsewhere/good.bmp", SolidPicture(8, 8, Qt::green));
  ChooseFile(Path("elsewhere/good.bmp"));
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);
  DoubleClickPicture(6);
  EXPECT_EQ(ui::LastMessageBoxRequest().text, "图片没能复制到程序文件夹，原来的图片保持不变！");
  EXPECT_TRUE(std::filesystem::is_directory(Path("奖品图片/6.jpg")));
}

}  // namespace
}  // namespace zorvel::app::testing
