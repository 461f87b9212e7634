#include "app/egg_editor.h"

#include "app/main_window.h"
#include "resources/egg_pictures.h"
#include "store/store.h"
#include "windows/units/pic_box/pic_box.h"

namespace zorvel::app::egg_editor {

namespace editor = ids::egg_editor;
using main_window::kEggs;

void Created() {
  for (int egg = 1; egg <= 9; ++egg) {
    const std::span<const std::uint8_t> picture = resources::EggRestPicture(egg);
    SetPictureProperty(kPictures[egg - 1], forms::pic_box_property::kPicture,
                       std::string_view(reinterpret_cast<const char*>(picture.data()), picture.size()));
  }
  // Exactly over the main window.
  SetLeft(editor::kWindow, Left(ids::main::kWindow));
  SetTop(editor::kWindow, Top(ids::main::kWindow));
  SetWidth(editor::kWindow, Width(ids::main::kWindow));
  SetHeight(editor::kWindow, Height(ids::main::kWindow));
  for (int egg = 1; egg <= 9; ++egg) SetLeft(kPictures[egg - 1], Left(kEggs[egg - 1]));
  for (int egg = 1; egg <= 9; ++egg) SetTop(kPictures[egg - 1], Top(kEggs[egg - 1]));
  // An egg hidden by the egg count has no handle here.
  for (int egg = 1; egg <= 9; ++egg)
    if (IsVisible(kEggs[egg - 1])) Show(kPictures[egg - 1]);
}

void DragEgg(int egg) {
  const UnitName picture = kPictures[egg - 1];
  DragUnit(picture);
  // Every drop is final, also one without a move: the egg stands there now and the
  // settings hold its place.
  SetLeft(kEggs[egg - 1], Left(picture));
  SetTop(kEggs[egg - 1], Top(picture));
  store::WriteConfig(store::kMainSection, store::EggLeftKey(egg), store::NumberText(Left(kEggs[egg - 1])));
  store::WriteConfig(store::kMainSection, store::EggTopKey(egg), store::NumberText(Top(kEggs[egg - 1])));
}

void Done() { CloseWindow(editor::kWindow); }

}  // namespace zorvel::app::egg_editor
