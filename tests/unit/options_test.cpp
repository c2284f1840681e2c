// The hidden form in which Vorlix starts itself for a background job.
#include <gtest/gtest.h>

#include "console/options.h"
#include "platform/platform.h"

namespace {

TEST(Background_job_arguments, OnlyTheHiddenOptionFirstAndExactlyFourWords) {
  const std::string hidden = Background_job_option;
  const struct {
    std::vector<std::string> arguments;
    bool job;
  } cases[] = {
      {{"vorlix", hidden, "C:\\本地 数据\\pch", "0123456789abcdef", "g++", "-O2 \"-DN=a b\""}, true},
      {{"vorlix", hidden, "", "", "", ""}, true},
      {{"vorlix", hidden, "a", "b", "c"}, false},
      {{"vorlix", hidden, "a", "b", "c", "d", "e"}, false},
      {{"vorlix", hidden}, false},
      {{"vorlix", "a", hidden, "b", "c", "d"}, false},
      {{"vorlix", hidden + "=a", "a", "b", "c", "d"}, false},
      {{"vorlix", "--PCH-BUILD", "a", "b", "c", "d"}, false},
      {{"vorlix", "a.cpp"}, false},
  };
  for (const auto& c : cases) {
    std::vector<std::string> job;
    EXPECT_EQ(Background_job_arguments(c.arguments, job), c.job) << c.arguments.size();
    const std::vector<std::string> words(c.arguments.begin() + (c.job ? 2 : 0),
                                         c.job ? c.arguments.end() : c.arguments.begin());
    EXPECT_EQ(job, words);
  }
}

}  // namespace
