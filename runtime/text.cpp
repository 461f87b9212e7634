#include "runtime/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "runtime/memory.h"
#include "runtime/values.h"

namespace zorvel {

const char kEmptyText[1] = {0};
alignas(4) const std::uint8_t kEmptyByteSet[8] = {1, 0, 0, 0, 0, 0, 0, 0};

char* CopyTextN(const char* bytes, std::ptrdiff_t n) {
  if (n < 1 || !bytes) return nullptr;
  auto* t = static_cast<char*>(Allocate(static_cast<std::size_t>(n) + 1));
  std::memcpy(t, bytes, static_cast<std::size_t>(n));
  t[n] = 0;
  return t;
}

char* CopyText(const char* text) {
  return CopyTextN(text, static_cast<std::ptrdiff_t>(TextLength(text)));
}

char* ConcatTexts(std::initializer_list<const char*> parts) {
  std::size_t total = 0;
  for (const char* p : parts) total += TextLength(p);
  if (total == 0) return nullptr;
  auto* t = static_cast<char*>(Allocate(total + 1));
  char* out = t;
  for (const char* p : parts) {
    const std::size_t n = TextLength(p);
    if (n) std::memcpy(out, p, n);
    out += n;
  }
  *out = 0;
  return t;
}

char* FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  char* t = nullptr;
  if (n > 0) {
    t = static_cast<char*>(Allocate(static_cast<std::size_t>(n) + 1));
    std::vsnprintf(t, static_cast<std::size_t>(n) + 1, format, again);
  }
  va_end(again);
  return t;
}

namespace {
std::uint32_t ReadWord(const void* p, std::size_t index) {
  std::uint32_t w;
  std::memcpy(&w, static_cast<const std::uint8_t*>(p) + 4 * index, 4);
  return w;
}
void WriteWord(void* p, std::size_t index, std::uint32_t w) {
  std::memcpy(static_cast<std::uint8_t*>(p) + 4 * index, &w, 4);
}
}  // namespace

std::uint8_t* MakeByteSet(const void* bytes, std::ptrdiff_t n) {
  if (n <= 0 || !bytes) return nullptr;
  auto* b = static_cast<std::uint8_t*>(Allocate(8 + static_cast<std::size_t>(n)));
  WriteWord(b, 0, 1);
  WriteWord(b, 1, static_cast<std::uint32_t>(n));
  std::memcpy(b + 8, bytes, static_cast<std::size_t>(n));
  return b;
}

std::size_t ByteSetLength(const std::uint8_t* b) { return b ? ReadWord(b, 1) : 0; }
const std::uint8_t* ByteSetData(const std::uint8_t* b) { return b ? b + 8 : kEmptyByteSet + 8; }

void* MakeArray(std::uint32_t elementType, std::initializer_list<std::uint32_t> sizes) {
  std::size_t count = sizes.size() ? 1 : 0;
  for (auto s : sizes) count *= s;
  const std::size_t header = 4 * (1 + sizes.size());
  const std::size_t bytes = header + count * type::StoredSize(elementType);
  void* a = Allocate(bytes);
  std::memset(a, 0, bytes);
  WriteWord(a, 0, static_cast<std::uint32_t>(sizes.size()));
  std::size_t i = 1;
  for (auto s : sizes) WriteWord(a, i++, s);
  return a;
}

std::uint32_t ArrayDimensions(const void* a) { return a ? ReadWord(a, 0) : 0; }
std::uint32_t ArrayDimension(const void* a, std::uint32_t index) {
  return index < ArrayDimensions(a) ? ReadWord(a, 1 + index) : 0;
}
std::size_t ArrayElementCount(const void* a) {
  const std::uint32_t d = ArrayDimensions(a);
  if (d == 0) return 0;
  std::size_t count = 1;
  for (std::uint32_t i = 0; i < d; ++i) count *= ReadWord(a, 1 + i);
  return count;
}
void* ArrayElements(void* a) { return static_cast<std::uint8_t*>(a) + 4 * (1 + ArrayDimensions(a)); }
const void* ArrayElements(const void* a) {
  return static_cast<const std::uint8_t*>(a) + 4 * (1 + ArrayDimensions(a));
}

void FreeArray(void* a, std::uint32_t elementType) {
  if (!a || IsConstantData(a)) return;
  if (elementType == type::kText || elementType == type::kByteSet) {
    auto* elements = static_cast<void**>(ArrayElements(a));
    const std::size_t n = ArrayElementCount(a);
    for (std::size_t i = 0; i < n; ++i) Free(elements[i]);
  }
  Free(a);
}

void MakeArrayWritable(void** variable, std::uint32_t elementSize) {
  void* a = *variable;
  if (!a || !IsConstantData(a)) return;
  const std::size_t bytes = 4 * (1 + ArrayDimensions(a)) + ArrayElementCount(a) * elementSize;
  void* copy = Allocate(bytes);
  std::memcpy(copy, a, bytes);
  *variable = copy;
}

void FreeValue(std::uint64_t value, std::uint32_t code) {
  void* p = reinterpret_cast<void*>(value);
  if (code == type::kText || code == type::kByteSet) Free(p);
  else if (type::IsArray(code)) FreeArray(p, type::ElementOf(code));
}

}  // namespace zorvel
