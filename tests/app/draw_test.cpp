// Smashing an egg through the real windows and files: what the guest sees during and
// after a draw, the ledger written before the prize shows, the empty pool, the modes, the
// celebration effect and a second egg smashed while it plays.
#include <QTest>
#include <QTimer>

#include "app/draw/prize_pool.h"
#include "app/main_window.h"
#include "app/results_window.h"
#include "windows/units/draw_panel/draw_panel.h"
#include "windows/units/edit_box/edit_box.h"
#include "windows/units/pic_box/pic_box.h"
#include "windows/units/pic_button/pic_button.h"
#include "runtime/ui/message_box.h"
#include "store/store.h"
#include "tests/app/app_test.h"

namespace zorvel::app::testing {
namespace {

namespace main = ids::main;
using main_window::kEggs;

class DrawTest : public AppTest {
 protected:
  // Only level `level` has prizes (or weight).
  void OnlyLevel(int level, const std::string& quantity = "1") {
    const char* numerals[] = {"一", "二", "三", "四", "五", "六", "七", "八"};
    for (int n = 1; n <= 8; ++n) SetConfig(numerals[n - 1], n == level ? quantity : "0");
  }
  // Makes the prize display too small to spin, so that a draw shows its prize at once.
  void NoSpin() {
    SetWidth(main::kPrizeCanvas, 10);
    SetHeight(main::kPrizeCanvas, 10);
  }
  void SetUpDraws(int count) {
    for (int i = 0; i < count; ++i) egg_draw::DrawPrize();
  }
};

TEST_F(DrawTest, ClickingAnEggCountsTheWinFirstThenSpinsThePrizeIn) {
  WritePrizePictures();
  SetConfig("禁用特效", "真");
  OnlyLevel(3, "5");
  StartProgram();
  SetWidth(main::kPrizeCanvas, 330);
  SetHeight(main::kPrizeCanvas, 200);

  struct Seen {
    bool smashPicture = false, ledgerWritten = false, stageShown = false, canvasHidden = false;
  } seen;
  int frames = 0;
  egg_draw::SetSpinFrameObserver([&](int frame) {
    ++frames;
    if (frame != 1) return;
    seen.smashPicture = TextProperty(kEggs[3], forms::pic_button::kNormalPicture) ==
                        AsBytes(resources::EggSmashPicture());
    seen.ledgerWritten = WinCount(3) == "1";
    seen.stageShown = IsVisible(main::kSpinStage);
    seen.canvasHidden = !IsVisible(main::kPrizeCanvas);
  });
  // A real click on the middle of egg 4, which is opaque.
  QWidget* egg = WidgetOf(kEggs[3]);
  ASSERT_NE(egg, nullptr);
  QTest::mouseClick(egg, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));

  EXPECT_GT(frames, 0);
  EXPECT_TRUE(seen.smashPicture);
  EXPECT_TRUE(seen.ledgerWritten);
  EXPECT_TRUE(seen.stageShown);
  EXPECT_TRUE(seen.canvasHidden);
  // Afterwards: the egg is whole again, the prize shows with its close label at the top
  // right, the titles have made way, the remaining count is in memory.
  EXPECT_EQ(TextProperty(kEggs[3], forms::pic_button::kNormalPicture), AsBytes(resources::EggRestPicture(4)));
  EXPECT_TRUE(IsVisible(main::kPrizeCanvas));
  EXPECT_FALSE(IsVisible(main::kSpinStage));
  EXPECT_EQ(TextProperty(main::kPrizeCanvas, forms::draw_panel_property::kBackPicture), PrizePicture(3));
  EXPECT_TRUE(IsVisible(main::kCloseLabel));
  EXPECT_EQ(Left(main::kCloseLabel), 330 - Width(main::kCloseLabel));
  EXPECT_EQ(Top(main::kCloseLabel), 0);
  EXPECT_FALSE(IsVisible(main::kMainTitle));
  EXPECT_FALSE(IsVisible(main::kSubTitle));
  EXPECT_EQ(WinCount(3), "1");
  EXPECT_EQ(draw::ProgramLevelCounts()[2], 5);  // the count the pool was built from
  for (int egg = 1; egg <= 9; ++egg) EXPECT_TRUE(IsVisible(kEggs[egg - 1])) << egg;

  // A click on the close label brings the eggs screen back.
  QWidget* close = WidgetOf(main::kCloseLabel);
  ASSERT_NE(close, nullptr);
  QTest::mouseClick(close, Qt::LeftButton, Qt::NoModifier, close->rect().center());
  EXPECT_FALSE(IsVisible(main::kPrizeCanvas));
  EXPECT_FALSE(IsVisible(main::kCloseLabel));
  EXPECT_FALSE(IsVisible(main::kSpinStage));
  EXPECT_TRUE(IsVisible(main::kMainTitle));
  EXPECT_TRUE(IsVisible(main::kSubTitle));
}

TEST_F(DrawTest, AnEmptyPoolOnlyTellsTheOperatorWhatToDo) {
  WritePrizePictures();
  SetConfig("禁用特效", "真");
  OnlyLevel(1);
  Set("jieguo.a", "zjjg", "j1", "1");  // the one first prize is gone
  StartProgram();
  const std::string ledger = ReadFile("jieguo.a");
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);
  forms::Fire(main::kWindow.window, kEggs[0].id, 0);
  const ui::MessageBoxRequest& box = ui::LastMessageBoxRequest();
  EXPECT_EQ(box.text,
            "1．如果是第一次运行程序，请先点击右键，选择奖项设置菜单，进行奖项设置！\r\n\r\n"
            "————————————————————————————\r\n\r\n"
            "2．如果是按奖品数量方式正在抽奖！应该是奖品数量已抽取完毕，清空抽奖结果后可以再重新抽奖！");
  EXPECT_EQ(box.caption, "Zorvel信息提示");
  EXPECT_EQ(box.flags, 64u | 0x2000u);  // OK and the information icon; the box adds task-modal
  EXPECT_EQ(ReadFile("jieguo.a"), ledger);
  EXPECT_FALSE(IsVisible(main::kPrizeCanvas));
  EXPECT_TRUE(IsVisible(main::kMainTitle));
  EXPECT_EQ(TextProperty(kEggs[0], forms::pic_button::kNormalPicture), AsBytes(resources::EggRestPicture(1)));
  // A first run without any settings ends the same way.
  std::filesystem::remove(Path("config.a"));
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);
  egg_draw::DrawPrize();
  EXPECT_EQ(ui::LastMessageBoxRequest().caption, "Zorvel信息提示");
  EXPECT_EQ(ReadFile("jieguo.a"), ledger);
}

TEST_F(DrawTest, QuantityModeDrainsExactlyTheConfiguredPrizes) {
  SetConfig("禁用特效", "真");
  SetConfig("一", "3");
  SetConfig("二", "0");
  SetConfig("三", "2.9");  // two prizes
  SetConfig("四", "1");
  Set("jieguo.a", "zjjg", "j4", "4");  // more wins than prizes: nothing left, no error
  SetConfig("八", "1");
  StartProgram();
  NoSpin();
  SetUpDraws(6);
  EXPECT_EQ(WinCount(1), "3");
  EXPECT_EQ(WinCount(2), "");
  EXPECT_EQ(WinCount(3), "2");
  EXPECT_EQ(WinCount(4), "4");
  EXPECT_EQ(WinCount(8), "1");
  EXPECT_EQ(ui::LastMessageBoxRequest().caption, "");  // no message yet
  const std::string ledger = ReadFile("jieguo.a");
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);
  egg_draw::DrawPrize();
  EXPECT_EQ(ui::LastMessageBoxRequest().caption, "Zorvel信息提示");
  EXPECT_EQ(ReadFile("jieguo.a"), ledger);
  // The remaining counts the last draw left in memory.
  EXPECT_EQ(draw::ProgramLevelCounts(), (draw::LevelCounts{0, 0, 0, -3, 0, 0, 0, 0}));
}

TEST_F(DrawTest, ProbabilityModeDrawsByTheWeightsAndUsesNothingUp) {
  SetConfig("禁用特效", "真");
  SetConfig("lx", "真");
  OnlyLevel(7);
  SetConfig("八", "3");
  StartProgram();
  NoSpin();
  constexpr int kDraws = 400;
  SetUpDraws(kDraws);
  const double sevens = store::Number(gbk::FromUtf8(WinCount(7)));
  const double eights = store::Number(gbk::FromUtf8(WinCount(8)));
  EXPECT_EQ(sevens + eights, kDraws);
  // Level 8 holds three tickets of four: 300 expected, σ ≈ 8.7; 4.5 σ either side.
  EXPECT_GT(eights, 261);
  EXPECT_LT(eights, 339);
  for (int level = 1; level <= 6; ++level) EXPECT_EQ(WinCount(level), "") << level;
  EXPECT_EQ(draw::ProgramLevelCounts(), (draw::LevelCounts{0, 0, 0, 0, 0, 0, 1, 3}));
}

TEST_F(DrawTest, MissingPrizePictureAndSoundStillCountTheWin) {
  SetConfig("禁用特效", "真");
  OnlyLevel(5);
  StartProgram();
  SetWidth(main::kPrizeCanvas, 120);
  SetHeight(main::kPrizeCanvas, 90);
  egg_draw::DrawPrize();
  EXPECT_EQ(WinCount(5), "1");
  EXPECT_EQ(TextProperty(main::kPrizeCanvas, forms::draw_panel_property::kBackPicture), "");
  EXPECT_TRUE(IsVisible(main::kPrizeCanvas));
  EXPECT_TRUE(IsVisible(main::kCloseLabel));
}

TEST_F(DrawTest, ALedgerValueIsReadAsANumberAndWrittenBack) {
  SetConfig("禁用特效", "真");
  SetConfig("lx", "真");
  OnlyLevel(2);
  const struct {
    const char* before;
    const char* after;
  } rows[] = {{"3.7", "4.7"}, {"abc", "1"}, {"0", "1"}, {"-2", "-1"}, {"999999999999", "1000000000000"}};
  StartProgram();
  NoSpin();
  for (const auto& row : rows) {
    Set("jieguo.a", "zjjg", "j2", row.before);
    egg_draw::DrawPrize();
    EXPECT_EQ(WinCount(2), row.after) << row.before;
  }
}

// The celebration effect: whether its window opens during the wait, by "禁用特效".
TEST_F(DrawTest, TheEffectWindowOpensForTheWaitUnlessSwitchedOff) {
  const struct {
    const char* setting;  // null: no key
    bool opens;
  } rows[] = {{"真", false}, {"假", true}, {nullptr, true}, {"", true}, {"true", true}};
  OnlyLevel(1, "100");
  StartProgram();
  NoSpin();
  egg_draw::SetEffectDuration(30);
  for (const auto& row : rows) {
    if (row.setting != nullptr) SetConfig("禁用特效", row.setting);
    else Set("config.a", "zbt", "禁用特效", "");
    bool openDuringTheDraw = false;
    QTimer::singleShot(0, [&] { openDuringTheDraw = IsOpen(ids::effect::kWindow); });
    egg_draw::DrawPrize();
    QCoreApplication::processEvents();  // the closed window goes; a draw without a wait runs the timer here
    EXPECT_EQ(openDuringTheDraw, row.opens) << (row.setting ? row.setting : "(none)");
    EXPECT_FALSE(IsOpen(ids::effect::kWindow)) << (row.setting ? row.setting : "(none)");
  }
}

TEST_F(DrawTest, ASecondEggDuringTheEffectClosesItAndDrawsInFull) {
  SetConfig("lx", "真");
  OnlyLevel(6);
  StartProgram();
  NoSpin();
  egg_draw::SetEffectDuration(150);
  bool firstEffectOpen = false;
  bool nestedRan = false;
  QTimer::singleShot(20, [&] {
    firstEffectOpen = IsOpen(ids::effect::kWindow);
    // Egg 2 is smashed while egg 1's effect plays: a draw nested in the first one's wait.
    forms::Fire(main::kWindow.window, kEggs[1].id, 0);
    nestedRan = true;
    EXPECT_EQ(TextProperty(kEggs[0], forms::pic_button::kNormalPicture), AsBytes(resources::EggSmashPicture()));
  });
  forms::Fire(main::kWindow.window, kEggs[0].id, 0);
  QCoreApplication::processEvents();
  EXPECT_TRUE(firstEffectOpen);
  EXPECT_TRUE(nestedRan);
  EXPECT_EQ(WinCount(6), "2");
  EXPECT_FALSE(IsOpen(ids::effect::kWindow));
  EXPECT_EQ(TextProperty(kEggs[0], forms::pic_button::kNormalPicture), AsBytes(resources::EggRestPicture(1)));
  EXPECT_EQ(TextProperty(kEggs[1], forms::pic_button::kNormalPicture), AsBytes(resources::EggRestPicture(2)));
}

TEST_F(DrawTest, TheResultsWindowShowsTheLedgerAsWrittenAndClearsIt) {
  SetConfig("禁用特效", "真");
  OnlyLevel(2, "10");
  WritePrizePictures();
  std::filesystem::remove(Path("奖品图片/7.jpg"));
  StartProgram();
  NoSpin();
  SetUpDraws(3);
  Set("jieguo.a", "zjjg", "j5", "abc");  // edited by hand: shown as it stands
  ASSERT_TRUE(forms::LoadAndShowWindow(ids::results::kWindow.window, nullptr, false));
  namespace edit = forms::edit_box_property;
  const char* expected[] = {"", "3", "", "", "abc", "", "", ""};
  for (int level = 1; level <= 8; ++level) {
    EXPECT_EQ(TextProperty(results_window::kCounts[level - 1], edit::kContent), expected[level - 1]) << level;
    EXPECT_EQ(TextProperty(results_window::kPictures[level - 1], forms::pic_box_property::kPicture),
              level == 7 ? std::string() : PrizePicture(level))
        << level;
  }
  QWidget* clear = WidgetOf(ids::results::kClearButton);
  ASSERT_NE(clear, nullptr);
  QTest::mouseClick(clear, Qt::LeftButton);
  for (int level = 1; level <= 8; ++level) {
    EXPECT_EQ(TextProperty(results_window::kCounts[level - 1], edit::kContent), "0") << level;
    EXPECT_EQ(WinCount(level), "0") << level;
  }
  // Cleared, the quantities are all there again.
  forms::CloseWindow(ids::results::kWindow.window, true);
  SetUpDraws(1);
  EXPECT_EQ(WinCount(2), "1");
}

TEST_F(DrawTest, ClearingAMissingLedgerWritesEightZeros) {
  ASSERT_TRUE(forms::LoadAndShowWindow(ids::results::kWindow.window, nullptr, false));
  for (int level = 1; level <= 8; ++level)
    EXPECT_EQ(TextProperty(results_window::kCounts[level - 1], forms::edit_box_property::kContent), "") << level;
  forms::Fire(ids::results::kWindow.window, ids::results::kClearButton.id, 0);
  EXPECT_EQ(ReadFile("jieguo.a"), "[zjjg]\r\nj1=0\r\nj2=0\r\nj3=0\r\nj4=0\r\nj5=0\r\nj6=0\r\nj7=0\r\nj8=0\r\n");
}

TEST_F(DrawTest, WhileAModalWindowIsOpenTheMainWindowCannotBeClosed) {
  StartProgram();
  bool stillThere = false;
  int boxesAsked = -1;
  QTimer::singleShot(0, [&] {
    // The results window is modal: a close request to the main window beneath it does
    // nothing, not even the exit question.
    forms::RequestClose(main::kWindow.window);
    stillThere = forms::FindLoadedWindow(main::kWindow.window) != nullptr;
    boxesAsked = static_cast<int>(ui::LastMessageBoxRequest().caption.size());
    forms::RequestClose(ids::results::kWindow.window);
  });
  forms::Fire(main::kResultsItem.window, main::kResultsItem.id, 0);  // returns when it closes
  EXPECT_TRUE(stillThere);
  EXPECT_EQ(boxesAsked, 0);
  EXPECT_EQ(forms::FindLoadedWindow(ids::results::kWindow.window), nullptr);
}

}  // namespace
}  // namespace zorvel::app::testing
