#include "windows/templates.h"

#include <optional>
#include <utility>

namespace zorvel::forms {

namespace {
std::optional<FormData> g_templates;
}  // namespace

void SetTemplates(FormData data) { g_templates = std::move(data); }

FormData& Templates() {
  if (!g_templates) g_templates.emplace();
  return *g_templates;
}

bool HasTemplates() { return g_templates.has_value(); }

void ClearTemplates() { g_templates.reset(); }

}  // namespace zorvel::forms
