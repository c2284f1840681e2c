// The options --help and --version, and everything that is not one of them.
#include <gtest/gtest.h>

#include <filesystem>

#include "harness.h"
#include "temp_dir.h"

namespace {

const std::string RULE = "\n" + std::string(32, '-') + "\n";

// Each option answers on standard output and exits at once: no menu, no
// settings file, nothing read. Input is offered to show that none is taken.
TEST(Options, HelpAndVersionAnswerAndExit) {
  Temp_dir dir;
  const struct {
    std::string program;
    std::string option;
    std::string out_begins;
    bool whole;  // the answer is exactly out_begins
  } cases[] = {
      {Vorlix_binary(), "--version", "vorlix " VORLIX_VERSION "\n", true},
      {Pauser_binary(), "--version", "vorlix-pauser " VORLIX_VERSION "\n", true},
      {Vorlix_binary(), "--help", "用法：vorlix\n      vorlix 源文件.cpp\n", false},
      {Pauser_binary(), "--help", "用法：vorlix-pauser 程序 [参数...]\n", false},
  };
  for (const auto& c : cases) {
    const Session s = Run_program({c.program, c.option}, dir.path(), "3\n");
    const std::string what = c.program + " " + c.option;
    EXPECT_EQ(s.status, 0) << what;
    EXPECT_EQ(s.err, "") << what;
    if (c.whole) {
      EXPECT_EQ(s.out, c.out_begins) << what;
    } else {
      EXPECT_EQ(s.out.substr(0, c.out_begins.size()), c.out_begins) << what;
      EXPECT_NE(s.out.find("--version"), std::string::npos) << what;
      EXPECT_EQ(s.out.find('\x1b'), std::string::npos) << what;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "vorlix_data.sg"));
}

// Vorlix has no other options: with no argument or more than one, an option
// among them included, the dialogue is the one without arguments.
TEST(Options, AnyOtherArgumentsLeaveTheDialogueAsItIs) {
  Temp_dir dir;
  Write_file(dir / "a.cpp", "");
  const std::vector<std::string> ignored[] = {
      {}, {"a.cpp", "--help"}, {"--", "--version"}, {"a.cpp", "a.cpp"}, {"-h", "x"},
      {"--pch-build", "a", "b", "c", "d"}, {"--pch-build", "a", "b", "c", "d", "e", "f"},
  };
  for (const auto& args : ignored) {
    std::vector<std::string> argv = {Vorlix_binary()};
    argv.insert(argv.end(), args.begin(), args.end());
    const Session s = Run_program(argv, dir.path(), "2\n5\n");
    EXPECT_EQ(s.out, Main_page() + Settings_page() + Main_page()) << argv.size();
    EXPECT_EQ(s.err, "");
    EXPECT_EQ(s.status, 1);  // end of input at the main page
  }
}

// A single argument is a source to run; one that begins with "-" and is not
// an option is a mistake, refused with the usage before anything is read.
TEST(Options, ASingleArgumentLikeAnOptionIsRefusedWithTheUsage) {
  Temp_dir dir;
  for (const std::string arg : {"-h", "--HELP", "--help=yes", "--versions", "-", "-a.cpp", "--pch-build", "--judge", "-j", "--stress", "-s"}) {
    const Session s = Run_program({Vorlix_binary(), arg}, dir.path(), "3\n");
    EXPECT_EQ(s.out, "") << arg;
    EXPECT_EQ(s.err.substr(0, 16), "用法：vorlix\n") << arg;
    EXPECT_NE(s.err.find("--version"), std::string::npos) << arg;
    EXPECT_EQ(s.status, 2) << arg;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "vorlix_data.sg"));
}

// The pauser looks at its first argument only: the program's own arguments
// reach it unchanged, options included; without a program it shows its usage.
TEST(Options, PauserTakesOptionsOnlyInPlaceOfTheProgram) {
  Temp_dir dir;
  Write_script(dir / "args", "printf '[%s]' \"$@\"; echo\n");
  const struct {
    std::vector<std::string> args;
    std::string out_begins;
    std::string err_begins;
    int status;
  } cases[] = {
      {{}, "", "用法：vorlix-pauser 程序 [参数...]\n", 2},
      {{"args", "--help"}, "[--help]\n" + RULE + "进程已退出", "", 0},
      {{"args", "--version", "x"}, "[--version][x]\n" + RULE + "进程已退出", "", 0},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv = {Pauser_binary()};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const Session s = Run_program(argv, dir.path(), "");
    EXPECT_EQ(s.out.substr(0, c.out_begins.size()), c.out_begins) << argv.size();
    EXPECT_EQ(s.err.substr(0, c.err_begins.size()), c.err_begins) << argv.size();
    EXPECT_EQ(s.out.empty(), c.out_begins.empty()) << argv.size();
    EXPECT_EQ(s.err.empty(), c.err_begins.empty()) << argv.size();
    EXPECT_EQ(s.status, c.status) << argv.size();
  }
}

}  // namespace
