// One run of a program on an input under limits, and its verdict: the step
// the judge takes for each sample and the stress test for each program of a
// round.
#pragma once

#include <string>

#include "contest/compare.h"
#include "contest/samples.h"
#include "platform/platform.h"

enum class Verdict { accepted, wrong, time, memory, runtime, output, ran, interrupted, not_started };

struct Run_limits {
  double time_ms = 1000;
  double memory_mib = 256;
};

struct Sample_run {
  Verdict verdict = Verdict::ran;
  Limited_run run;
  std::string answer;       // what the program answered: its output, or its output file
  Difference difference;    // for wrong
  Failure failure;          // for not_started
};

// Runs `executable`, the program of a source called `name`, in a scratch
// folder of its own on `input` (on standard input and as its input file),
// with `args`, under `limits`. `expected`, when given, is compared with its
// answer under `mode`; without one a run that ends well is `ran`. The first
// limit the runner stopped it for decides, then a failed end (runtime), then
// the comparison.
Sample_run Run_on_input(const std::string& executable, const std::string& name,
                        const Problem& problem, const Run_limits& limits,
                        const std::string& input, const std::string* expected,
                        const Comparison_mode& mode, const std::vector<std::string>& args = {});

// The output cap for an expected answer of `expected_bytes` (none: -1):
// 64 MiB, or four times the answer and 1 MiB more where that is smaller.
std::size_t Output_cap(long long expected_bytes);
