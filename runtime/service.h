// The one numbered service entry through which unit libraries and the runtime's own
// parts reach the runtime core.
#pragma once

#include <cstdint>

namespace zorvel {

namespace service {
inline constexpr int kToInteger = 2001;        // first: const TypedValue*; a numeric value as an integer
inline constexpr int kNothing = 2002;          // returns 0
inline constexpr int kRunDirectory = 2003;     // the program folder (GBK, not to be freed)
inline constexpr int kProgramFileName = 2004;  // the program's file name (not to be freed)
inline constexpr int kFreeArray = 2023;        // first: array block, second: element type code
inline constexpr int kAllocate = 2024;         // first: size; second non-zero: null instead of an error
inline constexpr int kFree = 2025;             // first: block
inline constexpr int kReallocate = 2026;       // first: block, second: size
inline constexpr int kRuntimeError = 2027;     // first: message (GBK)
inline constexpr int kEndProgram = 2028;       // first: exit code
inline constexpr int kProgramKind = 2030;      // 3
}  // namespace service

// The kind of program this is, as the runtime reports it.
inline constexpr int kProgramKind = 3;

std::intptr_t ServiceRequest(int code, std::intptr_t first, std::intptr_t second);

// Parts built on the core (windows, sound) serve their own codes.
using ServiceHandler = std::intptr_t (*)(std::intptr_t first, std::intptr_t second);
void ProvideService(int code, ServiceHandler handler);

}  // namespace zorvel
