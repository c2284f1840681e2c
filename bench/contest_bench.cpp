// The judge's own cost per sample and the stress test's per round, beyond
// the programs' own runs: a hello-world-sized program (built with g++, or
// VORLIX_BENCH_COMPILER) judged through Run_on_input (scratch folder, input
// file, spawn, pipes, watch, comparison, clean-up), beside the same program
// started bare (posix_spawn, its input from a file, its output to a pipe
// read to the end, waited for). The differences are printed at the end.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <time.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "contest/run_sample.h"

extern char** environ;

namespace {

std::string DIR, HELLO;
std::map<std::string, double> PER_ITERATION;  // mean wall seconds
std::map<std::string, double> CPU_PER_ITERATION;  // mean CPU seconds of this process alone

double Own_cpu() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

const char* SOURCE = R"(#include <chrono>
#include <cstdio>
int main(int argc, char** argv) { long a = 0, b = 0; if (argc > 1) { std::printf("%s %d\n", argv[1], 2); return 0; }
  if (std::scanf("%ld %ld", &a, &b) == 2) std::printf("%ld\n", a + b); }
)";

void Prepare() {
  DIR = (std::filesystem::temp_directory_path() / "vorlix-contest-bench").string();
  std::filesystem::create_directories(DIR);
  std::ofstream(DIR + "/hello.cpp") << SOURCE;
  std::ofstream(DIR + "/hello.in") << "1 2\n";
  HELLO = DIR + "/hello.exe";
  const char* compiler = std::getenv("VORLIX_BENCH_COMPILER");
  const std::string command = std::string(compiler ? compiler : "g++") + " -O2 -o " + HELLO + " " + DIR + "/hello.cpp";
  if (std::system(command.c_str()) != 0) std::exit(1);
}

// The program started bare, as a shell with a redirect would: the baseline.
std::string Bare_run(const std::vector<std::string>& args) {
  int out[2];
  if (pipe(out) != 0) std::abort();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, (DIR + "/hello.in").c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<char*> argv = {const_cast<char*>(HELLO.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawn(&pid, HELLO.c_str(), &actions, nullptr, argv.data(), environ) != 0) std::abort();
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
  close(out[0]);
  int status;
  waitpid(pid, &status, 0);
  return text;
}


template <typename Body>
void Timed(benchmark::State& state, const std::string& name, Body body) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu = Own_cpu();
  for (auto _ : state) body();
  CPU_PER_ITERATION[name] = (Own_cpu() - cpu) / static_cast<double>(state.iterations());
  PER_ITERATION[name] =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
      static_cast<double>(state.iterations());
}

void BM_bare_program(benchmark::State& state) {
  Timed(state, "bare", [] { benchmark::DoNotOptimize(Bare_run({})); });
}

void BM_judge_sample(benchmark::State& state) {
  const std::string expected = "3\n";
  Timed(state, "judge", [&] {
    const Sample_run r = Run_on_input(HELLO, "hello", Problem{}, Run_limits{}, "1 2\n", &expected, {});
    if (r.verdict != Verdict::accepted) std::abort();
  });
}

void BM_bare_round(benchmark::State& state) {
  Timed(state, "bare round", [] {
    const std::string input = Bare_run({"7"});
    benchmark::DoNotOptimize(Bare_run({}));
    benchmark::DoNotOptimize(Bare_run({}));
    benchmark::DoNotOptimize(input);
  });
}

// A round as the stress test runs it: generator, brute force, solution.
void BM_stress_round(benchmark::State& state) {
  Run_limits helper;
  helper.time_ms = 10000;
  Timed(state, "stress round", [&] {
    const Sample_run generated = Run_on_input(HELLO, "gen", Problem{}, helper, "", nullptr, {}, {"7"});
    const Sample_run brute = Run_on_input(HELLO, "brute", Problem{}, helper, generated.answer, nullptr, {});
    const Sample_run solved = Run_on_input(HELLO, "hello", Problem{}, Run_limits{}, generated.answer, &brute.answer, {});
    if (solved.verdict != Verdict::accepted) std::abort();
  });
}

BENCHMARK(BM_bare_program)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_judge_sample)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_bare_round)->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_stress_round)->Unit(benchmark::kMillisecond)->Iterations(300);

}  // namespace

int main(int argc, char** argv) {
  Prepare();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // Wall time on a busy machine mostly measures the others' work; the CPU
  // time of this process is the runner's own, the programs' being their own.
  auto say = [](const char* what, const char* run, const char* bare, const char* target) {
    std::printf("%s: %.2f ms wall, %.2f ms CPU beyond the bare start (%.2f ms CPU itself; target %s)\n", what,
                (PER_ITERATION[run] - PER_ITERATION[bare]) * 1000,
                (CPU_PER_ITERATION[run] - CPU_PER_ITERATION[bare]) * 1000, CPU_PER_ITERATION[run] * 1000, target);
  };
  say("judge's own cost per sample", "judge", "bare", "<= 3 ms");
  say("stress test's own cost per round", "stress round", "bare round", "<= 4 ms");
  std::filesystem::remove_all(DIR);
}
