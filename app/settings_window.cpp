#include "app/settings_window.h"

#include <cstdio>

#include "app/draw/prize_pool.h"
#include "app/draw_record.h"
#include "app/main_window.h"
#include "app/picture_choice.h"
#include "store/store.h"
#include "text/gbk_literal.h"
#include "windows/units/check_box/check_box.h"
#include "windows/units/edit_box/edit_box.h"
#include "windows/units/label/label.h"
#include "windows/units/pic_box/pic_box.h"

namespace zorvel::app::settings_window {

using namespace zorvel::literals;
namespace edit = forms::edit_box_property;
namespace choice = forms::choice_property;

namespace {

std::string Setting(const char* key) { return store::ReadConfig(store::kMainSection, key); }
void Store(const char* key, std::string_view value) { store::WriteConfig(store::kMainSection, key, value); }

void ShowPrizePicture(int level) {
  SetPictureProperty(kPictures[level - 1], forms::pic_box_property::kPicture,
                     ReadWholeFile(store::PrizePicturePath(level)));
}

void ShowMode(bool byProbability) {
  SetIntegerProperty(settings::kQuantityMode, choice::kChecked, byProbability ? 0 : 1);
  SetIntegerProperty(settings::kProbabilityMode, choice::kChecked, byProbability ? 1 : 0);
}

// The chance of each level as the draw would see it if the typed numbers were confirmed
// now: by quantity what is left of each after the wins in the ledger, by probability the
// weights; the same pool as the draw's.
void ShowChances() {
  const bool byProbability = IntegerProperty(settings::kProbabilityMode, choice::kChecked) != 0;
  draw::LevelCounts counts;
  for (int level = 1; level <= draw::kLevels; ++level) {
    const double typed = store::Number(TextProperty(kNumbers[level - 1], edit::kContent));
    counts[level - 1] = byProbability ? draw::CountFromNumber(typed)
                                      : draw::RemainingCount(typed, store::Number(store::ReadWinCount(level)));
  }
  const draw::PrizePool pool(counts);
  for (int level = 1; level <= draw::kLevels; ++level) {
    char percent[32] = "";
    if (pool.Tickets() > 0)
      std::snprintf(percent, sizeof percent, "%.2f%%",
                    100.0 * static_cast<double>(pool.TicketsOfLevel(level)) / static_cast<double>(pool.Tickets()));
    SetTextProperty(kChances[level - 1], forms::label_property::kTitle, percent);
  }
  const std::string total = std::to_string(pool.Tickets());
  SetTextProperty(settings::kTickets, forms::label_property::kTitle,
                  (byProbability ? "奖券总数："_gbk : "剩余奖品总数："_gbk) + total);
}

}  // namespace

void Created() {
  if (const std::string eggs = Setting(store::kEggCount); !eggs.empty())
    SetTextProperty(settings::kEggCount, edit::kContent, eggs);
  for (int level = 1; level <= 8; ++level) ShowPrizePicture(level);
  if (!Setting(store::PrizeQuantityKey(1)).empty()) {
    for (int level = 1; level <= 8; ++level)
      SetTextProperty(kNumbers[level - 1], edit::kContent, Setting(store::PrizeQuantityKey(level)));
  }
  ShowMode(Setting(store::kDrawByProbability) == store::kTrue);
  SetIntegerProperty(settings::kEffectsDisabled, choice::kChecked,
                     Setting(store::kEffectsDisabled) == store::kTrue ? 1 : 0);
  ShowChances();
}

void QuantityMode() {
  Store(store::kDrawByProbability, store::kFalse);
  record::ModeChosen(draw::DrawMode::kByQuantity);
  ShowMode(false);
  ShowChances();
}

void ProbabilityMode() {
  Store(store::kDrawByProbability, store::kTrue);
  record::ModeChosen(draw::DrawMode::kByProbability);
  ShowMode(true);
  ShowChances();
}

void ChoosePrizePicture(int level) {
  // In place at once, whether or not the settings are confirmed.
  if (ChoosePicture(settings::kFileDialog, store::PrizePicturePath(level)) == PictureChoice::kPlaced) {
    record::PrizePictureChanged(level);
    ShowPrizePicture(level);
  }
}

void Confirm() {
  const std::string eggs = TextProperty(settings::kEggCount, edit::kContent);
  const double v = store::Number(eggs);
  if (v - 9 > 0.0000001 || v - 1 < -0.0000001) {
    MessageBox("界面显示金蛋个数必须是1到9之间的整数！请重新设置"_gbk, kOkOnly);
    return;
  }
  Store(store::kEffectsDisabled,
        IntegerProperty(settings::kEffectsDisabled, choice::kChecked) != 0 ? store::kTrue : store::kFalse);
  Store(store::kEggCount, eggs);
  for (int level = 1; level <= 8; ++level)
    Store(store::PrizeQuantityKey(level), TextProperty(kNumbers[level - 1], edit::kContent));
  draw::LevelCounts& counts = draw::ProgramLevelCounts();
  for (int level = 1; level <= 8; ++level)
    counts[level - 1] = draw::CountFromNumber(store::Number(TextProperty(kNumbers[level - 1], edit::kContent)));
  record::SettingsConfirmed();
  main_window::ApplyEggCount();
  MessageBox("设置成功！"_gbk, kOkOnly);
  CloseWindow(settings::kWindow);
}

void NumberChanged() { ShowChances(); }

}  // namespace zorvel::app::settings_window
