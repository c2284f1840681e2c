// libFuzzer entry for the receiver's request reader and what reads the
// request after it: any bytes, arriving in two pieces, give the same request
// (or the same refusal) as at once; a complete request holds what its
// headers promise; and a problem taken from one always gets a file name
// that stays in its folder and that every system can hold. Any difference
// aborts, so that libFuzzer keeps the input that shows it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "contest/http_request.h"
#include "contest/problem_name.h"
#include "contest/receive_problem.h"

namespace {

// Small, so that the fuzzer meets the body's bound often.
constexpr std::size_t Body_limit = 2048;

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "\nPROPERTY BROKEN: %s: %s\n", what, detail.c_str());
  std::abort();
}

bool Same(const Request_reading& a, const Request_reading& b) {
  return a.state == b.state && a.status == b.status && a.request.method == b.request.method &&
         a.request.target == b.request.target && a.request.headers == b.request.headers &&
         a.request.body == b.request.body;
}

void Check_name(const std::string& name, const std::string& from) {
  if (name.empty() || name.size() > Max_name_bytes || !Is_plain_file_name(name + ".problem.json") ||
      name.find_first_of("/\\.") != std::string::npos)
    Fail("a file name that leaves its folder or no system can hold", name + " from " + from);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte says where the bytes are cut in two, as two reads would.
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t cut = bytes.size() * data[0] / 255;
  const Request_reading whole = Read_request(bytes, Body_limit);
  const Request_reading first = Read_request(bytes.substr(0, cut), Body_limit);
  if (first.state != Request_reading::State::incomplete && !Same(first, whole))
    Fail("the first piece decided otherwise than the whole", std::to_string(cut));
  Check_name(Safe_name(bytes), "the bytes");
  if (whole.state != Request_reading::State::complete) return 0;

  const Http_request& request = whole.request;
  const auto lengths = Header_values(request, "content-length");
  const std::size_t length = lengths.empty() ? 0 : std::strtoull(lengths[0].c_str(), nullptr, 10);
  if (request.body.size() != length || length > Body_limit || lengths.size() > 1)
    Fail("a body other than its Content-Length", std::to_string(request.body.size()));
  if (!Header_values(request, "transfer-encoding").empty()) Fail("a transfer encoding taken", "");
  if (bytes.find("\r\n\r\n") + 4 > Max_request_head) Fail("a head longer than its bound", "");

  int status = 0;
  const std::string refusal = Request_refusal(request, 24981, status);
  if (refusal.empty() != (status == 0)) Fail("a refusal without a status, or a status without a refusal", refusal);
  Received_problem problem;
  std::string why;
  if (!Parse_problem(request.body, problem, why)) {
    if (why.empty()) Fail("a problem refused without a reason", "");
    return 0;
  }
  if (problem.tests.size() > Max_samples) Fail("more samples than the bound", "");
  for (const Stream_kind* s : {&problem.input, &problem.output})
    if (s->type == "file" && !Is_plain_file_name(s->file)) Fail("a file name for input or output taken", s->file);
  Check_name(Problem_file_name(problem.url, problem.name), problem.url + " " + problem.name);
  return 0;
}
