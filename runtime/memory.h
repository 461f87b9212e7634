// Runtime memory: every text, byte set and array the runtime hands out lives on the
// process heap, and blocks in the program's read-only data (literals) are never
// freed or grown in place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zorvel {

// Takes size bytes; failure is the runtime error "分配 %d 字节内存失败!".
void* Allocate(std::size_t size);
// Takes size bytes; null on failure.
void* AllocateUnchecked(std::size_t size);
// Null behaves as Allocate; a block in constant data is copied into a new block;
// otherwise the block is resized (failure is the same runtime error as Allocate).
void* Reallocate(void* block, std::size_t size);
// Null and blocks in constant data are ignored.
void Free(void* block);

// True when p lies in the program's constant data: a read-only segment of the
// executable or of a loaded library (literal texts and byte sets live there).
bool IsConstantData(const void* p);
// Bytes from p to the end of the constant-data segment that holds it (0 when p is not
// constant data).
std::size_t ConstantBytesFrom(const void* p);

}  // namespace zorvel
