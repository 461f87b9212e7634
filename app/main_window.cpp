#include "app/main_window.h"

#include "app/draw/prize_pool.h"
#include "app/draw_record.h"
#include "app/egg_draw.h"
#include "app/picture_choice.h"
#include "windows/units/draw_panel/draw_panel.h"
#include "windows/units/pic_button/pic_button.h"
#include "windows/units/trans_label/trans_label.h"
#include "windows/units/window/window_unit.h"
#include "runtime/commands.h"
#include "text/gbk_literal.h"
#include "windows/window_commands.h"
#include "runtime/ui/system.h"
#include "store/store.h"

namespace zorvel::app::main_window {

using namespace zorvel::literals;
namespace main = ids::main;
namespace label = forms::trans_label;
namespace window = forms::window_property;

namespace {

std::string Setting(const char* key) { return store::ReadConfig(store::kMainSection, key); }
std::string ColourSetting(const char* key) { return store::ReadConfig(store::kColourSection, key); }
std::int32_t Whole(const std::string& text) { return draw::CountFromNumber(store::Number(text)); }

std::int32_t ScreenWidth() { return Call(cmd::ScreenWidth).integer(); }
std::int32_t ScreenHeight() { return Call(cmd::ScreenHeight).integer(); }

// The prize display and the animation stage cover the whole window.
void CoverWindow(UnitName unit) {
  SetLeft(unit, 0);
  SetTop(unit, 0);
  SetWidth(unit, Width(main::kWindow));
  SetHeight(unit, Height(main::kWindow));
}

// A title's stored position: each coordinate whose key is set.
void PlaceTitle(UnitName title, const char* leftKey, const char* topKey) {
  if (const std::string left = Setting(leftKey); !left.empty()) SetLeft(title, Whole(left));
  if (const std::string top = Setting(topKey); !top.empty()) SetTop(title, Whole(top));
}

// A title's stored font: face, size and colour together, when its colour key is set.
void ApplyTitleFont(UnitName title, const char* faceKey, const char* sizeKey, const char* colourKey) {
  if (ColourSetting(colourKey).empty()) return;
  SetFontFace(title, label::kFont, ColourSetting(faceKey));
  SetFontField(title, label::kFont, kFontSize, Whole(ColourSetting(sizeKey)));
  SetIntegerProperty(title, label::kTextColour, Whole(ColourSetting(colourKey)));
}

// An exit confirmation; true when the operator answered OK.
bool ConfirmExit() { return MessageBox("确定退出程序吗？"_gbk, kOkCancel, "确定退出吗？"_gbk) == kAnswerOk; }

}  // namespace

void Created() {
  // 1, 2: the window fills the screen; the prize display and the stage fill the window.
  SetLeft(main::kWindow, 0);
  SetTop(main::kWindow, 0);
  SetWidth(main::kWindow, ScreenWidth());
  SetHeight(main::kWindow, ScreenHeight());
  CoverWindow(main::kPrizeCanvas);
  CoverWindow(main::kSpinStage);
  // 3: every egg shows its rest picture.
  for (int egg = 1; egg <= 9; ++egg) egg_draw::ShowRestPicture(egg);
  // 4: the level counts the draws start from; the draw record states them, with the
  // ledger, in its start entry.
  draw::ProgramLevelCounts() = draw::StartUpLevelCounts();
  record::Started();
  // 5: the eggs shown for the egg count.
  ApplyEggCount();
  // 6: both titles span the window, centred.
  for (UnitName title : {main::kMainTitle, main::kSubTitle}) {
    SetLeft(title, 0);
    SetWidth(title, Width(main::kWindow));
    SetIntegerProperty(title, label::kHorizontalAlignment, 1);
  }
  // 7: stored title positions, then stored texts.
  PlaceTitle(main::kMainTitle, store::kMainTitleLeft, store::kMainTitleTop);
  PlaceTitle(main::kSubTitle, store::kSubTitleLeft, store::kSubTitleTop);
  if (const std::string text = Setting(store::kMainTitle); !text.empty())
    SetTextProperty(main::kMainTitle, label::kTitle, text);
  if (const std::string text = Setting(store::kSubTitle); !text.empty())
    SetTextProperty(main::kSubTitle, label::kTitle, text);
  // 8: stored title fonts.
  ApplyTitleFont(main::kMainTitle, store::kMainTitleFont, store::kMainTitleFontSize, store::kMainTitleColour);
  ApplyTitleFont(main::kSubTitle, store::kSubTitleFont, store::kSubTitleFontSize, store::kSubTitleColour);
  // 9: the display size.
  if (Setting(store::kWindowMode) == store::kWindowed) {
    Windowed();
  } else {
    FullScreen();
  }
  // 10: the background picture (none when the file is missing).
  SetPictureProperty(main::kWindow, window::kBackPicture, ReadWholeFile(store::BackgroundPicturePath()));
  // 11: stored egg positions: the left key gates both coordinates.
  for (int egg = 1; egg <= 9; ++egg) {
    const std::string left = Setting(store::EggLeftKey(egg));
    if (left.empty()) continue;
    SetLeft(kEggs[egg - 1], Whole(left));
    SetTop(kEggs[egg - 1], Whole(Setting(store::EggTopKey(egg))));
  }
}

void ApplyEggCount() {
  const std::string text = Setting(store::kEggCount);
  if (text.empty()) return;
  const std::int32_t n = Whole(text);
  if (n < 1 || n > 9) return;
  for (int egg = 1; egg <= 9; ++egg) SetVisible(kEggs[egg - 1], egg <= n);
}

void Resized() {
  CoverWindow(main::kPrizeCanvas);
  CoverWindow(main::kSpinStage);
}

void ShowSettingsMenu() { PopupMenu(main::kWindow, main::kSettingsMenu); }
void ShowPrizeMenu() { PopupMenu(main::kWindow, main::kCloseMenu); }

bool MayClose() {
  if (ConfirmExit()) {
    record::Ended();
    Call(cmd::EndProgram, 0);
  }
  return false;
}

void ExitFromMenu() {
  if (ConfirmExit()) {
    record::Ended();
    Call(cmd::EndProgram, 0);
  }
}

void DismissPrize() {
  Hide(main::kSpinStage);
  Hide(main::kPrizeCanvas);
  Hide(main::kCloseLabel);
  Show(main::kMainTitle);
  Show(main::kSubTitle);
}

void OpenResults() { LoadModal(ids::results::kWindow); }
void OpenEggEditor() { LoadModal(ids::egg_editor::kWindow); }

void ChangeBackground() {
  if (ChoosePicture(main::kFileDialog, store::BackgroundPicturePath()) != PictureChoice::kPlaced) return;
  record::BackgroundChanged();
  // Stretched over the whole window (the window's picture mode).
  SetPictureProperty(main::kWindow, window::kBackPicture, ReadWholeFile(store::BackgroundPicturePath()));
}

void RemoveBackground() {
  DeleteFile(store::BackgroundPicturePath());
  record::BackgroundRemoved();
  // The file is gone, so this is no picture: the window shows its own colour again.
  SetPictureProperty(main::kWindow, window::kBackPicture, ReadWholeFile(store::BackgroundPicturePath()));
}
void OpenPrizeSettings() { LoadModal(ids::password::kWindow); }

void FullScreen() {
  SetIntegerProperty(main::kWindow, window::kBorder, 0);
  SetTop(main::kWindow, 0);
  SetLeft(main::kWindow, 0);
  SetWidth(main::kWindow, ScreenWidth());
  SetHeight(main::kWindow, ScreenHeight());
  SetChecked(main::kWindowedItem, false);
  SetChecked(main::kFullScreenItem, true);
  store::WriteConfig(store::kMainSection, store::kWindowMode, store::kFullScreen);
}

void Windowed() {
  SetIntegerProperty(main::kWindow, window::kBorder, 1);
  SetWidth(main::kWindow, ScreenWidth() - 20);
  SetHeight(main::kWindow, ScreenHeight() - 20);
  SetChecked(main::kWindowedItem, true);
  SetChecked(main::kFullScreenItem, false);
  store::WriteConfig(store::kMainSection, store::kWindowMode, store::kWindowed);
}

}  // namespace zorvel::app::main_window
