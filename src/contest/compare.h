// How a program's answer is compared with the expected one, as judges do.
// Plain string functions, built and tested everywhere.
#pragma once

#include <cstddef>
#include <string>

struct Comparison_mode {
  bool exact = false;  // bytes as they are
  double eps = -1;     // tokens, numbers within this error; < 0: lines
};

struct Difference {
  bool equal = true;
  // The first place they differ: a line number (1-based), or with eps the
  // number of the token; the text there on each side ("" where one side has
  // ended, which `*_ended` tells).
  std::size_t where = 0;
  bool by_token = false;
  std::string expected, actual;
  bool expected_ended = false, actual_ended = false;
};

// Lines: trailing spaces, tabs and CR removed from every line, and empty
// lines at the end ignored. Exact: the bytes, the difference still named by
// line. Eps: tokens separated by any whitespace, equal when they are the same
// bytes or both decimal numbers within an absolute or relative error of eps.
Difference Compare_answers(const std::string& expected, const std::string& actual,
                           const Comparison_mode& mode);

// True when `token` is a decimal number: an optional sign, digits with at
// most one point, an optional exponent; never nan or inf.
bool Is_decimal_number(const std::string& token);

// `text` cut to at most `width` bytes on a character boundary, with "…"
// where something was cut.
std::string Cut_text(const std::string& text, std::size_t width);
