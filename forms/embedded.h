// The form data carried inside the program: the block the form compiler makes from
// resources/forms/*.form at build time (library zorvel_form_block), and the handler
// names of app/handlers.def in the order the block's handler references count them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zorvel::forms {

// The whole form-data block, read-only, for the life of the program.
std::span<const std::uint8_t> EmbeddedFormData();

// Handler reference k of the block names EmbeddedHandlerNames()[k].
std::span<const std::string_view> EmbeddedHandlerNames();

}  // namespace zorvel::forms
