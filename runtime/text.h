// Texts, byte sets and arrays on the runtime heap.
//
// A text is a zero-terminated GBK string; the empty text is the null pointer wherever
// a text is returned or stored. A byte set is a block {int32 1, int32 n, n bytes};
// the empty byte set is the null pointer. An array is {int32 d, int32 sizes[d],
// elements in row-major order}; a byte set is laid out as a one-dimensional byte array.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace zorvel {

// What an empty text or byte-set argument points at: a command may read its text and
// byte-set arguments without testing for null.
extern const char kEmptyText[1];
extern const std::uint8_t kEmptyByteSet[8];

// Copies a zero-terminated text; null or empty gives null.
char* CopyText(const char* text);
// Copies n bytes into a new text; n below 1 gives null.
char* CopyTextN(const char* bytes, std::ptrdiff_t n);
inline char* CopyText(std::string_view s) { return CopyTextN(s.data(), static_cast<std::ptrdiff_t>(s.size())); }
// Concatenates texts (null counts as empty) into a new text; all empty gives null.
char* ConcatTexts(std::initializer_list<const char*> parts);
// printf into a new text (empty result gives null).
char* FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Length of a text in bytes (null is 0).
inline std::size_t TextLength(const char* text) { return text ? std::char_traits<char>::length(text) : 0; }
inline std::string_view TextView(const char* text) { return text ? std::string_view(text) : std::string_view(); }

// Makes a byte set from n bytes; n of 0 or below gives null.
std::uint8_t* MakeByteSet(const void* bytes, std::ptrdiff_t n);
inline std::uint8_t* MakeByteSet(std::string_view s) {
  return MakeByteSet(s.data(), static_cast<std::ptrdiff_t>(s.size()));
}
// Length and bytes of a byte set (null, or a block of length 0, is empty).
std::size_t ByteSetLength(const std::uint8_t* byteSet);
const std::uint8_t* ByteSetData(const std::uint8_t* byteSet);
inline std::string_view ByteSetView(const std::uint8_t* byteSet) {
  return {reinterpret_cast<const char*>(ByteSetData(byteSet)), ByteSetLength(byteSet)};
}

// Arrays. elementType is a basic data-type code.
void* MakeArray(std::uint32_t elementType, std::initializer_list<std::uint32_t> sizes);
std::uint32_t ArrayDimensions(const void* array);
std::uint32_t ArrayDimension(const void* array, std::uint32_t index);
std::size_t ArrayElementCount(const void* array);
void* ArrayElements(void* array);
const void* ArrayElements(const void* array);
// Frees an array, first each element of a text or byte-set array.
void FreeArray(void* array, std::uint32_t elementType);
// Before code changes an array that still lies in constant data, the whole block is
// copied to the heap; the variable then points at the copy.
void MakeArrayWritable(void** variable, std::uint32_t elementSize);

// Frees whatever a typed value owns: a text, a byte set or an array (with its
// elements).
void FreeValue(std::uint64_t value, std::uint32_t type);

}  // namespace zorvel
