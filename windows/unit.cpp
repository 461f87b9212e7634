#include "windows/unit.h"

#include <map>

namespace zorvel::forms {

Unit::Unit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId)
    : layout_(layout), windowId_(windowId), unitId_(unitId), properties_(DefaultProperties(layout)) {}

Unit::~Unit() = default;

std::optional<PropertyValue> Unit::Read(int index) const {
  if (index < prop::kFirstOwn || static_cast<std::size_t>(index - prop::kFirstOwn) >= properties_.size()) {
    return std::nullopt;
  }
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
    case prop::kLeft: case prop::kTop: case prop::kWidth: case prop::kHeight: return PropertyType::kInteger;
    case prop::kTag: return PropertyType::kText;
    case prop::kVisible: case prop::kDisabled: return PropertyType::kLogical;
    case prop::kMousePointer: return PropertyType::kMousePointer;
    default: break;
  }
  const PropertyInfo* p = FindProperty(layout, index);
  if (p == nullptr) return std::nullopt;
  return p->type;
}

}  // namespace zorvel::forms
