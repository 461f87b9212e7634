// Idle callbacks: routines the idle processing calls on every pass while their window
// lives; a callback whose window has gone is dropped at the next pass.
#pragma once

#include <cstdint>

class QWidget;

namespace zorvel::forms {
void AddIdleCallback(QWidget* window, void (*callback)(std::int32_t), std::int32_t argument);
}  // namespace zorvel::forms
