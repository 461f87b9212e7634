// The running program's window templates: the form data read at start-up, one template
// per window, which loading a window reads and the units' property changes write back.
#pragma once

#include "forms/form_data.h"

namespace zorvel::forms {

// Puts the templates in place (the runtime application's start-up; tests set their own).
void SetTemplates(FormData data);
// The templates; an empty set when none were put in place.
FormData& Templates();
bool HasTemplates();
// Back to no templates (tests run several programs in one process).
void ClearTemplates();

}  // namespace zorvel::forms
