// The text codec's speed on what the program converts: a screen of Chinese text each
// way, and the file names the file layer turns into native paths (a plain program folder
// and one whose name holds characters GBK has no code for).
#include <benchmark/benchmark.h>

#include <string>

#include "text/files.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"

namespace {

using namespace zorvel::literals;

// About 4 KiB of Chinese text with ASCII between, as GBK and as UTF-8.
std::string ChineseGbk() {
  std::string text;
  while (text.size() < 4096) text += "一等奖：彩电一台 (1 名)，二等奖：冰箱 2 台。\r\n"_gbk;
  return text;
}

void BM_GbkToUtf8(benchmark::State& state) {
  const std::string gbk = ChineseGbk();
  for (auto _ : state) benchmark::DoNotOptimize(zorvel::gbk::ToUtf8(gbk));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * gbk.size()));
}
BENCHMARK(BM_GbkToUtf8);

void BM_Utf8ToGbk(benchmark::State& state) {
  const std::string utf8 = zorvel::gbk::ToUtf8(ChineseGbk());
  for (auto _ : state) benchmark::DoNotOptimize(zorvel::gbk::FromUtf8(utf8));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * utf8.size()));
}
BENCHMARK(BM_Utf8ToGbk);

// A prize picture's name as the program builds it, in a plain folder.
void BM_NativePathPlain(benchmark::State& state) {
  const std::string name = "/home/operator/zorvel\\奖品图片\\3.jpg"_gbk;
  for (auto _ : state) benchmark::DoNotOptimize(zorvel::NativePath(name));
}
BENCHMARK(BM_NativePathPlain);

// The same name in a folder whose name GBK cannot hold, from the UTF-8 folder on.
void BM_NativePathOutsideGbk(benchmark::State& state) {
  const std::string folder = zorvel::gbk::FromUtf8("/home/operator/Fiesta ñ 🎉 한국");
  const std::string name = folder + "\\奖品图片\\3.jpg"_gbk;
  for (auto _ : state) benchmark::DoNotOptimize(zorvel::NativePath(name));
}
BENCHMARK(BM_NativePathOutsideGbk);

}  // namespace
