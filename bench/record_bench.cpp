// The draw record's cost: one draw entry appended to draws.log on this machine's disk
// (read the last line, hash it, write, fsync), as the median and the 99th percentile of
// single appends; and verify over a record of 100 000 draws.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "app/draw/draw_record.h"
#include "app/draw/record_check.h"
#include "tests/support/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace record = zorvel::record;

constexpr std::array<std::int32_t, 8> kCounts{1, 2, 4, 8, 10, 15, 20, 50};

// The fields of a draw entry as the program writes them.
record::Fields DrawFields(int level, double ledger) {
  return std::move(record::Fields()
                       .Add("egg", 3)
                       .Add("mode", "quantity")
                       .Add("counts", std::span<const std::int32_t>(kCounts))
                       .Add("tickets", std::uint64_t{110})
                       .Add("ticket", std::uint64_t{57})
                       .Add("level", level)
                       .Add("ledger", ledger)
                       .Add("picture", true));
}

void BM_RecordDraw(benchmark::State& state) {
  // In the system's temporary folder: run it where that is a real disk, not a tmpfs.
  zorvel::test::TempFolder folder("zorvel-record-bench");
  const std::string path = folder / record::kFileName;
  // A record of a day's draws already there: the last line is read from its end.
  if (!record::Append(path, "start", record::Fields()).empty()) state.SkipWithError("cannot write the record");
  std::vector<double> times;
  double ledger = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    const record::Problem problem = record::Append(path, "draw", DrawFields(8, ++ledger));
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (!problem.empty()) state.SkipWithError(problem.c_str());
  }
  std::sort(times.begin(), times.end());
  if (!times.empty()) {
    state.counters["median_ms"] = times[times.size() / 2];
    state.counters["p99_ms"] = times[std::min(times.size() - 1, times.size() * 99 / 100)];
    state.counters["max_ms"] = times.back();
  }
}
BENCHMARK(BM_RecordDraw)->Iterations(1000)->Unit(benchmark::kMillisecond);

// 100 000 draws over ten runs, each run's start carrying the ledger the draws left.
std::string HundredThousandDraws(record::Ledger* ledger) {
  std::string bytes;
  std::string prev = record::Sha256Hex({});
  std::int64_t seq = 0;
  const auto add = [&](std::string_view kind, const record::Fields& fields) {
    const std::string line = record::EntryLine(++seq, "2026-05-01T14:03:07.412+08:00", kind, fields, prev);
    prev = record::Sha256Hex(line);
    bytes += line;
    bytes += '\n';
  };
  *ledger = {};
  for (int run = 0; run < 10; ++run) {
    add("start", record::Fields()
                     .Add("counts", std::span<const std::int32_t>(kCounts))
                     .Add("ledger", std::span<const double>(*ledger)));
    for (int i = 0; i < 10000; ++i) {
      const int level = 1 + (i * 7 + run) % 8;
      (*ledger)[level - 1] += 1;
      add("draw", DrawFields(level, (*ledger)[level - 1]));
    }
    add("end", record::Fields().Add("ledger", std::span<const double>(*ledger)));
  }
  return bytes;
}

void BM_Verify100000Draws(benchmark::State& state) {
  record::Ledger ledger;
  const std::string bytes = HundredThousandDraws(&ledger);
  for (auto _ : state) {
    const record::Verdict verdict = record::Verify(bytes, ledger);
    if (!verdict.ok() || verdict.draws != 100000) state.SkipWithError("the generated record does not verify");
    benchmark::DoNotOptimize(verdict.headSeq);
  }
  state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(BM_Verify100000Draws)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
