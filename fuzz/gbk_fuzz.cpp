// The text codec takes file names and settings text from outside: any bytes must
// convert without reading out of bounds, and valid conversions must round-trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/files.h"
#include "text/gbk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string utf8 = zorvel::gbk::ToUtf8(bytes);
  bool lossless = false;
  const std::string gbk = zorvel::gbk::FromUtf8(utf8, &lossless);
  // Whatever came out of the decoder is valid UTF-8 and converts back again.
  const std::string again = zorvel::gbk::ToUtf8(gbk);
  if (lossless && again != utf8) std::abort();
  (void)zorvel::gbk::FromUtf8(bytes);
  (void)zorvel::NativePath(bytes);
  return 0;
}
