#include "contest/contest_options.h"

#include <cmath>
#include <cstdlib>

#include "text/printable.h"

namespace {

// A finite number above zero (at or above it with `zero_ok`), and nothing
// else in the text.
bool Number(const std::string& text, bool zero_ok, double& value) {
  if (text.empty() || text.find_first_of(" \t\n") != std::string::npos) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return *end == '\0' && std::isfinite(value) && (value > 0 || (zero_ok && value == 0));
}

bool Whole_number(const std::string& text, unsigned long long& value) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  value = std::stoull(text);
  return value > 0;
}

}  // namespace

bool Parse_contest_options(const std::vector<std::string>& words, bool stress,
                           Contest_options& options, std::string& error) {
  options = Contest_options{};
  bool exact = false, eps = false;
  for (const auto& word : words) {
    const auto eq = word.find('=');
    const std::string key = word.substr(0, eq), value = eq == std::string::npos ? "" : word.substr(eq + 1);
    const bool has_value = eq != std::string::npos;
    double number = 0;
    if (word == "--exact") {
      exact = options.mode.exact = true;
    } else if (key == "--eps" && has_value && Number(value, true, number)) {
      eps = true;
      options.mode.eps = number;
    } else if (key == "--time-limit" && has_value && Number(value, false, number)) {
      options.time_limit_ms = number;
    } else if (key == "--memory-limit" && has_value && Number(value, false, number)) {
      options.memory_limit_mib = number;
    } else if (stress && key == "--rounds" && has_value && Whole_number(value, options.rounds)) {
    } else if (stress && key == "--time-budget" && has_value && Number(value, false, number)) {
      options.time_budget_seconds = number;
    } else if (stress && key == "--brute-time-limit" && has_value && Number(value, false, number)) {
      options.brute_time_limit_ms = number;
    } else if (word.size() > 1 && word[0] == '-') {
      error = "无法识别的选项或取值：" + Printable(word);
      return false;
    } else {
      options.paths.push_back(word);
    }
  }
  if (exact && eps) {
    error = "--exact 与 --eps 不能同时使用";
    return false;
  }
  const std::size_t wanted = stress ? 3 : 1;
  if (options.paths.size() != wanted) {
    error = stress ? "需要三个源文件：解答、暴力程序、数据生成器" : "需要一个源文件";
    return false;
  }
  return true;
}
