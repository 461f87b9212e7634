// The text codec takes file names and settings text from outside: any bytes must
// convert without reading out of bounds, and any bytes taken into GBK (a Linux file
// name need not even be UTF-8) must come back byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/files.h"
#include "text/gbk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Outside bytes -> GBK with escapes -> the same bytes, as text and as a path.
  bool allGbk = false;
  const std::string gbk = zorvel::gbk::FromUtf8(bytes, &allGbk);
  if (zorvel::gbk::ToUtf8(gbk) != bytes) std::abort();
  if (zorvel::NativePath(zorvel::gbk::FromNativePath(bytes)) != bytes) std::abort();

  // Any GBK text -> UTF-8 -> GBK -> the same UTF-8 again.
  const std::string utf8 = zorvel::gbk::ToUtf8(bytes);
  if (zorvel::gbk::ToUtf8(zorvel::gbk::FromUtf8(utf8)) != utf8) std::abort();
  (void)zorvel::NativePath(bytes);
  return 0;
}
