// Byte-set commands. Positions are 1-based and count bytes; every byte set handed back
// is a new block, and an empty one is null.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "runtime/commands.h"
#include "runtime/error.h"
#include "text/gbk_literal.h"

namespace zorvel::cmd {
namespace {
using namespace literals;

static_assert(std::endian::native == std::endian::little, "values are read from byte sets lowest byte first");

// Kinds of value GetBytesData reads, numbered as the application passes them.
enum Kind : std::int32_t {
  kByte = 1, kShort, kInteger, kLong, kFloat, kDouble, kLogical, kDateTime, kSubProgram, kText
};
constexpr std::size_t kKindSize[] = {0, 1, 2, 4, 8, 4, 8, 4, 8, 4, 0};

// n bytes from a 1-based position into out; bytes past the end (or before the start)
// read as zero.
void ReadBytes(std::string_view data, std::int64_t position, void* out, std::size_t n) {
  std::memset(out, 0, n);
  if (position < 1 || static_cast<std::uint64_t>(position) > data.size()) return;
  const std::size_t from = static_cast<std::size_t>(position) - 1;
  std::memcpy(out, data.data() + from, std::min(n, data.size() - from));
}

template <class T>
T Read(std::string_view data, std::int64_t position) {
  T v;
  ReadBytes(data, position, &v, sizeof v);
  return v;
}

}  // namespace

ZORVEL_COMMAND(ByteSetLength) {
  *result = TypedValue::Integer(static_cast<std::int32_t>(Arguments(argc, args).bytes(0).size()));
}

ZORVEL_COMMAND(RightBytes) {
  const Arguments a(argc, args);
  const std::string_view b = a.bytes(0);
  const std::int32_t n = a.integer(1);
  const std::size_t take = n < 1 ? 0 : std::min(b.size(), static_cast<std::size_t>(n));
  *result = TypedValue::ByteSet(MakeByteSet(b.substr(b.size() - take)));
}

ZORVEL_COMMAND(MidBytes) {
  const Arguments a(argc, args);
  const std::string_view b = a.bytes(0);
  const std::int32_t start = std::max(a.integer(1), 1);
  const std::int32_t n = a.integer(2);
  const bool empty = n < 1 || static_cast<std::size_t>(start) > b.size();
  *result = TypedValue::ByteSet(
      empty ? nullptr : MakeByteSet(b.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n))));
}

// Reads one value of the given kind at the position (default 1). With a position
// variable, the variable then points just past the value (past the terminator for a
// text); when nothing is left after it, the variable becomes -1. A position below 1
// reads nothing: the value is zero or the empty text, and the variable stays as it is,
// so a loop that reads until -1 ends there.
ZORVEL_COMMAND(GetBytesData) {
  const Arguments a(argc, args);
  const std::int32_t kind = a.integer(1);
  if (kind < kByte || kind > kText) RuntimeError("“欲取出数据的类型”参数值无效"_gbk);
  const std::string_view data = a.bytes(0);
  const std::int64_t position = a.integer(2, 1);

  std::size_t consumed = kKindSize[kind];
  switch (kind) {
    case kByte: *result = TypedValue::Byte(Read<std::uint8_t>(data, position)); break;
    case kShort: *result = TypedValue::Short(Read<std::int16_t>(data, position)); break;
    case kInteger: *result = TypedValue::Integer(Read<std::int32_t>(data, position)); break;
    case kLong: *result = TypedValue::Long(Read<std::int64_t>(data, position)); break;
    case kFloat: *result = TypedValue::Float(Read<float>(data, position)); break;
    case kDouble: *result = TypedValue::Double(Read<double>(data, position)); break;
    case kLogical: *result = TypedValue::Logical(Read<std::uint32_t>(data, position) != 0); break;
    case kDateTime: *result = TypedValue::DateTime(Read<double>(data, position)); break;
    case kSubProgram: *result = {Read<std::uint32_t>(data, position), type::kSubProgram}; break;
    case kText: {
      std::string_view text;
      if (position >= 1 && static_cast<std::uint64_t>(position) <= data.size()) {
        text = data.substr(static_cast<std::size_t>(position) - 1);
        text = text.substr(0, text.find('\0'));
      }
      *result = TypedValue::Text(CopyText(text));
      consumed = text.size() + 1;
      break;
    }
  }

  std::uint32_t variableType = 0;
  void* variable = a.variable(2, &variableType);
  if (variable && variableType == type::kInteger && position >= 1) {
    const std::int64_t next = position + static_cast<std::int64_t>(consumed);
    const std::int32_t stored = static_cast<std::uint64_t>(next) > data.size() ? -1 : static_cast<std::int32_t>(next);
    std::memcpy(variable, &stored, sizeof stored);
  }
}

}  // namespace zorvel::cmd
