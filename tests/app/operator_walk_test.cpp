// An evening as an operator runs it, on real windows: the prize settings through the
// password window (prizes, a picture, by quantity, no fireworks), a draw, the results
// window, clearing it, and a draw again.
#include <QCoreApplication>
#include <QTimer>

#include "app/main_window.h"
#include "app/results_window.h"
#include "app/settings_window.h"
#include "runtime/ui/message_box.h"
#include "store/store.h"
#include "tests/app/app_test.h"
#include "windows/units/check_box/check_box.h"
#include "windows/units/common_dialog/common_dialog.h"
#include "windows/units/edit_box/edit_box.h"
#include "windows/units/pic_box/pic_box.h"

namespace zorvel::app::testing {
namespace {

namespace main = ids::main;
namespace edit = forms::edit_box_property;

TEST_F(AppTest, AnOperatorSetsUpTheDrawThroughThePasswordAndRunsIt) {
  StartProgram();
  const std::string card = SolidPicture(160, 90, Qt::darkYellow);
  WriteFile("U盘/头奖.jpg", card);
  bool settingsOpened = false, passwordClosed = false;
  QTimer::singleShot(0, [&] {
    ASSERT_NE(forms::FindLoadedWindow(ids::password::kWindow.window), nullptr);
    QTimer::singleShot(0, [&] {
      // The prize settings, opened by the empty password of a fresh folder.
      settingsOpened = forms::FindLoadedWindow(ids::settings::kWindow.window) != nullptr;
      const char* prizes[] = {"1", "0", "0", "0", "0", "0", "0", "2"};
      for (int level = 1; level <= 8; ++level)
        SetTextProperty(settings_window::kNumbers[level - 1], edit::kContent, prizes[level - 1]);
      forms::CommonDialogAnswer answer;
      answer.kind = forms::CommonDialogAnswer::Kind::kFile;
      answer.path = Path("U盘/头奖.jpg");
      forms::QueueCommonDialogAnswer(answer);
      forms::Fire(ids::settings::kWindow.window, ids::settings::kPicture1.id, -3, {5, 5, 0});
      forms::Fire(ids::settings::kWindow.window, ids::settings::kQuantityMode.id, 0);
      SetIntegerProperty(ids::settings::kEffectsDisabled, forms::choice_property::kChecked, 1);
      ui::QueueMessageBoxAnswer(ui::kAnswerOk);
      forms::Fire(ids::settings::kWindow.window, ids::settings::kConfirmButton.id, 0);
    });
    forms::Fire(ids::password::kWindow.window, ids::password::kEnterButton.id, 0);
    passwordClosed = true;
  });
  forms::Fire(main::kPrizeSettingsItem.window, main::kPrizeSettingsItem.id, 0);
  QCoreApplication::processEvents();
  EXPECT_TRUE(settingsOpened);
  EXPECT_TRUE(passwordClosed);
  EXPECT_EQ(forms::FindLoadedWindow(ids::password::kWindow.window), nullptr);
  EXPECT_EQ(forms::FindLoadedWindow(ids::settings::kWindow.window), nullptr);
  EXPECT_EQ(ReadFile("奖品图片/1.jpg"), card);
  EXPECT_EQ(Get("config.a", "zbt", "禁用特效"), "真");

  // Three draws: the one first prize and the two eighth prizes; the fourth finds nothing.
  SetWidth(main::kPrizeCanvas, 10);
  SetHeight(main::kPrizeCanvas, 10);
  for (int i = 0; i < 3; ++i) forms::Fire(main::kWindow.window, main_window::kEggs[i].id, 0);
  EXPECT_EQ(WinCount(1), "1");
  EXPECT_EQ(WinCount(8), "2");
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);
  forms::Fire(main::kWindow.window, main_window::kEggs[3].id, 0);
  EXPECT_EQ(ui::LastMessageBoxRequest().caption, "Zorvel信息提示");

  // The results window shows them with the new picture, and clears them.
  std::string shownCount, shownPicture;
  QTimer::singleShot(0, [&] {
    shownCount = TextProperty(results_window::kCounts[7], edit::kContent);
    shownPicture = TextProperty(results_window::kPictures[0], forms::pic_box_property::kPicture);
    forms::Fire(ids::results::kWindow.window, ids::results::kClearButton.id, 0);
    forms::RequestClose(ids::results::kWindow.window);
  });
  forms::Fire(main::kResultsItem.window, main::kResultsItem.id, 0);
  EXPECT_EQ(shownCount, "2");
  EXPECT_EQ(shownPicture, card);
  EXPECT_EQ(WinCount(1), "0");
  forms::Fire(main::kWindow.window, main_window::kEggs[4].id, 0);
  EXPECT_EQ(store::Number(gbk::FromUtf8(WinCount(1))) + store::Number(gbk::FromUtf8(WinCount(8))), 1);
}

}  // namespace
}  // namespace zorvel::app::testing
