// vorlix --judge FILE [OPTION...]: runs every sample of FILE under the
// problem's limits and reports a verdict for each.
#pragma once

#include <string>
#include <vector>

#include "contest/contest_options.h"
#include "contest/run_sample.h"

// The limits for the source `fpath`: the options, else its NAME.problem.json,
// else 1 second and 256 MiB.
Run_limits Limits_for(const Problem& problem, const Contest_options& options);

// The whole form, `arguments` being the program's (argv[0] and the form's
// own word first). Returns the exit status: 0 when every sample with an
// answer is AC and every run without one ended well, 1 otherwise or when the
// compile failed, 2 for a usage error, a refused path or no sample at all;
// the interrupt status when Ctrl-C stopped it.
int Judge_main(const std::vector<std::string>& arguments);

// The usage of the contest forms, for a usage error.
extern const char* const Contest_usage;
