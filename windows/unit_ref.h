// A unit passed to a library command: the typed value holds the window id in its low
// word and the unit id in its high word; its type code is the unit's type code.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace zorvel::forms {

struct UnitRef {
  std::uint32_t window = 0;
  std::uint32_t unit = 0;  // 0 or the window's own unit id: the window unit
  std::uint32_t type = 0;
};

inline TypedValue MakeUnitArgument(std::uint32_t window, std::uint32_t unit, std::uint32_t type) {
  return TypedValue{(static_cast<std::uint64_t>(unit) << 32) | window, type};
}
inline UnitRef ReadUnitArgument(const TypedValue& value) {
  return UnitRef{static_cast<std::uint32_t>(value.value), static_cast<std::uint32_t>(value.value >> 32), value.type};
}

}  // namespace zorvel::forms
