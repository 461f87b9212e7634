#include "forms/form_writer.h"

#include <utility>

namespace zorvel::forms {
namespace {

class Writer {
 public:
  explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}
  void Word(std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out_.push_back(static_cast<std::uint8_t>(v >> shift));
  }
  void Signed(std::int32_t v) { Word(static_cast<std::uint32_t>(v)); }
  void Bytes(std::string_view s) { out_.insert(out_.end(), s.begin(), s.end()); }
  void Bytes(std::span<const std::uint8_t> s) { out_.insert(out_.end(), s.begin(), s.end()); }
  void Counted(std::string_view s) {
    Word(static_cast<std::uint32_t>(s.size()));
    Bytes(s);
  }
  void Terminated(std::string_view s) {
    Bytes(s);
    out_.push_back(0);
  }
  void Zeros(int words) {
    for (int i = 0; i < words; ++i) Word(0);
  }
  void PutWordAt(std::size_t pos, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) out_[pos + k] = static_cast<std::uint8_t>(v >> (8 * k));
  }

 private:
  std::vector<std::uint8_t>& out_;
};

std::string Bytes(std::span<const std::uint8_t> body, BodyRange r) {
  return std::string(reinterpret_cast<const char*>(body.data() + r.offset), r.length);
}

}  // namespace

std::vector<std::uint8_t> WriteRecordBody(const UnitDescription& u) {
  std::vector<std::uint8_t> out;
  Writer w(out);
  w.Word(u.type);
  w.Word(u.eventSource);
  w.Zeros(4);
  w.Terminated(u.name);
  w.Terminated(u.comment);
  if (IsMenuItemId(u.id)) {
    w.Word(u.hotkey);
    w.Word(u.level);
    w.Word(u.menuFlags);
    w.Terminated(u.caption);
    w.Signed(u.handler);
    w.Zeros(4);
    return out;
  }
  w.Word(0);  // object slot
  w.Signed(u.left);
  w.Signed(u.top);
  w.Signed(u.width);
  w.Signed(u.height);
  w.Word(0);  // pointer slot
  w.Word(u.parent);
  w.Word(static_cast<std::uint32_t>(u.children.size()));
  for (std::uint32_t child : u.children) w.Word(child);
  w.Counted(u.mousePointer);
  w.Terminated(u.tag);
  w.Word(0);
  w.Word(u.flags);
  w.Signed(u.tabOrder);
  w.Word(static_cast<std::uint32_t>(u.bindings.size()));
  for (const EventBinding& b : u.bindings) {
    w.Signed(b.event);
    w.Signed(b.handler);
  }
  w.Zeros(5);
  w.Bytes(u.stored);
  return out;
}

std::vector<std::uint8_t> WriteUnitArea(std::span<const UnitDescription> units) {
  std::vector<std::uint8_t> out;
  Writer w(out);
  for (const UnitDescription& u : units) w.Word(u.id);
  const std::size_t offsets = out.size();
  w.Zeros(static_cast<int>(units.size()));
  const std::size_t recordsStart = out.size();
  for (std::size_t i = 0; i < units.size(); ++i) {
    w.PutWordAt(offsets + 4 * i, static_cast<std::uint32_t>(out.size() - recordsStart));
    const auto body = WriteRecordBody(units[i]);
    w.Word(static_cast<std::uint32_t>(body.size()));
    w.Bytes(body);
  }
  return out;
}

std::vector<std::uint8_t> WriteFormData(std::span<const WindowDescription> windows) {
  std::vector<std::uint8_t> out;
  Writer w(out);
  w.Word(static_cast<std::uint32_t>(8 * windows.size()));
  for (const WindowDescription& d : windows) w.Word(d.id);
  w.Zeros(static_cast<int>(windows.size()));
  for (const WindowDescription& d : windows) {
    w.Word(d.designWord);
    w.Word(d.moduleId);
    w.Counted(d.text1);
    w.Counted(d.text2);
    w.Word(static_cast<std::uint32_t>(d.units.size()));
    const auto area = WriteUnitArea(d.units);
    w.Word(static_cast<std::uint32_t>(area.size()));
    w.Bytes(area);
  }
  return out;
}

std::optional<UnitDescription> DescribeUnit(const WindowTemplate& t, std::uint32_t index) {
  const auto body = t.Record(index);
  if (!body) return std::nullopt;
  UnitDescription u;
  u.id = t.IdAt(index);
  if (t.IsMenuItem(index)) {
    const auto m = ParseMenu(*body);
    if (!m) return std::nullopt;
    u.type = m->head.type;
    u.eventSource = m->head.eventSource;
    u.name = m->head.name;
    u.comment = m->head.comment;
    u.hotkey = m->hotkey;
    u.level = m->level;
    u.menuFlags = m->flags;
    u.caption = m->caption;
    u.handler = m->handler;
    return u;
  }
  auto c = ParseControl(*body);
  if (!c) return std::nullopt;
  u.type = c->head.type;
  u.eventSource = c->head.eventSource;
  u.name = std::move(c->head.name);
  u.comment = std::move(c->head.comment);
  u.left = c->left;
  u.top = c->top;
  u.width = c->width;
  u.height = c->height;
  u.parent = c->parent;
  u.children = std::move(c->children);
  u.mousePointer = std::move(c->mousePointer);
  u.tag = std::move(c->tag);
  u.flags = c->flags;
  u.tabOrder = c->tabOrder;
  u.bindings = std::move(c->bindings);
  u.stored = Bytes(*body, c->stored);
  return u;
}

std::optional<std::vector<WindowDescription>> Describe(const FormData& data) {
  std::vector<WindowDescription> windows;
  for (std::size_t w = 0; w < data.templates.size(); ++w) {
    const WindowTemplate& t = data.templates[w];
    WindowDescription d{w < data.windowIds.size() ? data.windowIds[w] : 0, t.designWord, t.moduleId, t.text1,
                        t.text2, {}};
    for (std::uint32_t i = 0; i < t.UnitCount(); ++i) {
      auto u = DescribeUnit(t, i);
      if (!u) return std::nullopt;
      d.units.push_back(std::move(*u));
    }
    windows.push_back(std::move(d));
  }
  return windows;
}

}  // namespace zorvel::forms
