#include "windows/units/cartoon/cartoon_commands.h"

#include <cstring>

#include "runtime/text.h"
#include "windows/unit_ref.h"
#include "windows/units/cartoon/cartoon_box.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

template <class T>
T* UnitArgument(const Arguments& a, int i) {
  if (!a.present(i)) return nullptr;
  const UnitRef ref = ReadUnitArgument(a[i]);
  return dynamic_cast<T*>(FindUnitObject(ref.window, ref.unit));
}

}  // namespace
}  // namespace zorvel::forms

namespace zorvel::cmd {

using forms::CartoonBoxUnit;
using forms::CartoonObjectUnit;

ZORVEL_COMMAND(CreateObject) {
  const Arguments a(argc, args);
  *result = TypedValue::Integer(0);
  CartoonBoxUnit* stage = forms::UnitArgument<CartoonBoxUnit>(a, 0);
  if (stage == nullptr) return;
  CartoonObjectUnit* from = forms::UnitArgument<CartoonObjectUnit>(a, 1);
  const double x = a.number(2), y = a.number(3);
  const bool visible = a.logical(4, true);
  std::string tag = a.present(5) ? std::string(a.textView(5)) : std::string();
  *result = TypedValue::Integer(stage->CreateSprite(from, x, y, visible, std::move(tag)));
}

ZORVEL_COMMAND(DestroyObjects) {
  (void)result;
  const Arguments a(argc, args);
  CartoonBoxUnit* stage = forms::UnitArgument<CartoonBoxUnit>(a, 0);
  if (stage == nullptr) return;
  for (int i = 1; i < a.count(); ++i) {
    if (!a.present(i)) continue;
    if (a[i].type == (type::kInteger | type::kArrayFlag)) {
      const void* array = a[i].AsPointer();
      if (array == nullptr) continue;
      const auto* ids = static_cast<const std::int32_t*>(ArrayElements(array));
      const std::size_t n = ArrayElementCount(array);
      for (std::size_t k = 0; k < n; ++k) stage->DestroySprite(ids[k]);
    } else {
      stage->DestroySprite(a.integer(i));
    }
  }
}

ZORVEL_COMMAND(RotateObject) {
  (void)result;
  const Arguments a(argc, args);
  CartoonBoxUnit* stage = forms::UnitArgument<CartoonBoxUnit>(a, 0);
  if (stage == nullptr) return;
  stage->RotateSprite(a.integer(1), a.integer(2));
}

}  // namespace zorvel::cmd
