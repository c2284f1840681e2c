// How closely typed output keeps its pace of one byte per millisecond, and
// what the answer parser costs. Standard output goes to /dev/null so that only
// the pacing is measured.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "console/input.h"
#include "console/output.h"

namespace {

void BM_Print(benchmark::State& state) {
  const std::string text(static_cast<std::size_t>(state.range(0)), 'x');
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int null = open("/dev/null", O_WRONLY);
  dup2(null, STDOUT_FILENO);
  for (auto _ : state) Print(text, 1);
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  close(null);
  // Time per byte: 1 ms is the nominal pace.
  state.counters["time_per_byte"] = benchmark::Counter(
      static_cast<double>(state.iterations() * state.range(0)),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_Print)->Arg(15)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Parse_answer(benchmark::State& state) {
  const std::string lines[] = {"1", "001", "999999999", "1.0", "", "0000000001"};
  std::int32_t value = 0;
  for (auto _ : state)
    for (const auto& line : lines) benchmark::DoNotOptimize(Parse_answer(line, value));
}
BENCHMARK(BM_Parse_answer);

}  // namespace
