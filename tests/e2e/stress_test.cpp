// vorlix --stress end to end: real g++, a generator seeded by the round, a
// brute force and a solution; what it reports and the samples it keeps.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "harness.h"
#include "temp_dir.h"

namespace {

std::string Compiled(const std::string& role, const std::string& file) {
  return role + " " + file + "：\n未找到对应程序的 exe 文件，自动为你编译。\n正在编译……\n编译成功！\n";
}

const std::string ALL_COMPILED =
    Compiled("解答", "a.cpp") + Compiled("暴力程序", "brute.cpp") + Compiled("数据生成器", "gen.cpp") + "\n";

// The report with its measured figures left out.
std::string Without_figures(std::string text) {
  text = std::regex_replace(text, std::regex("用时 [0-9.]+ 秒"), "用时 … 秒");
  const std::string open = "（用时 … 秒", close = "）";
  for (auto at = text.find(open); at != std::string::npos; at = text.find(open, at + 1))
    text.replace(at, text.find(close, at) + close.size() - at, "（…）");
  return text;
}

const std::string GEN =
    "#include <cstdio>\n#include <cstdlib>\nint main(int argc, char** argv) { if (argc != 2) return 9;"
    " int s = std::atoi(argv[1]); std::printf(\"%d %d\\n\", s, 2 * s); }\n";
const std::string BRUTE =
    "#include <cstdio>\nint main() { long a, b; std::scanf(\"%ld %ld\", &a, &b); std::printf(\"%ld\\n\", a + b); }\n";
// Right except when the first number is `n`, where `wrong` is done.
std::string Solution(const std::string& n, const std::string& wrong) {
  return "#include <cstdio>\nint main() { long a, b; std::scanf(\"%ld %ld\", &a, &b); if (a == " + n + ") { " +
         wrong + " } std::printf(\"%ld\\n\", a + b); }\n";
}

class Stress : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string gxx = Output_of("command -v g++");
    while (!gxx.empty() && gxx.back() == '\n') gxx.pop_back();
    Write_file(dir / "vorlix_data.sg", gxx + "\n\n\n");
  }
  Session Run(const std::vector<std::string>& words, const Session_options& options = {}) {
    std::vector<std::string> argv = {Vorlix_binary()};
    argv.insert(argv.end(), words.begin(), words.end());
    return Run_program(argv, dir.path(), "", options);
  }
  Temp_dir dir;
};

TEST_F(Stress, StopsAtTheFirstRoundTheSolutionFails) {
  const struct {
    const char* what;
    std::string solution, brute, gen;
    std::vector<std::pair<std::string, std::string>> files;
    std::string report;
    int status;
    std::string saved;  // the sample kept, "" for none
  } rows[] = {
      {"equal to the brute force", Solution("-1", ""), BRUTE, GEN, {},
       "对拍完成，未发现差异：20 轮，用时 … 秒。\n", 0, ""},
      {"a wrong answer at round 5", Solution("5", "std::puts(\"16\"); return 0;"), BRUTE, GEN, {},
       "第 5 轮：解答 WA 答案错误（…）\n  输入：\n    5 10\n  第 1 行不同：\n    期望：15\n    实际：16\n"
       "已保存为样例 a.1.in 与 .ans（K = 1）。\n", 1, "a.1"},
      {"the next K is past the samples there", Solution("3", "return 7;"), BRUTE, GEN,
       {{"a.in", "1 2\n"}, {"a.ans", "3\n"}, {"a.2.in", "1 1\n"}, {"a.9.ans", "x\n"}, {"a.010.in", ""}},
       "第 3 轮：解答 RE 运行错误，返回值 7（…）\n  输入：\n    3 6\n已保存为样例 a.10.in 与 .ans（K = 10）。\n",
       1, "a.10"},
      {"a time limit at round 2", Solution("2", "volatile unsigned long x = 0; for (;;) x = x + 1;"), BRUTE, GEN, {},
       "第 2 轮：解答 TLE 超时（…）\n  输入：\n    2 4\n已保存为样例 a.1.in 与 .ans（K = 1）。\n", 1, "a.1"},
      {"a generator that crashes", Solution("-1", ""), BRUTE,
       "#include <cstdlib>\n#include <cstdio>\nint main(int, char** argv) { if (std::atoi(argv[1]) == 4) std::abort(); "
       "std::puts(\"1 1\"); }\n", {},
       "第 4 轮：数据生成器出错：RE 运行错误，返回值 134（SIGABRT，异常中止）（…）\n", 1, ""},
      {"a brute force that crashes", Solution("-1", ""),
       "#include <cstdio>\nint main() { long a; std::scanf(\"%ld\", &a); if (a == 6) { std::fputs(\"boom\\n\", stderr); "
       "return 2; } std::printf(\"%ld\\n\", 3 * a); }\n", GEN, {},
       "第 6 轮：暴力程序出错：RE 运行错误，返回值 2（…）\n    boom\n", 1, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      if (entry.path().filename() != "vorlix_data.sg") std::filesystem::remove_all(entry.path());
    Write_file(dir / "a.cpp", row.solution);
    Write_file(dir / "brute.cpp", row.brute);
    Write_file(dir / "gen.cpp", row.gen);
    for (const auto& [name, bytes] : row.files) Write_file(dir / name, bytes);
    const auto before = std::distance(std::filesystem::directory_iterator(dir.path()), {});
    const Session s = Run({"--stress", "a.cpp", "brute.cpp", "gen.cpp", "--rounds=20", "--time-limit=300"});
    EXPECT_EQ(Without_figures(s.out), ALL_COMPILED + row.report);
    EXPECT_EQ(s.status, row.status) << s.err;
    // Three executables, and the sample's two files when one was kept.
    const auto after = std::distance(std::filesystem::directory_iterator(dir.path()), {});
    EXPECT_EQ(after - before, 3 + (row.saved.empty() ? 0 : 2));
    if (row.saved.empty()) continue;
    const std::string input = Read_file(dir / (row.saved + ".in"));
    const std::string judged = Without_figures(Run({"--judge", "a.cpp"}).out);
    // The kept sample fails the judge as the round failed.
    const std::string verdict = row.report.substr(row.report.find("解答 ") + 7, 3);
    EXPECT_NE(judged.find(row.saved + ".in：" + verdict), std::string::npos) << judged;
    EXPECT_EQ(Read_file(dir / (row.saved + ".ans")),
              std::to_string(3 * std::stol(input.substr(0, input.find(' ')))) + "\n");
  }
}

TEST_F(Stress, CtrlCStopsItWithASummaryAndNoPartialSample) {
  Write_file(dir / "a.cpp", Solution("-1", ""));
  Write_file(dir / "brute.cpp", BRUTE);
  Write_file(dir / "gen.cpp", GEN);
  // Compiled first, so that the interrupt falls among the rounds.
  ASSERT_EQ(Run({"--stress", "a.cpp", "brute.cpp", "gen.cpp", "--rounds=1"}).status, 0);
  Session_options interrupt;
  interrupt.prelude = "(sleep 1; kill -INT $$) & :";
  const Session s = Run({"-s", "a.cpp", "brute.cpp", "gen.cpp", "--rounds=100000"}, interrupt);
  EXPECT_EQ(s.status, 130);
  EXPECT_NE(Without_figures(s.out).find("跳过编译。\n\n\n已中断：完成 "), std::string::npos) << s.out;
  EXPECT_LT(s.seconds, 5);
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string ext = entry.path().extension().string();
    EXPECT_TRUE(ext == ".cpp" || ext == ".exe" || ext == ".sg") << entry.path();
  }
}

TEST_F(Stress, UsageErrors) {
  Write_file(dir / "a.cpp", "");
  const struct {
    std::vector<std::string> words;
    std::string err;
  } rows[] = {
      {{"--stress", "a.cpp", "a.cpp"}, "vorlix --stress：需要三个源文件：解答、暴力程序、数据生成器\n"},
      {{"--stress", "a.cpp", "a.cpp", "a.cpp", "--rounds=0"}, "vorlix --stress：无法识别的选项或取值：--rounds=0\n"},
      {{"-s", "a.cpp", "a.cpp", "b.cpp"}, "路径无效或文件不合法！b.cpp\n"},
  };
  for (const auto& row : rows) {
    const Session s = Run(row.words);
    EXPECT_EQ(s.err.substr(0, row.err.size()), row.err);
    EXPECT_EQ(s.status, 2);
  }
}

}  // namespace
