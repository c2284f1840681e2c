#include <gtest/gtest.h>

#include <string>

#include "console/pages.h"

namespace {

TEST(Page_frame, CentresTitleOverHundredDashRule) {
  const std::string rule = std::string(100, '-') + "\n";
  const struct {
    std::string title;
    int width;
    std::size_t indent;
  } cases[] = {
      {"Vorlix", 6, 47},
      {"Vorlix -- 设置", 14, 43},
      {"", 0, 50},
      {"abc", 3, 48},  // odd widths round down
      {"设", 2, 49},
      {std::string(100, 'x'), 100, 0},
      {std::string(120, 'x'), 120, 0},  // wider than the rule: no indent at all
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Display_width(c.title), c.width) << c.title;
    EXPECT_EQ(Page_frame(c.title), std::string(c.indent, ' ') + c.title + "\n" + rule) << c.title;
  }
}

}  // namespace
