#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "text/command_line.h"
#include "temp_dir.h"

namespace {

// The command lines the compiler, the pauser and a program are started with
// are the documented ones without the interpreter around them, whatever the
// paths hold: no character is escaped, doubled or expanded.
TEST(Windows_command_lines, AreTheDocumentedCommandsWithoutTheInterpreter) {
  struct Case {
    std::string com, opt, epath, fpath, con;
  };
  const Case cases[] = {
      {"C:\\mingw64\\bin\\g++.exe", "-std=c++17 -O2", "D:\\code\\a.exe", "D:\\code\\a.cpp",
       "C:\\Dev\\ConsolePauser.exe"},
      {"g++.exe", "", "a.exe", "a.cpp", "pauser.exe"},
      {"C:\\编译 器\\g++.exe", "-DX=\"a b\"", "代码 目录\\程序 1.exe", "代码 目录\\程序 1.cpp",
       "C:\\工具 箱\\vorlix-pauser.exe"},
      {"C:\\%PATH%\\g++.exe", "-O2", "a&b.exe", "a&b.cpp", "C:\\x&y\\p.exe"},
      {"C:\\bin\\g++.exe", "", "a%OS%b.exe", "a%OS%b.cpp", "C:\\^\\p.exe"},
      {"C:\\bin\\g++.exe", "", "c^d(e)!f;g,h.exe", "c^d(e)!f;g,h.cpp", "C:\\(1)!\\p.exe"},
  };
  for (const auto& c : cases) {
    const std::string compiler = Windows_compiler_command_line(c.com, c.opt, c.epath, c.fpath);
    EXPECT_EQ(compiler, "\"" + c.com + "\" " + c.opt + " -g -o \"" + c.epath + "\" \"" + c.fpath + "\"");

    const std::string pauser = Windows_pauser_command_line(c.con, c.epath);
    EXPECT_EQ(pauser, "\"" + c.con + "\" \"" + c.epath + "\"");

    const std::string program = Windows_program_command_line(c.epath);
    EXPECT_EQ(program, "\"" + c.epath + "\"");
  }
}

// A path that begins with "-" would be an option of the compiler ("-x.cpp" is
// g++'s -x); from the working directory, ".\" names the same file.
TEST(Windows_command_lines, PathsThatBeginWithADashAreNotOptions) {
  const struct {
    std::string epath, fpath, shown_e, shown_f;
  } cases[] = {
      {"-x.exe", "-x.cpp", ".\\-x.exe", ".\\-x.cpp"},
      {"--help.exe", "--help.cpp", ".\\--help.exe", ".\\--help.cpp"},
      {"a-b.exe", "a-b.cpp", "a-b.exe", "a-b.cpp"},
      {"D:\\-x.exe", "D:\\-x.cpp", "D:\\-x.exe", "D:\\-x.cpp"},
  };
  for (const auto& c : cases) {
    const std::string line = "\"g++.exe\" -O2 -g -o \"" + c.shown_e + "\" \"" + c.shown_f + "\"";
    EXPECT_EQ(Windows_compiler_command_line("g++.exe", "-O2", c.epath, c.fpath), line);
  }
}

// Judged by the name Windows finally opens, so that no spelling of a batch
// file's path that the file system takes for the file gets past.
TEST(Is_windows_batch_file, BatchFilesInAnyLetterCaseAndAnySpellingOfTheirPath) {
  const struct {
    std::string path;
    bool batch;
  } cases[] = {
      {"C:\\bin\\g++.bat", true},   {"C:\\bin\\g++.CMD", true},    {"g++.Bat", true},
      {"D:\\工具 箱\\编译.cMd", true}, {"a.bat.", true},              {"a.cmd . .", true},
      {".bat", true},               {"C:\\bin\\g++.exe", false},   {"C:\\x.bat\\g++.exe", false},
      {"a.bat.exe", false},         {"a.batch", false},            {"abat", false},
      {"a.cm", false},              {"", false},                   {"...", false},
      {"evil.bat\\.", true},        {"evil.bat\\x\\..", true},      {"evil.bat/.", true},
      {"evil.bat\\", true},         {"evil.bat\\. ", true},         {"evil.bat\\x/y\\..\\..", true},
      {"C:\\d\\evil.bat\\..\\evil.cmd", true},                 {"a\\..\\..\\evil.bat", true},
      {"D:evil.CMD", true},         {"evil.bat::$DATA", true},     {"evil.bat .:s", true},
      {"evil.bat\\..", false},      {"x.bat\\y.exe\\..\\z.exe", false}, {"x.bat\\y\\..\\z", false},
      {"C:", false},                {"\\\\?\\C:\\x.exe", false},   {"C:x.bat", true},
  };
  for (const auto& c : cases) EXPECT_EQ(Is_windows_batch_file(c.path), c.batch) << c.path;
}

// How a program run by the pauser gets its arguments: each comes back out of
// CommandLineToArgvW exactly as it went in.
TEST(Windows_run_command_line, QuotesEachArgumentSoThatItSplitsBackExactly) {
  const struct {
    std::string arg, quoted;
  } cases[] = {
      {"plain", "plain"},
      {"a b", "\"a b\""},
      {"a\tb", "\"a\tb\""},
      {"a\nb\vc", "\"a\nb\vc\""},
      {"a\"b", "\"a\\\"b\""},
      {"a\\", "a\\"},
      {"a\\\"", "\"a\\\\\\\"\""},
      {"a\\\\\"b", "\"a\\\\\\\\\\\"b\""},
      {"", "\"\""},
      {"C:\\dir\\", "C:\\dir\\"},
      {"C:\\my dir\\", "\"C:\\my dir\\\\\""},
      {"中文 参数", "\"中文 参数\""},
      {"中文\\\"", "\"中文\\\\\\\"\""},
      {"&|<>^%!", "&|<>^%!"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Windows_quoted_argument(c.arg), c.quoted) << c.arg;
    EXPECT_EQ(Windows_run_command_line("C:\\p.exe", {c.arg, "x"}), "\"C:\\p.exe\" " + c.quoted + " x")
        << c.arg;
  }
}

// A name without a folder is the file in the working directory.
TEST(Windows_run_command_line, BareProgramNamesAreInTheWorkingDirectory) {
  const std::pair<std::string, std::string> cases[] = {
      {"程序 1.exe", "\".\\程序 1.exe\""},
      {"sub\\a.exe", "\"sub\\a.exe\""},
      {"sub/a.exe", "\"sub/a.exe\""},
      {"C:a.exe", "\"C:a.exe\""},
  };
  for (const auto& [program, line] : cases) EXPECT_EQ(Windows_run_command_line(program, {}), line);
}

TEST(Posix_compile_arguments, PathsAreWordsOfTheirOwnAfterTheShellText) {
  const std::string script = "exec \"$0\" -O2 -g -o \"$1\" \"$2\"";
  const struct {
    std::string com, epath, fpath, com_word, epath_word, fpath_word;
  } cases[] = {
      {"/usr/bin/g++", "/a b/x.exe", "/a b/x.cpp", "/usr/bin/g++", "/a b/x.exe", "/a b/x.cpp"},
      {"bin/g++", "a.exe", "a.cpp", "bin/g++", "a.exe", "a.cpp"},
      {"g++", "-a.exe", "-a.cpp", "./g++", "./-a.exe", "./-a.cpp"},
      {"-x/g++", "-/a.exe", "-/a.cpp", "./-x/g++", "./-/a.exe", "./-/a.cpp"},
      {"/c", "it's \"$1\".exe", "it's \"$1\".cpp", "/c", "it's \"$1\".exe", "it's \"$1\".cpp"},
  };
  for (const auto& c : cases) {
    const std::vector<std::string> expected = {"/bin/sh",    "-c",         script,
                                               c.com_word, c.epath_word, c.fpath_word};
    EXPECT_EQ(Posix_compile_arguments(c.com, "-O2", c.epath, c.fpath), expected) << c.fpath;
  }
  EXPECT_EQ(Posix_compile_arguments("/c", "", "a.exe", "a.cpp")[2],
            "exec \"$0\"  -g -o \"$1\" \"$2\"");
}

// Runs `words` in `dir` without a shell of our own; returns the exit status
// and what it wrote to standard output.
std::pair<int, std::string> Run_words(const std::vector<std::string>& words, const std::string& dir) {
  int out[2];
  if (pipe(out) != 0) return {-1, ""};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    close(out[0]);
    std::vector<char*> argv;
    for (const auto& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    if (chdir(dir.c_str()) == 0) execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  std::string text;
  char buf[4096];
  ssize_t n;
  while ((n = read(out[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
  close(out[0]);
  int raw = 0;
  waitpid(pid, &raw, 0);
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text};
}

// What /bin/sh makes of the words is what counts, so ask it, with printf for
// a compiler that shows each argument it gets between brackets.
TEST(Posix_compile_arguments, TheShellNeverRunsPartOfAPathAndAMistakeInTheOptionsOnlyFails) {
  Temp_dir dir;
  const std::string hostile[] = {
      "$(touch CANARY)'.cpp", "`touch CANARY`.cpp", "a;touch CANARY;.cpp", "a&&touch CANARY|.cpp",
      "\"$(touch CANARY)\".cpp", "$HOME *?[a]~.cpp", "-n.cpp", "中文 路径\t\\n.cpp", "\x01\x7f\xff.cpp",
  };
  const struct {
    std::string options;
    bool runs;
    std::string arguments;  // what printf shows before the paths
  } options[] = {
      {"'[%s]'", true, "[-g][-o]"},
      {"'[%s]' -DMSG='a b' \"-DQ=x y\"", true, "[-DMSG=a b][-DQ=x y][-g][-o]"},
      {"'[%s]' -DX='", false, ""},
      {"'[%s]' -DX=\"", false, ""},
      {"'[%s]' -DX=`", false, ""},
      {"'[%s]' -DX=$(", false, ""},
  };
  for (const auto& fpath : hostile) {
    const std::string epath = fpath.substr(0, fpath.size() - 4) + ".exe";
    const std::string shown_e = epath[0] == '-' ? "./" + epath : epath;
    const std::string shown_f = fpath[0] == '-' ? "./" + fpath : fpath;
    for (const auto& o : options) {
      const auto [status, out] =
          Run_words(Posix_compile_arguments("/usr/bin/printf", o.options, epath, fpath), dir.path());
      if (o.runs) {
        EXPECT_EQ(status, 0) << fpath;
        EXPECT_EQ(out, o.arguments + "[" + shown_e + "][" + shown_f + "]") << fpath;
      } else {
        EXPECT_NE(status, 0) << o.options << " " << fpath;
        EXPECT_EQ(out, "") << o.options << " " << fpath;
      }
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "CANARY"));
}

TEST(Posix_program_path, NamesWithoutSlashAreInTheWorkingDirectory) {
  EXPECT_EQ(Posix_program_path("a.exe"), "./a.exe");
  EXPECT_EQ(Posix_program_path("sub/a.exe"), "sub/a.exe");
  EXPECT_EQ(Posix_program_path("/bin/true"), "/bin/true");
}

}  // namespace
