// The files beside a source DIR/NAME.cpp that the contest forms read and
// write: the samples NAME.in/.ans and NAME.K.in/.ans, and NAME.problem.json.
#pragma once

#include <string>
#include <vector>

struct Sample {
  std::string in_path;
  std::string ans_path;   // "" when the sample has no expected output
  std::string label;      // "NAME.in", "NAME.2.in": how the report names it
};

// The source's folder with its separator ("" for a bare name) and NAME.
std::string Source_folder(const std::string& fpath);
std::string Source_name(const std::string& fpath);

// The samples in the order they run: the unnumbered one first, then by K as
// a number. Only .in files count; an .ans without its .in is not a sample.
std::vector<Sample> Find_samples(const std::string& fpath);

// K, when `file` is "NAME.K.in" or "NAME.K.ans" with K = 1, 2, ... written
// without leading zeros; 0 otherwise.
unsigned long long Sample_number(const std::string& file, const std::string& name);

// One more than the highest K among the source's numbered .in and .ans files.
unsigned long long Next_sample_number(const std::string& fpath);

// What NAME.problem.json says, where it is there and says it.
struct Problem {
  double time_limit_ms = 1000;
  double memory_limit_mib = 256;
  std::string input_file;   // "" for standard input (the program may still read NAME.in)
  std::string output_file;  // "" for standard output
};

// The problem beside the source, with defaults for what it does not say (or
// when it is missing or cannot be read).
Problem Load_problem(const std::string& fpath);
