// Builds a form-data block from descriptions of windows and units: the layout the reader
// takes. The form compiler and the tests make their blocks with it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "forms/form_data.h"

namespace zorvel::forms {

// One unit. The id decides the body: a menu item id (high byte 0x26) writes the menu
// fields, any other the control fields. Texts are GBK bytes; the zero-terminated ones
// (name, comment, tag, caption) end at their first 0 byte when read back.
struct UnitDescription {
  std::uint32_t id = 0;
  std::uint32_t type = 0;
  std::uint32_t eventSource = 0;
  std::string name, comment;

  // Control units (the window unit included).
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  std::uint32_t parent = 0;
  std::vector<std::uint32_t> children;
  std::string mousePointer;  // byte set bytes
  std::string tag;
  std::uint32_t flags = kFlagVisible;
  std::int32_t tabOrder = 0;
  std::vector<EventBinding> bindings;
  std::string stored;  // the unit type's stored block

  // Menu items.
  std::uint32_t hotkey = 0, level = 0, menuFlags = 0;
  std::string caption;
  std::int32_t handler = kNoHandler;

  friend bool operator==(const UnitDescription&, const UnitDescription&) = default;
};

struct WindowDescription {
  std::uint32_t id = 0;
  std::uint32_t designWord = 0;
  std::uint32_t moduleId = 0;
  std::string text1, text2;
  std::vector<UnitDescription> units;  // unit 0 is the window's own unit

  friend bool operator==(const WindowDescription&, const WindowDescription&) = default;
};

// The body of one unit record (without its length word).
std::vector<std::uint8_t> WriteRecordBody(const UnitDescription& unit);
// The unit area of one window: ids, offsets, then the records in unit order.
std::vector<std::uint8_t> WriteUnitArea(std::span<const UnitDescription> units);
// The whole block; the window table's slots are written as 0.
std::vector<std::uint8_t> WriteFormData(std::span<const WindowDescription> windows);

// Describes unit index of a template again, from its record (the fields the writer
// takes; the menu or control fields the id does not call for stay at their defaults).
std::optional<UnitDescription> DescribeUnit(const WindowTemplate& t, std::uint32_t index);
// Describes a whole form-data block again; fails where a record does not parse.
std::optional<std::vector<WindowDescription>> Describe(const FormData& data);

}  // namespace zorvel::forms
