// The main window at start: from an empty program folder and from a full config.a, the
// eggs shown for every egg count, the display sizes and the exit confirmation.
#include <QGuiApplication>
#include <QScreen>

#include "app/draw/prize_pool.h"
#include "app/main_window.h"
#include "windows/units/pic_button/pic_button.h"
#include "windows/units/trans_label/trans_label.h"
#include "windows/units/window/window_unit.h"
#include "runtime/ui/message_box.h"
#include "tests/app/app_test.h"

namespace zorvel::app::testing {
namespace {

namespace main = ids::main;
using main_window::kEggs;

QSize Screen() { return QGuiApplication::primaryScreen()->size(); }

TEST_F(AppTest, AFreshFolderStartsFullScreenWithNineEggsAndTheDefaultCounts) {
  StartProgram();
  for (int egg = 1; egg <= 9; ++egg) {
    EXPECT_TRUE(IsVisible(kEggs[egg - 1])) << egg;
    EXPECT_EQ(TextProperty(kEggs[egg - 1], forms::pic_button::kNormalPicture),
              AsBytes(resources::EggRestPicture(egg)))
        << egg;
  }
  EXPECT_EQ(draw::ProgramLevelCounts(), (draw::LevelCounts{1, 2, 4, 8, 10, 15, 20, 50}));
  // Full screen: no frame, the whole screen, its menu item checked.
  EXPECT_EQ(IntegerProperty(main::kWindow, forms::window_property::kBorder), 0);
  EXPECT_EQ(Left(main::kWindow), 0);
  EXPECT_EQ(Top(main::kWindow), 0);
  EXPECT_EQ(QRect(Left(main::kWindow), Top(main::kWindow), Width(main::kWindow), Height(main::kWindow)),
            QRect(QPoint(0, 0), Screen()));
  EXPECT_EQ(IntegerProperty(main::kWindow, forms::window_property::kBorder), 0);
  EXPECT_EQ(Height(main::kWindow), Screen().height());
  EXPECT_TRUE(IsChecked(main::kFullScreenItem));
  EXPECT_FALSE(IsChecked(main::kWindowedItem));
  // The prize display and the stage cover the window, hidden; the titles span it.
  for (UnitName cover : {main::kPrizeCanvas, main::kSpinStage}) {
    EXPECT_EQ(Width(cover), Width(main::kWindow));
    EXPECT_EQ(Height(cover), Height(main::kWindow));
    EXPECT_FALSE(IsVisible(cover));
  }
  EXPECT_FALSE(IsVisible(main::kCloseLabel));
  for (UnitName title : {main::kMainTitle, main::kSubTitle}) {
    EXPECT_TRUE(IsVisible(title));
    EXPECT_EQ(Left(title), 0);
    EXPECT_EQ(Width(title), Width(main::kWindow));
    EXPECT_EQ(IntegerProperty(title, forms::trans_label::kHorizontalAlignment), 1);
  }
  EXPECT_EQ(gbk::ToUtf8(TextProperty(main::kMainTitle, forms::trans_label::kTitle)), "某某大卖场购物有奖活动");
  EXPECT_EQ(TextProperty(main::kWindow, forms::window_property::kBackPicture), "");
  // The only file the start makes: config.a with the display mode it applied.
  EXPECT_EQ(gbk::ToUtf8(ReadFile("config.a")), "[zbt]\r\n界面大小=全屏\r\n");
  EXPECT_FALSE(Exists("jieguo.a"));
}

TEST_F(AppTest, AFullConfigurationIsAppliedAtStart) {
  SetConfig("主标题", "新春大抽奖");
  SetConfig("副标题", "欢迎光临");
  SetConfig("主标题左边", "15.9");
  SetConfig("主标题顶边", "22");
  SetConfig("副标题顶边", "130");  // its left stays at 0
  SetConfig("主标题字体", "黑体", "yanse");
  SetConfig("主标题字体大小", "40", "yanse");
  SetConfig("主标题字体颜色", "65280", "yanse");
  SetConfig("副标题字体", "楷体", "yanse");  // no colour key: the design font stays
  SetConfig("界面大小", "窗口");
  SetConfig("d3左边", "100");  // no top key: top 0
  SetConfig("d5左边", "-40");
  SetConfig("d5顶边", "600.7");
  SetConfig("d7顶边", "10");  // no left key: egg 7 keeps its design place
  SetConfig("一", "2.9");
  SetConfig("二", "abc");
  SetConfig("三", "-3");
  SetConfig("四", "3000000000");
  SetConfig("金蛋个数", "7");
  const std::string background = SolidPicture(32, 18, Qt::darkRed);
  WriteFile("底图.jpg", background);
  StartProgram();

  EXPECT_EQ(gbk::ToUtf8(TextProperty(main::kMainTitle, forms::trans_label::kTitle)), "新春大抽奖");
  EXPECT_EQ(gbk::ToUtf8(TextProperty(main::kSubTitle, forms::trans_label::kTitle)), "欢迎光临");
  EXPECT_EQ(Left(main::kMainTitle), 15);
  EXPECT_EQ(Top(main::kMainTitle), 22);
  EXPECT_EQ(Left(main::kSubTitle), 0);
  EXPECT_EQ(Top(main::kSubTitle), 130);
  EXPECT_EQ(gbk::ToUtf8(FontFace(main::kMainTitle, forms::trans_label::kFont)), "黑体");
  EXPECT_EQ(FontField(main::kMainTitle, forms::trans_label::kFont, kFontSize), 40);
  EXPECT_EQ(IntegerProperty(main::kMainTitle, forms::trans_label::kTextColour), 65280);
  EXPECT_EQ(gbk::ToUtf8(FontFace(main::kSubTitle, forms::trans_label::kFont)), "宋体");
  EXPECT_EQ(FontField(main::kSubTitle, forms::trans_label::kFont, kFontSize), 28);

  // Windowed: a sizeable frame, the screen less 20 pixels each way.
  EXPECT_EQ(IntegerProperty(main::kWindow, forms::window_property::kBorder), 1);
  EXPECT_EQ(Width(main::kWindow), Screen().width() - 20);
  EXPECT_EQ(Height(main::kWindow), Screen().height() - 20);
  EXPECT_TRUE(IsChecked(main::kWindowedItem));
  EXPECT_FALSE(IsChecked(main::kFullScreenItem));
  EXPECT_EQ(Get("config.a", "zbt", "界面大小"), "窗口");

  EXPECT_EQ(TextProperty(main::kWindow, forms::window_property::kBackPicture), background);
  EXPECT_EQ(Left(kEggs[2]), 100);
  EXPECT_EQ(Top(kEggs[2]), 0);
  EXPECT_EQ(Left(kEggs[4]), -40);
  EXPECT_EQ(Top(kEggs[4]), 600);
  EXPECT_EQ(Left(kEggs[6]), 548);
  EXPECT_EQ(Top(kEggs[6]), 563);
  // "一" set: all eight read, truncated; 3 000 000 000 holds as the largest count.
  EXPECT_EQ(draw::ProgramLevelCounts(), (draw::LevelCounts{2, 0, -3, 2147483647, 0, 0, 0, 0}));
  for (int egg = 1; egg <= 9; ++egg) EXPECT_EQ(IsVisible(kEggs[egg - 1]), egg <= 7) << egg;
}

TEST_F(AppTest, TheEggCountShowsTheFirstEggsOrChangesNothing) {
  const struct {
    const char* count;
    int visible;  // eggs 1 … visible are shown, the rest hidden
  } rows[] = {{"", 9}, {"1", 1}, {"5", 5}, {"5.8", 5}, {"9", 9}, {"12", 9}, {"0", 9}, {"-2", 9}, {"abc", 9}, {"3x", 3}};
  for (const auto& row : rows) {
    SetConfig("金蛋个数", row.count);
    RestartProgram();
    for (int egg = 1; egg <= 9; ++egg)
      EXPECT_EQ(IsVisible(kEggs[egg - 1]), egg <= row.visible) << "count '" << row.count << "', egg " << egg;
  }
}

TEST_F(AppTest, AHandEditedDisplayModeIsTrimmedAndAnyOtherTextIsFullScreen) {
  // The settings reader drops the blanks around a value, as older files rely on.
  WriteFile("config.a", gbk::FromUtf8("[zbt]\r\n界面大小 = 窗口 \r\n"));
  StartProgram();
  EXPECT_EQ(IntegerProperty(main::kWindow, forms::window_property::kBorder), 1);
  // Any other text starts full screen, and the start writes back the mode it applied.
  WriteFile("config.a", gbk::FromUtf8("[zbt]\r\n界面大小=窗口x\r\n"));
  RestartProgram();
  EXPECT_EQ(IntegerProperty(main::kWindow, forms::window_property::kBorder), 0);
  EXPECT_EQ(Get("config.a", "zbt", "界面大小"), "全屏");
}

TEST_F(AppTest, TheDisplaySizeMenuSwitchesAndStoresTheMode) {
  StartProgram();
  SetLeft(main::kWindow, 30);
  SetTop(main::kWindow, 40);
  forms::Fire(main::kWindowedItem.window, main::kWindowedItem.id, 0);
  EXPECT_EQ(Get("config.a", "zbt", "界面大小"), "窗口");
  EXPECT_EQ(IntegerProperty(main::kWindow, forms::window_property::kBorder), 1);
  // Twenty pixels short of the screen both ways, where the window stood.
  EXPECT_EQ(QRect(Left(main::kWindow), Top(main::kWindow), Width(main::kWindow), Height(main::kWindow)),
            QRect(30, 40, Screen().width() - 20, Screen().height() - 20));
  EXPECT_TRUE(IsChecked(main::kWindowedItem));
  EXPECT_FALSE(IsChecked(main::kFullScreenItem));
  // The prize display follows a resized window at once.
  SetWidth(main::kWindow, 700);
  SetHeight(main::kWindow, 500);
  forms::Fire(main::kWindow.window, 0, forms::window_event::kResized);
  EXPECT_EQ(Width(main::kPrizeCanvas), 700);
  EXPECT_EQ(Height(main::kSpinStage), 500);
  forms::Fire(main::kFullScreenItem.window, main::kFullScreenItem.id, 0);
  EXPECT_EQ(Get("config.a", "zbt", "界面大小"), "全屏");
  EXPECT_EQ(Width(main::kWindow), Screen().width());
  EXPECT_FALSE(IsChecked(main::kWindowedItem));
  EXPECT_TRUE(IsChecked(main::kFullScreenItem));
}

TEST_F(AppTest, CancellingTheExitKeepsTheProgram) {
  StartProgram();
  ui::QueueMessageBoxAnswer(ui::kAnswerCancel);
  EXPECT_FALSE(forms::RequestClose(main::kWindow.window));
  EXPECT_NE(forms::FindLoadedWindow(main::kWindow.window), nullptr);
  EXPECT_EQ(ui::LastMessageBoxRequest().text, "确定退出程序吗？");
  EXPECT_EQ(ui::LastMessageBoxRequest().caption, "确定退出吗？");
  EXPECT_EQ(ui::LastMessageBoxRequest().flags, 1u | 0x2000u);  // OK and Cancel; the box adds task-modal
  ui::QueueMessageBoxAnswer(ui::kAnswerCancel);
  forms::Fire(main::kExitItem.window, main::kExitItem.id, 0);
  EXPECT_NE(forms::FindLoadedWindow(main::kWindow.window), nullptr);
}

using AppDeathTest = AppTest;

TEST_F(AppDeathTest, ConfirmingTheExitEndsTheProgramWithCodeZero) {
  StartProgram();
  EXPECT_EXIT(
      {
        ui::QueueMessageBoxAnswer(ui::kAnswerOk);
        forms::RequestClose(main::kWindow.window);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        ui::QueueMessageBoxAnswer(ui::kAnswerOk);
        forms::Fire(main::kExitItem.window, main::kExitItem.id, 0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace zorvel::app::testing
