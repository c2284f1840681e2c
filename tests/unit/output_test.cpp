#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "console/output.h"
#include "temp_dir.h"

namespace {

// Runs `print` with standard output sent to a file; returns what it wrote
// and how long it took.
std::pair<std::string, double> Captured(void (*print)()) {
  Temp_dir dir;
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int file = open((dir / "out").c_str(), O_WRONLY | O_CREAT, 0600);
  dup2(file, STDOUT_FILENO);
  const auto start = std::chrono::steady_clock::now();
  print();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  close(file);
  return {Read_file(dir / "out"), took.count()};
}

TEST(Print, TypesEveryByteWithAPauseThenTheLineBreaks) {
  auto [out, seconds] = Captured([] { Print("设置成功！", 2); });
  EXPECT_EQ(out, "设置成功！\n\n");
  EXPECT_GE(seconds, 0.015);  // fifteen bytes, a millisecond after each

  std::tie(out, seconds) = Captured([] { Print(std::string(300, 'x'), 0); });
  EXPECT_EQ(out, std::string(300, 'x'));
  EXPECT_GE(seconds, 0.300);

  std::tie(out, seconds) = Captured([] { Print("", 1); });
  EXPECT_EQ(out, "\n");
}

}  // namespace
