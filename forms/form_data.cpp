#include "forms/form_data.h"

#include <algorithm>
#include <string>
#include <utility>

#include "runtime/error.h"
#include "text/gbk_literal.h"

namespace zorvel::forms {
namespace {

// Reads little-endian fields from a byte range. The first read that would pass the end
// marks the cursor failed; from then on every read gives zero or empty.
class Cursor {
 public:
  explicit Cursor(std::span<const std::uint8_t> bytes, std::size_t pos = 0) : bytes_(bytes), pos_(pos) {
    if (pos_ > bytes_.size()) Fail();
  }

  bool ok() const { return ok_; }
  std::size_t pos() const { return pos_; }
  std::size_t left() const { return ok_ ? bytes_.size() - pos_ : 0; }
  void Fail() { ok_ = false; }

  std::uint32_t Word() {
    if (left() < 4) return Fail(), 0;
    const std::uint8_t* p = bytes_.data() + pos_;
    pos_ += 4;
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
  }
  std::int32_t Signed() { return static_cast<std::int32_t>(Word()); }

  std::span<const std::uint8_t> Bytes(std::size_t n) {
    if (left() < n) return Fail(), std::span<const std::uint8_t>();
    auto s = bytes_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  // n words, checked before anything is multiplied.
  void SkipWords(std::size_t n) {
    if (left() / 4 < n) return Fail();
    pos_ += 4 * n;
  }
  std::string Counted() { return AsString(Bytes(Word())); }
  // GBK bytes up to a 0 byte, which must lie inside the range.
  std::string Terminated() {
    if (!ok_) return {};
    const auto rest = bytes_.subspan(pos_);
    const auto zero = std::find(rest.begin(), rest.end(), std::uint8_t{0});
    if (zero == rest.end()) return Fail(), std::string();
    std::string s = AsString(rest.first(static_cast<std::size_t>(zero - rest.begin())));
    pos_ += s.size() + 1;
    return s;
  }

  static std::string AsString(std::span<const std::uint8_t> s) {
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_;
  bool ok_ = true;
};

template <typename T>
std::optional<T> IfOk(const Cursor& c, T value) {
  if (!c.ok()) return std::nullopt;
  return value;
}

RecordHead ReadHead(Cursor& c) {
  RecordHead h;
  h.type = c.Word();
  h.eventSource = c.Word();
  c.SkipWords(4);
  h.name = c.Terminated();
  h.comment = c.Terminated();
  h.end = c.pos();
  return h;
}

std::uint32_t ReadWordAt(std::span<const std::uint8_t> bytes, std::size_t pos) {
  Cursor c(bytes, pos);
  return c.Word();
}

// Checks a unit area of n units as the reader accepts it: both tables fit and every
// record lies inside the area and parses as the body its id calls for.
bool CheckArea(const WindowTemplate& t, std::string* failure) {
  for (std::uint32_t i = 0; i < t.UnitCount(); ++i) {
    if (!t.Record(i)) {
      if (failure) *failure = "record " + std::to_string(i) + " lies outside its unit area";
      return false;
    }
    const bool parsed = t.IsMenuItem(i) ? t.Menu(i).has_value() : t.Control(i).has_value();
    if (!parsed) {
      if (failure) *failure = "record " + std::to_string(i) + " is longer than its length word";
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<RecordHead> ParseHead(std::span<const std::uint8_t> body) {
  Cursor c(body);
  RecordHead h = ReadHead(c);
  return IfOk(c, std::move(h));
}

std::optional<ControlBody> ParseControl(std::span<const std::uint8_t> body) {
  Cursor c(body);
  ControlBody b;
  b.head = ReadHead(c);
  b.objectSlot = c.pos();
  c.Word();
  b.left = c.Signed();
  b.top = c.Signed();
  b.width = c.Signed();
  b.height = c.Signed();
  b.pointerSlot = c.pos();
  c.Word();
  b.parent = c.Word();
  const std::uint32_t childCount = c.Word();
  if (c.left() / 4 < childCount) return std::nullopt;
  b.children.reserve(childCount);
  for (std::uint32_t i = 0; i < childCount; ++i) b.children.push_back(c.Word());
  b.mousePointer = c.Counted();
  b.tag = c.Terminated();
  c.Word();  // reserved
  b.flags = c.Word();
  b.tabOrder = c.Signed();
  const std::uint32_t eventCount = c.Word();
  b.bindingsOffset = c.pos();
  if (c.left() / 8 < eventCount) return std::nullopt;
  b.bindings.reserve(eventCount);
  for (std::uint32_t i = 0; i < eventCount; ++i) {
    const std::int32_t event = c.Signed();
    b.bindings.push_back({event, c.Signed()});
  }
  c.SkipWords(5);
  b.stored = {c.pos(), c.left()};
  return IfOk(c, std::move(b));
}

std::optional<MenuBody> ParseMenu(std::span<const std::uint8_t> body) {
  Cursor c(body);
  MenuBody m;
  m.head = ReadHead(c);
  m.hotkey = c.Word();
  m.level = c.Word();
  m.flags = c.Word();
  m.caption = c.Terminated();
  m.handlerOffset = c.pos();
  m.handler = c.Signed();
  m.slotsOffset = c.pos();
  c.SkipWords(4);
  m.stored = {c.pos(), c.left()};
  return IfOk(c, std::move(m));
}

MousePointer DecodeMousePointer(std::string_view bytes) {
  MousePointer p;
  if (bytes.size() < 4) return p;
  const std::uint32_t first = ReadWordAt(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), 4), 0);
  if (bytes.size() == 4) {
    if (first != 0) p.kind = MousePointer::Kind::kStock, p.cursorNumber = first;
  } else if (first == 0xFFFFFFFFu) {
    p.kind = MousePointer::Kind::kFile;
    p.file = bytes.substr(4);
  }
  return p;
}

std::uint32_t StockPointerIndex(std::uint32_t cursorNumber) {
  static constexpr std::uint32_t kCursors[] = {0,     32512, 32515, 32513, 32514, 32651, 32650, 32648,
                                               32646, 32643, 32645, 32642, 32644, 32516, 32649};
  const auto* it = std::find(std::begin(kCursors), std::end(kCursors), cursorNumber);
  return it == std::end(kCursors) ? cursorNumber : static_cast<std::uint32_t>(it - std::begin(kCursors));
}

std::optional<std::span<const std::uint8_t>> WindowTemplate::RecordIn(std::span<const std::uint8_t> area,
                                                                      std::uint32_t index) const {
  if (index >= unitCount_ || area.size() / 8 < unitCount_) return std::nullopt;
  const std::size_t recordsStart = std::size_t{8} * unitCount_;
  const std::size_t offset = ReadWordAt(area, (std::size_t{unitCount_} + index) * 4);
  Cursor c(area, recordsStart);
  c.Bytes(offset);
  const std::uint32_t length = c.Word();
  const auto body = c.Bytes(length);
  if (!c.ok()) return std::nullopt;
  return body;
}

std::optional<std::span<const std::uint8_t>> WindowTemplate::Record(std::uint32_t index) const {
  return RecordIn(working_, index);
}

std::optional<std::span<std::uint8_t>> WindowTemplate::MutableRecord(std::uint32_t index) {
  const auto body = RecordIn(working_, index);
  if (!body) return std::nullopt;
  return std::span<std::uint8_t>(working_.data() + (body->data() - working_.data()), body->size());
}

std::uint32_t WindowTemplate::IdAt(std::uint32_t index) const {
  if (index >= unitCount_ || working_.size() / 8 < unitCount_) return 0;
  return ReadWordAt(working_, std::size_t{index} * 4);
}

std::optional<std::uint32_t> WindowTemplate::IndexOf(std::uint32_t id) const {
  if (unitCount_ == 0 || working_.size() / 8 < unitCount_) return std::nullopt;
  if (IdAt(0) == id) return 0;
  for (std::uint32_t i = 1; i < unitCount_; ++i)
    if (IdAt(i) == id) return i;
  return std::nullopt;
}

std::optional<std::span<const std::uint8_t>> WindowTemplate::RecordById(std::uint32_t id) const {
  const auto index = IndexOf(id);
  if (!index) return std::nullopt;
  return Record(*index);
}

MenuRun WindowTemplate::MenuItems() const {
  MenuRun run;
  std::uint32_t i = 0;
  while (i < unitCount_ && !IsMenuItem(i)) ++i;
  if (i == unitCount_) return run;
  run.first = i;
  while (i < unitCount_ && IsMenuItem(i)) ++i;
  run.count = i - run.first;
  return run;
}

std::optional<RecordHead> WindowTemplate::Head(std::uint32_t index) const {
  const auto body = Record(index);
  return body ? ParseHead(*body) : std::nullopt;
}

std::optional<ControlBody> WindowTemplate::Control(std::uint32_t index) const {
  if (IsMenuItem(index)) return std::nullopt;
  const auto body = Record(index);
  return body ? ParseControl(*body) : std::nullopt;
}

std::optional<MenuBody> WindowTemplate::Menu(std::uint32_t index) const {
  if (!IsMenuItem(index)) return std::nullopt;
  const auto body = Record(index);
  return body ? ParseMenu(*body) : std::nullopt;
}

std::optional<BodyRange> WindowTemplate::Stored(std::uint32_t index) const {
  if (IsMenuItem(index)) {
    const auto m = Menu(index);
    return m ? std::optional(m->stored) : std::nullopt;
  }
  const auto b = Control(index);
  return b ? std::optional(b->stored) : std::nullopt;
}

bool WindowTemplate::ReplaceRecord(std::uint32_t index, std::span<const std::uint8_t> body) {
  // Rebuilt from every record's body: ids, offsets, then the records in unit order.
  std::vector<std::vector<std::uint8_t>> bodies;
  bodies.reserve(unitCount_);
  for (std::uint32_t i = 0; i < unitCount_; ++i) {
    const auto record = Record(i);
    if (!record) return false;
    if (i == index) bodies.emplace_back(body.begin(), body.end());
    else bodies.emplace_back(record->begin(), record->end());
  }
  if (index >= unitCount_) return false;
  std::vector<std::uint8_t> area;
  auto put = [&area](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) area.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  for (std::uint32_t i = 0; i < unitCount_; ++i) put(IdAt(i));
  std::uint32_t offset = 0;
  for (const auto& b : bodies) {
    put(offset);
    offset += 4 + static_cast<std::uint32_t>(b.size());
  }
  for (const auto& b : bodies) {
    put(static_cast<std::uint32_t>(b.size()));
    area.insert(area.end(), b.begin(), b.end());
  }
  working_ = std::move(area);
  return true;
}

void WindowTemplate::RestoreTable() {
  if (saved_.empty()) return;
  working_.swap(saved_);
  saved_.clear();
}

const WindowTemplate* FormData::Find(std::uint32_t windowId) const {
  if (!IsValidId(windowId) || windowIds.empty()) return nullptr;
  const std::size_t count = std::min(windowIds.size(), templates.size());
  if (count > 0 && windowIds[0] == windowId) return &templates[0];
  for (std::size_t i = 1; i < count; ++i)
    if (windowIds[i] == windowId) return &templates[i];
  return nullptr;
}

WindowTemplate* FormData::Find(std::uint32_t windowId) {
  return const_cast<WindowTemplate*>(std::as_const(*this).Find(windowId));
}

std::optional<FormData> ParseFormData(std::span<const std::uint8_t> block, std::string* failure) {
  auto fail = [&](std::string reason) -> std::optional<FormData> {
    if (failure) *failure = std::move(reason);
    return std::nullopt;
  };
  Cursor c(block);
  const std::uint32_t tableLength = c.Word();
  if (!c.ok()) return fail("no window table");
  if (tableLength % 8 != 0) return fail("window table length is not a multiple of 8");
  const std::uint32_t windows = tableLength / 8;
  if (c.left() / 8 < windows) return fail("window table runs past the end");
  FormData data;
  data.windowIds.reserve(windows);
  for (std::uint32_t i = 0; i < windows; ++i) data.windowIds.push_back(c.Word());
  c.SkipWords(windows);  // slots: the in-memory table keeps its templates apart
  // A template takes at least six words, which bounds what is worth reserving.
  data.templates.reserve(std::min<std::size_t>(windows, c.left() / 24));
  for (std::uint32_t w = 0; w < windows; ++w) {
    const std::string where = "window " + std::to_string(w) + ": ";
    const std::uint32_t designWord = c.Word();
    const std::uint32_t moduleId = c.Word();
    std::string text1 = c.Counted();
    std::string text2 = c.Counted();
    const std::uint32_t units = c.Word();
    const std::uint32_t areaLength = c.Word();
    const auto area = c.Bytes(areaLength);
    if (!c.ok()) return fail(where + "template runs past the end of the block");
    if (area.size() / 8 < units) return fail(where + "unit count does not fit the unit area");
    WindowTemplate t(units, std::vector<std::uint8_t>(area.begin(), area.end()));
    t.designWord = designWord;
    t.moduleId = moduleId;
    t.text1 = std::move(text1);
    t.text2 = std::move(text2);
    std::string reason;
    if (!CheckArea(t, &reason)) return fail(where + reason);
    data.templates.push_back(std::move(t));
  }
  return data;
}

FormData ReadFormData(std::span<const std::uint8_t> block) {
  using namespace zorvel::literals;
  auto data = ParseFormData(block);
  if (!data) RuntimeError("载入窗口模板数据段出错!"_gbk);
  return std::move(*data);
}

std::vector<HandlerReference> HandlerReferences(const FormData& data) {
  std::vector<HandlerReference> refs;
  for (std::uint32_t w = 0; w < data.templates.size(); ++w) {
    const WindowTemplate& t = data.templates[w];
    for (std::uint32_t i = 0; i < t.UnitCount(); ++i) {
      if (t.IsMenuItem(i)) {
        if (const auto m = t.Menu(i)) refs.push_back({w, i, 0, m->handler});
      } else if (const auto b = t.Control(i)) {
        for (const EventBinding& e : b->bindings) refs.push_back({w, i, e.event, e.handler});
      }
    }
  }
  return refs;
}

}  // namespace zorvel::forms
