// The compile step of a typical <bits/stdc++.h> program through the
// precompiled-header cache, cold (no entry: the compile as it always was,
// then the build started in the background) and warm (the entry in place),
// beside the compiler run bare with the same words, in one run; the ratios
// are printed at the end. Each iteration times the compile alone: a cold
// iteration waits, untimed, for its background build to end, so that it never
// competes with the next. VORLIX_BENCH_COMPILER (default /usr/bin/g++) and
// VORLIX_BENCH_OPTIONS (default none) choose the compile.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "platform/platform.h"
#include "run/pch_cache.h"
#include "settings/settings.h"

namespace fs = std::filesystem;

namespace {

const char* PROGRAM = R"(#include <bits/stdc++.h>
using namespace std;

int main() {
  ios::sync_with_stdio(false);
  cin.tie(nullptr);
  int n;
  cin >> n;
  vector<long long> a(n);
  for (auto& x : a) cin >> x;
  sort(a.begin(), a.end());
  map<long long, int> seen;
  for (auto x : a) ++seen[x];
  priority_queue<pair<int, long long>> top;
  for (auto [x, k] : seen) top.push({k, x});
  string answer;
  while (!top.empty()) {
    answer += to_string(top.top().second) + " ";
    top.pop();
  }
  cout << answer << '\n';
}
)";

std::string DIR, SOURCE, EXE, ROOT;
std::map<std::string, double> SECONDS;  // mean wall seconds of one compile, by benchmark
std::map<std::string, double> CPU;      // mean CPU seconds (user and system) of its processes

// CPU seconds of the children waited for so far: the compile's shell,
// compiler, assembler and linker (a detached background build is not among
// them). On a machine shared with other work, these vary less than wall time.
double Children_cpu() {
  rusage use{};
  getrusage(RUSAGE_CHILDREN, &use);
  return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
         static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

std::string Setting(const char* name, const char* otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : otherwise;
}

bool Has_entry() {
  std::error_code ec;
  for (fs::directory_iterator it(ROOT, ec), end; !ec && it != end; ++it)
    if (it->path().filename().string().size() == 16) return true;
  return false;
}

bool Build_is_running() {
  std::error_code ec;
  for (fs::directory_iterator it(ROOT, ec), end; !ec && it != end; ++it)
    if (it->path().extension() == ".tmp") return true;
  return false;
}

template <typename Step>
void Timed(benchmark::State& state, const std::string& name, Step step, void (*before)(),
           void (*after)()) {
  double total = 0, cpu = 0;
  for (auto _ : state) {
    before();
    const double cpu_start = Children_cpu();
    const auto start = std::chrono::steady_clock::now();
    const int status = step();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpu += Children_cpu() - cpu_start;
    state.SetIterationTime(seconds);
    total += seconds;
    if (status != 0) state.SkipWithError("the compile failed");
    after();
  }
  SECONDS[name] = total / static_cast<double>(state.iterations());
  CPU[name] = cpu / static_cast<double>(state.iterations());
  state.counters["cpu_s"] = CPU[name];
}

void Nothing() {}

void Empty_cache() { fs::remove_all(ROOT); }

void Wait_for_build() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
  while ((!Has_entry() || Build_is_running()) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

void Fill_cache() {
  if (!Has_entry()) {
    Compile_with_cache(SOURCE, EXE);
    Wait_for_build();
  }
}

void BM_Bare(benchmark::State& state) {
  Timed(state, "bare", [] { return Compile(COM_PATH, COM_SETTINGS, EXE, SOURCE); }, Nothing, Nothing);
}

void BM_Cold(benchmark::State& state) {
  Timed(state, "cold", [] { return Compile_with_cache(SOURCE, EXE); }, Empty_cache, Wait_for_build);
}

void BM_Warm(benchmark::State& state) {
  Fill_cache();
  if (!Has_entry()) state.SkipWithError("no entry was made");
  Timed(state, "warm", [] { return Compile_with_cache(SOURCE, EXE); }, Nothing, Nothing);
}

BENCHMARK(BM_Bare)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Cold)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Warm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  char pattern[] = "/tmp/vorlix-pch-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  DIR = pattern;
  SOURCE = DIR + "/a.cpp";
  EXE = DIR + "/a.exe";
  ROOT = DIR + "/cache/vorlix/pch";
  std::ofstream(SOURCE) << PROGRAM;
  setenv("XDG_CACHE_HOME", (DIR + "/cache").c_str(), 1);
  unsetenv("VORLIX_PCH");
  COM_PATH = Setting("VORLIX_BENCH_COMPILER", "/usr/bin/g++");
  COM_SETTINGS = Setting("VORLIX_BENCH_OPTIONS", "");

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Wait_for_build();
  fs::remove_all(DIR);
  if (SECONDS.count("bare") != 0 && SECONDS["bare"] > 0) {
    for (const char* name : {"cold", "warm"})
      if (SECONDS.count(name) != 0)
        std::printf("%s / bare: wall %.2f (%.0f ms / %.0f ms), CPU %.2f (%.0f ms / %.0f ms)\n",
                    name, SECONDS[name] / SECONDS["bare"], SECONDS[name] * 1000,
                    SECONDS["bare"] * 1000, CPU[name] / CPU["bare"], CPU[name] * 1000,
                    CPU["bare"] * 1000);
  }
  return 0;
}
