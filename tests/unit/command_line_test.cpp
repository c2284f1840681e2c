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
