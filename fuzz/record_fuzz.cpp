// A draw record of any bytes (a damaged disk, a hand edit, a forgery): verify and the
// summary read it to the end and answer; every break they report names a line of the
// record (or 0, the ledger), and a record they call whole has every line an entry.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/draw/draw_record.h"
#include "app/draw/record_check.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view record(reinterpret_cast<const char*>(data), size);
  const std::size_t lines = zorvel::record::SplitLines(record).size();
  const zorvel::record::Verdict verdict = zorvel::record::Verify(record, zorvel::record::Ledger{}, "ab");
  Check(!verdict.ok());  // no line hashes to "ab"
  for (const zorvel::record::Break& b : verdict.breaks) Check(b.line <= lines);
  const zorvel::record::Verdict plain = zorvel::record::Verify(record, std::nullopt);
  if (plain.ok()) Check(plain.entries == lines);
  zorvel::record::Summary summary;
  Check(zorvel::record::Summarize(record, "", &summary));
  std::size_t wins = 0;
  for (const std::size_t w : summary.wins) wins += w;
  Check(wins == summary.draws);
  return 0;
}
