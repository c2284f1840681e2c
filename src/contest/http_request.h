// The one HTTP request a connection to the receiver carries, read as its
// bytes arrive: a request line and headers within 16 KiB, a body of exactly
// Content-Length bytes within a bound, no chunked encoding. Anything else is
// refused with the status to answer. A plain string function, built and
// tested everywhere.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

constexpr std::size_t Max_request_head = 16 * 1024;

struct Http_request {
  std::string method;
  std::string target;
  // Each header as it came, its name in lower case, its value without the
  // spaces around it; a name may come more than once.
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
};

struct Request_reading {
  enum class State { incomplete, complete, refused };
  State state = State::incomplete;
  int status = 0;      // refused: the HTTP status to answer with
  std::string why;     // refused: what was wrong, in Chinese
  Http_request request;  // complete: the request
};

// Reads `bytes`, everything the connection has sent so far. Incomplete until
// the whole request is there; a refusal or a completed request stays so
// whatever bytes follow (those after the body are never looked at).
Request_reading Read_request(const std::string& bytes, std::size_t body_limit);

// The values of the header `name` (lower case) in `request`.
std::vector<std::string> Header_values(const Http_request& request, const std::string& name);

// A whole HTTP/1.1 answer with `status` and a short plain-text body, saying
// the connection closes.
std::string Http_answer(int status, const std::string& body);
