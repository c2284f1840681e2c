// vorlix --judge end to end: real g++, sample files beside the source, the
// report compared byte for byte with the measured figures left out.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <regex>

#include "harness.h"
#include "temp_dir.h"

namespace {

const std::string COMPILED = "未找到对应程序的 exe 文件，自动为你编译。\n正在编译……\n编译成功！\n\n";

// The report with each "（用时 …）" of measured figures written "（…）".
std::string Without_figures(std::string text) {
  const std::string open = "（用时 ", close = "）";
  for (auto at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
    const auto end = text.find(close, at);
    if (end == std::string::npos) break;
    text.replace(at, end + close.size() - at, "（…）");
  }
  return text;
}

std::string Gxx() {
  std::string path = Output_of("command -v g++");
  while (!path.empty() && path.back() == '\n') path.pop_back();
  return path;
}

// True while some process of the pids written one a line in `file` lives.
bool Any_alive(const std::string& file) {
  std::istringstream pids(Read_file(file));
  for (long pid; pids >> pid;)
    if (kill(static_cast<pid_t>(pid), 0) == 0) return true;
  return false;
}

// A program's start that notes its process in PIDS for Any_alive; "@PIDS@"
// becomes the file's path.
const std::string NOTE_PID =
    "#include <cstdio>\n#include <unistd.h>\n"
    "static void Note() { FILE* f = std::fopen(\"@PIDS@\", \"a\"); std::fprintf(f, \"%d\\n\", (int)getpid()); "
    "std::fclose(f); }\n";

struct Row {
  const char* what;
  std::string source;                                         // a.cpp
  std::vector<std::pair<std::string, std::string>> files;     // beside it
  std::vector<std::string> options;                           // after --judge a.cpp
  std::string report;                                         // after the compile's lines
  int status;
};

class Judge : public ::testing::Test {
 protected:
  void SetUp() override { Write_file(dir / "vorlix_data.sg", Gxx() + "\n\n\n"); }
  Session Judge_with(const std::vector<std::string>& options) {
    std::vector<std::string> argv = {Vorlix_binary(), "--judge", "a.cpp"};
    argv.insert(argv.end(), options.begin(), options.end());
    return Run_program(argv, dir.path(), "");
  }
  Temp_dir dir;
};

TEST_F(Judge, GivesEachSampleItsVerdict) {
  const std::string sum = "#include <cstdio>\nint main() { long a, b; std::scanf(\"%ld %ld\", &a, &b); std::printf(\"%ld\\n\", a + b); }\n";
  const std::vector<Row> rows = {
      {"AC", sum, {{"a.in", "1 2\n"}, {"a.ans", "3\n"}}, {},
       "a.in：AC 通过（…）\n共 1 个样例：1 个通过，0 个未通过。\n", 0},
      {"WA names the first differing line",
       "#include <cstdio>\nint main() { std::puts(\"1\\n2\\n4\\n5\"); }\n",
       {{"a.in", ""}, {"a.ans", "1\n2\n3\n5\n"}}, {},
       "a.in：WA 答案错误（…）\n  第 3 行不同：\n    期望：3\n    实际：4\n"
       "共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"trailing blanks and no final newline pass",
       "#include <cstdio>\nint main() { std::printf(\"1 2  \\t\\r\\n3\"); }\n",
       {{"a.in", ""}, {"a.ans", "1 2\n3\n\n\n"}}, {},
       "a.in：AC 通过（…）\n共 1 个样例：1 个通过，0 个未通过。\n", 0},
      {"but not under --exact",
       "#include <cstdio>\nint main() { std::printf(\"1 2  \\t\\r\\n3\"); }\n",
       {{"a.in", ""}, {"a.ans", "1 2\n3\n"}}, {"--exact"},
       "a.in：WA 答案错误（…）\n  第 1 行不同：\n    期望：1 2\n    实际：1 2  \\x09\\x0d\n"
       "共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"--eps compares numbers within the error",
       "#include <cstdio>\nint main() { std::printf(\"3.14160 2\\n\"); }\n",
       {{"a.in", ""}, {"a.ans", "3.1415926\n2.0\n"}}, {"--eps=1e-4"},
       "a.in：AC 通过（…）\n共 1 个样例：1 个通过，0 个未通过。\n", 0},
      {"TLE on a busy loop",
       "int main() { volatile unsigned long x = 0; for (;;) x = x + 1; }\n",
       {{"a.in", ""}, {"a.ans", "\n"}}, {"--time-limit=200"},
       "a.in：TLE 超时（…）\n共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"TLE on a program that sleeps",
       NOTE_PID + "int main() { Note(); sleep(30); }\n",
       {{"a.in", ""}, {"a.ans", "\n"}}, {"--time-limit=100"},
       "a.in：TLE 超时（…）\n共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"MLE",
       "#include <cstdio>\n#include <vector>\nint main() { std::vector<char> v(300 << 20, 1); "
       "std::printf(\"%d\\n\", v[12345]); }\n",
       {{"a.in", ""}, {"a.ans", "1\n"}}, {"--memory-limit=64"},
       "a.in：MLE 超内存（…）\n共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"RE by a signal, named",
       "#include <unistd.h>\nint main() { volatile int* p = nullptr; if (getpid() > 0) *p = 1; }\n",
       {{"a.in", ""}, {"a.ans", "\n"}}, {},
       "a.in：RE 运行错误，返回值 139（SIGSEGV，段错误）（…）\n共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"RE by a return value, with its standard error",
       "#include <cstdio>\nint main() { std::fputs(\"bad input\\nline 2\\n\", stderr); return 3; }\n",
       {{"a.in", ""}, {"a.ans", "\n"}}, {},
       "a.in：RE 运行错误，返回值 3（…）\n  标准错误：\n    bad input\n    line 2\n"
       "共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"OLE",
       "#include <cstdio>\nint main() { for (;;) std::fputs(\"0123456789abcdef\\n\", stdout); }\n",
       {{"a.in", ""}, {"a.ans", "1\n"}}, {},
       "a.in：OLE 输出超限（…）\n共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"freopen of a.in and a.out", 
       "#include <cstdio>\nint main() { std::freopen(\"a.in\", \"r\", stdin); std::freopen(\"a.out\", \"w\", stdout);"
       " int a, b; std::scanf(\"%d %d\", &a, &b); std::printf(\"%d\\n\", a * b); }\n",
       {{"a.in", "6 7\n"}, {"a.ans", "42\n"}, {"a.2.in", "2 2\n"}, {"a.2.ans", "5\n"}}, {},
       "a.in：AC 通过（…）\na.2.in：WA 答案错误（…）\n  第 1 行不同：\n    期望：5\n    实际：4\n"
       "共 2 个样例：1 个通过，1 个未通过。\n", 1},
      {"samples in order 1, 2, 10; an .in alone shows its output",
       sum,
       {{"a.10.in", "10 0\n"}, {"a.10.ans", "10\n"}, {"a.2.in", "2 0\n"}, {"a.2.ans", "2\n"},
        {"a.1.in", "1 0\n"}, {"a.1.ans", "1\n"}, {"a.3.in", "3 4\n"}, {"a.01.in", "9 9\n"},
        {"a.4.ans", "4\n"}},
       {},
       "a.1.in：AC 通过（…）\na.2.in：AC 通过（…）\na.3.in：运行完毕（没有 .ans 文件，不判定）（…）\n"
       "  输出：\n    7\na.10.in：AC 通过（…）\n共 4 个样例：3 个通过，0 个未通过，1 个没有答案。\n", 0},
      {"an .in alone that crashes fails the judge",
       "#include <cstdlib>\nint main() { std::abort(); }\n",
       {{"a.in", ""}}, {},
       "a.in：RE 运行错误，返回值 134（SIGABRT，异常中止）（…）\n共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"limits and file names from a.problem.json",
       "#include <cstdio>\nint main() { std::freopen(\"in.txt\", \"r\", stdin); std::freopen(\"out.txt\", \"w\", stdout);"
       " int a; std::scanf(\"%d\", &a); std::printf(\"%d\\n\", a); std::fprintf(stderr, \"x\"); "
       "volatile unsigned long x = 0; while (a == 2) x = x + 1; }\n",
       {{"a.in", "1\n"}, {"a.ans", "1\n"}, {"a.2.in", "2\n"}, {"a.2.ans", "2\n"},
        {"a.problem.json", R"({"name":"A","timeLimit":150,"memoryLimit":64,)"
                           R"("input":{"type":"file","fileName":"in.txt"},"output":{"type":"file","fileName":"out.txt"}})"}},
       {},
       "a.in：AC 通过（…）\na.2.in：TLE 超时（…）\n  标准错误：\n    x\n共 2 个样例：1 个通过，1 个未通过。\n", 1},
      {"deep recursion on a stack of 64 MB",
       "int f(int n) { volatile char pad[512]; pad[0] = (char)n; return n == 0 ? 0 : f(n - 1) + (pad[0] & 1); }\n"
       "int main() { return f(130000) < 0; }\n",
       {{"a.in", ""}, {"a.ans", ""}}, {},
       "a.in：AC 通过（…）\n共 1 个样例：1 个通过，0 个未通过。\n", 0},
      {"a program that never reads, closes its output and leaves a child in a session of its own",
       NOTE_PID + "int main() { std::puts(\"3\"); std::fclose(stdout); if (fork() == 0) { setsid(); "
       "if (fork() == 0) { Note(); sleep(30); } sleep(30); } }\n",
       {{"a.in", "1 2\n"}, {"a.ans", "3\n"}}, {},
       "a.in：AC 通过（…）\n共 1 个样例：1 个通过，0 个未通过。\n", 0},
      {"a program that reads past its input", 
       "#include <cstdio>\nint main() { long s = 0, x; while (std::scanf(\"%ld\", &x) == 1) s += x; "
       "while (std::getchar() != EOF) {} std::printf(\"%ld\\n\", s); }\n",
       {{"a.in", "1 2 3"}, {"a.ans", "6\n"}}, {},
       "a.in：AC 通过（…）\n共 1 个样例：1 个通过，0 个未通过。\n", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      if (entry.path().filename() != "vorlix_data.sg") std::filesystem::remove_all(entry.path());
    const std::string pids = dir / "pids";
    Write_file(dir / "a.cpp", std::regex_replace(row.source, std::regex("@PIDS@"), pids));
    for (const auto& [name, bytes] : row.files) Write_file(dir / name, bytes);
    const Session s = Judge_with(row.options);
    EXPECT_EQ(Without_figures(s.out), COMPILED + row.report);
    EXPECT_EQ(s.status, row.status) << s.err;
    EXPECT_FALSE(Any_alive(pids));
    EXPECT_FALSE(std::filesystem::exists(dir / "a.out"));
  }
}

// Ctrl-C stops the judge at once, with the program it was running.
TEST_F(Judge, CtrlCStopsTheSampleUnderWay) {
  const std::string pids = dir / "pids";
  Write_file(dir / "a.cpp", std::regex_replace(NOTE_PID + "int main() { Note(); sleep(30); }\n", std::regex("@PIDS@"), pids));
  Write_file(dir / "a.in", "");
  Write_file(dir / "a.ans", "");
  Session_options interrupt;
  interrupt.prelude = "(sleep 2; kill -INT $$) & :";
  const Session s = Run_program({Vorlix_binary(), "--judge", "a.cpp", "--time-limit=20000"}, dir.path(), "", interrupt);
  EXPECT_EQ(s.out, COMPILED + "\n已中断。\n");
  EXPECT_EQ(s.status, 130);
  EXPECT_LT(s.seconds, 10);
  EXPECT_FALSE(Any_alive(pids));
}

TEST_F(Judge, ACompileErrorRunsNoSample) {
  Write_file(dir / "a.cpp", "int main() { return x; }\n");
  Write_file(dir / "a.in", "");
  Write_file(dir / "a.ans", "");
  const Session s = Judge_with({});
  EXPECT_EQ(s.out, "未找到对应程序的 exe 文件，自动为你编译。\n正在编译……\n编译失败！\n\n");
  EXPECT_NE(s.err.find("error"), std::string::npos);
  EXPECT_EQ(s.status, 1);
}

TEST_F(Judge, RefusesWhatItCannotJudge) {
  Write_file(dir / "a.cpp", "int main() {}\n");
  Write_file(dir / "a.ans", "");
  Write_file(dir / "a.1.ans", "");
  Write_file(dir / "b.txt", "");
  const std::string usage = "用法：vorlix --judge";
  const struct {
    std::vector<std::string> args;
    std::string err;  // its start
  } rows[] = {
      {{"--judge", "a.cpp"}, "没有找到样例：a.in、a.1.in、a.2.in…… 都不存在。\n"},
      {{"-j", "b.txt"}, "路径无效或文件不合法！\n"},
      {{"--judge", "missing.cpp"}, "路径无效或文件不合法！\n"},
      {{"--judge", "a.cpp", "--time-limit=0"}, "vorlix --judge：无法识别的选项或取值：--time-limit=0\n" + usage},
      {{"--judge", "a.cpp", "--exact", "--eps=0.1"}, "vorlix --judge：--exact 与 --eps 不能同时使用\n" + usage},
      {{"--judge", "a.cpp", "b.cpp"}, "vorlix --judge：需要一个源文件\n" + usage},
      {{"--judge", "a.cpp", "--rounds=5"}, "vorlix --judge：无法识别的选项或取值：--rounds=5\n" + usage},
  };
  for (const auto& row : rows) {
    std::vector<std::string> argv = {Vorlix_binary()};
    argv.insert(argv.end(), row.args.begin(), row.args.end());
    const Session s = Run_program(argv, dir.path(), "");
    EXPECT_EQ(s.err.substr(0, row.err.size()), row.err) << row.args.back();
    EXPECT_EQ(s.out, "");
    EXPECT_EQ(s.status, 2);
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "a.exe"));
}

}  // namespace
