#include "contest/compare.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "text/text_lines.h"

namespace {

std::string Without_trailing_blanks(std::string line) {
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
    line.pop_back();
  return line;
}

std::vector<std::string> Judge_lines(const std::string& text) {
  std::vector<std::string> lines = Split_lines(text);
  for (auto& line : lines) line = Without_trailing_blanks(line);
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

bool Is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::vector<std::string> Tokens(const std::string& text) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && Is_space(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !Is_space(text[i])) ++i;
    if (i > start) tokens.push_back(text.substr(start, i - start));
  }
  return tokens;
}

bool Close_enough(const std::string& a, const std::string& b, double eps) {
  if (a == b) return true;
  if (!Is_decimal_number(a) || !Is_decimal_number(b)) return false;
  const double x = std::strtod(a.c_str(), nullptr), y = std::strtod(b.c_str(), nullptr);
  const double error = std::fabs(x - y);
  return error <= eps || error <= eps * std::fabs(x);
}

Difference Differ_at(const std::vector<std::string>& expected, const std::vector<std::string>& actual,
                     std::size_t i, bool by_token) {
  Difference d;
  d.equal = false;
  d.by_token = by_token;
  d.where = i + 1;
  d.expected_ended = i >= expected.size();
  d.actual_ended = i >= actual.size();
  if (!d.expected_ended) d.expected = expected[i];
  if (!d.actual_ended) d.actual = actual[i];
  return d;
}

}  // namespace

bool Is_decimal_number(const std::string& token) {
  std::size_t i = 0;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
  std::size_t digits = 0, points = 0;
  for (; i < token.size() && (std::isdigit(static_cast<unsigned char>(token[i])) || token[i] == '.'); ++i)
    (token[i] == '.' ? points : digits) += 1;
  if (digits == 0 || points > 1) return false;
  if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
    ++i;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    const std::size_t exponent_start = i;
    while (i < token.size() && std::isdigit(static_cast<unsigned char>(token[i]))) ++i;
    if (i == exponent_start) return false;
  }
  return i == token.size();
}

Difference Compare_answers(const std::string& expected, const std::string& actual,
                           const Comparison_mode& mode) {
  if (mode.eps >= 0) {
    const auto e = Tokens(expected), a = Tokens(actual);
    for (std::size_t i = 0; i < std::max(e.size(), a.size()); ++i)
      if (i >= e.size() || i >= a.size() || !Close_enough(e[i], a[i], mode.eps))
        return Differ_at(e, a, i, true);
    return {};
  }
  if (mode.exact) {
    if (expected == actual) return {};
    // Named by line, and where the lines are alike, by the line where a line
    // break (or its absence at the end) differs.
    const auto e = Split_lines(expected), a = Split_lines(actual);
    for (std::size_t i = 0; i < std::max(e.size(), a.size()); ++i)
      if (i >= e.size() || i >= a.size() || e[i] != a[i]) return Differ_at(e, a, i, false);
    const std::size_t last = e.empty() ? 0 : e.size() - 1;
    return Differ_at(e, a, last, false);
  }
  const auto e = Judge_lines(expected), a = Judge_lines(actual);
  for (std::size_t i = 0; i < std::max(e.size(), a.size()); ++i)
    if (i >= e.size() || i >= a.size() || e[i] != a[i]) return Differ_at(e, a, i, false);
  return {};
}

std::string Cut_text(const std::string& text, std::size_t width) {
  if (text.size() <= width) return text;
  std::size_t end = width;
  // Back to the start of a UTF-8 character.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end) + "…";
}
