// zorvel-forms [--block FILE]
//
// Prints the form data as UTF-8 text: every window with its units, each unit's record
// fields (type, design name, parent, geometry, flags, Tab order, mouse pointer, event
// bindings) and the stored properties its type's layout decodes, and the menu items.
// Without arguments it prints the form data embedded in the program; with --block it
// prints a form-data block read from FILE. Event handlers are named from the program's
// handler table; a reference outside it is printed as "#N".
// Exit status: 0 done, 1 the block is refused or a stored block cannot be read (the rest
// is still printed), 2 bad usage or an unreadable file.
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "forms/embedded.h"
#include "forms/form_data.h"
#include "forms/unit_layout.h"
#include "text/gbk.h"

namespace {

using namespace zorvel::forms;

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08" PRIX32, value);
  return text;
}

// A GBK text as a quoted UTF-8 text with ", \ and control characters escaped.
std::string Quoted(std::string_view gbk) {
  std::string out = "\"";
  for (const char c : zorvel::gbk::ToUtf8(gbk)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string ByteCount(std::size_t size) { return size == 0 ? "none" : std::to_string(size) + " bytes"; }

std::int32_t Int32At(std::string_view bytes, std::size_t at) {
  std::uint32_t w = 0;
  for (int k = 3; k >= 0; --k) w = w << 8 | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(k)]);
  return static_cast<std::int32_t>(w);
}

// A 60-byte logical font: face, size in points (at 96 pixels per inch), then its styles.
std::string FontText(std::string_view bytes) {
  if (bytes.empty()) return "none";
  if (bytes.size() != 60) return std::to_string(bytes.size()) + " bytes (not a font)";
  const std::int32_t height = Int32At(bytes, 0);
  const std::int32_t angle = Int32At(bytes, 8);
  const std::int32_t weight = Int32At(bytes, 16);
  const std::string_view faceField = bytes.substr(28, 32);
  const std::string_view face = faceField.substr(0, faceField.find('\0'));
  const std::int64_t pixels = height < 0 ? -static_cast<std::int64_t>(height) : height;
  std::string out = Quoted(face) + " " + std::to_string((pixels * 72 + 48) / 96) + " pt (height " +
                    std::to_string(height) + ")";
  if (weight >= 700) out += " bold";
  else if (weight != 0 && weight != 400) out += " weight=" + std::to_string(weight);
  if (bytes[20] != 0) out += " italic";
  if (bytes[21] != 0) out += " underline";
  if (bytes[22] != 0) out += " strikeout";
  if (angle != 0) out += " angle=" + std::to_string(angle);
  out += " charset=" + std::to_string(static_cast<std::uint8_t>(bytes[23]));
  return out;
}

std::string ValueText(const PropertyInfo& p, const PropertyValue& v) {
  switch (p.type) {
    case PropertyType::kLogical:
      return v.word != 0 ? "true" : "false";
    case PropertyType::kColour:
    case PropertyType::kBackColour:
    case PropertyType::kTransparentColour:
      return Hex(static_cast<std::uint32_t>(v.word));
    case PropertyType::kDouble:
    case PropertyType::kDateTime:
      return std::to_string(v.real);
    case PropertyType::kText:
    case PropertyType::kFileName:
    case PropertyType::kDataSource:
    case PropertyType::kDataColumn:
      return Quoted(v.bytes);
    case PropertyType::kFont:
      return FontText(v.bytes);
    case PropertyType::kPicture:
    case PropertyType::kIcon:
    case PropertyType::kSound:
    case PropertyType::kImageList:
    case PropertyType::kCustomData:
      return ByteCount(v.bytes.size());
    default:
      return std::to_string(v.word);
  }
}

class Printer {
 public:
  explicit Printer(std::span<const std::string_view> handlers) : handlers_(handlers) {}

  void Window(std::uint32_t id, const WindowTemplate& t) {
    std::printf("window %s: %" PRIu32 " units (design %s, module %s)\n", Hex(id).c_str(), t.UnitCount(),
                Hex(t.designWord).c_str(), Hex(t.moduleId).c_str());
    for (std::uint32_t i = 0; i < t.UnitCount(); ++i) {
      if (t.IsMenuItem(i)) Menu(t, i);
      else Control(t, i);
    }
  }

  bool failed() const { return failed_; }

 private:
  std::string Handler(std::int32_t reference) const {
    if (reference == kNoHandler) return "none";
    if (reference >= 0 && static_cast<std::size_t>(reference) < handlers_.size())
      return std::string(handlers_[static_cast<std::size_t>(reference)]);
    return "#" + std::to_string(reference);
  }

  void Menu(const WindowTemplate& t, std::uint32_t i) {
    const auto menu = t.Menu(i);
    if (!menu) {
      std::printf("  menu %s: record unreadable\n", Hex(t.IdAt(i)).c_str());
      failed_ = true;
      return;
    }
    std::string flags;
    if (menu->flags & kMenuHidden) flags += " hidden";
    if (menu->flags & kMenuDisabled) flags += " disabled";
    if (menu->flags & kMenuChecked) flags += " checked";
    std::printf("  menu %s level %" PRIu32 " %s flags%s handler %s", Hex(t.IdAt(i)).c_str(), menu->level,
                Quoted(menu->caption).c_str(), flags.empty() ? " none" : flags.c_str(), Handler(menu->handler).c_str());
    if (menu->hotkey != 0) std::printf(" hotkey %" PRIu32, menu->hotkey);
    std::printf("\n");
  }

  void Control(const WindowTemplate& t, std::uint32_t i) {
    const auto unit = t.Control(i);
    if (!unit) {
      std::printf("  unit %s: record unreadable\n", Hex(t.IdAt(i)).c_str());
      failed_ = true;
      return;
    }
    const UnitLayout* layout = FindUnitLayout(unit->head.type);
    const std::string type = layout ? std::string(layout->englishName) : "type " + Hex(unit->head.type);
    std::printf("  unit %s %s %s\n", Hex(t.IdAt(i)).c_str(), type.c_str(), Quoted(unit->head.name).c_str());
    if (unit->head.eventSource != 0) std::printf("    events of %s\n", Hex(unit->head.eventSource).c_str());
    if (!unit->head.comment.empty()) std::printf("    comment %s\n", Quoted(unit->head.comment).c_str());
    std::printf("    parent %s\n", unit->parent == 0 ? "window" : Hex(unit->parent).c_str());
    std::printf("    at %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 "\n", unit->left, unit->top, unit->width,
                unit->height);
    if (!unit->children.empty()) {
      std::printf("    children");
      for (const std::uint32_t child : unit->children) std::printf(" %s", child == 0 ? "|" : Hex(child).c_str());
      std::printf("\n");
    }
    std::string flags;
    if (unit->flags & kFlagVisible) flags += " visible";
    if (unit->flags & kFlagDisabled) flags += " disabled";
    if (unit->flags & kFlagTabStop) flags += " tabstop";
    std::printf("    flags%s\n    tab %" PRId32 "\n", flags.empty() ? " none" : flags.c_str(), unit->tabOrder);
    const MousePointer pointer = DecodeMousePointer(unit->mousePointer);
    switch (pointer.kind) {
      case MousePointer::Kind::kDefault: std::printf("    pointer default\n"); break;
      case MousePointer::Kind::kStock:
        std::printf("    pointer stock %" PRIu32 " (index %" PRIu32 ")\n", pointer.cursorNumber,
                    StockPointerIndex(pointer.cursorNumber));
        break;
      case MousePointer::Kind::kFile: std::printf("    pointer cursor file of %zu bytes\n", pointer.file.size()); break;
    }
    if (!unit->tag.empty()) std::printf("    tag %s\n", Quoted(unit->tag).c_str());
    for (const EventBinding& b : unit->bindings)
      std::printf("    on %" PRId32 " -> %s\n", b.event, Handler(b.handler).c_str());
    Stored(layout, t.Record(i)->subspan(unit->stored.offset, unit->stored.length));
  }

  void Stored(const UnitLayout* layout, std::span<const std::uint8_t> block) {
    if (!layout) {
      std::printf("    stored %s\n", ByteCount(block.size()).c_str());
      return;
    }
    std::vector<PropertyValue> values = DefaultProperties(*layout);
    std::string failure;
    const auto read = ReadStored(*layout, block, values, &failure);
    if (!read) {
      std::printf("    stored block unreadable: %s\n", failure.c_str());
      failed_ = true;
      return;
    }
    if (block.empty()) std::printf("    stored empty (defaults)\n");
    else std::printf("    stored version %" PRIu32 "\n", read->version);
    for (std::size_t k = 0; k < layout->properties.size(); ++k)
      std::printf("      %s = %s\n", std::string(layout->properties[k].name).c_str(),
                  ValueText(layout->properties[k], values[k]).c_str());
  }

  std::span<const std::string_view> handlers_;
  bool failed_ = false;
};

int Usage() {
  std::fprintf(stderr, "usage: zorvel-forms [--block FILE]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::uint8_t> fromFile;
  std::span<const std::uint8_t> block;
  if (argc == 1) {
    block = EmbeddedFormData();
  } else if (argc == 3 && std::string_view(argv[1]) == "--block") {
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "zorvel-forms: %s: cannot be read\n", argv[2]);
      return 2;
    }
    fromFile.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    block = fromFile;
  } else {
    return Usage();
  }

  std::string failure;
  const auto data = ParseFormData(block, &failure);
  if (!data) {
    std::fprintf(stderr, "zorvel-forms: form data refused: %s\n", failure.c_str());
    return 1;
  }
  Printer printer(EmbeddedHandlerNames());
  for (std::size_t w = 0; w < data->templates.size(); ++w) printer.Window(data->windowIds[w], data->templates[w]);
  return printer.failed() ? 1 : 0;
}
