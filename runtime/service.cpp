#include "runtime/service.h"

#include <map>

#include "runtime/command.h"
#include "runtime/error.h"
#include "runtime/memory.h"
#include "runtime/program.h"
#include "runtime/text.h"

namespace zorvel {

namespace {
std::map<int, ServiceHandler>& Handlers() {
  static std::map<int, ServiceHandler> handlers;
  return handlers;
}
template <class T>
T* Pointer(std::intptr_t p) {
  return reinterpret_cast<T*>(p);
}
std::intptr_t Address(const void* p) { return reinterpret_cast<std::intptr_t>(p); }
}  // namespace

void ProvideService(int code, ServiceHandler handler) { Handlers()[code] = handler; }

std::intptr_t ServiceRequest(int code, std::intptr_t first, std::intptr_t second) {
  if (const auto it = Handlers().find(code); it != Handlers().end()) return it->second(first, second);
  switch (code) {
    case service::kToInteger: return NumericToInteger(*Pointer<const TypedValue>(first));
    case service::kRunDirectory: return Address(RunDirectory());
    case service::kProgramFileName: return Address(ProgramFileName());
    case service::kFreeArray: FreeArray(Pointer<void>(first), static_cast<std::uint32_t>(second)); return 0;
    case service::kAllocate:
      return Address(second ? AllocateUnchecked(static_cast<std::size_t>(first)) : Allocate(static_cast<std::size_t>(first)));
    case service::kFree: Free(Pointer<void>(first)); return 0;
    case service::kReallocate: return Address(Reallocate(Pointer<void>(first), static_cast<std::size_t>(second)));
    case service::kRuntimeError: RuntimeError(Pointer<const char>(first));
    case service::kEndProgram: EndProgram(static_cast<int>(first));
    case service::kProgramKind: return kProgramKind;
    default: return 0;
  }
}

}  // namespace zorvel
