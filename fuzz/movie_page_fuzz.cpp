// Pages that embed a movie, from outside: the reader takes any bytes without crashing,
// hanging or reading out of bounds, and gives either a page whose figures keep to the
// reader's limits or null with a one-line reason. A page that reads must read the same
// again with bytes after its <embed> tag cut off at the closing ">".
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/movie/page.h"

namespace {

using namespace zorvel::movie;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string reason;
  const auto page = ReadMoviePage(bytes, &reason);
  if (!page) {
    Check(reason.rfind("page: ", 0) == 0 && reason.find('\n') == std::string::npos);
    Check(size > 0 || reason == "page: no <embed> tag");
    return 0;
  }
  Check(size <= kMaxPageBytes);
  Check(!page->source.empty() && page->source.find("..") == std::string::npos);
  Check(page->source.find('/') == std::string::npos);
  Check(page->width >= 0 && page->width <= kMaxPageExtent);
  Check(page->height >= 0 && page->height <= kMaxPageExtent);
  if (page->background) Check(page->background->a == 255);
  return 0;
}
