// What the receiver takes from a request: whether the request may come from
// where it says it does (the browser extension, or a program of the user's,
// never a web page), and the problem its JSON body describes, checked field
// by field. Plain functions that know no system, built and tested everywhere.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "contest/http_request.h"

constexpr std::size_t Max_problem_bytes = 16 * 1024 * 1024;
constexpr std::size_t Max_samples = 100;

// Why `request`, sent to 127.0.0.1:`port`, is refused, in Chinese, with the
// HTTP status to answer in `status`; "" when it is taken. Taken: POST / whose
// Host is localhost or 127.0.0.1 with the port (against DNS rebinding), whose
// Origin is absent or an extension's (chrome-extension://, moz-extension://),
// and whose content type, when an HTML form could have sent it, comes with an
// extension's Origin.
std::string Request_refusal(const Http_request& request, unsigned port, int& status);

struct Received_sample {
  std::string input;
  std::string output;
};

// How a problem's input or output is given: standard input or output, or a
// file of the name `file`.
struct Stream_kind {
  std::string type = "stdin";  // "stdin", "stdout" or "file"
  std::string file;            // for "file": a plain file name
};

struct Received_problem {
  std::string name;
  std::string group;
  std::string url;
  std::optional<double> time_limit_ms;
  std::optional<double> memory_limit_mb;
  Stream_kind input;
  Stream_kind output;
  std::vector<Received_sample> tests;
  std::string batch_id;  // "" outside a batch
  long long batch_size = 0;
};

// Reads the problem of a JSON body. False, with why in Chinese, for
// malformed JSON (or nesting deeper than 64), a body that is no object, a
// missing `name` or `tests`, a field of the wrong type, limits outside 1 ms
// to 60 s and 1 to 65536 MB, more than Max_samples samples, or a file name
// for input or output that is not a plain, valid file name.
bool Parse_problem(const std::string& body, Received_problem& problem, std::string& why);

// The samples of a body written earlier (NAME.problem.json); none when it is
// not a problem's.
std::vector<Received_sample> Samples_of(const std::string& body);
