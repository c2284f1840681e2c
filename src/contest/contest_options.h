// The command line of the contest forms: vorlix --judge FILE [OPTION...] and
// vorlix --stress SOLUTION BRUTE GENERATOR [OPTION...]. Plain string
// functions, built and tested everywhere.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "contest/compare.h"

struct Contest_options {
  std::vector<std::string> paths;
  std::optional<double> time_limit_ms;
  std::optional<double> memory_limit_mib;
  Comparison_mode mode;
  // The stress test's own.
  unsigned long long rounds = 1000;
  std::optional<double> time_budget_seconds;
  std::optional<double> brute_time_limit_ms;
};

// Reads `words`, the arguments after the form's own (--judge, -j, --stress
// or -s), into `options`; the stress test's options only with `stress`.
// Options may come anywhere; the other words are the paths, of which there
// must be one (three with `stress`). False with the complaint in `error`
// (Chinese, one line) on a mistake.
bool Parse_contest_options(const std::vector<std::string>& words, bool stress,
                           Contest_options& options, std::string& error);
