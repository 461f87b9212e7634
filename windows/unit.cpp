#include "windows/unit.h"

#include <map>

namespace zorvel::forms {

Unit::Unit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId)
    : layout_(layout), windowId_(windowId), unitId_(unitId), properties_(DefaultProperties(layout)) {}

Unit::~Unit() = default;

std::optional<PropertyValue> Unit::Read(int index) const {
  if (index < 8 || static_cast<std::size_t>(index - 8) >= properties_.size()) return std::nullopt;
  return Property(index);
}

std::vector<std::uint8_t> Unit::Save() const { return WriteStored(layout_, properties_); }

bool Unit::WantsKey(int) const { return false; }

bool Unit::ReadStoredBlock(std::span<const std::uint8_t> block) {
  return ReadStored(layout_, block, properties_).has_value();
}

namespace {
std::map<std::uint32_t, UnitTypeInfo>& Registry() {
  static std::map<std::uint32_t, UnitTypeInfo> registry;
  return registry;
}
}  // namespace

void RegisterUnitType(const UnitTypeInfo& info) {
  if (info.layout != nullptr) Registry()[info.layout->type] = info;
}

const UnitTypeInfo* FindUnitType(std::uint32_t type) {
  const auto it = Registry().find(type);
  return it == Registry().end() ? nullptr : &it->second;
}

std::optional<PropertyType> PropertyTypeOf(const UnitLayout& layout, int index) {
  switch (index) {
    case 0: case 1: case 2: case 3: return PropertyType::kInteger;
    case 4: return PropertyType::kText;
    case 5: case 6: return PropertyType::kLogical;
    case 7: return PropertyType::kMousePointer;
    default: break;
  }
  const PropertyInfo* p = FindProperty(layout, index);
  if (p == nullptr) return std::nullopt;
  return p->type;
}

}  // namespace zorvel::forms
