// The POSIX terminal's pure pieces: how each terminal emulator is told what to
// run, the names of deadly signals, and the character type the line editor
// sets, which must leave the extension test's case change to ASCII.
#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <string>
#include <vector>

#include "text/exit_status.h"
#include "text/terminal_emulators.h"
#include "text/utf8_ctype.h"
#include "run/run.h"

namespace {

const std::vector<std::string> COMMAND = {"/bin/sh", "-c", "exec \"$@\"", "sh", "./a b.exe"};

std::vector<std::string> With_command(std::vector<std::string> args) {
  args.insert(args.end(), COMMAND.begin(), COMMAND.end());
  return args;
}

// Every row as really used is in the end-to-end tests; these are the words
// left out, and emulators named by path or not in the table.
TEST(Terminal_arguments, OptionsJoinedOrSeparateAndEmptyOnesLeftOut) {
  const struct {
    std::string emulator, title, directory;
    std::vector<std::string> before_command;
  } cases[] = {
      {"/usr/bin/x-terminal-emulator", "a b.cpp", "/w d", {"-T", "a b.cpp", "-e"}},
      {"konsole", "a b.cpp", "/w d", {"--workdir=/w d", "-e"}},  // takes no title
      // A value that begins with "-" is never a word of its own where the
      // emulator can take it joined, and follows its option where not.
      {"kitty", "-x.cpp", "-d", {"--title=-x.cpp", "--directory=-d"}},
      {"alacritty", "-x.cpp", "-d", {"--title=-x.cpp", "--working-directory=-d", "-e"}},
      {"urxvt", "-x.cpp", "-d", {"-title", "-x.cpp", "-cd", "-d", "-e"}},
      {"mate-terminal", "", "/w d", {"--working-directory=/w d", "-x"}},
      {"terminator", "a b.cpp", "", {"--title=a b.cpp", "-x"}},
      {"xterm", "", "", {"-e"}},
      // Not in the table ($TERMINAL may name anything): the common "-e".
      {"/opt/st", "a b.cpp", "/w d", {"-e"}},
      {"xterm-new", "a b.cpp", "/w d", {"-e"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> expected = {"/path/" + c.emulator};
    expected.insert(expected.end(), c.before_command.begin(), c.before_command.end());
    EXPECT_EQ(Terminal_arguments(Terminal_emulator_for(c.emulator), "/path/" + c.emulator, c.title,
                                 c.directory, COMMAND),
              With_command(expected))
        << c.emulator;
  }
}

// Only a program that a signal killed gets the signal's name; one that exits
// with the same number itself gets the number.
TEST(Posix_exit_status_text, NamesTheCommonDeadlySignalsOnlyWhenOneKilledTheProgram) {
  const struct {
    int status;
    bool killed;
    std::string text;
  } cases[] = {
      {0, false, "0"},
      {1, false, "1"},
      {127, false, "127"},
      {128, false, "128"},
      {130, true, "130（SIGINT，被中断）"},
      {132, true, "132（SIGILL，非法指令）"},
      {134, true, "134（SIGABRT，异常中止）"},
      {135, true, "135（SIGBUS，总线错误）"},
      {136, true, "136（SIGFPE，算术异常）"},
      {137, true, "137（SIGKILL，被强制结束）"},
      {139, true, "139（SIGSEGV，段错误）"},
      {141, true, "141（SIGPIPE，管道已断开）"},
      {143, true, "143（SIGTERM，被终止）"},
      {129, true, "129"},  // SIGHUP: not one a program's own fault
      {138, true, "138"},  // SIGUSR1
      {130, false, "130"},  // exit(130), as shells do after an interrupt
      {134, false, "134"},
      {139, false, "139"},  // exit 139
      {143, false, "143"},
      {192, false, "192"},
      {255, false, "255"},
      {-1, false, "-1"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Posix_exit_status_text(c.status, c.killed), c.text) << c.status << " " << c.killed;
}

// The line editor needs a UTF-8 character type; the extension test lowers
// bytes with tolower, which must still change A to Z alone.
TEST(Line_editor_locale, LeavesEveryByteButAsciiCapitalsToTheExtensionTest) {
  ASSERT_TRUE(Use_utf8_ctype()) << "no UTF-8 locale installed";
  EXPECT_GT(MB_CUR_MAX, 1u) << "not a UTF-8 character type";
  std::string upper, lower;
  for (int c = 1; c < 256; ++c) {
    if (c == '.') continue;
    upper += static_cast<char>(c);
    lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  EXPECT_EQ(Source_extension("x." + upper), lower);
  std::setlocale(LC_CTYPE, "C");
}

}  // namespace
