// Registration of the standard controls: Label, Button, CheckBox, RadioBox, GroupBox.
#pragma once

namespace zorvel::forms {

void RegisterStandardControlTypes();

}  // namespace zorvel::forms
