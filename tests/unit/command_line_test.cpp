#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/command_line.h"
#include "temp_dir.h"

namespace {

TEST(Windows_command_lines, MatchTheDocumentedExamples) {
  EXPECT_EQ(Windows_compile_command("C:\\mingw64\\bin\\g++.exe", "-std=c++17 -O2", "D:\\code\\a.exe",
                                    "D:\\code\\a.cpp"),
            "cmd /c \"\"C:\\mingw64\\bin\\g++.exe\" -std=c++17 -O2 -g -o \"D:\\code\\a.exe\" "
            "\"D:\\code\\a.cpp\"\"");
  EXPECT_EQ(Windows_compile_command("g++", "", "a.exe", "a.cpp"),
            "cmd /c \"\"g++\"  -g -o \"a.exe\" \"a.cpp\"\"");
  EXPECT_EQ(Windows_pauser_launch_command("C:\\Dev\\ConsolePauser.exe", "D:\\code\\a.exe"),
            "start \"\" \"C:\\Dev\\ConsolePauser.exe\" \"D:\\code\\a.exe\"");
  EXPECT_EQ(Windows_pauser_launch_command("C:\\Dev Tools\\ConsolePauser.exe", "D:\\code\\a.exe"),
            "start \"\" \"C:\\Dev Tools\\ConsolePauser.exe\" \"D:\\code\\a.exe\"");
  EXPECT_EQ(Windows_direct_launch_command("D:\\code\\a.cpp", "D:\\code\\a.exe"),
            "start \"D:\\code\\a.cpp\" \"D:\\code\\a.exe\"");
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

// What /bin/sh makes of a quoted word is what counts, so ask it.
std::string Shell_echo(const std::string& word) { return Output_of("printf '%s' " + Shell_quote(word)); }

TEST(Shell_quote, EveryByteStaysLiteral) {
  const std::string words[] = {
      "plain",  "with space", "it's",       "''",        "$(touch pwned)", "`id`",
      "a;b|c&", "\\n\\",      "\"quoted\"", "中文 路径", "*?[a]~",         "$HOME",
      "-n",     "\t\n",       "\x01\x7f\xff",
  };
  for (const auto& w : words) EXPECT_EQ(Shell_echo(w), w);
}

}  // namespace
