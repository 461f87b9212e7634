// The egg position editor: a borderless red window laid exactly over the main window,
// with a picture for every egg shown there; dropping a picture moves its egg and stores
// where it now stands.
#pragma once

#include <array>

#include "app/facade.h"

namespace zorvel::app::egg_editor {

// Element N − 1 stands for egg N.
inline constexpr std::array<UnitName, 9> kPictures = {
    ids::egg_editor::kPicture1, ids::egg_editor::kPicture2, ids::egg_editor::kPicture3,
    ids::egg_editor::kPicture4, ids::egg_editor::kPicture5, ids::egg_editor::kPicture6,
    ids::egg_editor::kPicture7, ids::egg_editor::kPicture8, ids::egg_editor::kPicture9};

// Handlers.
void Created();
void DragEgg(int egg);
template <int Egg>
void PictureLeftDown() {
  static_assert(Egg >= 1 && Egg <= 9);
  DragEgg(Egg);
}
void Done();  // 设置完毕

}  // namespace zorvel::app::egg_editor
