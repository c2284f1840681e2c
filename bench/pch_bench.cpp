// The compile step of a typical <bits/stdc++.h> program through the
// precompiled-header cache, cold (no entry: the compile as it always was,
// then the build started in the background) and warm (the entry in place),
// beside the compiler run bare with the same words, in one run; the ratios
// are printed at the end, with the compiler handed the warm entry by hand:
// the least a compile with the entry can cost. Only the compiles are timed: after a cold one the
// benchmark waits, untimed, for its background build to end, so that it
// never competes with the next. Vorlix's own CPU time in a warm compile is
// what the cache's checks cost. VORLIX_BENCH_COMPILER (default /usr/bin/g++) and
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

const int ITERATIONS = 4;
std::string DIR, SOURCE, EXE, ROOT;
std::map<std::string, double> SECONDS;  // wall seconds of the compiles, bare, cold or warm
std::map<std::string, double> CPU;      // CPU seconds (user and system) of their processes
std::map<std::string, double> OWN;      // CPU seconds of this process meanwhile: the cache's checks

// CPU seconds of the children waited for so far: the compile's shell,
// compiler, assembler and linker (a detached background build is not among
// them). On a machine shared with other work, these vary less than wall time.
double Cpu(int who) {
  rusage use{};
  getrusage(who, &use);
  return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
         static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

std::string Setting(const char* name, const char* otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : otherwise;
}

// The entry's folder, or "" while there is none.
std::string Entry() {
  std::error_code ec;
  for (fs::directory_iterator it(ROOT, ec), end; !ec && it != end; ++it)
    if (it->path().filename().string().size() == 16) return it->path().string();
  return "";
}

bool Has_entry() { return !Entry().empty(); }

bool Build_is_running() {
  std::error_code ec;
  for (fs::directory_iterator it(ROOT, ec), end; !ec && it != end; ++it)
    if (it->path().extension() == ".tmp") return true;
  return false;
}

// Times one compile: wall and CPU seconds added to `name`'s sums.
double Children_cpu() { return Cpu(RUSAGE_CHILDREN); }

template <typename Step>
bool Time(const std::string& name, Step step) {
  const double own_start = Cpu(RUSAGE_SELF);
  const double cpu_start = Children_cpu();
  const auto start = std::chrono::steady_clock::now();
  const Program_run run = step();
  SECONDS[name] += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  CPU[name] += Children_cpu() - cpu_start;
  OWN[name] += Cpu(RUSAGE_SELF) - own_start;
  return run.succeeded();
}

void Wait_for_build() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
  while ((!Has_entry() || Build_is_running()) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// Each iteration compiles bare, cold and warm in turn, so that the load of a
// shared machine, which drifts over minutes, weighs on all three alike. The
// iteration's time is the three compiles'; the counters are each one's mean.
void BM_Bare_cold_warm(benchmark::State& state) {
  for (auto _ : state) {
    const double before = SECONDS["bare"] + SECONDS["cold"] + SECONDS["warm"];
    bool ok = Time("bare", [] { return Compile(COM_PATH, COM_SETTINGS, EXE, SOURCE); });
    fs::remove_all(ROOT);
    ok = ok && Time("cold", [] { return Compile_with_cache(COM_PATH, COM_SETTINGS, SOURCE, EXE, Run_in_background); });
    Wait_for_build();
    if (!Has_entry()) state.SkipWithError("no entry was made");
    ok = ok && Time("warm", [] { return Compile_with_cache(COM_PATH, COM_SETTINGS, SOURCE, EXE, Run_in_background); });
    // The least a compile with this entry can cost: the compiler handed it
    // by hand, with no checks and nothing held back.
    const std::string entry = Entry();
    ok = ok && !entry.empty() && setenv("CPATH", entry.c_str(), 1) == 0;
    ok = ok && Time("by_hand", [] { return Compile(COM_PATH, COM_SETTINGS, EXE, SOURCE); });
    unsetenv("CPATH");
    if (!ok) state.SkipWithError("a compile failed");
    state.SetIterationTime(SECONDS["bare"] + SECONDS["cold"] + SECONDS["warm"] - before);
  }
  const double n = static_cast<double>(state.iterations());
  for (const char* name : {"bare", "cold", "warm", "by_hand"}) {
    state.counters[std::string(name) + "_s"] = SECONDS[name] / n;
    state.counters[std::string(name) + "_cpu_s"] = CPU[name] / n;
    state.counters[std::string(name) + "_own_cpu_s"] = OWN[name] / n;
  }
}

BENCHMARK(BM_Bare_cold_warm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(ITERATIONS);

}  // namespace

int main(int argc, char** argv) {
  // The cold compile's build starts this program again, as Vorlix would.
  const std::vector<std::string> arguments(argv, argv + argc);
  if (Is_cache_job(arguments)) return Run_cache_job(arguments);
  char pattern[] = "/tmp/vorlix-pch-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  DIR = pattern;
  SOURCE = DIR + "/a.cpp";
  EXE = DIR + "/a.exe";
  ROOT = DIR + "/cache/vorlix/pch";
  std::ofstream(SOURCE) << PROGRAM;
  setenv("XDG_CACHE_HOME", (DIR + "/cache").c_str(), 1);
  // The compiles are timed as a user without a header path of their own
  // would make them; the one by hand sets CPATH to the entry.
  unsetenv("VORLIX_PCH");
  unsetenv("CPATH");
  COM_PATH = Setting("VORLIX_BENCH_COMPILER", "/usr/bin/g++");
  COM_SETTINGS = Setting("VORLIX_BENCH_OPTIONS", "");

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Wait_for_build();
  fs::remove_all(DIR);
  // The sums of equally many compiles each: their ratios are the means'.
  if (SECONDS["bare"] <= 0 || CPU["bare"] <= 0) return 1;
  for (const char* name : {"cold", "warm", "by_hand"})
    std::printf("%s / bare: wall %.2f, CPU %.2f\n", name, SECONDS[name] / SECONDS["bare"],
                (CPU[name] + OWN[name]) / CPU["bare"]);
  // Vorlix's own part of a warm compile: the scan, the checks of the folders
  // above and of every file the entry was made from, starting the compiler.
  std::printf("warm checks: %.2f ms of CPU, %.1f %% of the warm compile\n",
              OWN["warm"] / ITERATIONS * 1000, 100 * OWN["warm"] / (CPU["warm"] + OWN["warm"]));
  std::printf("warm / by_hand: CPU %.2f\n", (CPU["warm"] + OWN["warm"]) / CPU["by_hand"]);
  return 0;
}
