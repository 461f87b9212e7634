// Registers every unit type this build carries. The runtime application's start-up calls
// it once, before the form data is read; test fixtures call it before they load windows.
// Registering again puts the same entries in place.
#pragma once

namespace zorvel::forms {
void RegisterUnitTypes();
}  // namespace zorvel::forms
