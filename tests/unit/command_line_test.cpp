#include <gtest/gtest.h>

#include <string>

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
    EXPECT_EQ(Windows_compile_command(c.com, c.opt, c.epath, c.fpath), "cmd /c \"" + compiler + "\"");

    const std::string pauser = Windows_pauser_command_line(c.con, c.epath);
    EXPECT_EQ(pauser, "\"" + c.con + "\" \"" + c.epath + "\"");
    EXPECT_EQ(Windows_pauser_launch_command(c.con, c.epath), "start \"\" " + pauser);

    const std::string program = Windows_program_command_line(c.epath);
    EXPECT_EQ(program, "\"" + c.epath + "\"");
    EXPECT_EQ(Windows_direct_launch_command(c.fpath, c.epath), "start \"" + c.fpath + "\" " + program);
  }
}

TEST(Posix_compile_command, QuotesPathsAndLeavesOptionsToTheShell) {
  EXPECT_EQ(Posix_compile_command("/usr/bin/g++", "-std=c++17 -O2", "/a b/x.exe", "/a b/x.cpp"),
            "'/usr/bin/g++' -std=c++17 -O2 -g -o '/a b/x.exe' '/a b/x.cpp'");
  EXPECT_EQ(Posix_compile_command("bin/g++", "", "a.exe", "a.cpp"),
            "'bin/g++'  -g -o 'a.exe' 'a.cpp'");
  EXPECT_EQ(Posix_compile_command("g++", "", "-a.exe", "-a.cpp"),
            "'./g++'  -g -o './-a.exe' './-a.cpp'");
  EXPECT_EQ(Posix_compile_command("/c", "", "it's.exe", "it's.cpp"),
            "'/c'  -g -o 'it'\\''s.exe' 'it'\\''s.cpp'");
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
