// Registers every unit type this build carries (once; later calls do nothing).
#pragma once

namespace zorvel::forms {
void RegisterUnitTypes();
}  // namespace zorvel::forms
