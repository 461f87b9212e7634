// One description per unit type: its English name, its type-specific properties (with
// value types and defaults) and the layout of the stored block that carries its
// design-time properties in the form data. The form compiler, the form-data printer and
// the runtime's unit types all read the same description, so the block they write and
// the block they read cannot drift apart.
//
// A stored block is: a version word, then the type's fields in stream order. A field is
// a word, a byte set (word N, N bytes) or a counted text (word N, N GBK bytes); a field
// may be present only from a given version on. Reading first gives every property its
// default, then reads the fields the stored version holds. An empty block leaves the
// defaults; a version above the type's current one, or a block that ends inside a
// field, is a failure (the unit is not created).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zorvel::forms {

// Value types of unit properties.
enum class PropertyType : std::uint32_t {
  kInteger = 1001,
  kDouble = 1002,
  kLogical = 1003,
  kDateTime = 1004,
  kText = 1005,
  kChoice = 1006,
  kPicture = 1009,
  kIcon = 1010,
  kMousePointer = 1011,
  kSound = 1012,
  kFont = 1013,
  kColour = 1014,
  kTransparentColour = 1015,
  kFileName = 1016,
  kBackColour = 1017,
  kDataSource = 1018,
  kDataColumn = 1020,
  kImageList = 1023,
  kCustomData = 1024,
};

// True for the types whose value is a text or a byte set (held in PropertyValue::bytes).
bool HoldsBytes(PropertyType type);

// A property value as the units keep it and as it crosses their apply and read entries.
struct PropertyValue {
  std::int32_t word = 0;  // integer, choice, logical (0/1), colours
  double real = 0;        // double, date-time
  std::string bytes;      // texts (GBK), byte sets, fonts (60 bytes; empty = none)
  friend bool operator==(const PropertyValue&, const PropertyValue&) = default;
};

// One type-specific property, index 8 upwards.
struct PropertyInfo {
  std::string_view name;  // lowerCamel, the name the form sources use ("backColour")
  PropertyType type;
  std::int32_t defaultWord = 0;
  std::string_view defaultBytes = {};  // GBK
  double defaultReal = 0;
  std::int32_t minimum = INT32_MIN;  // choices and ranges: applied values are clamped
  std::int32_t maximum = INT32_MAX;
};

// kCharacter is a word holding one character of a text property as a 16-bit value: a
// single-byte character as itself, a double-byte GBK character as lead byte × 256 + trail
// byte, 0 for the empty text.
enum class FieldKind { kWord, kBytes, kText, kCharacter };

struct StoredField {
  int property;  // the property index (8 upwards) the field holds
  FieldKind kind;
  std::uint32_t minVersion = 0;  // present when the stored version is at least this
};

struct UnitLayout {
  std::uint32_t type = 0;        // type code
  std::string_view englishName;  // "window", "EditBox", ...
  std::string_view chineseName;  // GBK
  std::uint32_t version = 0;     // the current stored version, also the one written
  std::span<const PropertyInfo> properties;  // properties[k] is property 8 + k
  std::span<const StoredField> fields;       // stream order, after the version word
};

// The description of a type code or an English type name; null when unknown. The menu
// item has a description without properties or stored fields.
const UnitLayout* FindUnitLayout(std::uint32_t type);
const UnitLayout* FindUnitLayout(std::string_view englishName);
std::span<const UnitLayout* const> AllUnitLayouts();

// The property of a layout by index (8 upwards) or name; null when it has none.
const PropertyInfo* FindProperty(const UnitLayout& layout, int index);
std::optional<int> PropertyIndex(const UnitLayout& layout, std::string_view name);

// A value applied to a choice or ranged integer, clamped to the property's range.
std::int32_t ClampToRange(const PropertyInfo& property, std::int32_t value);

// The type-specific properties at their defaults: element k is property 8 + k.
std::vector<PropertyValue> DefaultProperties(const UnitLayout& layout);

// Reads a stored block into properties (element k = property 8 + k), which the caller
// has set to the defaults. Fails (nothing, a short reason) on a version above the
// current one or a block that ends inside a field; bytes left over after the last field
// are ignored.
struct StoredRead {
  std::uint32_t version = 0;  // 0 for an empty block
};
std::optional<StoredRead> ReadStored(const UnitLayout& layout, std::span<const std::uint8_t> block,
                                     std::vector<PropertyValue>& properties, std::string* failure = nullptr);

// Writes properties (element k = property 8 + k) as a stored block of the current version.
std::vector<std::uint8_t> WriteStored(const UnitLayout& layout, std::span<const PropertyValue> properties);
// The same for a given version: the version word, then only the fields that version
// holds (for blocks of an earlier version, and for tests of versions above the current).
std::vector<std::uint8_t> WriteStored(const UnitLayout& layout, std::span<const PropertyValue> properties,
                                      std::uint32_t version);

}  // namespace zorvel::forms
