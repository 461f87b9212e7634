// The form data: the read-only block that describes every window, its units, their
// starting properties and the binding of their events to application handlers.
//
// The block is little-endian: a window table (length word 8 × W, W window ids, W slots),
// then W templates (design word, module id, two counted texts, unit count n, unit area
// length L, L bytes of unit area). A unit area holds n unit ids, n record offsets counted
// from the end of those two tables, then the records, each a length word and a body.
//
// ParseFormData checks every length of the block and every record of every template
// and answers failure instead of reading past an end; ReadFormData is the start-up form
// that turns a failure into the runtime error of broken form data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zorvel::forms {

// Identifiers: bits 31-28 kind, 27-24 category, 23-0 serial.
inline bool IsValidId(std::uint32_t id) { return (id & 0x0F000000u) != 0 && (id & 0x00FFFFFFu) != 0; }
// A unit is a menu item when its id's high byte is 0x26 (category 6, kind 2); the type
// code plays no part in this.
inline bool IsMenuItemId(std::uint32_t id) { return (id >> 24) == 0x26; }

inline constexpr std::uint32_t kMenuItemType = 0x00010003;
inline constexpr std::int32_t kNoHandler = -1;

// The head every record body starts with. Texts are GBK bytes.
struct RecordHead {
  std::uint32_t type = 0;
  std::uint32_t eventSource = 0;  // 0: own bindings; else the unit whose bindings it uses
  std::string name;
  std::string comment;
  std::size_t end = 0;  // offset in the body of the first byte after the head
};

struct EventBinding {
  std::int32_t event = 0;    // own events from 0, common events negative
  std::int32_t handler = kNoHandler;  // index into the application's handler table
  friend bool operator==(const EventBinding&, const EventBinding&) = default;
};

// A byte range inside a record body.
struct BodyRange {
  std::size_t offset = 0;
  std::size_t length = 0;
  friend bool operator==(const BodyRange&, const BodyRange&) = default;
};

// The body of every unit that is not a menu item (the window unit included). The slots
// the runtime writes while a window is loaded are given as offsets in the body.
struct ControlBody {
  RecordHead head;
  std::size_t objectSlot = 0;
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  std::size_t pointerSlot = 0;
  std::uint32_t parent = 0;  // 0: directly in the window
  std::vector<std::uint32_t> children;  // 0 separates the pages of a paged container
  std::string mousePointer;             // the byte set's bytes
  std::string tag;
  std::uint32_t flags = 0;  // bit 0 visible, 1 disabled, 2 stops on Tab
  std::int32_t tabOrder = 0;
  std::size_t bindingsOffset = 0;  // where the first binding's event index lies
  std::vector<EventBinding> bindings;
  BodyRange stored;
};

inline constexpr std::uint32_t kFlagVisible = 1, kFlagDisabled = 2, kFlagTabStop = 4;
inline constexpr std::uint32_t kMenuHidden = 1, kMenuDisabled = 2, kMenuChecked = 4;

struct MenuBody {
  RecordHead head;
  std::uint32_t hotkey = 0;  // 0 none, else an index into the key table
  std::uint32_t level = 0;   // 0 top level; sub-items follow with level + 1
  std::uint32_t flags = 0;   // bit 0 hidden, 1 disabled, 2 checked
  std::string caption;       // "-" is a separator
  std::int32_t handler = kNoHandler;
  std::size_t handlerOffset = 0;
  std::size_t slotsOffset = 0;  // offset of the four slot words
  BodyRange stored;       // whatever follows the slots (nothing in well-formed data)
};

// Views of a record body; each fails when a field or a length runs past the body.
std::optional<RecordHead> ParseHead(std::span<const std::uint8_t> body);
std::optional<ControlBody> ParseControl(std::span<const std::uint8_t> body);
std::optional<MenuBody> ParseMenu(std::span<const std::uint8_t> body);

// The mouse pointer byte set: empty, 1-4 bytes or a 4-byte 0 is the default pointer; a
// 4-byte value is a stock pointer by its cursor number; longer, behind the marker word
// 0xFFFFFFFF, a whole cursor file.
struct MousePointer {
  enum class Kind { kDefault, kStock, kFile } kind = Kind::kDefault;
  std::uint32_t cursorNumber = 0;
  std::string_view file;  // the cursor file's bytes (kFile only)
};
MousePointer DecodeMousePointer(std::string_view bytes);
// The property-interface index of a stock cursor number (0 default … 14 hand); a number
// not in the table passes unchanged.
std::uint32_t StockPointerIndex(std::uint32_t cursorNumber);

struct MenuRun {
  std::uint32_t first = 0;
  std::uint32_t count = 0;  // 0: the window has no menu items
  friend bool operator==(const MenuRun&, const MenuRun&) = default;
};

// One window's template. The unit area is held as bytes: the working table, whose
// records the runtime edits in place while the window lives, and the saved table, a
// copy taken at load time that brings the template back to its earlier state.
class WindowTemplate {
 public:
  WindowTemplate() = default;
  // Every access checks the area again, so any bytes are safe here; the reader gives
  // only areas whose records all parse.
  WindowTemplate(std::uint32_t unitCount, std::vector<std::uint8_t> area)
      : unitCount_(unitCount), working_(std::move(area)) {}

  std::uint32_t designWord = 0;
  std::uint32_t moduleId = 0;
  std::string text1, text2;

  std::uint32_t UnitCount() const { return unitCount_; }
  std::span<const std::uint8_t> Area() const { return working_; }

  // Record access; an index at or above the unit count, an id not in the table, or a
  // record that no longer fits its area gives nothing.
  std::optional<std::span<const std::uint8_t>> Record(std::uint32_t index) const;
  std::optional<std::span<std::uint8_t>> MutableRecord(std::uint32_t index);
  std::optional<std::uint32_t> IndexOf(std::uint32_t id) const;
  std::optional<std::span<const std::uint8_t>> RecordById(std::uint32_t id) const;
  std::uint32_t IdAt(std::uint32_t index) const;  // 0 past the end
  bool IsMenuItem(std::uint32_t index) const { return IsMenuItemId(IdAt(index)); }
  MenuRun MenuItems() const;

  std::optional<RecordHead> Head(std::uint32_t index) const;
  std::optional<ControlBody> Control(std::uint32_t index) const;  // fails for menu items
  std::optional<MenuBody> Menu(std::uint32_t index) const;        // only menu items
  std::optional<BodyRange> Stored(std::uint32_t index) const;

  // Puts a new body in place of record index of the working table (a caption or a tag
  // of another length); the records after it move and their offsets follow. False
  // when the record does not exist.
  bool ReplaceRecord(std::uint32_t index, std::span<const std::uint8_t> body);

  // Takes the saved copy of the working table (at load time).
  void SaveTable() { saved_ = working_; }
  // Brings back the saved table and empties it (when the window is destroyed); without
  // a saved copy the working table stays.
  void RestoreTable();
  bool HasSavedTable() const { return !saved_.empty(); }

 private:
  std::optional<std::span<const std::uint8_t>> RecordIn(std::span<const std::uint8_t> area,
                                                        std::uint32_t index) const;

  std::uint32_t unitCount_ = 0;
  std::vector<std::uint8_t> working_;
  std::vector<std::uint8_t> saved_;
};

struct FormData {
  std::vector<std::uint32_t> windowIds;  // in template order
  std::vector<WindowTemplate> templates;

  // The template of a window id: the first id compared directly, then the table searched
  // in order. An invalid id is never found.
  WindowTemplate* Find(std::uint32_t windowId);
  const WindowTemplate* Find(std::uint32_t windowId) const;
};

// Reads the block; on failure gives nothing and, when failure is given, a short reason.
std::optional<FormData> ParseFormData(std::span<const std::uint8_t> block, std::string* failure = nullptr);
// Reads the block at start-up: broken data is the runtime error "载入窗口模板数据段出错!",
// which ends the program.
FormData ReadFormData(std::span<const std::uint8_t> block);

// Every handler reference of the form data: (template, unit index, event index, reference).
// A menu item's reference counts as its event 0 (selected).
struct HandlerReference {
  std::uint32_t window = 0;  // template index
  std::uint32_t unit = 0;
  std::int32_t event = 0;
  std::int32_t reference = kNoHandler;
};
std::vector<HandlerReference> HandlerReferences(const FormData& data);

// A binding resolved to a routine of the application's handler table.
template <typename Routine>
struct ResolvedBinding {
  std::uint32_t window = 0;
  std::uint32_t unit = 0;
  std::int32_t event = 0;
  Routine routine{};  // the empty routine for reference −1
};

// Maps every reference through table (reference k → table[k], −1 → none). A reference
// outside the table fails: the form data and the application disagree.
template <typename Routine>
std::optional<std::vector<ResolvedBinding<Routine>>> ResolveHandlers(const FormData& data,
                                                                     std::span<const Routine> table) {
  std::vector<ResolvedBinding<Routine>> resolved;
  for (const HandlerReference& r : HandlerReferences(data)) {
    ResolvedBinding<Routine> b{r.window, r.unit, r.event, Routine{}};
    if (r.reference != kNoHandler) {
      if (r.reference < 0 || static_cast<std::size_t>(r.reference) >= table.size()) return std::nullopt;
      b.routine = table[static_cast<std::size_t>(r.reference)];
    }
    resolved.push_back(std::move(b));
  }
  return resolved;
}

}  // namespace zorvel::forms
