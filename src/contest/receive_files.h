// The files of one received problem, as contest.md fixes them: NAME.K.in and
// NAME.K.ans for its samples, NAME.problem.json as received, and NAME.cpp
// from the user's template when it does not exist. A numbered sample is
// replaced only while its bytes are still those the last NAME.problem.json
// gave it; nothing else of the user's is touched, nothing removed.
#pragma once

#include <string>

#include "contest/receive_problem.h"

struct Written_problem {
  std::string name;        // NAME
  std::string notes;       // what was left alone or used, "；"-separated clauses
  std::string failures;    // one line per file that could not be written
};

// Writes `problem`, which came as `body`, into the folder `dir` ("" for the
// working directory).
Written_problem Write_problem(const std::string& dir, const Received_problem& problem, const std::string& body);

// `dir` and `name` joined.
std::string Path_in(const std::string& dir, const std::string& name);
