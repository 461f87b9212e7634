// Form sources from outside: the source reader and the handler-list reader take any text
// without crashing, hanging or reading out of bounds, and every source the reader accepts
// makes a block that reads back as the window it described.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "forms/form_data.h"
#include "forms/form_writer.h"
#include "tools/formc/form_source.h"

namespace {

using namespace zorvel::forms;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(bytes), size);

  SourceError error;
  const auto handlers = ParseHandlerList(text, "handlers.def", &error);
  Check(handlers.has_value() || (error.line >= 1 && !error.message.empty()));

  static const std::vector<std::string> kHandlers = {"main_created", "confirm", "egg_clicked"};
  // Names starting with "a" are files of a few bytes; others do not exist.
  const FileLookup files = [](std::string_view name) -> std::optional<std::string> {
    if (name.starts_with("a")) return std::string("\x00\x00\x02\x00", 4) + std::string(name);
    return std::nullopt;
  };
  const auto source = ParseFormSource(text, "fuzz.form", kHandlers, files, &error);
  if (!source) {
    Check(error.file == "fuzz.form" && !error.message.empty() && error.line >= 0);
    return 0;
  }
  const WindowDescription& window = source->window;
  Check(!window.units.empty() && source->unitLines.size() == window.units.size());
  Check(CheckProgramIds(std::span(&*source, 1)));
  for (const UnitDescription& u : window.units) {
    for (const EventBinding& b : u.bindings) Check(b.handler >= -1 && b.handler < 3);
    Check(u.handler >= -1 && u.handler < 3);
  }

  const auto data = ParseFormData(WriteFormData(std::span(&window, 1)));
  Check(data.has_value());
  const auto described = Describe(*data);
  Check(described && described->size() == 1);
  // Texts read back up to their first 0 byte; the sources cannot write one.
  Check(described->front() == window);
  return 0;
}
