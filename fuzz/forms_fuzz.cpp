// Form data from outside: the reader takes any bytes without crashing, hanging or
// reading out of bounds, and every block it accepts keeps its promises: each record
// gives its views, lookups find what the table holds, and writing the described
// windows again reads back as the same description.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "forms/form_data.h"
#include "forms/form_writer.h"

namespace {

using namespace zorvel::forms;

void Check(bool condition) {
  if (!condition) std::abort();
}

void WalkTemplate(const WindowTemplate& t) {
  for (std::uint32_t i = 0; i < t.UnitCount(); ++i) {
    const auto record = t.Record(i);
    Check(record.has_value());
    const auto head = t.Head(i);
    Check(head.has_value());
    const auto stored = t.Stored(i);
    Check(stored && stored->offset + stored->length == record->size());
    if (t.IsMenuItem(i)) {
      const auto menu = t.Menu(i);
      Check(menu && !t.Control(i) && menu->slotsOffset + 16 <= record->size());
    } else {
      const auto control = t.Control(i);
      Check(control && !t.Menu(i));
      Check(control->bindingsOffset + 8 * control->bindings.size() + 20 == control->stored.offset);
      const MousePointer p = DecodeMousePointer(control->mousePointer);
      Check(p.file.size() <= control->mousePointer.size());
      StockPointerIndex(p.cursorNumber);
    }
    // The first unit holding this id is the one found.
    const auto index = t.IndexOf(t.IdAt(i));
    Check(index && *index <= i && t.IdAt(*index) == t.IdAt(i));
  }
  const MenuRun run = t.MenuItems();
  Check(run.first + run.count <= t.UnitCount());
  for (std::uint32_t k = 0; k < run.count; ++k) Check(t.IsMenuItem(run.first + k));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const auto data = ParseFormData(std::span(bytes, size));
  if (!data) return 0;
  Check(data->templates.size() == data->windowIds.size());
  for (std::size_t w = 0; w < data->templates.size(); ++w) {
    WalkTemplate(data->templates[w]);
    const WindowTemplate* found = data->Find(data->windowIds[w]);
    Check(IsValidId(data->windowIds[w]) ? found != nullptr : found == nullptr);
  }

  const auto windows = Describe(*data);
  Check(windows.has_value());
  const auto again = ParseFormData(WriteFormData(*windows));
  Check(again.has_value());
  const auto described = Describe(*again);
  Check(described && *described == *windows);

  // Handler references resolve through a table of eight routines exactly when each one
  // is −1 or an index into it.
  static const int kRoutines[8] = {};
  const int* table[8];
  for (int k = 0; k < 8; ++k) table[k] = &kRoutines[k];
  const auto refs = HandlerReferences(*data);
  bool allInTable = true;
  for (const auto& r : refs) allInTable = allInTable && r.reference >= -1 && r.reference < 8;
  const auto resolved = ResolveHandlers<const int*>(*data, std::span<const int* const>(table));
  Check(resolved.has_value() == allInTable);
  if (resolved) {
    Check(resolved->size() == refs.size());
    for (std::size_t k = 0; k < refs.size(); ++k)
      Check((*resolved)[k].routine == (refs[k].reference < 0 ? nullptr : table[refs[k].reference]));
  }
  return 0;
}
