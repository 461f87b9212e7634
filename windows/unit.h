// The live side of a unit type: the unit object every type derives from, the entries
// the window core calls on it, and the table that names each type's entries.
//
// A unit owns its properties (prop::kFirstOwn upwards, as its layout describes them). Its native
// widget is created from them and can be created again from them at any time; applying a
// property to a live widget is a second, separate step.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "forms/unit_layout.h"

class QMenuBar;

namespace zorvel::forms {

// Property numbers. Every unit has the common ones, kept in its record and on its live
// widget; a type's own follow from kFirstOwn (its layout's properties[k] is property
// kFirstOwn + k).
namespace prop {
inline constexpr int kLeft = 0;
inline constexpr int kTop = 1;
inline constexpr int kWidth = 2;
inline constexpr int kHeight = 3;
inline constexpr int kTag = 4;
inline constexpr int kVisible = 5;
inline constexpr int kDisabled = 6;
inline constexpr int kMousePointer = 7;
inline constexpr int kFirstOwn = 8;
}  // namespace prop

// A menu item has no unit object: its properties are these, kept in its record.
namespace menu_item_property {
inline constexpr int kCaption = 0;
inline constexpr int kChecked = 1;
inline constexpr int kDisabled = 2;
inline constexpr int kVisible = 3;
}  // namespace menu_item_property

// State bits of a unit type.
inline constexpr std::uint32_t kStateMenuItem = 0x04;
inline constexpr std::uint32_t kStateNoRecreate = 0x10;
inline constexpr std::uint32_t kStateMessageFilter = 0x20;
inline constexpr std::uint32_t kStateWindowed = 0x40;
inline constexpr std::uint32_t kStateKeepChildren = 0x80;
inline constexpr std::uint32_t kStatePaged = 0x100;
inline constexpr std::uint32_t kStateRadio = 0x400;
inline constexpr std::uint32_t kStateDefaultButton = 0x800;
inline constexpr std::uint32_t kStateNeverShown = 0x8000;
inline constexpr std::uint32_t kStateNoFocus = 0x10000;
inline constexpr std::uint32_t kStateTellParent = 0x100000;
inline constexpr std::uint32_t kStateDragsWindow = 0x4000000;

// Style bits the loader passes to the create entry.
inline constexpr std::uint32_t kStyleDisabled = 0x08000000;
inline constexpr std::uint32_t kStyleTabStop = 0x00010000;

// What the create entry gets.
struct CreateArgs {
  std::span<const std::uint8_t> stored;  // the stored block
  std::uint32_t style = 0;               // kStyleDisabled, kStyleTabStop
  QWidget* parent = nullptr;             // the window unit: its owner (may be null)
  int controlId = 0;                     // the window unit: 0
  QMenuBar* menuBar = nullptr;           // the window unit only; it takes ownership
  int left = 0, top = 0, width = 0, height = 0;
  std::uint32_t windowId = 0;
  std::uint32_t unitId = 0;  // the unit's id (the window unit's own 0x06... id)
  bool modal = false;        // the window unit: the load in progress is modal
};

class Unit {
 public:
  Unit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId);
  virtual ~Unit();
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;

  const UnitLayout& Layout() const { return layout_; }
  std::uint32_t WindowId() const { return windowId_; }
  std::uint32_t UnitId() const { return unitId_; }

  // The native widget (null for units that have none, such as the common dialog). The
  // widget children of a container are placed in Client(), which is the widget itself
  // unless the unit keeps a separate client area (a window with a menu bar).
  virtual QWidget* Widget() const = 0;
  virtual QWidget* Client() const { return Widget(); }

  // Apply entry: the property (kFirstOwn upwards) has been stored in Property(index); make the
  // widget show it. True when the unit must be created again for the change to show.
  virtual bool Apply(int index) = 0;
  // Read entry: the current value of property index (kFirstOwn upwards). The default gives the
  // stored property; units whose widget holds live state (a position, a selection)
  // answer from the widget.
  virtual std::optional<PropertyValue> Read(int index) const;
  // Save entry: the current properties as a stored block.
  virtual std::vector<std::uint8_t> Save() const;
  // Whether the unit keeps a key for itself (Tab, Enter, arrows) instead of the window.
  virtual bool WantsKey(int virtualKey) const;
  // Whether the unit is the default button of its window (Enter clicks it).
  virtual bool IsDefaultButton() const { return false; }
  // The caption that Alt+letter matches ("&x"), GBK; empty when the unit has none.
  virtual std::string Caption() const { return {}; }
  // Acts as a click by the user (Enter on the default button, Alt+letter): a check box
  // toggles, a radio box becomes selected, then event 0 fires. False when the unit has
  // no click.
  virtual bool Click() { return false; }
  // The runtime's notices: the window's units are all created, and the window has been
  // shown for the first time.
  virtual void WindowComplete() {}
  virtual void WindowShown() {}

  // The stored properties, element k = property prop::kFirstOwn + k.
  PropertyValue& Property(int index) { return properties_.at(static_cast<std::size_t>(index - prop::kFirstOwn)); }
  const PropertyValue& Property(int index) const {
    return properties_.at(static_cast<std::size_t>(index - prop::kFirstOwn));
  }
  std::vector<PropertyValue>& Properties() { return properties_; }
  const std::vector<PropertyValue>& Properties() const { return properties_; }

  // Reads the stored block over the defaults; false on a bad block.
  bool ReadStoredBlock(std::span<const std::uint8_t> block);

 private:
  const UnitLayout& layout_;
  std::uint32_t windowId_;
  std::uint32_t unitId_;
  std::vector<PropertyValue> properties_;
};

using CreateEntry = std::unique_ptr<Unit> (*)(const CreateArgs& args);

// One unit type as the window core sees it.
struct UnitTypeInfo {
  const UnitLayout* layout = nullptr;  // name, properties, stored block
  std::uint32_t state = 0;
  CreateEntry create = nullptr;  // null: the type cannot be created here (yet)
};

// The unit types are registered at start-up (RegisterUnitTypes); a second registration
// of a code replaces the first. Lookup by type code gives null for a type nobody
// registered.
void RegisterUnitType(const UnitTypeInfo& info);
const UnitTypeInfo* FindUnitType(std::uint32_t type);

// The value type of property index (the common ones of prop, then the layout's).
std::optional<PropertyType> PropertyTypeOf(const UnitLayout& layout, int index);

}  // namespace zorvel::forms
