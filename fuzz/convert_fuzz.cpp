// Texts and byte sets from outside (values read from the settings file) through the
// conversion, search, replace and byte-reading commands. Besides surviving any input,
// each result is checked against what the command promises.
//
// Layout of an input: the whole input, up to its first zero byte, is a settings value
// for the number readers. Then, read by FuzzedDataProvider: from the end a start, a
// count, a case flag and a GetBytesData kind; from the front the text, the sought text
// and the replacement ("\" ends each); whatever remains is the byte set.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/commands.h"
#include "runtime/memory.h"

namespace {
using namespace zorvel;

void Check(bool ok) {
  if (!ok) std::abort();
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Which bytes of a GBK text start a character, counted from the first byte.
std::vector<bool> CharacterStarts(std::string_view s) {
  std::vector<bool> starts(s.size(), false);
  for (std::size_t i = 0; i < s.size();) {
    starts[i] = true;
    i += static_cast<unsigned char>(s[i]) >= 0x80 ? 2 : 1;
  }
  return starts;
}

void CheckFind(std::string_view text, std::string_view sought, std::int32_t start, bool ignoreCase) {
  const std::int32_t found =
      Call(cmd::FindText, std::string(text), std::string(sought), start, ignoreCase).integer();
  if (found == -1) return;
  Check(found >= 1 && static_cast<std::size_t>(found) <= text.size());
  Check(start < 1 || found >= start || sought.empty());
  if (sought.empty()) return;
  const std::size_t at = static_cast<std::size_t>(found) - 1;
  Check(CharacterStarts(text)[at]);
  Check(text.size() - at >= sought.size());
  for (std::size_t i = 0; i < sought.size(); ++i) {
    const char a = text[at + i], b = sought[i];
    Check(ignoreCase ? Lower(a) == Lower(b) : a == b);
  }
}

void WalkBytes(const std::string& bytes, std::int32_t kind) {
  std::uint8_t* block = MakeByteSet(bytes);
  std::int32_t position = 1;
  for (int step = 0; step < 4096 && position != -1; ++step) {
    const std::int32_t before = position;
    const Value v = Call(cmd::GetBytesData, ByteSetArg{block}, kind, Var(position));
    Check(position == -1 || position > before);
    if (kind == 10) Check(v.view().size() <= bytes.size());
  }
  Free(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string whole(reinterpret_cast<const char*>(data), size);
  const char* value = whole.c_str();  // a settings value ends at a zero byte
  const double number = Call(cmd::ToNumber, value).number();
  Check(!std::isnan(number));
  Call(cmd::ToInteger, value);
  Call(cmd::ToByte, value);

  FuzzedDataProvider in(data, size);
  const auto start = in.ConsumeIntegral<std::int32_t>();
  const auto count = in.ConsumeIntegral<std::int32_t>();
  const bool flag = in.ConsumeBool();
  const auto kind = in.ConsumeIntegralInRange<std::int32_t>(1, 10);
  const std::string textBytes = in.ConsumeRandomLengthString();
  const std::string soughtBytes = in.ConsumeRandomLengthString();
  const std::string replacement = in.ConsumeRandomLengthString();
  const std::string bytes = in.ConsumeRemainingBytesAsString();
  const std::string_view text(textBytes.c_str());
  const std::string_view sought(soughtBytes.c_str());

  CheckFind(text, sought, start, flag);
  CheckFind(text, sought, 1, flag);

  // Replacing every match by itself gives the text back.
  const Value same = Call(cmd::ReplaceSubtext, textBytes, soughtBytes, soughtBytes, start, count, true);
  Check(same.view() == text);
  const Value replaced = Call(cmd::ReplaceSubtext, textBytes, soughtBytes, replacement, start, count, flag);
  Check(replaced.view().find('\0') == std::string_view::npos);

  const Value mid = Call(cmd::MidText, textBytes, start, count);
  Check(mid.view().size() <= static_cast<std::size_t>(count < 0 ? 0 : count));
  Check(text.find(mid.view()) != std::string_view::npos);
  const Value upper = Call(cmd::ToUpper, textBytes);
  Check(upper.view().size() == text.size());

  WalkBytes(bytes, kind);
  std::uint8_t* block = MakeByteSet(bytes);
  Call(cmd::GetBytesData, ByteSetArg{block}, kind, start);
  const Value tail = Call(cmd::MidBytes, ByteSetArg{block}, start, count);
  Check(tail.view().size() <= bytes.size());
  Free(block);
  return 0;
}
