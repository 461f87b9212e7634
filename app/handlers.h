// The application's handler table: one entry per name of app/handlers.def, in that
// order, so that the form data's handler references (positions in that list) find them.
#pragma once

#include <cstdint>
#include <span>

#include "windows/events.h"

namespace zorvel::app {

inline constexpr std::uint32_t kMainWindow = 0x52010001;

std::span<const forms::HandlerEntry> HandlerTable();

}  // namespace zorvel::app
