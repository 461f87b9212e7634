// Stored blocks from outside: the first byte picks a unit type, the rest is the block.
// The reader takes any bytes without crashing or reading out of bounds; a failed read
// leaves the values alone, and a block it accepts, written again in the current version,
// reads back as the same values.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "forms/unit_layout.h"

namespace {

using namespace zorvel::forms;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return 0;
  const auto layouts = AllUnitLayouts();
  const UnitLayout& layout = *layouts[bytes[0] % layouts.size()];
  const std::span<const std::uint8_t> block(bytes + 1, size - 1);

  const std::vector<PropertyValue> defaults = DefaultProperties(layout);
  std::vector<PropertyValue> values = defaults;
  const auto read = ReadStored(layout, block, values);
  if (!read) {
    Check(values == defaults);
    return 0;
  }
  const std::uint32_t stated =
      block.empty() ? 0 : block[0] | block[1] << 8 | block[2] << 16 | static_cast<std::uint32_t>(block[3]) << 24;
  Check(read->version == stated && stated <= layout.version);
  Check(values.size() == layout.properties.size());

  const std::vector<std::uint8_t> again = WriteStored(layout, values);
  std::vector<PropertyValue> back = defaults;
  const auto reread = ReadStored(layout, again, back);
  Check(reread && reread->version == layout.version && back == values);
  return 0;
}
