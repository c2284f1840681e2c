#include "console/input.h"

#include <cstdlib>

#include "console/output.h"
#include "platform/platform.h"

namespace {
const std::size_t Max_answer_digits = 9;
}

std::string Read_line(std::size_t keep, Line_kind kind) {
  std::string line;
  if (!Read_input_line(line, keep, kind)) std::exit(1);
  return line;
}

bool Parse_answer(const std::string& s, std::int32_t& value) {
  if (s.size() > Max_answer_digits) return false;
  std::int32_t ans = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    ans = ans * 10 + (c - '0');
  }
  value = ans;
  return true;
}

std::int32_t Read_pint(std::unordered_set<std::int32_t> a) {
  for (;;) {
    // One byte more than an answer can hold is enough to refuse a long line.
    const std::string s = Read_line(Max_answer_digits + 1, Line_kind::answer);
    std::int32_t ans;
    if (Parse_answer(s, ans) && a.count(ans) != 0) return ans;
    Print("输入不合法，请重新输入。", 1);
  }
}
