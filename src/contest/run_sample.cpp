#include "contest/run_sample.h"

#include <algorithm>

namespace {

const std::size_t Max_cap = 64u << 20;

// Where the run's own files go; a folder that cannot be made is a start that
// failed.
bool Prepare(std::string& folder, const std::string& input_name, const std::string& input,
             Failure& failure) {
  Outcome made = Make_scratch_directory(folder);
  if (!made) {
    failure = made.failure();
    return false;
  }
  bool exists = false;
  Outcome written = Create_file(folder + "/" + input_name, input, exists);
  if (!written) {
    failure = written.failure();
    return false;
  }
  return true;
}

}  // namespace

std::size_t Output_cap(long long expected_bytes) {
  if (expected_bytes < 0) return Max_cap;
  return std::min<std::size_t>(Max_cap, static_cast<std::size_t>(expected_bytes) * 4 + (1u << 20));
}

Sample_run Run_on_input(const std::string& executable, const std::string& name,
                        const Problem& problem, const Run_limits& limits,
                        const std::string& input, const std::string* expected,
                        const Comparison_mode& mode, const std::vector<std::string>& args) {
  Sample_run result;
  const std::string input_name = problem.input_file.empty() ? name + ".in" : problem.input_file;
  const std::string output_name = problem.output_file.empty() ? name + ".out" : problem.output_file;
  std::string folder;
  if (!Prepare(folder, input_name, input, result.failure)) {
    if (!folder.empty()) (void)Remove_tree(folder);
    result.verdict = Verdict::not_started;
    return result;
  }
  Limited_run_request request;
  request.program = executable;
  request.args = args;
  request.directory = folder;
  request.input_path = folder + "/" + input_name;
  request.output_file = output_name;
  request.cpu_limit_seconds = limits.time_ms / 1000.0;
  request.wall_limit_seconds = std::max(2 * request.cpu_limit_seconds, request.cpu_limit_seconds + 1);
  request.memory_limit_bytes = static_cast<unsigned long long>(limits.memory_mib * 1024 * 1024);
  request.output_cap = Output_cap(expected ? static_cast<long long>(expected->size()) : -1);
  const Outcome started = Run_limited(request, result.run);
  if (!started) {
    (void)Remove_tree(folder);
    result.verdict = Verdict::not_started;
    result.failure = started.failure();
    return result;
  }
  const Limited_run& run = result.run;
  // A file-output problem answers in its file; otherwise a program that wrote
  // nothing on standard output and made NAME.out answered there.
  std::string file_answer;
  const bool from_file = (!problem.output_file.empty() || run.out.empty()) &&
                         Read_file(folder + "/" + output_name, file_answer, request.output_cap);
  result.answer = from_file ? file_answer : run.out;
  (void)Remove_tree(folder);

  const double time_used = run.cpu_seconds ? *run.cpu_seconds : run.wall_seconds;
  switch (run.stopped) {
    case Stop_reason::output: result.verdict = Verdict::output; return result;
    case Stop_reason::memory: result.verdict = Verdict::memory; return result;
    case Stop_reason::time: result.verdict = Verdict::time; return result;
    case Stop_reason::interrupted: result.verdict = Verdict::interrupted; return result;
    case Stop_reason::none: break;
  }
  if (time_used > request.cpu_limit_seconds) {
    result.verdict = Verdict::time;
  } else if (run.peak_mib && *run.peak_mib > limits.memory_mib) {
    result.verdict = Verdict::memory;
  } else if (run.failed) {
    result.verdict = Verdict::runtime;
  } else if (expected != nullptr) {
    result.difference = Compare_answers(*expected, result.answer, mode);
    result.verdict = result.difference.equal ? Verdict::accepted : Verdict::wrong;
  }
  return result;
}
