// The radio box (RadioBox): the check box's unit with a radio circle. The radio boxes
// with the same parent unit form a group: selecting one by a click, by the arrow keys or
// by Alt with its letter clears the others and fires its event 0 (clicked); writing
// property 18 sets only the one box.
#pragma once

#include <memory>

#include "windows/units/check_box/check_box.h"

namespace zorvel::forms {

inline constexpr std::uint32_t kRadioBoxType = 0x0001000D;

class RadioBoxUnit : public ChoiceBoxUnit {
 public:
  explicit RadioBoxUnit(const CreateArgs& args);
  // Selects this box, clears the others of its group, then fires event 0.
  bool Click() override;

 private:
  void ClearGroup();
};

void RegisterRadioBoxType();

}  // namespace zorvel::forms
