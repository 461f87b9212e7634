// The prize settings window: the eight prize pictures and numbers, the draw mode, the
// number of eggs shown and the fireworks switch; beside each number the chance its level
// will have once the settings are confirmed.
#pragma once

#include <array>

#include "app/facade.h"

namespace zorvel::app::settings_window {

namespace settings = ids::settings;
// Element N − 1 belongs to prize level N.
inline constexpr std::array<UnitName, 8> kPictures = {settings::kPicture1, settings::kPicture2, settings::kPicture3,
                                                      settings::kPicture4, settings::kPicture5, settings::kPicture6,
                                                      settings::kPicture7, settings::kPicture8};
inline constexpr std::array<UnitName, 8> kNumbers = {settings::kNumber1, settings::kNumber2, settings::kNumber3,
                                                     settings::kNumber4, settings::kNumber5, settings::kNumber6,
                                                     settings::kNumber7, settings::kNumber8};
inline constexpr std::array<UnitName, 8> kChances = {settings::kChance1, settings::kChance2, settings::kChance3,
                                                     settings::kChance4, settings::kChance5, settings::kChance6,
                                                     settings::kChance7, settings::kChance8};

// Handlers.
void Created();          // fill the window from config.a and the prize pictures
void QuantityMode();     // 按奖品数量抽奖: stored at once
void ProbabilityMode();  // 按概率抽奖: stored at once
void ChoosePrizePicture(int level);
template <int Level>
void PictureDoubleClicked() {
  static_assert(Level >= 1 && Level <= 8);
  ChoosePrizePicture(Level);
}
void Confirm();          // 确定: check, store, apply, close
void NumberChanged();    // a number typed: the chances shown again

}  // namespace zorvel::app::settings_window
