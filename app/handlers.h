// The application's handler table: one entry per name of app/handlers.def, in that
// order, so that the form data's handler references (positions in that list) find them.
#pragma once

#include <cstdint>
#include <span>

#include "app/form_ids.h"
#include "windows/events.h"

namespace zorvel::app {

// The start-up window.
inline constexpr std::uint32_t kMainWindow = ids::main::kWindow.window;

std::span<const forms::HandlerEntry> HandlerTable();

}  // namespace zorvel::app
