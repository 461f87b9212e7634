#include "runtime/memory.h"

#include <link.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "runtime/error.h"
#include "text/gbk_literal.h"

namespace zorvel {
using namespace literals;

namespace {

struct Range {
  std::uintptr_t start, end;
};

// The read-only loadable segments of the program and its libraries, found once.
const std::vector<Range>& ConstantRanges() {
  static const std::vector<Range> ranges = [] {
    std::vector<Range> out;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
          auto* list = static_cast<std::vector<Range>*>(data);
          for (int i = 0; i < info->dlpi_phnum; ++i) {
            const auto& ph = info->dlpi_phdr[i];
            if (ph.p_type != PT_LOAD || (ph.p_flags & PF_W)) continue;
            const std::uintptr_t start = info->dlpi_addr + ph.p_vaddr;
            list->push_back({start, start + ph.p_memsz});
          }
          return 0;
        },
        &out);
    return out;
  }();
  return ranges;
}

const Range* FindRange(const void* p) {
  const auto a = reinterpret_cast<std::uintptr_t>(p);
  for (const auto& r : ConstantRanges())
    if (a >= r.start && a < r.end) return &r;
  return nullptr;
}

// Copies from constant data by the segment's bounds rather than the object's: a literal
// grown in place has no recorded size, and the bytes past it up to the end of the
// segment are readable. The address checker would see a read past the literal, so
// this copy is not instrumented.
__attribute__((no_sanitize("address"))) void CopyFromConstantData(void* to, const void* from, std::size_t n) {
  auto* out = static_cast<volatile std::uint8_t*>(to);
  const auto* in = static_cast<const volatile std::uint8_t*>(from);
  for (std::size_t i = 0; i < n; ++i) out[i] = in[i];
}

[[noreturn]] void OutOfMemory(std::size_t size) {
  // Formatted on the stack: the heap has just refused a block.
  char message[64];
  std::snprintf(message, sizeof message, "分配 %d 字节内存失败!"_gbk, static_cast<int>(size));
  RuntimeError(message, 0);
}

}  // namespace

bool IsConstantData(const void* p) { return p && FindRange(p); }

std::size_t ConstantBytesFrom(const void* p) {
  const Range* r = p ? FindRange(p) : nullptr;
  return r ? r->end - reinterpret_cast<std::uintptr_t>(p) : 0;
}

void* AllocateUnchecked(std::size_t size) { return std::malloc(size ? size : 1); }

void* Allocate(std::size_t size) {
  void* p = AllocateUnchecked(size);
  if (!p) OutOfMemory(size);
  return p;
}

void* Reallocate(void* block, std::size_t size) {
  if (!block) return Allocate(size);
  if (const std::size_t available = ConstantBytesFrom(block)) {
    void* copy = Allocate(size);
    CopyFromConstantData(copy, block, std::min(size, available));
    return copy;
  }
  void* p = std::realloc(block, size ? size : 1);
  if (!p) OutOfMemory(size);
  return p;
}

void Free(void* block) {
  if (!block || IsConstantData(block)) return;
  std::free(block);
}

}  // namespace zorvel
