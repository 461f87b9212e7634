// The readable form sources (resources/forms/*.form, described in FORMAT.md there) and
// the handler list (app/handlers.def), turned into window descriptions that the form-data
// writer makes a block of. The form compiler (tools/formc/zorvel_formc.cpp) is their one user
// in the build; nothing reads the sources at run time.
//
// Stored properties go through the unit-type descriptions (unit_layout.h): a unit starts
// from its type's defaults, each `set` line changes one property by name, and the stored
// block is written in the layout the runtime reads.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "forms/form_writer.h"

namespace zorvel::forms {

// Where a source (or the handler list) is wrong: its file, its line (from 1; 0 when the
// fault is the file as a whole) and a sentence.
struct SourceError {
  std::string file;
  int line = 0;
  std::string message;
  // "file:line: message" (or "file: message" for line 0).
  std::string Text() const;
};

// The handler names of app/handlers.def: every line of the form ZORVEL_HANDLER(name)
// (blanks around it and a trailing // comment allowed) names the next handler; other lines
// are ignored. A malformed ZORVEL_HANDLER line, a name used twice or the reserved name
// `none` is an error.
std::optional<std::vector<std::string>> ParseHandlerList(std::string_view text, std::string_view fileName,
                                                         SourceError* error = nullptr);

// The bytes of a file a source names with `file "name"` (name as written, UTF-8), or
// nothing when there is no such file. The compiler looks beside the source, then in its
// search folders.
using FileLookup = std::function<std::optional<std::string>(std::string_view name)>;

// One parsed source: the window and, for messages about it later, where things were.
struct FormSource {
  std::string file;
  std::string name;  // the window's short name from its `window` line (UTF-8)
  int windowLine = 0;
  WindowDescription window;
  std::vector<int> unitLines;  // the line of each unit's `unit` or `menu` line
  // The name the program's code knows each unit by (its `name` line; empty without one).
  std::vector<std::string> unitNames;
};

// Parses one source (UTF-8). handlers gives the handler references (a name's position);
// files answers `file` names. Fails with the first error.
std::optional<FormSource> ParseFormSource(std::string_view text, std::string_view fileName,
                                          std::span<const std::string> handlers, const FileLookup& files,
                                          SourceError* error = nullptr);

// Checks what no single source can: window ids and unit ids are unique in the program.
bool CheckProgramIds(std::span<const FormSource> sources, SourceError* error = nullptr);

// Builds the logical font of a `font` value: 60 bytes, height −(points × 96 / 72)
// rounded, weight 400 (700 bold), character set 134, face name zero-terminated GBK of at
// most 31 bytes. Fails when the face name is too long.
struct FontSpec {
  std::string face;  // GBK
  std::int32_t points = 9;
  std::optional<std::int32_t> height;  // overrides the height from points
  std::int32_t width = 0;
  std::int32_t angle = 0;  // tenths of a degree: escapement and orientation
  std::int32_t weight = 400;
  bool italic = false, underline = false, strikeOut = false;
  std::uint8_t charset = 134;
  std::uint8_t outPrecision = 0, clipPrecision = 0, quality = 0, pitchAndFamily = 0;
};
std::optional<std::string> MakeLogicalFont(const FontSpec& spec);

}  // namespace zorvel::forms
