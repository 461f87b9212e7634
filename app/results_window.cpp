#include "app/results_window.h"

#include "app/draw_record.h"
#include "windows/units/edit_box/edit_box.h"
#include "windows/units/pic_box/pic_box.h"
#include "store/store.h"

namespace zorvel::app::results_window {

void Created() {
  for (int level = 1; level <= 8; ++level)
    SetPictureProperty(kPictures[level - 1], forms::pic_box_property::kPicture,
                       ReadWholeFile(store::PrizePicturePath(level)));
  // The text as the file holds it: a level never won and never cleared shows nothing.
  for (int level = 1; level <= 8; ++level)
    SetTextProperty(kCounts[level - 1], forms::edit_box_property::kContent, store::ReadWinCount(level));
}

void Clear() {
  record::Cleared();
  for (int level = 1; level <= 8; ++level) store::WriteWinCount(level, "0");
  for (int level = 1; level <= 8; ++level)
    SetTextProperty(kCounts[level - 1], forms::edit_box_property::kContent, "0");
}

}  // namespace zorvel::app::results_window
