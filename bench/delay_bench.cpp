// Processor time used by Delay while nothing happens: the delay must sleep in the event
// dispatcher, not spin. Reported as CPU milliseconds per second of delay.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <cstdlib>

#include "runtime/ui/system.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void DelayIdle(benchmark::State& state) {
  const int ms = static_cast<int>(state.range(0));
  double cpu = 0;
  for (auto _ : state) {
    const double before = CpuSeconds();
    zorvel::Call(zorvel::cmd::Delay, ms);
    cpu += CpuSeconds() - before;
  }
  state.counters["cpu_ms_per_s"] = 1000.0 * cpu / (static_cast<double>(state.iterations()) * ms / 1000.0);
}
BENCHMARK(DelayIdle)->Arg(1000)->Arg(4000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
