#include "contest/http_request.h"

#include <cctype>

namespace {

Request_reading Refused(int status, const std::string& why) {
  Request_reading r;
  r.state = Request_reading::State::refused;
  r.status = status;
  r.why = why;
  return r;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// RFC 9110's token characters, of which a method and a header name are made.
bool Is_token(const std::string& s) {
  if (s.empty()) return false;
  for (const unsigned char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) &&
        std::string("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) == std::string::npos)
      return false;
  return true;
}

// A header value may hold visible characters, spaces, tabs and bytes above
// 0x7f; no other control character.
bool Is_field_value(const std::string& s) {
  for (const unsigned char c : s)
    if ((c < 0x20 && c != '\t') || c == 0x7f) return false;
  return true;
}

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The request line: METHOD SP TARGET SP HTTP/1.x.
bool Read_request_line(const std::string& line, Http_request& request) {
  const auto first = line.find(' ');
  const auto second = first == std::string::npos ? first : line.find(' ', first + 1);
  if (second == std::string::npos || line.find(' ', second + 1) != std::string::npos) return false;
  request.method = line.substr(0, first);
  request.target = line.substr(first + 1, second - first - 1);
  const std::string version = line.substr(second + 1);
  if (!Is_token(request.method) || request.target.empty() || !Is_field_value(request.target)) return false;
  return version == "HTTP/1.1" || version == "HTTP/1.0";
}

// Content-Length as digits alone, at most the bound; false otherwise.
bool Read_length(const std::string& value, std::size_t limit, std::size_t& length, bool& too_long) {
  too_long = false;
  if (value.empty()) return false;
  length = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') return false;
    if (length > limit) continue;  // kept from overflowing; refused below
    length = length * 10 + static_cast<std::size_t>(c - '0');
  }
  too_long = length > limit;
  return true;
}

}  // namespace

Request_reading Read_request(const std::string& bytes, std::size_t body_limit) {
  const auto end = bytes.find("\r\n\r\n");
  if (end == std::string::npos || end + 4 > Max_request_head) {
    if (bytes.size() >= Max_request_head || end != std::string::npos)
      return Refused(431, "请求行和请求头超过 16 KiB");
    return {};
  }
  Request_reading r;
  Http_request& request = r.request;
  std::size_t at = bytes.find("\r\n");
  if (!Read_request_line(bytes.substr(0, at), request)) return Refused(400, "请求行不是 HTTP/1.x 的格式");
  while (at < end) {
    const std::size_t start = at + 2;
    at = bytes.find("\r\n", start);
    const std::string line = bytes.substr(start, at - start);
    const auto colon = line.find(':');
    // A name with no colon, a space before the colon or a folded line
    // (beginning with a space) is refused, as RFC 9112 asks of a server.
    if (colon == std::string::npos || !Is_token(line.substr(0, colon)))
      return Refused(400, "请求头的格式不对");
    const std::string value = Trimmed(line.substr(colon + 1));
    if (!Is_field_value(value)) return Refused(400, "请求头中有控制字符");
    request.headers.emplace_back(Lower(line.substr(0, colon)), value);
  }
  if (!Header_values(request, "transfer-encoding").empty())
    return Refused(501, "请求使用了传输编码（如 chunked），不予接受");
  const auto lengths = Header_values(request, "content-length");
  std::size_t length = 0;
  if (lengths.size() > 1) return Refused(400, "请求有多个 Content-Length");
  if (lengths.size() == 1) {
    bool too_long = false;
    if (!Read_length(lengths[0], body_limit, length, too_long)) return Refused(400, "Content-Length 不是数字");
    if (too_long) return Refused(413, "请求内容超过上限（" + std::to_string(body_limit) + " 字节）");
  }
  const std::size_t body_start = end + 4;
  if (bytes.size() - body_start < length) return {};
  request.body = bytes.substr(body_start, length);
  r.state = Request_reading::State::complete;
  return r;
}

std::vector<std::string> Header_values(const Http_request& request, const std::string& name) {
  std::vector<std::string> values;
  for (const auto& [n, v] : request.headers)
    if (n == name) values.push_back(v);
  return values;
}

std::string Http_answer(int status, const std::string& body) {
  const char* reason = status == 200   ? "OK"
                       : status == 400 ? "Bad Request"
                       : status == 403 ? "Forbidden"
                       : status == 404 ? "Not Found"
                       : status == 405 ? "Method Not Allowed"
                       : status == 408 ? "Request Timeout"
                       : status == 411 ? "Length Required"
                       : status == 413 ? "Content Too Large"
                       : status == 415 ? "Unsupported Media Type"
                       : status == 422 ? "Unprocessable Content"
                       : status == 431 ? "Request Header Fields Too Large"
                       : status == 501 ? "Not Implemented"
                                       : "Error";
  return "HTTP/1.1 " + std::to_string(status) + " " + reason +
         "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}
