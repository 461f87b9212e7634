// The results window: each level's prize picture beside its win count, and 清空中奖,
// which sets every count back to zero.
#pragma once

#include <array>

#include "app/facade.h"

namespace zorvel::app::results_window {

// Element N − 1 belongs to prize level N.
inline constexpr std::array<UnitName, 8> kPictures = {
    ids::results::kPicture1, ids::results::kPicture2, ids::results::kPicture3, ids::results::kPicture4,
    ids::results::kPicture5, ids::results::kPicture6, ids::results::kPicture7, ids::results::kPicture8};
inline constexpr std::array<UnitName, 8> kCounts = {
    ids::results::kCount1, ids::results::kCount2, ids::results::kCount3, ids::results::kCount4,
    ids::results::kCount5, ids::results::kCount6, ids::results::kCount7, ids::results::kCount8};

// Handlers.
void Created();  // the pictures and the counts exactly as the ledger holds them
void Clear();    // 清空中奖: every count 0, in the ledger and on screen, without asking

}  // namespace zorvel::app::results_window
