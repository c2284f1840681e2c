#include <gtest/gtest.h>

#include <string>

#include "console/input.h"

namespace {

struct Answer_case {
  std::string line;
  bool accepted;
  std::int32_t value;
};

TEST(Parse_answer, AcceptsOnlyShortPlainDecimalNumbers) {
  const Answer_case cases[] = {
      {"1", true, 1},
      {"01", true, 1},
      {"001", true, 1},
      {"", true, 0},
      {"00", true, 0},
      {"999999999", true, 999999999},
      {"000000005", true, 5},
      {"0000000001", false, 0},  // ten digits, refused before its value counts
      {"9999999999", false, 0},
      {" 1", false, 0},
      {"1 ", false, 0},
      {"+1", false, 0},
      {"-1", false, 0},
      {"1.0", false, 0},
      {"a", false, 0},
      {"1a", false, 0},
      {"\xef\xbc\x91", false, 0},  // full-width one
      {std::string("1\0", 2), false, 0},
      {"1\r", false, 0},
      {"\t", false, 0},
  };
  for (const auto& c : cases) {
    std::int32_t value = -7;
    EXPECT_EQ(Parse_answer(c.line, value), c.accepted) << "line: \"" << c.line << "\"";
    if (c.accepted) {
      EXPECT_EQ(value, c.value) << "line: \"" << c.line << "\"";
    }
  }
}

}  // namespace
