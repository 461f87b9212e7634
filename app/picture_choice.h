// Choosing a picture file for the program folder: the open-file dialog, a check that the
// chosen file is a picture the program can show, and its copy under the program's own
// name for it (a prize picture, the background).
#pragma once

#include <string>

#include "app/facade.h"

namespace zorvel::app {

enum class PictureChoice {
  kCancelled,    // the operator closed the dialog
  kPlaced,       // the picture is in place under its name
  kNotAPicture,  // refused: the operator was told, the old picture stays
  kNotCopied,    // the copy failed: the operator was told, the old picture stays
};

// Opens the dialog unit with the program's picture filter and, unless it is cancelled,
// copies the chosen file to target (a GBK path of the program folder), creating the
// target's folder first. The copy replaces the old file at once, or not at all.
PictureChoice ChoosePicture(UnitName dialog, const std::string& target);

}  // namespace zorvel::app
