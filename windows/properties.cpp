// Reading and writing unit properties by number: the common properties on the record or
// the live widget, menu items on their record, the type's own properties through the
// unit's read and apply entries, with the conversions of each value type.
#include <QApplication>
#include <QCursor>
#include <algorithm>
#include <cstring>

#include "forms/form_writer.h"
#include "runtime/error.h"
#include "text/gbk_literal.h"
#include "windows/font.h"
#include "windows/screen_coordinates.h"
#include "windows/templates.h"
#include "windows/units/window/window_unit.h"
#include "windows/windows.h"
#include "windows/windows_internal.h"

namespace zorvel::forms {

using namespace zorvel::literals;

namespace {

constexpr std::int32_t kPositionLimit = 32627;

struct Target {
  WindowTemplate* t = nullptr;
  std::uint32_t index = 0;
};

Target FindTarget(std::uint32_t windowId, std::uint32_t unitId) {
  WindowTemplate* t = HasTemplates() ? Templates().Find(windowId) : nullptr;
  if (t == nullptr) RuntimeError("未载入欲访问窗口组件所在的窗口"_gbk);
  const std::optional<std::uint32_t> index = unitId == 0 ? std::optional<std::uint32_t>(0) : t->IndexOf(unitId);
  if (!index) RuntimeError("指定窗口或窗口组件不存在或尚未载入"_gbk);
  return {t, *index};
}

std::uint32_t Word32(std::string_view b) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(b[static_cast<std::size_t>(i)]);
  return v;
}

void PutWord32(std::string& b, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The property-interface index of the 15 stock pointers, and back.
constexpr std::uint32_t kStockNumbers[15] = {0,     32512, 32515, 32513, 32514, 32651, 32650, 32648,
                                             32646, 32643, 32645, 32642, 32644, 32516, 32649};

std::string PointerToInterface(std::string bytes) {
  if (bytes.size() >= 4) PutWord32(bytes, StockPointerIndex(Word32(bytes)));
  return bytes;
}

std::string PointerFromInterface(std::string bytes) {
  if (bytes.size() >= 4) {
    const std::uint32_t index = Word32(bytes);
    if (index < 15) PutWord32(bytes, kStockNumbers[index]);
  }
  return bytes;
}

void SetRecordWord(WindowTemplate& t, std::uint32_t index, std::size_t offset, std::int32_t value) {
  const auto record = t.MutableRecord(index);
  if (!record || offset + 4 > record->size()) return;
  const auto v = static_cast<std::uint32_t>(value);
  for (std::size_t i = 0; i < 4; ++i) (*record)[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Edits a record through its description (fields whose change alters the length).
template <class Edit>
void EditRecord(WindowTemplate& t, std::uint32_t index, Edit edit) {
  std::optional<UnitDescription> d = DescribeUnit(t, index);
  if (!d) return;
  edit(*d);
  const std::vector<std::uint8_t> body = WriteRecordBody(*d);
  t.ReplaceRecord(index, body);
}

bool IsTopLevel(const QWidget* w) { return w != nullptr && w->isWindow(); }

UnitValue Integer(std::int64_t v) {
  UnitValue u;
  u.word = v;
  return u;
}

UnitValue Bytes(std::string b) {
  UnitValue u;
  u.bytes = std::move(b);
  u.hasBytes = true;
  return u;
}

UnitValue ReadFont(std::string_view logFont, int sub) {
  const FontFields f = ReadLogFont(logFont.size() == kLogFontSize ? logFont : std::string_view(DefaultGuiFont()));
  const std::int32_t size = PointsFromHeight(f.height);
  switch (sub) {
    case 0: return Integer(f.escapement);
    case 1: return Integer(f.weight >= 700 ? 1 : 0);
    case 2: return Integer(f.italic ? 1 : 0);
    case 3: return Integer(f.strikeOut ? 1 : 0);
    case 4: return Integer(f.underline ? 1 : 0);
    case 5: return Integer(size);
    case 6: return Bytes(f.face);
    default: {
      UnitValue u;
      u.fontWords = {f.escapement, f.weight >= 700 ? 1 : 0, f.italic ? 1 : 0, f.strikeOut ? 1 : 0,
                     f.underline ? 1 : 0, size};
      u.fontName = f.face;
      return u;
    }
  }
}

std::string FaceOrDefault(std::string_view face, std::size_t longest) {
  if (face.empty() || face.size() > longest) return "宋体"_gbk;
  return std::string(face);
}

std::string WriteFont(std::string_view current, int sub, const UnitValue& value) {
  if (sub < 0 || sub > 6) {
    FontFields f;
    const auto word = [&](std::size_t i) { return i < value.fontWords.size() ? value.fontWords[i] : 0; };
    f.escapement = word(0);
    f.weight = word(1) != 0 ? 700 : 0;
    f.italic = word(2) != 0;
    f.strikeOut = word(3) != 0;
    f.underline = word(4) != 0;
    f.height = HeightFromPoints(word(5));
    f.face = FaceOrDefault(value.fontName, 30);
    return WriteLogFont(f);
  }
  FontFields f = ReadLogFont(current.size() == kLogFontSize ? current : std::string_view(DefaultGuiFont()));
  const auto v = static_cast<std::int32_t>(value.word);
  switch (sub) {
    case 0: f.escapement = v % 3600; break;
    case 1: f.weight = v != 0 ? 700 : 400; break;
    case 2: f.italic = v != 0; break;
    case 3: f.strikeOut = v != 0; break;
    case 4: f.underline = v != 0; break;
    case 5: f.height = HeightFromPoints(v); break;
    case 6: f.face = FaceOrDefault(value.bytes, 31); break;
    default: break;
  }
  return WriteLogFont(f);
}

Unit* RequireLoaded(std::uint32_t windowId, std::uint32_t unitId) {
  Unit* u = FindUnitObject(windowId, unitId);
  if (u == nullptr) RuntimeError("指定窗口尚未载入"_gbk);
  return u;
}

// Creates a unit again from its current properties at its place, with its enabled
// state, parent, visibility and (for containers that keep them) children.
void Recreate(LoadedWindow& w, std::uint32_t index) {
  Unit* old = w.units[index].get();
  const UnitTypeInfo* type = FindUnitType(old->Layout().type);
  if (type == nullptr || type->create == nullptr || (type->state & kStateNoRecreate) != 0) return;
  QWidget* oldWidget = old->Widget();
  if (oldWidget == nullptr) return;
  SuspendEvents();
  const std::vector<std::uint8_t> saved = old->Save();
  QWidget* focus = QApplication::focusWidget();
  CreateArgs args;
  args.stored = saved;
  args.style = (oldWidget->isEnabled() ? 0 : kStyleDisabled);
  args.parent = oldWidget->parentWidget();
  args.left = oldWidget->x();
  args.top = oldWidget->y();
  args.width = oldWidget->width();
  args.height = oldWidget->height();
  args.windowId = old->WindowId();
  args.unitId = old->UnitId();
  std::unique_ptr<Unit> fresh = type->create(args);
  if (!fresh || fresh->Widget() == nullptr) {
    ResumeEvents();
    return;
  }
  QWidget* widget = fresh->Widget();
  if (widget->parentWidget() != oldWidget->parentWidget()) {
    widget->setParent(oldWidget->parentWidget());
    widget->setGeometry(oldWidget->geometry());
  }
  if ((type->state & kStateKeepChildren) != 0 && old->Client() != nullptr && fresh->Client() != nullptr) {
    for (QObject* child : old->Client()->children()) {
      auto* cw = qobject_cast<QWidget*>(child);
      if (cw == nullptr || cw->isWindow()) continue;
      const QRect g = cw->geometry();
      const bool shown = !cw->isHidden();
      cw->setParent(fresh->Client());
      cw->setGeometry(g);
      cw->setVisible(shown);
    }
  }
  widget->stackUnder(oldWidget);
  if (const auto body = w.windowTemplate->Control(index)) ApplyMousePointer(widget, body->mousePointer);
  WatchUnitInput(*fresh);
  const bool visible = !oldWidget->isHidden();
  std::unique_ptr<Unit> previous = std::move(w.units[index]);
  w.units[index] = std::move(fresh);
  w.units[index]->WindowComplete();
  w.units[index]->WindowShown();
  widget->setVisible(visible);
  previous.reset();
  if (focus == oldWidget) widget->setFocus();
  ResumeEvents();
}

}  // namespace

UnitValue ReadUnitProperty(std::uint32_t windowId, std::uint32_t unitId, int index, int sub) {
  const Target target = FindTarget(windowId, unitId);
  WindowTemplate& t = *target.t;
  if (t.IsMenuItem(target.index)) {
    const std::optional<MenuBody> m = t.Menu(target.index);
    if (!m) return {};
    switch (index) {
      case menu_item_property::kCaption: return Bytes(m->caption);
      case menu_item_property::kChecked: return Integer((m->flags & kMenuChecked) != 0);
      case menu_item_property::kDisabled: return Integer((m->flags & kMenuDisabled) != 0);
      case menu_item_property::kVisible: return Integer((m->flags & kMenuHidden) == 0);
      default: return {};
    }
  }
  const std::optional<ControlBody> body = t.Control(target.index);
  if (!body) return {};
  if (index >= prop::kFirstOwn) {
    Unit* u = RequireLoaded(windowId, unitId);
    const std::optional<PropertyType> type = PropertyTypeOf(u->Layout(), index);
    const std::optional<PropertyValue> v = u->Read(index);
    if (!type || !v) return {};
    switch (*type) {
      case PropertyType::kDouble:
      case PropertyType::kDateTime: {
        std::int64_t bits = 0;
        std::memcpy(&bits, &v->real, 8);
        return Integer(bits);
      }
      case PropertyType::kLogical: return Integer(v->word == 1 ? 1 : 0);
      case PropertyType::kFont: return ReadFont(v->bytes, sub);
      case PropertyType::kMousePointer: return Bytes(PointerToInterface(v->bytes));
      default: break;
    }
    if (HoldsBytes(*type)) return Bytes(v->bytes);
    return Integer(v->word);
  }

  const Unit* u = FindUnitObject(windowId, unitId);
  const QWidget* w = u != nullptr ? u->Widget() : nullptr;
  switch (index) {
    // A top-level window's place is in the program's screen coordinates, a unit's in its
    // parent's client area.
    case prop::kLeft: return Integer(w ? (IsTopLevel(w) ? GlobalToScreen(w->frameGeometry()).x() : w->x()) : body->left);
    case prop::kTop: return Integer(w ? (IsTopLevel(w) ? GlobalToScreen(w->frameGeometry()).y() : w->y()) : body->top);
    case prop::kWidth: return Integer(w ? (IsTopLevel(w) ? w->frameGeometry().width() : w->width()) : body->width);
    case prop::kHeight: return Integer(w ? (IsTopLevel(w) ? w->frameGeometry().height() : w->height()) : body->height);
    case prop::kTag: return Bytes(body->tag);
    case prop::kVisible: return Integer(w ? !w->isHidden() : (body->flags & kFlagVisible) != 0);
    case prop::kDisabled: return Integer(w ? w->testAttribute(Qt::WA_Disabled) : (body->flags & kFlagDisabled) != 0);
    case prop::kMousePointer: return Bytes(PointerToInterface(body->mousePointer));
    default: return {};
  }
}

void WriteUnitProperty(std::uint32_t windowId, std::uint32_t unitId, int index, int sub, const UnitValue& value) {
  const Target target = FindTarget(windowId, unitId);
  WindowTemplate& t = *target.t;
  if (t.IsMenuItem(target.index)) {
    const std::optional<MenuBody> m = t.Menu(target.index);
    if (!m) return;
    bool changed = false;
    if (index == menu_item_property::kCaption) {
      const std::string caption = value.bytes.substr(0, value.bytes.find('\0'));
      if (caption != m->caption) {
        EditRecord(t, target.index, [&](UnitDescription& d) { d.caption = caption; });
        changed = true;
      }
    } else if (index >= menu_item_property::kChecked && index <= menu_item_property::kVisible) {
      const std::uint32_t bit = index == menu_item_property::kChecked    ? kMenuChecked
                                : index == menu_item_property::kDisabled ? kMenuDisabled
                                                                         : kMenuHidden;
      const bool set = index == menu_item_property::kVisible ? value.word == 0 : value.word != 0;
      const std::uint32_t flags = set ? (m->flags | bit) : (m->flags & ~bit);
      if (flags != m->flags) {
        SetRecordWord(t, target.index, m->head.end + 8, static_cast<std::int32_t>(flags));
        changed = true;
      }
    }
    if (changed) RebuildMenuBar(windowId);
    return;
  }
  const std::optional<ControlBody> body = t.Control(target.index);
  if (!body) return;

  if (index >= prop::kFirstOwn) {
    Unit* u = RequireLoaded(windowId, unitId);
    const std::optional<PropertyType> type = PropertyTypeOf(u->Layout(), index);
    if (!type) return;
    PropertyValue v = u->Property(index);
    switch (*type) {
      case PropertyType::kDouble:
      case PropertyType::kDateTime: {
        std::memcpy(&v.real, &value.word, 8);
        break;
      }
      case PropertyType::kLogical: v.word = value.word != 0 ? 1 : 0; break;
      case PropertyType::kFont: v.bytes = WriteFont(v.bytes, sub, value); break;
      case PropertyType::kMousePointer: v.bytes = PointerFromInterface(value.bytes); break;
      default:
        if (HoldsBytes(*type)) {
          v.bytes = value.bytes;
          if (*type == PropertyType::kText || *type == PropertyType::kFileName) v.bytes = v.bytes.substr(0, v.bytes.find('\0'));
        } else {
          v.word = static_cast<std::int32_t>(value.word);
          if (*type == PropertyType::kChoice && v.word < 0) v.word = 0;
          if (const PropertyInfo* p = FindProperty(u->Layout(), index)) v.word = std::clamp(v.word, p->minimum, p->maximum);
        }
        break;
    }
    u->Property(index) = v;
    if (u->Apply(index)) {
      if (LoadedWindow* w = FindLoadedWindow(windowId)) Recreate(*w, target.index);
    }
    return;
  }

  Unit* u = FindUnitObject(windowId, unitId);
  QWidget* w = u != nullptr ? u->Widget() : nullptr;
  // The record keeps left, top, width and height as consecutive words from here.
  const std::size_t geometry = body->objectSlot + 4;
  switch (index) {
    case prop::kLeft:
    case prop::kTop: {
      const auto v = static_cast<std::int32_t>(std::clamp<std::int64_t>(static_cast<std::int32_t>(value.word), -kPositionLimit, kPositionLimit));
      SetRecordWord(t, target.index, geometry + static_cast<std::size_t>(index - prop::kLeft) * 4, v);
      if (auto* window = dynamic_cast<WindowUnit*>(u)) {
        QRect outer = GlobalToScreen(window->Widget()->frameGeometry());
        (index == prop::kLeft ? outer.moveLeft(v) : outer.moveTop(v));
        window->SetWindowGeometry(ScreenToGlobal(outer));
      } else if (w != nullptr) {
        QPoint at = w->pos();
        (index == prop::kLeft ? at.rx() : at.ry()) = v;
        w->move(at);
      }
      return;
    }
    case prop::kWidth:
    case prop::kHeight: {
      const auto v = static_cast<std::int32_t>(std::clamp<std::int64_t>(static_cast<std::int32_t>(value.word), 0, kPositionLimit));
      SetRecordWord(t, target.index, geometry + static_cast<std::size_t>(index - prop::kLeft) * 4, v);
      if (auto* window = dynamic_cast<WindowUnit*>(u)) {
        QRect outer = window->Widget()->frameGeometry();
        (index == prop::kWidth ? outer.setWidth(v) : outer.setHeight(v));
        window->SetWindowGeometry(outer);
      } else if (w != nullptr) {
        QSize size = w->size();
        (index == prop::kWidth ? size.rwidth() : size.rheight()) = v;
        w->resize(size);
      }
      return;
    }
    case prop::kTag: {
      const std::string tag = value.bytes.substr(0, value.bytes.find('\0'));
      EditRecord(t, target.index, [&](UnitDescription& d) { d.tag = tag; });
      return;
    }
    case prop::kVisible: {
      const bool show = value.word != 0;
      const std::uint32_t flags = show ? (body->flags | kFlagVisible) : (body->flags & ~kFlagVisible);
      SetRecordWord(t, target.index, body->bindingsOffset - 12, static_cast<std::int32_t>(flags));
      if (w == nullptr) return;
      if (!show) {
        w->hide();
        return;
      }
      if (target.index == 0) {
        FirstShow(windowId, true);
        return;
      }
      const UnitTypeInfo* type = FindUnitType(body->head.type);
      if (type != nullptr && (type->state & kStateNeverShown) != 0) return;
      w->show();
      return;
    }
    case prop::kDisabled: {
      const bool disabled = value.word != 0;
      const std::uint32_t flags = disabled ? (body->flags | kFlagDisabled) : (body->flags & ~kFlagDisabled);
      SetRecordWord(t, target.index, body->bindingsOffset - 12, static_cast<std::int32_t>(flags));
      if (w != nullptr) w->setEnabled(!disabled);
      return;
    }
    case prop::kMousePointer: {
      const std::string pointer = PointerFromInterface(value.bytes);
      EditRecord(t, target.index, [&](UnitDescription& d) { d.mousePointer = pointer; });
      if (w != nullptr) {
        ApplyMousePointer(w, pointer);
        QCursor::setPos(QCursor::pos());
      }
      return;
    }
    default: return;
  }
}

}  // namespace zorvel::forms
