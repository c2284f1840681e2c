#include "contest/problem_name.h"

#include <cctype>
#include <vector>

namespace {

// ASCII only, whatever the C library's character type says of other bytes.
bool Is_ascii_alnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices on Windows, whatever
// their case and whatever follows a dot ("con.cpp" too).
bool Is_reserved(const std::string& name) {
  const std::string stem = Upper(name.substr(0, name.find('.')));
  for (const char* device : {"CON", "PRN", "AUX", "NUL"})
    if (stem == device) return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

// The code point of the UTF-8 character at `at` and its length in `size`;
// -1 (size 1) for a byte that begins no valid character.
long Decode(const std::string& s, std::size_t at, std::size_t& size) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = byte(at);
  size = 1;
  if (c < 0x80) return c;
  const std::size_t n = c >= 0xf0 && c <= 0xf4 ? 4 : c >= 0xe0 ? (c < 0xf0 ? 3 : 0) : c >= 0xc2 ? 2 : 0;
  if (n == 0 || at + n > s.size()) return -1;
  long code = c & (0x7f >> n);
  for (std::size_t i = 1; i < n; ++i) {
    if ((byte(at + i) & 0xc0) != 0x80) return -1;
    code = (code << 6) | (byte(at + i) & 0x3f);
  }
  // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
  const long least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < least[n] || (code >= 0xd800 && code <= 0xdfff) || code > 0x10ffff) return -1;
  size = n;
  return code;
}

// Letters and digits of the scripts students' problems are named in, and
// the CJK characters (with kana, Hangul and full-width forms).
bool Is_kept(long c) {
  if (c < 0x80) return Is_ascii_alnum(static_cast<unsigned char>(c));
  const struct {
    long first, last;
  } ranges[] = {
      {0x00c0, 0x00d6}, {0x00d8, 0x00f6}, {0x00f8, 0x024f},  // Latin letters
      {0x0386, 0x03ff}, {0x0400, 0x0481}, {0x048a, 0x052f},  // Greek, Cyrillic
      {0x3040, 0x30ff},                                      // kana
      {0x3400, 0x4dbf}, {0x4e00, 0x9fff}, {0xf900, 0xfaff},  // CJK ideographs
      {0xac00, 0xd7a3},                                      // Hangul
      {0xff10, 0xff19}, {0xff21, 0xff3a}, {0xff41, 0xff5a},  // full-width letters, digits
      {0x20000, 0x323af},                                    // CJK ideographs beyond the BMP
  };
  for (const auto& r : ranges)
    if (c >= r.first && c <= r.last) return c != 0x00d7 && c != 0x00f7 && c != 0x0387;
  return false;
}

bool Is_id(const std::string& s) {
  if (s.empty() || s.size() > 32) return false;
  for (const unsigned char c : s)
    if (!Is_ascii_alnum(c) && c != '_') return false;
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool Ends_with(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// The host (lower case, without port or "www.") and the path's segments of
// an http or https address; false for anything else.
bool Split_url(const std::string& url, std::string& host, std::vector<std::string>& segments) {
  const std::string lower = Lower(url);
  std::size_t at;
  if (lower.compare(0, 8, "https://") == 0) at = 8;
  else if (lower.compare(0, 7, "http://") == 0) at = 7;
  else return false;
  const auto path = url.find_first_of("/?#", at);
  host = lower.substr(at, path == std::string::npos ? std::string::npos : path - at);
  if (host.find('@') != std::string::npos) return false;
  host = host.substr(0, host.find(':'));
  if (host.compare(0, 4, "www.") == 0) host = host.substr(4);
  segments.clear();
  if (path == std::string::npos || url[path] != '/') return true;
  const auto end = url.find_first_of("?#", path);
  const std::string p = url.substr(path, end == std::string::npos ? std::string::npos : end - path);
  for (std::size_t start = 1; start <= p.size();) {
    const auto slash = p.find('/', start);
    const std::string segment = p.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (!segment.empty()) segments.push_back(segment);
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return true;
}

// "" where `url` names no problem of a judge we know.
std::string Id_from_url(const std::string& url) {
  std::string host;
  std::vector<std::string> s;
  if (!Split_url(url, host, s)) return "";
  const auto n = s.size();
  // luogu.com.cn/problem/P1001
  if ((host == "luogu.com.cn" || host == "luogu.com" || host == "luogu.org") && n == 2 && s[0] == "problem")
    return Is_id(s[1]) ? s[1] : "";
  // atcoder.jp/contests/abc284/tasks/abc284_a
  if (host == "atcoder.jp" && n == 4 && s[0] == "contests" && s[2] == "tasks") return Is_id(s[3]) ? s[3] : "";
  if (host == "codeforces.com" || Ends_with(host, ".codeforces.com")) {
    // contest/954/problem/G, gym/100001/problem/A, problemset/problem/954/G,
    // group/ID/contest/954/problem/G
    std::string id;
    if (n >= 4 && (s[n - 4] == "contest" || s[n - 4] == "gym") && s[n - 2] == "problem") id = s[n - 3] + s[n - 1];
    if (n == 4 && s[0] == "problemset" && s[1] == "problem") id = s[2] + s[3];
    return Is_id(id) ? id : "";
  }
  return "";
}

}  // namespace

std::string Safe_name(const std::string& name) {
  std::string safe;
  bool gap = false;
  for (std::size_t at = 0, size = 0; at < name.size(); at += size) {
    const long c = Decode(name, at, size);
    if (!Is_kept(c)) {
      gap = true;
      continue;
    }
    const std::size_t room = Max_name_bytes - (gap && !safe.empty() ? 1 : 0);
    if (safe.size() + size > room) break;
    if (gap && !safe.empty()) safe += '_';
    gap = false;
    safe.append(name, at, size);
  }
  if (safe.empty()) safe = "problem";
  if (Is_reserved(safe)) safe += '_';
  return safe;
}

std::string Problem_file_name(const std::string& url, const std::string& name) {
  const std::string id = Id_from_url(url);
  if (id.empty()) return Safe_name(name);
  return Is_reserved(id) ? id + "_" : id;
}

bool Is_plain_file_name(const std::string& name) {
  if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
  for (const unsigned char c : name)
    if (c < 0x20 || c == 0x7f || std::string("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string::npos)
      return false;
  return name.back() != '.' && name.back() != ' ' && !Is_reserved(name);
}
