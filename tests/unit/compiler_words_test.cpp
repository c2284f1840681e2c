#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "text/command_line.h"
#include "text/compiler_words.h"
#include "text/environment_block.h"
#include "temp_dir.h"

namespace {

// What /bin/sh hands the program: each argument between brackets, by printf.
std::string Shown(const std::vector<std::string>& words) {
  std::string command;
  for (const auto& w : words) {
    command += " '";
    for (const char c : w) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += "'";
  }
  return Output_of(command.substr(1) + " 2>/dev/null");
}

// The background compiler's options are split exactly as the compile's own.
TEST(Posix_compiler_words, SplitTheOptionsAsTheCompileDoes) {
  const std::string options[] = {"'[%s]'", "'[%s]' -DMSG='a b' \"-DQ=x y\"", "'[%s]'  -O2\t-g",
                                 "'[%s]' $(echo -D1) `echo -D2`"};
  const std::vector<std::string> paths[] = {{"a.exe", "a.cpp"},
                                            {"/x y/it's \"$1\".exe", "/x y/$(touch no).cpp"}};
  for (const auto& o : options)
    for (const auto& p : paths) {
      const std::string compile =
          Shown(Posix_compile_arguments("/usr/bin/printf", o, p[0], p[1]));
      EXPECT_NE(compile, "") << o;
      EXPECT_EQ(Shown(Posix_compiler_words("/usr/bin/printf", o, {"-g", "-o", p[0], p[1]})),
                compile)
          << o;
    }
}

TEST(Windows_compiler_words, QuoteEachWordAfterTheOptions) {
  const struct {
    std::vector<std::string> words;
    std::string expected;
  } cases[] = {
      {{}, "\"C:\\g++.exe\" -O2"},
      {{"-x", "c++-header", "-o", "C:\\x y\\a.gch"},
       "\"C:\\g++.exe\" -O2 -x c++-header -o \"C:\\x y\\a.gch\""},
      {{"a\"b", "c\\"}, "\"C:\\g++.exe\" -O2 \"a\\\"b\" c\\"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Windows_compiler_words("C:\\g++.exe", "-O2", c.words), c.expected);
}

TEST(Header_search_path, PutsTheFolderFirstAndNeverAddsAnEmptyItem) {
  const struct {
    std::string dir, old;
    char separator;
    std::string expected;
  } cases[] = {
      {"/c/k", "", ':', "/c/k"},
      {"/c/k", "/u:/v", ':', "/c/k:/u:/v"},
      {"/c:k", "/u", ':', ""},
      {std::string("/c\0k", 4), "", ':', ""},
      {"C:\\c\\k", "D:\\u", ';', "C:\\c\\k;D:\\u"},
      {"C:\\c;k", "", ';', ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Header_search_path(c.dir, c.old, c.separator), c.expected) << c.dir << " " << c.old;
}

TEST(Options_name_relative_paths, OnlyAPathOptionWithARelativePath) {
  const struct {
    std::string options;
    bool relative;
  } cases[] = {
      {"", false},
      {"-O2 -Wall -DX=inc", false},
      {"-I.", true},
      {"-I /abs -I rel", true},
      {"-I/abs -isystem /usr/x -idirafter C:\\x", false},
      {"-iquote inc", true},
      {"-isysteminc", true},
      {"-idirafter ../x", true},
      {"-include local.h", true},
      {"-imacros m.h", true},
      {"--sysroot=root", true},
      {"--sysroot /root", false},
      {"-Btools", true},
      {"@opts.txt", true},
      {"@/abs/opts.txt", false},
      {"'-I a'", true},
      {"\"-I/x y\"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Options_name_relative_paths(c.options), c.relative) << c.options;
}

TEST(Make_rule_prerequisites, EscapesAndContinuationsUndone) {
  const struct {
    std::string rule;
    std::vector<std::string> files;
  } cases[] = {
      {"entry: a.h /usr/b.h\n", {"a.h", "/usr/b.h"}},
      {"entry: a.h \\\n /x\\ y/c.h \\\n d$$e.h \\#f.h\n", {"a.h", "/x y/c.h", "d$e.h", "#f.h"}},
      {"entry: C:/x/a.h C:\\y\\b.h\r\n", {"C:/x/a.h", "C:\\y\\b.h"}},
      {"entry:\n", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Make_rule_prerequisites(c.rule), c.files) << c.rule;
}

TEST(Verbose_output, TheFoldersSearchedAndTheCompilerProper) {
  const std::string verbose =
      " /usr/lib/gcc/x86_64-linux-gnu/12/cc1plus -quiet -v -I . a.h -o /tmp/x.s\n"
      "ignoring duplicate directory \"/usr/include/c++/12\"\n"
      "ignoring nonexistent directory \"nope\"\n"
      "#include \"...\" search starts here:\n"
      "#include <...> search starts here:\n"
      " .\n /usr/include/c++/12\n /usr/include\n"
      "End of search list.\n"
      " /usr/bin/as -v --64 -o a.o /tmp/x.s\n";
  const Header_search search = Verbose_header_search(verbose);
  EXPECT_EQ(search.folders, (std::vector<std::string>{".", "/usr/include/c++/12", "/usr/include"}));
  EXPECT_EQ(search.missing, std::vector<std::string>{"nope"});
  EXPECT_EQ(Verbose_compiler_proper(verbose), "/usr/lib/gcc/x86_64-linux-gnu/12/cc1plus");
  EXPECT_EQ(Verbose_compiler_proper(" \"C:\\mingw\\libexec\\cc1plus.exe\" -quiet\r\n"),
            "C:\\mingw\\libexec\\cc1plus.exe");
  EXPECT_EQ(Verbose_compiler_proper(" /usr/bin/notcc1plus -quiet\n"), "");
  EXPECT_EQ(Verbose_header_search("").folders.size(), 0u);
}

// The compiler's environment block with CPATH added is sorted by name, case
// aside, as CreateProcessW asks: a name that is a prefix of another first,
// the drive entries ("=C:=...") ahead of every letter.
TEST(Environment_block, IsSortedByNameWhateverTheCase) {
  using Entries = std::vector<std::wstring>;
  const struct {
    Entries entries;
    std::wstring block;
  } cases[] = {
      {{L"PATH=x", L"=C:=C:\\w", L"ComSpec=c", L"CPATH=h"},
       std::wstring(L"=C:=C:\\w\0ComSpec=c\0CPATH=h\0PATH=x\0\0", 35)},
      {{L"ProgramFiles(x86)=b", L"PROGRAMFILES=a", L"path=p"},
       std::wstring(L"path=p\0PROGRAMFILES=a\0ProgramFiles(x86)=b\0\0", 43)},
      {{}, L""},
  };
  for (const auto& c : cases) EXPECT_TRUE(Environment_block(c.entries) == c.block);
}

}  // namespace
